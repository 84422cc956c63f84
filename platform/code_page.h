#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace shelvex::platform {

// An 8-bit (single- or multi-byte) character set, converted through ICU. The ANSI and OEM code
// pages of the original Windows system are chosen by the environment: SHELVEX_ANSI_CODEPAGE
// (default "windows-1252") and SHELVEX_OEM_CODEPAGE (default "ibm-437"), each an ICU converter
// name.
//
// Thread safety: every method may be called from any thread; conversions through one object are
// serialised.
class CodePage final {
 public:
  // The process-wide ANSI and OEM code pages, opened on first use. Throw Error when the named
  // converter is unknown.
  static const CodePage& Ansi();
  static const CodePage& Oem();

  // Opens the ICU converter `icu_name` ("windows-1250", "ibm-850", ...). Throws Error when ICU does
  // not know it.
  static std::unique_ptr<CodePage> Open(std::string_view icu_name);

  ~CodePage();
  CodePage(const CodePage&) = delete;
  CodePage& operator=(const CodePage&) = delete;

  const std::string& name() const { return name_; }

  // True when every character is one byte.
  bool IsSingleByte() const { return single_byte_; }
  // True when `byte` begins a character of two or more bytes (never for a single-byte code page).
  bool IsLeadByte(unsigned char byte) const { return lead_bytes_[byte]; }

  // Bytes in this code page to UTF-8. Bytes that do not decode become U+FFFD.
  std::string ToUtf8(std::string_view bytes) const;
  // Bytes in this code page to UTF-16.
  std::u16string ToUtf16(std::string_view bytes) const;
  // UTF-8 to this code page; characters it cannot hold become '?', as Windows writes them.
  std::string FromUtf8(std::string_view utf8) const;
  std::string FromUtf16(std::u16string_view utf16) const;

 private:
  struct Converter;
  CodePage(std::string name, std::unique_ptr<Converter> converter);

  std::string name_;
  std::unique_ptr<Converter> converter_;
  mutable std::mutex mutex_;
  bool single_byte_ = true;
  bool lead_bytes_[256] = {};
};

// Converts bytes from one code page to another (a table's character set to the ANSI code page,
// say). Between two single-byte code pages it works through a 256-byte table, so converting
// millions of values stays cheap.
class Recoder final {
 public:
  Recoder(const CodePage& from, const CodePage& to);

  // True when the two code pages map every byte to itself: Recode would change nothing.
  bool IsIdentity() const { return identity_; }
  // True when Recode would leave `bytes` as they are: always under an identity, and between two
  // single-byte code pages for text of nothing but bytes that both map alike (plain ASCII text
  // between Western code pages, say), so that a caller can skip copying the text to convert it.
  bool Keeps(std::string_view bytes) const;
  // Converts `bytes` in place.
  void Recode(std::string& bytes) const;

 private:
  const CodePage& from_;
  const CodePage& to_;
  bool by_table_ = false;
  bool identity_ = false;
  bool printable_kept_ = false;  // the table maps every byte from 0x20 to 0x7E to itself
  bool kept_[256] = {};          // the table maps the byte to itself
  unsigned char table_[256] = {};
};

// Shorthands for the ANSI code page, the code page of every 8-bit text that this system writes to
// disk.
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);

}  // namespace shelvex::platform
