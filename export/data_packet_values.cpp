// The row half of DataPacketWriter: one call per value, on the hot path of every export.
#include <cmath>
#include <cstring>
#include <string>

#include "export/data_packet_writer.h"
#include "export/internal/packet_names.h"
#include "export/internal/value_format.h"
#include "platform/error.h"

namespace shelvex::exporting {

namespace {

[[noreturn]] void ThrowMisuse(const std::string& what) {
  throw Error("data packet writer: " + what);
}

[[noreturn]] void ThrowValueError(const std::string& column, const std::string& what) {
  throw Error("data packet writer: column \"" + column + "\": " + what);
}

// Text up to this size is escaped straight into the buffer, which then reserves room for the worst
// case.
constexpr std::size_t kDirectTextLimit = 4096;

}  // namespace

void DataPacketWriter::ThrowBadCall(const char* call_name) const {
  if (!row_open_)
    throw Error(std::string("data packet writer: ") + call_name + " without an open row");
  const Column& column = columns_[next_value_];
  const std::string_view type_name = internal::FieldTypeName(column.type_code, false);
  ThrowValueError(column.name, std::string(call_name) + " does not fit a column of type \"" +
                                   std::string(type_name) + "\"");
}

inline const DataPacketWriter::Column* DataPacketWriter::NextColumn(Call call,
                                                                    const char* call_name) {
  if (!row_open_ || (columns_[next_value_].accepts & call) == 0) [[unlikely]] {
    ThrowBadCall(call_name);
  }
  const Column& column = columns_[next_value_];
  return column.skip ? nullptr : &column;
}

inline void DataPacketWriter::EndValue() {
  if (++next_value_ == column_count_) {
    buffer_.Append("/>", 2);
    row_open_ = false;
  }
}

// Reserves room for the column's ` NAME="`, a value of at most `max_value` bytes and the closing
// quote, and returns where the value goes.
inline char* DataPacketWriter::OpenValue(const Column& column, std::size_t max_value) {
  const std::size_t length = column.row_prefix.size();
  char* out = buffer_.Reserve(length + kPaddedPrefix + max_value + 1);
  if (length <= kPaddedPrefix) {
    std::memcpy(out, column.padded_prefix, kPaddedPrefix);
  } else {
    std::memcpy(out, column.row_prefix.data(), length);
  }
  return out + length;
}

inline void DataPacketWriter::CloseValue(char* end) {
  *end++ = '"';
  buffer_.CommitTo(end);
}

void DataPacketWriter::AppendText(const Column& column, std::string_view ansi) {
  if (ansi.size() <= kDirectTextLimit) {
    char* out = OpenValue(
        column, internal::XmlEscaper::kMaxGrowth * ansi.size() + internal::XmlEscaper::kSlack);
    CloseValue(escaper_.Write(out, ansi));
  } else {
    buffer_.Append(column.row_prefix);
    escaper_.Append(buffer_, ansi);
    buffer_.Append('"');
  }
}

void DataPacketWriter::BeginRow(std::uint8_t status) {
  if (row_open_) {
    ThrowMisuse("BeginRow while the row before has " + std::to_string(next_value_) + " of " +
                std::to_string(column_count_) + " values");
  }
  if (stage_ == Stage::kFinished) ThrowMisuse("BeginRow after Finish");
  if (stage_ != Stage::kRows) {
    if (stage_ == Stage::kColumns) RequireAllColumns("BeginRow");
    CloseMetadata();
  }
  buffer_.Append("<ROW", 4);
  if (status != 0) {
    char* out = buffer_.Reserve(32);
    std::memcpy(out, " RowState=\"", 11);
    out = internal::FormatInteger(out + 11, status);
    *out++ = '"';
    buffer_.CommitTo(out);
  }
  next_value_ = 0;
  row_open_ = true;
  if (column_count_ == 0) {
    buffer_.Append("/>", 2);
    row_open_ = false;
  }
}

void DataPacketWriter::PutNull() {
  NextColumn(kCallAny, "PutNull");
  EndValue();
}

void DataPacketWriter::PutInteger(std::int64_t value) {
  if (const Column* column = NextColumn(kCallInteger, "PutInteger")) {
    if (column->size < 8) {
      // Held as a native field of the column's size would hold it: any value of that many bytes,
      // signed or unsigned, read back as the column's own type.
      const int bits = column->size * 8;
      if (value < -(std::int64_t{1} << (bits - 1)) || value > (std::int64_t{1} << bits) - 1) {
        ThrowValueError(column->name, "the value " + std::to_string(value) + " does not fit into " +
                                          std::to_string(column->size) + " bytes");
      }
      const std::uint64_t stored =
          static_cast<std::uint64_t>(value) & ((std::uint64_t{1} << bits) - 1);
      value = column->is_unsigned ? static_cast<std::int64_t>(stored)
                                  : static_cast<std::int64_t>(stored << (64 - bits)) >> (64 - bits);
    }
    char* out = OpenValue(*column, internal::kMaxIntegerChars);
    CloseValue(internal::FormatInteger(out, value));
  }
  EndValue();
}

void DataPacketWriter::PutBoolean(bool value) {
  if (const Column* column = NextColumn(kCallBoolean, "PutBoolean")) {
    char* out = OpenValue(*column, 5);
    std::memcpy(out, value ? "TRUE" : "FALSE", value ? 4 : 5);
    CloseValue(out + (value ? 4 : 5));
  }
  EndValue();
}

void DataPacketWriter::PutFloat(double value) {
  if (const Column* column = NextColumn(kCallFloat, "PutFloat")) {
    const bool single = ClassOf(column->type_code) == TypeClass::kSingle;
    char* out = OpenValue(*column, internal::kMaxFloatChars);
    CloseValue(single ? internal::FormatFloat(out, static_cast<float>(value), 8)
                      : internal::FormatFloat(out, value, 16));
  }
  EndValue();
}

void DataPacketWriter::PutDecimal(const PackedDecimal& value) {
  if (const Column* column = NextColumn(kCallDecimal, "PutDecimal")) {
    if (value.precision > PackedDecimal::kMaxDigits) {
      ThrowValueError(column->name,
                      "a packed decimal of " + std::to_string(value.precision) + " digits");
    }
    char* out = OpenValue(*column, internal::kMaxDecimalChars);
    try {
      CloseValue(internal::FormatDecimal(out, value));
    } catch (const Error& error) {
      ThrowValueError(column->name, error.what());
    }
  }
  EndValue();
}

void DataPacketWriter::PutDate(std::int32_t day_count) {
  if (const Column* column = NextColumn(kCallDate, "PutDate")) {
    if (day_count < 0) {
      ThrowValueError(column->name, "the day count " + std::to_string(day_count) +
                                        " lies before 1 January of year 1");
    }
    char* out = OpenValue(*column, internal::kMaxDateChars);
    CloseValue(internal::FormatDate(out, day_count));
  }
  EndValue();
}

void DataPacketWriter::PutTime(std::int32_t milliseconds) {
  if (const Column* column = NextColumn(kCallTime, "PutTime")) {
    if (milliseconds < 0 || milliseconds >= internal::kMillisecondsPerDay) {
      ThrowValueError(column->name,
                      "the time " + std::to_string(milliseconds) + " ms lies outside a day");
    }
    char* out = OpenValue(*column, internal::kMaxDateChars);
    CloseValue(internal::FormatTime(out, milliseconds));
  }
  EndValue();
}

void DataPacketWriter::PutDateTime(double milliseconds) {
  if (const Column* column = NextColumn(kCallDateTime, "PutDateTime")) {
    // Beyond 2^53 a double no longer holds whole milliseconds, and such dates lie far past year
    // 9999.
    if (!(milliseconds >= 0 && milliseconds < 9007199254740992.0)) {
      ThrowValueError(column->name,
                      "the date-time " + std::to_string(milliseconds) + " ms is not a valid time");
    }
    // Rounded to whole milliseconds first, so that a value computed through a day fraction a hair
    // below a full millisecond still shows it.
    const std::int64_t total = std::llround(milliseconds);
    char* out = OpenValue(*column, internal::kMaxDateChars);
    CloseValue(internal::FormatDateTime(out, total / internal::kMillisecondsPerDay,
                                        total % internal::kMillisecondsPerDay));
  }
  EndValue();
}

void DataPacketWriter::PutTimeStamp(const SqlTimeStamp& value) {
  if (const Column* column = NextColumn(kCallTimeStamp, "PutTimeStamp")) {
    char* out = OpenValue(*column, internal::kMaxDateChars);
    CloseValue(internal::FormatTimeStamp(out, value));
  }
  EndValue();
}

void DataPacketWriter::PutText(std::string_view ansi) {
  if (const Column* column = NextColumn(kCallText, "PutText")) AppendText(*column, ansi);
  EndValue();
}

void DataPacketWriter::PutWideText(std::u16string_view text) {
  if (const Column* column = NextColumn(kCallWideText, "PutWideText")) {
    buffer_.Append(column->row_prefix);
    escaper_.AppendWide(buffer_, text);
    buffer_.Append('"');
  }
  EndValue();
}

void DataPacketWriter::PutBytes(std::string_view bytes) {
  if (const Column* column = NextColumn(kCallBytes, "PutBytes")) {
    if (column->bytes_as_text) {
      AppendText(*column, bytes);
    } else {
      char* out = OpenValue(*column, internal::Base64Length(bytes.size()));
      CloseValue(internal::FormatBase64(out, reinterpret_cast<const unsigned char*>(bytes.data()),
                                        bytes.size()));
    }
  }
  EndValue();
}

}  // namespace shelvex::exporting
