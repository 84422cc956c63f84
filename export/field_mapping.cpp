#include "export/field_mapping.h"

#include <string>

#include "export/data_packet_writer.h"

namespace shelvex::exporting {

namespace {

PacketAttribute Subtype(std::string value) {
  return {"SUBTYPE", kTypeAttributeString, std::move(value)};
}
PacketAttribute Width(int width) { return {"WIDTH", kTypeInt16, std::int64_t{width}}; }

// A varying value's length prefix: one byte while the declared size leaves room for it, else two.
std::uint16_t LengthPrefix(int size) { return size < 255 ? 1 : 2; }

ColumnMapping Fixed(TypeClass type_class, std::uint16_t size, ValueForm form) {
  ColumnMapping column;
  column.type_code = MakeTypeCode(type_class, size);
  column.form = form;
  return column;
}

ColumnMapping Blob(const FieldDescription& field, const char* subtype, ValueForm form) {
  ColumnMapping column;
  column.type_code = MakeTypeCode(TypeClass::kBytes, 4, kTypeVarying);
  column.attributes.push_back(Subtype(subtype));
  if (field.size > 0) column.attributes.push_back(Width(field.size));
  column.form = form;
  column.empty_is_null = true;
  return column;
}

ColumnMapping MapType(const FieldDescription& field) {
  switch (field.type) {
    case ftString: {
      ColumnMapping column;
      column.type_code = MakeTypeCode(TypeClass::kString, LengthPrefix(field.size), kTypeVarying);
      if (field.fixed_length) column.attributes.push_back(Subtype("FixedChar"));
      column.attributes.push_back(Width(field.size));
      column.form = ValueForm::kText;
      return column;
    }
    case ftSmallint:
    case ftWord:
      return Fixed(TypeClass::kInteger, 2, ValueForm::kInteger);
    case ftInteger:
      return Fixed(TypeClass::kInteger, 4, ValueForm::kInteger);
    case ftAutoInc: {
      ColumnMapping column = Fixed(TypeClass::kInteger, 4, ValueForm::kInteger);
      column.attributes.push_back(Subtype("Autoinc"));
      return column;
    }
    case ftLargeint:
      return Fixed(TypeClass::kInteger, 8, ValueForm::kInteger);
    case ftBoolean:
      return Fixed(TypeClass::kBoolean, 2, ValueForm::kBoolean);
    case ftFloat:
      return Fixed(TypeClass::kFloat, 8, ValueForm::kFloat);
    case ftCurrency: {
      ColumnMapping column = Fixed(TypeClass::kFloat, 8, ValueForm::kFloat);
      column.attributes.push_back(Subtype("Money"));
      return column;
    }
    case ftExtended:
      return Fixed(TypeClass::kFloat, 10, ValueForm::kFloat);
    case ftBCD: {
      ColumnMapping column = Fixed(TypeClass::kDecimal, sizeof(PackedDecimal), ValueForm::kDecimal);
      if (field.scale != 0)
        column.attributes.push_back({"DECIMALS", kTypeInt16, std::int64_t{field.scale}});
      column.attributes.push_back(Width(field.precision != 0 ? field.precision : 32));
      return column;
    }
    case ftDate:
      return Fixed(TypeClass::kDate, 4, ValueForm::kDate);
    case ftTime:
      return Fixed(TypeClass::kTime, 4, ValueForm::kTime);
    case ftDateTime:
      return Fixed(TypeClass::kDateTime, 8, ValueForm::kDateTime);
    case ftTimeStamp:
      return Fixed(TypeClass::kTimeStamp, sizeof(SqlTimeStamp), ValueForm::kTimeStamp);
    case ftBytes:
      // The writer adds "WIDTH" to a fixed-size bytes column itself.
      return Fixed(TypeClass::kBytes, static_cast<std::uint16_t>(field.size), ValueForm::kBytes);
    case ftVarBytes: {
      ColumnMapping column;
      column.type_code = MakeTypeCode(TypeClass::kBytes, LengthPrefix(field.size), kTypeVarying);
      column.attributes.push_back(Subtype("Binary"));
      column.attributes.push_back(Width(field.size));
      column.form = ValueForm::kBytes;
      return column;
    }
    case ftBlob:
      return Blob(field, "Binary", ValueForm::kBytes);
    case ftMemo:
      return Blob(field, "Text", ValueForm::kText);
    case ftFmtMemo:
      return Blob(field, "Formatted", ValueForm::kBytes);
    case ftParadoxOle:
      return Blob(field, "Ole", ValueForm::kBytes);
    case ftGraphic:
      return Blob(field, "Graphics", ValueForm::kBytes);
    case ftDBaseOle:
      return Blob(field, "dBASEOle", ValueForm::kBytes);
    case ftTypedBinary:
      return Blob(field, "TypedBinary", ValueForm::kBytes);
    case ftOraClob:
      return Blob(field, "HMemo", ValueForm::kBytes);
    case ftOraBlob:
      return Blob(field, "HBinary", ValueForm::kBytes);
    default:
      return ColumnMapping{};
  }
}

}  // namespace

ColumnMapping MapField(const FieldDescription& field) {
  ColumnMapping column = MapType(field);
  const bool auto_increment = field.type == ftAutoInc;
  if (field.read_only || auto_increment) column.flags |= kColumnReadOnly;
  if (field.required && !auto_increment) column.flags |= kColumnRequired;
  return column;
}

void AddMappedColumn(DataPacketWriter& writer, std::string_view name, const ColumnMapping& column) {
  writer.AddColumn(name, column.type_code, column.flags);
  for (const PacketAttribute& attribute : column.attributes) writer.AddFieldAttribute(attribute);
}

}  // namespace shelvex::exporting
