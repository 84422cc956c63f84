#include "tools/hosting-server/internal/text_escape.h"

namespace shelvex::host::internal {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendHexByte(std::string& out, const char* prefix, unsigned char byte) {
  out += prefix;
  out += kHex[byte >> 4];
  out += kHex[byte & 0x0F];
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsFolderSafe(unsigned char c, bool first) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return c == '-' || c == '_' || (c == '.' && !first);
}

}  // namespace

std::string EscapeValue(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    auto c = static_cast<unsigned char>(ch);
    if (c == '%' || c < 0x20 || c == 0x7F) {
      AppendHexByte(out, "%", c);
    } else {
      out += ch;
    }
  }
  return out;
}

std::optional<std::string> UnescapeValue(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    int high = HexValue(text[i + 1]);
    int low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

std::string FolderNameFor(std::string_view user) {
  std::string out;
  for (std::size_t i = 0; i < user.size(); ++i) {
    auto c = static_cast<unsigned char>(user[i]);
    if (IsFolderSafe(c, i == 0)) {
      out += static_cast<char>(c);
    } else {
      AppendHexByte(out, "%", c);
    }
  }
  return out;
}

std::string Printable(std::string_view bytes, std::size_t max_bytes) {
  std::string out;
  std::size_t shown = bytes.size() > max_bytes ? max_bytes : bytes.size();
  for (std::size_t i = 0; i < shown; ++i) {
    auto c = static_cast<unsigned char>(bytes[i]);
    switch (c) {
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (c < 0x20 || c >= 0x7F) {
          AppendHexByte(out, "\\x", c);
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  if (shown < bytes.size()) out += "...";
  return out;
}

}  // namespace shelvex::host::internal
