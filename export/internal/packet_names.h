#pragma once

#include <cstdint>
#include <string_view>

namespace shelvex::exporting::internal {

// The "fieldtype" name of a type code, or an empty view when the packet has no name for its class
// and size (a 10-byte float, an 8-byte unsigned integer, an unknown class). Arrays have names for
// attributes only.
std::string_view FieldTypeName(std::uint32_t type_code, bool is_attribute);

// True for the 21 attribute names that are written as XML attributes rather than PARAM children
// (compared ignoring case).
bool IsKnownAttributeName(std::string_view name);

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace shelvex::exporting::internal
