#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace shelvex::exporting {
class DbfTable;
}

namespace shelvex::exporting::internal {

// The catalogue's categories: the values of its "CATEGORY" field (the name compared without regard
// to case) over all live records, as ANSI text, without the empty and the single-blank values,
// de-duplicated and ordered by the locale-aware comparison that ignores case; of equal entries the
// first one read stays. A value that cannot be read counts as empty. A table without the field
// gives no categories.
std::vector<std::string> CollectCategories(DbfTable& table);

// Writes CollectCategories(table) to `category_file`, each entry followed by CR LF, through a
// temporary file and a rename. Writes nothing when there are no categories.
void WriteCategoryFile(DbfTable& table, const std::filesystem::path& category_file);

}  // namespace shelvex::exporting::internal
