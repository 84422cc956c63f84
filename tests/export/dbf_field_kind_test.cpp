// Every kind of field of every table family, written by the test writer and read back: the DB field
// type it becomes and the value it holds, nulls included.

#include <gtest/gtest.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <variant>

#include "export/dbf_table.h"
#include "export/internal/dbf_values.h"
#include "tests/support/dbf_writer.h"
#include "tests/support/temp_folder.h"

namespace shelvex::exporting {
namespace {

using testing::DbfFieldSpec;
using testing::DbfFlavor;
using testing::DbfWriter;
using testing::TempFolder;

// Day count with day 1 = 1 January of year 1, computed through the standard calendar.
std::int64_t Days(int year, unsigned month, unsigned day) {
  using namespace std::chrono;
  const auto date =
      sys_days{std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day}};
  return (date - sys_days{std::chrono::year{1} / January / 1}).count() + 1;
}

double Stamp(int year, unsigned month, unsigned day, int hour, int minute, int second,
             int millisecond) {
  return static_cast<double>(Days(year, month, day)) * 86'400'000.0 +
         (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond);
}

using Expected =
    std::variant<std::monostate, std::int64_t, double, std::string>;  // monostate: null

struct ValueCase {
  const char* label;
  DbfFlavor flavor;
  DbfFieldSpec field_spec;
  std::function<void(DbfWriter&)> write;  // sets field 0 of the one record
  TFieldType type;
  Expected expected;
};

void PrintTo(const ValueCase& c, std::ostream* out) { *out << c.label; }

// Longer than one read of the memo file, and free of the byte that ends a dBase III memo.
std::string LongText() {
  std::string text;
  while (text.size() < 9000) text += "Salt and stone, " + std::to_string(text.size()) + "\r\n";
  return text;
}
const std::string kLongMemo = LongText();

const ValueCase kValueCases[] = {
    // Character: trailing blanks go, leading ones stay; a zero byte ends the text; all blanks is
    // empty, not null.
    {"CharacterTrimmed",
     DbfFlavor::kDbase3,
     {"C", 'C', 20},
     [](DbfWriter& w) { w.Text(0, "  Salt & Stone "); },
     ftString,
     std::string("  Salt & Stone")},
    {"CharacterBlank",
     DbfFlavor::kDbase3,
     {"C", 'C', 5},
     [](DbfWriter&) {},
     ftString,
     std::string()},
    {"CharacterZeroPadded",
     DbfFlavor::kDbase3,
     {"C", 'C', 6},
     [](DbfWriter& w) { w.Raw(0, std::string("abc\0 x", 6)); },
     ftString,
     std::string("abc")},
    // Numbers as text, parsed exactly.
    {"NumericNegative",
     DbfFlavor::kDbase3,
     {"N", 'N', 8, 2},
     [](DbfWriter& w) { w.Text(0, "-12.50"); },
     ftFloat,
     -12.5},
    {"NumericTenth",
     DbfFlavor::kDbase3,
     {"N", 'N', 8, 1},
     [](DbfWriter& w) { w.Text(0, "0.1"); },
     ftFloat,
     0.1},
    {"NumericLeftAligned",
     DbfFlavor::kDbase3,
     {"N", 'N', 8},
     [](DbfWriter& w) { w.Raw(0, "+7      "); },
     ftFloat,
     7.0},
    {"NumericLarge",
     DbfFlavor::kDbase4,
     {"N", 'N', 20},
     [](DbfWriter& w) { w.Text(0, "12345678901234567"); },
     ftFloat,
     12345678901234567.0},
    {"NumericBlank",
     DbfFlavor::kDbase3,
     {"N", 'N', 8},
     [](DbfWriter&) {},
     ftFloat,
     std::monostate{}},
    {"NumericOverflowMarker",
     DbfFlavor::kDbase3,
     {"N", 'N', 3},
     [](DbfWriter& w) { w.Number(0, 12345); },
     ftFloat,
     std::monostate{}},
    {"NumericGarbage",
     DbfFlavor::kDbase3,
     {"N", 'N', 6},
     [](DbfWriter& w) { w.Text(0, "1,5"); },
     ftFloat,
     std::monostate{}},
    {"Float",
     DbfFlavor::kDbase4,
     {"F", 'F', 20, 18},
     [](DbfWriter& w) { w.Text(0, "1.234567890123460000"); },
     ftFloat,
     1.23456789012346},
    // Dates: the class-6 day count; 15 March 2011 is day 734211.
    {"Date",
     DbfFlavor::kDbase3,
     {"D", 'D'},
     [](DbfWriter& w) { w.Date(0, 2011, 3, 15); },
     ftDate,
     std::int64_t{734211}},
    {"DateFirstDay",
     DbfFlavor::kDbase3,
     {"D", 'D'},
     [](DbfWriter& w) { w.Date(0, 1, 1, 1); },
     ftDate,
     std::int64_t{1}},
    {"DateLeapDay",
     DbfFlavor::kFoxPro2,
     {"D", 'D'},
     [](DbfWriter& w) { w.Date(0, 2000, 2, 29); },
     ftDate,
     Days(2000, 2, 29)},
    {"DateBlank", DbfFlavor::kDbase3, {"D", 'D'}, [](DbfWriter&) {}, ftDate, std::monostate{}},
    {"DateZeros",
     DbfFlavor::kDbase3,
     {"D", 'D'},
     [](DbfWriter& w) { w.Raw(0, "00000000"); },
     ftDate,
     std::monostate{}},
    {"DateImpossible",
     DbfFlavor::kDbase3,
     {"D", 'D'},
     [](DbfWriter& w) { w.Raw(0, "20110230"); },
     ftDate,
     std::monostate{}},
    // Logical.
    {"LogicalTrue",
     DbfFlavor::kDbase3,
     {"L", 'L'},
     [](DbfWriter& w) { w.Raw(0, "y"); },
     ftBoolean,
     std::int64_t{1}},
    {"LogicalFalse",
     DbfFlavor::kDbase3,
     {"L", 'L'},
     [](DbfWriter& w) { w.Raw(0, "N"); },
     ftBoolean,
     std::int64_t{0}},
    {"LogicalUnknown",
     DbfFlavor::kDbase3,
     {"L", 'L'},
     [](DbfWriter& w) { w.Raw(0, "?"); },
     ftBoolean,
     std::monostate{}},
    {"LogicalBlank",
     DbfFlavor::kDbase3,
     {"L", 'L'},
     [](DbfWriter&) {},
     ftBoolean,
     std::monostate{}},
    // Memo files of each layout; a blank pointer and a value of length 0 are null.
    {"MemoDbase3",
     DbfFlavor::kDbase3,
     {"M", 'M'},
     [](DbfWriter& w) { w.Memo(0, "line one\r\nline two"); },
     ftMemo,
     std::string("line one\r\nline two")},
    {"MemoDbase3Long",
     DbfFlavor::kDbase3,
     {"M", 'M'},
     [](DbfWriter& w) { w.Memo(0, kLongMemo); },
     ftMemo,
     kLongMemo},
    {"MemoBlankPointer",
     DbfFlavor::kDbase3,
     {"M", 'M'},
     [](DbfWriter&) {},
     ftMemo,
     std::monostate{}},
    {"MemoDbase4Long",
     DbfFlavor::kDbase4,
     {"M", 'M'},
     [](DbfWriter& w) { w.Memo(0, kLongMemo); },
     ftMemo,
     kLongMemo},
    {"MemoDbase4Empty",
     DbfFlavor::kDbase4,
     {"M", 'M'},
     [](DbfWriter& w) { w.Memo(0, ""); },
     ftMemo,
     std::monostate{}},
    {"BinaryDbase4",
     DbfFlavor::kDbase4,
     {"B", 'B'},
     [](DbfWriter& w) { w.Memo(0, std::string("\x00\x1A\xFF", 3)); },
     ftBlob,
     std::string("\x00\x1A\xFF", 3)},
    {"OleDbase4",
     DbfFlavor::kDbase4,
     {"G", 'G'},
     [](DbfWriter& w) { w.Memo(0, "ole"); },
     ftDBaseOle,
     std::string("ole")},
    {"MemoFoxPro",
     DbfFlavor::kFoxPro2,
     {"M", 'M'},
     [](DbfWriter& w) { w.Memo(0, kLongMemo); },
     ftMemo,
     kLongMemo},
    {"GeneralFoxPro",
     DbfFlavor::kFoxPro2,
     {"G", 'G'},
     [](DbfWriter& w) { w.Memo(0, "obj"); },
     ftDBaseOle,
     std::string("obj")},
    {"MemoFoxProEmpty",
     DbfFlavor::kFoxPro2,
     {"M", 'M'},
     [](DbfWriter& w) { w.Memo(0, ""); },
     ftMemo,
     std::monostate{}},
    // Visual FoxPro binary fields, null flags and variable-length fields.
    {"VfpInteger",
     DbfFlavor::kVisualFoxPro,
     {"I", 'I'},
     [](DbfWriter& w) { w.Integer(0, -5); },
     ftInteger,
     std::int64_t{-5}},
    {"VfpAutoIncrement",
     DbfFlavor::kVisualFoxPro,
     {"ID", 'I', -1, 0, 0x0C},
     [](DbfWriter& w) { w.Integer(0, 7); },
     ftAutoInc,
     std::int64_t{7}},
    {"VfpCurrency",
     DbfFlavor::kVisualFoxPro,
     {"Y", 'Y'},
     [](DbfWriter& w) { w.Number(0, -12.3456); },
     ftCurrency,
     -12.3456},
    {"VfpDouble",
     DbfFlavor::kVisualFoxPro,
     {"B", 'B', -1, 2},
     [](DbfWriter& w) { w.Number(0, 1e20); },
     ftFloat,
     1e20},
    {"VfpDateTime",
     DbfFlavor::kVisualFoxPro,
     {"T", 'T'},
     [](DbfWriter& w) { w.DateTime(0, 2011, 3, 15, 14, 30, 0, 250); },
     ftDateTime,
     Stamp(2011, 3, 15, 14, 30, 0, 250)},
    {"VfpDateTimeEmpty",
     DbfFlavor::kVisualFoxPro,
     {"T", 'T'},
     [](DbfWriter&) {},
     ftDateTime,
     std::monostate{}},
    {"VfpVarcharShort",
     DbfFlavor::kVisualFoxPro,
     {"V", 'V', 10},
     [](DbfWriter& w) { w.Text(0, "abc "); },
     ftString,
     std::string("abc ")},
    {"VfpVarcharFull",
     DbfFlavor::kVisualFoxPro,
     {"V", 'V', 4},
     [](DbfWriter& w) { w.Text(0, "abcd"); },
     ftString,
     std::string("abcd")},
    {"VfpVarbinary",
     DbfFlavor::kVisualFoxPro,
     {"Q", 'Q', 6},
     [](DbfWriter& w) { w.Text(0, std::string("\x00\x01", 2)); },
     ftVarBytes,
     std::string("\x00\x01", 2)},
    {"VfpNullCharacter",
     DbfFlavor::kVisualFoxPro,
     {"C", 'C', 5, 0, 0x02},
     [](DbfWriter& w) { w.Null(0); },
     ftString,
     std::monostate{}},
    {"VfpNullableWithValue",
     DbfFlavor::kVisualFoxPro,
     {"C", 'C', 5, 0, 0x02},
     [](DbfWriter& w) { w.Text(0, "x"); },
     ftString,
     std::string("x")},
    {"VfpNullVarchar",
     DbfFlavor::kVisualFoxPro,
     {"V", 'V', 5, 0, 0x02},
     [](DbfWriter& w) { w.Text(0, "ab").Null(0); },
     ftString,
     std::monostate{}},
    {"VfpNullMemo",
     DbfFlavor::kVisualFoxPro,
     {"M", 'M', -1, 0, 0x02},
     [](DbfWriter& w) { w.Memo(0, "x").Null(0); },
     ftMemo,
     std::monostate{}},
    {"VfpMemo",
     DbfFlavor::kVisualFoxPro,
     {"M", 'M'},
     [](DbfWriter& w) { w.Memo(0, "vfp memo"); },
     ftMemo,
     std::string("vfp memo")},
    {"VfpBinaryMemo",
     DbfFlavor::kVisualFoxPro,
     {"M", 'M', -1, 0, 0x04},
     [](DbfWriter& w) { w.Memo(0, "\x82"); },
     ftBlob,
     std::string("\x82")},
    {"VfpBlob",
     DbfFlavor::kVisualFoxPro,
     {"W", 'W'},
     [](DbfWriter& w) { w.Memo(0, "blob"); },
     ftBlob,
     std::string("blob")},
    {"VfpPicture",
     DbfFlavor::kVisualFoxPro,
     {"P", 'P'},
     [](DbfWriter& w) { w.Memo(0, "png"); },
     ftGraphic,
     std::string("png")},
    // dBase 7 binary fields.
    {"Dbase7Long",
     DbfFlavor::kDbase7,
     {"I", 'I'},
     [](DbfWriter& w) { w.Integer(0, -123456); },
     ftInteger,
     std::int64_t{-123456}},
    {"Dbase7LongZero",
     DbfFlavor::kDbase7,
     {"I", 'I'},
     [](DbfWriter& w) { w.Integer(0, 0); },
     ftInteger,
     std::int64_t{0}},
    {"Dbase7LongUnset",
     DbfFlavor::kDbase7,
     {"I", 'I'},
     [](DbfWriter&) {},
     ftInteger,
     std::monostate{}},
    {"Dbase7AutoIncrement",
     DbfFlavor::kDbase7,
     {"ID", '+'},
     [](DbfWriter& w) { w.Integer(0, 42); },
     ftAutoInc,
     std::int64_t{42}},
    {"Dbase7Double",
     DbfFlavor::kDbase7,
     {"O", 'O'},
     [](DbfWriter& w) { w.Number(0, -2.5); },
     ftFloat,
     -2.5},
    {"Dbase7DoublePositive",
     DbfFlavor::kDbase7,
     {"O", 'O'},
     [](DbfWriter& w) { w.Number(0, 1234.125); },
     ftFloat,
     1234.125},
    {"Dbase7Timestamp",
     DbfFlavor::kDbase7,
     {"TS", '@'},
     [](DbfWriter& w) { w.DateTime(0, 1999, 12, 31, 23, 59, 59, 999); },
     ftDateTime,
     Stamp(1999, 12, 31, 23, 59, 59, 999)},
    {"Dbase7Binary",
     DbfFlavor::kDbase7,
     {"B", 'B'},
     [](DbfWriter& w) { w.Memo(0, "bin"); },
     ftBlob,
     std::string("bin")},
    {"Dbase7Memo",
     DbfFlavor::kDbase7,
     {"M", 'M'},
     [](DbfWriter& w) { w.Memo(0, "seven"); },
     ftMemo,
     std::string("seven")},
};

class FieldKind : public ::testing::TestWithParam<ValueCase> {};

TEST_P(FieldKind, ReadsAsItsTypeSays) {
  const ValueCase& c = GetParam();
  TempFolder folder;
  {
    DbfWriter writer(folder / "t.dbf", c.flavor, {c.field_spec}, {.language_driver = 0x03});
    c.write(writer);
    writer.EndRecord();
    writer.Finish();
  }
  DbfTable table(folder.path(), "t.dbf");
  ASSERT_EQ(table.fields().size(), 1u);
  EXPECT_EQ(table.fields()[0].data_type, c.type);
  ASSERT_TRUE(table.Next());
  const FieldValue& value = table.Value(0);
  if (std::holds_alternative<std::monostate>(c.expected)) {
    EXPECT_TRUE(value.is_null);
  } else if (const auto* integer = std::get_if<std::int64_t>(&c.expected)) {
    ASSERT_FALSE(value.is_null);
    EXPECT_EQ(value.integer, *integer);
  } else if (const auto* number = std::get_if<double>(&c.expected)) {
    ASSERT_FALSE(value.is_null);
    EXPECT_EQ(value.number, *number);
    EXPECT_FALSE(std::signbit(value.number) && *number == 0);
  } else {
    ASSERT_FALSE(value.is_null);
    EXPECT_EQ(value.bytes, std::get<std::string>(c.expected));
  }
  EXPECT_FALSE(table.Next());
}

INSTANTIATE_TEST_SUITE_P(AllFamilies, FieldKind, ::testing::ValuesIn(kValueCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(DbfReader, NegativeZeroReadsAsZero) {
  TempFolder folder;
  {
    DbfWriter writer(folder / "t.dbf", DbfFlavor::kDbase3, {{"N", 'N', 6, 2}});
    writer.Text(0, "-0.00").EndRecord();
  }
  DbfTable table(folder.path(), "t.dbf");
  ASSERT_TRUE(table.Next());
  EXPECT_EQ(table.Value(0).number, 0.0);
  EXPECT_FALSE(std::signbit(table.Value(0).number));
}

// Numeric text is read as the nearest double, whichever way it is parsed: the same bits as
// from_chars gives for short decimals and long ones, and no number for text that is none.
TEST(DbfReader, NumericTextReadsAsTheNearestDouble) {
  const auto reference = [](std::string text) -> std::optional<double> {
    while (!text.empty() && text.front() == ' ') text.erase(0, 1);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (!text.empty() && text.front() == '+') text.erase(0, 1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
    return value + 0.0;
  };
  std::vector<std::string> texts = {"0",
                                    "-0",
                                    "-0.00",
                                    "7",
                                    "  12.50",
                                    "26.90 ",
                                    "1.",
                                    ".5",
                                    "-.5",
                                    "-",
                                    "+3",
                                    "1.2.3",
                                    "12a",
                                    "1e5",
                                    "",
                                    "0.1",
                                    "000123.4500",
                                    "999999999999999",
                                    "9999999999999999",
                                    "123456789.012345",
                                    "1234567890.1234567"};
  std::mt19937_64 random(1998);
  for (int i = 0; i < 20000; ++i) {
    std::string digits = std::to_string(random() >> (random() % 64));
    const std::size_t point = random() % (digits.size() + 1);
    if (point < digits.size() && point > 0) digits.insert(point, ".");
    texts.push_back((random() % 3 == 0 ? "-" : "") + digits);
  }
  for (const std::string& text : texts) {
    const std::optional<double> expected = reference(text);
    const std::optional<double> read = internal::ParseNumber(text);
    ASSERT_EQ(read.has_value(), expected.has_value()) << "\"" << text << "\"";
    if (!read) continue;
    std::uint64_t read_bits, expected_bits;
    std::memcpy(&read_bits, &*read, sizeof read_bits);
    std::memcpy(&expected_bits, &*expected, sizeof expected_bits);
    ASSERT_EQ(read_bits, expected_bits) << "\"" << text << "\"";
  }
}

}  // namespace
}  // namespace shelvex::exporting
