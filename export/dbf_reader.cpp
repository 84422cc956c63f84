#include "export/dbf_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "export/internal/dbf_values.h"
#include "platform/error.h"
#include "platform/folder.h"

namespace shelvex::exporting {

namespace {

std::string_view CutAtZero(std::string_view text) {
  const void* zero = std::memchr(text.data(), '\0', text.size());
  return zero == nullptr ? text : text.substr(0, static_cast<const char*>(zero) - text.data());
}

std::string_view TrimTrailingBlanks(std::string_view text) {
  // Wide character fields are mostly padding: eight blanks at a time first.
  constexpr std::uint64_t kEightBlanks = 0x2020202020202020u;
  std::size_t length = text.size();
  for (; length >= 8; length -= 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + length - 8, sizeof word);
    if (word != kEightBlanks) break;
  }
  while (length > 0 && text[length - 1] == ' ') --length;
  return text.substr(0, length);
}

// Damaged bytes quoted in a message stay readable in the activity log.
std::string Printable(std::string_view bytes) {
  std::string text(bytes);
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) c = '?';
  }
  return text;
}

bool BitSet(std::string_view record, const DbfField& flags, int bit) {
  const auto byte =
      static_cast<unsigned char>(record[flags.offset + static_cast<std::size_t>(bit) / 8]);
  return (byte & (1u << (bit % 8))) != 0;
}

}  // namespace

DbfReader::DbfReader(const std::filesystem::path& table_path) : file_(table_path) {
  if (file_.HasMemoFields()) {
    const std::string memo_name = table_path.stem().string() + std::string(file_.memo_extension());
    const auto folder =
        table_path.has_parent_path() ? table_path.parent_path() : std::filesystem::path(".");
    const auto memo_path = platform::FindIgnoringCase(folder, memo_name);
    if (!memo_path) throw Error(file_.label() + ": its memo file " + memo_name + " is missing");
    memo_ = std::make_unique<MemoFile>(*memo_path, file_.memo_format());
  }
  Describe();
}

DbfReader::DbfReader(std::string label, std::string table, std::optional<std::string> memo)
    : file_(label, std::move(table)) {
  if (file_.HasMemoFields()) {
    const std::string memo_label =
        std::filesystem::path(label).stem().string() + std::string(file_.memo_extension());
    if (!memo) throw Error(file_.label() + ": its memo file " + memo_label + " is missing");
    memo_ = std::make_unique<MemoFile>(memo_label, std::move(*memo), file_.memo_format());
  }
  Describe();
}

DbfReader::~DbfReader() = default;

void DbfReader::Describe() {
  columns_ = DescribeColumns(file_);
  validity_ = DescribeValidity(file_, columns_);
  // dBase 7 names its driver in the header; the id byte, when set, says the same in fewer letters.
  if (file_.language_driver_id() != 0) {
    driver_ = FindLanguageDriver(file_.language_driver_id());
  } else if (file_.family() == DbfFamily::kDbase7) {
    driver_ = FindLanguageDriverByName(file_.language_driver_name());
  }
}

bool DbfReader::Next() {
  const std::uint32_t count = file_.record_count();
  std::uint32_t number = current_;
  while (number < count) {
    ++number;
    const std::string_view record = file_.Record(number);
    if (record.empty()) break;  // cut short meanwhile: the records there have been delivered
    if (record[0] != '*') {
      current_ = number;
      record_ = record;
      return true;
    }
  }
  current_ = count + 1;
  record_ = {};
  return false;
}

bool DbfReader::GoTo(std::uint32_t number) {
  const std::string_view record = file_.Record(number);
  if (record.empty() || record[0] == '*') {
    // The reader stays where it was, but the look may have refilled the window that held the
    // current record.
    if (!record_.empty()) record_ = file_.Record(current_);
    return false;
  }
  current_ = number;
  record_ = record;
  return true;
}

void DbfReader::FailRecord(const DbfField& field, const std::string& cause) const {
  throw Error(file_.label() + ": record " + std::to_string(current_) + ", field " + field.name +
              ": " + cause);
}

bool DbfReader::ReadColumn(int column_number, ColumnValue& value, std::string& scratch) {
  if (column_number < 1 || column_number > static_cast<int>(columns_.size())) {
    throw Error(file_.label() + ": there is no column " + std::to_string(column_number));
  }
  if (record_.empty()) throw Error(file_.label() + ": no current record");
  value = ColumnValue{};
  const DbfField& field = file_.fields()[columns_[column_number - 1].field_index];
  const std::string_view record = record_;
  if (field.null_bit >= 0 && BitSet(record, *file_.null_flags(), field.null_bit)) return false;
  const std::string_view raw = record.substr(field.offset, field.length);

  using K = DbfFieldKind;
  switch (field.kind) {
    case K::kCharacter:
      // The padding goes first, so that the search for a zero byte covers only the text (a zero
      // byte never lies in the padding); the text before a zero byte may end in blanks itself.
      value.bytes = TrimTrailingBlanks(CutAtZero(TrimTrailingBlanks(raw)));
      break;
    case K::kVarchar:
    case K::kVarbinary: {
      std::size_t length = raw.size();
      if (field.varlength_bit >= 0 && BitSet(record, *file_.null_flags(), field.varlength_bit) &&
          !raw.empty()) {
        length = std::min<std::size_t>(static_cast<unsigned char>(raw.back()), raw.size() - 1);
      }
      value.bytes = raw.substr(0, length);
      if (field.kind == K::kVarchar) value.bytes = CutAtZero(value.bytes);
      break;
    }
    case K::kNumeric:
    case K::kFloat: {
      const auto number = internal::ParseNumber(raw);
      if (!number) return false;
      value.number = *number;
      break;
    }
    case K::kDate: {
      const auto day = internal::ParseDate(raw);
      if (!day) return false;
      value.integer = *day;
      break;
    }
    case K::kLogical: {
      const auto flag = internal::ParseLogical(raw.empty() ? ' ' : raw[0]);
      if (!flag) return false;
      value.integer = *flag ? 1 : 0;
      break;
    }
    case K::kMemo:
    case K::kBinary:
    case K::kOle:
    case K::kPicture:
      return ReadMemo(field, raw, value, scratch);
    case K::kLong:
    case K::kAutoIncrement: {
      const auto number = internal::DecodeLong7(raw);
      if (!number) return false;
      value.integer = *number;
      break;
    }
    case K::kInteger:
      value.integer = internal::DecodeInt32(raw);
      break;
    case K::kDouble7:
    case K::kTimestamp7: {
      const auto number = internal::DecodeDouble7(raw);
      if (!number || (field.kind == K::kTimestamp7 && *number < internal::kMillisecondsPerDay))
        return false;
      value.number = *number;
      break;
    }
    case K::kCurrency:
      value.number = static_cast<double>(internal::DecodeInt64(raw)) / 10000.0;
      break;
    case K::kDouble: {
      const auto number = internal::DecodeDouble(raw);
      if (!number) return false;
      value.number = *number;
      break;
    }
    case K::kDateTime: {
      const auto stamp = internal::DecodeDateTime(raw);
      if (!stamp) return false;
      value.number = *stamp;
      break;
    }
    case K::kUnknown:
    case K::kNullFlags:
      return false;
  }
  value.is_null = false;
  return true;
}

bool DbfReader::ReadMemo(const DbfField& field, std::string_view raw, ColumnValue& value,
                         std::string& scratch) {
  const auto block = internal::ParseMemoBlock(raw);
  if (!block) FailRecord(field, "the memo block number \"" + Printable(raw) + "\" is not a number");
  if (*block == 0) return false;
  memo_->Read(*block, scratch);
  // A memo of length 0 holds no value.
  if (scratch.empty()) return false;
  value.bytes = scratch;
  value.is_null = false;
  return true;
}

}  // namespace shelvex::exporting
