#include "platform/internal/unicode_text.h"

#include <unicode/ustring.h>

#include "platform/error.h"

namespace shelvex::platform::internal {

namespace {

constexpr UChar32 kReplacement = 0xFFFD;

}  // namespace

bool IsAscii(std::string_view bytes) {
  unsigned char any = 0;
  for (const char byte : bytes) any |= static_cast<unsigned char>(byte);
  return any < 0x80;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  if (utf8.empty()) return {};
  // Every UTF-8 byte gives at most one UTF-16 unit.
  std::u16string result(utf8.size(), u'\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(result.data(), static_cast<int32_t>(result.size()), &length, utf8.data(),
                       static_cast<int32_t>(utf8.size()), kReplacement, nullptr, &status);
  if (U_FAILURE(status))
    throw Error(std::string("UTF-8 text: cannot convert (") + u_errorName(status) + ")");
  result.resize(static_cast<std::size_t>(length));
  return result;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  if (utf16.empty()) return {};
  // Every UTF-16 unit gives at most three UTF-8 bytes.
  std::string result(utf16.size() * 3, '\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(result.data(), static_cast<int32_t>(result.size()), &length, utf16.data(),
                     static_cast<int32_t>(utf16.size()), kReplacement, nullptr, &status);
  if (U_FAILURE(status))
    throw Error(std::string("UTF-16 text: cannot convert (") + u_errorName(status) + ")");
  result.resize(static_cast<std::size_t>(length));
  return result;
}

std::string RepairUtf8(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  return Utf16ToUtf8(Utf8ToUtf16(utf8));
}

}  // namespace shelvex::platform::internal
