#include "platform/code_page.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/error.h"
#include "platform/internal/unicode_text.h"

namespace shelvex::platform {

struct CodePage::Converter {
  explicit Converter(UConverter* handle) : handle(handle) {}
  ~Converter() { ucnv_close(handle); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  UConverter* handle;
  // For single-byte code pages the whole mapping is cached so that decoding needs neither ICU nor
  // the lock: table readers decode every value of every record.
  struct Utf8Char {
    char bytes[3];  // a character of the basic plane takes at most three bytes
    unsigned char length;
  };
  std::array<char16_t, 256> to_utf16{};
  std::array<Utf8Char, 256> to_utf8{};
  bool ascii_identity = false;
};

namespace {

std::string IcuContext(std::string_view name) { return "code page " + std::string(name); }

// Whether all eight bytes of `word` lie from 0x20 to 0x7E. Any byte of 0x80 or more sets its own
// high bit; below that, adding one sets the high bit of a 0x7F, and subtracting 0x20 that of a
// byte below 0x20 (carries and borrows may flag a neighbour as well, which only costs a closer
// look).
bool AllPrintableAscii(std::uint64_t word) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighBits = 0x8080808080808080u;
  return ((word | (word + kOnes) | ((word - 0x20 * kOnes) & ~word)) & kHighBits) == 0;
}

// Decodes one byte with a stop callback: tells apart a byte that is a character, one that only
// begins a character and one that is not valid at all.
enum class ByteKind { kCharacter, kLead, kInvalid };

ByteKind ClassifyByte(UConverter* converter, unsigned char byte, char16_t& decoded) {
  ucnv_resetToUnicode(converter);
  UErrorCode status = U_ZERO_ERROR;
  UConverterToUCallback previous = nullptr;
  const void* previous_context = nullptr;
  ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_STOP, nullptr, &previous, &previous_context,
                      &status);
  char16_t buffer[4];
  char16_t* target = buffer;
  const char source_byte = static_cast<char>(byte);
  const char* source = &source_byte;
  ucnv_toUnicode(converter, &target, buffer + 4, &source, source + 1, nullptr, true, &status);
  UErrorCode restore_status = U_ZERO_ERROR;
  ucnv_setToUCallBack(converter, previous, previous_context, nullptr, nullptr, &restore_status);
  ucnv_resetToUnicode(converter);
  if (status == U_TRUNCATED_CHAR_FOUND) return ByteKind::kLead;
  if (U_FAILURE(status) || target == buffer) return ByteKind::kInvalid;
  decoded = buffer[0];
  return target - buffer == 1 ? ByteKind::kCharacter : ByteKind::kInvalid;
}

const CodePage& CodePageFromEnvironment(const char* variable, std::string_view fallback) {
  const char* value = std::getenv(variable);
  std::string name =
      value != nullptr && *value != '\0' ? std::string(value) : std::string(fallback);
  try {
    return *CodePage::Open(name).release();
  } catch (const Error& error) {
    throw Error(std::string(variable) + ": " + error.what());
  }
}

}  // namespace

CodePage::CodePage(std::string name, std::unique_ptr<Converter> converter)
    : name_(std::move(name)), converter_(std::move(converter)) {
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setSubstChars(converter_->handle, "?", 1, &status);
  if (U_FAILURE(status)) {
    throw Error(IcuContext(name_) + ": cannot set '?' as the substitute (" + u_errorName(status) +
                ")");
  }
  single_byte_ = ucnv_getMaxCharSize(converter_->handle) == 1;
  bool ascii_identity = true;
  for (int byte = 0; byte < 256; ++byte) {
    char16_t decoded = 0xFFFD;
    const ByteKind kind =
        ClassifyByte(converter_->handle, static_cast<unsigned char>(byte), decoded);
    if (kind == ByteKind::kLead && !single_byte_) lead_bytes_[byte] = true;
    if (kind != ByteKind::kCharacter) decoded = 0xFFFD;
    if (byte < 0x80 && decoded != byte) ascii_identity = false;
    converter_->to_utf16[byte] = decoded;
    const std::string utf8 = internal::Utf16ToUtf8(std::u16string_view(&decoded, 1));
    Converter::Utf8Char& entry = converter_->to_utf8[byte];
    entry.length = static_cast<unsigned char>(utf8.copy(entry.bytes, sizeof entry.bytes));
  }
  converter_->ascii_identity = ascii_identity;
}

CodePage::~CodePage() = default;

std::unique_ptr<CodePage> CodePage::Open(std::string_view icu_name) {
  UErrorCode status = U_ZERO_ERROR;
  const std::string name(icu_name);
  UConverter* handle = ucnv_open(name.c_str(), &status);
  if (U_FAILURE(status) || handle == nullptr) {
    if (handle != nullptr) ucnv_close(handle);
    throw Error(IcuContext(name) + ": no such converter (" + u_errorName(status) + ")");
  }
  auto converter = std::make_unique<Converter>(handle);
  return std::unique_ptr<CodePage>(new CodePage(name, std::move(converter)));
}

const CodePage& CodePage::Ansi() {
  // Never freed: conversions may still run while static objects are being destroyed at exit.
  static const CodePage& ansi = CodePageFromEnvironment("SHELVEX_ANSI_CODEPAGE", "windows-1252");
  return ansi;
}

const CodePage& CodePage::Oem() {
  static const CodePage& oem = CodePageFromEnvironment("SHELVEX_OEM_CODEPAGE", "ibm-437");
  return oem;
}

std::u16string CodePage::ToUtf16(std::string_view bytes) const {
  if (single_byte_) {
    std::u16string result(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      result[i] = converter_->to_utf16[static_cast<unsigned char>(bytes[i])];
    }
    return result;
  }
  if (bytes.empty()) return {};
  // A byte gives at most one UTF-16 unit except for characters beyond the basic plane, which take
  // two bytes or more.
  std::u16string result(bytes.size() + 1, u'\0');
  std::lock_guard lock(mutex_);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_resetToUnicode(converter_->handle);
  int32_t length =
      ucnv_toUChars(converter_->handle, result.data(), static_cast<int32_t>(result.size()),
                    bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    result.assign(static_cast<std::size_t>(length) + 1, u'\0');
    status = U_ZERO_ERROR;
    ucnv_resetToUnicode(converter_->handle);
    length = ucnv_toUChars(converter_->handle, result.data(), static_cast<int32_t>(result.size()),
                           bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  }
  if (U_FAILURE(status)) {
    throw Error(IcuContext(name_) + ": cannot decode text (" + u_errorName(status) + ")");
  }
  result.resize(static_cast<std::size_t>(length));
  return result;
}

std::string CodePage::ToUtf8(std::string_view bytes) const {
  if (single_byte_) {
    if (converter_->ascii_identity && internal::IsAscii(bytes)) return std::string(bytes);
    std::string result(bytes.size() * 3, '\0');
    char* out = result.data();
    for (const char byte : bytes) {
      const Converter::Utf8Char& entry = converter_->to_utf8[static_cast<unsigned char>(byte)];
      for (unsigned char i = 0; i < entry.length; ++i) *out++ = entry.bytes[i];
    }
    result.resize(static_cast<std::size_t>(out - result.data()));
    return result;
  }
  if (converter_->ascii_identity && internal::IsAscii(bytes)) return std::string(bytes);
  return internal::Utf16ToUtf8(ToUtf16(bytes));
}

std::string CodePage::FromUtf16(std::u16string_view utf16) const {
  if (utf16.empty()) return {};
  std::string result(
      utf16.size() * static_cast<std::size_t>(ucnv_getMaxCharSize(converter_->handle)) + 1, '\0');
  std::lock_guard lock(mutex_);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_resetFromUnicode(converter_->handle);
  int32_t length =
      ucnv_fromUChars(converter_->handle, result.data(), static_cast<int32_t>(result.size()),
                      utf16.data(), static_cast<int32_t>(utf16.size()), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    result.assign(static_cast<std::size_t>(length) + 1, '\0');
    status = U_ZERO_ERROR;
    ucnv_resetFromUnicode(converter_->handle);
    length = ucnv_fromUChars(converter_->handle, result.data(), static_cast<int32_t>(result.size()),
                             utf16.data(), static_cast<int32_t>(utf16.size()), &status);
  }
  if (U_FAILURE(status)) {
    throw Error(IcuContext(name_) + ": cannot encode text (" + u_errorName(status) + ")");
  }
  result.resize(static_cast<std::size_t>(length));
  return result;
}

std::string CodePage::FromUtf8(std::string_view utf8) const {
  if (converter_->ascii_identity && internal::IsAscii(utf8)) return std::string(utf8);
  return FromUtf16(internal::Utf8ToUtf16(utf8));
}

Recoder::Recoder(const CodePage& from, const CodePage& to) : from_(from), to_(to) {
  if (!from.IsSingleByte() || !to.IsSingleByte()) return;
  by_table_ = true;
  identity_ = true;
  printable_kept_ = true;
  for (int byte = 0; byte < 256; ++byte) {
    const std::string single(1, static_cast<char>(byte));
    const std::string converted = to.FromUtf16(from.ToUtf16(single));
    table_[byte] = converted.size() == 1 ? static_cast<unsigned char>(converted[0]) : '?';
    kept_[byte] = table_[byte] == byte;
    if (!kept_[byte]) {
      identity_ = false;
      if (byte >= 0x20 && byte < 0x7F) printable_kept_ = false;
    }
  }
}

bool Recoder::Keeps(std::string_view bytes) const {
  if (identity_) return true;
  if (!by_table_) return false;
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  // Most text is printable ASCII, which a Western code page keeps: eight bytes at a time, and byte
  // by byte only where a word holds something else (a line end, an accented letter).
  if (printable_kept_) {
    for (; end - p >= 8; p += 8) {
      std::uint64_t word;
      std::memcpy(&word, p, sizeof word);
      if (AllPrintableAscii(word)) continue;
      for (int i = 0; i < 8; ++i) {
        if (!kept_[static_cast<unsigned char>(p[i])]) return false;
      }
    }
  }
  for (; p < end; ++p) {
    if (!kept_[static_cast<unsigned char>(*p)]) return false;
  }
  return true;
}

void Recoder::Recode(std::string& bytes) const {
  if (Keeps(bytes)) return;
  if (by_table_) {
    for (char& byte : bytes) byte = static_cast<char>(table_[static_cast<unsigned char>(byte)]);
    return;
  }
  bytes = to_.FromUtf16(from_.ToUtf16(bytes));
}

std::string AnsiToUtf8(std::string_view ansi) { return CodePage::Ansi().ToUtf8(ansi); }

std::string Utf8ToAnsi(std::string_view utf8) { return CodePage::Ansi().FromUtf8(utf8); }

}  // namespace shelvex::platform
