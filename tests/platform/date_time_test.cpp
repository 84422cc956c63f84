#include "platform/date_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

namespace shelvex::platform {
namespace {

TEST(DateTime, EncodesDaysSince30December1899) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
  EXPECT_EQ(EncodeDate(2024, 2, 29), 45351.0);
  EXPECT_EQ(EncodeTime(12, 0, 0), 0.5);
  EXPECT_EQ(DaysFromCivil(1, 1, 1), 1);
  EXPECT_EQ(DaysFromCivil(1899, 12, 30), 693594);
}

TEST(DateTime, CivilDaysRoundTripAcrossLeapYears) {
  for (int days = DaysFromCivil(1899, 1, 1); days < DaysFromCivil(2101, 1, 1); days += 17) {
    int year = 0, month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    ASSERT_EQ(DaysFromCivil(year, month, day), days) << year << "-" << month << "-" << day;
  }
  int year = 0, month = 0, day = 0;
  CivilFromDays(DaysFromCivil(2000, 2, 29) + 1, year, month, day);
  EXPECT_EQ(month * 100 + day, 301);
}

TEST(DateTime, DecodeRoundsToTheMillisecond) {
  const CivilDateTime a = DecodeDateTime(EncodeDate(2011, 3, 4) + EncodeTime(23, 59, 59, 999));
  EXPECT_EQ(a.year * 10000 + a.month * 100 + a.day, 20110304);
  EXPECT_EQ(a.hour * 10000 + a.minute * 100 + a.second, 235959);
  EXPECT_EQ(a.millisecond, 999);
  // A value a hair below midnight is midnight of the next day, not 23:59:59.999.
  const CivilDateTime b = DecodeDateTime(EncodeDate(2011, 12, 31) + 0.99999999999);
  EXPECT_EQ(b.year * 10000 + b.month * 100 + b.day, 20120101);
  EXPECT_EQ(b.hour + b.minute + b.second + b.millisecond, 0);
}

struct FormatCase {
  TDateTime value;
  const char* date;
  const char* time;
  const char* date_time;
};

TEST(DateTime, FormatsUnitedStatesTexts) {
  const FormatCase cases[] = {
      {0, "12/30/1899", "12:00:00 AM", "12/30/1899"},
      {EncodeDate(2011, 7, 4) + EncodeTime(0, 0, 1), "7/4/2011", "12:00:01 AM",
       "7/4/2011 12:00:01 AM"},
      {EncodeDate(2011, 12, 25) + EncodeTime(12, 0, 0), "12/25/2011", "12:00:00 PM",
       "12/25/2011 12:00:00 PM"},
      {EncodeDate(1999, 1, 9) + EncodeTime(13, 5, 9, 700), "1/9/1999", "1:05:09 PM",
       "1/9/1999 1:05:09 PM"},
      {EncodeTime(23, 59, 59), "12/30/1899", "11:59:59 PM", "12/30/1899 11:59:59 PM"},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(FormatShortDate(c.value), c.date);
    EXPECT_EQ(FormatLongTime(c.value), c.time);
    EXPECT_EQ(FormatDateTime(c.value), c.date_time);
  }
}

struct ParseCase {
  const char* text;
  std::optional<TDateTime> expected;
};

void ExpectParses(std::optional<TDateTime> (*parse)(std::string_view), const ParseCase& c) {
  const std::optional<TDateTime> got = parse(c.text);
  ASSERT_EQ(got.has_value(), c.expected.has_value()) << '"' << c.text << '"';
  if (got) {
    EXPECT_NEAR(*got, *c.expected, 1e-9) << '"' << c.text << '"';
  }
}

TEST(DateTime, ParsesTimes) {
  const ParseCase cases[] = {
      {"12:00:00 AM", 0.0},
      {"12:00:00 PM", 0.5},
      {"1:05:09 pm", EncodeTime(13, 5, 9)},
      {"  3:04 AM ", EncodeTime(3, 4, 0)},
      {"11:59:59PM", EncodeTime(23, 59, 59)},
      {"0:00", 0.0},
      {"23:15:30", EncodeTime(23, 15, 30)},
      {"08:30:00.25", EncodeTime(8, 30, 0, 250)},
      {"", std::nullopt},
      {"noon", std::nullopt},
      {"24:00:00", std::nullopt},
      {"13:00 PM", std::nullopt},
      {"0:30 AM", std::nullopt},
      {"12:60", std::nullopt},
      {"12:30:61", std::nullopt},
      {"12", std::nullopt},
      {"12:30 XM", std::nullopt},
      {"12:30:00 AM extra", std::nullopt},
      {"123:00", std::nullopt},
  };
  for (const ParseCase& c : cases) ExpectParses(ParseTime, c);
}

TEST(DateTime, ParsesDates) {
  const ParseCase cases[] = {
      {"12/30/1899", 0.0},
      {"7/4/2011", EncodeDate(2011, 7, 4)},
      {" 02/29/2024 ", EncodeDate(2024, 2, 29)},
      {"1/2/49", EncodeDate(2049, 1, 2)},
      {"1/2/50", EncodeDate(1950, 1, 2)},
      {"2011-07-04", EncodeDate(2011, 7, 4)},
      {"", std::nullopt},
      {"2/30/2011", std::nullopt},
      {"2/29/2023", std::nullopt},
      {"13/1/2011", std::nullopt},
      {"0/1/2011", std::nullopt},
      {"1/1/211", std::nullopt},
      {"2011-13-01", std::nullopt},
      {"2011/07/04", std::nullopt},
      {"7/4/2011 10:00", std::nullopt},
      {"yesterday", std::nullopt},
  };
  for (const ParseCase& c : cases) ExpectParses(ParseDate, c);
}

TEST(DateTime, WrittenTextsReadBack) {
  for (TDateTime time = 0; time < 1; time += 1.0 / 1440 * 7) {
    const TDateTime whole_seconds = std::round(time * 86400) / 86400;
    ExpectParses(ParseTime, {FormatLongTime(whole_seconds).c_str(), whole_seconds});
  }
  for (TDateTime date = 2; date < 80000; date += 997)
    ExpectParses(ParseDate, {FormatShortDate(date).c_str(), date});
}

TEST(DateTime, LocalTimePointUsesTheLocalCalendar) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const CivilDateTime got =
      DecodeDateTime(FromLocalTimePoint(std::chrono::system_clock::from_time_t(now)));
  EXPECT_EQ(got.year, local.tm_year + 1900);
  EXPECT_EQ(got.month, local.tm_mon + 1);
  EXPECT_EQ(got.day, local.tm_mday);
  EXPECT_EQ(got.hour * 3600 + got.minute * 60 + got.second,
            local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);
}

}  // namespace
}  // namespace shelvex::platform
