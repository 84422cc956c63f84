// The command-line paths of shelvexserv: INSTALL and UNINSTALL against a unit folder of the test's
// own (SHELVEX_SYSTEMD_DIR), whose presence also keeps systemd out of it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/host_process.h"
#include "tests/support/temp_folder.h"

namespace shelvex::service {
namespace {

namespace fs = std::filesystem;
using shelvex::testing::ProgramResult;
using shelvex::testing::ReadAll;
using shelvex::testing::RunProgram;
using shelvex::testing::TempFolder;
using ::testing::HasSubstr;

const fs::path kProgram = SHELVEX_SERVICE_PROGRAM;

constexpr char kInstalled[] = "Service installed successfully\n";
constexpr char kUninstalled[] = "Service uninstalled successfully\n";
constexpr char kAlreadyInstalled[] =
    "Service \"LanternMgr\" failed to install with error: \"System Error.  Code: 17.\r\n"
    "File exists\"\n";
constexpr char kNotInstalled[] =
    "Service \"LanternMgr\" failed to uninstall with error: \"System Error.  Code: 2.\r\n"
    "No such file or directory\"\n";

std::string ExpectedUnit(const std::string& exec_start) {
  return "# Written by shelvexserv -install; shelvexserv -uninstall removes it.\n"
         "[Unit]\n"
         "Description=LanternMgr\n"
         "Wants=network-online.target\n"
         "After=network-online.target\n"
         "\n"
         "[Service]\n"
         "Type=notify\n"
         "ExecStart=" +
         exec_start +
         "\n"
         "Restart=on-failure\n"
         "TimeoutStopSec=300\n"
         "UMask=0002\n"
         "\n"
         "[Install]\n"
         "WantedBy=multi-user.target\n";
}

class ServiceCommand : public ::testing::Test {
 protected:
  ProgramResult Run(const std::vector<std::string>& args, const fs::path& program = kProgram) {
    std::vector<std::string> argv{"env", "SHELVEX_SYSTEMD_DIR=" + units_.path().string(),
                                  program.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv);
  }
  fs::path UnitFile() const { return units_ / "Bookferry.service"; }

  TempFolder units_;
};

TEST_F(ServiceCommand, InstallWritesTheUnitForThisProgramAndItsFolder) {
  const ProgramResult result = Run({"-install"});

  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output, kInstalled);
  EXPECT_EQ(result.errors, "");
  const std::string folder = kProgram.parent_path().string();
  EXPECT_EQ(ReadAll(UnitFile()), ExpectedUnit(kProgram.string() + " --home " + folder + "/"));
}

TEST_F(ServiceCommand, SwitchesGiveTheTextsAndStatusesOfEachPath) {
  struct Step {
    std::vector<std::string> args;
    int exit_code;
    std::string output;
    std::string errors;
    bool installed_after;
  };
  struct Case {
    const char* label;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"install, then uninstall",
       {{{"-install"}, 0, kInstalled, "", true}, {{"-uninstall"}, 0, kUninstalled, "", false}}},
      {"silent, in mixed case with either prefix",
       {{{"/INSTALL", "-Silent"}, 0, "", "", true}, {{"-sIlEnT", "/UnInstall"}, 0, "", "", false}}},
      {"installed twice",
       {{{"-install"}, 0, kInstalled, "", true},
        {{"/install", "/silent"}, 1, "", kAlreadyInstalled, true}}},
      {"uninstalled when missing", {{{"-uninstall"}, 1, "", kNotInstalled, false}}},
      {"install wins over uninstall",
       {{{"-install"}, 0, kInstalled, "", true},
        {{"-uninstall"}, 0, kUninstalled, "", false},
        {{"/uninstall", "-INSTALL"}, 0, kInstalled, "", true}}},
      {"switches among other arguments",
       {{{"--home", "/srv/lantern", "-install", "--tick-ms", "5"}, 0, kInstalled, "", true}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove(UnitFile());
    for (const Step& step : c.steps) {
      SCOPED_TRACE(::testing::PrintToString(step.args));
      const ProgramResult result = Run(step.args);
      EXPECT_EQ(result.exit_code, step.exit_code);
      EXPECT_EQ(result.output, step.output);
      EXPECT_EQ(result.errors, step.errors);
      EXPECT_EQ(fs::exists(UnitFile()), step.installed_after);
    }
  }
}

TEST_F(ServiceCommand, AFailedSecondInstallKeepsTheFirstUnit) {
  ASSERT_EQ(Run({"-install", "--home", "/srv/first"}).exit_code, 0);
  const std::string first = ReadAll(UnitFile());

  EXPECT_EQ(Run({"-install", "--home", "/srv/second"}).exit_code, 1);
  EXPECT_EQ(ReadAll(UnitFile()), first);
  EXPECT_THAT(first, HasSubstr(" --home /srv/first/\n"));
}

TEST_F(ServiceCommand, PathsWithBlanksAndSpecifiersReachSystemdUnchanged) {
  // systemd splits ExecStart= at blanks and expands "%" and "$" in it.
  TempFolder programs;
  const fs::path folder = programs / "my lib 100%$x";
  fs::create_directory(folder);
  fs::copy_file(kProgram, folder / "shelvexserv");

  const ProgramResult result = Run({"-install"}, folder / "shelvexserv");

  ASSERT_EQ(result.exit_code, 0) << result.errors;
  const std::string quoted = "\"" + programs.path().string() + "/my lib 100%%$$x";
  EXPECT_EQ(ReadAll(UnitFile()), ExpectedUnit(quoted + "/shelvexserv\" --home " + quoted + "/\""));
}

TEST_F(ServiceCommand, AnUnusableUnitFolderIsAnInstallFailure) {
  fs::remove(units_.path());

  const ProgramResult result = Run({"-install"});

  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.errors,
            "Service \"LanternMgr\" failed to install with error: \"System Error.  Code: 2.\r\n"
            "No such file or directory\"\n");
  fs::create_directory(units_.path());
}

TEST_F(ServiceCommand, WrongUsageIsExplainedAndHelpNamesEverySwitch) {
  const ProgramResult wrong = Run({"--frobnicate"});
  EXPECT_EQ(wrong.exit_code, 2);
  EXPECT_THAT(wrong.errors, HasSubstr("unknown argument: --frobnicate"));
  const ProgramResult bad_tick = Run({"--tick-ms", "0"});
  EXPECT_EQ(bad_tick.exit_code, 2);
  EXPECT_THAT(bad_tick.errors, HasSubstr("--tick-ms: expected a whole number from 1"));

  const ProgramResult help = Run({"--help"});
  EXPECT_EQ(help.exit_code, 0);
  for (const char* name :
       {"INSTALL", "UNINSTALL", "SILENT", "--home", "--start-delay-ms", "--tick-ms",
        "--random-delay-minutes", "SHELVEX_SYSTEMD_DIR", "SHELVEX_FAKE_NOW"}) {
    EXPECT_THAT(help.output, HasSubstr(name));
  }
}

TEST_F(ServiceCommand, TheScriptsBesideTheProgramInstallAndUninstallIt) {
  if (::geteuid() != 0) {
    GTEST_SKIP()
        << "the scripts ask for administrator rights (pkexec or sudo) when not run as root";
  }
  const fs::path folder = kProgram.parent_path();

  const ProgramResult installed = RunProgram(
      {"env", "SHELVEX_SYSTEMD_DIR=" + units_.path().string(), (folder / "_inst.bat").string()});
  ASSERT_EQ(installed.exit_code, 0) << installed.errors;
  EXPECT_EQ(installed.output, "") << "the program runs silent";
  EXPECT_THAT(ReadAll(UnitFile()), HasSubstr("ExecStart=" + kProgram.string() + " --home "));

  const ProgramResult uninstalled = RunProgram(
      {"env", "SHELVEX_SYSTEMD_DIR=" + units_.path().string(), (folder / "_uninst.bat").string()});
  ASSERT_EQ(uninstalled.exit_code, 0) << uninstalled.errors;
  EXPECT_FALSE(fs::exists(UnitFile()));
}

}  // namespace
}  // namespace shelvex::service
