#include "export/internal/category_list.h"

#include <algorithm>
#include <charconv>
#include <numeric>

#include "export/dbf_table.h"
#include "platform/code_page.h"
#include "platform/collation.h"
#include "platform/date_time.h"
#include "platform/error.h"
#include "platform/file_io.h"

namespace shelvex::exporting::internal {

namespace {

// The value as the data access layer's string view of a field gives it.
std::string CategoryText(const FieldDef& field, const FieldValue& value) {
  if (value.is_null) return {};
  switch (field.data_type) {
    case ftString:
    case ftMemo:
      return std::string(value.bytes);
    case ftBoolean:
      return value.integer != 0 ? "True" : "False";
    case ftDate: {
      int year = 0, month = 0, day = 0;
      platform::CivilFromDays(static_cast<int>(value.integer), year, month, day);
      return platform::FormatShortDate(platform::EncodeDate(year, month, day));
    }
    case ftFloat:
    case ftCurrency: {
      char text[32];
      const auto result = std::to_chars(text, text + sizeof text, value.number);
      return std::string(text, result.ptr);
    }
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
      return std::to_string(value.integer);
    default:
      return {};
  }
}

}  // namespace

CategoryCollector::CategoryCollector(const DbfTable& table) : field_(table.FindField("CATEGORY")) {
  if (field_ != nullptr) index_ = static_cast<std::size_t>(field_ - table.fields().data());
}

void CategoryCollector::Add(DbfTable& table) {
  if (field_ == nullptr) return;
  std::string value;
  try {
    value = CategoryText(*field_, table.Value(index_));
  } catch (const Error&) {
    // A value that cannot be read is simply no category.
    value.clear();
  }
  if (!value.empty() && value != " " && seen_.insert(value).second) {
    values_.push_back(std::move(value));
  }
}

std::vector<std::string> CategoryCollector::Categories() const {
  // Sort keys once per distinct value; a stable sort keeps the first of equal entries in front for
  // unique() to keep.
  const platform::TextCollator collator(/*ignore_case=*/true);
  const platform::CodePage& ansi = platform::CodePage::Ansi();
  std::vector<std::string> keys;
  keys.reserve(values_.size());
  for (const std::string& value : values_) keys.push_back(collator.SortKey(ansi.ToUtf16(value)));
  std::vector<std::size_t> order(values_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
  order.erase(std::unique(order.begin(), order.end(),
                          [&](std::size_t a, std::size_t b) { return keys[a] == keys[b]; }),
              order.end());

  std::vector<std::string> categories;
  categories.reserve(order.size());
  for (const std::size_t i : order) categories.push_back(values_[i]);
  return categories;
}

void WriteCategoryFile(const std::vector<std::string>& categories,
                       const std::filesystem::path& category_file) {
  if (categories.empty()) return;
  std::string content;
  for (const std::string& category : categories) {
    content += category;
    content += "\r\n";
  }
  platform::ReplaceFile(category_file, content);
}

}  // namespace shelvex::exporting::internal
