#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/index_description.h"

namespace shelvex::exporting {

// The reader of a table's production index: the .mdx file of a dBase IV/5/7 table or the
// structural .cdx file of a FoxPro table, beside the table under the same base name. It reads the
// tag descriptions only (name, key expression, unique, descending and, in a .cdx, the FOR
// condition), never the keys, and classifies each key against the table's columns
// (index_key_expression.h).
//
// `column_names` are the table's columns in the order of the data packet: key positions are 1-based
// positions in this list. `column_types` optionally gives each column's dBase type letter in the
// same order (see ClassifyKeyExpression). Tags come in the order the file keeps them: the tag table
// of an .mdx, the order of creation in a .cdx.

// The production index beside `table_file`: "<base>.cdx", else "<base>.mdx", names compared
// ignoring case. A .cdx wins when both exist, as a table with a .cdx beside it is a FoxPro table.
// nullopt when neither exists. The table header's production-index flag is not consulted: an
// index file that is there is read whatever the flag says, and a missing one is simply no index.
std::optional<std::filesystem::path> FindProductionIndex(const std::filesystem::path& table_file);

// The tags of one index file, its format chosen by its extension (.mdx or .cdx, any case).
// Throws Error ("NAME: cause"; IoError when it cannot be read) when the file is damaged, unreadable
// or of neither kind.
std::vector<IndexDescription> ReadIndexFile(const std::filesystem::path& index_file,
                                            const std::vector<std::string>& column_names,
                                            std::string_view column_types = {});

// The tags of the production index of `table_file`, for an export that must go on whatever the
// index holds: an empty list when there is no index file, and an empty list with `*warning` set to
// "NAME: cause" when the index file is damaged or cannot be read. `*warning` is cleared otherwise;
// `warning` may be null. Never throws for anything the index file holds.
std::vector<IndexDescription> ReadProductionIndex(const std::filesystem::path& table_file,
                                                  const std::vector<std::string>& column_names,
                                                  std::string* warning,
                                                  std::string_view column_types = {});

}  // namespace shelvex::exporting
