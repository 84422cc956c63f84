#include "export/table_export.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "export/data_packet_keys.h"
#include "export/data_packet_writer.h"
#include "export/dbf_table.h"
#include "export/field_mapping.h"
#include "export/index_reader.h"
#include "export/internal/category_list.h"
#include "export/internal/packet_rows.h"
#include "platform/code_page.h"
#include "platform/error.h"

namespace shelvex::exporting {

namespace {

namespace fs = std::filesystem;

// Only the catalogue's packet, recognised by this exact name, comes with the category list.
constexpr std::string_view kCatalogueFileName = "library.xml";
constexpr std::string_view kCategoryFileName = "cat.txt";

std::vector<std::string> ColumnNames(const std::vector<FieldDef>& fields) {
  std::vector<std::string> names;
  names.reserve(fields.size());
  for (const FieldDef& field : fields) names.push_back(field.name);
  return names;
}

// The dBase type letter of each field, which tells the index reader whether "+" in a key joins
// texts.
std::string ColumnTypeLetters(const DbfTable& table) {
  std::string letters;
  const auto& columns = table.reader().columns();
  const auto& file_fields = table.reader().file().fields();
  for (const FieldDef& field : table.fields()) {
    char letter = '?';
    for (const ColumnDescription& column : columns) {
      if (column.column_number == field.field_no && column.field_index >= 0) {
        letter = file_fields[static_cast<std::size_t>(column.field_index)].type;
      }
    }
    letters += letter;
  }
  return letters;
}

void AddColumns(DataPacketWriter& writer, const std::vector<FieldDef>& fields,
                std::vector<ColumnMapping>& mappings) {
  for (const FieldDef& field : fields) {
    FieldDescription description;
    description.type = field.data_type;
    description.size = field.data_type == ftBCD ? 0 : field.size;
    description.precision = field.precision;
    description.scale = field.data_type == ftBCD ? field.size : 0;
    description.required = field.required;
    description.read_only = field.read_only;
    description.fixed_length = field.fixed_length;
    mappings.push_back(MapField(description));
    // Column names go into the packet as the 8-bit text that the rows' attribute names are made of.
    AddMappedColumn(writer, platform::Utf8ToAnsi(field.name), mappings.back());
  }
}

// Creates (or truncates) the output file before the packet is finished, so that a packet that
// cannot be written as XML leaves an empty file of that name, then writes the finished packet in
// one piece.
void WritePacketFile(const fs::path& output_path, DataPacketWriter& writer) {
  const int fd = ::open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw IoError(output_path.string() + ": " + std::strerror(errno));
  try {
    const PacketBuffer packet = writer.Finish();
    std::string_view rest = packet.view();
    while (!rest.empty()) {
      const ssize_t written = ::write(fd, rest.data(), rest.size());
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0)
        throw IoError(output_path.string() + ": " + std::strerror(written < 0 ? errno : ENOSPC));
      rest.remove_prefix(static_cast<std::size_t>(written));
    }
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (::close(fd) != 0) throw IoError(output_path.string() + ": " + std::strerror(errno));
}

}  // namespace

void ExportTableToXml(const std::string& data_folder, const std::string& table_file_name,
                      const std::string& output_path, const ExportProgress& progress) {
  DbfTable table(data_folder, table_file_name);
  const std::vector<FieldDef>& fields = table.fields();
  const std::vector<std::string> column_names = ColumnNames(fields);

  DataPacketWriter writer(fields.size());
  std::vector<ColumnMapping> mappings;
  AddColumns(writer, fields, mappings);

  // A damaged index never stops the export: the table then goes out without key attributes, in
  // record order.
  std::string index_warning;
  const std::vector<IndexDescription> indexes =
      ReadProductionIndex(table.path(), column_names, &index_warning, ColumnTypeLetters(table));
  std::optional<std::int32_t> lcid;
  if (table.lcid()) lcid = static_cast<std::int32_t>(*table.lcid());
  const DatasetAttributes dataset = BuildDatasetAttributes(indexes, column_names, lcid);
  for (const PacketAttribute& attribute : dataset.attributes) writer.AddDatasetAttribute(attribute);
  writer.EndAttributes();

  // The catalogue's categories are gathered during the walk for the rows rather than in a second
  // pass over a table that may run to hundreds of megabytes; they are ordered and written only
  // once the packet is on disk.
  const fs::path output(output_path);
  std::optional<internal::CategoryCollector> categories;
  internal::RecordVisitor each_record;
  if (output.filename() == kCatalogueFileName) {
    categories.emplace(table);
    each_record = [&categories](DbfTable& current) { categories->Add(current); };
  }
  internal::PutAllRows(writer, table, mappings, dataset.default_order, progress, each_record);

  WritePacketFile(output, writer);

  if (categories) {
    internal::WriteCategoryFile(categories->Categories(), output.parent_path() / kCategoryFileName);
  }
}

}  // namespace shelvex::exporting
