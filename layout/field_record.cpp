#include "layout/field_record.h"

#include <charconv>
#include <limits>

#include "platform/error.h"

namespace shelvex::layout {

namespace {

// A decimal integer in the 32-bit range with an optional sign and nothing around it.
bool ParseWidth(const std::string& text, std::int32_t& value) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+' && last - first > 1 && first[1] != '-') ++first;
  auto [end, error] = std::from_chars(first, last, value);
  return error == std::errc() && end == last;
}

}  // namespace

TFieldRecord::TFieldRecord(std::uint8_t field_type, std::int32_t index, std::int32_t page_no)
    : PageNo(page_no), FieldType(field_type), FieldIndex(index) {}

std::int64_t TFieldRecord::TotalWidth() const {
  std::int64_t total = 0;
  for (const std::string& width : Widths) {
    std::int32_t value = 0;
    if (!ParseWidth(width, value)) {
      throw Error("field \"" + FieldLabel + "\": column width \"" + width + "\" is not an integer");
    }
    total += value;
  }
  return total;
}

}  // namespace shelvex::layout
