#include "service/upload_window.h"

#include <gtest/gtest.h>

#include "platform/date_time.h"

namespace shelvex::service {
namespace {

using platform::EncodeDate;
using platform::EncodeTime;
using platform::TDateTime;

constexpr std::uint8_t kMonday = 1u << 1;
constexpr std::uint8_t kEveryDay = 127;

// 14 December 2026 is a Monday.
TDateTime Monday(int hour, int minute, int second, int millisecond = 0) {
  return EncodeDate(2026, 12, 14) + EncodeTime(hour, minute, second, millisecond);
}
TDateTime Sunday(int hour, int minute, int second, int millisecond = 0) {
  return EncodeDate(2026, 12, 13) + EncodeTime(hour, minute, second, millisecond);
}

TEST(UploadWindow, IsTheMinuteBeforeTheHourOfAChosenDay) {
  struct Case {
    const char* label;
    TDateTime now;
    std::uint8_t days;
    TDateTime upload_time;
    TDateTime last_upload;
    bool due;
  };
  const TDateTime two_pm = EncodeTime(14, 0, 0);
  const TDateTime today = EncodeDate(2026, 12, 14);
  const Case cases[] = {
      {"Monday 13:59:30, Mondays", Monday(13, 59, 30), kMonday, two_pm, 0, true},
      {"Sunday 13:59:30, Mondays", Sunday(13, 59, 30), kMonday, two_pm, 0, false},
      {"every day", Sunday(13, 59, 30), kEveryDay, two_pm, 0, true},
      {"no day chosen", Monday(13, 59, 30), 0, two_pm, 0, false},
      {"exactly at the hour", Monday(14, 0, 0), kMonday, two_pm, 0, true},
      {"exactly a minute before", Monday(13, 59, 0), kMonday, two_pm, 0, false},
      {"a millisecond into the window", Monday(13, 59, 0, 1), kMonday, two_pm, 0, true},
      {"a millisecond after the hour", Monday(14, 0, 0, 1), kMonday, two_pm, 0, false},
      {"14:45 means hour 14", Monday(13, 59, 30), kMonday, EncodeTime(14, 45, 0), 0, true},
      {"not the minute before 14:45", Monday(14, 44, 30), kMonday, EncodeTime(14, 45, 0), 0, false},
      {"the upload time's date is ignored", Monday(13, 59, 30), kMonday, today + two_pm, 0, true},
      {"LastUpload today", Monday(13, 59, 30), kMonday, two_pm, today, true},
      {"LastUpload yesterday", Monday(13, 59, 30), kMonday, two_pm, today - 1, true},
      {"LastUpload tomorrow", Monday(13, 59, 30), kMonday, two_pm, today + 1, false},
      {"hour 0 at midnight", Monday(0, 0, 0), kMonday, 0, 0, true},
      {"hour 0 late in its first minute", Monday(0, 0, 59, 999), kMonday, 0, 0, true},
      {"hour 0 after its first minute", Monday(0, 1, 0), kMonday, 0, 0, false},
      {"hour 0 not before midnight", Sunday(23, 59, 30), kEveryDay, 0, 0, false},
      {"hour 0 on a day not chosen", Sunday(0, 0, 30), kMonday, 0, 0, false},
      {"hour 23", Monday(22, 59, 59), kMonday, EncodeTime(23, 0, 0), 0, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsUploadDueAt(c.now, c.days, c.upload_time, c.last_upload), c.due) << c.label;
  }
}

TEST(UploadWindow, DateOfKeepsTheDayOfTheRoundedTime) {
  EXPECT_EQ(DateOf(Monday(13, 59, 30)), EncodeDate(2026, 12, 14));
  // Half a millisecond before midnight rounds to 00:00:00.000 of the next day.
  EXPECT_EQ(DateOf(EncodeDate(2026, 12, 15) - 0.5 / 86'400'000.0), EncodeDate(2026, 12, 15));
}

}  // namespace
}  // namespace shelvex::service
