#include "export/field_mapping.h"

#include <gtest/gtest.h>

#include <string>

#include "export/data_packet_writer.h"
#include "platform/error.h"

namespace shelvex::exporting {
namespace {

struct MappingCase {
  const char* name;
  FieldDescription field;
  std::uint32_t type_code;
  ValueForm form;
  std::string element;  // the FIELD element of a column named "F"
  bool empty_is_null = false;
};

class FieldMappings : public ::testing::TestWithParam<MappingCase> {};

TEST_P(FieldMappings, GiveTheColumnAndItsFieldElement) {
  const MappingCase& c = GetParam();
  const ColumnMapping column = MapField(c.field);
  EXPECT_EQ(column.type_code, c.type_code) << std::hex << column.type_code;
  EXPECT_EQ(column.form, c.form);
  EXPECT_EQ(column.empty_is_null, c.empty_is_null);

  DataPacketWriter writer(1);
  AddMappedColumn(writer, "F", column);
  const std::string packet(writer.Finish().view());
  const std::size_t start = packet.find("<FIELDS>") + 8;
  EXPECT_EQ(packet.substr(start, packet.find("</FIELDS>") - start), c.element);
}

constexpr std::uint32_t kBlobType = 0x004B0004;

INSTANTIATE_TEST_SUITE_P(
    MapField, FieldMappings,
    ::testing::Values(
        MappingCase{"String",
                    {.type = ftString, .size = 30},
                    0x00490001,
                    ValueForm::kText,
                    R"(<FIELD attrname="F" fieldtype="string" WIDTH="30"/>)"},
        MappingCase{"LongString",
                    {.type = ftString, .size = 255},
                    0x00490002,
                    ValueForm::kText,
                    R"(<FIELD attrname="F" fieldtype="string" WIDTH="255"/>)"},
        MappingCase{"FixedRequiredReadOnlyString",
                    {.type = ftString,
                     .size = 10,
                     .required = true,
                     .read_only = true,
                     .fixed_length = true},
                    0x00490001,
                    ValueForm::kText,
                    R"(<FIELD attrname="F" fieldtype="string" readonly="true" required="true" )"
                    R"(SUBTYPE="FixedChar" WIDTH="10"/>)"},
        MappingCase{"Smallint",
                    {.type = ftSmallint},
                    0x00010002,
                    ValueForm::kInteger,
                    R"(<FIELD attrname="F" fieldtype="i2"/>)"},
        MappingCase{"Integer",
                    {.type = ftInteger, .required = true},
                    0x00010004,
                    ValueForm::kInteger,
                    R"(<FIELD attrname="F" fieldtype="i4" required="true"/>)"},
        MappingCase{"Word",
                    {.type = ftWord},
                    0x00010002,
                    ValueForm::kInteger,
                    R"(<FIELD attrname="F" fieldtype="i2"/>)"},
        MappingCase{"AutoIncNeverRequired",
                    {.type = ftAutoInc, .required = true},
                    0x00010004,
                    ValueForm::kInteger,
                    R"(<FIELD attrname="F" fieldtype="i4" readonly="true" SUBTYPE="Autoinc"/>)"},
        MappingCase{"Largeint",
                    {.type = ftLargeint},
                    0x00010008,
                    ValueForm::kInteger,
                    R"(<FIELD attrname="F" fieldtype="i8"/>)"},
        MappingCase{"Boolean",
                    {.type = ftBoolean},
                    0x00030002,
                    ValueForm::kBoolean,
                    R"(<FIELD attrname="F" fieldtype="boolean"/>)"},
        MappingCase{"Float",
                    {.type = ftFloat},
                    0x00040008,
                    ValueForm::kFloat,
                    R"(<FIELD attrname="F" fieldtype="r8"/>)"},
        MappingCase{"Currency",
                    {.type = ftCurrency},
                    0x00040008,
                    ValueForm::kFloat,
                    R"(<FIELD attrname="F" fieldtype="r8" SUBTYPE="Money"/>)"},
        MappingCase{"Decimal",
                    {.type = ftBCD, .precision = 8, .scale = 2},
                    0x00050022,
                    ValueForm::kDecimal,
                    R"(<FIELD attrname="F" fieldtype="fixed" DECIMALS="2" WIDTH="8"/>)"},
        MappingCase{"DecimalWithoutPrecision",
                    {.type = ftBCD},
                    0x00050022,
                    ValueForm::kDecimal,
                    R"(<FIELD attrname="F" fieldtype="fixed" WIDTH="32"/>)"},
        MappingCase{"Date",
                    {.type = ftDate},
                    0x00060004,
                    ValueForm::kDate,
                    R"(<FIELD attrname="F" fieldtype="date"/>)"},
        MappingCase{"Time",
                    {.type = ftTime},
                    0x00070004,
                    ValueForm::kTime,
                    R"(<FIELD attrname="F" fieldtype="time"/>)"},
        MappingCase{"DateTime",
                    {.type = ftDateTime},
                    0x00080008,
                    ValueForm::kDateTime,
                    R"(<FIELD attrname="F" fieldtype="dateTime"/>)"},
        MappingCase{"TimeStamp",
                    {.type = ftTimeStamp},
                    0x00110010,
                    ValueForm::kTimeStamp,
                    R"(<FIELD attrname="F" fieldtype="SQLdateTime"/>)"},
        MappingCase{"Bytes",
                    {.type = ftBytes, .size = 16},
                    0x000B0010,
                    ValueForm::kBytes,
                    R"(<FIELD attrname="F" fieldtype="bin.hex" WIDTH="16"/>)"},
        MappingCase{"VarBytes",
                    {.type = ftVarBytes, .size = 300},
                    0x004B0002,
                    ValueForm::kBytes,
                    R"(<FIELD attrname="F" fieldtype="bin.hex" SUBTYPE="Binary" WIDTH="300"/>)"},
        MappingCase{"BlobWithoutSize",
                    {.type = ftBlob},
                    kBlobType,
                    ValueForm::kBytes,
                    R"(<FIELD attrname="F" fieldtype="bin.hex" SUBTYPE="Binary"/>)",
                    true},
        MappingCase{
            "Memo",
            {.type = ftMemo, .size = 10, .read_only = true},
            kBlobType,
            ValueForm::kText,
            R"(<FIELD attrname="F" fieldtype="bin.hex" readonly="true" SUBTYPE="Text" WIDTH="10"/>)",
            true},
        MappingCase{"FmtMemo",
                    {.type = ftFmtMemo, .size = 1},
                    kBlobType,
                    ValueForm::kBytes,
                    R"(<FIELD attrname="F" fieldtype="bin.hex" SUBTYPE="Formatted" WIDTH="1"/>)",
                    true},
        MappingCase{"ParadoxOle",
                    {.type = ftParadoxOle},
                    kBlobType,
                    ValueForm::kBytes,
                    R"(<FIELD attrname="F" fieldtype="bin.hex" SUBTYPE="Ole"/>)",
                    true},
        MappingCase{"Graphic",
                    {.type = ftGraphic},
                    kBlobType,
                    ValueForm::kBytes,
                    R"(<FIELD attrname="F" fieldtype="bin.hex" SUBTYPE="Graphics"/>)",
                    true},
        MappingCase{"DBaseOle",
                    {.type = ftDBaseOle},
                    kBlobType,
                    ValueForm::kBytes,
                    R"(<FIELD attrname="F" fieldtype="bin.hex" SUBTYPE="dBASEOle"/>)",
                    true},
        MappingCase{"TypedBinary",
                    {.type = ftTypedBinary},
                    kBlobType,
                    ValueForm::kBytes,
                    R"(<FIELD attrname="F" fieldtype="bin.hex" SUBTYPE="TypedBinary"/>)",
                    true},
        MappingCase{"OraClob",
                    {.type = ftOraClob},
                    kBlobType,
                    ValueForm::kBytes,
                    R"(<FIELD attrname="F" fieldtype="bin.hex" SUBTYPE="HMemo"/>)",
                    true},
        MappingCase{"OraBlob",
                    {.type = ftOraBlob},
                    kBlobType,
                    ValueForm::kBytes,
                    R"(<FIELD attrname="F" fieldtype="bin.hex" SUBTYPE="HBinary"/>)",
                    true}),
    [](const ::testing::TestParamInfo<MappingCase>& info) { return std::string(info.param.name); });

// Memo values go in as text, blob values as Base64: the SUBTYPE decides how the writer takes
// PutBytes.
TEST(MapField, MemoBytesAreTextAndBlobBytesBase64) {
  DataPacketWriter writer(2);
  AddMappedColumn(writer, "M", MapField({.type = ftMemo}));
  AddMappedColumn(writer, "B", MapField({.type = ftBlob}));
  writer.BeginRow();
  writer.PutBytes("a&b");
  writer.PutBytes("a&b");
  const std::string packet(writer.Finish().view());
  EXPECT_NE(packet.find(R"(<ROW M="a&amp;b" B="YSZi"/>)"), std::string::npos) << packet;
}

// Types that dBase tables never hold have no packet form: the packet fails when it is finished.
TEST(MapField, TypesWithoutAFormFailTheFinishedPacket) {
  for (TFieldType type : {ftExtended, ftWideString, ftADT, ftDataSet, ftUnknown}) {
    SCOPED_TRACE(static_cast<int>(type));
    const ColumnMapping column = MapField({.type = type});
    DataPacketWriter writer(1);
    AddMappedColumn(writer, "X", column);
    writer.BeginRow();
    writer.PutNull();
    try {
      writer.Finish();
      FAIL() << "no exception";
    } catch (const Error& error) {
      EXPECT_STREQ(error.what(), "Fieldtype not supported for XML.");
    }
  }
}

}  // namespace
}  // namespace shelvex::exporting
