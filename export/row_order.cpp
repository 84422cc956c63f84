#include "export/row_order.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>

#include "export/index_description.h"
#include "platform/code_page.h"
#include "platform/collation.h"
#include "platform/error.h"

namespace shelvex::exporting {

SortKeyColumn::SortKeyColumn(std::uint32_t key_element)
    : SortKeyColumn(key_element, platform::CodePage::Ansi()) {}

SortKeyColumn::SortKeyColumn(std::uint32_t key_element, const platform::CodePage& ansi)
    : ansi_(&ansi),
      descending_((key_element & kKeyDescending) != 0),
      ignore_case_((key_element & kKeyCaseInsensitive) != 0) {}

SortKeyColumn::~SortKeyColumn() = default;
SortKeyColumn::SortKeyColumn(SortKeyColumn&&) noexcept = default;
SortKeyColumn& SortKeyColumn::operator=(SortKeyColumn&&) noexcept = default;

void SortKeyColumn::SetKind(Kind kind, const char* call) {
  if (kind_ == kind) return;
  if (kind_ != Kind::kUnset) {
    throw Error(std::string("sort key column: ") + call + " in a column of another kind of values");
  }
  kind_ = kind;
  // Rows that were null so far get their (unused) slot.
  if (kind == Kind::kInteger) integers_.resize(nulls_.size());
  if (kind == Kind::kFloat) floats_.resize(nulls_.size());
  if (kind == Kind::kString) {
    key_ends_.resize(nulls_.size());
    collator_ = std::make_unique<platform::TextCollator>(ignore_case_);
  }
}

void SortKeyColumn::Reserve(std::size_t rows) { nulls_.reserve(rows); }

void SortKeyColumn::AddNull() {
  nulls_.push_back(1);
  switch (kind_) {
    case Kind::kUnset:
      break;
    case Kind::kInteger:
      integers_.push_back(0);
      break;
    case Kind::kFloat:
      floats_.push_back(0);
      break;
    case Kind::kString:
      key_ends_.push_back(keys_.size());
      break;
  }
}

void SortKeyColumn::AddInteger(std::int64_t value) {
  SetKind(Kind::kInteger, "AddInteger");
  nulls_.push_back(0);
  integers_.push_back(value);
}

void SortKeyColumn::AddFloat(double value) {
  SetKind(Kind::kFloat, "AddFloat");
  nulls_.push_back(0);
  floats_.push_back(value);
}

void SortKeyColumn::AddString(std::string_view ansi) {
  SetKind(Kind::kString, "AddString");
  nulls_.push_back(0);
  keys_ += collator_->SortKey(ansi_->ToUtf16(ansi));
  key_ends_.push_back(keys_.size());
}

int SortKeyColumn::Compare(std::size_t a, std::size_t b) const {
  const bool a_null = nulls_[a] != 0;
  const bool b_null = nulls_[b] != 0;
  if (a_null || b_null) return a_null == b_null ? 0 : (a_null ? -1 : 1);
  switch (kind_) {
    case Kind::kInteger:
      return integers_[a] < integers_[b] ? -1 : (integers_[a] > integers_[b] ? 1 : 0);
    case Kind::kFloat: {
      const double x = floats_[a];
      const double y = floats_[b];
      if (std::isnan(x) || std::isnan(y))
        return std::isnan(x) == std::isnan(y) ? 0 : (std::isnan(x) ? 1 : -1);
      return x < y ? -1 : (x > y ? 1 : 0);
    }
    case Kind::kString: {
      const std::uint64_t a_start = a == 0 ? 0 : key_ends_[a - 1];
      const std::uint64_t b_start = b == 0 ? 0 : key_ends_[b - 1];
      const std::size_t a_length = key_ends_[a] - a_start;
      const std::size_t b_length = key_ends_[b] - b_start;
      const int order =
          std::memcmp(keys_.data() + a_start, keys_.data() + b_start, std::min(a_length, b_length));
      if (order != 0) return order;
      return a_length < b_length ? -1 : (a_length > b_length ? 1 : 0);
    }
    case Kind::kUnset:
      break;
  }
  return 0;
}

std::vector<std::uint32_t> SortedRowOrder(std::size_t row_count,
                                          std::span<const SortKeyColumn> keys) {
  if (row_count > std::numeric_limits<std::uint32_t>::max()) {
    throw Error("row order: " + std::to_string(row_count) +
                " rows are more than a packet can number");
  }
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (keys[i].size() != row_count) {
      throw Error("row order: key field " + std::to_string(i + 1) + " holds " +
                  std::to_string(keys[i].size()) + " values for " + std::to_string(row_count) +
                  " rows");
    }
  }
  std::vector<std::uint32_t> order(row_count);
  std::iota(order.begin(), order.end(), std::uint32_t{0});
  if (keys.empty()) return order;
  std::stable_sort(order.begin(), order.end(), [keys](std::uint32_t a, std::uint32_t b) {
    for (const SortKeyColumn& key : keys) {
      const int comparison = key.Compare(a, b);
      if (comparison != 0) return key.descending() ? comparison > 0 : comparison < 0;
    }
    return false;
  });
  return order;
}

}  // namespace shelvex::exporting
