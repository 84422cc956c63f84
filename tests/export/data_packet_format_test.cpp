// The text forms of packet values, checked against the C library over whole ranges.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "export/internal/value_format.h"

namespace shelvex::exporting::internal {
namespace {

std::string Float(double value, int digits) {
  char text[kMaxFloatChars];
  return std::string(text, FormatFloat(text, value, digits));
}

std::string Printf(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

TEST(PacketValueFormat, FloatsEqualPrintfWithSixteenDigits) {
  std::mt19937_64 random(20110315);
  std::uniform_real_distribution<double> unit(0, 1);
  std::uniform_int_distribution<int> exponent(-8, 18);
  std::vector<double> values = {0.0,
                                -0.0,
                                1e15,
                                1e16,
                                9999999999999998.0,
                                1e-4,
                                9.99999999999999e-5,
                                0.1 + 0.2,
                                123456789012345678.0,
                                std::numeric_limits<double>::max(),
                                std::numeric_limits<double>::min(),
                                std::numeric_limits<double>::denorm_min(),
                                std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity(),
                                std::numeric_limits<double>::quiet_NaN()};
  // Around every power of ten that decides between the two forms and the digit count.
  for (int exponent = -7; exponent <= 17; ++exponent) {
    double power = std::pow(10.0, exponent);
    for (int step = 0; step < 40; ++step) power = std::nextafter(power, 0.0);
    for (int step = 0; step < 80; ++step, power = std::nextafter(power, 1e300))
      values.push_back(power);
  }
  std::uniform_int_distribution<std::int64_t> whole(0, std::int64_t{1} << 53);
  for (int i = 0; i < 100000; ++i) {
    std::uint64_t bits = random();
    double any;
    std::memcpy(&any, &bits, sizeof any);
    values.push_back(any);                                                      // every exponent
    values.push_back((unit(random) - 0.5) * std::pow(10.0, exponent(random)));  // everyday sizes
    values.push_back(std::round(unit(random) * 1e6) / 100);                     // prices
    values.push_back(-static_cast<double>(whole(random) >> (i % 53)));          // whole numbers
    values.push_back(static_cast<double>(whole(random)) /
                     std::pow(10.0, i % 22));  // short decimals
  }
  for (double value : values) {
    ASSERT_EQ(Float(value, 16), Printf("%.16g", value)) << std::hexfloat << value;
    const auto single = static_cast<float>(value);
    ASSERT_EQ(Float(single, 8), Printf("%.8g", single)) << std::hexfloat << single;
  }
}

// Every day from 1 January 1 to 31 December 9999, counted along with a calendar kept by hand.
TEST(PacketValueFormat, DatesMatchTheCalendarForEveryDay) {
  auto is_leap = [](int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
  const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  std::int64_t day_count = 1;
  char text[kMaxDateChars];
  for (int y = 1; y <= 9999; ++y) {
    for (int m = 1; m <= 12; ++m) {
      const int days = kDays[m - 1] + (m == 2 && is_leap(y) ? 1 : 0);
      for (int d = 1; d <= days; ++d, ++day_count) {
        const char expected[] = {
            static_cast<char>('0' + y / 1000),    static_cast<char>('0' + y / 100 % 10),
            static_cast<char>('0' + y / 10 % 10), static_cast<char>('0' + y % 10),
            static_cast<char>('0' + m / 10),      static_cast<char>('0' + m % 10),
            static_cast<char>('0' + d / 10),      static_cast<char>('0' + d % 10)};
        char* end = FormatDate(text, day_count);
        if (end - text != 8 || std::memcmp(text, expected, 8) != 0) {
          FAIL() << "day " << day_count << " gave " << std::string(text, end);
        }
      }
    }
  }
  EXPECT_EQ(day_count - 1, 3652059);
}

TEST(PacketValueFormat, TimesOfTheWholeDay) {
  char text[kMaxDateChars];
  char expected[32];
  for (std::int64_t ms = 0; ms < kMillisecondsPerDay; ms += 997) {
    char* end = FormatTime(text, ms);
    std::snprintf(expected, sizeof expected, "%02d:%02d:%05d", static_cast<int>(ms / 3600000),
                  static_cast<int>(ms / 60000 % 60), static_cast<int>(ms % 60000));
    ASSERT_EQ(std::string(text, end), expected);
  }
}

TEST(PacketValueFormat, IntegersOfEveryLength) {
  char text[kMaxIntegerChars];
  for (std::int64_t value :
       {std::int64_t{0}, std::int64_t{-1}, std::int64_t{1000000},
        std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::min()}) {
    EXPECT_EQ(std::string(text, FormatInteger(text, value)), std::to_string(value));
  }
}

}  // namespace
}  // namespace shelvex::exporting::internal
