// The DB layer: field definitions from column descriptions, and the driver type by file extension.

#include "export/table_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace shelvex::exporting {
namespace {

struct TypeCase {
  int logical_type;
  int subtype;
  int units1;
  int length;
  TFieldType expected;
};

TEST(FieldTypeOf, FollowsTheLogicalTypeTable) {
  const TypeCase cases[] = {
      {0, 0, 0, 0, ftUnknown},   {1, 0, 30, 30, ftString},  {1, 0, 0, 0, ftUnknown},
      {1, 31, 5, 5, ftString},   {2, 0, 0, 8, ftDate},      {3, 22, 0, 10, ftMemo},
      {4, 0, 0, 1, ftBoolean},   {5, 0, 0, 2, ftSmallint},  {5, 0, 0, 4, ftUnknown},
      {6, 0, 0, 4, ftInteger},   {6, 29, 0, 4, ftAutoInc},  {7, 0, 0, 8, ftFloat},
      {7, 21, 0, 8, ftCurrency}, {8, 0, 10, 8, ftBCD},      {9, 0, 4, 4, ftBytes},
      {9, 0, 0, 4, ftUnknown},   {10, 0, 0, 4, ftTime},     {11, 0, 0, 8, ftDateTime},
      {12, 0, 0, 2, ftWord},     {12, 0, 0, 4, ftUnknown},  {13, 0, 0, 4, ftInteger},
      {14, 0, 0, 10, ftUnknown}, {15, 0, 5, 5, ftVarBytes}, {15, 0, 0, 5, ftUnknown},
      {16, 0, 0, 0, ftUnknown},  {17, 0, 0, 0, ftUnknown},  {18, 0, 0, 8, ftLargeint},
      {19, 0, 0, 8, ftLargeint}, {20, 0, 2, 0, ftADT},      {20, 0, 0, 0, ftUnknown},
      {21, 0, 3, 0, ftArray},    {21, 0, 0, 0, ftUnknown},  {22, 0, 1, 0, ftReference},
      {22, 0, 0, 0, ftUnknown},  {23, 0, 0, 0, ftDataSet},  {24, 0, 0, 16, ftTimeStamp},
      {25, 0, 0, 0, ftUnknown},  {99, 0, 9, 9, ftUnknown},  {-1, 0, 0, 0, ftUnknown},
  };
  for (const TypeCase& c : cases) {
    ColumnDescription column;
    column.logical_type = c.logical_type;
    column.subtype = c.subtype;
    column.units1 = c.units1;
    column.length = c.length;
    EXPECT_EQ(FieldTypeOf(column), c.expected)
        << "logical " << c.logical_type << " subtype " << c.subtype << " units " << c.units1;
  }
}

TEST(FieldTypeOf, BlobsFollowTheirSubtype) {
  const std::pair<int, TFieldType> cases[] = {
      {22, ftMemo},     {23, ftBlob},        {24, ftFmtMemo}, {25, ftParadoxOle}, {26, ftGraphic},
      {27, ftDBaseOle}, {28, ftTypedBinary}, {29, ftBlob},    {30, ftBlob},       {31, ftBlob},
      {32, ftBlob},     {33, ftOraClob},     {34, ftOraBlob}, {35, ftBlob},       {36, ftBlob},
      {0, ftBlob},      {21, ftBlob},        {40, ftBlob},
  };
  for (const auto& [subtype, expected] : cases) {
    ColumnDescription column;
    column.logical_type = logical_type::kBlob;
    column.subtype = subtype;
    EXPECT_EQ(FieldTypeOf(column), expected) << "subtype " << subtype;
  }
}

ColumnDescription Column(int number, std::string name, int logical, int subtype = 0, int units1 = 0,
                         int units2 = 0, int rights = 0) {
  ColumnDescription c;
  c.column_number = number;
  c.name = std::move(name);
  c.logical_type = logical;
  c.subtype = subtype;
  c.units1 = units1;
  c.units2 = units2;
  c.rights = rights;
  return c;
}

std::string Same(std::string_view name) { return std::string(name); }

std::vector<std::string> Names(const std::vector<FieldDef>& fields) {
  std::vector<std::string> names;
  for (const FieldDef& f : fields) names.push_back(f.name);
  return names;
}

TEST(BuildFieldDefs, RepeatedNamesGetTheFirstFreeSuffixIgnoringCase) {
  const std::vector<ColumnDescription> columns = {
      Column(1, "A", 1, 0, 5), Column(2, "A", 1, 0, 5),    Column(3, "A_1", 1, 0, 5),
      Column(4, "a", 1, 0, 5), Column(5, "Name", 1, 0, 5), Column(6, "NAME", 1, 0, 5)};
  EXPECT_EQ(Names(BuildFieldDefs(columns, {}, Same)),
            (std::vector<std::string>{"A", "A_1", "A_1_1", "a_2", "Name", "NAME_1"}));
}

TEST(BuildFieldDefs, NamesGoThroughTheConverterBeforeTheyAreCompared) {
  const std::vector<ColumnDescription> columns = {Column(1, "x\x82", 1, 0, 5),
                                                  Column(2, "x\x83", 1, 0, 5)};
  const auto to_ansi = [](std::string_view name) { return std::string(name.substr(0, 1)) + "?"; };
  EXPECT_EQ(Names(BuildFieldDefs(columns, {}, to_ansi)), (std::vector<std::string>{"x?", "x?_1"}));
}

TEST(BuildFieldDefs, SetsSizesFlagsAndLeavesUnknownColumnsOut) {
  const std::vector<ColumnDescription> columns = {
      Column(1, "TITLE", 1, 0, 30),
      Column(2, "EMPTY", 1, 0, 0),               // width 0: left out
      Column(3, "CODE", 1, subtype::kFixed, 4),  // fixed-length
      Column(4, "ID", 6, subtype::kAutoInc, 0, 0, 1),
      Column(5, "PRICE", 8, 0, 10, -2),  // BCD: precision 10, size 2
      Column(6, "ODD", 14),              // 10-byte float: left out
      Column(7, "NOTE", 3, subtype::kMemo, 0),
      Column(8, "PHOTO", 3, subtype::kGraphic, 240),
      Column(9, "LOCKED", 4, 0, 0, 0, 1),
  };
  const std::vector<ValidityEntry> validity = {{1, true}, {4, true}, {9, false}};
  const std::vector<FieldDef> fields = BuildFieldDefs(columns, validity, Same);
  ASSERT_EQ(Names(fields),
            (std::vector<std::string>{"TITLE", "CODE", "ID", "PRICE", "NOTE", "PHOTO", "LOCKED"}));

  EXPECT_EQ(fields[0].data_type, ftString);
  EXPECT_EQ(fields[0].size, 30);
  EXPECT_TRUE(fields[0].required);
  EXPECT_FALSE(fields[0].fixed_length);
  EXPECT_TRUE(fields[1].fixed_length);
  EXPECT_EQ(fields[1].field_no, 3);
  EXPECT_EQ(fields[2].data_type, ftAutoInc);
  EXPECT_FALSE(fields[2].required);  // marked required, but an auto-increment column never is
  EXPECT_TRUE(fields[2].read_only);
  EXPECT_EQ(fields[3].data_type, ftBCD);
  EXPECT_EQ(fields[3].precision, 10);
  EXPECT_EQ(fields[3].size, 2);
  EXPECT_EQ(fields[4].data_type, ftMemo);
  EXPECT_EQ(fields[4].size, 0);
  EXPECT_EQ(fields[5].data_type, ftGraphic);
  EXPECT_EQ(fields[5].size, 240);
  EXPECT_FALSE(fields[6].required);
  EXPECT_TRUE(fields[6].read_only);
  for (std::size_t i : {0u, 3u, 4u, 5u}) EXPECT_FALSE(fields[i].read_only) << fields[i].name;
}

TEST(BuildFieldDefs, ObjectsTakeTheirMembersAndArraysTheirElement) {
  const std::vector<ColumnDescription> columns = {
      Column(1, "ADDR", 20, 0, 2),    // object of two members
      Column(2, "STREET", 1, 0, 20),  //   member
      Column(3, "TOWN", 1, 0, 20),    //   member
      Column(4, "TAGS", 21, 0, 3),    // array of three
      Column(5, "TAG", 1, 0, 8),      //   its element
      Column(6, "STREET", 1, 0, 5),   // top level again: STREET is free here
  };
  const std::vector<FieldDef> fields = BuildFieldDefs(columns, {}, Same);
  ASSERT_EQ(Names(fields), (std::vector<std::string>{"ADDR", "TAGS", "STREET"}));
  EXPECT_EQ(fields[0].data_type, ftADT);
  EXPECT_EQ(fields[0].size, 2);
  EXPECT_EQ(Names(fields[0].children), (std::vector<std::string>{"STREET", "TOWN"}));
  EXPECT_EQ(fields[1].data_type, ftArray);
  ASSERT_EQ(fields[1].children.size(), 1u);
  EXPECT_EQ(fields[1].children[0].name, "TAGS[0]");
  EXPECT_EQ(fields[1].children[0].field_no, 5);
  EXPECT_EQ(fields[2].field_no, 6);
}

struct DriverCase {
  std::vector<const char*> files;  // in the folder
  const char* table;
  const char* expected;
};

TEST(DriverTypeFor, GoesByExtensionAndTheFilesBeside) {
  const DriverCase cases[] = {
      {{"books.dbf"}, "books.dbf", "DBASE"},
      {{"books.dbf", "books.fpt"}, "books.dbf", "FOXPRO"},
      {{"BOOKS.DBF", "Books.Cdx"}, "BOOKS.DBF", "FOXPRO"},
      {{"books.DBF", "BOOKS.FPT"}, "books.DBF", "FOXPRO"},
      {{"books.dbf", "books.mdx", "books.dbt"}, "books.dbf", "DBASE"},
      {{"books.dbf", "other.fpt", "books.fpt.bak"}, "books.dbf", "DBASE"},
      {{"books.db"}, "books.db", "PARADOX"},
      {{"books.txt"}, "BOOKS.TXT", "ASCIIDRV"},
      {{"books"}, "books", "PARADOX"},
      {{"books.xls"}, "books.xls", "PARADOX"},
  };
  for (const DriverCase& c : cases) {
    testing::TempFolder folder;
    for (const char* file : c.files) testing::WriteAll(folder / file, "x");
    EXPECT_EQ(DriverTypeFor(folder / c.table), c.expected)
        << c.table << " beside " << c.files.size() - 1;
  }
}

}  // namespace
}  // namespace shelvex::exporting
