#include "service/fake_clock.h"

#include <chrono>

namespace shelvex::service {

engine::TDataModule2::TClock MakeRunningClock(platform::TDateTime start, double rate) {
  const auto origin = std::chrono::steady_clock::now();
  return [start, rate, origin] {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - origin;
    return start + elapsed.count() * rate / 86'400.0;
  };
}

std::optional<platform::TDateTime> ParseDateTimeText(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::nullopt;
  text.remove_prefix(first);
  const std::size_t blank = text.find(' ');
  const std::optional<platform::TDateTime> date = platform::ParseDate(text.substr(0, blank));
  if (!date) return std::nullopt;
  if (blank == std::string_view::npos ||
      text.find_first_not_of(' ', blank) == std::string_view::npos) {
    return date;
  }
  const std::optional<platform::TDateTime> time = platform::ParseTime(text.substr(blank));
  if (!time) return std::nullopt;
  return *date + *time;
}

}  // namespace shelvex::service
