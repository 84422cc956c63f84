#include "export/index_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "platform/error.h"
#include "tests/support/index_writer.h"
#include "tests/support/temp_folder.h"

namespace shelvex::exporting {
namespace {

using testing::BuildCdx;
using testing::BuildMdx;
using testing::IndexImage;
using testing::IndexTagToWrite;
using testing::PutBe32;
using testing::PutLe16;
using testing::PutLe32;
using testing::TempFolder;
using testing::WriteAll;
using testing::WriteIndexImage;

const std::vector<std::string> kColumns = {"ID", "LAST", "FIRST", "TITLE", "ADDED", "COPIES"};
const std::string kColumnTypes = "NCCCDN";

enum class Format { kMdx, kCdx };

IndexImage Build(Format format, const std::vector<IndexTagToWrite>& tags) {
  return format == Format::kMdx ? BuildMdx(tags, "BOOKS") : BuildCdx(tags);
}

// One tag of each kind the export tells apart, in an order that is not the order of their names.
std::vector<IndexTagToWrite> SampleTags() {
  return {
      {.name = "ID", .expression = "ID", .unique = true, .key_type = 'N', .key_length = 8},
      {.name = "NAMES", .expression = "UPPER(LAST)+FIRST", .descending = true, .key_length = 40},
      {.name = "TITLE", .expression = "upper( title )", .key_length = 60},
      {.name = "ADDED",
       .expression = "DTOS(ADDED)",
       .unique = true,
       .descending = true,
       .key_length = 8},
  };
}

struct LookupCase {
  Format format;
  const char* table;
  const char* index;
};

void PrintTo(const LookupCase& c, std::ostream* os) { *os << c.index; }

class ProductionIndexTest : public ::testing::TestWithParam<LookupCase> {};

TEST_P(ProductionIndexTest, ReadsEveryTagWithItsFlagsAndKey) {
  TempFolder folder;
  WriteIndexImage(folder / GetParam().index, Build(GetParam().format, SampleTags()));
  std::string warning = "left over from an earlier table";

  const std::vector<IndexDescription> tags =
      ReadProductionIndex(folder / GetParam().table, kColumns, &warning, kColumnTypes);

  EXPECT_EQ(warning, "");
  ASSERT_EQ(tags.size(), 4u);
  EXPECT_EQ(tags[0].name, "ID");
  EXPECT_EQ(tags[0].key_columns, std::vector<int>{1});
  EXPECT_EQ(tags[0].key_fields, "ID");
  EXPECT_EQ(tags[0].Options(), kIndexUnique);

  EXPECT_EQ(tags[1].name, "NAMES");
  EXPECT_EQ(tags[1].expression, "UPPER(LAST)+FIRST");
  EXPECT_EQ(tags[1].key_columns, (std::vector<int>{2, 3}));
  EXPECT_EQ(tags[1].key_fields, "LAST;FIRST");
  EXPECT_EQ(tags[1].case_insensitive, (std::vector<bool>{true, false}));
  EXPECT_EQ(tags[1].descending_columns, (std::vector<bool>{true, true}));
  // FIRST is compared with its case, so the index as a whole is not case-insensitive.
  EXPECT_EQ(tags[1].Options(), kIndexDescending);

  EXPECT_EQ(tags[2].name, "TITLE");
  EXPECT_EQ(tags[2].key_columns, std::vector<int>{4});
  EXPECT_EQ(tags[2].key_fields, "TITLE");
  EXPECT_EQ(tags[2].descending_columns, std::vector<bool>{false});
  EXPECT_EQ(tags[2].Options(), kIndexCaseInsensitive);

  EXPECT_EQ(tags[3].name, "ADDED");
  EXPECT_TRUE(tags[3].key_columns.empty());
  EXPECT_EQ(tags[3].key_fields, "DTOS(ADDED)");
  EXPECT_EQ(tags[3].Options(), kIndexUnique | kIndexDescending | kIndexExpression);

  for (const IndexDescription& tag : tags) EXPECT_FALSE(tag.primary) << tag.name;
}

INSTANTIATE_TEST_SUITE_P(Formats, ProductionIndexTest,
                         ::testing::Values(LookupCase{Format::kMdx, "BOOKS.DBF", "BOOKS.MDX"},
                                           LookupCase{Format::kMdx, "books.dbf", "Books.mdx"},
                                           LookupCase{Format::kCdx, "BOOKS.DBF", "BOOKS.CDX"},
                                           LookupCase{Format::kCdx, "Books.DBF", "books.cdx"}));

TEST(ProductionIndex, NoIndexFileGivesNoTagsAndNoWarning) {
  TempFolder folder;
  std::string warning = "stale";
  EXPECT_TRUE(ReadProductionIndex(folder / "BOOKS.DBF", kColumns, &warning).empty());
  EXPECT_EQ(warning, "");
  EXPECT_TRUE(ReadProductionIndex(folder / "BOOKS.DBF", kColumns, nullptr).empty());
}

TEST(ProductionIndex, CompoundIndexWinsOverMultipleIndex) {
  TempFolder folder;
  WriteIndexImage(folder / "BOOKS.MDX", BuildMdx({{.name = "FROMMDX", .expression = "ID"}}));
  WriteIndexImage(folder / "BOOKS.CDX", BuildCdx({{.name = "FROMCDX", .expression = "ID"}}));
  std::string warning;
  const std::vector<IndexDescription> tags =
      ReadProductionIndex(folder / "BOOKS.DBF", kColumns, &warning);
  ASSERT_EQ(tags.size(), 1u);
  EXPECT_EQ(tags[0].name, "FROMCDX");
}

TEST(CompoundIndex, CandidateKeyIsUniqueAndFilteredTagIsAnExpression) {
  TempFolder folder;
  WriteIndexImage(
      folder / "BOOKS.CDX",
      BuildCdx({{.name = "ID", .expression = "ID", .candidate = true},
                {.name = "ACTIVE", .expression = "LAST", .unique = true, .filter = "COPIES > 0"}}));
  const std::vector<IndexDescription> tags = ReadIndexFile(folder / "BOOKS.CDX", kColumns);
  ASSERT_EQ(tags.size(), 2u);
  EXPECT_TRUE(tags[0].unique);
  EXPECT_EQ(tags[0].key_columns, std::vector<int>{1});
  EXPECT_EQ(tags[1].filter, "COPIES > 0");
  EXPECT_TRUE(tags[1].is_expression);
  EXPECT_EQ(tags[1].key_fields, "LAST");
  EXPECT_EQ(tags[1].Options(), kIndexUnique | kIndexExpression);
}

TEST(CompoundIndex, TagListOverSeveralLeavesKeepsTheOrderOfCreation) {
  const std::vector<std::string> names = {"ZETA",   "ALPHA",   "MIKE", "BRAVO",
                                          "YANKEE", "CHARLIE", "XRAY"};
  std::vector<IndexTagToWrite> tags_to_write;
  for (const std::string& name : names)
    tags_to_write.push_back({.name = name, .expression = "LAST"});
  TempFolder folder;
  WriteIndexImage(folder / "BOOKS.CDX", BuildCdx(tags_to_write, /*tags_per_leaf=*/2));

  std::vector<std::string> read;
  for (const IndexDescription& tag : ReadIndexFile(folder / "BOOKS.CDX", kColumns))
    read.push_back(tag.name);
  EXPECT_EQ(read, names);
}

TEST(MultipleIndex, SumOfNumericColumnsIsAnExpression) {
  // Without the column types the key type of the tag still tells "+" as a sum.
  TempFolder folder;
  WriteIndexImage(
      folder / "BOOKS.MDX",
      BuildMdx({{.name = "TOTAL", .expression = "ID+COPIES", .key_type = 'N', .key_length = 12},
                {.name = "NAMES", .expression = "LAST+FIRST", .key_type = 'C', .key_length = 40}}));
  const std::vector<IndexDescription> tags = ReadIndexFile(folder / "BOOKS.MDX", kColumns);
  ASSERT_EQ(tags.size(), 2u);
  EXPECT_TRUE(tags[0].is_expression);
  EXPECT_EQ(tags[1].key_columns, (std::vector<int>{2, 3}));
}

// ---- Damaged files: an empty list and a warning that names the file, whatever the bytes say.

void ExpectRejected(const std::filesystem::path& table, const std::string& index_name,
                    const std::string& what) {
  std::string warning;
  const std::vector<IndexDescription> tags = ReadProductionIndex(table, kColumns, &warning);
  EXPECT_TRUE(tags.empty()) << what;
  EXPECT_EQ(warning.rfind(index_name + ": ", 0), 0u) << what << ": " << warning;
}

struct DamageCase {
  const char* what;
  Format format;
  std::function<void(IndexImage&)> damage;
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.what; }

class DamagedIndexTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedIndexTest, GivesNoTagsAndAWarning) {
  const DamageCase& c = GetParam();
  std::vector<IndexTagToWrite> tags_to_write = SampleTags();
  IndexImage image =
      c.format == Format::kMdx ? BuildMdx(tags_to_write) : BuildCdx(tags_to_write, 2);
  c.damage(image);
  TempFolder folder;
  const std::string index_name = c.format == Format::kMdx ? "BOOKS.MDX" : "BOOKS.CDX";
  WriteIndexImage(folder / index_name, image);
  ExpectRejected(folder / "BOOKS.DBF", index_name, c.what);
}

constexpr std::size_t kMdxEntry2 = testing::kMdxTagTableOffset + testing::kMdxTagEntryLength;

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedIndexTest,
    ::testing::Values(
        DamageCase{"mdx: zero length", Format::kMdx, [](IndexImage& i) { i.bytes.clear(); }},
        DamageCase{"mdx: header only", Format::kMdx, [](IndexImage& i) { i.bytes.resize(300); }},
        DamageCase{"mdx: tag header past the end", Format::kMdx,
                   [](IndexImage& i) { PutLe32(i.bytes, kMdxEntry2, 0x00FFFFFF); }},
        DamageCase{"mdx: tag header on the file header", Format::kMdx,
                   [](IndexImage& i) { PutLe32(i.bytes, kMdxEntry2, 0); }},
        DamageCase{"mdx: two tags on one header", Format::kMdx,
                   [](IndexImage& i) { PutLe32(i.bytes, kMdxEntry2, 4); }},
        DamageCase{"mdx: root block past the end", Format::kMdx,
                   [](IndexImage& i) { PutLe32(i.bytes, i.tag_headers[3], 0x7FFFFFFF); }},
        DamageCase{"mdx: more tags in use than the table holds", Format::kMdx,
                   [](IndexImage& i) { PutLe16(i.bytes, 28, 49); }},
        DamageCase{"mdx: tag table entries of no length", Format::kMdx,
                   [](IndexImage& i) { i.bytes[26] = 0; }},
        DamageCase{"mdx: block size of no pages", Format::kMdx,
                   [](IndexImage& i) { PutLe16(i.bytes, 22, 100); }},
        DamageCase{"mdx: tag name of control bytes", Format::kMdx,
                   [](IndexImage& i) { i.bytes[kMdxEntry2 + 4] = '\x01'; }},
        DamageCase{"mdx: key expression missing", Format::kMdx,
                   [](IndexImage& i) { i.bytes[i.tag_headers[1] + 24] = '\0'; }},
        DamageCase{"cdx: zero length", Format::kCdx, [](IndexImage& i) { i.bytes.clear(); }},
        DamageCase{"cdx: header cut short", Format::kCdx,
                   [](IndexImage& i) { i.bytes.resize(700); }},
        DamageCase{"cdx: no compact index", Format::kCdx, [](IndexImage& i) { i.bytes[14] = 0; }},
        DamageCase{"cdx: tag list root past the end", Format::kCdx,
                   [](IndexImage& i) { PutLe32(i.bytes, 0, 0x40000000); }},
        DamageCase{"cdx: tag list root between nodes", Format::kCdx,
                   [](IndexImage& i) { PutLe32(i.bytes, 0, 1100); }},
        DamageCase{
            "cdx: leaf that is its own right neighbour", Format::kCdx,
            [](IndexImage& i) { PutLe32(i.bytes, i.tag_list_nodes[0] + 8, i.tag_list_nodes[0]); }},
        DamageCase{"cdx: interior node pointing to itself", Format::kCdx,
                   [](IndexImage& i) {
                     const auto root = static_cast<std::uint32_t>(i.tag_list_nodes.back());
                     PutBe32(i.bytes, root + 12 + 10 + 4, root);  // the first entry's child
                   }},
        DamageCase{"cdx: interior node without keys", Format::kCdx,
                   [](IndexImage& i) { PutLe16(i.bytes, i.tag_list_nodes.back() + 2, 0); }},
        DamageCase{"cdx: leaf claiming more keys than fit", Format::kCdx,
                   [](IndexImage& i) { PutLe16(i.bytes, i.tag_list_nodes[0] + 2, 0xFFFF); }},
        DamageCase{"cdx: leaf packing of zero bytes", Format::kCdx,
                   [](IndexImage& i) { i.bytes[i.tag_list_nodes[0] + 23] = 0; }},
        DamageCase{"cdx: leaf bit widths wider than its entries", Format::kCdx,
                   [](IndexImage& i) { i.bytes[i.tag_list_nodes[0] + 20] = 40; }},
        DamageCase{"cdx: tag header no compact index", Format::kCdx,
                   [](IndexImage& i) { i.bytes[i.tag_headers[2] + 14] = 0; }},
        DamageCase{"cdx: tag root past the end", Format::kCdx,
                   [](IndexImage& i) { PutLe32(i.bytes, i.tag_headers[2], 0x7FFFFF00); }},
        DamageCase{"cdx: tag keys of no length", Format::kCdx,
                   [](IndexImage& i) { PutLe16(i.bytes, i.tag_headers[0] + 12, 0); }},
        DamageCase{"cdx: key expression missing", Format::kCdx,
                   [](IndexImage& i) { i.bytes[i.tag_headers[0] + 512] = '\0'; }}),
    [](const ::testing::TestParamInfo<DamageCase>& info) {
      return "Case" + std::to_string(info.index);
    });

TEST(DamagedIndex, CutShortFilesAreRejected) {
  TempFolder folder;
  const std::vector<IndexTagToWrite> one_tag = {{.name = "ID", .expression = "ID"}};
  for (Format format : {Format::kMdx, Format::kCdx}) {
    const IndexImage whole = format == Format::kMdx ? BuildMdx(one_tag) : BuildCdx(one_tag);
    const std::string name = format == Format::kMdx ? "BOOKS.MDX" : "BOOKS.CDX";
    // Every cut short of the whole file loses some structure; a prime stride meets each of them at
    // varied points, and the cut by a single byte is always tried.
    std::vector<std::size_t> lengths = {whole.bytes.size() - 1};
    for (std::size_t length = 0; length < whole.bytes.size(); length += 61)
      lengths.push_back(length);
    for (std::size_t length : lengths) {
      WriteAll(folder / name, std::string_view(whole.bytes).substr(0, length));
      ExpectRejected(folder / "BOOKS.DBF", name,
                     name + " cut to " + std::to_string(length) + " bytes");
      if (HasFailure()) return;
    }
    std::filesystem::remove(folder / name);
  }
}

TEST(DamagedIndex, RandomBytesAreRejected) {
  TempFolder folder;
  std::mt19937 random(20240315);
  for (const char* name : {"BOOKS.MDX", "BOOKS.CDX"}) {
    for (int round = 0; round < 100; ++round) {
      std::string bytes(512 * (1 + random() % 16), '\0');
      for (char& byte : bytes) byte = static_cast<char>(random());
      WriteAll(folder / name, bytes);
      ExpectRejected(folder / "BOOKS.DBF", name,
                     std::string(name) + " round " + std::to_string(round));
      if (HasFailure()) return;
    }
    std::filesystem::remove(folder / name);
  }
}

TEST(DamagedIndex, FolderInPlaceOfTheFileIsRejected) {
  TempFolder folder;
  std::filesystem::create_directory(folder / "BOOKS.MDX");
  ExpectRejected(folder / "BOOKS.DBF", "BOOKS.MDX", "a folder");
}

TEST(ReadIndexFile, ThrowsForAFileOfNeitherKind) {
  TempFolder folder;
  WriteIndexImage(folder / "BOOKS.NDX", BuildMdx(SampleTags()));
  EXPECT_THROW(ReadIndexFile(folder / "BOOKS.NDX", kColumns), Error);
}

}  // namespace
}  // namespace shelvex::exporting
