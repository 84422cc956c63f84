// The table writer's record values: how each kind of field stores its value in the record.

#include <chrono>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "tests/support/dbf_writer.h"
#include "tests/support/dbf_writer_bytes.h"

namespace shelvex::testing {

using dbf_bytes::PutBe;
using dbf_bytes::PutLe;

namespace {

bool IsBinaryType(DbfFlavor flavor, char type) {
  if (flavor == DbfFlavor::kVisualFoxPro)
    return type == 'I' || type == 'Y' || type == 'B' || type == 'T';
  if (flavor == DbfFlavor::kDbase7) return type == 'I' || type == '+' || type == 'O' || type == '@';
  return false;
}

std::uint64_t DoubleBits(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// dBase 7 stores numbers so that their bytes sort like the values: positive ones with the sign bit
// set, negative ones with all bits inverted.
std::uint64_t SortableDouble(double value) {
  const std::uint64_t bits = DoubleBits(value);
  return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

std::int64_t DaysSinceEpoch(int year, int month, int day) {
  using namespace std::chrono;
  const year_month_day date{std::chrono::year{year},
                            std::chrono::month{static_cast<unsigned>(month)},
                            std::chrono::day{static_cast<unsigned>(day)}};
  return sys_days{date}.time_since_epoch().count();
}

}  // namespace

void DbfWriter::ClearRecord() {
  record_.assign(record_length_, ' ');
  for (const Field& f : fields_) {
    if (IsBinaryType(flavor_, f.definition.type) || f.definition.type == '0') {
      std::memset(&record_[f.offset], 0, static_cast<std::size_t>(f.definition.length));
    }
  }
}

char* DbfWriter::At(int field) {
  if (field < 0 || field >= static_cast<int>(fields_.size()))
    throw std::out_of_range("no such field");
  return &record_[fields_[field].offset];
}

void DbfWriter::SetNullFlag(int bit) {
  const Field& flags = fields_.at(null_flags_field_);
  record_[flags.offset + bit / 8] =
      static_cast<char>(record_[flags.offset + bit / 8] | (1 << (bit % 8)));
}

DbfWriter& DbfWriter::Raw(int field, std::string_view bytes) {
  std::memcpy(At(field), bytes.data(),
              std::min<std::size_t>(bytes.size(), fields_[field].definition.length));
  return *this;
}

DbfWriter& DbfWriter::Text(int field, std::string_view text) {
  const Field& f = fields_.at(field);
  const std::size_t length = static_cast<std::size_t>(f.definition.length);
  char* at = At(field);
  text = text.substr(0, length);
  if (f.definition.type == 'N' || f.definition.type == 'F') {
    std::memset(at, ' ', length);
    std::memcpy(at + length - text.size(), text.data(), text.size());
  } else if ((f.definition.type == 'V' || f.definition.type == 'Q') && text.size() < length) {
    std::memset(at, 0, length);
    std::memcpy(at, text.data(), text.size());
    at[length - 1] = static_cast<char>(text.size());
    SetNullFlag(f.varlength_bit);
  } else {
    std::memset(at, ' ', length);
    std::memcpy(at, text.data(), text.size());
  }
  return *this;
}

DbfWriter& DbfWriter::Number(int field, double value) {
  const Field& f = fields_.at(field);
  char* at = At(field);
  switch (f.definition.type) {
    case 'O':
      PutBe(at, SortableDouble(value), 8);
      break;
    case 'B':
      PutLe(at, DoubleBits(value), 8);
      break;
    case 'Y':
      PutLe(at, static_cast<std::uint64_t>(std::llround(value * 10000.0)), 8);
      break;
    default: {
      char text[64];
      const int n = std::snprintf(text, sizeof text, "%.*f", f.definition.decimals, value);
      // dBase shows a number too wide for its field as asterisks.
      if (n > f.definition.length)
        return Text(field, std::string(static_cast<std::size_t>(f.definition.length), '*'));
      return Text(field, std::string_view(text, static_cast<std::size_t>(n)));
    }
  }
  return *this;
}

DbfWriter& DbfWriter::Integer(int field, std::int64_t value) {
  const Field& f = fields_.at(field);
  char* at = At(field);
  if (flavor_ == DbfFlavor::kDbase7 && (f.definition.type == 'I' || f.definition.type == '+')) {
    PutBe(at, static_cast<std::uint32_t>(value) ^ 0x8000'0000u, 4);
  } else if (f.definition.type == 'I') {
    PutLe(at, static_cast<std::uint32_t>(value), 4);
  } else {
    return Text(field, std::to_string(value));
  }
  return *this;
}

DbfWriter& DbfWriter::Date(int field, int year, int month, int day) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", year, month, day);
  return Raw(field, std::string_view(text, 8));
}

DbfWriter& DbfWriter::DateTime(int field, int year, int month, int day, int hour, int minute,
                               int second, int millisecond) {
  const Field& f = fields_.at(field);
  const std::int64_t days = DaysSinceEpoch(year, month, day);
  const std::int64_t time = ((hour * 60 + minute) * 60 + second) * 1000 + millisecond;
  char* at = At(field);
  if (f.definition.type == 'T') {
    PutLe(at, static_cast<std::uint32_t>(days + 2'440'588), 4);  // Julian day number of 1970-01-01
    PutLe(at + 4, static_cast<std::uint32_t>(time), 4);
  } else {
    const std::int64_t day_count = days - DaysSinceEpoch(1, 1, 1) + 1;
    PutBe(at,
          SortableDouble(static_cast<double>(day_count) * 86'400'000.0 + static_cast<double>(time)),
          8);
  }
  return *this;
}

DbfWriter& DbfWriter::Logical(int field, bool value) { return Raw(field, value ? "T" : "F"); }

DbfWriter& DbfWriter::Null(int field) {
  const Field& f = fields_.at(field);
  if (f.null_bit < 0) throw std::logic_error("field " + f.definition.name + " does not allow null");
  SetNullFlag(f.null_bit);
  return *this;
}

DbfWriter& DbfWriter::Memo(int field, std::string_view bytes) {
  const Field& f = fields_.at(field);
  const std::uint32_t block = AppendMemo(f, bytes);
  char* at = At(field);
  if (f.definition.length == 4) {
    PutLe(at, block, 4);
  } else {
    char text[16];
    std::snprintf(text, sizeof text, "%10u", block);
    std::memcpy(at, text, 10);
  }
  return *this;
}

}  // namespace shelvex::testing
