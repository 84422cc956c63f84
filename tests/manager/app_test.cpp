// shelvexapp as a program: the screenshot run, and its command line.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/scrambled_file.h"
#include "tests/support/host_process.h"
#include "tests/support/temp_folder.h"

namespace shelvex::manager {
namespace {

using shelvex::testing::ProgramResult;
using shelvex::testing::ReadAll;
using shelvex::testing::RunProgram;
using shelvex::testing::TempFolder;
using ::testing::HasSubstr;

TEST(ShelvexApp, ScreenshotSavesEachTabAndTheStatusDialogThenClosesAndSaves) {
  TempFolder home;
  TempFolder out;
  const ProgramResult result =
      RunProgram({"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM",
                  SHELVEX_APP_PROGRAM, "--home", home.path().string(), "--screenshot",
                  (out / "shots").string()});
  ASSERT_EQ(result.exit_code, 0) << result.errors;
  for (const char* picture :
       {"schedule.png", "general_server_options.png", "web_server_display.png",
        "search_options.png", "server_status.png"}) {
    const std::filesystem::path file = out / "shots" / picture;
    ASSERT_TRUE(std::filesystem::exists(file)) << picture;
    EXPECT_EQ(ReadAll(file).substr(0, 8), "\x89PNG\r\n\x1A\n") << picture;
  }
  EXPECT_THAT(ReadAll(home / "db_upl.ini"), HasSubstr("port=733\r\n"));
  for (const char* list : {"columns.txt", "details.txt", "det_pg.txt", "keyflds.txt"}) {
    EXPECT_TRUE(std::filesystem::exists(home / list)) << list;
  }
}

TEST(ShelvexApp, AScreenshotRunCannotAnswerTheLoginAndFails) {
  TempFolder home;
  TempFolder out;
  engine::WriteScrambledLine(home / "shelvexexe.p", "Secret");
  const ProgramResult result =
      RunProgram({"env", "QT_QPA_PLATFORM=offscreen", SHELVEX_APP_PROGRAM, "--home",
                  home.path().string(), "--screenshot", out.path().string()});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_THAT(result.errors, HasSubstr("ERROR! Incorrect Password."));
  EXPECT_FALSE(std::filesystem::exists(out / "schedule.png"));
}

TEST(ShelvexApp, AWrongCommandLineIsRefusedWithAMessage) {
  TempFolder home;
  const struct {
    std::vector<std::string> words;
    const char* says;
  } cases[] = {
      {{"--bogus"}, "--bogus: unknown option"},
      {{"--home"}, "--home: a folder must follow"},
      {{"--home", (home / "missing").string()}, "no such folder"},
  };
  for (const auto& [words, says] : cases) {
    std::vector<std::string> argv{SHELVEX_APP_PROGRAM};
    argv.insert(argv.end(), words.begin(), words.end());
    const ProgramResult result = RunProgram(argv);
    EXPECT_EQ(result.exit_code, 2) << says;
    EXPECT_THAT(result.errors, HasSubstr(says));
  }
  const ProgramResult help = RunProgram({SHELVEX_APP_PROGRAM, "--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_THAT(help.output, HasSubstr("--screenshot OUT"));
}

}  // namespace
}  // namespace shelvex::manager
