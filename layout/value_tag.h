#pragma once

#include <cstdint>

namespace shelvex::layout {

// The one-byte tag that starts every value of a definition file. Only these tags occur in
// definition files; any other byte where a tag is expected makes the data unreadable.
enum class ValueTag : std::uint8_t {
  vaNull = 0,         // ends a list
  vaList = 1,         // begins a list
  vaInt8 = 2,         // 1 byte, signed
  vaInt16 = 3,        // 2 bytes, signed, little-endian
  vaInt32 = 4,        // 4 bytes, signed, little-endian
  vaString = 6,       // 1-byte length, then that many ANSI bytes
  vaLString = 12,     // 4-byte little-endian length, then that many ANSI bytes
  vaWString = 18,     // 4-byte little-endian count of UTF-16 code units, then UTF-16LE
  vaUTF8String = 20,  // 4-byte little-endian length, then that many bytes of UTF-8
};

}  // namespace shelvex::layout
