#pragma once

#include <string>
#include <string_view>

namespace shelvex::layout::internal {

// The UTF transformations that definition files need. Each decodes leniently: what does not decode
// becomes U+FFFD, so the result is always valid UTF-8 or UTF-16.

// UTF-16LE bytes to UTF-8; an odd last byte is ignored.
std::string Utf16LeToUtf8(std::string_view bytes);

// UTF-8 to UTF-16 code units.
std::u16string Utf8ToUtf16(std::string_view utf8);

// UTF-16 code units to UTF-8.
std::string Utf16ToUtf8(std::u16string_view utf16);

// `utf8` unchanged when it is valid UTF-8, else with every ill-formed sequence replaced by U+FFFD.
std::string ValidUtf8(std::string_view utf8);

}  // namespace shelvex::layout::internal
