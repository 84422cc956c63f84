#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace shelvex::platform {
class CodePage;
}

namespace shelvex::exporting::internal {

// What each special byte becomes, padded to eight bytes so that it is copied in one move; the zero
// byte becomes nothing.
struct EscapeText {
  char text[8] = {};
  std::uint8_t length = 0;
};

constexpr std::array<EscapeText, 128> MakeEscapeTexts() {
  std::array<EscapeText, 128> texts{};
  auto set = [&texts](unsigned char byte, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) texts[byte].text[i] = text[i];
    texts[byte].length = static_cast<std::uint8_t>(text.size());
  };
  set('\t', "&#009;");
  set('\n', "&#010;");
  set('\r', "&#013;");
  set('"', "&quot;");
  set('&', "&amp;");
  set('\'', "&apos;");
  set('<', "&lt;");
  set('>', "&gt;");
  set('\\', "&#092;");
  return texts;
}
inline constexpr std::array<EscapeText, 128> kEscapeTexts = MakeEscapeTexts();
inline constexpr unsigned char kSpecialBytes[] = {'\0', '\t', '\n', '\r', '"',
                                                  '&',  '\'', '<',  '>',  '\\'};

// Escapes attribute values for the packet: TAB, LF, CR and the backslash become numeric references,
// the five XML specials become entities, zero bytes are dropped, and every other byte (controls and
// 8-bit bytes included) is copied. Under a multi-byte ANSI code page a lead byte and its trail byte
// are copied as one unit, so a trail byte that happens to equal "\" or "<" is never touched.
class XmlEscaper final {
 public:
  // The most bytes that escaping one byte writes, plus the slack of the eight-byte copy.
  static constexpr std::size_t kMaxGrowth = 6;
  static constexpr std::size_t kSlack = 8;

  explicit XmlEscaper(const platform::CodePage& ansi);

  // Writes `bytes` escaped at `out`, which has room for kMaxGrowth × bytes.size() + kSlack bytes,
  // and returns the end. The fast path for values of everyday size.
  char* Write(char* out, std::string_view bytes) const;

  // The same through a Sink, which has Append(const char*, std::size_t): for values of any size.
  template <class Sink>
  void Append(Sink& out, std::string_view bytes) const;

  // 16-bit text: characters below 128 as escaped bytes, all others as "&#N;" (a surrogate pair as
  // one character, a lone surrogate as U+FFFD).
  template <class Sink>
  void AppendWide(Sink& out, std::u16string_view text) const;

 private:
  enum ByteClass : std::uint8_t { kPlain, kSpecial, kLead };

  std::uint8_t classes_[256];
};

// Appends to a std::string, for the parts of a packet that are built aside.
struct StringSink {
  std::string& text;
  void Append(const char* bytes, std::size_t count) { text.append(bytes, count); }
};

inline char* XmlEscaper::Write(char* out, std::string_view bytes) const {
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  while (p < end) {
    // Most text has nothing to escape: eight plain bytes are copied in one move, and only a group
    // that holds something else goes byte by byte.
    const char* group_end = end;
    if (end - p >= 8) {
      const auto* u = reinterpret_cast<const unsigned char*>(p);
      const std::uint8_t any = classes_[u[0]] | classes_[u[1]] | classes_[u[2]] | classes_[u[3]] |
                               classes_[u[4]] | classes_[u[5]] | classes_[u[6]] | classes_[u[7]];
      if (any == kPlain) {
        std::memcpy(out, p, 8);
        out += 8;
        p += 8;
        continue;
      }
      group_end = p + 8;
    }
    while (p < group_end) {
      const auto byte = static_cast<unsigned char>(*p);
      const std::uint8_t byte_class = classes_[byte];
      if (byte_class == kPlain) {
        *out++ = static_cast<char>(byte);
        ++p;
      } else if (byte_class == kSpecial) {
        std::memcpy(out, kEscapeTexts[byte].text, 8);
        out += kEscapeTexts[byte].length;
        ++p;
      } else {
        // A zero byte never counts as a trail byte: it would otherwise reach the file.
        *out++ = static_cast<char>(byte);
        if (++p < end && *p != '\0') *out++ = *p++;
      }
    }
  }
  return out;
}

template <class Sink>
void XmlEscaper::Append(Sink& out, std::string_view bytes) const {
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  while (p < end) {
    const char* run = p;
    while (p < end && classes_[static_cast<unsigned char>(*p)] == kPlain) ++p;
    if (p > run) out.Append(run, static_cast<std::size_t>(p - run));
    if (p == end) break;
    const auto byte = static_cast<unsigned char>(*p);
    if (classes_[byte] == kLead) {
      const std::size_t unit = p + 1 < end && p[1] != '\0' ? 2 : 1;
      out.Append(p, unit);
      p += unit;
    } else {
      out.Append(kEscapeTexts[byte].text, kEscapeTexts[byte].length);
      ++p;
    }
  }
}

template <class Sink>
void XmlEscaper::AppendWide(Sink& out, std::u16string_view text) const {
  char reference[16];
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c < 128) {
      if (classes_[c] == kPlain) {
        const char byte = static_cast<char>(c);
        out.Append(&byte, 1);
      } else {
        out.Append(kEscapeTexts[c].text, kEscapeTexts[c].length);
      }
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    char* q = reference + sizeof reference;
    *--q = ';';
    for (char32_t n = c; n != 0; n /= 10) *--q = static_cast<char>('0' + n % 10);
    *--q = '#';
    *--q = '&';
    out.Append(q, static_cast<std::size_t>(reference + sizeof reference - q));
  }
}

}  // namespace shelvex::exporting::internal
