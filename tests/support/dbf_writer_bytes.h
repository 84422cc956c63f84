#pragma once

#include <cstdint>

// Byte order helpers shared by the two halves of the table writer.
namespace shelvex::testing::dbf_bytes {

inline void PutLe(char* at, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline void PutBe(char* at, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    at[i] = static_cast<char>((value >> (8 * (bytes - 1 - i))) & 0xFF);
}

}  // namespace shelvex::testing::dbf_bytes
