#include "tools/hosting-server/internal/wire_text.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>

#include "platform/error.h"

namespace shelvex::host::internal {

namespace {

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates) and holds at least one
// non-ASCII character: only then is there anything to convert.
bool IsNonAsciiUtf8(std::string_view text) {
  bool non_ascii = false;
  for (std::size_t i = 0; i < text.size();) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    non_ascii = true;
    std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    if (length == 0 || c > 0xF4 || i + length > text.size()) return false;
    char32_t code = c & (0x3F >> (length - 1));
    for (std::size_t k = 1; k < length; ++k) {
      auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return non_ascii;
}

class Iconv final {
 public:
  Iconv(const std::string& to, std::string_view option) : handle_(iconv_open(to.c_str(), "UTF-8")) {
    if (handle_ == reinterpret_cast<iconv_t>(-1)) {
      throw Error(std::string(option) + ": the code page \"" + to +
                  "\" is not known to this system");
    }
  }
  ~Iconv() { iconv_close(handle_); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  iconv_t get() const { return handle_; }

 private:
  iconv_t handle_;
};

}  // namespace

std::string WireCodePageName() {
  const char* name = std::getenv("SHELVEX_ANSI_CODEPAGE");
  return name != nullptr && *name != '\0' ? name : "windows-1252";
}

std::string ToWireText(std::string_view text, std::string_view option) {
  if (!IsNonAsciiUtf8(text)) return std::string(text);
  std::string code_page = WireCodePageName();
  Iconv converter(code_page, option);
  std::string input(text);
  std::string output(input.size() * 4 + 16, '\0');
  char* in = input.data();
  std::size_t in_left = input.size();
  char* out = output.data();
  std::size_t out_left = output.size();
  if (iconv(converter.get(), &in, &in_left, &out, &out_left) == static_cast<std::size_t>(-1)) {
    std::size_t at = static_cast<std::size_t>(in - input.data());
    std::size_t length = 1;
    while (at + length < input.size() &&
           (static_cast<unsigned char>(input[at + length]) & 0xC0) == 0x80) {
      ++length;
    }
    throw Error(std::string(option) + ": the character \"" + input.substr(at, length) +
                "\" has no equivalent in the code page " + code_page);
  }
  // Stateful code pages end with a shift sequence; single-byte ones write nothing here.
  if (iconv(converter.get(), nullptr, nullptr, &out, &out_left) == static_cast<std::size_t>(-1)) {
    throw Error(std::string(option) + ": cannot convert the text to the code page " + code_page);
  }
  output.resize(output.size() - out_left);
  return output;
}

}  // namespace shelvex::host::internal
