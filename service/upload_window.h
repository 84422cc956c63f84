#pragma once

#include <cstdint>

#include "platform/date_time.h"

namespace shelvex::service {

// When a scheduled upload is due, decided from the values alone (the scheduler adds termination
// and the bookkeeping of LastUpload).
//
// `now` is the local date and time, `upload_days` the week-day set (bit d for day d, 0 Sunday),
// `upload_time` a time of day of which only the hour counts, `last_upload` the date of the last
// scheduled run. Due when today is a chosen day, today is not before `last_upload`, and the time of
// day, to the millisecond, lies in the minute before the hour: for hour 14 later than 13:59:00.000
// and not later than 14:00:00.000. Hour 0 would only have the instant of midnight, so for it the
// window is the first minute of the day instead: from 00:00:00.000 to 00:00:59.999.
bool IsUploadDueAt(platform::TDateTime now, std::uint8_t upload_days,
                   platform::TDateTime upload_time, platform::TDateTime last_upload);

// The hour (0 to 23) of a time of day.
int UploadHour(platform::TDateTime upload_time);

// The date part of `now` (whole days), as LastUpload stores it.
platform::TDateTime DateOf(platform::TDateTime now);

}  // namespace shelvex::service
