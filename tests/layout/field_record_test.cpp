#include "layout/field_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layout/field_list.h"
#include "platform/error.h"

namespace shelvex::layout {
namespace {

TEST(TFieldRecord, StartsWithTheFormDefaults) {
  TFieldRecord record(16, 7, 3);
  EXPECT_EQ(record.FieldType, 16);
  EXPECT_EQ(record.FieldIndex, 7);
  EXPECT_EQ(record.PageNo, 3);
  EXPECT_EQ(record.FieldSubType, fstSimple);
  EXPECT_EQ(record.FieldHeight, 80);
  EXPECT_EQ(record.Decimals, 2);
  EXPECT_TRUE(record.FieldLabel.empty() && record.Formula.empty());
  EXPECT_TRUE(record.Columns.empty() && record.Widths.empty());
  EXPECT_EQ(record.ExtraInt1 | record.ExtraInt2 | record.ExtraInt3, 0);
  EXPECT_TRUE(record.ExtraStr1.empty() && record.ExtraStr2.empty() && record.ExtraStr3.empty());
}

TEST(TFieldRecord, TotalWidthSumsDecimalEntries) {
  struct Case {
    std::vector<std::string> widths;
    std::int64_t total;
  };
  const Case cases[] = {
      {{}, 0},
      {{"120"}, 120},
      {{"10", "20", "-5", "+7"}, 32},
      {{"2147483647", "2147483647"}, 4294967294},
  };
  for (const Case& c : cases) {
    TFieldRecord record(1, 0, 0);
    record.Widths = c.widths;
    EXPECT_EQ(record.TotalWidth(), c.total);
  }
}

TEST(TFieldRecord, TotalWidthRejectsAnEntryThatIsNoInteger) {
  for (const char* bad : {"", "abc", "12px", " 5", "5 ", "+", "-", "+-1", "2147483648", "1.5"}) {
    SCOPED_TRACE(bad);
    TFieldRecord record(1, 0, 0);
    record.FieldLabel = "Title";
    record.Widths = {"10", bad};
    try {
      record.TotalWidth();
      ADD_FAILURE() << "no error";
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()),
                "field \"Title\": column width \"" + std::string(bad) + "\" is not an integer");
    }
  }
}

TEST(TFieldList, GetItemGivesNothingOutsideTheList) {
  TFieldList list;
  EXPECT_EQ(list.GetItem(0), nullptr);
  list.Add(TFieldRecord(1, 0, 0)).FieldLabel = "first";
  list.Add(TFieldRecord(1, 1, 0)).FieldLabel = "second";
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.GetItem(1)->FieldLabel, "second");
  EXPECT_EQ(list.GetItem(-1), nullptr);
  EXPECT_EQ(list.GetItem(2), nullptr);
  list.PageName = "Main";
  list.ClearList();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.GetItem(0), nullptr);
  EXPECT_EQ(list.PageName, "Main");
}

}  // namespace
}  // namespace shelvex::layout
