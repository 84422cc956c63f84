#include "service/upload_window.h"

namespace shelvex::service {

namespace {

constexpr long long kMillisecondsPerHour = 3'600'000;
constexpr long long kWindowMilliseconds = 60'000;

long long MillisecondOfDay(const platform::CivilDateTime& when) {
  return ((when.hour * 60LL + when.minute) * 60 + when.second) * 1000 + when.millisecond;
}

// 0 Sunday to 6 Saturday; day 0 of the count, 30 December 1899, was a Saturday.
int WeekDay(platform::TDateTime date) {
  const long long days = static_cast<long long>(date);
  return static_cast<int>(((days + 6) % 7 + 7) % 7);
}

}  // namespace

int UploadHour(platform::TDateTime upload_time) {
  return platform::DecodeDateTime(upload_time).hour;
}

platform::TDateTime DateOf(platform::TDateTime now) {
  // Decoded rather than truncated, so that a value a hair below midnight counts as the day that
  // its rounded time of day (00:00:00.000) says.
  const platform::CivilDateTime when = platform::DecodeDateTime(now);
  return platform::EncodeDate(when.year, when.month, when.day);
}

bool IsUploadDueAt(platform::TDateTime now, std::uint8_t upload_days,
                   platform::TDateTime upload_time, platform::TDateTime last_upload) {
  const platform::CivilDateTime when = platform::DecodeDateTime(now);
  const platform::TDateTime today = platform::EncodeDate(when.year, when.month, when.day);
  if ((upload_days & (1u << WeekDay(today))) == 0) return false;

  // Whole milliseconds, so that the edges of the window do not depend on rounding of doubles.
  const long long t = MillisecondOfDay(when);
  const int hour = UploadHour(upload_time);
  if (hour == 0) {
    if (t >= kWindowMilliseconds) return false;
  } else {
    const long long diff = hour * kMillisecondsPerHour - t;
    if (diff < 0 || diff >= kWindowMilliseconds) return false;
  }
  return today >= DateOf(last_upload);
}

}  // namespace shelvex::service
