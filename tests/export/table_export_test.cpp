#include "export/table_export.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/error.h"
#include "tests/support/access_rights.h"
#include "tests/support/dbf_writer.h"
#include "tests/support/index_writer.h"
#include "tests/support/temp_folder.h"

namespace shelvex::exporting {
namespace {

namespace fs = std::filesystem;
using shelvex::testing::DbfFieldSpec;
using shelvex::testing::DbfFlavor;
using shelvex::testing::DbfWriter;
using shelvex::testing::ReadAll;
using shelvex::testing::TempFolder;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr char kProlog[] =
    "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\">";

// The text between the n-th "<ROW" (0-based) and its "/>".
std::string Row(const std::string& xml, int n) {
  std::size_t at = xml.find("<ROWDATA>");
  for (int i = 0; i <= n; ++i) {
    at = xml.find("<ROW", at + 1);
    if (at == std::string::npos) return {};
  }
  return xml.substr(at, xml.find("/>", at) + 2 - at);
}

int CountOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos;
       at = text.find(part, at + part.size()))
    ++count;
  return count;
}

class TableExport : public ::testing::Test {
 protected:
  std::string Export(const std::string& table, const std::string& output_name = "out.xml") {
    ExportTableToXml(data_.Dir(), table, (out_ / output_name).string());
    return ReadAll(out_ / output_name);
  }

  // A catalogue table with one CATEGORY value per record.
  void WriteCatalogue(const std::vector<std::string>& categories,
                      const char* category_field = "CATEGORY") {
    DbfWriter table(data_ / "book.dbf", DbfFlavor::kDbase3,
                    {{"TITLE", 'C', 20}, {category_field, 'C', 15}});
    for (const std::string& category : categories) {
      table.Text(0, "t").Text(1, category);
      table.EndRecord();
    }
  }

  TempFolder data_;
  TempFolder out_;
};

TEST_F(TableExport, EveryRealWorldTableExportsAsOneLine) {
  struct Case {
    const char* table;
    const char* memo;
    int rows;
  };
  const Case cases[] = {{"dbase_03.dbf", nullptr, 14},
                        {"dbase_83.dbf", "dbase_83.dbt", 67},
                        {"dbase_8b.dbf", "dbase_8b.dbt", 10},
                        {"dbase_30.dbf", "dbase_30.fpt", 34},
                        {"dbase_f5.dbf", "dbase_f5.fpt", 975}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    shelvex::testing::CopyRealWorldFixture(c.table, data_.path());
    if (c.memo != nullptr) shelvex::testing::CopyRealWorldFixture(c.memo, data_.path());

    const std::string xml = Export(c.table);

    EXPECT_THAT(xml, StartsWith(kProlog));
    EXPECT_THAT(xml, EndsWith("</ROWDATA></DATAPACKET>"));
    EXPECT_EQ(xml.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(CountOf(xml, "<ROW ") + CountOf(xml, "<ROW/>"), c.rows);
  }
}

TEST_F(TableExport, RecordsReadByAnotherProgramAppearAsItGivesThem) {
  shelvex::testing::CopyRealWorldFixture("dbase_83.dbf", data_.path());
  shelvex::testing::CopyRealWorldFixture("dbase_83.dbt", data_.path());

  const std::string xml = Export("dbase_83.dbf");

  EXPECT_EQ(Row(xml, 0),
            "<ROW ID=\"87\" CATCOUNT=\"2\" AGRPCOUNT=\"0\" PGRPCOUNT=\"0\" ORDER=\"87\" CODE=\"1\" "
            "NAME=\"Assorted Petits Fours\" THUMBNAIL=\"graphics/00000001/t_1.jpg\" "
            "IMAGE=\"graphics/00000001/1.jpg\" PRICE=\"0\" COST=\"0\" DESC=\"Our Original "
            "assortment...a little "
            "taste of heaven for everyone.  Let us&#013;&#010;select a special assortment of our "
            "chocolate and "
            "pastel favorites for you.&#013;&#010;Each petit four is its own special hand "
            "decorated creation. "
            "Multi-layers of&#013;&#010;moist cake with combinations of specialty fillings create "
            "memorable "
            "cake&#013;&#010;confections. Varietes include; Luscious Lemon, Strawberry Hearts, "
            "White&#013;&#010;Chocolate, Mocha Bean, Roasted Almond, Triple Chocolate, Chocolate "
            "Hazelnut,&#013;&#010;Grand Orange, Plum Squares, Milk chocolate squares, and "
            "Raspberry Blanc.\" "
            "WEIGHT=\"5.51\" TAXABLE=\"TRUE\" ACTIVE=\"TRUE\"/>");
  const std::string tenth = Row(xml, 9);
  EXPECT_THAT(
      tenth,
      StartsWith("<ROW ID=\"34\" CATCOUNT=\"1\" AGRPCOUNT=\"0\" PGRPCOUNT=\"0\" ORDER=\"34\" "
                 "CODE=\"AB01\" NAME=\"Apricot Brandy Fruitcake\""));
  EXPECT_THAT(
      tenth,
      HasSubstr("PRICE=\"37.95\" COST=\"37.95\" DESC=\"Once tasted you will understand why we won "
                "The&#013;&#010;Boston Herald&apos;s Fruitcake Taste-off."));
  EXPECT_THAT(tenth, HasSubstr("judge &quot;It&apos;s a lip Smacker!&quot;"));
  EXPECT_THAT(tenth, HasSubstr("(3lbs. 4oz)\" WEIGHT=\"0\" TAXABLE=\"FALSE\" ACTIVE=\"TRUE\"/>"));
}

TEST_F(TableExport, CatalogueGetsItsCategoriesSortedWithoutCaseDuplicates) {
  WriteCatalogue({"Fiction", "fiction", "History", " ", "", "Art", " Poetry"});

  Export("book.dbf", "library.xml");

  EXPECT_EQ(ReadAll(out_ / "cat.txt"), " Poetry\r\nArt\r\nFiction\r\nHistory\r\n");
}

// The rows go out sorted by the key, but of two categories that differ only in case the one first
// in the file stays, as when the table is read from its first record for the list.
TEST_F(TableExport, SortedCatalogueKeepsTheCategoryFirstInTheFile) {
  {
    DbfWriter table(data_ / "book.dbf", DbfFlavor::kDbase4,
                    {{"ID", 'N', 5}, {"CATEGORY", 'C', 15}});
    table.Number(0, 2).Text(1, "fiction").EndRecord();
    table.Number(0, 1).Text(1, "Fiction").EndRecord();
  }
  shelvex::testing::WriteIndexImage(data_ / "BOOK.MDX",
                                    shelvex::testing::BuildMdx({{"ID", "ID", /*unique=*/true}}));

  const std::string xml = Export("book.dbf", "library.xml");

  EXPECT_THAT(Row(xml, 0), StartsWith("<ROW ID=\"1\""));
  EXPECT_EQ(ReadAll(out_ / "cat.txt"), "fiction\r\n");
}

TEST_F(TableExport, CategoryFileOnlyForACatalogueWithCategories) {
  struct Case {
    const char* label;
    std::vector<std::string> categories;
    const char* field;
    const char* output;
  };
  const Case cases[] = {
      {"the name test is case-sensitive", {"Art"}, "CATEGORY", "Library.xml"},
      {"another table", {"Art"}, "CATEGORY", "loan.xml"},
      {"no category field", {"Art"}, "GENRE", "library.xml"},
      {"only empty categories", {"", " ", ""}, "CATEGORY", "library.xml"},
      {"no records", {}, "CATEGORY", "library.xml"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove(out_ / "cat.txt");
    WriteCatalogue(c.categories, c.field);

    Export("book.dbf", c.output);

    EXPECT_TRUE(fs::exists(out_ / c.output));
    EXPECT_FALSE(fs::exists(out_ / "cat.txt"));
  }
}

TEST_F(TableExport, CategoryFieldIsFoundWhateverItsCase) {
  WriteCatalogue({"Travel"}, "Category");
  Export("book.dbf", "library.xml");
  EXPECT_EQ(ReadAll(out_ / "cat.txt"), "Travel\r\n");
}

TEST_F(TableExport, EmptyTableGivesEmptyRowData) {
  WriteCatalogue({});
  const std::string xml = Export("book.dbf");
  EXPECT_EQ(xml,
            std::string(kProlog) +
                "<METADATA><FIELDS><FIELD attrname=\"TITLE\" fieldtype=\"string\" WIDTH=\"20\"/>"
                "<FIELD attrname=\"CATEGORY\" fieldtype=\"string\" "
                "WIDTH=\"15\"/></FIELDS><PARAMS/></METADATA>"
                "<ROWDATA></ROWDATA></DATAPACKET>");
}

TEST_F(TableExport, UniqueAndDescendingTagsDecideKeysAndRowOrder) {
  {
    DbfWriter table(data_ / "book.dbf", DbfFlavor::kDbase4,
                    {{"ID", 'N', 5}, {"TITLE", 'C', 10}, {"CODE", 'C', 4}});
    const struct {
      int id;
      const char* title;
      const char* code;
    } rows[] = {{2, "b", "x2"}, {7, "a", "x7"}, {4, "c", "x4"}};
    for (const auto& row : rows) {
      table.Number(0, row.id).Text(1, row.title).Text(2, row.code);
      table.EndRecord();
    }
  }
  shelvex::testing::WriteIndexImage(
      data_ / "BOOK.MDX",
      shelvex::testing::BuildMdx({{"TITLE", "TITLE"},
                                  {"IDDOWN", "ID", /*unique=*/true, /*descending=*/true},
                                  {"CODE", "UPPER(CODE)", /*unique=*/true}}));

  const std::string xml = Export("book.dbf");

  // ID is column 1 (descending: 0x8000), CODE column 3 (case-insensitive: 0x4000).
  EXPECT_THAT(
      xml, HasSubstr("<PARAMS DEFAULT_ORDER=\"32769\" PRIMARY_KEY=\"32769\" UNIQUE_KEY=\"32769\" "
                     "UNIQUE_KEY=\"16387\"/>"));
  EXPECT_THAT(Row(xml, 0), StartsWith("<ROW ID=\"7\""));
  EXPECT_THAT(Row(xml, 1), StartsWith("<ROW ID=\"4\""));
  EXPECT_THAT(Row(xml, 2), StartsWith("<ROW ID=\"2\""));
}

TEST_F(TableExport, ProgressEndsWithEveryRecordDone) {
  WriteCatalogue(std::vector<std::string>(5000, "Art"));
  std::vector<std::pair<std::uint32_t, std::uint32_t>> calls;
  ExportTableToXml(
      data_.Dir(), "book.dbf", (out_ / "out.xml").string(),
      [&](std::uint32_t done, std::uint32_t total) { calls.emplace_back(done, total); });
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls.front(), std::make_pair(4096u, 5000u));
  EXPECT_EQ(calls.back(), std::make_pair(5000u, 5000u));
}

TEST_F(TableExport, DamagedIndexLeavesTheTableWithoutKeys) {
  WriteCatalogue({"Art", "Zoo"});
  shelvex::testing::WriteAll(data_ / "book.mdx", "this is no index file at all");

  const std::string xml = Export("book.dbf");

  EXPECT_THAT(xml, HasSubstr("<PARAMS/>"));
  EXPECT_EQ(CountOf(xml, "<ROW "), 2);
}

TEST_F(TableExport, AutoIncrementColumnIsReadOnly) {
  {
    DbfWriter table(data_ / "loans.dbf", DbfFlavor::kDbase7, {{"ID", '+'}, {"NOTE", 'C', 8}});
    table.Integer(0, 1).Text(1, "first");
    table.EndRecord();
  }
  const std::string xml = Export("loans.dbf");
  EXPECT_THAT(
      xml,
      HasSubstr("<FIELD attrname=\"ID\" fieldtype=\"i4\" readonly=\"true\" SUBTYPE=\"Autoinc\"/>"));
  EXPECT_THAT(xml, HasSubstr("<ROW ID=\"1\" NOTE=\"first\"/>"));
}

TEST_F(TableExport, ReadOnlyTableIsExported) {
  WriteCatalogue({"Art"});
  fs::permissions(data_ / "book.dbf",
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  shelvex::testing::ObeyFilePermissions obey;
  EXPECT_EQ(CountOf(Export("book.dbf"), "<ROW "), 1);
}

TEST_F(TableExport, FailuresBeforeTheXmlLeaveNoFile) {
  struct Case {
    const char* label;
    const char* table;
    const char* message;
  };
  {
    DbfWriter table(data_ / "odd.dbf", DbfFlavor::kDbase3, {{"RowState", 'C', 3}});
    table.EndRecord();
  }
  const Case cases[] = {
      {"a missing table", "missing.dbf", "missing.dbf"},
      {"a column the packet cannot carry", "odd.dbf", "Operation not applicable."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    try {
      Export(c.table, "library.xml");
      ADD_FAILURE() << "no error";
    } catch (const Error& error) {
      EXPECT_THAT(error.what(), HasSubstr(c.message));
    }
    EXPECT_FALSE(fs::exists(out_ / "library.xml"));
    EXPECT_FALSE(fs::exists(out_ / "cat.txt"));
  }
}

TEST_F(TableExport, UnwritableOutputIsAnError) {
  WriteCatalogue({"Art"});
  EXPECT_THROW(
      ExportTableToXml(data_.Dir(), "book.dbf", (out_ / "no-such-folder" / "library.xml").string()),
      IoError);
}

}  // namespace
}  // namespace shelvex::exporting
