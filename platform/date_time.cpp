#include "platform/date_time.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace shelvex::platform {

namespace {

constexpr long long kMillisecondsPerDay = 86'400'000;
// DaysFromCivil(1899, 12, 30): the day that TDateTime counts from.
constexpr int kDateDelta = 693'594;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days since 1 March of year 0 in the proleptic Gregorian calendar (H. Hinnant's algorithm).
long long DaysFromEpochZero(long long year, unsigned month, unsigned day) {
  year -= month <= 2;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const unsigned year_of_era = static_cast<unsigned>(year - era * 400);
  const unsigned day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + static_cast<long long>(day_of_era);
}

// DaysFromEpochZero(1, 1, 1) - 1: shifts that count so that 1 January of year 1 is day 1.
constexpr long long kYearOneShift = 306 - 1;

}  // namespace

int DaysFromCivil(int year, int month, int day) {
  return static_cast<int>(
      DaysFromEpochZero(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
      kYearOneShift);
}

void CivilFromDays(int days, int& year, int& month, int& day) {
  const long long z = static_cast<long long>(days) + kYearOneShift;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned day_of_era = static_cast<unsigned>(z - era * 146097);
  const unsigned year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const unsigned day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const unsigned mp = (5 * day_of_year + 2) / 153;
  day = static_cast<int>(day_of_year - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<long long>(year_of_era) + era * 400 + (month <= 2));
}

TDateTime EncodeDate(int year, int month, int day) {
  return static_cast<TDateTime>(DaysFromCivil(year, month, day) - kDateDelta);
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  const long long ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
  return static_cast<TDateTime>(ms) / static_cast<TDateTime>(kMillisecondsPerDay);
}

CivilDateTime DecodeDateTime(TDateTime value) {
  const long long total = std::llround(value * static_cast<TDateTime>(kMillisecondsPerDay));
  long long days = total / kMillisecondsPerDay;
  long long ms = total % kMillisecondsPerDay;
  if (ms < 0) {
    ms += kMillisecondsPerDay;
    --days;
  }
  CivilDateTime result;
  CivilFromDays(static_cast<int>(days + kDateDelta), result.year, result.month, result.day);
  result.hour = static_cast<int>(ms / 3'600'000);
  result.minute = static_cast<int>(ms / 60'000 % 60);
  result.second = static_cast<int>(ms / 1000 % 60);
  result.millisecond = static_cast<int>(ms % 1000);
  return result;
}

TDateTime FromLocalTimePoint(std::chrono::system_clock::time_point when) {
  const auto since_epoch =
      std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch());
  long long seconds = since_epoch.count() / 1000;
  long long ms = since_epoch.count() % 1000;
  if (ms < 0) {
    ms += 1000;
    --seconds;
  }
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&time, &local);
  return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
         EncodeTime(local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms));
}

TDateTime NowLocal() { return FromLocalTimePoint(std::chrono::system_clock::now()); }

std::string FormatShortDate(TDateTime value) {
  const CivilDateTime civil = DecodeDateTime(value);
  char text[32];
  std::snprintf(text, sizeof text, "%d/%d/%04d", civil.month, civil.day, civil.year);
  return text;
}

std::string FormatLongTime(TDateTime value) {
  const CivilDateTime civil = DecodeDateTime(value);
  const int hour12 = civil.hour % 12 == 0 ? 12 : civil.hour % 12;
  char text[32];
  std::snprintf(text, sizeof text, "%d:%02d:%02d %s", hour12, civil.minute, civil.second,
                civil.hour < 12 ? "AM" : "PM");
  return text;
}

std::string FormatDateTime(TDateTime value) {
  const CivilDateTime civil = DecodeDateTime(value);
  const bool midnight =
      civil.hour == 0 && civil.minute == 0 && civil.second == 0 && civil.millisecond == 0;
  return midnight ? FormatShortDate(value) : FormatShortDate(value) + " " + FormatLongTime(value);
}

namespace {

// A tiny cursor over the text being parsed.
struct Scanner {
  std::string_view text;
  std::size_t at = 0;

  bool AtEnd() const { return at == text.size(); }
  void SkipBlanks() {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  }
  // Reads 1..max_digits decimal digits; false when there is none.
  bool Number(int max_digits, int& value, int& digits) {
    value = 0;
    digits = 0;
    while (at < text.size() && digits < max_digits && text[at] >= '0' && text[at] <= '9') {
      value = value * 10 + (text[at] - '0');
      ++at;
      ++digits;
    }
    return digits > 0 && !(at < text.size() && text[at] >= '0' && text[at] <= '9');
  }
  bool Char(char wanted) {
    if (at < text.size() && text[at] == wanted) {
      ++at;
      return true;
    }
    return false;
  }
  // Matches `word` ignoring ASCII case.
  bool Word(std::string_view word) {
    if (text.size() - at < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
      char c = text[at + i];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      if (c != word[i]) return false;
    }
    at += word.size();
    return true;
  }
};

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

}  // namespace

std::optional<TDateTime> ParseDate(std::string_view text) {
  Scanner scan{text};
  scan.SkipBlanks();
  int first = 0, first_digits = 0, second = 0, second_digits = 0, third = 0, third_digits = 0;
  int year = 0, month = 0, day = 0;
  if (!scan.Number(4, first, first_digits)) return std::nullopt;
  if (first_digits == 4) {
    // ISO yyyy-mm-dd.
    if (!scan.Char('-') || !scan.Number(2, second, second_digits) || !scan.Char('-') ||
        !scan.Number(2, third, third_digits)) {
      return std::nullopt;
    }
    year = first;
    month = second;
    day = third;
  } else {
    if (first_digits > 2 || !scan.Char('/') || !scan.Number(2, second, second_digits) ||
        !scan.Char('/') || !scan.Number(4, third, third_digits) || third_digits == 3) {
      return std::nullopt;
    }
    month = first;
    day = second;
    year = third_digits <= 2 ? (third < 50 ? 2000 + third : 1900 + third) : third;
  }
  scan.SkipBlanks();
  if (!scan.AtEnd() || !IsValidDate(year, month, day)) return std::nullopt;
  return EncodeDate(year, month, day);
}

std::optional<TDateTime> ParseTime(std::string_view text) {
  Scanner scan{text};
  scan.SkipBlanks();
  int hour = 0, minute = 0, second = 0, millisecond = 0, digits = 0;
  if (!scan.Number(2, hour, digits) || !scan.Char(':') || !scan.Number(2, minute, digits))
    return std::nullopt;
  if (scan.Char(':')) {
    if (!scan.Number(2, second, digits)) return std::nullopt;
    if (scan.Char('.')) {
      if (!scan.Number(3, millisecond, digits)) return std::nullopt;
      for (; digits < 3; ++digits) millisecond *= 10;
    }
  }
  scan.SkipBlanks();
  bool twelve_hour = false;
  bool afternoon = false;
  if (scan.Word("AM")) {
    twelve_hour = true;
  } else if (scan.Word("PM")) {
    twelve_hour = afternoon = true;
  }
  scan.SkipBlanks();
  if (!scan.AtEnd() || minute > 59 || second > 59) return std::nullopt;
  if (twelve_hour) {
    if (hour < 1 || hour > 12) return std::nullopt;
    hour = hour % 12 + (afternoon ? 12 : 0);
  } else if (hour > 23) {
    return std::nullopt;
  }
  return EncodeTime(hour, minute, second, millisecond);
}

}  // namespace shelvex::platform
