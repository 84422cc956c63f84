#include "export/data_packet_writer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "export/field_mapping.h"
#include "platform/code_page.h"
#include "platform/error.h"
#include "tests/support/temp_folder.h"

namespace shelvex::exporting {
namespace {

using namespace std::string_literals;

constexpr std::string_view kProlog = "<?xml version=\"1.0\" standalone=\"yes\"?>  ";
constexpr std::uint32_t kInt32 = MakeTypeCode(TypeClass::kInteger, 4);
constexpr std::uint32_t kText = MakeTypeCode(TypeClass::kString, 1, kTypeVarying);

std::int32_t DayCount(int y, unsigned m, unsigned d) {
  using namespace std::chrono;
  // 1 January 1970, day 0 of sys_days, is day 719,163 of the packet's count.
  return sys_days{year{y} / month{m} / day{d}}.time_since_epoch().count() + 719163;
}

std::string Finished(DataPacketWriter& writer) { return std::string(writer.Finish().view()); }

// What lies between two markers of a packet.
std::string Between(const std::string& packet, std::string_view from, std::string_view to) {
  const std::size_t start = packet.find(from);
  const std::size_t end = packet.find(to, start);
  if (start == std::string::npos || end == std::string::npos)
    return "(markers not found) " + packet;
  return packet.substr(start + from.size(), end - start - from.size());
}

TEST(DataPacketWriter, WritesTheExamplePacketByteForByte) {
  DataPacketWriter writer(3);
  AddMappedColumn(writer, "TITLE", MapField({.type = ftString, .size = 30}));
  AddMappedColumn(writer, "PRICE", MapField({.type = ftFloat}));
  AddMappedColumn(writer, "ADDED", MapField({.type = ftDate}));
  writer.AddDatasetAttribute("LCID", kTypeInt32, std::int64_t{1033});
  writer.EndAttributes();
  writer.BeginRow(0);
  writer.PutText("Salt & Stone");
  writer.PutFloat(12.5);
  writer.PutDate(DayCount(2011, 3, 15));
  writer.BeginRow(0);
  writer.PutText("A \"Quiet\" Year");
  writer.PutFloat(7.0);
  writer.PutNull();

  EXPECT_EQ(
      Finished(writer),
      "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
      "<FIELD attrname=\"TITLE\" fieldtype=\"string\" WIDTH=\"30\"/><FIELD attrname=\"PRICE\" "
      "fieldtype=\"r8\"/><FIELD attrname=\"ADDED\" fieldtype=\"date\"/></FIELDS><PARAMS "
      "LCID=\"1033\"/></METADATA><ROWDATA><ROW TITLE=\"Salt &amp; Stone\" PRICE=\"12.5\" "
      "ADDED=\"20110315\"/><ROW TITLE=\"A &quot;Quiet&quot; Year\" PRICE=\"7\"/></ROWDATA>"
      "</DATAPACKET>");
}

// Packets whose shape matters more than their values, each complete to the byte.
struct PacketCase {
  const char* name;
  std::function<void(DataPacketWriter&)> build;
  std::size_t columns;
  std::string expected;  // after the prolog
};

class PacketShapes : public ::testing::TestWithParam<PacketCase> {};

TEST_P(PacketShapes, AreWrittenExactly) {
  const PacketCase& c = GetParam();
  DataPacketWriter writer(c.columns);
  c.build(writer);
  const std::string packet = Finished(writer);
  ASSERT_EQ(packet.substr(0, kProlog.size()), kProlog);
  EXPECT_EQ(packet.substr(kProlog.size()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    DataPacketWriter, PacketShapes,
    ::testing::Values(
        PacketCase{
            "NoRows",
            [](DataPacketWriter& w) {
              w.AddColumn("A", kInt32, 0);
              w.AddDatasetAttribute("LCID", kTypeInt32, std::int64_t{1033});
              w.EndAttributes();
            },
            1,
            "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"i4\"/>"
            "</FIELDS><PARAMS LCID=\"1033\"/></METADATA><ROWDATA></ROWDATA></DATAPACKET>"},
        PacketCase{
            "NoDatasetAttributesNorEndCall",
            [](DataPacketWriter& w) {
              w.AddColumn("A", kInt32, 0);
              w.BeginRow();
              w.PutInteger(1);
            },
            1,
            "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"i4\"/>"
            "</FIELDS><PARAMS/></METADATA><ROWDATA><ROW A=\"1\"/></ROWDATA></DATAPACKET>"},
        PacketCase{"NoColumns",
                   [](DataPacketWriter& w) {
                     w.EndAttributes();
                     w.BeginRow();
                   },
                   0,
                   "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS></FIELDS><PARAMS/></METADATA>"
                   "<ROWDATA><ROW/></ROWDATA></DATAPACKET>"},
        PacketCase{"NullsEmptyStringsAndTheAllNullRow",
                   [](DataPacketWriter& w) {
                     w.AddColumn("A", kText, 0);
                     w.AddColumn("B", kInt32, 0);
                     w.EndAttributes();
                     w.BeginRow();
                     w.PutText("");
                     w.PutNull();
                     w.BeginRow();
                     w.PutNull();
                     w.PutNull();
                     w.BeginRow();
                     w.PutNull();
                     w.PutInteger(0);
                   },
                   2,
                   "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"A\" "
                   "fieldtype=\"string\"/>"
                   "<FIELD attrname=\"B\" fieldtype=\"i4\"/></FIELDS><PARAMS/></METADATA><ROWDATA>"
                   "<ROW A=\"\"/><ROW/><ROW B=\"0\"/></ROWDATA></DATAPACKET>"},
        PacketCase{
            "FlagsInTheirFixedOrderAndRowStatus",
            [](DataPacketWriter& w) {
              w.AddColumn("A", kInt32,
                          kColumnHidden | kColumnReadOnly | kColumnRequired | kColumnLinkField);
              w.BeginRow(4);
              w.PutInteger(7);
            },
            1,
            "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"i4\" "
            "readonly=\"true\" required=\"true\" hidden=\"true\" linkfield=\"true\"/></FIELDS>"
            "<PARAMS/></METADATA><ROWDATA><ROW RowState=\"4\" A=\"7\"/></ROWDATA></DATAPACKET>"},
        PacketCase{
            "RenamedColumns",
            [](DataPacketWriter& w) {
              w.AddColumn("MY FIELD", kText, 0);
              w.AddColumn("A (B)#*!$%?", kText, 0);
              w.AddColumn("Q\"<=>&'/", kText, 0);
              w.BeginRow();
              w.PutText("x");
              w.PutText("y");
              w.PutText("z");
            },
            3,
            "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
            "<FIELD fieldname=\"MY FIELD\" attrname=\"MY_FIELD\" fieldtype=\"string\"/>"
            "<FIELD fieldname=\"A (B)#*!$%?\" attrname=\"A__B_______\" fieldtype=\"string\"/>"
            "<FIELD fieldname=\"Q&quot;&lt;=&gt;&amp;&apos;/\" attrname=\"Q_______\" "
            "fieldtype=\"string\"/></FIELDS><PARAMS/></METADATA><ROWDATA>"
            "<ROW MY_FIELD=\"x\" A__B_______=\"y\" Q_______=\"z\"/></ROWDATA></DATAPACKET>"},
        PacketCase{
            "ParamChildThenKnownAttributeOnAField",
            [](DataPacketWriter& w) {
              w.AddColumn("A", kInt32, 0);
              w.AddFieldAttribute("ORIGIN", kTypeAttributeString, "x<y"s);
              w.AddFieldAttribute("width", kTypeInt16, std::int64_t{5});
              w.AddFieldAttribute("SCALE", kTypeInt16 | kTypeRoundtrip, std::int64_t{-2});
              w.AddColumn("B", kInt32, 0);
              w.EndAttributes();
            },
            2,
            "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"i4\" "
            "width=\"5\"><PARAM Name=\"ORIGIN\" Value=\"x&lt;y\"/><PARAM Name=\"SCALE\" "
            "Value=\"-2\" "
            "Type=\"i2\" Roundtrip=\"True\"/></FIELD><FIELD attrname=\"B\" "
            "fieldtype=\"i4\"/></FIELDS>"
            "<PARAMS/></METADATA><ROWDATA></ROWDATA></DATAPACKET>"},
        PacketCase{
            "ParamChildrenOfTheDatasetAndKeyArrays",
            [](DataPacketWriter& w) {
              w.AddColumn("A", kInt32, 0);
              w.AddColumn("B", kText, 0);
              w.AddDatasetAttribute("DEFAULT_ORDER", kTypeUInt32Array,
                                    std::vector<std::int64_t>{1 | 0x8000, 2 | 0x4000});
              w.AddDatasetAttribute("COUNTS", MakeTypeCode(TypeClass::kInteger, 4, kTypeArray),
                                    std::vector<std::int64_t>{-1, 3});
              w.AddDatasetAttribute("UNIQUE_KEY", kTypeUInt32Array, std::vector<std::int64_t>{1});
              w.AddDatasetAttribute("UNIQUE_KEY", kTypeUInt32Array,
                                    std::vector<std::int64_t>{2, 1});
              w.AddDatasetAttribute("DONE", MakeTypeCode(TypeClass::kBoolean, 2), true);
              w.AddDatasetAttribute("LCID", kTypeInt32, std::int64_t{1033});
              w.EndAttributes();
            },
            2,
            "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"i4\"/>"
            "<FIELD attrname=\"B\" fieldtype=\"string\"/></FIELDS><PARAMS DEFAULT_ORDER=\"32769 "
            "16386\" "
            "UNIQUE_KEY=\"1\" UNIQUE_KEY=\"2 1\" LCID=\"1033\"><PARAM Name=\"COUNTS\" Value=\"-1 "
            "3\" "
            "Type=\"IntArray\"/><PARAM Name=\"DONE\" Value=\"TRUE\" Type=\"boolean\"/></PARAMS>"
            "</METADATA><ROWDATA></ROWDATA></DATAPACKET>"}),
    [](const ::testing::TestParamInfo<PacketCase>& info) { return std::string(info.param.name); });

// One column of `type_code` (with `attributes`), one row holding what `put` puts: the ROW element.
std::string RowOf(std::uint32_t type_code, const std::function<void(DataPacketWriter&)>& put,
                  const std::vector<PacketAttribute>& attributes = {}) {
  DataPacketWriter writer(1);
  writer.AddColumn("V", type_code, 0);
  for (const auto& attribute : attributes) writer.AddFieldAttribute(attribute);
  writer.BeginRow();
  put(writer);
  return Between(Finished(writer), "<ROWDATA>", "</ROWDATA>");
}

struct ValueCase {
  const char* name;
  std::uint32_t type_code;
  std::function<void(DataPacketWriter&)> put;
  std::string value;  // as it appears in V="..."
  std::vector<PacketAttribute> attributes = {};
};

class ValueForms : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ValueForms, AreWrittenExactly) {
  const ValueCase& c = GetParam();
  EXPECT_EQ(RowOf(c.type_code, c.put, c.attributes), "<ROW V=\"" + c.value + "\"/>");
}

constexpr auto kI2 = MakeTypeCode(TypeClass::kInteger, 2);
constexpr auto kUi2 = MakeTypeCode(TypeClass::kUnsigned, 2);
constexpr auto kI8 = MakeTypeCode(TypeClass::kInteger, 8);
constexpr auto kBool = MakeTypeCode(TypeClass::kBoolean, 2);
constexpr auto kR8 = MakeTypeCode(TypeClass::kFloat, 8);
constexpr auto kR4 = MakeTypeCode(TypeClass::kSingle, 4);
constexpr auto kBcd = MakeTypeCode(TypeClass::kDecimal, 34);
constexpr auto kDate = MakeTypeCode(TypeClass::kDate, 4);
constexpr auto kTime = MakeTypeCode(TypeClass::kTime, 4);
constexpr auto kDateTime = MakeTypeCode(TypeClass::kDateTime, 8);
constexpr auto kStamp = MakeTypeCode(TypeClass::kTimeStamp, 16);
constexpr auto kWide = MakeTypeCode(TypeClass::kWideString, 2, kTypeVarying);
constexpr auto kBlob = MakeTypeCode(TypeClass::kBytes, 4, kTypeVarying);

double Ms(int y, unsigned m, unsigned d, int hh = 0, int mm = 0, int ss = 0, int ms = 0) {
  return DayCount(y, m, d) * 86400000.0 + ((hh * 60 + mm) * 60 + ss) * 1000.0 + ms;
}
PackedDecimal Bcd(std::string_view text) { return PackedDecimal::FromText(text); }

INSTANTIATE_TEST_SUITE_P(
    DataPacketWriter, ValueForms,
    ::testing::Values(
        ValueCase{"NegativeInteger", kInt32, [](auto& w) { w.PutInteger(-42); }, "-42"},
        ValueCase{"WordReadAsSigned", kI2, [](auto& w) { w.PutInteger(65535); }, "-1"},
        ValueCase{"UnsignedWord", kUi2, [](auto& w) { w.PutInteger(65535); }, "65535"},
        ValueCase{"SmallestLargeint", kI8, [](auto& w) { w.PutInteger(INT64_MIN); },
                  "-9223372036854775808"},
        ValueCase{"True", kBool, [](auto& w) { w.PutBoolean(true); }, "TRUE"},
        ValueCase{"False", kBool, [](auto& w) { w.PutBoolean(false); }, "FALSE"},
        ValueCase{"FloatSeven", kR8, [](auto& w) { w.PutFloat(7.0); }, "7"},
        ValueCase{"FloatExponent", kR8, [](auto& w) { w.PutFloat(1e20); }, "1e+20"},
        ValueCase{"FloatTenth", kR8, [](auto& w) { w.PutFloat(0.1); }, "0.1"},
        ValueCase{"FloatTwelveAndAHalf", kR8, [](auto& w) { w.PutFloat(12.5); }, "12.5"},
        ValueCase{"FloatSmall", kR8, [](auto& w) { w.PutFloat(-0.00001); }, "-1e-05"},
        ValueCase{"FloatSixteenDigits", kR8, [](auto& w) { w.PutFloat(1.0 / 3); }, "0.3333333333333333"},
        ValueCase{"SingleEightDigits", kR4, [](auto& w) { w.PutFloat(1.0 / 3); }, "0.33333334"},
        ValueCase{"SingleTenth", kR4, [](auto& w) { w.PutFloat(0.1); }, "0.1"},
        ValueCase{"DecimalMinusThree", kBcd, [](auto& w) { w.PutDecimal(Bcd("-3.00")); }, "-3.00"},
        ValueCase{"DecimalZero", kBcd, [](auto& w) { w.PutDecimal(Bcd("0.00")); }, "0.00"},
        ValueCase{"DecimalTrailingZero", kBcd, [](auto& w) { w.PutDecimal(Bcd("001234.50")); },
                  "1234.50"},
        ValueCase{"DecimalHalf", kBcd, [](auto& w) { w.PutDecimal(Bcd("000.50")); }, "0.50"},
        ValueCase{"DecimalWhole", kBcd, [](auto& w) { w.PutDecimal(Bcd("0042")); }, "42"},
        ValueCase{"DecimalNoDigit", kBcd, [](auto& w) { w.PutDecimal(Bcd("-000")); }, "0"},
        ValueCase{"DecimalMorePlacesThanDigits", kBcd,
                  [](auto& w) {
                    PackedDecimal d = Bcd("25");
                    d.sign_scale = 4;  // 0.0025
                    w.PutDecimal(d);
                  },
                  "0.0025"},
        ValueCase{"Date", kDate, [](auto& w) { w.PutDate(DayCount(2011, 3, 15)); }, "20110315"},
        ValueCase{"DateDayOne", kDate, [](auto& w) { w.PutDate(1); }, "00010101"},
        ValueCase{"DateDayCountZero", kDate, [](auto& w) { w.PutDate(0); }, "00000000"},
        ValueCase{"TimeLastMillisecond", kTime, [](auto& w) { w.PutTime(86399999); }, "23:59:59999"},
        ValueCase{"TimeMorning", kTime, [](auto& w) { w.PutTime(((9 * 60 + 5) * 60 + 3) * 1000 + 250); },
                  "09:05:03250"},
        ValueCase{"DateTimeAtMidnight", kDateTime, [](auto& w) { w.PutDateTime(Ms(2011, 3, 15)); },
                  "20110315"},
        ValueCase{"DateTimeAfternoon", kDateTime,
                  [](auto& w) { w.PutDateTime(Ms(2011, 3, 15, 14, 30)); }, "20110315T14:30:00000"},
        ValueCase{"DateTimeLastMillisecond", kDateTime,
                  [](auto& w) { w.PutDateTime(Ms(1999, 12, 31, 23, 59, 59, 999)); },
                  "19991231T23:59:59999"},
        ValueCase{"TimeStampAtMidnight", kStamp,
                  [](auto& w) { w.PutTimeStamp({.year = 2011, .month = 3, .day = 15}); }, "20110315"},
        ValueCase{"TimeStamp", kStamp,
                  [](auto& w) {
                    w.PutTimeStamp({.year = 987, .month = 6, .day = 5, .hour = 4, .second = 3, .fraction = 21});
                  },
                  "09870605T04:00:03021"},
        ValueCase{"EveryEscape", kText, [](auto& w) { w.PutText("\t\n\r\"&'<>\\"); },
                  "&#009;&#010;&#013;&quot;&amp;&apos;&lt;&gt;&#092;"},
        ValueCase{"ZeroBytesDroppedOtherBytesKept", kText,
                  [](auto& w) { w.PutText("\0a\x01\0b\xE9\x7F\0"s); }, "a\x01" "b\xE9\x7F"},
        ValueCase{"WideText", kWide, [](auto& w) { w.PutWideText(u"caf\u00e9 <\u20ac>"); },
                  "caf&#233; &lt;&#8364;&gt;"},
        ValueCase{"WideTextBeyondThePlane", kWide, [](auto& w) { w.PutWideText(u"\U0001F600\xD800!"); },
                  "&#128512;&#65533;!"},
        ValueCase{"Base64", kBlob, [](auto& w) { w.PutBytes("foobar\xff\x00"s); }, "Zm9vYmFy/wA="},
        ValueCase{"Base64Tail", kBlob, [](auto& w) { w.PutBytes("f"); }, "Zg=="},
        ValueCase{"Base64LongerThanOneChunk", kBlob,
                  [](auto& w) {
                    std::string value;
                    for (int i = 0; i < 200; ++i) value += "foobar";
                    w.PutBytes(value);
                  },
                  [] {
                    std::string encoded;
                    for (int i = 0; i < 200; ++i) encoded += "Zm9vYmFy";
                    return encoded;
                  }()},
        ValueCase{"MemoWithWindowsLineEnds", kBlob, [](auto& w) { w.PutBytes("one\r\ntwo"); },
                  "one&#013;&#010;two",
                  {{"SUBTYPE", kTypeAttributeString, "Text"s}}},
        ValueCase{"LongTextEscapedInPieces", kText, [](auto& w) { w.PutText(std::string(5000, '<') + "\0\xE9"s); },
                  [] {
                    std::string escaped;
                    for (int i = 0; i < 5000; ++i) escaped += "&lt;";
                    return escaped + "\xE9";
                  }()},
        ValueCase{"WideMemo", kBlob, [](auto& w) { w.PutWideText(u"\u00e9"); }, "&#233;",
                  {{"SUBTYPE", kTypeAttributeString, "WideText"s}}}),
    [](const ::testing::TestParamInfo<ValueCase>& info) { return std::string(info.param.name); });

TEST(DataPacketWriter, RefusesARowStateColumnBeforeWritingAnything) {
  DataPacketWriter writer(2);
  writer.AddColumn("rowstate", kInt32, 0);  // only the exact name is refused
  try {
    writer.AddColumn("RowState", kInt32, 0);
    FAIL() << "no exception";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Operation not applicable.");
  }
}

// A type without a "fieldtype" name fails only when the packet is finished, so that the caller has
// already created the output file; the rows before are taken without complaint.
TEST(DataPacketWriter, RefusesTypesWithoutANameOnlyAtFinish) {
  const std::uint32_t kNoName[] = {MakeTypeCode(TypeClass::kUnsigned, 8),
                                   MakeTypeCode(TypeClass::kFloat, 10),
                                   MakeTypeCode(static_cast<TypeClass>(40), 4),
                                   MakeTypeCode(TypeClass::kInteger, 4, kTypeArray)};
  for (std::uint32_t type_code : kNoName) {
    SCOPED_TRACE(type_code);
    DataPacketWriter writer(2);
    writer.AddColumn("A", kInt32, 0);
    writer.AddColumn("B", type_code, 0);
    writer.EndAttributes();
    writer.BeginRow();
    writer.PutInteger(1);
    writer.PutFloat(2.5);
    try {
      writer.Finish();
      FAIL() << "no exception";
    } catch (const Error& error) {
      EXPECT_STREQ(error.what(), "Fieldtype not supported for XML.");
    }
  }
  DataPacketWriter writer(0);
  writer.AddDatasetAttribute("ODD", MakeTypeCode(TypeClass::kUnsigned, 8), std::int64_t{1});
  try {
    writer.Finish();
    FAIL() << "no exception for a PARAM";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Fieldtype not supported for XML.");
  }
}

struct MisuseCase {
  const char* name;
  std::function<void(DataPacketWriter&)> calls;
  const char* message_part;
};

class Misuse : public ::testing::TestWithParam<MisuseCase> {};

TEST_P(Misuse, ThrowsAClearError) {
  DataPacketWriter writer(2);
  try {
    GetParam().calls(writer);
    writer.Finish();
    FAIL() << "no exception";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find(GetParam().message_part), std::string::npos)
        << error.what();
  }
}

void TwoColumns(DataPacketWriter& w) {
  w.AddColumn("NUM", kInt32, 0);
  w.AddColumn("TXT", kText, 0);
}

INSTANTIATE_TEST_SUITE_P(
    DataPacketWriter, Misuse,
    ::testing::Values(
        MisuseCase{"WrongValueCall",
                   [](auto& w) {
                     TwoColumns(w);
                     w.BeginRow();
                     w.PutText("1");
                   },
                   "column \"NUM\": PutText does not fit a column of type \"i4\""},
        MisuseCase{"RowTooShortAtTheNextRow",
                   [](auto& w) {
                     TwoColumns(w);
                     w.BeginRow();
                     w.PutInteger(1);
                     w.BeginRow();
                   },
                   "1 of 2 values"},
        MisuseCase{"RowTooShortAtFinish",
                   [](auto& w) {
                     TwoColumns(w);
                     w.BeginRow();
                   },
                   "0 of 2 values"},
        MisuseCase{"ValueWithoutARow",
                   [](auto& w) {
                     TwoColumns(w);
                     w.BeginRow();
                     w.PutInteger(1);
                     w.PutText("a");
                     w.PutNull();
                   },
                   "PutNull without an open row"},
        MisuseCase{"TooManyColumns",
                   [](auto& w) {
                     TwoColumns(w);
                     w.AddColumn("X", kInt32, 0);
                   },
                   "AddColumn for column 3 of a packet of 2"},
        MisuseCase{"RowsBeforeAllColumns",
                   [](auto& w) {
                     w.AddColumn("A", kInt32, 0);
                     w.BeginRow();
                   },
                   "BeginRow after 1 of 2 columns"},
        MisuseCase{"FieldAttributeAfterTheColumns",
                   [](auto& w) {
                     TwoColumns(w);
                     w.EndAttributes();
                     w.AddFieldAttribute("WIDTH", kTypeInt16, std::int64_t{1});
                   },
                   "without a column"},
        MisuseCase{
            "AttributeValueOfTheWrongKind",
            [](auto& w) {
              TwoColumns(w);
              w.AddFieldAttribute("WIDTH", kTypeInt16, "wide"s);
            },
            "attribute \"WIDTH\" of column \"TXT\" has type code 0x00010002 but a string value"},
        MisuseCase{"EmptyColumnName", [](auto& w) { w.AddColumn("", kInt32, 0); },
                   "column 1 has no name"},
        MisuseCase{"IntegerTooWide",
                   [](auto& w) {
                     w.AddColumn("S", kI2, 0);
                     w.AddColumn("T", kText, 0);
                     w.BeginRow();
                     w.PutInteger(70000);
                   },
                   "column \"S\": the value 70000 does not fit into 2 bytes"},
        MisuseCase{"NegativeDayCount",
                   [](auto& w) {
                     w.AddColumn("D", kDate, 0);
                     w.AddColumn("T", kText, 0);
                     w.BeginRow();
                     w.PutDate(-1);
                   },
                   "column \"D\": the day count -1 lies before 1 January of year 1"},
        MisuseCase{"TimeBeyondTheDay",
                   [](auto& w) {
                     w.AddColumn("T", kTime, 0);
                     w.AddColumn("U", kText, 0);
                     w.BeginRow();
                     w.PutTime(86400000);
                   },
                   "column \"T\": the time 86400000 ms lies outside a day"},
        MisuseCase{"DateTimeNotANumber",
                   [](auto& w) {
                     w.AddColumn("T", kDateTime, 0);
                     w.AddColumn("U", kText, 0);
                     w.BeginRow();
                     w.PutDateTime(std::nan(""));
                   },
                   "is not a valid time"},
        MisuseCase{"DecimalNibbleAboveNine",
                   [](auto& w) {
                     w.AddColumn("D", kBcd, 0);
                     w.AddColumn("U", kText, 0);
                     w.BeginRow();
                     PackedDecimal d = PackedDecimal::FromText("12");
                     d.nibbles[0] = 0x1C;
                     w.PutDecimal(d);
                   },
                   "column \"D\": packed decimal: digit 2 holds the nibble 12"}),
    [](const ::testing::TestParamInfo<MisuseCase>& info) { return std::string(info.param.name); });

// Under a multi-byte ANSI code page a lead byte renames the column, and its trail byte is never
// escaped even when it equals "\" (0x5C, the second byte of U+30BD in code page 932).
TEST(DataPacketWriter, StepsOverMultiByteCharacters) {
  auto cp932 = platform::CodePage::Open("windows-932");
  ASSERT_FALSE(cp932->IsSingleByte());
  DataPacketWriter writer(2, *cp932);
  writer.AddColumn("NAME", kText, 0);
  writer.AddColumn(
      "\x83\x5C"
      "X",
      kText, 0);
  writer.BeginRow();
  writer.PutText("\x83\x5C\\<\x83");
  writer.PutText("\x83\0!"s);
  const std::string packet = Finished(writer);
  EXPECT_NE(packet.find("<FIELD fieldname=\"\x83\x5CX\" attrname=\"xF1\" fieldtype=\"string\"/>"),
            std::string::npos)
      << packet;
  EXPECT_NE(packet.find("<ROW NAME=\"\x83\x5C&#092;&lt;\x83\" xF1=\"\x83!\"/>"), std::string::npos)
      << packet;
}

// Text is escaped eight plain bytes at a time; a special byte, a zero byte or a multi-byte
// character must be handled wherever it falls, inside a group of eight or across two.
TEST(DataPacketWriter, EscapesWhereverTheSpecialByteFalls) {
  const std::string plain = "abcdefghijklmnopqrstu";  // 21 bytes: two groups and a tail
  const struct {
    std::string byte;
    std::string written;
  } kSpecials[] = {{"\t", "&#009;"}, {"\n", "&#010;"}, {"\r", "&#013;"}, {"\"", "&quot;"},
                   {"&", "&amp;"},   {"'", "&apos;"},  {"<", "&lt;"},    {">", "&gt;"},
                   {"\\", "&#092;"}, {"\0"s, ""},      {"\xE9", "\xE9"}, {"\x01", "\x01"}};
  for (const auto& special : kSpecials) {
    for (std::size_t at = 0; at < plain.size(); ++at) {
      DataPacketWriter writer(1);
      writer.AddColumn("T", kText, 0);
      writer.EndAttributes();
      writer.BeginRow();
      std::string text = plain;
      text.replace(at, 1, special.byte);
      writer.PutText(text);
      std::string expected = plain;
      expected.replace(at, 1, special.written);
      ASSERT_EQ(Between(Finished(writer), "<ROW T=\"", "\"/>"), expected)
          << "byte " << static_cast<int>(static_cast<unsigned char>(special.byte[0])) << " at "
          << at;
    }
  }
}

// Code page 932: "\x83\x5C" is one character whose trail byte equals "\"; it stays as it is at
// every position, also when the pair straddles two groups of eight.
TEST(DataPacketWriter, KeepsMultiByteCharactersWhereverTheyFall) {
  auto cp932 = platform::CodePage::Open("windows-932");
  const std::string plain = "abcdefghijklmnopq";
  for (std::size_t at = 0; at + 1 < plain.size(); ++at) {
    DataPacketWriter writer(1, *cp932);
    writer.AddColumn("T", kText, 0);
    writer.EndAttributes();
    writer.BeginRow();
    std::string text = plain;
    text.replace(at, 2, "\x83\x5C");
    writer.PutText(text + "\\");
    ASSERT_EQ(Between(Finished(writer), "<ROW T=\"", "\"/>"), text + "&#092;") << "at " << at;
  }
}

// A strict XML parser takes every packet without repeated attribute names.
TEST(DataPacketWriter, PacketsAreWellFormedXml) {
  DataPacketWriter writer(6);
  AddMappedColumn(writer, "MY TITLE",
                  MapField({.type = ftString, .size = 40, .fixed_length = true}));
  AddMappedColumn(writer, "ID", MapField({.type = ftAutoInc}));
  AddMappedColumn(writer, "NOTE", MapField({.type = ftMemo, .size = 10}));
  AddMappedColumn(writer, "PIC", MapField({.type = ftGraphic}));
  AddMappedColumn(writer, "CODE", MapField({.type = ftBytes, .size = 4}));
  AddMappedColumn(writer, "COST", MapField({.type = ftBCD, .precision = 8, .scale = 2}));
  writer.AddFieldAttribute("ORIGIN", kTypeAttributeString, "a\"b"s);
  writer.AddDatasetAttribute("DEFAULT_ORDER", kTypeUInt32Array, std::vector<std::int64_t>{2});
  writer.AddDatasetAttribute("SOURCE", kTypeAttributeString, "x&y"s);
  writer.AddDatasetAttribute("LCID", kTypeInt32, std::int64_t{1033});
  writer.EndAttributes();
  for (int row = 0; row < 3; ++row) {
    writer.BeginRow();
    writer.PutText("<\"Quoted\" & 'apostrophed'>\t\\");
    writer.PutInteger(row);
    row == 1 ? writer.PutNull() : writer.PutBytes("line\r\nline");
    writer.PutBytes("\x89PNG\r\n\x1a\n");
    writer.PutBytes("\x01\x02\x03\x04");
    writer.PutDecimal(PackedDecimal::FromText("-123456.78"));
  }
  testing::TempFolder folder;
  const auto path = folder / "packet.xml";
  testing::WriteAll(path, Finished(writer));
  // The parser must also read the escaped values back as they were put.
  testing::WriteAll(folder / "check.py", R"(import sys, xml.dom.minidom
rows = xml.dom.minidom.parse(sys.argv[1]).getElementsByTagName("ROW")
assert len(rows) == 3
title = rows[0].getAttribute("MY_TITLE")
assert title == "<\"Quoted\" & 'apostrophed'>\t\\", repr(title)
assert rows[0].getAttribute("NOTE") == "line\r\nline"
assert not rows[1].hasAttribute("NOTE")
assert rows[2].getAttribute("COST") == "-123456.78"
)");
  const std::string command =
      "python3 '" + (folder / "check.py").string() + "' '" + path.string() + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << testing::ReadAll(path);
}

}  // namespace
}  // namespace shelvex::exporting
