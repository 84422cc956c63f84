#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace shelvex::exporting {

// Index option bits, as the data access layer reports them for each index of a table.
inline constexpr std::uint32_t kIndexPrimary = 1;
inline constexpr std::uint32_t kIndexUnique = 2;
inline constexpr std::uint32_t kIndexDescending = 4;
inline constexpr std::uint32_t kIndexCaseInsensitive = 8;
inline constexpr std::uint32_t kIndexExpression = 16;
inline constexpr std::uint32_t kIndexNotMaintained = 32;

// Flags added to a column position in a key array of a data packet (per key column, from
// `case_insensitive` and `descending_columns`; for a one-column key also from the whole index).
inline constexpr std::uint32_t kKeyCaseInsensitive = 0x4000;
inline constexpr std::uint32_t kKeyDescending = 0x8000;

// One tag of a table's production index, described the way the export uses it for "DEFAULT_ORDER",
// "PRIMARY_KEY" and "UNIQUE_KEY".
//
// A key made of columns (a field, fields joined with "+", UPPER(field)) has `key_columns` filled;
// any other key, and every filtered tag, is an expression index (`is_expression`) with no key
// columns: it can stand for no list of columns and so enters none of the key attributes.
struct IndexDescription {
  std::string name;        // the tag name as stored in the index file
  std::string expression;  // the key expression text as stored, blanks around it removed
  std::string filter;      // the FOR condition of a filtered tag; empty when the tag has none

  std::vector<int> key_columns;        // 1-based positions in the caller's column list
  std::vector<bool> case_insensitive;  // per key column: compared through UPPER()
  // Per key column: sorted descending. A descending tag sorts every one of its key columns so.
  std::vector<bool> descending_columns;

  bool primary = false;  // dBase and FoxPro indexes never mark a primary key
  bool unique = false;   // unique tags and FoxPro candidate tags
  bool descending = false;
  bool case_insensitive_all = false;  // every key column is compared without regard to case
  bool is_expression = false;
  bool maintained = true;  // a production index is kept up to date by its writer

  // The column names of the key joined with ";", or the expression text of an expression index.
  std::string key_fields;

  // The index option bits above.
  std::uint32_t Options() const;
};

}  // namespace shelvex::exporting
