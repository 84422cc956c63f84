#include "layout/definition_file.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "layout/value_writer.h"
#include "tests/support/definition_writer.h"
#include "tests/support/temp_folder.h"

namespace shelvex::layout {
namespace {

using testing::DefinitionWriter;
using testing::TempFolder;
using testing::WriteAll;

// Lists with a marker record, to tell a page that was read (emptied or filled) from one that was
// left alone.
DefinitionPages MarkedPages() {
  DefinitionPages pages;
  for (TFieldList& page : pages) page.Add(TFieldRecord(1, 0, 0)).FieldLabel = "marker";
  return pages;
}

bool IsMarked(const TFieldList& page) {
  return page.Count() == 1 && page.GetItem(0)->FieldLabel == "marker";
}

TEST(FindFormulaOfSubType, TakesTheLastPageThatHoldsTheField) {
  TempFolder folder;
  DefinitionWriter def;
  def.AddField(0, fstSimple, "title.dbf");
  def.AddField(2, fstLoan, "a");
  def.AddField(5, fstCombo, "combo.dbf");
  def.AddField(5, fstLoan, "b");
  def.AddField(5, fstLoan, "second on the page");
  def.AddField(9, fstMasterDetail,
               "fines.dbf\x03"
               "ID");
  def.Page(5).PageName = "Loans";
  def.Write(folder / "book.def");

  EXPECT_EQ(FindFormulaOfSubType(folder / "book.def", fstLoan), "b");
  EXPECT_EQ(FindFormulaOfSubType(folder / "book.def", fstMasterDetail),
            "fines.dbf\x03"
            "ID");
  EXPECT_EQ(FindFormulaOfSubType(folder / "book.def", fstMasterUpdate), "");
}

TEST(FindFormulaOfSubType, GivesTheFormulaAsUtf8WhateverItsStoredForm) {
  // Written as a UTF-8 string by Save, and as an ANSI string by older writers.
  TempFolder folder;
  DefinitionWriter def;
  def.AddField(1, fstLoan,
               "mitgl\xC3\xBC"
               "der.dbf");
  def.Write(folder / "utf8.def");
  EXPECT_EQ(FindFormulaOfSubType(folder / "utf8.def", fstLoan),
            "mitgl\xC3\xBC"
            "der.dbf");

  std::stringbuf sink;
  ValueWriter writer(sink);
  writer.WriteInteger(0);
  writer.WriteListBegin();
  for (int value : {0, 1, int{fstLoan}, 0}) writer.WriteInteger(value);
  writer.WriteString("Borrower");
  writer.WriteInteger(80);
  writer.WriteInteger(2);
  const std::string ansi_formula =
      "mitgl\xFC"
      "der.dbf";
  sink.sputc(6);
  sink.sputc(static_cast<char>(ansi_formula.size()));
  sink.sputn(ansi_formula.data(), static_cast<std::streamsize>(ansi_formula.size()));
  for (int i = 0; i < 2; ++i) writer.WriteString("");
  for (int i = 0; i < 3; ++i) writer.WriteInteger(0);
  for (int i = 0; i < 3; ++i) writer.WriteString("");
  writer.WriteListEnd();
  WriteAll(folder / "ansi.def", sink.str());
  EXPECT_EQ(FindFormulaOfSubType(folder / "ansi.def", fstLoan),
            "mitgl\xC3\xBC"
            "der.dbf");
}

TEST(LoadDefinitionPages, ReadsEveryPageOfAFileThatSaveWrote) {
  // Unnamed pages end in an empty wide string; each must leave the next page readable.
  TempFolder folder;
  DefinitionWriter def;
  for (int page = 0; page < kDefinitionPageCount; ++page) {
    def.AddField(page, fstSimple, "f" + std::to_string(page));
  }
  def.Page(7).PageName = "Notes";
  def.Write(folder / "full.def");

  DefinitionPages pages = MarkedPages();
  ASSERT_TRUE(LoadDefinitionPages(folder / "full.def", pages));
  for (int page = 0; page < kDefinitionPageCount; ++page) {
    ASSERT_EQ(pages[page].Count(), 1) << page;
    EXPECT_EQ(pages[page].GetItem(0)->Formula, "f" + std::to_string(page));
    EXPECT_EQ(pages[page].GetItem(0)->PageNo, page);
    EXPECT_EQ(pages[page].PageName, page == 7 ? "Notes" : "");
  }
}

TEST(LoadDefinitionPages, AShortFileFillsOnlyItsPages) {
  TempFolder folder;
  DefinitionWriter def;
  def.AddField(2, fstLoan, "member.dbf");
  def.AddField(5, fstLoan, "beyond the end.dbf");
  WriteAll(folder / "short.def", def.Bytes(3));

  DefinitionPages pages = MarkedPages();
  ASSERT_TRUE(LoadDefinitionPages(folder / "short.def", pages));
  EXPECT_EQ(pages[0].Count(), 0);
  EXPECT_EQ(pages[2].Count(), 1);
  for (int page = 3; page < kDefinitionPageCount; ++page)
    EXPECT_TRUE(IsMarked(pages[page])) << page;
  EXPECT_EQ(FindFormulaOfSubType(folder / "short.def", fstLoan), "member.dbf");
}

TEST(LoadDefinitionPages, AFileCutAnywhereInAPageEmptiesThatPage) {
  TempFolder folder;
  DefinitionWriter def;
  for (int page = 0; page < kDefinitionPageCount; ++page)
    def.AddField(page, fstLoan, "p" + std::to_string(page));
  def.Page(4).PageName = "Cut here";
  const std::string before = def.Bytes(4);
  const std::string whole_page = def.Bytes(5);
  // Cuts after the page's leading integer, up to the last byte of its name.
  for (std::size_t cut = before.size() + 2; cut < whole_page.size(); ++cut) {
    SCOPED_TRACE(cut);
    WriteAll(folder / "cut.def", whole_page.substr(0, cut));
    DefinitionPages pages = MarkedPages();
    ASSERT_TRUE(LoadDefinitionPages(folder / "cut.def", pages));
    for (int page = 0; page < 4; ++page)
      ASSERT_EQ(pages[page].GetItem(0)->Formula, "p" + std::to_string(page));
    bool name_cut = cut >= whole_page.size() - 10;  // the list is whole, the name missing or cut
    EXPECT_EQ(pages[4].Count(), name_cut ? 1 : 0);
    EXPECT_EQ(pages[4].PageName, "");
    for (int page = 5; page < kDefinitionPageCount; ++page) ASSERT_TRUE(IsMarked(pages[page]));
    EXPECT_EQ(FindFormulaOfSubType(folder / "cut.def", fstLoan), name_cut ? "p4" : "p3");
  }
}

TEST(LoadDefinitionPages, ALengthClaimingFourGigabytesEndsThePage) {
  TempFolder folder;
  DefinitionWriter def;
  def.AddField(0, fstLoan, "member.dbf");
  std::string bytes = def.Bytes(1);
  // Page 1: a record whose label claims 0xFFFFFFFF bytes (and, wide, twice that) but holds a few.
  for (const char* label :
       {"\x0C\xFF\xFF\xFF\xFF", "\x12\xFF\xFF\xFF\xFF", "\x14\xFF\xFF\xFF\xFF"}) {
    SCOPED_TRACE(static_cast<int>(label[0]));
    std::string damaged = bytes +
                          "\x02\x01\x01"
                          "\x02\x01\x02\x01\x02\x12\x02\x01" +
                          std::string(label, 5) + std::string(64, 'x');
    WriteAll(folder / "huge.def", damaged);
    DefinitionPages pages = MarkedPages();
    ASSERT_TRUE(LoadDefinitionPages(folder / "huge.def", pages));
    EXPECT_EQ(pages[0].Count(), 1);
    EXPECT_EQ(pages[1].Count(), 0);
    EXPECT_TRUE(IsMarked(pages[2]));
    EXPECT_EQ(FindFormulaOfSubType(folder / "huge.def", fstLoan), "member.dbf");
  }
}

TEST(LoadDefinitionPages, AFileThatIsNoDefinitionGivesNoPages) {
  TempFolder folder;
  std::mt19937 random(20240229);
  std::string noise;
  for (int i = 0; i < 100000; ++i) noise += static_cast<char>(random() & 0xFF);
  const struct {
    const char* name;
    std::string bytes;
  } files[] = {
      {"text.def", "[Layout]\r\nPage1=Title;Author\r\n"},
      {"empty.def", ""},
      {"lists.def", std::string(10000, '\x01')},
      {"noise.def", noise},
  };
  for (const auto& file : files) {
    SCOPED_TRACE(file.name);
    WriteAll(folder / file.name, file.bytes);
    DefinitionPages pages = MarkedPages();
    EXPECT_TRUE(LoadDefinitionPages(folder / file.name, pages));
    EXPECT_EQ(FindFormulaOfSubType(folder / file.name, fstLoan), "");
    EXPECT_EQ(FindFormulaOfSubType(folder / file.name, fstMasterDetail), "");
  }
  // A leading integer that is not one leaves every page alone.
  DefinitionPages pages = MarkedPages();
  LoadDefinitionPages(folder / "text.def", pages);
  for (const TFieldList& page : pages) EXPECT_TRUE(IsMarked(page));
}

TEST(LoadDefinitionPages, AMissingFileOrAFolderIsNotOpened) {
  TempFolder folder;
  std::filesystem::create_directory(folder / "folder.def");
  for (const char* name : {"missing.def", "folder.def"}) {
    SCOPED_TRACE(name);
    DefinitionPages pages = MarkedPages();
    EXPECT_FALSE(LoadDefinitionPages(folder / name, pages));
    for (const TFieldList& page : pages) EXPECT_TRUE(IsMarked(page));
    EXPECT_EQ(FindFormulaOfSubType(folder / name, fstLoan), "");
  }
}

}  // namespace
}  // namespace shelvex::layout
