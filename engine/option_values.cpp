#include "engine/option_values.h"

#include <charconv>

namespace shelvex::engine {

namespace {

constexpr std::uint8_t kEveryDay = 127;

std::optional<std::int32_t> ReadHex(std::string_view digits) {
  // Eight hex digits fill the 32 bits; larger values are rejected rather than cut.
  std::uint32_t value = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
    return std::nullopt;
  return static_cast<std::int32_t>(value);
}

}  // namespace

bool ReadFlag(std::string_view value) { return value == "Y"; }

std::string WriteFlag(bool flag) { return flag ? "Y" : "N"; }

std::optional<std::int32_t> ReadInteger(std::string_view value) {
  if (value.size() >= 3 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X'))
    return ReadHex(value.substr(2));
  if (value.starts_with('$')) return ReadHex(value.substr(1));
  std::string_view digits = value;
  bool negative = false;
  if (digits.starts_with('+') || digits.starts_with('-')) {
    negative = digits[0] == '-';
    digits.remove_prefix(1);
  }
  // from_chars takes no sign of its own beyond '-', and a second sign must not slip through.
  if (digits.empty() || digits[0] < '0' || digits[0] > '9') return std::nullopt;
  std::int64_t magnitude = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  const std::int64_t result = negative ? -magnitude : magnitude;
  if (result < INT32_MIN || result > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(result);
}

std::uint8_t ReadDayList(std::string_view value) {
  if (value.empty() || value == "*") return kEveryDay;
  std::uint8_t days = 0;
  for (const char c : value) {
    if (c >= '0' && c <= '6') days |= static_cast<std::uint8_t>(1u << (c - '0'));
  }
  return days;
}

std::string WriteDayList(std::uint8_t days) {
  if ((days & kEveryDay) == kEveryDay) return "*";
  std::string text;
  for (int day = 0; day <= 6; ++day) {
    if ((days & (1u << day)) == 0) continue;
    if (!text.empty()) text += ',';
    text += static_cast<char>('0' + day);
  }
  return text;
}

std::string WithTrailingSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string ReadDataFolder(std::string_view value, const std::string& home_dir) {
  if (value.empty()) return WithTrailingSlash(home_dir + "data");
  if (value.find_first_of("/\\") != std::string_view::npos)
    return WithTrailingSlash(std::string(value));
  return WithTrailingSlash(home_dir + std::string(value));
}

}  // namespace shelvex::engine
