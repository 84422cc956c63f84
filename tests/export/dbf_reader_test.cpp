// The table reader on tables written by the test writer: every kind of field of every family,
// nulls, deleted records, random access and the files beside a table.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/dbf_table.h"
#include "tests/support/dbf_writer.h"
#include "tests/support/temp_folder.h"

namespace shelvex::exporting {
namespace {

using testing::DbfFlavor;
using testing::DbfWriter;
using testing::TempFolder;

// A table of five records; 2 and 4 deleted.
void WriteFiveWithTwoDeleted(const std::filesystem::path& path) {
  DbfWriter writer(path, DbfFlavor::kDbase3, {{"NAME", 'C', 8}, {"NOTE", 'M'}});
  for (int i = 1; i <= 5; ++i) {
    writer.Text(0, "rec" + std::to_string(i))
        .Memo(1, "memo" + std::to_string(i))
        .EndRecord(i == 2 || i == 4);
  }
}

TEST(DbfReader, SkipsDeletedRecordsAndReadsAgainFromTheStart) {
  TempFolder folder;
  WriteFiveWithTwoDeleted(folder / "t.dbf");
  DbfTable table(folder.path(), "t.dbf");
  EXPECT_EQ(table.record_count(), 5u);
  for (int pass = 0; pass < 2; ++pass) {
    table.First();
    std::vector<std::uint32_t> numbers;
    std::vector<std::string> names;
    while (table.Next()) {
      numbers.push_back(table.record_number());
      names.emplace_back(table.Value(0).bytes);
      EXPECT_EQ(table.Value(1).bytes, "memo" + names.back().substr(3));
    }
    EXPECT_EQ(numbers, (std::vector<std::uint32_t>{1, 3, 5}));
    EXPECT_EQ(names, (std::vector<std::string>{"rec1", "rec3", "rec5"}));
    EXPECT_EQ(table.record_number(), 0u);
  }
}

TEST(DbfReader, VisitsRecordsByNumberInAnyOrder) {
  TempFolder folder;
  WriteFiveWithTwoDeleted(folder / "t.dbf");
  DbfTable table(folder.path(), "t.dbf");
  for (std::uint32_t number : {5u, 1u, 3u, 5u}) {
    ASSERT_TRUE(table.GoTo(number));
    EXPECT_EQ(table.record_number(), number);
    EXPECT_EQ(table.Value(0).bytes, "rec" + std::to_string(number));
    EXPECT_EQ(table.Value(1).bytes, "memo" + std::to_string(number));
  }
  for (std::uint32_t missing : {0u, 2u, 4u, 6u}) EXPECT_FALSE(table.GoTo(missing)) << missing;
}

TEST(DbfReader, AnyFirstByteButAsteriskIsALiveRecord) {
  TempFolder folder;
  {
    DbfWriter writer(folder / "t.dbf", DbfFlavor::kDbase3, {{"C", 'C', 2}});
    writer.Text(0, "a").EndRecord();
    writer.Text(0, "b").EndRecord();
  }
  testing::PatchFile(folder / "t.dbf", 32 + 32 + 1, "#");  // first byte of record 1
  DbfTable table(folder.path(), "t.dbf");
  std::vector<std::string> names;
  while (table.Next()) names.emplace_back(table.Value(0).bytes);
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));
}

TEST(DbfReader, HeaderClaimingMoreRecordsDeliversThoseThere) {
  TempFolder folder;
  std::uint32_t header_length = 0;
  std::uint32_t record_length = 0;
  {
    DbfWriter writer(folder / "t.dbf", DbfFlavor::kDbase3, {{"C", 'C', 3}});
    for (const char* name : {"one", "two", "six"}) writer.Text(0, name).EndRecord();
    writer.Finish();
    header_length = writer.header_length();
    record_length = writer.record_length();
  }
  testing::PatchFile(folder / "t.dbf", 4, std::string("\x64\x00\x00\x00", 4));  // 100 records
  // Cut the file in the middle of the third record.
  std::filesystem::resize_file(folder / "t.dbf", header_length + 2 * record_length + 2);
  DbfTable table(folder.path(), "t.dbf");
  EXPECT_EQ(table.reader().file().header_record_count(), 100u);
  EXPECT_EQ(table.record_count(), 2u);
  std::vector<std::string> names;
  while (table.Next()) names.emplace_back(table.Value(0).bytes);
  EXPECT_EQ(names, (std::vector<std::string>{"one", "two"}));
}

TEST(DbfReader, ReadOnlyTableStillOpens) {
  TempFolder folder;
  WriteFiveWithTwoDeleted(folder / "t.dbf");
  std::filesystem::permissions(folder / "t.dbf", std::filesystem::perms::owner_read);
  std::filesystem::permissions(folder / "t.dbt", std::filesystem::perms::owner_read);
  std::filesystem::permissions(
      folder.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  DbfTable table(folder.path(), "t.dbf");
  ASSERT_TRUE(table.Next());
  EXPECT_EQ(table.Value(1).bytes, "memo1");
}

TEST(DbfReader, FindsTableAndMemoFileWhateverTheirCase) {
  TempFolder folder;
  {
    DbfWriter writer(folder / "BOOKS.DBF", DbfFlavor::kFoxPro2, {{"NOTE", 'M'}});
    writer.Memo(0, "found").EndRecord();
  }
  std::filesystem::rename(folder / "BOOKS.FPT", folder / "Books.Fpt");
  DbfTable table(folder.path(), "books.dbf");
  EXPECT_EQ(table.path().filename(), "BOOKS.DBF");
  EXPECT_EQ(table.driver_type(), "FOXPRO");
  ASSERT_TRUE(table.Next());
  EXPECT_EQ(table.Value(0).bytes, "found");
}

TEST(DbfReader, ZeroWidthCharacterFieldIsLeftOut) {
  TempFolder folder;
  {
    DbfWriter writer(folder / "t.dbf", DbfFlavor::kDbase3, {{"EMPTY", 'C', 0}, {"TITLE", 'C', 5}});
    writer.Text(1, "kept").EndRecord();
  }
  DbfTable table(folder.path(), "t.dbf");
  ASSERT_EQ(table.reader().columns().size(), 2u);
  EXPECT_EQ(table.reader().columns()[0].units1, 0);
  ASSERT_EQ(table.fields().size(), 1u);
  EXPECT_EQ(table.fields()[0].name, "TITLE");
  EXPECT_EQ(table.fields()[0].field_no, 2);
  ASSERT_TRUE(table.Next());
  EXPECT_EQ(table.Value(0).bytes, "kept");
}

TEST(DbfReader, UnknownFieldTypeIsLeftOutAndTheRestReads) {
  TempFolder folder;
  {
    DbfWriter writer(folder / "t.dbf", DbfFlavor::kDbase3, {{"ODD", 'X', 4}, {"TITLE", 'C', 5}});
    writer.Raw(0, "????").Text(1, "ok").EndRecord();
  }
  DbfTable table(folder.path(), "t.dbf");
  ASSERT_EQ(table.fields().size(), 1u);
  ASSERT_TRUE(table.Next());
  EXPECT_EQ(table.Value(0).bytes, "ok");
}

TEST(DbfReader, AutoIncrementIsReadOnlyAndNeverRequired) {
  TempFolder folder;
  {
    DbfWriter writer(
        folder / "t.dbf", DbfFlavor::kDbase7,
        {{"ID", '+', -1, 0, 0, true}, {"TITLE", 'C', 10, 0, 0, true}, {"NOTE", 'C', 10}});
    writer.Integer(0, 1).Text(1, "x").EndRecord();
  }
  DbfTable table(folder.path(), "t.dbf");
  ASSERT_EQ(table.fields().size(), 3u);
  const FieldDef& id = table.fields()[0];
  EXPECT_EQ(id.data_type, ftAutoInc);
  EXPECT_TRUE(id.read_only);
  EXPECT_FALSE(id.required);
  EXPECT_TRUE(table.fields()[1].required);
  EXPECT_FALSE(table.fields()[1].read_only);
  EXPECT_FALSE(table.fields()[2].required);
}

TEST(DbfReader, VisualFoxProHidesNullFlagsAndNothingIsRequired) {
  TempFolder folder;
  {
    DbfWriter writer(folder / "t.dbf", DbfFlavor::kVisualFoxPro,
                     {{"A", 'C', 3}, {"B", 'C', 3, 0, 0x02}, {"V", 'V', 8, 0, 0x02}});
    writer.Text(0, "a").Null(1).Text(2, "v").EndRecord();
    writer.Text(0, "b").Text(1, "bb").Text(2, "12345678").EndRecord();
  }
  DbfTable table(folder.path(), "t.dbf");
  EXPECT_EQ(table.reader().file().fields().size(), 4u);  // _NullFlags last
  ASSERT_EQ(table.fields().size(), 3u);
  for (const FieldDef& field : table.fields()) EXPECT_FALSE(field.required) << field.name;
  EXPECT_TRUE(table.reader().validity().empty());
  ASSERT_TRUE(table.Next());
  EXPECT_EQ(table.Value(0).bytes, "a");
  EXPECT_TRUE(table.Value(1).is_null);
  EXPECT_EQ(table.Value(2).bytes, "v");
  ASSERT_TRUE(table.Next());
  EXPECT_EQ(table.Value(1).bytes, "bb");
  EXPECT_EQ(table.Value(2).bytes, "12345678");
}

TEST(DbfReader, VersionFourWithDbase4HeaderReadsAsDbase4) {
  // Some writers mark a dBase IV table without memo 04, the version byte of dBase 7.
  TempFolder folder;
  {
    DbfWriter writer(folder / "t.dbf", DbfFlavor::kDbase4, {{"TITLE", 'C', 5}, {"N", 'N', 4}});
    writer.Text(0, "four").Text(1, "4").EndRecord();
  }
  testing::PatchFile(folder / "t.dbf", 0, "\x04");
  DbfTable table(folder.path(), "t.dbf");
  EXPECT_EQ(table.reader().file().family(), DbfFamily::kDbase);
  ASSERT_EQ(table.fields().size(), 2u);
  ASSERT_TRUE(table.Next());
  EXPECT_EQ(table.Value(0).bytes, "four");
  EXPECT_EQ(table.Value(1).number, 4.0);

  TempFolder seven;
  {
    DbfWriter writer(seven / "t.dbf", DbfFlavor::kDbase7, {{"TITLE", 'C', 5}});
    writer.Text(0, "seven").EndRecord();
  }
  DbfTable level7(seven.path(), "t.dbf");
  EXPECT_EQ(level7.reader().file().family(), DbfFamily::kDbase7);
  ASSERT_TRUE(level7.Next());
  EXPECT_EQ(level7.Value(0).bytes, "seven");
}

TEST(DbfReader, ClipperLongCharacterFieldUsesTheDecimalsByte) {
  TempFolder folder;
  const std::string text(300, 'x');
  {
    DbfWriter writer(folder / "t.dbf", DbfFlavor::kDbase3, {{"LONG", 'C', 300}});
    writer.Text(0, text).EndRecord();
  }
  // The writer stores 300 as length 44; a Clipper table puts the high byte into the decimals byte.
  testing::PatchFile(folder / "t.dbf", 32 + 17, "\x01");
  DbfTable table(folder.path(), "t.dbf");
  ASSERT_EQ(table.fields().size(), 1u);
  EXPECT_EQ(table.fields()[0].size, 300);
  ASSERT_TRUE(table.Next());
  EXPECT_EQ(table.Value(0).bytes, text);
}

}  // namespace
}  // namespace shelvex::exporting
