#include "platform/folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_folder.h"

namespace shelvex::platform {
namespace {

namespace fs = std::filesystem;
using shelvex::testing::TempFolder;
using shelvex::testing::WriteAll;

std::vector<std::string> Names(const std::vector<FolderEntry>& entries) {
  std::vector<std::string> names;
  for (const FolderEntry& entry : entries) names.push_back(entry.name);
  return names;
}

TEST(Folder, ListsInWindowsOrderWithMasks) {
  TempFolder folder;
  for (const char* name :
       {"b.dbf", "A.DBF", "_loans.dbf", "a.dbf", "notes.txt", "Books.Dbf", "noext", "x.dbf.bak"}) {
    WriteAll(folder / name, "x");
  }
  fs::create_directory(folder / "sub.dbf");
  // Upper-case order, as NTFS keeps it: "_" sorts after the letters; names equal but for case by
  // their bytes.
  EXPECT_EQ(
      Names(ListFolder(folder.path(), "*.dbf")),
      (std::vector<std::string>{"A.DBF", "a.dbf", "b.dbf", "Books.Dbf", "sub.dbf", "_loans.dbf"}));
  EXPECT_EQ(Names(ListFolder(folder.path(), "*.TXT")), std::vector<std::string>{"notes.txt"});
  EXPECT_EQ(ListFolder(folder.path(), "*").size(), 9u);
  EXPECT_EQ(ListFolder(folder.path(), "*.*").size(), 9u);
  const auto all = ListFolder(folder.path(), "*");
  for (const FolderEntry& entry : all)
    EXPECT_EQ(entry.is_directory, entry.name == "sub.dbf") << entry.name;
  EXPECT_TRUE(ListFolder(folder / "missing", "*").empty());
}

TEST(Folder, MatchesMasks) {
  struct {
    const char* name;
    const char* mask;
    bool matches;
  } const cases[] = {
      {"BOOKZ.DBF", "*.dbf", true},
      {"bookz.dbf", "*.DBF", true},
      {"bookz.dbfx", "*.dbf", false},
      {"dbf", "*.dbf", false},
      {"noext", "*.*", true},
      {"a.b.c", "*.c", true},
      {"loan1.dbf", "loan?.dbf", true},
      {"loan12.dbf", "loan?.dbf", false},
      {"x", "*", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MatchesMask(c.name, c.mask), c.matches) << c.name << " " << c.mask;
}

TEST(Folder, FindsNamesWhateverTheirCase) {
  TempFolder folder;
  WriteAll(folder / "BOOKZ.DBF", "x");
  EXPECT_EQ(FindIgnoringCase(folder.path(), "bookz.dbf"), folder / "BOOKZ.DBF");
  EXPECT_EQ(FindIgnoringCase(folder.path(), "Bookz.Dbf"), folder / "BOOKZ.DBF");
  EXPECT_EQ(FindIgnoringCase(folder.path(), "bookz.dbt"), std::nullopt);
  EXPECT_EQ(FindIgnoringCase(folder / "missing", "bookz.dbf"), std::nullopt);
  EXPECT_EQ(ResolveIgnoringCase(folder.path(), "bookz.dbf"), folder / "BOOKZ.DBF");
  EXPECT_EQ(ResolveIgnoringCase(folder.path(), "Other.dbf"), folder / "Other.dbf");
}

TEST(Folder, PrefersTheExactNameAmongCaseVariants) {
  TempFolder folder;
  WriteAll(folder / "Books.dbf", "1");
  WriteAll(folder / "books.dbf", "2");
  WriteAll(folder / "BOOKS.DBF", "3");
  EXPECT_EQ(FindIgnoringCase(folder.path(), "books.dbf"), folder / "books.dbf");
  // Without an exact match the first in listing order is taken, every time.
  EXPECT_EQ(FindIgnoringCase(folder.path(), "bOOKS.dbf"), folder / "BOOKS.DBF");
}

TEST(Folder, AsciiCaseHelpersLeaveOtherBytesAlone) {
  EXPECT_EQ(AsciiLower("BOOKZ.DBF \xC3\x89"), "bookz.dbf \xC3\x89");
  EXPECT_TRUE(EqualsIgnoringAsciiCase("Loans.DBF", "loans.dbf"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC3\x89", "\xC3\xA9"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("loan", "loans"));
}

TEST(Folder, ProgramFolderIsTheTestProgramsFolder) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(fs::exists(folder + "platform_test"));
}

}  // namespace
}  // namespace shelvex::platform
