#include "export/internal/dbf_text_converter.h"

#include "platform/code_page.h"

namespace shelvex::exporting::internal {

using platform::CodePage;

DbfTextConverter::DbfTextConverter(const std::optional<LanguageDriver>& driver) {
  const CodePage& ansi = CodePage::Ansi();
  if (driver && driver->built_in) {
    const auto page = BuiltInCodePage(driver->code_page);
    built_in_.assign(page.begin(), page.end());
    if (ansi.IsSingleByte() && built_in_.size() == 256) {
      for (int byte = 0; byte < 256; ++byte) {
        const std::string out = ansi.FromUtf16(std::u16string_view(&built_in_[byte], 1));
        table_[byte] = out.size() == 1 ? static_cast<unsigned char>(out[0]) : '?';
      }
      by_table_ = true;
    }
    return;
  }
  const CodePage* from = &CodePage::Oem();
  if (driver) {
    if (driver->icu_name.empty()) {
      from = &ansi;
    } else {
      table_page_ = CodePage::Open(driver->icu_name);
      from = table_page_.get();
    }
  }
  recoder_ = std::make_unique<platform::Recoder>(*from, ansi);
  identity_ = recoder_->IsIdentity();
}

DbfTextConverter::~DbfTextConverter() = default;

bool DbfTextConverter::Keeps(std::string_view bytes) const {
  return identity_ || bytes.empty() || (recoder_ && recoder_->Keeps(bytes));
}

void DbfTextConverter::ToAnsi(std::string& bytes) const {
  if (identity_ || bytes.empty()) return;
  if (recoder_) {
    recoder_->Recode(bytes);
  } else if (by_table_) {
    for (char& c : bytes) c = static_cast<char>(table_[static_cast<unsigned char>(c)]);
  } else {
    std::u16string unicode;
    unicode.reserve(bytes.size());
    for (char c : bytes)
      unicode.push_back(built_in_.empty() ? u'?' : built_in_[static_cast<unsigned char>(c)]);
    bytes = CodePage::Ansi().FromUtf16(unicode);
  }
}

std::string DbfTextConverter::ToAnsiUtf8(std::string_view bytes) const {
  std::string ansi(bytes);
  ToAnsi(ansi);
  return CodePage::Ansi().ToUtf8(ansi);
}

}  // namespace shelvex::exporting::internal
