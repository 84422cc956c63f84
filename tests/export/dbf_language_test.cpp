// A table's language driver: the character set its text is converted from, and the locale it
// reports.

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>

#include "export/dbf_table.h"
#include "export/language_driver.h"
#include "platform/code_page.h"
#include "tests/support/dbf_writer.h"
#include "tests/support/temp_folder.h"

namespace shelvex::exporting {
namespace {

using testing::DbfFlavor;
using testing::DbfWriter;
using testing::TempFolder;

struct CharsetCase {
  const char* label;
  DbfFlavor flavor;
  std::uint8_t driver;
  const char* driver_name;  // level 7 header
  std::string stored;       // bytes in the table
  std::string ansi;         // the same text in windows-1252
  std::optional<std::uint32_t> lcid;
};

void PrintTo(const CharsetCase& c, std::ostream* out) { *out << c.label; }

const CharsetCase kCharsetCases[] = {
    {"NoDriverIsOem437", DbfFlavor::kDbase4, 0x00, "", "\x82t\x82", "\xE9t\xE9", std::nullopt},
    {"UnknownDriverIsOem437", DbfFlavor::kDbase4, 0xEE, "", "\x82", "\xE9", std::nullopt},
    {"Dos437", DbfFlavor::kDbase4, 0x01, "", "\x81\x9C", "\xFC\xA3", 1033},
    {"Dos850", DbfFlavor::kDbase4, 0x02, "", "\x82\x9C\xD0", "\xE9\xA3\xF0", 1033},
    {"Dos852Czech", DbfFlavor::kDbase4, 0x1F, "", "\xE7\xA7\x9F", "\x9A\x9E?", 1029},
    {"Dos866Russian", DbfFlavor::kDbase4, 0x26, "", "\x80", "?", 1049},
    {"Dos865Danish", DbfFlavor::kDbase4, 0x08, "", "\x9B", "\xF8", 1030},
    {"Windows1252", DbfFlavor::kDbase4, 0x03, "", "\x81\xE9\x80", "\x81\xE9\x80", 1033},
    {"CurrentAnsi", DbfFlavor::kDbase4, 0x57, "", "\xE9", "\xE9", 1033},
    {"Windows1250", DbfFlavor::kDbase4, 0xC8, "", "\x9A\xE8", "\x9A?", 1029},
    {"Windows1251", DbfFlavor::kDbase4, 0xC9, "", "\xC0", "?", 1049},
    {"Kamenicky", DbfFlavor::kDbase4, 0x68, "", "\x80\xA0\x82\x9B", "?\xE1\xE9\x8A", 1029},
    {"Mazovia", DbfFlavor::kDbase4, 0x69, "", "\x86\xA2\x82", "?\xF3\xE9", 1045},
    {"ShiftJis", DbfFlavor::kVisualFoxPro, 0x13, "", "A\x82\xA0", "A?", 1041},
    {"MacRoman", DbfFlavor::kDbase4, 0x04, "", "\x8E", "\xE9", 1033},
    {"Dbase7ByName", DbfFlavor::kDbase7, 0x00, "DB850DE0", "\x82", "\xE9", 1031},
    {"Dbase7WindowsByName", DbfFlavor::kDbase7, 0x00, "DBWINUS0", "\x82", "\x82", 1033},
    {"Dbase7UnknownName", DbfFlavor::kDbase7, 0x00, "XYZ", "\x82", "\xE9", std::nullopt},
    {"Dbase7ByteWins", DbfFlavor::kDbase7, 0x03, "DB850DE0", "\x82", "\x82", 1033},
};

class TableCharset : public ::testing::TestWithParam<CharsetCase> {};

TEST_P(TableCharset, ConvertsTextToAnsiAndLeavesBinaryAlone) {
  const CharsetCase& c = GetParam();
  TempFolder folder;
  {
    const char binary_type = c.flavor == DbfFlavor::kVisualFoxPro ? 'W' : 'B';
    DbfWriter writer(folder / "t.dbf", c.flavor,
                     {{"TEXT", 'C', 10}, {"NOTE", 'M'}, {"BIN", binary_type}},
                     {.language_driver = c.driver, .driver_name = c.driver_name});
    writer.Text(0, c.stored).Memo(1, c.stored).Memo(2, c.stored).EndRecord();
  }
  DbfTable table(folder.path(), "t.dbf");
  EXPECT_EQ(table.lcid(), c.lcid);
  ASSERT_TRUE(table.Next());
  EXPECT_EQ(table.Value(0).bytes, c.ansi);
  EXPECT_EQ(table.Value(1).bytes, c.ansi);
  EXPECT_EQ(table.Value(2).bytes, c.stored);
  // Reading again gives the same converted text (the conversion is not applied twice).
  EXPECT_EQ(table.Value(0).bytes, c.ansi);
  table.First();
  ASSERT_TRUE(table.Next());
  EXPECT_EQ(table.Value(1).bytes, c.ansi);
}

INSTANTIATE_TEST_SUITE_P(Drivers, TableCharset, ::testing::ValuesIn(kCharsetCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(TableCharset, FieldNamesAreAnsiTextHeldAsUtf8) {
  TempFolder folder;
  {
    DbfWriter writer(folder / "t.dbf", DbfFlavor::kDbase3, {{"PR\x82IS", 'N', 8}, {"\xD5", 'C', 2}},
                     {.language_driver = 0x02});
    writer.EndRecord();
  }
  DbfTable table(folder.path(), "t.dbf");
  ASSERT_EQ(table.fields().size(), 2u);
  EXPECT_EQ(table.fields()[0].name, "PR\xC3\xA9IS");  // PRéIS
  EXPECT_EQ(table.fields()[1].name, "?");             // 850's dotless i is not in windows-1252
}

TEST(LanguageDriverTable, EveryDriverHasAConverterAndIsFoundByItsId) {
  std::set<int> ids;
  for (const LanguageDriver& driver : LanguageDriverTable()) {
    SCOPED_TRACE(driver.description);
    EXPECT_TRUE(ids.insert(driver.id).second) << "id listed twice";
    ASSERT_TRUE(FindLanguageDriver(driver.id).has_value());
    EXPECT_EQ(FindLanguageDriver(driver.id)->description, driver.description);
    EXPECT_NE(driver.lcid, 0u);
    if (driver.built_in) {
      EXPECT_EQ(BuiltInCodePage(driver.code_page).size(), 256u);
    } else if (!driver.icu_name.empty()) {
      EXPECT_NO_THROW(platform::CodePage::Open(driver.icu_name));
    }
  }
  EXPECT_FALSE(FindLanguageDriver(0x00).has_value());
}

}  // namespace
}  // namespace shelvex::exporting
