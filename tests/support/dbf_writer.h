#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shelvex::testing {

// Writes dBase and FoxPro tables with their memo files, for tests, the demo and the benchmarks. It
// knows the formats from their published descriptions and shares no code with the reader, so that a
// misreading on one side is not repeated on the other. Records are streamed to disk: a million rows
// take about a second.

enum class DbfFlavor {
  kDbase3,        // 03 / 83, dBase III .dbt
  kDbase4,        // 03 / 8B, dBase IV .dbt with block headers
  kDbase7,        // 04 / 8C, level 7 header and 48-byte descriptors, dBase IV style .dbt
  kFoxPro2,       // 03 / F5, .fpt
  kVisualFoxPro,  // 30 (31 with autoincrement, 32 with V or Q fields), .fpt, _NullFlags, backlink
};

struct DbfFieldSpec {
  std::string name;  // bytes as stored
  char type = 'C';
  int length = -1;  // -1: the type's usual length (D 8, L 1, memo 10 or 4, I 4, O/@/T/Y/B 8); C and
                    // N need one
  int decimals = 0;
  std::uint8_t flags = 0;  // Visual FoxPro: 0x02 null allowed, 0x04 binary, 0x0C autoincrement
  bool required = false;   // dBase 7 "required" property
};

struct DbfWriterOptions {
  std::uint8_t language_driver = 0;
  std::string driver_name;              // level 7 header, e.g. "DBWINUS0"
  std::uint32_t memo_block_size = 0;    // 0: 512 for .dbt, 64 for .fpt
  std::optional<std::uint8_t> version;  // to write an unusual version byte
};

class DbfWriter final {
 public:
  // Creates `table_path` (and, when a field needs one, the memo file beside it with the extension
  // in the case of the table's extension). Throws std::runtime_error when a file cannot be written.
  DbfWriter(std::filesystem::path table_path, DbfFlavor flavor, std::vector<DbfFieldSpec> fields,
            DbfWriterOptions options = {});
  ~DbfWriter();
  DbfWriter(const DbfWriter&) = delete;
  DbfWriter& operator=(const DbfWriter&) = delete;

  // Values of the record being built (fields by 0-based position). A field left unset stays blank;
  // binary fields stay zero.
  DbfWriter& Text(
      int field,
      std::string_view text);  // C, V, Q as stored (C padded with blanks); N, F right-aligned
  DbfWriter& Number(int field, double value);  // N, F (with the field's decimals), O, B (VFP), Y
  DbfWriter& Integer(int field, std::int64_t value);  // I, +
  DbfWriter& Date(int field, int year, int month, int day);
  DbfWriter& DateTime(int field, int year, int month, int day, int hour, int minute, int second,
                      int millisecond);
  DbfWriter& Logical(int field, bool value);
  DbfWriter& Memo(int field,
                  std::string_view bytes);  // M, B, G, P, W: the value goes to the memo file
  DbfWriter& Null(int field);               // Visual FoxPro null flag
  DbfWriter& Raw(int field,
                 std::string_view bytes);  // the field's bytes exactly (damage, odd writers)
  // Appends the record (marked "*" when deleted) and starts a blank one.
  void EndRecord(bool deleted = false);
  // Writes the record count into the header and the end-of-file byte, and closes the files. Called
  // by the destructor when not called before.
  void Finish();

  const std::filesystem::path& memo_path() const { return memo_path_; }
  std::uint32_t record_length() const { return record_length_; }
  std::uint32_t header_length() const { return static_cast<std::uint32_t>(header_.size()); }

 private:
  struct Field {
    DbfFieldSpec definition;
    std::uint32_t offset = 0;
    int null_bit = -1;
    int varlength_bit = -1;
  };
  void Layout();
  void BuildHeader();
  void ClearRecord();
  char* At(int field);
  void SetNullFlag(int bit);
  std::uint32_t AppendMemo(const Field& field, std::string_view bytes);

  std::filesystem::path table_path_;
  std::filesystem::path memo_path_;
  DbfFlavor flavor_;
  DbfWriterOptions options_;
  std::vector<Field> fields_;
  int null_flags_field_ = -1;
  std::uint32_t record_length_ = 1;
  std::string header_;
  std::string record_;
  std::uint32_t records_ = 0;
  std::FILE* table_ = nullptr;
  std::FILE* memo_ = nullptr;
  std::uint32_t memo_block_size_ = 512;
  std::uint32_t next_memo_block_ = 1;
};

// Overwrites `bytes` at `offset` of an existing file (to damage tables on purpose).
void PatchFile(const std::filesystem::path& path, std::uint64_t offset, std::string_view bytes);

}  // namespace shelvex::testing
