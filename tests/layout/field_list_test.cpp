#include "layout/field_list.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "layout/value_reader.h"
#include "layout/value_writer.h"

namespace shelvex::layout {
namespace {

std::string Hex(std::string_view text) {
  std::string bytes;
  std::istringstream in{std::string(text)};
  unsigned value = 0;
  while (in >> std::hex >> value) bytes += static_cast<char>(value);
  return bytes;
}

// Builds page bytes value by value, the way older writers laid them out.
class PageBytes {
 public:
  PageBytes() : writer_(sink_) {}

  PageBytes& Int(std::int32_t value) {
    writer_.WriteInteger(value);
    return *this;
  }
  PageBytes& Str(std::string_view value) {
    writer_.WriteString(value);
    return *this;
  }
  PageBytes& Raw(std::string_view hex) {
    sink_.sputn(Hex(hex).data(), static_cast<std::streamsize>(Hex(hex).size()));
    return *this;
  }
  PageBytes& ListBegin() {
    writer_.WriteListBegin();
    return *this;
  }
  PageBytes& ListEnd() {
    writer_.WriteListEnd();
    return *this;
  }
  // PageNo through Formula.
  PageBytes& ShortPart(std::int32_t sub_type, std::string_view label, std::string_view formula) {
    return Int(4).Int(1).Int(sub_type).Int(9).Str(label).Int(120).Int(0).Str(formula);
  }
  // The joined lists through ExtraStr3.
  PageBytes& FullPart(std::string_view columns, std::string_view widths) {
    return Str(columns).Str(widths).Int(-1).Int(300).Int(70000).Str("s1").Str("s2").Str("s3");
  }
  std::string str() const { return sink_.str(); }

 private:
  std::stringbuf sink_;
  ValueWriter writer_;
};

struct Loaded {
  TFieldList list;
  std::optional<std::int32_t> next_integer;  // what follows the page, when an integer does
};

Loaded LoadPage(const std::string& bytes) {
  std::stringbuf source(bytes);
  ValueReader reader(source, "page.def");
  Loaded loaded;
  loaded.list.Add(TFieldRecord(1, 0, 0));  // Load must replace what was there
  loaded.list.PageName = "stale";
  loaded.list.Load(reader);
  try {
    loaded.next_integer = reader.ReadInteger();
  } catch (const ValueReadError&) {
  }
  return loaded;
}

TEST(TFieldListSave, WritesVersionOneWithEveryRecordsFullPart) {
  TFieldList page;
  TFieldRecord& record = page.Add(TFieldRecord(1, 0, 0));
  record.FieldLabel = "A";
  record.Columns = {"x", "y"};
  page.PageName = "P";
  std::stringbuf sink;
  ValueWriter writer(sink);
  page.Save(writer);
  EXPECT_EQ(sink.str(), Hex("02 01  01"
                            "  02 00  02 01  02 03  02 00  06 01 41  02 50  02 02  12 00 00 00 00"
                            "  06 04 78 3B 79 3B  12 00 00 00 00  02 00  02 00  02 00"
                            "  12 00 00 00 00  12 00 00 00 00  12 00 00 00 00"
                            "  00  06 01 50"));
}

TEST(TFieldListSave, RoundTripsEveryField) {
  TFieldList page;
  TFieldRecord& loan = page.Add(TFieldRecord(24, 12, 2));
  loan.FieldSubType = fstLoan;
  loan.FieldLabel = "Borrower \xE2\x80\x93 name";
  loan.FieldHeight = -70000;
  loan.Decimals = 40000;
  loan.Formula = "member.dbf";
  loan.Columns = {"NAME", "", "Caf\xC3\xA9"};
  loan.Widths = {"100", "20"};
  loan.ExtraInt1 = INT32_MIN;
  loan.ExtraInt2 = -1;
  loan.ExtraInt3 = 128;
  loan.ExtraStr1 = std::string(300, 'w');
  loan.ExtraStr3 = "\xF0\x9F\x93\x9A";
  TFieldRecord& unknown = page.Add(TFieldRecord(255, -1, -1));
  unknown.FieldSubType = static_cast<TFieldSubType>(200);
  page.PageName = "Ausleihe \xC3\xBC";

  std::stringbuf sink;
  ValueWriter writer(sink);
  page.Save(writer);
  writer.WriteInteger(77);
  Loaded loaded = LoadPage(sink.str());

  ASSERT_EQ(loaded.list.Count(), 2);
  EXPECT_EQ(*loaded.list.GetItem(0), loan);
  EXPECT_EQ(*loaded.list.GetItem(1), unknown);
  EXPECT_EQ(loaded.list.PageName, page.PageName);
  EXPECT_EQ(loaded.next_integer, 77);
}

bool CarriesFullPartInVersion0(int sub_type) {
  return sub_type == 15 || sub_type == 17 || sub_type == 18;
}

TEST(TFieldListLoad, VersionZeroGivesTheFullPartOnlyToRelatedTableFields) {
  for (int sub_type = 0; sub_type < 20; ++sub_type) {
    SCOPED_TRACE(sub_type);
    PageBytes bytes;
    bytes.ListBegin().ShortPart(sub_type, "first", "member.dbf");
    if (CarriesFullPartInVersion0(sub_type)) bytes.FullPart("NAME;CITY;", "100;50;");
    bytes.ShortPart(fstSimple, "second", "").ListEnd().Str("Old page").Int(1);
    Loaded loaded = LoadPage(bytes.str());

    ASSERT_EQ(loaded.list.Count(), 2);
    const TFieldRecord& first = *loaded.list.GetItem(0);
    EXPECT_EQ(first.FieldSubType, sub_type);
    EXPECT_EQ(first.PageNo, 4);
    EXPECT_EQ(first.FieldType, 1);
    EXPECT_EQ(first.FieldIndex, 9);
    EXPECT_EQ(first.FieldLabel, "first");
    EXPECT_EQ(first.FieldHeight, 120);
    EXPECT_EQ(first.Decimals, 0);
    EXPECT_EQ(first.Formula, "member.dbf");
    if (CarriesFullPartInVersion0(sub_type)) {
      EXPECT_EQ(first.Columns, (std::vector<std::string>{"NAME", "CITY"}));
      EXPECT_EQ(first.TotalWidth(), 150);
      EXPECT_EQ(first.ExtraInt1, -1);
      EXPECT_EQ(first.ExtraInt2, 300);
      EXPECT_EQ(first.ExtraInt3, 70000);
      EXPECT_EQ(first.ExtraStr1 + first.ExtraStr2 + first.ExtraStr3, "s1s2s3");
    } else {
      EXPECT_TRUE(first.Columns.empty());
      EXPECT_EQ(first.ExtraInt2, 0);
      EXPECT_TRUE(first.ExtraStr1.empty());
    }
    EXPECT_EQ(loaded.list.GetItem(1)->FieldLabel, "second");
    EXPECT_EQ(loaded.list.PageName, "Old page");
    EXPECT_EQ(loaded.next_integer, 1);
  }
}

TEST(TFieldListLoad, SplitsJoinedListsAtEachSemicolon) {
  struct Case {
    const char* joined;
    std::vector<std::string> entries;
  };
  const Case cases[] = {
      {"x;y", {"x"}}, {"a;;b;", {"a", "", "b"}}, {";", {""}}, {"", {}},
      {"abc", {}},    {";;", {"", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.joined);
    PageBytes bytes;
    bytes.Int(1).ListBegin().ShortPart(fstSimple, "f", "").FullPart(c.joined, c.joined).ListEnd();
    Loaded loaded = LoadPage(bytes.str());
    ASSERT_EQ(loaded.list.Count(), 1);
    EXPECT_EQ(loaded.list.GetItem(0)->Columns, c.entries);
    EXPECT_EQ(loaded.list.GetItem(0)->Widths, c.entries);
  }
}

TEST(TFieldListLoad, KeepsTheLowEightBitsOfTypeAndSubType) {
  PageBytes bytes;
  // Sub-type 0x112 is fstLoan once cut to 8 bits, so even this version-0 record carries the full
  // part.
  bytes.ListBegin().Int(70000).Int(0x1FF).Int(0x112).Int(-5).Str("f").Int(1).Int(2).Str("m.dbf");
  bytes.FullPart("A;", "1;").ListEnd();
  Loaded loaded = LoadPage(bytes.str());
  ASSERT_EQ(loaded.list.Count(), 1);
  const TFieldRecord& record = *loaded.list.GetItem(0);
  EXPECT_EQ(record.PageNo, 70000);
  EXPECT_EQ(record.FieldType, 0xFF);
  EXPECT_EQ(record.FieldSubType, fstLoan);
  EXPECT_EQ(record.FieldIndex, -5);
  EXPECT_EQ(record.Columns, std::vector<std::string>{"A"});
}

TEST(TFieldListLoad, DamagedPageIsEmptiedAndItsNameStillRead) {
  struct Case {
    const char* what;
    std::string bytes;
    const char* page_name;
    std::optional<std::int32_t> next_integer;
  };
  const Case cases[] = {
      {"a string where the list starts", PageBytes().Str("junk").Str("Named").Int(3).str(), "Named",
       3},
      {"an integer where the list starts", PageBytes().Int(1000).Str("N").Int(3).str(), "N", 3},
      {"a list never closed",
       PageBytes().Int(1).ListBegin().ShortPart(fstSimple, "good", "").FullPart("", "").str(),
       "",
       {}},
      {"a record cut short",
       PageBytes().Int(1).ListBegin().ShortPart(fstLoan, "cut", "x").Str("A;").str(),
       "",
       {}},
      {"an unknown tag in a record",
       PageBytes().ListBegin().ShortPart(fstSimple, "good", "").Raw("05").str(),
       "",
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Loaded loaded = LoadPage(c.bytes);
    EXPECT_EQ(loaded.list.Count(), 0);
    EXPECT_EQ(loaded.list.PageName, c.page_name);
    EXPECT_EQ(loaded.next_integer, c.next_integer);
  }
}

TEST(TFieldListLoad, ReadsThePageNameInEveryStringFormAndNothingElse) {
  struct Case {
    const char* what;
    std::string after_list;
    std::string page_name;
    std::optional<std::int32_t> next_integer;
  };
  const Case cases[] = {
      {"no name", PageBytes().Int(5).str(), "", 5},
      {"no name at the end of the file", "", "", {}},
      {"short name", PageBytes().Str("Loans").Int(5).str(), "Loans", 5},
      // Save writes an empty name as a wide string; it must not block the integer of the next page.
      {"empty name", PageBytes().Str("").Int(5).str(), "", 5},
      {"UTF-8 name", PageBytes().Str("Pr\xC3\xAAt").Int(5).str(), "Pr\xC3\xAAt", 5},
      {"wide name", PageBytes().Str("\xE2\x82\xAC").Int(5).str(), "\xE2\x82\xAC", 5},
      {"long name", PageBytes().Str(std::string(300, 'n')).Int(5).str(), std::string(300, 'n'), 5},
      {"name cut short", Hex("06 09 41 42"), "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Loaded loaded = LoadPage(PageBytes().Int(1).ListBegin().ListEnd().str() + c.after_list);
    EXPECT_EQ(loaded.list.PageName, c.page_name);
    EXPECT_EQ(loaded.next_integer, c.next_integer);
  }
}

TEST(TFieldListSave, SwallowsWriteFailures) {
  std::filebuf full;
  full.pubsetbuf(nullptr, 0);
  ASSERT_NE(full.open("/dev/full", std::ios::out | std::ios::binary), nullptr);
  ValueWriter writer(full);
  TFieldList page;
  page.Add(TFieldRecord(1, 0, 0));
  EXPECT_NO_THROW(page.Save(writer));
}

}  // namespace
}  // namespace shelvex::layout
