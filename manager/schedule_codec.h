#pragma once

#include <array>
#include <cstdint>

#include "platform/date_time.h"

namespace shelvex::manager {

// How the schedule options read in the controls of the "Schedule" tab.

// The 24 items of the upload-time box, "1 AM" to "11 AM", "12 PM", "1 PM" to "11 PM", "12 AM":
// item i is the hour i + 1, the last one midnight.
inline constexpr int kHourItemCount = 24;
extern const std::array<const char*, kHourItemCount> kHourItems;

// The item of the hour of `upload_time` (minutes and seconds ignored): h - 1 for h 1..23, 23 for 0.
int HourItemForTime(platform::TDateTime upload_time);
// The time h:00:00 with h = item + 1, 24 becoming 0; no selection (-1) gives midnight too.
platform::TDateTime TimeForHourItem(int item);

// Check box k (1 to 7, Sunday to Saturday) is bit k - 1 of the day set.
std::array<bool, 7> DayChecks(std::uint8_t days);
std::uint8_t DaysFromChecks(const std::array<bool, 7>& checks);

}  // namespace shelvex::manager
