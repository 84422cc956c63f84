#include "export/internal/dbf_values.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace shelvex::exporting::internal {

namespace {

// Julian day number of 1 January of year 1, less one: day count = JDN - this.
constexpr std::int64_t kJulianDayOffset = 1'721'425;

std::string_view TrimBlanks(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\0'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool AllZero(std::string_view bytes) {
  for (char c : bytes) {
    if (c != '\0') return false;
  }
  return true;
}

std::uint64_t BigEndian(std::string_view bytes) {
  std::uint64_t value = 0;
  for (char c : bytes) value = (value << 8) | static_cast<unsigned char>(c);
  return value;
}

std::uint64_t LittleEndian(std::string_view bytes) {
  std::uint64_t value = 0;
  for (std::size_t i = bytes.size(); i > 0; --i)
    value = (value << 8) | static_cast<unsigned char>(bytes[i - 1]);
  return value;
}

double BitsToDouble(std::uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Plain "-123.45" forms of at most 15 digits, which is what numeric fields hold: the digits make
// an exact integer and dividing it by an exact power of ten rounds once, so the result is the
// correctly rounded value that from_chars gives too (Clinger's fast path). Anything else is left
// to from_chars.
std::optional<double> ParsePlainDecimal(std::string_view text) {
  static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  const std::size_t point = text.find('.');
  if (point == 0 || point + 1 == text.size()) return std::nullopt;
  std::uint64_t mantissa = 0;
  int digits = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i == point) continue;
    const char c = text[i];
    if (c < '0' || c > '9' || ++digits > 15) return std::nullopt;
    mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
  }
  if (digits == 0) return std::nullopt;
  const std::size_t scale = point == std::string_view::npos ? 0 : text.size() - point - 1;
  const double magnitude = static_cast<double>(mantissa) / kPowersOfTen[scale];
  return negative ? -magnitude : magnitude;
}

}  // namespace

std::int64_t DayCount(int year, int month, int day) {
  // Days from 1 March of year 0, by whole 400-year eras (after H. Hinnant's days_from_civil).
  const std::int64_t y = year - (month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t year_of_era = y - era * 400;
  const std::int64_t day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const std::int64_t day_of_era =
      year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  // 1 January of year 1 is day 306 of era 0 (counting from 1 March of year 0) and must come out
  // as 1.
  return era * 146097 + day_of_era - 305;
}

std::optional<double> ParseNumber(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  if (const auto plain = ParsePlainDecimal(text)) return *plain + 0.0;
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  // Overflow markers ("*****"), stray letters and half numbers are not numbers.
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value + 0.0;  // "-0.00" is zero, not negative zero
}

std::optional<std::int32_t> ParseDate(std::string_view text) {
  if (text.size() != 8) return std::nullopt;
  int digits[8];
  for (int i = 0; i < 8; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    digits[i] = text[i] - '0';
  }
  const int year = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
  const int month = digits[4] * 10 + digits[5];
  const int day = digits[6] * 10 + digits[7];
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return std::nullopt;
  return static_cast<std::int32_t>(DayCount(year, month, day));
}

std::optional<bool> ParseLogical(char c) {
  switch (c) {
    case 'T':
    case 't':
    case 'Y':
    case 'y':
      return true;
    case 'F':
    case 'f':
    case 'N':
    case 'n':
      return false;
    default:
      return std::nullopt;
  }
}

std::optional<std::uint32_t> ParseMemoBlock(std::string_view field) {
  if (field.size() == 4) return static_cast<std::uint32_t>(LittleEndian(field));
  const std::string_view digits = TrimBlanks(field);
  if (digits.empty()) return 0u;
  std::uint32_t block = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), block);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return block;
}

std::optional<std::int32_t> DecodeLong7(std::string_view four_bytes) {
  if (AllZero(four_bytes)) return std::nullopt;
  const auto bits = static_cast<std::uint32_t>(BigEndian(four_bytes)) ^ 0x8000'0000u;
  return static_cast<std::int32_t>(bits);
}

std::optional<double> DecodeDouble7(std::string_view eight_bytes) {
  if (AllZero(eight_bytes)) return std::nullopt;
  std::uint64_t bits = BigEndian(eight_bytes);
  // Positive numbers are stored with the sign bit set, negative ones with every bit inverted.
  bits = (bits & 0x8000'0000'0000'0000u) != 0 ? bits ^ 0x8000'0000'0000'0000u : ~bits;
  const double value = BitsToDouble(bits);
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

std::int32_t DecodeInt32(std::string_view four_bytes) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(LittleEndian(four_bytes)));
}

std::int64_t DecodeInt64(std::string_view eight_bytes) {
  return static_cast<std::int64_t>(LittleEndian(eight_bytes));
}

std::optional<double> DecodeDouble(std::string_view eight_bytes) {
  const double value = BitsToDouble(LittleEndian(eight_bytes));
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<double> DecodeDateTime(std::string_view eight_bytes) {
  const std::int64_t julian_day = DecodeInt32(eight_bytes.substr(0, 4));
  const std::int64_t milliseconds = DecodeInt32(eight_bytes.substr(4, 4));
  const std::int64_t day = julian_day - kJulianDayOffset;
  // An empty date-time is stored as zeros (or blanks); a day before year 1 or a time outside the
  // day is damage.
  if (day < 1 || milliseconds < 0 || milliseconds >= 86'400'000) return std::nullopt;
  return static_cast<double>(day) * kMillisecondsPerDay + static_cast<double>(milliseconds);
}

}  // namespace shelvex::exporting::internal
