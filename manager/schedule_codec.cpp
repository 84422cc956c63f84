#include "manager/schedule_codec.h"

namespace shelvex::manager {

const std::array<const char*, kHourItemCount> kHourItems = {
    "1 AM", "2 AM",  "3 AM",  "4 AM",  "5 AM", "6 AM",  "7 AM",  "8 AM",
    "9 AM", "10 AM", "11 AM", "12 PM", "1 PM", "2 PM",  "3 PM",  "4 PM",
    "5 PM", "6 PM",  "7 PM",  "8 PM",  "9 PM", "10 PM", "11 PM", "12 AM"};

int HourItemForTime(platform::TDateTime upload_time) {
  const int hour = platform::DecodeDateTime(upload_time).hour;
  return hour == 0 ? kHourItemCount - 1 : hour - 1;
}

platform::TDateTime TimeForHourItem(int item) {
  int hour = item + 1;
  if (hour == 24) hour = 0;
  // An index outside the list (none chosen, or typed text) counts as midnight as well.
  if (hour < 0 || hour > 23) hour = 0;
  return platform::EncodeTime(hour, 0, 0);
}

std::array<bool, 7> DayChecks(std::uint8_t days) {
  std::array<bool, 7> checks{};
  for (int day = 0; day < 7; ++day) checks[day] = (days >> day) & 1;
  return checks;
}

std::uint8_t DaysFromChecks(const std::array<bool, 7>& checks) {
  std::uint8_t days = 0;
  for (int day = 0; day < 7; ++day) {
    if (checks[day]) days = static_cast<std::uint8_t>(days | (1 << day));
  }
  return days;
}

}  // namespace shelvex::manager
