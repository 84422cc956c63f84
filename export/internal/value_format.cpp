#include "export/internal/value_format.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/error.h"

namespace shelvex::exporting::internal {

namespace {

// Writes `value` with at least `width` digits, zero-padded.
char* FormatPadded(char* out, std::int64_t value, int width) {
  char digits[kMaxIntegerChars];
  char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  for (auto length = end - digits; length < width; ++length) *out++ = '0';
  for (const char* p = digits; p < end; ++p) *out++ = *p;
  return out;
}

// Two digits for the common case; wider values (an hour count of 100, say) are written in full.
char* FormatTwoDigits(char* out, std::int64_t value) {
  if (value >= 0 && value < 100) {
    *out++ = static_cast<char>('0' + value / 10);
    *out++ = static_cast<char>('0' + value % 10);
    return out;
  }
  return FormatPadded(out, value, 2);
}

struct CivilDate {
  std::int64_t year;
  unsigned month;
  unsigned day;
};

// Proleptic Gregorian calendar from a count of days since 1 March of year 0 shifted to 1970-01-01
// (H. Hinnant's civil_from_days), exact for every 64-bit count we accept.
CivilDate CivilFromUnixDays(std::int64_t days) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto day_of_era = static_cast<unsigned>(days - era * 146097);
  const unsigned year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const unsigned day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const unsigned month_index = (5 * day_of_year + 2) / 153;
  const unsigned day = day_of_year - (153 * month_index + 2) / 5 + 1;
  const unsigned month = month_index < 10 ? month_index + 3 : month_index - 9;
  return {static_cast<std::int64_t>(year_of_era) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

__extension__ typedef unsigned __int128 Uint128;  // g++ and clang on 64-bit targets

constexpr std::uint64_t kTenTo15 = 1'000'000'000'000'000;
constexpr std::uint64_t kTenTo16 = 10 * kTenTo15;

constexpr std::array<Uint128, 22> kPowersOfTen = [] {
  std::array<Uint128, 22> powers{};
  Uint128 power = 1;
  for (auto& entry : powers) {
    entry = power;
    power *= 10;
  }
  return powers;
}();

// m × 2^k × 10^(15 - e), rounded half to even, exactly; for 0 <= 15 - e <= 21 and -127 < k < 64.
std::uint64_t ScaledDigits(std::uint64_t m, int k, int e) {
  const Uint128 scaled = Uint128{m} * kPowersOfTen[static_cast<std::size_t>(15 - e)];
  if (k >= 0) return static_cast<std::uint64_t>(scaled << k);
  const int shift = -k;
  const Uint128 quotient = scaled >> shift;
  const Uint128 remainder = scaled - (quotient << shift);
  const Uint128 half = Uint128{1} << (shift - 1);
  const bool up = remainder > half || (remainder == half && (quotient & 1) != 0);
  return static_cast<std::uint64_t>(quotient) + (up ? 1 : 0);
}

// "%.16g" for zero and for the values that it writes without an exponent (1e-4 to below 1e16 in
// magnitude): the exact binary value rounded to 16 significant digits in 128-bit integers, several
// times faster than the general conversion. Returns nullptr for every other value.
char* FormatSixteenDigitsFast(char* out, double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const bool negative = (bits >> 63) != 0;
  const int biased_exponent = static_cast<int>((bits >> 52) & 0x7FF);
  if ((bits << 1) == 0) {
    if (negative) *out++ = '-';
    *out++ = '0';
    return out;
  }
  const double magnitude = negative ? -value : value;
  if (biased_exponent == 0 || biased_exponent == 0x7FF || magnitude < 1e-5 || magnitude >= 1e16) {
    return nullptr;
  }
  const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const int k = biased_exponent - 1075;
  // floor(log10(2^(k + 52))): the decimal exponent or one below it.
  int e = ((k + 52) * 78913) >> 18;
  std::uint64_t digits = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (e < -6 || e > 15) return nullptr;
    digits = ScaledDigits(m, k, e);
    if (digits < kTenTo15) {
      --e;
    } else if (digits > kTenTo16) {
      ++e;
    } else {
      break;
    }
  }
  if (digits == kTenTo16) {  // rounding carried into the next power of ten
    digits = kTenTo15;
    ++e;
  }
  if (digits < kTenTo15 || digits >= kTenTo16 || e < -4 || e > 15) return nullptr;

  char text[16];
  std::to_chars(text, text + 16, digits);
  int length = 16;
  while (text[length - 1] == '0') --length;
  if (negative) *out++ = '-';
  if (e >= 0) {
    std::memcpy(out, text, static_cast<std::size_t>(e + 1));
    out += e + 1;
    if (length > e + 1) {
      *out++ = '.';
      std::memcpy(out, text + e + 1, static_cast<std::size_t>(length - e - 1));
      out += length - e - 1;
    }
  } else {
    *out++ = '0';
    *out++ = '.';
    for (int i = -1; i > e; --i) *out++ = '0';
    std::memcpy(out, text, static_cast<std::size_t>(length));
    out += length;
  }
  return out;
}

// Day 1 (1 January of year 1) lies 719,162 days before 1 January 1970.
constexpr std::int64_t kUnixDaysOfDayZero = -719163;

}  // namespace

char* FormatInteger(char* out, std::int64_t value) {
  return std::to_chars(out, out + kMaxIntegerChars, value).ptr;
}

char* FormatFloat(char* out, double value, int digits) {
  if (digits == 16) {
    // Whole numbers (record ids, counts) are written digit for digit; below 10^15 they need no
    // rounding and no exponent. Zero is left to the general path, which keeps the sign of -0.
    if (value != 0 && std::fabs(value) < 1e15) {
      const auto whole = static_cast<std::int64_t>(value);
      if (static_cast<double>(whole) == value) return FormatInteger(out, whole);
    }
    if (char* end = FormatSixteenDigitsFast(out, value)) return end;
  }
  // to_chars with a precision in general form is defined as printf's %.*g in the C locale, and is
  // exact.
  return std::to_chars(out, out + kMaxFloatChars, value, std::chars_format::general, digits).ptr;
}

char* FormatDecimal(char* out, const PackedDecimal& value) {
  const int precision = value.precision;
  const int scale = value.scale();
  const int integer_digits = precision - scale;
  char* const start = out;
  if (value.negative()) *out++ = '-';
  bool written = false;
  if (integer_digits < 0) {
    // More places than digits: the missing leading digits of the fraction are zeros.
    *out++ = '0';
    *out++ = '.';
    for (int i = integer_digits; i < 0; ++i) *out++ = '0';
    written = true;
  }
  for (int i = 0; i < precision; ++i) {
    const int digit = value.Digit(i);
    if (digit > 9) {
      throw Error("packed decimal: digit " + std::to_string(i + 1) + " holds the nibble " +
                  std::to_string(digit));
    }
    if (i == integer_digits) {
      if (!written) *out++ = '0';
      *out++ = '.';
      written = true;
    }
    if (digit == 0 && !written) continue;
    *out++ = static_cast<char>('0' + digit);
    written = true;
  }
  if (!written) {
    out = start;
    *out++ = '0';
  }
  return out;
}

char* FormatDate(char* out, std::int64_t day_count) {
  if (day_count == 0) {
    for (int i = 0; i < 8; ++i) *out++ = '0';
    return out;
  }
  const CivilDate date = CivilFromUnixDays(day_count + kUnixDaysOfDayZero);
  out = FormatPadded(out, date.year, 4);
  out = FormatTwoDigits(out, date.month);
  return FormatTwoDigits(out, date.day);
}

char* FormatTime(char* out, std::int64_t milliseconds) {
  out = FormatTwoDigits(out, milliseconds / 3'600'000);
  *out++ = ':';
  out = FormatTwoDigits(out, milliseconds / 60'000 % 60);
  *out++ = ':';
  return FormatPadded(out, milliseconds % 60'000, 5);
}

char* FormatDateTime(char* out, std::int64_t day_count, std::int64_t milliseconds) {
  out = FormatDate(out, day_count);
  if (milliseconds == 0) return out;
  *out++ = 'T';
  return FormatTime(out, milliseconds);
}

char* FormatTimeStamp(char* out, const SqlTimeStamp& value) {
  out = FormatPadded(out, value.year, 4);
  out = FormatTwoDigits(out, value.month);
  out = FormatTwoDigits(out, value.day);
  if (value.hour == 0 && value.minute == 0 && value.second == 0 && value.fraction == 0) return out;
  *out++ = 'T';
  out = FormatTwoDigits(out, value.hour);
  *out++ = ':';
  out = FormatTwoDigits(out, value.minute);
  *out++ = ':';
  return FormatPadded(out, std::int64_t{value.second} * 1000 + value.fraction, 5);
}

char* FormatBase64(char* out, const unsigned char* bytes, std::size_t count) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::size_t i = 0;
  for (; i + 3 <= count; i += 3) {
    const unsigned triple =
        (unsigned{bytes[i]} << 16) | (unsigned{bytes[i + 1]} << 8) | bytes[i + 2];
    *out++ = kAlphabet[triple >> 18];
    *out++ = kAlphabet[(triple >> 12) & 63];
    *out++ = kAlphabet[(triple >> 6) & 63];
    *out++ = kAlphabet[triple & 63];
  }
  if (i < count) {
    const bool two = i + 1 < count;
    const unsigned triple = (unsigned{bytes[i]} << 16) | (two ? unsigned{bytes[i + 1]} << 8 : 0u);
    *out++ = kAlphabet[triple >> 18];
    *out++ = kAlphabet[(triple >> 12) & 63];
    *out++ = two ? kAlphabet[(triple >> 6) & 63] : '=';
    *out++ = '=';
  }
  return out;
}

}  // namespace shelvex::exporting::internal
