#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "export/language_driver.h"

namespace shelvex::platform {
class CodePage;
class Recoder;
}  // namespace shelvex::platform

namespace shelvex::exporting::internal {

// Converts a table's text from its character set to the ANSI code page. A table without a language
// driver is taken to hold OEM text. Single-byte pages go through a 256-byte table, so converting
// every value stays cheap.
class DbfTextConverter final {
 public:
  explicit DbfTextConverter(const std::optional<LanguageDriver>& driver);
  ~DbfTextConverter();
  DbfTextConverter(const DbfTextConverter&) = delete;
  DbfTextConverter& operator=(const DbfTextConverter&) = delete;

  // True when ToAnsi changes nothing (the table is already in the ANSI code page).
  bool IsIdentity() const { return identity_; }
  // True when ToAnsi would leave `bytes` as they are (plain ASCII text, most often), so that the
  // text need not be copied to be converted.
  bool Keeps(std::string_view bytes) const;
  // Converts `bytes` in place; characters that ANSI lacks become '?'.
  void ToAnsi(std::string& bytes) const;
  // The ANSI text of `bytes`, held as UTF-8 (column names).
  std::string ToAnsiUtf8(std::string_view bytes) const;

 private:
  std::unique_ptr<platform::CodePage> table_page_;  // when neither ANSI nor OEM
  std::unique_ptr<platform::Recoder> recoder_;
  // Built-in pages (895, 620): byte -> Unicode; to ANSI by table when ANSI is single-byte.
  std::u16string built_in_;
  bool by_table_ = false;
  unsigned char table_[256] = {};
  bool identity_ = false;
};

}  // namespace shelvex::exporting::internal
