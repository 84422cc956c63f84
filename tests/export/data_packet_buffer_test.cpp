#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "export/internal/growing_buffer.h"
#include "platform/error.h"

namespace shelvex::exporting::internal {
namespace {

// Capacities after each enlargement when bytes trickle in one at a time: alternately at least
// 32,768 bytes more, and as much again as the buffer held (at most 1,024,000 more).
TEST(PacketBuffer, GrowsByTheFixedRule) {
  GrowingBuffer buffer;
  EXPECT_EQ(buffer.capacity(), 32768u);
  std::vector<std::size_t> capacities;
  while (capacities.size() < 16) {
    const std::size_t before = buffer.capacity();
    buffer.Append('x');
    if (buffer.capacity() != before) capacities.push_back(buffer.capacity());
  }
  const std::vector<std::size_t> expected = {65536,   131072,  163840,  327680,  360448,  720896,
                                             753664,  1507328, 1540096, 2564096, 2596864, 3620864,
                                             3653632, 4677632, 4710400, 5734400};
  EXPECT_EQ(capacities, expected);
  EXPECT_EQ(buffer.size(), 5734400u - 1024000 + 1);
}

TEST(PacketBuffer, GrowsAtOnceForALargeAppend) {
  GrowingBuffer buffer;
  const std::string big(5'000'000, 'b');
  buffer.Append("head");
  buffer.Append(big);
  EXPECT_EQ(buffer.size(), 4 + big.size());
  EXPECT_GE(buffer.capacity(), buffer.size());
  EXPECT_EQ(std::memcmp(buffer.data() + 4, big.data(), big.size()), 0);
  PacketBuffer finished = buffer.Release();
  EXPECT_EQ(finished.size(), 4 + big.size());
  EXPECT_EQ(finished.view().substr(0, 5), "headb");
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;  // it ends the program on an allocation it cannot make
#else
constexpr bool kAddressSanitizer = false;
#endif

TEST(PacketBuffer, ReportsMemoryThatCannotBeHad) {
  if (kAddressSanitizer) GTEST_SKIP() << "AddressSanitizer aborts on impossible allocations";
  for (std::size_t count : {std::size_t{1} << 60, std::numeric_limits<std::size_t>::max()}) {
    GrowingBuffer buffer;
    buffer.Append("kept");
    try {
      buffer.Reserve(count);
      FAIL() << "no exception for " << count;
    } catch (const Error& error) {
      EXPECT_STREQ(error.what(), "Insufficient memory for this operation.");
    }
    EXPECT_EQ(std::string(buffer.data(), buffer.size()), "kept");
  }
}

}  // namespace
}  // namespace shelvex::exporting::internal
