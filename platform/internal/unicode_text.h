#pragma once

#include <string>
#include <string_view>

namespace shelvex::platform::internal {

// True when every byte is below 0x80.
bool IsAscii(std::string_view bytes);

// UTF-8 <-> UTF-16; ill-formed input (a stray byte, a lone surrogate) becomes U+FFFD instead of
// failing.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// The text with every ill-formed UTF-8 sequence replaced by U+FFFD.
std::string RepairUtf8(std::string_view utf8);

}  // namespace shelvex::platform::internal
