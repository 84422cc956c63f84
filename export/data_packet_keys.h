#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "export/index_description.h"
#include "export/packet_types.h"

namespace shelvex::exporting {

// The key array of `index` over the packet's columns: for each name of its key fields ("A;B"), the
// 1-based position of the column of that name (compared ignoring ASCII case), plus
// kKeyCaseInsensitive and kKeyDescending when the index declares that field so, or, for a one-field
// index, when the whole index is. nullopt for an expression index, an index without fields and one
// that names a column the packet lacks: a key with a field left out would claim an order or a
// uniqueness that the table does not have.
std::optional<std::vector<std::uint32_t>> PacketKeyArray(const IndexDescription& index,
                                                         std::span<const std::string> column_names);

// The dataset attributes of an exported table, in packet order.
struct DatasetAttributes {
  std::vector<PacketAttribute> attributes;
  // The "DEFAULT_ORDER" elements by which the rows are to be sorted; empty when the packet has
  // none.
  std::vector<std::uint32_t> default_order;
};

// "DEFAULT_ORDER" from the first primary index, or the first unique one when there is no primary
// index; "PRIMARY_KEY" from the first unique index; one "UNIQUE_KEY" for each unique index, in
// index order; "LCID" last when the table's locale is known. A primary index counts as unique. Only
// indexes that PacketKeyArray can express take part.
DatasetAttributes BuildDatasetAttributes(std::span<const IndexDescription> indexes,
                                         std::span<const std::string> column_names,
                                         std::optional<std::int32_t> lcid);

}  // namespace shelvex::exporting
