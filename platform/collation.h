#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace shelvex::platform {

// Locale-aware string comparison, the stand-in for the comparison of the running Windows system.
// The locale is the one of LC_ALL, LC_COLLATE or LANG; "C", "POSIX" or none gives "en_US" (the
// POSIX collation of ICU orders by code point and would not ignore case). Ignoring case keeps
// accents apart: "CAFÉ" equals "café", "cafe" does not.
//
// One object is not safe for two threads at once; make one per thread or per operation.
class TextCollator final {
 public:
  explicit TextCollator(bool ignore_case);
  ~TextCollator();
  TextCollator(const TextCollator&) = delete;
  TextCollator& operator=(const TextCollator&) = delete;

  // Negative, zero or positive, like strcmp.
  int Compare(std::u16string_view a, std::u16string_view b) const;
  int CompareUtf8(std::string_view a, std::string_view b) const;

  // A byte string whose plain byte order (memcmp, shorter first on a tie) is the collation order of
  // the text; equal texts under this collator give equal keys. For sorting many values: compute
  // each key once.
  std::string SortKey(std::u16string_view text) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The locale name that TextCollator uses, for messages and tests.
std::string CollationLocaleName();

}  // namespace shelvex::platform
