#include "export/index_description.h"

namespace shelvex::exporting {

std::uint32_t IndexDescription::Options() const {
  std::uint32_t options = 0;
  if (primary) options |= kIndexPrimary;
  if (unique) options |= kIndexUnique;
  if (descending) options |= kIndexDescending;
  if (case_insensitive_all) options |= kIndexCaseInsensitive;
  if (is_expression) options |= kIndexExpression;
  if (!maintained) options |= kIndexNotMaintained;
  return options;
}

}  // namespace shelvex::exporting
