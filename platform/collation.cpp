#include "platform/collation.h"

#include <unicode/ucol.h>

#include <cstdlib>

#include "platform/error.h"
#include "platform/internal/unicode_text.h"

namespace shelvex::platform {

struct TextCollator::Impl {
  explicit Impl(UCollator* handle) : handle(handle) {}
  ~Impl() { ucol_close(handle); }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  UCollator* handle;
};

std::string CollationLocaleName() {
  // POSIX precedence: the first of these that is set and not empty decides.
  std::string locale;
  for (const char* variable : {"LC_ALL", "LC_COLLATE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') {
      locale = value;
      break;
    }
  }
  // "de_DE.UTF-8@euro" names the collation "de_DE"; the code set and modifier say nothing about
  // order.
  locale = locale.substr(0, locale.find_first_of(".@"));
  if (locale.empty() || locale == "C" || locale == "POSIX") return "en_US";
  return locale;
}

TextCollator::TextCollator(bool ignore_case) {
  const std::string locale = CollationLocaleName();
  UErrorCode status = U_ZERO_ERROR;
  UCollator* handle = ucol_open(locale.c_str(), &status);
  if (U_FAILURE(status) || handle == nullptr) {
    if (handle != nullptr) ucol_close(handle);
    throw Error("collation for locale " + locale + ": cannot open (" + u_errorName(status) + ")");
  }
  impl_ = std::make_unique<Impl>(handle);
  // Secondary strength ignores case but keeps accents apart, as a case-insensitive comparison on
  // Windows does.
  ucol_setStrength(handle, ignore_case ? UCOL_SECONDARY : UCOL_TERTIARY);
}

TextCollator::~TextCollator() = default;

int TextCollator::Compare(std::u16string_view a, std::u16string_view b) const {
  const UCollationResult result =
      ucol_strcoll(impl_->handle, a.data(), static_cast<int32_t>(a.size()), b.data(),
                   static_cast<int32_t>(b.size()));
  return static_cast<int>(result);
}

int TextCollator::CompareUtf8(std::string_view a, std::string_view b) const {
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult result =
      ucol_strcollUTF8(impl_->handle, a.data(), static_cast<int32_t>(a.size()), b.data(),
                       static_cast<int32_t>(b.size()), &status);
  if (U_FAILURE(status)) {
    // Ill-formed UTF-8 is the only cause; compare the repaired texts instead.
    return Compare(internal::Utf8ToUtf16(a), internal::Utf8ToUtf16(b));
  }
  return static_cast<int>(result);
}

std::string TextCollator::SortKey(std::u16string_view text) const {
  std::string key(text.size() * 4 + 16, '\0');
  auto fill = [&] {
    return ucol_getSortKey(impl_->handle, text.data(), static_cast<int32_t>(text.size()),
                           reinterpret_cast<uint8_t*>(key.data()),
                           static_cast<int32_t>(key.size()));
  };
  int32_t length = fill();
  if (length > static_cast<int32_t>(key.size())) {
    key.assign(static_cast<std::size_t>(length), '\0');
    length = fill();
  }
  // The key ends in a zero byte; without it plain byte order with "shorter first" still holds.
  if (length > 0)
    key.resize(static_cast<std::size_t>(length) - 1);
  else
    key.clear();
  return key;
}

}  // namespace shelvex::platform
