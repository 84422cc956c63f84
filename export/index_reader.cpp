#include "export/index_reader.h"

#include <cstddef>
#include <utility>

#include "export/index_key_expression.h"
#include "export/internal/index_file.h"
#include "export/internal/index_formats.h"
#include "platform/error.h"
#include "platform/folder.h"

namespace shelvex::exporting {

namespace fs = std::filesystem;

namespace {

IndexDescription Describe(const internal::RawIndexTag& tag,
                          const std::vector<std::string>& column_names,
                          std::string_view column_types) {
  IndexDescription description;
  description.name = tag.name;
  description.expression = tag.expression;
  description.filter = tag.filter;
  description.unique = tag.unique;
  description.descending = tag.descending;

  // A filtered tag holds only some rows: it says nothing about the order or uniqueness of all.
  KeyClassification key;
  if (!tag.filtered) key = ClassifyKeyExpression(tag.expression, column_names, column_types);
  // A numeric or date key made with "+" is a sum, not a concatenation of columns.
  if (!key.is_expression && key.columns.size() > 1 && tag.key_type != 0 && tag.key_type != 'C')
    key = {};

  if (key.is_expression) {
    description.is_expression = true;
    description.key_fields = tag.expression;
    return description;
  }
  description.key_columns = std::move(key.columns);
  description.case_insensitive = std::move(key.case_insensitive);
  description.descending_columns.assign(description.key_columns.size(), tag.descending);
  description.case_insensitive_all = true;
  for (std::size_t i = 0; i < description.key_columns.size(); ++i) {
    if (!description.case_insensitive[i]) description.case_insensitive_all = false;
    if (i > 0) description.key_fields += ';';
    description.key_fields +=
        column_names[static_cast<std::size_t>(description.key_columns[i] - 1)];
  }
  return description;
}

}  // namespace

std::optional<fs::path> FindProductionIndex(const fs::path& table_file) {
  const fs::path folder = table_file.has_parent_path() ? table_file.parent_path() : fs::path(".");
  const std::string base = table_file.stem().string();
  if (base.empty()) return std::nullopt;
  for (const char* extension : {".cdx", ".mdx"}) {
    if (auto found = platform::FindIgnoringCase(folder, base + extension)) return found;
  }
  return std::nullopt;
}

std::vector<IndexDescription> ReadIndexFile(const fs::path& index_file,
                                            const std::vector<std::string>& column_names,
                                            std::string_view column_types) {
  const std::string extension = platform::AsciiLower(index_file.extension().string());
  if (extension != ".mdx" && extension != ".cdx") {
    throw Error(index_file.filename().string() + ": is neither an .mdx nor a .cdx index file");
  }
  internal::IndexFile file(index_file);
  const std::vector<internal::RawIndexTag> tags =
      extension == ".mdx" ? internal::ReadMdxTags(file) : internal::ReadCdxTags(file);
  std::vector<IndexDescription> descriptions;
  descriptions.reserve(tags.size());
  for (const internal::RawIndexTag& tag : tags) {
    descriptions.push_back(Describe(tag, column_names, column_types));
  }
  return descriptions;
}

std::vector<IndexDescription> ReadProductionIndex(const fs::path& table_file,
                                                  const std::vector<std::string>& column_names,
                                                  std::string* warning,
                                                  std::string_view column_types) {
  if (warning != nullptr) warning->clear();
  const std::optional<fs::path> index_file = FindProductionIndex(table_file);
  if (!index_file) return {};
  try {
    return ReadIndexFile(*index_file, column_names, column_types);
  } catch (const Error& error) {
    // The index only adds key information to an export; a damaged one is reported and left out.
    if (warning != nullptr) *warning = error.what();
    return {};
  }
}

}  // namespace shelvex::exporting
