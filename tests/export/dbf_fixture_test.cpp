// The reader against tables that other programs wrote: the real-world fixtures and their summaries.

#include <gtest/gtest.h>

#include <charconv>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "export/dbf_table.h"
#include "tests/support/temp_folder.h"

namespace shelvex::exporting {
namespace {

using testing::TempFolder;

struct SummaryField {
  std::string name;
  char type;
  int length;
  int decimals;
};

struct Summary {
  std::string version;  // "03", "8b", ...
  bool has_memo = false;
  std::uint32_t records = 0;
  std::vector<SummaryField> fields;
};

// Reads a *_summary.txt: "Type: (83) ...", "Memo File: true", "Records: 67", then one line per
// field after the dashed rule.
Summary ReadSummary(const std::string& stem) {
  std::ifstream in(testing::RealWorldFixture(stem + "_summary.txt"));
  Summary summary;
  std::string line;
  bool in_fields = false;
  while (std::getline(in, line)) {
    if (line.rfind("Type: (", 0) == 0) summary.version = line.substr(7, 2);
    if (line.rfind("Memo File: ", 0) == 0)
      summary.has_memo = line.find("true") != std::string::npos;
    if (line.rfind("Records: ", 0) == 0)
      summary.records = static_cast<std::uint32_t>(std::stoul(line.substr(9)));
    if (line.rfind("-----", 0) == 0) {
      in_fields = true;
      continue;
    }
    std::istringstream words(line);
    SummaryField field;
    std::string type;
    if (in_fields && words >> field.name >> type >> field.length >> field.decimals) {
      field.type = type[0];
      summary.fields.push_back(field);
    }
  }
  return summary;
}

TFieldType ExpectedType(char letter) {
  switch (letter) {
    case 'C':
      return ftString;
    case 'N':
    case 'F':
      return ftFloat;
    case 'D':
      return ftDate;
    case 'L':
      return ftBoolean;
    case 'M':
      return ftMemo;
    case 'T':
      return ftDateTime;
    default:
      return ftUnknown;
  }
}

struct FixtureCase {
  const char* stem;
  const char* memo;  // the memo file beside it, or nullptr
  const char* driver_type;
};

class RealWorldTable : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(RealWorldTable, OpensWithTheFieldsAndRecordsOfItsSummary) {
  const FixtureCase& c = GetParam();
  const Summary summary = ReadSummary(c.stem);
  ASSERT_FALSE(summary.fields.empty());
  TempFolder folder;
  testing::CopyRealWorldFixture(std::string(c.stem) + ".dbf", folder.path());
  if (c.memo != nullptr) testing::CopyRealWorldFixture(c.memo, folder.path());

  DbfTable table(folder.path(), std::string(c.stem) + ".dbf");
  EXPECT_EQ(table.driver_type(), c.driver_type);
  const DbfFile& file = table.reader().file();
  char version[3];
  std::snprintf(version, sizeof version, "%02x", file.version());
  EXPECT_EQ(version, summary.version);
  EXPECT_EQ(file.HasMemoFields(), summary.has_memo);
  EXPECT_EQ(file.record_count(), summary.records);

  ASSERT_EQ(file.fields().size(), summary.fields.size());
  ASSERT_EQ(table.fields().size(), summary.fields.size());
  for (std::size_t i = 0; i < summary.fields.size(); ++i) {
    const SummaryField& expected = summary.fields[i];
    SCOPED_TRACE(expected.name);
    EXPECT_EQ(file.fields()[i].name, expected.name);
    EXPECT_EQ(file.fields()[i].type, expected.type);
    EXPECT_EQ(static_cast<int>(file.fields()[i].length), expected.length);
    EXPECT_EQ(file.fields()[i].decimals, expected.decimals);
    const FieldDef& field = table.fields()[i];
    EXPECT_EQ(field.data_type, ExpectedType(expected.type));
    EXPECT_EQ(field.size, expected.type == 'C' ? expected.length : 0);
    EXPECT_EQ(field.field_no, static_cast<int>(i) + 1);
  }

  // Every value of every record reads, memos included, and every record is delivered.
  std::uint32_t delivered = 0;
  while (table.Next()) {
    ++delivered;
    for (std::size_t i = 0; i < table.fields().size(); ++i) table.Value(i);
  }
  EXPECT_EQ(delivered, summary.records);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, RealWorldTable,
                         ::testing::Values(FixtureCase{"dbase_03", nullptr, "DBASE"},
                                           FixtureCase{"dbase_83", "dbase_83.dbt", "DBASE"},
                                           FixtureCase{"dbase_8b", "dbase_8b.dbt", "DBASE"},
                                           FixtureCase{"dbase_30", "dbase_30.fpt", "FOXPRO"},
                                           FixtureCase{"dbase_f5", "dbase_f5.fpt", "FOXPRO"}),
                         [](const auto& info) { return std::string(info.param.stem); });

TEST(RealWorldTable, RepeatedFieldNameGetsASuffix) {
  TempFolder folder;
  testing::CopyRealWorldFixture("dbase_03.dbf", folder.path());
  DbfTable table(folder.path(), "dbase_03.dbf");
  ASSERT_EQ(table.fields().size(), 31u);
  EXPECT_EQ(table.fields().front().name, "Point_ID");
  EXPECT_EQ(table.fields().back().name, "Point_ID_1");
  EXPECT_EQ(table.fields().back().data_type, ftFloat);
}

TEST(RealWorldTable, VisualFoxProTableReportsItsLocale) {
  TempFolder folder;
  testing::CopyRealWorldFixture("dbase_30.dbf", folder.path());
  testing::CopyRealWorldFixture("dbase_30.fpt", folder.path());
  DbfTable table(folder.path(), "dbase_30.dbf");
  EXPECT_EQ(table.lcid(), 1033u);  // language driver 03, Windows ANSI

  TempFolder other;
  testing::CopyRealWorldFixture("dbase_83.dbf", other.path());
  testing::CopyRealWorldFixture("dbase_83.dbt", other.path());
  EXPECT_EQ(DbfTable(other.path(), "dbase_83.dbf").lcid(), std::nullopt);  // no language driver
}

// One scalar of the record files: a plain word, a '...' or a "..." string (which may run over
// several lines).
struct YamlValue {
  std::string text;
  bool quoted = false;
};

std::vector<YamlValue> ReadYamlList(const std::string& name) {
  const std::string all = testing::ReadAll(testing::RealWorldFixture(name));
  std::vector<YamlValue> values;
  std::size_t at = all.find("---");
  while ((at = all.find("- ", at)) != std::string::npos) {
    at += 2;
    YamlValue value;
    if (all[at] == '"') {
      value.quoted = true;
      for (++at; all[at] != '"'; ++at) {
        if (all[at] == '\\') {
          const char e = all[++at];
          value.text += e == 'r' ? '\r' : e == 'n' ? '\n' : e;
        } else if (all[at] == '\n') {
          // A line break inside a double-quoted scalar folds into one space; the next line's indent
          // goes.
          value.text += ' ';
          while (all[at + 1] == ' ') ++at;
        } else {
          value.text += all[at];
        }
      }
    } else if (all[at] == '\'') {
      value.quoted = true;
      const std::size_t end = all.find('\'', at + 1);
      value.text = all.substr(at + 1, end - at - 1);
      at = end;
    } else {
      const std::size_t end = all.find('\n', at);
      value.text = all.substr(at, end - at);
      at = end;
    }
    values.push_back(value);
  }
  return values;
}

class RealWorldRecord : public ::testing::TestWithParam<int> {};

TEST_P(RealWorldRecord, ReadsAsItsRecordFileSays) {
  const int index = GetParam();
  const std::vector<YamlValue> expected =
      ReadYamlList("dbase_83_record_" + std::to_string(index) + ".yml");
  TempFolder folder;
  testing::CopyRealWorldFixture("dbase_83.dbf", folder.path());
  testing::CopyRealWorldFixture("dbase_83.dbt", folder.path());
  DbfTable table(folder.path(), "dbase_83.dbf");
  ASSERT_EQ(expected.size(), table.fields().size());
  ASSERT_TRUE(table.GoTo(static_cast<std::uint32_t>(index) + 1));

  for (std::size_t i = 0; i < expected.size(); ++i) {
    const FieldDef& field = table.fields()[i];
    SCOPED_TRACE(field.name);
    const FieldValue& value = table.Value(i);
    ASSERT_FALSE(value.is_null);
    switch (field.data_type) {
      case ftFloat: {
        double number = 0;
        std::from_chars(expected[i].text.data(), expected[i].text.data() + expected[i].text.size(),
                        number);
        EXPECT_EQ(value.number, number);
        break;
      }
      case ftBoolean:
        EXPECT_EQ(value.integer, expected[i].text == "true" ? 1 : 0);
        break;
      case ftString:
      case ftMemo:
        EXPECT_EQ(value.bytes, expected[i].text);
        break;
      default:
        ADD_FAILURE() << "unexpected field type " << field.data_type;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Dbase83, RealWorldRecord, ::testing::Values(0, 9));

}  // namespace
}  // namespace shelvex::exporting
