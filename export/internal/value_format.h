#pragma once

#include <cstddef>
#include <cstdint>

#include "export/packet_types.h"

namespace shelvex::exporting::internal {

// The text forms of packet values. Each function writes at `out`, which must have room for the
// stated number of bytes, and returns the end of what it wrote. None of these forms contains a byte
// that needs escaping.

inline constexpr std::size_t kMaxIntegerChars = 20;
inline constexpr std::size_t kMaxFloatChars = 32;
inline constexpr std::size_t kMaxDateChars = 32;  // date, time and date-time forms
inline constexpr std::size_t kMaxDecimalChars = 2 * PackedDecimal::kMaxDigits + 4;
inline constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

// Decimal digits, "-" when negative.
char* FormatInteger(char* out, std::int64_t value);

// What printf's "%.<digits>g" writes for `value` (digits 16 for "r8", 8 for "r4").
char* FormatFloat(char* out, double value, int digits);

// "-" when negative, the digits with leading zeros suppressed, "." before the last `scale` digits
// with a "0" before it when no digit precedes, "0" when no digit was written. Throws Error for a
// nibble above 9.
char* FormatDecimal(char* out, const PackedDecimal& value);

// YYYYMMDD for a day count in which day 1 is 1 January of year 1; the day count 0 gives "00000000".
// The caller checks that the count is not negative.
char* FormatDate(char* out, std::int64_t day_count);

// HH:MM:SSSSS, the last five digits being seconds × 1000 + milliseconds. The caller checks the
// range.
char* FormatTime(char* out, std::int64_t milliseconds);

// The date form, then "T" and the time form unless the time is exactly midnight.
char* FormatDateTime(char* out, std::int64_t day_count, std::int64_t milliseconds);
char* FormatTimeStamp(char* out, const SqlTimeStamp& value);

// Standard Base64 with "=" padding and no line breaks. `out` needs Base64Length(count) bytes.
constexpr std::size_t Base64Length(std::size_t count) { return (count + 2) / 3 * 4; }
char* FormatBase64(char* out, const unsigned char* bytes, std::size_t count);

}  // namespace shelvex::exporting::internal
