#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace shelvex::engine {

// The value forms of the options file, read and written as the manager and the service both expect.

// True exactly for the one-letter text "Y".
bool ReadFlag(std::string_view value);
std::string WriteFlag(bool flag);

// A decimal integer, optionally signed, or hexadecimal after "0x"/"0X" (three characters or more)
// or "$"; nullopt for anything else.
std::optional<std::int32_t> ReadInteger(std::string_view value);

// Every day 0-6 whose digit occurs in the value; empty or "*" is every day (127).
std::uint8_t ReadDayList(std::string_view value);
// "*" for every day, else the days in ascending order joined by "," (empty for none).
std::string WriteDayList(std::uint8_t days);

// The data folder from its option value: empty gives home_dir + "data", a value with "/" or "\" is
// a path of its own, anything else a subfolder of home_dir; the result ends in "/".
std::string ReadDataFolder(std::string_view value, const std::string& home_dir);

// `folder` with "/" added when it lacks one; empty stays empty.
std::string WithTrailingSlash(std::string folder);

}  // namespace shelvex::engine
