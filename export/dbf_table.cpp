#include "export/dbf_table.h"

#include "export/internal/dbf_text_converter.h"
#include "platform/error.h"
#include "platform/folder.h"

namespace shelvex::exporting {

DbfTable::DbfTable(const std::filesystem::path& data_folder, std::string_view table_name) {
  if (table_name.empty()) throw Error("Missing TableName property");
  const auto found = platform::FindIgnoringCase(data_folder, table_name);
  if (!found) {
    throw Error(std::string(table_name) + ": the table file does not exist in " +
                data_folder.string());
  }
  path_ = *found;
  driver_type_ = DriverTypeFor(path_);
  if (driver_type_ != "DBASE" && driver_type_ != "FOXPRO") {
    throw Error(std::string(table_name) + ": only dBase tables can be read, not driver type " +
                driver_type_);
  }
  reader_ = std::make_unique<DbfReader>(path_);
  Build();
}

DbfTable::DbfTable(std::string table_name, std::string table, std::optional<std::string> memo)
    : driver_type_("DBASE") {
  if (table_name.empty()) throw Error("Missing TableName property");
  reader_ = std::make_unique<DbfReader>(std::move(table_name), std::move(table), std::move(memo));
  if (reader_->file().memo_extension() == ".fpt" && reader_->memo_file() != nullptr)
    driver_type_ = "FOXPRO";
  Build();
}

DbfTable::~DbfTable() = default;

void DbfTable::Build() {
  text_ = std::make_unique<internal::DbfTextConverter>(reader_->language_driver());
  fields_ = BuildFieldDefs(reader_->columns(), reader_->validity(),
                           [this](std::string_view name) { return text_->ToAnsiUtf8(name); });
  slots_.resize(fields_.size());
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const TFieldType type = fields_[i].data_type;
    slots_[i].convert_text = (type == ftString || type == ftMemo) && !text_->IsIdentity();
  }
}

const FieldDef* DbfTable::FindField(std::string_view name) const {
  for (const FieldDef& field : fields_) {
    if (platform::EqualsIgnoringAsciiCase(field.name, name)) return &field;
  }
  return nullptr;
}

std::optional<std::uint32_t> DbfTable::lcid() const {
  const auto& driver = reader_->language_driver();
  if (!driver) return std::nullopt;
  return driver->lcid;
}

void DbfTable::First() {
  reader_->Rewind();
  ++generation_;
}

bool DbfTable::Next() {
  ++generation_;
  return reader_->Next();
}

bool DbfTable::GoTo(std::uint32_t number) {
  ++generation_;
  return reader_->GoTo(number);
}

const FieldValue& DbfTable::Value(std::size_t index) {
  if (index >= slots_.size())
    throw Error(reader_->file().label() + ": there is no field " + std::to_string(index));
  Slot& slot = slots_[index];
  if (slot.generation == generation_) return slot.value;
  const FieldDef& field = fields_[index];
  slot.value = FieldValue{};
  if (field.children.empty() && reader_->ReadColumn(field.field_no, slot.value, slot.buffer) &&
      slot.convert_text && !text_->Keeps(slot.value.bytes)) {
    // Convert in place: a memo is already in the slot's buffer, a string still points into the
    // record.
    if (slot.value.bytes.data() != slot.buffer.data()) slot.buffer.assign(slot.value.bytes);
    text_->ToAnsi(slot.buffer);
    slot.value.bytes = slot.buffer;
  }
  slot.generation = generation_;
  return slot.value;
}

}  // namespace shelvex::exporting
