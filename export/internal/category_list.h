#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <unordered_set>
#include <vector>

namespace shelvex::exporting {
class DbfTable;
struct FieldDef;
}  // namespace shelvex::exporting

namespace shelvex::exporting::internal {

// The catalogue's categories: the values of its "CATEGORY" field (the name compared without regard
// to case) over all live records, as ANSI text, without the empty and the single-blank values,
// de-duplicated and ordered by the locale-aware comparison that ignores case; of equal entries the
// first one read stays. A value that cannot be read counts as empty. A table without the field
// gives no categories.
//
// The values are gathered record by record while the table is walked in file order anyway (for
// the packet), so that a big catalogue is not read a second time; the list is ordered only when it
// is asked for.
class CategoryCollector final {
 public:
  // Collects from `table`'s "CATEGORY" field, when it has one; the table must outlive the
  // collector.
  explicit CategoryCollector(const DbfTable& table);

  // Takes the value of `table`'s current record. Call it once per live record, in file order.
  void Add(DbfTable& table);

  // The categories, ordered and de-duplicated.
  std::vector<std::string> Categories() const;

 private:
  const FieldDef* field_ = nullptr;
  std::size_t index_ = 0;
  // Each exact text once, in the order first read: a later equal text could never be added.
  std::vector<std::string> values_;
  std::unordered_set<std::string> seen_;
};

// Writes `categories` to `category_file`, each entry followed by CR LF, through a temporary file
// and a rename. Writes nothing when there are no categories.
void WriteCategoryFile(const std::vector<std::string>& categories,
                       const std::filesystem::path& category_file);

}  // namespace shelvex::exporting::internal
