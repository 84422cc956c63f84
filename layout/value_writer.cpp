#include "layout/value_writer.h"

#include <algorithm>
#include <limits>

#include "layout/internal/unicode.h"
#include "platform/error.h"

namespace shelvex::layout {

namespace {

constexpr std::size_t kShortStringLimit = 255;

void CheckLength(std::size_t length) {
  if (length > std::numeric_limits<std::uint32_t>::max()) {
    throw Error("definition value: a string of " + std::to_string(length) +
                " units is too long to store");
  }
}

}  // namespace

ValueWriter::ValueWriter(std::streambuf& sink) : sink_(sink) {}

void ValueWriter::WriteBytes(std::string_view bytes) {
  auto put = sink_.sputn(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (put != static_cast<std::streamsize>(bytes.size())) {
    throw IoError("definition value: the output refused " + std::to_string(bytes.size()) +
                  " bytes");
  }
}

void ValueWriter::WriteUint32(std::uint32_t value) {
  char bytes[4];
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  WriteBytes(std::string_view(bytes, 4));
}

void ValueWriter::WriteValue(ValueTag tag) {
  char byte = static_cast<char>(tag);
  WriteBytes(std::string_view(&byte, 1));
}

void ValueWriter::WriteInteger(std::int32_t value) {
  auto as_unsigned = static_cast<std::uint32_t>(value);
  if (value >= -128 && value <= 127) {
    WriteValue(ValueTag::vaInt8);
    char byte = static_cast<char>(as_unsigned & 0xFF);
    WriteBytes(std::string_view(&byte, 1));
  } else if (value >= -32768 && value <= 32767) {
    WriteValue(ValueTag::vaInt16);
    char bytes[2] = {static_cast<char>(as_unsigned & 0xFF),
                     static_cast<char>((as_unsigned >> 8) & 0xFF)};
    WriteBytes(std::string_view(bytes, 2));
  } else {
    WriteValue(ValueTag::vaInt32);
    WriteUint32(as_unsigned);
  }
}

void ValueWriter::WriteString(std::string_view utf8) {
  std::u16string utf16 = internal::Utf8ToUtf16(utf8);
  std::string narrow = internal::Utf16ToUtf8(utf16);
  if (narrow.size() < 2 * utf16.size()) {
    CheckLength(narrow.size());
    bool plain_ascii = std::none_of(narrow.begin(), narrow.end(),
                                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (!plain_ascii) {
      WriteValue(ValueTag::vaUTF8String);
      WriteUint32(static_cast<std::uint32_t>(narrow.size()));
    } else if (narrow.size() > kShortStringLimit) {
      WriteValue(ValueTag::vaLString);
      WriteUint32(static_cast<std::uint32_t>(narrow.size()));
    } else {
      WriteValue(ValueTag::vaString);
      char length = static_cast<char>(narrow.size());
      WriteBytes(std::string_view(&length, 1));
    }
    WriteBytes(narrow);
    return;
  }
  CheckLength(utf16.size());
  WriteValue(ValueTag::vaWString);
  WriteUint32(static_cast<std::uint32_t>(utf16.size()));
  std::string bytes;
  bytes.reserve(2 * utf16.size());
  for (char16_t unit : utf16) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  WriteBytes(bytes);
}

}  // namespace shelvex::layout
