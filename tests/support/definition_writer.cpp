#include "tests/support/definition_writer.h"

#include <sstream>
#include <stdexcept>
#include <utility>

#include "layout/value_writer.h"
#include "tests/support/temp_folder.h"

namespace shelvex::testing {

layout::TFieldList& DefinitionWriter::Page(int page) {
  if (page < 0 || page >= layout::kDefinitionPageCount) {
    throw std::out_of_range("definition writer: no page " + std::to_string(page));
  }
  return pages_[static_cast<std::size_t>(page)];
}

layout::TFieldRecord& DefinitionWriter::AddField(int page, layout::TFieldSubType sub_type,
                                                 std::string_view formula) {
  // A string column (ftString is 1) at the next field index, as the cataloguing program numbers
  // them.
  layout::TFieldRecord record(1, fields_added_, page);
  record.FieldSubType = sub_type;
  record.FieldLabel = "Field " + std::to_string(++fields_added_);
  record.Formula = std::string(formula);
  return Page(page).Add(std::move(record));
}

std::string DefinitionWriter::Bytes(int page_count) const {
  std::stringbuf sink;
  layout::ValueWriter writer(sink);
  for (int page = 0; page < page_count && page < layout::kDefinitionPageCount; ++page) {
    writer.WriteInteger(page);
    pages_[static_cast<std::size_t>(page)].Save(writer);
  }
  return sink.str();
}

void DefinitionWriter::Write(const std::filesystem::path& path) const { WriteAll(path, Bytes()); }

}  // namespace shelvex::testing
