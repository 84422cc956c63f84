#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "export/table_export.h"

namespace shelvex::exporting {
class DataPacketWriter;
class DbfTable;
struct ColumnMapping;
}  // namespace shelvex::exporting

namespace shelvex::exporting::internal {

// Puts every live record of `table` into `writer` as one row, `mappings` giving each field's value
// form. With a non-empty `default_order` (the "DEFAULT_ORDER" key elements) the rows go out sorted
// by those fields: the table is walked once for the keys and the record numbers, then the records
// are visited again in sorted order, so that no row is copied. `progress` (when set) hears of the
// rows written. `each_record` (when set) is called once for each live record while it is current,
// in file order, during the first walk.
using RecordVisitor = std::function<void(DbfTable& table)>;
void PutAllRows(DataPacketWriter& writer, DbfTable& table,
                const std::vector<ColumnMapping>& mappings,
                const std::vector<std::uint32_t>& default_order, const ExportProgress& progress,
                const RecordVisitor& each_record = {});

}  // namespace shelvex::exporting::internal
