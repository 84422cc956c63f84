#include "export/internal/packet_rows.h"

#include <cmath>
#include <string>

#include "export/data_packet_keys.h"
#include "export/data_packet_writer.h"
#include "export/dbf_table.h"
#include "export/field_mapping.h"
#include "export/row_order.h"
#include "platform/date_time.h"
#include "platform/error.h"

namespace shelvex::exporting::internal {

namespace {

constexpr std::uint32_t kKeyPositionMask = 0x3FFF;
// Often enough for a progress bar, rarely enough to cost nothing.
constexpr std::uint32_t kProgressStep = 4096;

SqlTimeStamp TimeStampFromMilliseconds(double milliseconds) {
  constexpr double kDay = 86'400'000.0;
  const double days = std::floor(milliseconds / kDay);
  std::int64_t of_day = static_cast<std::int64_t>(milliseconds - days * kDay);
  int year = 0, month = 0, day = 0;
  platform::CivilFromDays(static_cast<int>(days), year, month, day);
  SqlTimeStamp stamp;
  stamp.year = static_cast<std::uint16_t>(year);
  stamp.month = static_cast<std::uint16_t>(month);
  stamp.day = static_cast<std::uint16_t>(day);
  stamp.fraction = static_cast<std::uint32_t>(of_day % 1000);
  of_day /= 1000;
  stamp.second = static_cast<std::uint16_t>(of_day % 60);
  stamp.minute = static_cast<std::uint16_t>(of_day / 60 % 60);
  stamp.hour = static_cast<std::uint16_t>(of_day / 3600);
  return stamp;
}

void PutValue(DataPacketWriter& writer, const ColumnMapping& mapping, const FieldValue& value) {
  if (value.is_null) {
    writer.PutNull();
    return;
  }
  switch (mapping.form) {
    case ValueForm::kNone:
      writer.PutNull();
      return;
    case ValueForm::kInteger:
      writer.PutInteger(value.integer);
      return;
    case ValueForm::kDate:
      writer.PutDate(static_cast<std::int32_t>(value.integer));
      return;
    case ValueForm::kBoolean:
      writer.PutBoolean(value.integer != 0);
      return;
    case ValueForm::kFloat:
      writer.PutFloat(value.number);
      return;
    case ValueForm::kTime:
      writer.PutTime(static_cast<std::int32_t>(value.integer));
      return;
    case ValueForm::kDateTime:
      writer.PutDateTime(value.number);
      return;
    case ValueForm::kTimeStamp:
      writer.PutTimeStamp(TimeStampFromMilliseconds(value.number));
      return;
    case ValueForm::kDecimal:
      writer.PutDecimal(PackedDecimal::FromText(std::string(value.bytes)));
      return;
    case ValueForm::kText:
    case ValueForm::kBytes:
      if (mapping.empty_is_null && value.bytes.empty()) {
        writer.PutNull();
      } else if (mapping.form == ValueForm::kText) {
        writer.PutText(value.bytes);
      } else {
        writer.PutBytes(value.bytes);
      }
      return;
  }
}

void PutRow(DataPacketWriter& writer, DbfTable& table, const std::vector<ColumnMapping>& mappings) {
  writer.BeginRow();
  for (std::size_t i = 0; i < mappings.size(); ++i) PutValue(writer, mappings[i], table.Value(i));
}

void AddSortKey(SortKeyColumn& key, const ColumnMapping& mapping, const FieldValue& value) {
  if (value.is_null || mapping.form == ValueForm::kNone) {
    key.AddNull();
    return;
  }
  switch (mapping.form) {
    case ValueForm::kFloat:
    case ValueForm::kDateTime:
    case ValueForm::kTimeStamp:
      key.AddFloat(value.number);
      return;
    case ValueForm::kText:
    case ValueForm::kBytes:
    case ValueForm::kDecimal:
      key.AddString(value.bytes);
      return;
    default:
      key.AddInteger(value.integer);
      return;
  }
}

}  // namespace

void PutAllRows(DataPacketWriter& writer, DbfTable& table,
                const std::vector<ColumnMapping>& mappings,
                const std::vector<std::uint32_t>& default_order, const ExportProgress& progress,
                const RecordVisitor& each_record) {
  table.First();
  if (default_order.empty()) {
    const std::uint32_t total = table.record_count();
    while (table.Next()) {
      PutRow(writer, table, mappings);
      if (each_record) each_record(table);
      if (progress && table.record_number() % kProgressStep == 0)
        progress(table.record_number(), total);
    }
    if (progress) progress(total, total);
    return;
  }

  std::vector<SortKeyColumn> keys;
  std::vector<std::size_t> key_fields;
  for (const std::uint32_t element : default_order) {
    const std::size_t position = element & kKeyPositionMask;
    if (position == 0 || position > mappings.size()) {
      throw Error("sort key names column " + std::to_string(position) + " of " +
                  std::to_string(mappings.size()));
    }
    keys.emplace_back(element);
    keys.back().Reserve(table.record_count());
    key_fields.push_back(position - 1);
  }
  std::vector<std::uint32_t> record_numbers;
  record_numbers.reserve(table.record_count());
  while (table.Next()) {
    record_numbers.push_back(table.record_number());
    for (std::size_t k = 0; k < keys.size(); ++k) {
      AddSortKey(keys[k], mappings[key_fields[k]], table.Value(key_fields[k]));
    }
    if (each_record) each_record(table);
  }

  const std::vector<std::uint32_t> order = SortedRowOrder(record_numbers.size(), keys);
  const auto total = static_cast<std::uint32_t>(order.size());
  for (std::uint32_t done = 0; done < total; ++done) {
    const std::uint32_t record = record_numbers[order[done]];
    if (!table.GoTo(record)) {
      throw Error(table.reader().file().label() + ": record " + std::to_string(record) +
                  " can no longer be read");
    }
    PutRow(writer, table, mappings);
    if (progress && (done + 1) % kProgressStep == 0) progress(done + 1, total);
  }
  if (progress) progress(total, total);
}

}  // namespace shelvex::exporting::internal
