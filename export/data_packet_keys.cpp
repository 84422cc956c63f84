#include "export/data_packet_keys.h"

#include <string_view>

#include "export/internal/packet_names.h"

namespace shelvex::exporting {

namespace {

bool FlagAt(const std::vector<bool>& flags, std::size_t i) { return i < flags.size() && flags[i]; }

PacketAttribute KeyAttribute(const char* name, const std::vector<std::uint32_t>& elements) {
  return {name, kTypeUInt32Array, std::vector<std::int64_t>(elements.begin(), elements.end())};
}

}  // namespace

std::optional<std::vector<std::uint32_t>> PacketKeyArray(
    const IndexDescription& index, std::span<const std::string> column_names) {
  const std::uint32_t options = index.Options();
  if ((options & kIndexExpression) != 0 || index.key_fields.empty()) return std::nullopt;

  std::vector<std::string_view> fields;
  for (std::string_view rest = index.key_fields;;) {
    const std::size_t end = rest.find(';');
    fields.push_back(rest.substr(0, end));
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }

  std::vector<std::uint32_t> elements;
  const bool one_field = fields.size() == 1;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    std::size_t position = 0;
    while (position < column_names.size() &&
           !internal::EqualsIgnoringAsciiCase(column_names[position], fields[i])) {
      ++position;
    }
    if (position == column_names.size()) return std::nullopt;
    auto element = static_cast<std::uint32_t>(position + 1);
    if (FlagAt(index.case_insensitive, i) ||
        (one_field && (options & kIndexCaseInsensitive) != 0)) {
      element |= kKeyCaseInsensitive;
    }
    if (FlagAt(index.descending_columns, i) || (one_field && (options & kIndexDescending) != 0)) {
      element |= kKeyDescending;
    }
    elements.push_back(element);
  }
  return elements;
}

DatasetAttributes BuildDatasetAttributes(std::span<const IndexDescription> indexes,
                                         std::span<const std::string> column_names,
                                         std::optional<std::int32_t> lcid) {
  std::optional<std::vector<std::uint32_t>> first_primary;
  std::vector<std::vector<std::uint32_t>> unique_keys;
  for (const IndexDescription& index : indexes) {
    const std::uint32_t options = index.Options();
    if ((options & (kIndexPrimary | kIndexUnique)) == 0) continue;
    std::optional<std::vector<std::uint32_t>> key = PacketKeyArray(index, column_names);
    if (!key) continue;
    if ((options & kIndexPrimary) != 0 && !first_primary) first_primary = *key;
    unique_keys.push_back(std::move(*key));
  }

  DatasetAttributes dataset;
  if (first_primary) {
    dataset.default_order = *first_primary;
  } else if (!unique_keys.empty()) {
    dataset.default_order = unique_keys.front();
  }
  if (!dataset.default_order.empty()) {
    dataset.attributes.push_back(KeyAttribute("DEFAULT_ORDER", dataset.default_order));
  }
  if (!unique_keys.empty())
    dataset.attributes.push_back(KeyAttribute("PRIMARY_KEY", unique_keys.front()));
  for (const auto& key : unique_keys) dataset.attributes.push_back(KeyAttribute("UNIQUE_KEY", key));
  if (lcid) dataset.attributes.push_back({"LCID", kTypeInt32, std::int64_t{*lcid}});
  return dataset;
}

}  // namespace shelvex::exporting
