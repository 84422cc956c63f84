#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/dbf_columns.h"
#include "export/dbf_file.h"
#include "export/language_driver.h"
#include "export/memo_file.h"

namespace shelvex::exporting {

// A column's value in the current record, in the engine's form for its logical type.
struct ColumnValue {
  bool is_null = true;
  std::int64_t integer = 0;  // kDate: day count; kBoolean: 0 or 1; kInt32
  double number = 0;         // kFloat; kTimeStamp: class-8 milliseconds
  // kZString: the text in the table's character set, cut at a zero byte, trailing blanks removed (V
  // fields keep theirs); kBlob, kVarBytes: the bytes. Points into the record or into the caller's
  // scratch buffer.
  std::string_view bytes;
};

// The stand-in for the desktop database engine: one open dBase table with its memo file, described
// as columns, walked record by record in physical order or visited by record number.
//
// Records marked deleted ("*") are never delivered; any other first byte counts as a live record.
// One reader is used by one thread at a time.
class DbfReader final {
 public:
  // Opens the table file `table_path` (its name as found on disk) and, when its fields need one,
  // the memo file beside it, found whatever the case of its name. Throws Error "books.dbf: cause"
  // when the table is missing or damaged or a needed memo file is missing or damaged.
  explicit DbfReader(const std::filesystem::path& table_path);
  // A table and its memo file given as bytes (tests and the fuzzer); `memo` may be empty when there
  // is none.
  DbfReader(std::string label, std::string table, std::optional<std::string> memo);
  ~DbfReader();
  DbfReader(const DbfReader&) = delete;
  DbfReader& operator=(const DbfReader&) = delete;

  const DbfFile& file() const { return file_; }
  const std::vector<ColumnDescription>& columns() const { return columns_; }
  const std::vector<ValidityEntry>& validity() const { return validity_; }
  // The table's language driver; nullopt when it names none we know (its text is then OEM, with no
  // locale).
  const std::optional<LanguageDriver>& language_driver() const { return driver_; }
  const MemoFile* memo_file() const { return memo_.get(); }

  // Physical records in the file, deleted ones included (record numbers run from 1 to this).
  std::uint32_t record_count() const { return file_.record_count(); }
  // Before the first record.
  void Rewind() {
    current_ = 0;
    record_ = {};
  }
  // To the next live record; false (and after the last record) at the end of the table. A table
  // cut short by another program while it is read ends with the last record still there whole.
  bool Next();
  // To record `number`; false (and still on the record before) when there is no such record or it
  // is deleted.
  bool GoTo(std::uint32_t number);
  // The current record's number; 0 before the first and after the last.
  std::uint32_t record_number() const { return current_ <= file_.record_count() ? current_ : 0; }

  // Reads column `column_number` of the current record into `value`. Memo and blob bytes go into
  // `scratch`, which `value.bytes` then points into; other bytes point into the record, and stay
  // valid until the reader moves. Returns false when the value is null. Throws Error when a memo
  // pointer leads outside the memo file.
  bool ReadColumn(int column_number, ColumnValue& value, std::string& scratch);

 private:
  void Describe();
  bool ReadMemo(const DbfField& field, std::string_view raw, ColumnValue& value,
                std::string& scratch);
  [[noreturn]] void FailRecord(const DbfField& field, const std::string& cause) const;

  DbfFile file_;
  std::unique_ptr<MemoFile> memo_;
  std::vector<ColumnDescription> columns_;
  std::vector<ValidityEntry> validity_;
  std::optional<LanguageDriver> driver_;
  std::uint32_t current_ = 0;
  std::string_view record_;  // the current record's bytes
};

}  // namespace shelvex::exporting
