#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export/memo_file.h"

namespace shelvex::exporting {

namespace internal {
class ByteSource;
class ReadWindow;
}  // namespace internal

// The families of table files, told apart by the header's version byte.
enum class DbfFamily {
  kDbase,   // dBase III, IV and 5 (03, 83, 8B, ...): 32-byte field descriptors
  kDbase7,  // dBase 7 (04, 8C): level 7 header with the driver name, 48-byte field descriptors
  kFoxPro,  // FoxPro 2.x and FoxBASE (F5, FB)
  kVisualFoxPro,  // Visual FoxPro (30, 31, 32): field flags, _NullFlags, the backlink after the
                  // descriptors
};

// What a field holds, from its type letter read in the table's family ('B' is a binary memo in
// dBase and a double in Visual FoxPro; 'I' is big-endian in dBase 7 and little-endian in Visual
// FoxPro).
enum class DbfFieldKind {
  kUnknown,        // a letter this reader does not know: reported as a column of no type
  kCharacter,      // C: text padded with blanks
  kNumeric,        // N: number as text
  kFloat,          // F: number as text
  kDate,           // D: YYYYMMDD
  kLogical,        // L: T/F/Y/N, "?" or blank for none
  kMemo,           // M: text in the memo file
  kBinary,         // B (dBase), W (Visual FoxPro blob): bytes in the memo file
  kOle,            // G: OLE object / general field in the memo file
  kPicture,        // P: picture in the memo file
  kLong,           // I in dBase 7: big-endian, sign bit inverted
  kAutoIncrement,  // + in dBase 7: as kLong
  kDouble7,        // O in dBase 7: big-endian IEEE double, ordered by its sign transform
  kTimestamp7,  // @ in dBase 7: as kDouble7, milliseconds from 1 January of year 1 counted from day
                // 1
  kInteger,     // I in Visual FoxPro: little-endian 32-bit (autoincrementing when its flags say so)
  kCurrency,    // Y: little-endian 64-bit, ten-thousandths
  kDouble,      // B in Visual FoxPro: little-endian IEEE double
  kDateTime,    // T: little-endian Julian day number, then milliseconds since midnight
  kVarchar,     // V: text of variable length, the length in the last byte when flagged
  kVarbinary,   // Q: bytes of variable length, likewise
  kNullFlags,   // 0: Visual FoxPro's hidden _NullFlags field
};

// One field descriptor of the table header.
struct DbfField {
  // Visual FoxPro field flags.
  static constexpr std::uint8_t kSystemFlag = 0x01;
  static constexpr std::uint8_t kNullableFlag = 0x02;
  static constexpr std::uint8_t kBinaryFlag = 0x04;
  static constexpr std::uint8_t kAutoIncrementFlag = 0x08;

  std::string name;  // the stored bytes up to the first zero byte, in the table's character set
  char type = 'C';
  DbfFieldKind kind = DbfFieldKind::kUnknown;
  std::uint32_t length = 0;  // bytes in the record
  std::uint8_t decimals = 0;
  std::uint8_t flags = 0;
  std::uint32_t offset = 0;  // from the start of the record, whose byte 0 is the deletion flag
  int null_bit = -1;         // bit of _NullFlags that is set when the value is null (Visual FoxPro)
  int varlength_bit = -1;  // bit set when the last byte of a V or Q field holds the value's length
  bool required = false;   // dBase 7 "required" property

  bool IsHidden() const { return kind == DbfFieldKind::kNullFlags || (flags & kSystemFlag) != 0; }
  bool IsMemo() const;  // kept in the memo file
};

// A table file: its header and field descriptors, checked against each other and against the file's
// size, and its records. Only the header is held; records are read through a window of bounded
// size as they are asked for, with plain reads (never a mapping), so that a table of any size fits
// and a table that another program changes or cuts meanwhile can never fault the reader.
class DbfFile final {
 public:
  // Reads and checks `path`. Throws Error "books.dbf: cause" for a missing, empty or damaged file
  // or a folder.
  explicit DbfFile(const std::filesystem::path& path);
  // A table given as bytes; `label` names it in messages.
  DbfFile(std::string label, std::string bytes);
  ~DbfFile();
  DbfFile(const DbfFile&) = delete;
  DbfFile& operator=(const DbfFile&) = delete;

  const std::string& label() const { return label_; }
  std::uint8_t version() const { return static_cast<std::uint8_t>(header_[0]); }
  DbfFamily family() const { return family_; }
  std::uint8_t language_driver_id() const { return static_cast<std::uint8_t>(header_[29]); }
  // The driver name of a level 7 header (up to its first zero byte); empty for other families.
  std::string_view language_driver_name() const { return driver_name_; }
  std::uint32_t header_length() const { return header_length_; }
  std::uint32_t record_length() const { return record_length_; }
  // What the header says, and how many whole records the file really holds (never more than the
  // header says).
  std::uint32_t header_record_count() const { return header_record_count_; }
  std::uint32_t record_count() const { return record_count_; }

  const std::vector<DbfField>& fields() const { return fields_; }
  // The _NullFlags field, or nullptr.
  const DbfField* null_flags() const {
    return null_flags_index_ < 0 ? nullptr : &fields_[null_flags_index_];
  }
  bool HasMemoFields() const;
  // Where this family keeps its memo values: ".dbt" or ".fpt", and the layout of that file.
  std::string_view memo_extension() const;
  MemoFormat memo_format() const;

  // The bytes of record `number` (1 to record_count()), the deletion flag first, valid until the
  // next call. Empty when there is no such record, or when the file has been cut short since it was
  // opened and the record is no longer there whole. Reading in record order, forwards or
  // backwards, is cheapest.
  std::string_view Record(std::uint32_t number);

 private:
  DbfFile(std::string label, std::unique_ptr<internal::ByteSource> source);
  void ReadHeader();
  void Parse();
  bool TerminatorAfterDescriptors(std::size_t start, std::size_t size) const;
  std::size_t ParseFieldDescriptors();
  void CheckFieldLengths();
  void AssignNullBits();
  [[noreturn]] void Fail(const std::string& cause) const;

  std::string label_;
  std::unique_ptr<internal::ByteSource> source_;
  std::unique_ptr<internal::ReadWindow> records_;
  std::uint64_t file_size_ = 0;
  // The start of the file, which holds the whole header (its length is a 16-bit number).
  std::string header_;
  DbfFamily family_ = DbfFamily::kDbase;
  std::string driver_name_;
  std::uint32_t header_length_ = 0;
  std::uint32_t record_length_ = 0;
  std::uint32_t header_record_count_ = 0;
  std::uint32_t record_count_ = 0;
  std::vector<DbfField> fields_;
  int null_flags_index_ = -1;
};

}  // namespace shelvex::exporting
