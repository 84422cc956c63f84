#include "layout/internal/unicode.h"

#include <cstdint>

namespace shelvex::layout::internal {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

// Decodes the code point that starts at `pos` and advances `pos` past it. An ill-formed sequence
// gives U+FFFD and advances past its maximal well-formed prefix (at least one byte), as Unicode
// recommends.
char32_t DecodeUtf8(std::string_view utf8, std::size_t& pos) {
  auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(utf8[i]); };
  std::uint8_t lead = byte(pos++);
  if (lead < 0x80) return lead;
  int trail_count = 0;
  char32_t code_point = 0;
  std::uint8_t low = 0x80;
  std::uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    trail_count = 1;
    code_point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trail_count = 2;
    code_point = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trail_count = 3;
    code_point = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return kReplacement;
  }
  for (int i = 0; i < trail_count; ++i) {
    if (pos >= utf8.size() || byte(pos) < low || byte(pos) > high) return kReplacement;
    code_point = (code_point << 6) | (byte(pos++) & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  return code_point;
}

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

template <typename UnitAt>
std::string Utf16UnitsToUtf8(std::size_t count, UnitAt unit_at) {
  std::string out;
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    char32_t unit = unit_at(i);
    if (IsHighSurrogate(unit) && i + 1 < count && IsLowSurrogate(unit_at(i + 1))) {
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (unit_at(i + 1) - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

}  // namespace

std::string Utf16LeToUtf8(std::string_view bytes) {
  return Utf16UnitsToUtf8(bytes.size() / 2, [&](std::size_t i) {
    return static_cast<char32_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                 (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8));
  });
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  return Utf16UnitsToUtf8(utf16.size(),
                          [&](std::size_t i) { return static_cast<char32_t>(utf16[i]); });
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    char32_t code_point = DecodeUtf8(utf8, pos);
    if (code_point >= 0x10000) {
      code_point -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (code_point >> 10));
      out += static_cast<char16_t>(0xDC00 + (code_point & 0x3FF));
    } else {
      out += static_cast<char16_t>(code_point);
    }
  }
  return out;
}

// Re-encoding is exact for well-formed input, because the decoder admits no overlong forms.
std::string ValidUtf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) AppendUtf8(out, DecodeUtf8(utf8, pos));
  return out;
}

}  // namespace shelvex::layout::internal
