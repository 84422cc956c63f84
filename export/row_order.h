#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace shelvex::platform {
class CodePage;
class TextCollator;
}  // namespace shelvex::platform

namespace shelvex::exporting {

// The values of one "DEFAULT_ORDER" field, one per row in the order the table reader delivered
// them. Each value is null, a 64-bit integer, a double or ANSI text; a column holds one kind
// besides nulls. Strings are compared by the locale-aware collation (platform::TextCollator),
// ignoring case when the key element carries kKeyCaseInsensitive; their collation keys are computed
// once, as they are added.
//
// Booleans, dates and times go in as integers, decimals as doubles.
class SortKeyColumn final {
 public:
  // `key_element` is the field's "DEFAULT_ORDER" element: its kKeyDescending and
  // kKeyCaseInsensitive flags apply. Strings are read in `ansi`, by default the system's ANSI code
  // page.
  explicit SortKeyColumn(std::uint32_t key_element);
  SortKeyColumn(std::uint32_t key_element, const platform::CodePage& ansi);
  ~SortKeyColumn();
  SortKeyColumn(SortKeyColumn&&) noexcept;
  SortKeyColumn& operator=(SortKeyColumn&&) noexcept;

  void Reserve(std::size_t rows);
  void AddNull();
  void AddInteger(std::int64_t value);
  void AddFloat(double value);
  void AddString(std::string_view ansi);

  std::size_t size() const { return nulls_.size(); }
  bool descending() const { return descending_; }

  // Negative, zero or positive as row `a` sorts before, with or after row `b` in ascending order; a
  // null sorts before every value, a NaN after every number.
  int Compare(std::size_t a, std::size_t b) const;

 private:
  enum class Kind : std::uint8_t { kUnset, kInteger, kFloat, kString };
  void SetKind(Kind kind, const char* call);

  const platform::CodePage* ansi_;
  bool descending_;
  bool ignore_case_;
  Kind kind_ = Kind::kUnset;
  std::vector<std::uint8_t> nulls_;
  std::vector<std::int64_t> integers_;
  std::vector<double> floats_;
  std::string keys_;                     // the collation keys of all strings, one after another
  std::vector<std::uint64_t> key_ends_;  // where each row's key ends in keys_
  std::unique_ptr<platform::TextCollator> collator_;
};

// The order in which to write `row_count` rows: their 0-based delivery indexes sorted by the key
// columns, the first column first, each ascending or descending (which puts nulls last); rows with
// equal keys keep their delivery order. Throws Error when a column does not hold `row_count`
// values.
std::vector<std::uint32_t> SortedRowOrder(std::size_t row_count,
                                          std::span<const SortKeyColumn> keys);

}  // namespace shelvex::exporting
