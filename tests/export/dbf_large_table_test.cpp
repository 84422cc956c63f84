// Tables and memo files larger than the windows they are read through: records and memos read the
// same in every order of visiting, and a table cut short by another program while it is read ends
// cleanly.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "export/dbf_table.h"
#include "platform/error.h"
#include "tests/support/dbf_writer.h"
#include "tests/support/temp_folder.h"

namespace shelvex::exporting {
namespace {

namespace fs = std::filesystem;
using testing::DbfFlavor;
using testing::DbfWriter;
using testing::TempFolder;

constexpr std::uint32_t kRecords = 4000;

std::string NameFor(std::uint32_t n) { return "record " + std::to_string(n); }

bool DeletedAt(std::uint32_t n) { return n % 13 == 0; }

// Mostly a few words; some values longer than a block, some longer than the first read of a
// value, one longer than a whole window, and some records without a memo.
std::string MemoFor(std::uint32_t n) {
  if (n % 11 == 0) return "";
  std::size_t length = 20 + n % 90;
  if (n % 97 == 0) length = 700 + n % 300;
  if (n % 1000 == 0) length = 5000 + n;
  if (n == 2500) length = 300 * 1024;
  std::string memo;
  while (memo.size() < length) memo += "note " + std::to_string(n) + ", ";
  memo.resize(length);
  return memo;
}

void WriteTable(const fs::path& path, DbfFlavor flavor) {
  DbfWriter writer(path, flavor, {{"NAME", 'C', 120}, {"NOTE", 'M'}});
  for (std::uint32_t n = 1; n <= kRecords; ++n) {
    writer.Text(0, NameFor(n));
    const std::string memo = MemoFor(n);
    if (!memo.empty()) writer.Memo(1, memo);
    writer.EndRecord(DeletedAt(n));
  }
}

class LargeTable : public ::testing::TestWithParam<DbfFlavor> {};

TEST_P(LargeTable, ReadsAlikeInEveryOrder) {
  TempFolder folder;
  WriteTable(folder / "t.dbf", GetParam());
  DbfTable table(folder.path(), "t.dbf");
  ASSERT_EQ(table.record_count(), kRecords);

  auto check = [&table](std::uint32_t n) {
    ASSERT_EQ(table.record_number(), n);
    ASSERT_EQ(table.Value(0).bytes, NameFor(n));
    const FieldValue& note = table.Value(1);
    ASSERT_EQ(note.is_null, MemoFor(n).empty()) << "record " << n;
    if (!note.is_null) {
      ASSERT_EQ(note.bytes, MemoFor(n)) << "record " << n;
    }
  };

  std::vector<std::uint32_t> live;
  while (table.Next()) {
    live.push_back(table.record_number());
    check(table.record_number());
  }
  ASSERT_EQ(live.size(), kRecords - kRecords / 13);

  std::vector<std::uint32_t> backwards(live.rbegin(), live.rend());
  std::vector<std::uint32_t> shuffled = live;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(5));
  // Every 40th record forwards, then backwards: jumps shorter than a window.
  std::vector<std::uint32_t> strided;
  for (std::size_t i = 0; i < live.size(); i += 40) strided.push_back(live[i]);
  for (std::size_t i = 0; i < live.size(); i += 40) strided.push_back(live[live.size() - 1 - i]);
  for (const auto* order : {&backwards, &shuffled, &strided}) {
    for (const std::uint32_t n : *order) {
      ASSERT_TRUE(table.GoTo(n)) << n;
      check(n);
    }
  }
  // A record that cannot be visited leaves the reader on the one before, however far away.
  for (std::uint32_t n = 13; n <= kRecords; n += 13 * 29) {
    ASSERT_TRUE(table.GoTo(5));
    EXPECT_FALSE(table.GoTo(n)) << n;
    check(5);
    EXPECT_FALSE(table.GoTo(kRecords + 1));
    check(5);
  }
}

std::string FlavorName(const ::testing::TestParamInfo<DbfFlavor>& info) {
  switch (info.param) {
    case DbfFlavor::kDbase3:
      return "Dbase3";
    case DbfFlavor::kDbase4:
      return "Dbase4";
    default:
      return "FoxPro2";
  }
}

INSTANTIATE_TEST_SUITE_P(MemoLayouts, LargeTable,
                         ::testing::Values(DbfFlavor::kDbase3, DbfFlavor::kDbase4,
                                           DbfFlavor::kFoxPro2),
                         FlavorName);

// Another program cuts the table after it was opened: the walk ends with the last record that is
// still there whole, records past the cut cannot be visited, and nothing faults.
TEST(LargeTableCut, EndsWithTheRecordsStillThere) {
  TempFolder folder;
  std::uint32_t header_length = 0;
  std::uint32_t record_length = 0;
  {
    DbfWriter writer(folder / "t.dbf", DbfFlavor::kDbase4, {{"NAME", 'C', 120}});
    for (std::uint32_t n = 1; n <= kRecords; ++n) writer.Text(0, NameFor(n)).EndRecord();
    writer.Finish();
    header_length = writer.header_length();
    record_length = writer.record_length();
  }
  DbfTable table(folder.path(), "t.dbf");
  constexpr std::uint32_t kLeft = 2900;
  fs::resize_file(folder / "t.dbf", header_length + kLeft * record_length + record_length / 2);

  std::uint32_t count = 0;
  while (table.Next()) {
    ++count;
    ASSERT_EQ(table.Value(0).bytes, NameFor(count));
  }
  EXPECT_EQ(count, kLeft);
  EXPECT_EQ(table.record_number(), 0u);
  EXPECT_FALSE(table.GoTo(kLeft + 1));
  EXPECT_FALSE(table.GoTo(kRecords));
  ASSERT_TRUE(table.GoTo(kLeft));
  EXPECT_EQ(table.Value(0).bytes, NameFor(kLeft));
}

// A memo file cut after the table was opened: a value past the cut is reported, naming the file
// and the block.
TEST(LargeTableCut, MemoPastTheCutIsAnError) {
  TempFolder folder;
  WriteTable(folder / "t.dbf", DbfFlavor::kDbase4);
  DbfTable table(folder.path(), "t.dbf");
  fs::resize_file(folder / "t.dbt", 4096);
  ASSERT_TRUE(table.GoTo(3001));
  try {
    table.Value(1);
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_THAT(std::string(error.what()),
                ::testing::MatchesRegex("t\\.dbt: memo block [0-9]+ is cut short"));
  }
}

}  // namespace
}  // namespace shelvex::exporting
