#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace shelvex::platform {

// Date-time values as the original system keeps them: days since 30 December 1899 as a double, the
// fraction being the time of day. Only dates from 1 January 1900 on occur here; negative values are
// not handled specially.
using TDateTime = double;

struct CivilDateTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond = 0);
// Rounds to the nearest millisecond.
CivilDateTime DecodeDateTime(TDateTime value);

// Days since 1 January of year 1 (that day being 1) of a civil date, and back; for formats that
// count that way.
int DaysFromCivil(int year, int month, int day);
void CivilFromDays(int days, int& year, int& month, int& day);

// The current local date and time.
TDateTime NowLocal();
TDateTime FromLocalTimePoint(std::chrono::system_clock::time_point when);

// The United States Windows formats, which the Linux build uses for the locale's formats:
// short date "M/d/yyyy", long time "h:mm:ss AM" / "h:mm:ss PM", general date-time = short date, a
// blank and the long time, the time left out when it is exactly midnight.
std::string FormatShortDate(TDateTime value);
std::string FormatLongTime(TDateTime value);
std::string FormatDateTime(TDateTime value);

// Parsers of those texts. ParseDate accepts "M/d/yyyy" (a two-digit year counts from 1950 to 2049)
// and ISO "yyyy-mm-dd"; ParseTime accepts "h:mm[:ss[.zzz]]" in 12-hour form with "AM"/"PM" (any
// case) or in 24-hour form. Surrounding blanks are allowed. Anything else, or an impossible date or
// time, gives nullopt.
std::optional<TDateTime> ParseDate(std::string_view text);
std::optional<TDateTime> ParseTime(std::string_view text);

}  // namespace shelvex::platform
