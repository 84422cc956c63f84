#pragma once

#include "export/dbf_file.h"

namespace shelvex::exporting::internal {

// The kind of a field with type letter `type` in a table of `family`.
DbfFieldKind ClassifyField(DbfFamily family, char type);

// The only lengths a field of `kind` may have: 0 when any length will do, else up to two fixed
// lengths.
struct AllowedLength {
  std::uint32_t first = 0;
  std::uint32_t second = 0;
};
AllowedLength AllowedLengths(DbfFieldKind kind);

}  // namespace shelvex::exporting::internal
