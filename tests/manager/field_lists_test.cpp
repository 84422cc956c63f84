#include <gmock/gmock.h>

#include <QListWidget>

#include "manager/field_list_pair.h"
#include "tests/manager/manager_fixture.h"
#include "tests/support/sample_library.h"

namespace shelvex::manager::testing {
namespace {

using shelvex::testing::ReadAll;
using shelvex::testing::WriteAll;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

std::vector<QString> Entries(const QListWidget* list) {
  std::vector<QString> entries;
  for (int i = 0; i < list->count(); ++i) entries.push_back(list->item(i)->text());
  return entries;
}

// A program folder whose library table's field names file holds `fields`.
class FieldLists : public ManagerTest {
 protected:
  void WithFields(const std::string& lab_bytes) {
    shelvex::testing::WriteSampleLibrary(home_ / "data");
    WriteAll(home_ / "data" / "book.lab", lab_bytes);
  }
  QListWidget* List(const char* name) const { return Find<QListWidget>(name); }
};

TEST_F(FieldLists, AddAppendsTheSelectedFieldAndMovesTheSelectionDown) {
  WithFields("TITLE\r\nAUTHOR\r\nYEAR\r\n");
  Show();
  Click("Button1");
  Click("Button1");
  EXPECT_THAT(Entries(List("ListBox2")), ElementsAre("TITLE", "AUTHOR"));
  EXPECT_EQ(SelectedRow(List("ListBox1")), 2);
  Click("Button1");
  EXPECT_EQ(SelectedRow(List("ListBox1")), 2) << "the selection stays on the last entry";
  Click("Button1");
  EXPECT_THAT(Entries(List("ListBox2")), ElementsAre("TITLE", "AUTHOR", "YEAR"))
      << "adding the last entry again changes nothing";
}

TEST_F(FieldLists, EveryPairAddsAndRemovesItsOwnLists) {
  WithFields("TITLE\r\nAUTHOR\r\n");
  Show();
  const struct {
    const char* add;
    const char* remove;
    const char* available;
    const char* chosen;
  } pairs[] = {{"Button1", "Button2", "ListBox1", "ListBox2"},
               {"Button5", "Button6", "ListBox3", "ListBox4"},
               {"Button11", "Button12", "ListBox5", "ListBox6"},
               {"Button15", "Button16", "ListBox7", "ListBox8"}};
  for (const auto& pair : pairs) {
    SCOPED_TRACE(pair.add);
    Click(pair.add);
    EXPECT_THAT(Entries(List(pair.chosen)), ElementsAre("TITLE"));
    SelectRow(List(pair.chosen), 0);
    Click(pair.remove);
    EXPECT_THAT(Entries(List(pair.chosen)), IsEmpty());
    EXPECT_EQ(SelectedRow(List(pair.available)), 1) << "the other lists are untouched";
  }
  EXPECT_EQ(form_->findChild<QPushButton*>("Button17"), nullptr)
      << "the keyword pair has no Add All";
}

TEST_F(FieldLists, AFieldAlreadyChosenInAnotherCaseIsNotAddedAgain) {
  WithFields("Title\r\nAuthor\r\n");
  WriteAll(home_ / "columns.txt", "TITLE\r\n");
  Show();
  Click("Button1");
  EXPECT_THAT(Entries(List("ListBox2")), ElementsAre("TITLE"));
  EXPECT_EQ(SelectedRow(List("ListBox1")), 0) << "nothing changed";
}

TEST_F(FieldLists, RemoveSelectsTheEntryThatTakesThePlace) {
  WriteAll(home_ / "details.txt", "A\r\nB\r\nC\r\n");
  Show();
  QListWidget* chosen = List("ListBox4");
  SelectRow(chosen, 1);
  Click("Button6");
  EXPECT_THAT(Entries(chosen), ElementsAre("A", "C"));
  EXPECT_EQ(SelectedRow(chosen), 1);
  Click("Button6");
  EXPECT_THAT(Entries(chosen), ElementsAre("A"));
  EXPECT_EQ(SelectedRow(chosen), 0) << "the new last entry";
  Click("Button6");
  EXPECT_THAT(Entries(chosen), IsEmpty());
  EXPECT_EQ(SelectedRow(chosen), -1);
  Click("Button6");  // nothing selected: nothing happens
  EXPECT_THAT(prompter_.messages, IsEmpty());
}

TEST_F(FieldLists, WithoutALibraryTableTheChosenListsCanOnlyShrink) {
  WriteAll(home_ / "columns.txt", "TITLE\r\nAUTHOR\r\n");
  Show();
  for (const char* name : {"ListBox1", "ListBox3", "ListBox5", "ListBox7"}) {
    EXPECT_EQ(List(name)->count(), 0) << name;
  }
  Click("Button1");
  Click("Button3");
  EXPECT_THAT(Entries(List("ListBox2")), IsEmpty()) << "Add All copies the empty list";
  WriteAll(home_ / "columns.txt", "TITLE\r\nAUTHOR\r\n");
  form_.reset();
  Show();
  Click("Button1");
  EXPECT_THAT(Entries(List("ListBox2")), ElementsAre("TITLE", "AUTHOR"));
  Click("Button4");
  EXPECT_THAT(Entries(List("ListBox2")), IsEmpty());
}

TEST_F(FieldLists, TheKeywordListTakesEightFieldsThroughAdd) {
  WithFields("F1\r\nF2\r\nF3\r\nF4\r\nF5\r\nF6\r\nF7\r\nF8\r\nF9\r\n");
  Show();
  for (int i = 0; i < 8; ++i) Click("Button15");
  EXPECT_EQ(List("ListBox8")->count(), 8);
  EXPECT_THAT(prompter_.messages, IsEmpty());
  Click("Button15");
  EXPECT_EQ(List("ListBox8")->count(), 8);
  ASSERT_THAT(
      prompter_.MessageTexts(),
      ElementsAre("Warning! You have reached the maximum number of Keyword Search Fields."));
  EXPECT_EQ(prompter_.messages[0].kind, MessageKind::kWarning);

  SelectRow(List("ListBox7"), -1);
  Click("Button15");
  EXPECT_EQ(prompter_.messages.size(), 1u) << "no available selection: no warning";
}

TEST_F(FieldLists, AKeywordFileOfTenLinesIsShownAndWrittenBackWhole) {
  std::string ten;
  for (int i = 1; i <= 10; ++i) ten += "K" + std::to_string(i) + "\r\n";
  WriteAll(home_ / "keyflds.txt", ten);
  Show();
  EXPECT_EQ(List("ListBox8")->count(), 10);
  Click("BitBtn14");
  EXPECT_EQ(ReadAll(home_ / "keyflds.txt"), ten);
}

TEST_F(FieldLists, AddAllThenSaveWritesTheFieldNamesWithCrLf) {
  WithFields("\xEF\xBB\xBFTITLE\nT\xC3\x8DTULO\rAUTHOR");  // UTF-8 with a BOM, mixed line ends
  Show();
  Click("Button3");
  Click("Button13");
  Click("BitBtn14");
  EXPECT_EQ(ReadAll(home_ / "columns.txt"), "TITLE\r\nT\xCDTULO\r\nAUTHOR\r\n")
      << "the ANSI code page, no byte-order mark";
  EXPECT_EQ(ReadAll(home_ / "det_pg.txt"), ReadAll(home_ / "columns.txt"));
  EXPECT_EQ(ReadAll(home_ / "details.txt"), "");
}

TEST_F(FieldLists, AListFileThatCannotBeWrittenStopsTheSaveWithAMessage) {
  WithFields("TITLE\r\n");
  WriteAll(home_ / "det_pg.txt", "OLD\r\n");
  WriteAll(home_ / "keyflds.txt", "OLD\r\n");
  Show();
  Click("Button3");
  Click("Button7");
  Click("Button13");
  Click("Button15");
  std::filesystem::create_directory(home_ / "details.txt");  // cannot be replaced by a file
  Click("BitBtn14");
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].kind, MessageKind::kError);
  EXPECT_TRUE(prompter_.messages[0].text.startsWith("ERROR! "));
  EXPECT_TRUE(prompter_.messages[0].text.contains("details.txt"));
  EXPECT_EQ(ReadAll(home_ / "columns.txt"), "TITLE\r\n") << "written before the failure";
  EXPECT_EQ(ReadAll(home_ / "det_pg.txt"), "OLD\r\n") << "later files keep their contents";
  EXPECT_EQ(ReadAll(home_ / "keyflds.txt"), "OLD\r\n");
}

}  // namespace
}  // namespace shelvex::manager::testing
