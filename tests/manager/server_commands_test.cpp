#include <gmock/gmock.h>

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>

#include "manager/log_viewer.h"
#include "manager/status_dialog.h"
#include "platform/date_time.h"
#include "tests/manager/manager_fixture.h"
#include "tests/support/sample_library.h"

namespace shelvex::manager::testing {
namespace {

using shelvex::testing::ReadAll;
using shelvex::testing::WriteAll;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr int kUploadTimeoutMs = 60000;
// Nothing listens on port 1 of the loopback interface: every request fails at once.
constexpr char kClosedPort[] = "1";

// The buttons "Upload Data Now" disables, and the two it disables besides them so that nothing
// changes the options under the worker.
constexpr const char* kDisabledDuringUpload[] = {"BitBtn3",  "BitBtn12", "BitBtn8",
                                                 "BitBtn7",  "BitBtn11", "BitBtn1",
                                                 "BitBtn10", "BitBtn14", "Button9"};
constexpr const char* kUsableDuringUpload[] = {"BitBtn6", "BitBtn9", "BitBtn13", "BitBtn4",
                                               "Button1"};

class ServerCommands : public ManagerTest {
 protected:
  void ExpectUploadButtons(bool running) const {
    for (const char* name : kDisabledDuringUpload) {
      EXPECT_EQ(Button(name)->isEnabled(), !running) << name;
    }
    for (const char* name : kUsableDuringUpload) EXPECT_TRUE(Button(name)->isEnabled()) << name;
  }
};

TEST_F(ServerCommands, UploadDataNowRunsOnTheWorkerAndEndsInTheStatusBar) {
  HostedAccount server;
  shelvex::testing::WriteSampleLibrary(home_ / "data");
  WriteOptions(kServerOptions);
  WriteAll(home_ / "columns.txt", "TITLE\r\n");
  Show();
  Type("Edit7", "Our Library");
  Click("BitBtn3");
  ExpectUploadButtons(true);
  EXPECT_EQ(SavedKey("header"), "Our Library") << "the options are saved before the run";
  QTRY_COMPARE_WITH_TIMEOUT(StatusText(), QString("Upload Completed Successfully."),
                            kUploadTimeoutMs);
  QTRY_VERIFY(!form_->UploadRunning());
  ExpectUploadButtons(false);
  EXPECT_THAT(prompter_.messages, IsEmpty());
  EXPECT_TRUE(std::filesystem::exists(server.Files() / "library.xml"));
  EXPECT_EQ(ReadAll(server.Files() / "columns.txt"), "TITLE\r\n");
  EXPECT_THAT(server.Show(), HasSubstr("files: "));
}

TEST_F(ServerCommands, UploadDataNowToAnUnreachableServerEndsWithTheEnginesText) {
  shelvex::testing::WriteSampleLibrary(home_ / "data");
  WriteOptions(kServerOptions);
  ::setenv("SHELVEX_SERVER_PORT", kClosedPort, 1);
  Show();
  Click("BitBtn3");
  ExpectUploadButtons(true);
  QTRY_VERIFY_WITH_TIMEOUT(!form_->UploadRunning(), kUploadTimeoutMs);
  EXPECT_EQ(StatusText(), "Upload Failed! ");
  ExpectUploadButtons(false);
  EXPECT_THAT(prompter_.messages, IsEmpty());
}

TEST_F(ServerCommands, AnUploadEndedByAnUnexpectedFailureSaysWhyAndGivesTheButtonsBack) {
  shelvex::testing::WriteSampleLibrary(home_ / "data");
  WriteOptions(kServerOptions);
  module_.SetClock([] { return platform::EncodeDate(2031, 6, 1); });
  std::filesystem::create_directory(home_ / "2031.txt");  // the log cannot be written
  Show();
  Click("BitBtn3");
  QTRY_VERIFY_WITH_TIMEOUT(!form_->UploadRunning(), kUploadTimeoutMs);
  EXPECT_TRUE(StatusText().startsWith("ERROR! ")) << StatusText().toStdString();
  EXPECT_TRUE(StatusText().contains("2031.txt")) << StatusText().toStdString();
  ExpectUploadButtons(false);
}

TEST_F(ServerCommands, ClosingDuringTheUploadWaitsForItThenSaves) {
  shelvex::testing::WriteSampleLibrary(home_ / "data");
  WriteOptions(kServerOptions);
  ::setenv("SHELVEX_SERVER_PORT", kClosedPort, 1);
  Show();
  Click("BitBtn3");
  Type("Edit7", "typed during the run");
  form_->close();
  EXPECT_TRUE(form_->isVisible()) << "the window waits for the upload";
  EXPECT_EQ(SavedKey("header"), "") << "nothing is saved under the worker";
  QTRY_VERIFY_WITH_TIMEOUT(!form_->isVisible(), kUploadTimeoutMs);
  EXPECT_EQ(SavedKey("header"), "typed during the run");
  EXPECT_THAT(prompter_.messages, IsEmpty()) << "it asks nothing";
}

TEST_F(ServerCommands, UploadOptionsNowBeforeAnyFullRunCannotMakeTheArchive) {
  WriteOptions(kServerOptions);
  ::setenv("SHELVEX_SERVER_PORT", kClosedPort, 1);
  Show();
  Click("BitBtn11");
  EXPECT_EQ(StatusText(), "ERROR! Could not create a zip file.");
  EXPECT_TRUE(form_->isEnabled());
  EXPECT_THAT(prompter_.messages, IsEmpty());
  EXPECT_TRUE(std::filesystem::exists(home_ / "db_upl.ini")) << "saved before the upload";
}

TEST_F(ServerCommands, ClosingWhileACommandRunsOnTheWindowsThreadWaitsForIt) {
  WriteOptions(kServerOptions);
  ::setenv("SHELVEX_SERVER_PORT", kClosedPort, 1);
  Show();
  bool closed_at_once = true;
  // The command's status texts let queued events in while it runs: a close among them.
  QTimer::singleShot(0, form_.get(), [&] {
    form_->close();
    closed_at_once = !form_->isVisible();
  });
  Click("BitBtn11");
  EXPECT_FALSE(closed_at_once) << "the close waits for the command";
  EXPECT_EQ(StatusText(), "ERROR! Could not create a zip file.");
  EXPECT_FALSE(form_->isVisible()) << "and comes when it is over";
}

TEST_F(ServerCommands, StartAndStopReportTheServersAnswerAndFetchReservations) {
  const struct {
    const char* button;
    std::vector<std::string> serve;
    MessageKind kind;
    const char* text;
    const char* on_line;
  } cases[] = {
      {"BitBtn8", {}, MessageKind::kInformation, "Library Server Started.", "on line: Yes"},
      {"BitBtn7", {}, MessageKind::kInformation, "Library Server Stoped.", "on line: No"},
      {"BitBtn7",
       {"--reply", "nope"},
       MessageKind::kError,
       "ERROR! Library Server could not Stop.",
       "on line: Yes"},
      {"BitBtn8",
       {"--reply", "nope"},
       MessageKind::kError,
       "ERROR! Library Server could not Start.",
       "on line: Yes"},
  };
  for (const auto& [button, serve, kind, text, on_line] : cases) {
    SCOPED_TRACE(text);
    form_.reset();
    prompter_ = FakePrompter();
    std::filesystem::remove_all(home_ / "data");
    HostedAccount server({}, serve);
    const shelvex::testing::ProgramResult added = shelvex::testing::RunHost(
        {"add-reservation", "--root", server.Root(), "--user", "lib1", "--line", "42;7"});
    ASSERT_EQ(added.exit_code, 0) << added.errors;
    WriteOptions(kServerOptions);
    Show();
    Click(button);
    ASSERT_EQ(prompter_.messages.size(), 1u);
    EXPECT_EQ(prompter_.messages[0].kind, kind);
    EXPECT_EQ(prompter_.messages[0].text, text);
    EXPECT_THAT(server.Show(), HasSubstr(on_line));
    EXPECT_EQ(ReadAll(home_ / "data" / "new_res.txt"), "42;7\r\n")
        << "the reservations are fetched whatever the answer";
    EXPECT_TRUE(form_->isEnabled());
  }
}

TEST_F(ServerCommands, ServerStatusShowsTheRowsOfTheReply) {
  HostedAccount server({"--message", "Closed on Sunday"});
  WriteOptions(kServerOptions);
  Show();
  std::vector<QString> rows;
  bool message_shown = false;
  prompter_.on_dialog = [&](QDialog& dialog) {
    auto* status = qobject_cast<TForm4*>(&dialog);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->windowTitle(), "Library Server Status");
    rows = {status->Edit7->text(), status->Edit1->text(), status->Edit5->text(),
            status->Memo1->toPlainText()};
    EXPECT_FALSE(status->Edit2->text().isEmpty());
    message_shown = status->Memo1->isVisible() && status->Label6->isVisible();
  };
  Click("BitBtn12");
  EXPECT_EQ(prompter_.other_dialogs, 1);
  EXPECT_THAT(rows, ElementsAre("lib1", "Yes", "Never", "Closed on Sunday"));
  EXPECT_TRUE(message_shown);
  EXPECT_THAT(prompter_.messages, IsEmpty());
  EXPECT_TRUE(form_->isEnabled());
}

TEST_F(ServerCommands, ServerStatusWithoutAnAnswerSaysSo) {
  WriteOptions(kServerOptions);
  ::setenv("SHELVEX_SERVER_PORT", kClosedPort, 1);
  Show();
  Click("BitBtn12");
  EXPECT_EQ(prompter_.other_dialogs, 0);
  EXPECT_THAT(prompter_.MessageTexts(),
              ElementsAre("ERROR! Library Server could not be contacted!\r"
                          "Check if your Internet connection is working."));
}

TEST(StatusDialog, FillsTheRowsTheReplyHolds) {
  Application();
  const struct {
    const char* reply;
    const char* user;
    const char* on_line;
    const char* hits;
    const char* last_upload;
    const char* message;  // nullptr: hidden
  } cases[] = {
      {"lib1~Yes;42", "lib1", "Yes", "42", "", nullptr},
      {"lib1~yes;1;2;3;4/1/2024;x;", "lib1", "No", "1", "4/1/2024", nullptr},
      {"Yes", "", "Yes", "", "", nullptr},
      {"", "", "No", "", "", nullptr},
      {"lib~Yes;9;0;0;Never;Never;", "lib", "Yes", "9", "Never", nullptr},
      {"lib~No;9;0;0;Never;Never;Maintenance on Sunday", "lib", "No", "9", "Never",
       "Maintenance on Sunday"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.reply);
    TForm4 dialog;
    dialog.Status = row.reply;
    dialog.show();
    EXPECT_EQ(dialog.Edit7->text(), row.user);
    EXPECT_EQ(dialog.Edit1->text(), row.on_line);
    EXPECT_EQ(dialog.Edit2->text(), row.hits);
    EXPECT_EQ(dialog.Edit5->text(), row.last_upload);
    EXPECT_EQ(dialog.Memo1->isVisible(), row.message != nullptr);
    EXPECT_EQ(dialog.Label6->isVisible(), row.message != nullptr);
    if (row.message != nullptr) {
      EXPECT_EQ(dialog.Memo1->toPlainText(), row.message);
    }
    EXPECT_TRUE(dialog.Edit1->isReadOnly());
  }
}

TEST_F(ServerCommands, DisplayLogShowsThisYearsLogScrolledToTheEnd) {
  module_.SetClock([] { return platform::EncodeDate(2031, 6, 1); });
  Show();
  QString shown;
  bool at_end = false;
  int scroll_range = 0;
  prompter_.on_dialog = [&](QDialog& dialog) {
    auto* viewer = qobject_cast<TForm5*>(&dialog);
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->windowTitle(), "Activity Log");
    EXPECT_EQ(viewer->LogFile, home_ / "2031.txt");
    shown = viewer->Memo1->toPlainText();
    QScrollBar* bar = viewer->Memo1->verticalScrollBar();
    scroll_range = bar->maximum();
    at_end = bar->value() == bar->maximum();
  };
  Click("BitBtn13");
  EXPECT_EQ(shown, "") << "no log this year: an empty viewer";

  std::string log;
  for (int i = 1; i <= 300; ++i) log += "line " + std::to_string(i) + "\r\n";
  log += "Converting file to XML: caf\xE9.dbf\r\n";
  WriteAll(home_ / "2031.txt", log);
  Click("BitBtn13");
  EXPECT_TRUE(shown.startsWith("line 1\nline 2\n"));
  EXPECT_TRUE(shown.endsWith(QString::fromUtf8("Converting file to XML: café.dbf")));
  EXPECT_GT(scroll_range, 0);
  EXPECT_TRUE(at_end) << "the newest lines are in view";
}

}  // namespace
}  // namespace shelvex::manager::testing
