#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/dbf_reader.h"
#include "export/table_fields.h"

namespace shelvex::exporting {

namespace internal {
class DbfTextConverter;
}

// A field's value in the current record. Which member holds it follows the field's TFieldType:
//   ftString, ftMemo                      bytes: text in the ANSI code page (converted from the
//   table's) ftBlob, ftGraphic, ftDBaseOle, ...    bytes: as stored ftVarBytes, ftBytes bytes: as
//   stored ftInteger, ftAutoInc, ftSmallint, ftWord, ftLargeint
//                                         integer
//   ftBoolean                             integer: 0 or 1
//   ftDate                                integer: day count, day 1 = 1 January of year 1
//   ftFloat, ftCurrency                   number
//   ftDateTime                            number: day count × 86,400,000 + milliseconds since
//   midnight
// A null value (is_null) holds nothing.
using FieldValue = ColumnValue;

// The DB layer's table object: a dBase table of the data folder opened for reading, with its field
// definitions, its locale and a cursor over its live records. Field values are converted on demand
// and stay valid until the cursor moves. One thread uses a table at a time.
class DbfTable final {
 public:
  // Opens `table_name` in `data_folder`, names found whatever their case on disk. Throws Error with
  // the message "Missing TableName property" for an empty name, and "books.dbf: cause" when the
  // table is missing, is not a dBase table, is damaged, or lacks its memo file.
  DbfTable(const std::filesystem::path& data_folder, std::string_view table_name);
  // A table (and memo file) given as bytes, for tests and the fuzzer.
  DbfTable(std::string table_name, std::string table, std::optional<std::string> memo);
  ~DbfTable();
  DbfTable(const DbfTable&) = delete;
  DbfTable& operator=(const DbfTable&) = delete;

  // The table file as found on disk (empty for a table given as bytes).
  const std::filesystem::path& path() const { return path_; }
  // "DBASE" or "FOXPRO" (DriverTypeFor).
  const std::string& driver_type() const { return driver_type_; }
  const std::vector<FieldDef>& fields() const { return fields_; }
  // The field named `name`, compared without regard to ASCII case; nullptr when there is none.
  const FieldDef* FindField(std::string_view name) const;
  // The Windows locale identifier of the table's character set; nullopt when the table names none.
  std::optional<std::uint32_t> lcid() const;
  const DbfReader& reader() const { return *reader_; }

  // Physical records, deleted ones included; record numbers run from 1 to this.
  std::uint32_t record_count() const { return reader_->record_count(); }
  // Before the first record (so that Next() reads the first).
  void First();
  // To the next live record; false at the end of the table.
  bool Next();
  // To record `number`; false when there is no such record or it is deleted.
  bool GoTo(std::uint32_t number);
  std::uint32_t record_number() const { return reader_->record_number(); }

  // The value of fields()[index] in the current record. Throws Error when the record holds a memo
  // pointer that leads outside the memo file.
  const FieldValue& Value(std::size_t index);

 private:
  struct Slot {
    std::uint64_t generation = 0;
    FieldValue value;
    std::string buffer;
    bool convert_text = false;
  };
  void Build();

  std::filesystem::path path_;
  std::string driver_type_;
  std::unique_ptr<DbfReader> reader_;
  std::unique_ptr<internal::DbfTextConverter> text_;
  std::vector<FieldDef> fields_;
  std::vector<Slot> slots_;
  std::uint64_t generation_ = 1;
};

}  // namespace shelvex::exporting
