#include <gmock/gmock.h>

#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <thread>

#include "engine/scrambled_file.h"
#include "manager/field_list_pair.h"
#include "tests/manager/manager_fixture.h"
#include "tests/support/sample_library.h"

namespace shelvex::manager::testing {
namespace {

using shelvex::testing::ReadAll;
using shelvex::testing::WriteAll;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

using Startup = ManagerTest;

TEST_F(Startup, FirstStartInAnEmptyFolderShowsTheDefaultsAndClosingWritesEverything) {
  Show();
  EXPECT_EQ(form_->windowTitle(), "Lantern Manager");
  EXPECT_EQ(form_->size(), QSize(720, 658));
  EXPECT_EQ(form_->minimumSize(), form_->maximumSize()) << "the frame is not resizable";

  QTabWidget* tabs = Find<QTabWidget>("PageControl1");
  std::vector<QString> captions;
  for (int i = 0; i < tabs->count(); ++i) captions.push_back(tabs->tabText(i));
  EXPECT_THAT(captions, ElementsAre("Schedule", "General Server Options", "Web Server Display",
                                    "Search Options"));
  EXPECT_EQ(tabs->currentIndex(), 0);

  // The buttons on the right, top to bottom.
  const std::pair<const char*, const char*> buttons[] = {
      {"BitBtn1", "&Close"},
      {"BitBtn10", "Set Password"},
      {"BitBtn14", "Save Settings"},
      {"BitBtn6", "Web Library Demo"},
      {"BitBtn9", "Web Library"},
      {"BitBtn12", "Server Status"},
      {"BitBtn8", "Start Server"},
      {"BitBtn7", "Stop Server"},
      {"BitBtn3", "Upload Data Now"},
      {"BitBtn11", "Upload Options Now"},
      {"BitBtn4", "Start Auto Uploads"},
      {"BitBtn5", "Stop Auto Uploads"},
      {"BitBtn13", "Display Log"},
  };
  int previous_y = -1;
  for (const auto& [name, caption] : buttons) {
    QPushButton* button = Button(name);
    EXPECT_EQ(button->text(), caption) << name;
    EXPECT_GT(button->y(), previous_y) << name << " is out of order";
    previous_y = button->y();
  }
  EXPECT_FALSE(Button("BitBtn5")->isEnabled());
  EXPECT_GT(Find<QPlainTextEdit>("Memo1")->y(), previous_y);
  EXPECT_TRUE(Find<QPlainTextEdit>("Memo1")->isReadOnly());
  EXPECT_NE(Find<QStatusBar>("StatusBar1"), nullptr);

  EXPECT_EQ(Edit("Edit1")->text(), engine::kDefaultServerAddress);
  EXPECT_EQ(Edit("Edit2")->text(), "733");
  EXPECT_EQ(Edit("Edit3")->text(), "");
  EXPECT_EQ(Edit("Edit4")->text(), QString::fromStdString(home_.Dir() + "data/"));
  EXPECT_EQ(Edit("Edit6")->text(), "12/30/1899");
  EXPECT_EQ(Edit("Edit9")->text(), "");
  EXPECT_EQ(Edit("Edit15")->text(),
            QString("http://%1:733/?user=").arg(engine::kDefaultServerAddress));
  for (const char* name :
       {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4", "CheckBox5", "CheckBox6", "CheckBox7",
        "CheckBox8", "CheckBox9", "CheckBox10", "CheckBox11", "CheckBox12"}) {
    EXPECT_TRUE(Find<QCheckBox>(name)->isChecked()) << name;
  }
  EXPECT_FALSE(Find<QCheckBox>("CheckBox13")->isChecked());
  EXPECT_EQ(Find<QComboBox>("ComboBox1")->currentText(), "12 AM");
  EXPECT_EQ(Find<QComboBox>("ComboBox2")->currentText(), "Medium");
  EXPECT_TRUE(Find<QRadioButton>("RadioGroup1Item0")->isChecked());
  for (const char* name : {"ListBox1", "ListBox2", "ListBox3", "ListBox4", "ListBox5", "ListBox6",
                           "ListBox7", "ListBox8"}) {
    EXPECT_EQ(Find<QListWidget>(name)->count(), 0) << name;
  }
  EXPECT_THAT(prompter_.prompts, IsEmpty()) << "no program password, no login";
  EXPECT_FALSE(Edit("Edit1")->isReadOnly()) << "no user name yet: the account stays open";

  Click("BitBtn1");
  EXPECT_FALSE(form_->isVisible());
  EXPECT_EQ(SavedKey("ipadd"), engine::kDefaultServerAddress);
  EXPECT_EQ(SavedKey("port"), "733");
  EXPECT_EQ(SavedKey("data_folder"), home_.Dir() + "data/");
  EXPECT_EQ(SavedKey("days"), "*");
  EXPECT_EQ(SavedKey("time"), "12:00:00 AM");
  EXPECT_EQ(SavedKey("grid_font"), "1");
  EXPECT_EQ(SavedKey("last_date"), std::nullopt) << "the manager never writes the upload date";
  for (const char* list : {"columns.txt", "details.txt", "det_pg.txt", "keyflds.txt"}) {
    ASSERT_TRUE(std::filesystem::exists(home_ / list)) << list;
    EXPECT_EQ(ReadAll(home_ / list), "") << list;
  }
  EXPECT_THAT(prompter_.messages, IsEmpty());
}

TEST_F(Startup, TheWindowFontIsTahomaOrTheDesktopsSansSerifAtEightPoints) {
  ASSERT_TRUE(Open());
  const QFontInfo used(form_->font());
  EXPECT_EQ(used.pointSize(), 8);
  if (QFontDatabase::hasFamily("Tahoma")) {
    EXPECT_EQ(used.family(), "Tahoma");
  } else {
    EXPECT_EQ(used.family(), QFontInfo(QFont("sans-serif")).family());
  }
}

TEST_F(Startup, AnEmptyProgramPasswordFileAsksForNothing) {
  WriteAll(home_ / "shelvexexe.p", "");
  EXPECT_TRUE(Open());
  EXPECT_THAT(prompter_.prompts, IsEmpty());
}

TEST_F(Startup, TheLoginAcceptsOnlyTheExactPassword) {
  const struct {
    const char* typed;
    bool opens;
  } cases[] = {{"Secret", true}, {"secret", false}, {"Secret ", false}, {"", false}};
  for (const auto& [typed, opens] : cases) {
    SCOPED_TRACE(typed);
    form_.reset();
    std::filesystem::remove(home_ / "db_upl.ini");
    prompter_ = FakePrompter();
    engine::WriteScrambledLine(home_ / "shelvexexe.p", "Secret");
    prompter_.answers.push_back({typed});
    EXPECT_EQ(Open(), opens);
    ASSERT_EQ(prompter_.prompts.size(), 1u);
    EXPECT_EQ(prompter_.prompts[0].caption, "Login Password");
    EXPECT_EQ(prompter_.prompts[0].label, "Enter Password :");
    EXPECT_FALSE(prompter_.prompts[0].clear_visible);
    EXPECT_TRUE(prompter_.prompts[0].edit_has_focus);
    if (opens) {
      EXPECT_THAT(prompter_.messages, IsEmpty());
    } else {
      EXPECT_THAT(prompter_.MessageTexts(), ElementsAre("ERROR! Incorrect Password."));
      EXPECT_EQ(prompter_.messages[0].kind, MessageKind::kError);
      // The window ran its closing steps: the settings as loaded are written back.
      EXPECT_TRUE(std::filesystem::exists(home_ / "db_upl.ini"));
      EXPECT_TRUE(std::filesystem::exists(home_ / "keyflds.txt"));
    }
  }
}

TEST_F(Startup, TheLoginComparesInTheAnsiCodePage) {
  engine::WriteScrambledLine(home_ / "shelvexexe.p", "caf\xE9");  // "café" in windows-1252
  prompter_.answers.push_back({QString::fromUtf8("café")});
  EXPECT_TRUE(Open());
}

TEST_F(Startup, AnUnreadableProgramPasswordFileKeepsTheWindowClosed) {
  std::filesystem::create_directory(home_ / "shelvexexe.p");  // exists, cannot be read as a file
  EXPECT_FALSE(Open());
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_TRUE(prompter_.messages[0].text.startsWith("ERROR! "));
  EXPECT_TRUE(prompter_.messages[0].text.contains("shelvexexe.p"));
}

TEST_F(Startup, TheDataPasswordFileFillsTheMaskedBox) {
  engine::WriteScrambledLine(home_ / "lantern.p", "data-pw");
  ASSERT_TRUE(Open());
  EXPECT_EQ(form_->Pass0, "data-pw");
  EXPECT_EQ(Edit("Edit9")->text(), "data-pw");
  EXPECT_EQ(Edit("Edit9")->echoMode(), QLineEdit::Password);
  EXPECT_EQ(Edit("Edit9")->displayText(), "*******");
  EXPECT_TRUE(Edit("Edit9")->isReadOnly());
}

TEST_F(Startup, TheAccountLocksOnlyWhenAllFourBoxesHoldAValue) {
  const struct {
    const char* options;
    bool locked;
  } cases[] = {
      {"ipadd=host\r\nport=733\r\nuser=lib1\r\ndata_folder=lib\r\n", true},
      {"ipadd=host\r\nport=733\r\nuser=\r\ndata_folder=lib\r\n", false},
  };
  for (const auto& [options, locked] : cases) {
    SCOPED_TRACE(options);
    form_.reset();
    WriteOptions(options);
    ASSERT_TRUE(Open());
    for (const char* name : {"Edit1", "Edit2", "Edit3", "Edit4"}) {
      EXPECT_EQ(Edit(name)->isReadOnly(), locked) << name;
    }
    EXPECT_EQ(!Button("Button10")->isHidden(), locked);
  }
  form_.reset();
  WriteOptions(cases[0].options);
  Show();
  const QColor locked_colour = Edit("Edit1")->palette().color(QPalette::Base);
  EXPECT_EQ(locked_colour, Edit("Edit1")->palette().color(QPalette::Button));
  Click("Button10");
  for (const char* name : {"Edit1", "Edit2", "Edit3", "Edit4"}) {
    EXPECT_FALSE(Edit(name)->isReadOnly()) << name;
    EXPECT_NE(Edit(name)->palette().color(QPalette::Base), locked_colour) << name;
  }
  EXPECT_FALSE(Button("Button10")->isVisible());
  Type("Edit3", "lib2");
  EXPECT_EQ(Edit("Edit3")->text(), "lib2");
}

TEST_F(Startup, TheAvailableListsComeFromTheLibraryTablesFieldNames) {
  shelvex::testing::WriteSampleLibrary(home_ / "data");
  const std::filesystem::path lab = home_ / "data" / "book.lab";
  ASSERT_TRUE(std::filesystem::exists(lab));
  // Its name in upper case, as the cataloguing program may write it, with an 8-bit field name.
  std::filesystem::remove(lab);
  WriteAll(home_ / "data" / "BOOK.LAB", "TITLE\r\nAUTHOR\r\n\r\nT\xCDTULO\r\nTITLE");
  ASSERT_TRUE(Open());
  for (const char* name : {"ListBox1", "ListBox3", "ListBox5", "ListBox7"}) {
    SCOPED_TRACE(name);
    QListWidget* list = Find<QListWidget>(name);
    ASSERT_EQ(list->count(), 5);
    EXPECT_EQ(list->item(2)->text(), "");
    EXPECT_EQ(list->item(3)->text(), QString::fromUtf8("TÍTULO"));
    EXPECT_EQ(list->item(4)->text(), "TITLE") << "duplicates stay";
    EXPECT_EQ(SelectedRow(list), 0);
  }
}

TEST_F(Startup, StatusTextsFromTheWorkerThreadReachTheStatusBar) {
  Show();
  std::thread worker([this] {
    module_.UpdateStatusProc("Preparing DBF files for import.");
    module_.UpdateStatusProc("Converting file to XML: book.dbf");
  });
  worker.join();
  EXPECT_EQ(StatusText(), "") << "texts from another thread wait for the window's thread";
  QTRY_COMPARE(StatusText(), QString("Converting file to XML: book.dbf"));
}

TEST_F(Startup, StatusTextsOnTheWindowsThreadShowAtOnce) {
  Show();
  module_.UpdateStatusProc("Creating a zip archive.");
  EXPECT_EQ(StatusText(), "Creating a zip archive.");
}

TEST_F(Startup, ProgressFromTheWorkerShowsInTheStatusBar) {
  Show();
  QProgressBar* bar = Find<QProgressBar>("ProgressBar1");
  EXPECT_FALSE(bar->isVisible());
  std::thread worker([this] { form_->ShowProgress("book.dbf", 250, 1000); });
  worker.join();
  QTRY_VERIFY(bar->isVisible());
  EXPECT_EQ(bar->value(), 250);
  EXPECT_EQ(bar->maximum(), 1000);
  EXPECT_EQ(bar->text(), "book.dbf: 250 of 1000");
}

}  // namespace
}  // namespace shelvex::manager::testing
