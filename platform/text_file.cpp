#include "platform/text_file.h"

#include "platform/code_page.h"
#include "platform/file_io.h"
#include "platform/internal/unicode_text.h"

namespace shelvex::platform {

namespace {

std::u16string DecodeUtf16(std::string_view bytes, bool big_endian) {
  std::u16string text;
  text.reserve(bytes.size() / 2 + 1);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    text += static_cast<char16_t>(big_endian ? (first << 8) | second : (second << 8) | first);
  }
  // A lone last byte cannot be a character.
  if (bytes.size() % 2 != 0) text += u'\xFFFD';
  return text;
}

// The whole file as UTF-8, its byte-order mark deciding the encoding.
std::string DecodeText(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return internal::RepairUtf8(bytes.substr(3));
  if (bytes.starts_with("\xFF\xFE"))
    return internal::Utf16ToUtf8(DecodeUtf16(bytes.substr(2), false));
  if (bytes.starts_with("\xFE\xFF"))
    return internal::Utf16ToUtf8(DecodeUtf16(bytes.substr(2), true));
  return AnsiToUtf8(bytes);
}

}  // namespace

std::vector<std::string> DecodeTextLines(std::string_view bytes) {
  const std::string text = DecodeText(bytes);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
  }
  return lines;
}

std::vector<std::string> ReadTextLines(const std::filesystem::path& path) {
  return DecodeTextLines(ReadFileBytes(path));
}

std::string EncodeAnsiLines(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) {
    bytes += Utf8ToAnsi(line);
    bytes += "\r\n";
  }
  return bytes;
}

void WriteAnsiLines(const std::filesystem::path& path, const std::vector<std::string>& lines) {
  ReplaceFile(path, EncodeAnsiLines(lines));
}

}  // namespace shelvex::platform
