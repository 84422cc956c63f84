#include "export/data_packet_keys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/data_packet_writer.h"

namespace shelvex::exporting {
namespace {

const std::vector<std::string> kColumns = {"ID", "TITLE", "AUTHOR", "ISBN"};

IndexDescription Index(std::string fields, bool unique, bool primary = false) {
  IndexDescription index;
  index.name = fields;
  index.key_fields = std::move(fields);
  index.unique = unique;
  index.primary = primary;
  return index;
}

// The PARAMS element that the attributes give.
std::string Params(const DatasetAttributes& dataset) {
  DataPacketWriter writer(0);
  for (const PacketAttribute& attribute : dataset.attributes) writer.AddDatasetAttribute(attribute);
  writer.EndAttributes();
  const std::string packet(writer.Finish().view());
  const std::size_t start = packet.find("<PARAMS");
  return packet.substr(start, packet.find("</METADATA>") - start);
}

struct KeysCase {
  const char* name;
  std::vector<IndexDescription> indexes;
  std::optional<std::int32_t> lcid;
  std::string params;
  std::vector<std::uint32_t> default_order;
};

class DatasetKeys : public ::testing::TestWithParam<KeysCase> {};

TEST_P(DatasetKeys, FollowTheChoiceRules) {
  const KeysCase& c = GetParam();
  const DatasetAttributes dataset = BuildDatasetAttributes(c.indexes, kColumns, c.lcid);
  EXPECT_EQ(Params(dataset), c.params);
  EXPECT_EQ(dataset.default_order, c.default_order);
}

IndexDescription CaseInsensitiveDescending(std::string fields) {
  IndexDescription index = Index(std::move(fields), true);
  index.case_insensitive_all = true;
  index.descending = true;
  return index;
}

IndexDescription WithColumnFlags(std::string fields, std::vector<bool> ci,
                                 std::vector<bool> descending) {
  IndexDescription index = Index(std::move(fields), true);
  index.case_insensitive = std::move(ci);
  index.descending_columns = std::move(descending);
  return index;
}

IndexDescription Expression(std::string text) {
  IndexDescription index = Index(std::move(text), true);
  index.is_expression = true;
  return index;
}

INSTANTIATE_TEST_SUITE_P(
    BuildDatasetAttributes, DatasetKeys,
    ::testing::Values(
        KeysCase{"NoIndexes", {}, 1033, R"(<PARAMS LCID="1033"/>)", {}},
        KeysCase{"NothingKnown", {Index("TITLE", false)}, std::nullopt, "<PARAMS/>", {}},
        KeysCase{"OneUniqueIndex",
                 {Index("AUTHOR", false), Index("ID", true)},
                 1252,
                 R"(<PARAMS DEFAULT_ORDER="1" PRIMARY_KEY="1" UNIQUE_KEY="1" LCID="1252"/>)",
                 {1}},
        KeysCase{"PrimaryGivesTheOrderFirstUniqueTheKey",
                 {Index("ISBN", true), Index("ID;TITLE", true, true), Index("title", true)},
                 1033,
                 R"(<PARAMS DEFAULT_ORDER="1 2" PRIMARY_KEY="4" UNIQUE_KEY="4" UNIQUE_KEY="1 2" )"
                 R"(UNIQUE_KEY="2" LCID="1033"/>)",
                 {1, 2}},
        KeysCase{"WholeIndexFlagsMarkAOneFieldKey",
                 {CaseInsensitiveDescending("TITLE")},
                 std::nullopt,
                 R"(<PARAMS DEFAULT_ORDER="49154" PRIMARY_KEY="49154" UNIQUE_KEY="49154"/>)",
                 {2 | kKeyCaseInsensitive | kKeyDescending}},
        KeysCase{"WholeIndexFlagsLeaveAWiderKey",
                 {CaseInsensitiveDescending("TITLE;ID")},
                 std::nullopt,
                 R"(<PARAMS DEFAULT_ORDER="2 1" PRIMARY_KEY="2 1" UNIQUE_KEY="2 1"/>)",
                 {2, 1}},
        KeysCase{
            "FieldFlags",
            {WithColumnFlags("AUTHOR;TITLE", {true, false}, {false, true})},
            std::nullopt,
            R"(<PARAMS DEFAULT_ORDER="16387 32770" PRIMARY_KEY="16387 32770" UNIQUE_KEY="16387 32770"/>)",
            {3 | kKeyCaseInsensitive, 2 | kKeyDescending}},
        KeysCase{"ExpressionAndMissingFieldsEnterNothing",
                 {Expression("UPPER(TITLE)+AUTHOR"), Index("GONE", true, true),
                  Index("TITLE;GONE", true), Index("AUTHOR", true)},
                 std::nullopt,
                 R"(<PARAMS DEFAULT_ORDER="3" PRIMARY_KEY="3" UNIQUE_KEY="3"/>)",
                 {3}}),
    [](const ::testing::TestParamInfo<KeysCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace shelvex::exporting
