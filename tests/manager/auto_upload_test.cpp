#include <gmock/gmock.h>
#include <sys/stat.h>

#include <QPlainTextEdit>
#include <QTimer>

#include "tests/manager/manager_fixture.h"

namespace shelvex::manager::testing {
namespace {

using shelvex::testing::ReadAll;
using shelvex::testing::WriteAll;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class AutoUploads : public ManagerTest {
 protected:
  // An install script that notes that it ran, and in which folder.
  void WriteScript(const char* name, bool executable = true) const {
    const std::filesystem::path script = home_ / name;
    WriteAll(script, std::string("#!/bin/sh\npwd > \"") + name + ".ran\"\n");
    ::chmod(script.c_str(), executable ? 0755 : 0644);
  }
  std::filesystem::path Ran(const char* name) const { return home_ / (std::string(name) + ".ran"); }
  QString Memo() const { return form_->Memo1->toPlainText(); }
};

TEST_F(AutoUploads, EachServiceStateShowsItsTextAndButtons) {
  const struct {
    bool reachable;
    bool installed;
    std::uint32_t state;
    const char* text;
    bool start_enabled;
    bool stop_enabled;
  } cases[] = {
      {false, true, 4, "Service not Installed.", true, false},
      {true, false, 4, "Service not Installed.", true, false},
      {true, true, 1, "Service Stopped.", true, true},
      {true, true, 4, "Service Running.", false, true},
      {true, true, 2, "Service not Installed.", false, true},
      {true, true, 3, "Service not Installed.", false, true},
      {true, true, 7, "Service not Installed.", false, true},
      {true, true, 0, "Service not Installed.", true, false},
  };
  Show();
  for (const auto& row : cases) {
    SCOPED_TRACE(row.state);
    services_.reachable = row.reachable;
    services_.installed = row.installed;
    services_.state = row.state;
    form_->Timer1Timer();
    EXPECT_EQ(Memo(), row.text);
    EXPECT_EQ(Button("BitBtn4")->isEnabled(), row.start_enabled);
    EXPECT_EQ(Button("BitBtn5")->isEnabled(), row.stop_enabled);
    EXPECT_EQ(form_->ServiceStat,
              row.reachable && row.installed ? static_cast<std::int32_t>(row.state) : 0);
  }
  EXPECT_EQ(services_.opened.front(), "Bookferry");
  EXPECT_EQ(services_.access.front(), 983103u);
}

TEST_F(AutoUploads, TheStateIsPolledEveryThreeSecondsFromTheStart) {
  ASSERT_TRUE(Open());
  EXPECT_TRUE(form_->Timer1->isActive()) << "running before the window is shown";
  EXPECT_EQ(form_->Timer1->interval(), 3000);
  EXPECT_EQ(form_->ServiceStat, 0);
  EXPECT_EQ(Memo(), "");
}

TEST_F(AutoUploads, AStoppedServiceIsStartedWithoutTheInstallScript) {
  WriteScript("_inst.bat");
  services_.state = 1;
  Show();
  form_->Timer1Timer();
  Click("BitBtn4");
  EXPECT_EQ(services_.starts, 1);
  EXPECT_TRUE(Button("BitBtn4")->isEnabled()) << "running the script would have disabled it";
}

TEST_F(AutoUploads, TheInstallScriptRunsWhenTheServiceCannotBeStartedDirectly) {
  const struct {
    const char* name;
    bool refresh_first;
    std::uint32_t state;
    bool start_succeeds;
    bool executable;
  } cases[] = {
      {"not installed", true, 0, true, true},
      {"stopped, start fails", true, 1, false, true},
      {"before the first refresh", false, 4, true, true},
      {"script without the execute bit", true, 0, true, false},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    form_.reset();
    std::filesystem::remove(Ran("_inst.bat"));
    WriteScript("_inst.bat", row.executable);
    services_.installed = row.state != 0;
    services_.state = row.state;
    services_.start_succeeds = row.start_succeeds;
    Show();
    if (row.refresh_first) form_->Timer1Timer();
    Click("BitBtn4");
    EXPECT_FALSE(Button("BitBtn4")->isEnabled()) << "until the next refresh";
    QTRY_VERIFY(std::filesystem::exists(Ran("_inst.bat")));
    QTRY_COMPARE(ReadAll(Ran("_inst.bat")), home_.path().string() + "\n");
  }
}

TEST_F(AutoUploads, ARunningServiceNeedsNothing) {
  WriteScript("_inst.bat");
  services_.state = 4;
  Show();
  form_->Timer1Timer();
  const int starts = services_.starts;
  Click("BitBtn4");
  EXPECT_EQ(services_.starts, starts);
  EXPECT_FALSE(Button("BitBtn4")->isEnabled());
  EXPECT_EQ(Memo(), "Service Running.");
}

TEST_F(AutoUploads, StopRunsTheUninstallScriptAndPausesTheRefreshForTenSeconds) {
  WriteScript("_uninst.bat");
  services_.state = 4;
  Show();
  form_->Timer1Timer();
  Click("BitBtn5");
  EXPECT_EQ(Memo(), "Uninstalling Service.");
  EXPECT_FALSE(Button("BitBtn5")->isEnabled());
  EXPECT_EQ(form_->Timer1->interval(), 10000);
  EXPECT_TRUE(form_->Timer1->isActive());
  QTRY_VERIFY(std::filesystem::exists(Ran("_uninst.bat")));
  services_.installed = false;
  form_->Timer1Timer();
  EXPECT_EQ(form_->Timer1->interval(), 3000) << "every tick goes back to three seconds";
  EXPECT_EQ(Memo(), "Service not Installed.");
}

TEST_F(AutoUploads, AMissingScriptIsNotReported) {
  Show();
  form_->Timer1Timer();
  Click("BitBtn4");
  Click("BitBtn5");
  EXPECT_THAT(prompter_.messages, IsEmpty());
}

}  // namespace
}  // namespace shelvex::manager::testing
