#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "export/field_type.h"
#include "export/packet_types.h"

namespace shelvex::exporting {

class DataPacketWriter;

// What the table export knows of a field: enough to choose its packet column.
struct FieldDescription {
  TFieldType type = ftUnknown;
  int size = 0;       // declared size: characters of a string, bytes of a byte or blob field
  int precision = 0;  // ftBCD: digit count, 0 when the field declares none
  int scale = 0;      // ftBCD: digits after the point
  bool required = false;
  bool read_only = false;
  bool fixed_length = false;  // a string field of fixed length
};

// Which Put call of DataPacketWriter takes the field's values.
enum class ValueForm : std::uint8_t {
  kNone,       // no value form: the packet cannot hold the field (Finish fails); put nulls
  kInteger,    // PutInteger (ftWord: pass the unsigned value, the column reads it back as signed)
  kBoolean,    // PutBoolean
  kFloat,      // PutFloat
  kDecimal,    // PutDecimal
  kDate,       // PutDate
  kTime,       // PutTime
  kDateTime,   // PutDateTime
  kTimeStamp,  // PutTimeStamp
  kText,       // PutText: strings and memos, ANSI bytes
  kBytes,      // PutBytes: written as Base64
};

// A field's packet column: its type code, column flags and field attributes (in packet order), and
// how its values go in.
struct ColumnMapping {
  std::uint32_t type_code = 0;
  std::uint16_t flags = 0;
  std::vector<PacketAttribute> attributes;
  ValueForm form = ValueForm::kNone;
  // Memo and blob values of length 0 go in as null; an empty string stays an empty value.
  bool empty_is_null = false;
};

// The column for a field. Types that dBase tables never produce and the packet has no form for get
// type code 0 (or, for ftExtended, a 10-byte float): DataPacketWriter::Finish then fails with
// "Fieldtype not supported for XML.", as the packet format demands.
ColumnMapping MapField(const FieldDescription& field);

// Adds the column and its field attributes to `writer`.
void AddMappedColumn(DataPacketWriter& writer, std::string_view name, const ColumnMapping& column);

}  // namespace shelvex::exporting
