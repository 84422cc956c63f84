#include "platform/text_file.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "tests/support/temp_folder.h"

namespace shelvex::platform {
namespace {

using Lines = std::vector<std::string>;
using shelvex::testing::ReadAll;
using shelvex::testing::TempFolder;
using shelvex::testing::WriteAll;

TEST(TextFile, SplitsAtEveryKindOfLineEnd) {
  struct {
    std::string bytes;
    Lines lines;
  } const cases[] = {
      {"", {}},
      {"one", {"one"}},
      {"one\r\ntwo\r\n", {"one", "two"}},
      {"one\ntwo\rthree\r\n\r\nfive", {"one", "two", "three", "", "five"}},
      {"\n", {""}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"caf\xE9\r\n", {"caf\xC3\xA9"}},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeTextLines(c.bytes), c.lines) << c.bytes;
}

TEST(TextFile, HonoursByteOrderMarks) {
  struct {
    std::string bytes;
    Lines lines;
  } const cases[] = {
      {"\xEF\xBB\xBF"
       "caf\xC3\xA9\r\nx",
       {"caf\xC3\xA9", "x"}},
      {std::string("\xFF\xFE"
                   "a\0\xE9\0\r\0\n\0b\0",
                   12),
       {"a\xC3\xA9", "b"}},
      {std::string("\xFE\xFF\0a\x20\xAC\0\n", 8), {"a\xE2\x82\xAC"}},
      // Damaged text still gives valid UTF-8: a stray byte after the mark, an odd last byte.
      {"\xEF\xBB\xBF"
       "a\xFF",
       {"a\xEF\xBF\xBD"}},
      {std::string("\xFF\xFE"
                   "a\0b",
                   5),
       {"a\xEF\xBF\xBD"}},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeTextLines(c.bytes), c.lines);
}

TEST(TextFile, WritesAnsiWithCrLfAndReadsBack) {
  TempFolder folder;
  const Lines lines = {"Title", "", "Caf\xC3\xA9 \xE2\x82\xAC", "\xE6\xBC\xA2"};
  WriteAnsiLines(folder / "columns.txt", lines);
  EXPECT_EQ(ReadAll(folder / "columns.txt"), "Title\r\n\r\nCaf\xE9 \x80\r\n?\r\n");
  EXPECT_EQ(ReadTextLines(folder / "columns.txt"),
            (Lines{"Title", "", "Caf\xC3\xA9 \xE2\x82\xAC", "?"}));
  EXPECT_EQ(EncodeAnsiLines({}), "");
}

TEST(TextFile, MissingFileIsAnIoError) {
  TempFolder folder;
  EXPECT_THROW(ReadTextLines(folder / "missing.txt"), IoError);
}

}  // namespace
}  // namespace shelvex::platform
