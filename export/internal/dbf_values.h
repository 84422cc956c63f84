#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace shelvex::exporting::internal {

// Decoders of the values that dBase and FoxPro store in a record. Each returns nullopt for a value
// that is blank (or, for text forms, not readable as its type): the engine reports such a value as
// null.

inline constexpr double kMillisecondsPerDay = 86'400'000.0;

// The class-6 day count of a date: day 1 is 1 January of year 1 in the proleptic Gregorian
// calendar.
std::int64_t DayCount(int year, int month, int day);

// Numeric and float text, right- or left-aligned in blanks ("  -12.50"). Parsed exactly
// (std::from_chars), never through the C locale.
std::optional<double> ParseNumber(std::string_view text);
// "YYYYMMDD" to its day count.
std::optional<std::int32_t> ParseDate(std::string_view text);
// T, t, Y, y are true; F, f, N, n false; "?", a blank and anything else are no value.
std::optional<bool> ParseLogical(char c);

// A memo field: ten digits (dBase, FoxPro 2) or a little-endian 32-bit number (Visual FoxPro). 0
// when blank or zero (no value); nullopt when the field is neither.
std::optional<std::uint32_t> ParseMemoBlock(std::string_view field);

// dBase 7 binary forms, big-endian and transformed so that their bytes sort like their values. A
// field of zero bytes has never been written and holds no value.
std::optional<std::int32_t> DecodeLong7(std::string_view four_bytes);
std::optional<double> DecodeDouble7(std::string_view eight_bytes);

// Visual FoxPro binary forms (little-endian).
std::int32_t DecodeInt32(std::string_view four_bytes);
std::int64_t DecodeInt64(std::string_view eight_bytes);
std::optional<double> DecodeDouble(std::string_view eight_bytes);
// Julian day number and milliseconds since midnight, to class-8 milliseconds.
std::optional<double> DecodeDateTime(std::string_view eight_bytes);

}  // namespace shelvex::exporting::internal
