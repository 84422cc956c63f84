#include "export/index_key_expression.h"

#include <cstddef>

#include "platform/folder.h"

namespace shelvex::exporting {

namespace {

// Deeper nesting than this is no key a person writes; it ends the recursion on hostile input.
constexpr int kMaxNesting = 16;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsIdentifierStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsIdentifierChar(char c) { return IsIdentifierStart(c) || (c >= '0' && c <= '9'); }

// Recursive descent over the little grammar of column keys:
//   list := term ( "+" term )*
//   term := UPPER "(" list ")" | field-name
// Anything the grammar does not cover makes the key an expression.
class KeyParser {
 public:
  KeyParser(std::string_view text, const std::vector<std::string>& names, std::string_view types)
      : text_(text), names_(names), types_(types) {}

  KeyClassification Parse() {
    KeyClassification result;
    if (!ParseList(false, 0, result)) return {};
    SkipBlanks();
    if (pos_ != text_.size() || result.columns.empty()) return {};
    if (result.columns.size() > 1) {
      // "+" between anything but text is arithmetic, not a concatenation of columns.
      for (int column : result.columns) {
        if (!MayBeText(column)) return {};
      }
    }
    result.is_expression = false;
    return result;
  }

 private:
  bool ParseList(bool upper, int depth, KeyClassification& out) {
    if (depth > kMaxNesting) return false;
    if (!ParseTerm(upper, depth, out)) return false;
    for (;;) {
      SkipBlanks();
      if (pos_ >= text_.size() || text_[pos_] != '+') return true;
      ++pos_;
      if (!ParseTerm(upper, depth, out)) return false;
    }
  }

  bool ParseTerm(bool upper, int depth, KeyClassification& out) {
    SkipBlanks();
    std::string_view name = Identifier();
    if (name.empty()) return false;
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == '(') {
      if (!platform::EqualsIgnoringAsciiCase(name, "UPPER")) return false;
      ++pos_;
      if (!ParseList(true, depth + 1, out)) return false;
      SkipBlanks();
      if (pos_ >= text_.size() || text_[pos_] != ')') return false;
      ++pos_;
      return true;
    }
    const int column = FindColumn(name);
    if (column == 0) return false;
    if (upper && !MayBeText(column)) return false;
    out.columns.push_back(column);
    out.case_insensitive.push_back(upper);
    return true;
  }

  std::string_view Identifier() {
    const std::size_t start = pos_;
    if (pos_ >= text_.size() || !IsIdentifierStart(text_[pos_])) return {};
    while (pos_ < text_.size() && IsIdentifierChar(text_[pos_])) ++pos_;
    return text_.substr(start, pos_ - start);
  }

  void SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  }

  // 1-based position of the first column with this name ignoring case, 0 when there is none.
  int FindColumn(std::string_view name) const {
    for (std::size_t i = 0; i < names_.size(); ++i) {
      if (platform::EqualsIgnoringAsciiCase(names_[i], name)) return static_cast<int>(i) + 1;
    }
    return 0;
  }

  // Without the column's type all that is known is that the writer accepted the key: take it as
  // text.
  bool MayBeText(int column) const {
    const auto index = static_cast<std::size_t>(column - 1);
    if (index >= types_.size()) return true;
    const char type = types_[index];
    return type == 'C' || type == 'c' || type == 'V' || type == 'v';
  }

  std::string_view text_;
  const std::vector<std::string>& names_;
  std::string_view types_;
  std::size_t pos_ = 0;
};

}  // namespace

KeyClassification ClassifyKeyExpression(std::string_view expression,
                                        const std::vector<std::string>& column_names,
                                        std::string_view column_types) {
  return KeyParser(expression, column_names, column_types).Parse();
}

}  // namespace shelvex::exporting
