#include "export/internal/packet_names.h"

#include <algorithm>

#include "export/packet_types.h"

namespace shelvex::exporting::internal {

std::string_view FieldTypeName(std::uint32_t type_code, bool is_attribute) {
  const std::uint16_t size = SizeOf(type_code);
  if ((type_code & kTypeArray) != 0) {
    if (!is_attribute) return {};
    switch (ClassOf(type_code)) {
      case TypeClass::kInteger:
        return "IntArray";
      case TypeClass::kUnsigned:
        return "UIntArray";
      default:
        return {};
    }
  }
  switch (ClassOf(type_code)) {
    case TypeClass::kInteger:
      switch (size) {
        case 1:
          return "i1";
        case 2:
          return "i2";
        case 4:
          return "i4";
        case 8:
          return "i8";
        default:
          return {};
      }
    case TypeClass::kUnsigned:
      switch (size) {
        case 1:
          return "ui1";
        case 2:
          return "ui2";
        case 4:
          return "ui4";
        default:
          return {};
      }
    case TypeClass::kBoolean:
      return "boolean";
    case TypeClass::kFloat:
      return size == 8 ? "r8" : std::string_view{};
    case TypeClass::kSingle:
      return size == 4 ? "r4" : std::string_view{};
    case TypeClass::kDecimal:
      return "fixed";
    case TypeClass::kFormattedDecimal:
      return "fixedFMT";
    case TypeClass::kDate:
      return "date";
    case TypeClass::kTime:
      return "time";
    case TypeClass::kDateTime:
      return "dateTime";
    case TypeClass::kString:
      return "string";
    case TypeClass::kWideString:
      return "string.uni";
    case TypeClass::kBytes:
      return "bin.hex";
    case TypeClass::kNested:
      return "nested";
    case TypeClass::kTimeStamp:
      return "SQLdateTime";
    case TypeClass::kTimeStampOffset:
      return "SQLdateTimeOffset";
  }
  return {};
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
           return lower(x) == lower(y);
         });
}

bool IsKnownAttributeName(std::string_view name) {
  static constexpr std::string_view kNames[] = {
      "UNIQUE_KEY", "DEFAULT_ORDER", "CHANGE_LOG",   "SERVER_COL", "DATASET_DELTA", "READONLY",
      "SUBTYPE",    "DECIMALS",      "WIDTH",        "LCID",       "AUTOINCVALUE",  "TABLENAME",
      "TYPENAME",   "UPDATEMODE",    "MD_SEMANTICS", "CALCULATED", "DELTA",         "PRIMARY_KEY",
      "MINVALUE",   "MAXVALUE",      "DEFVALUE"};
  return std::any_of(std::begin(kNames), std::end(kNames), [name](std::string_view known) {
    return EqualsIgnoringAsciiCase(name, known);
  });
}

}  // namespace shelvex::exporting::internal
