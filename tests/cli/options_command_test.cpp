#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/host_process.h"
#include "tests/support/temp_folder.h"

namespace shelvex::cli {
namespace {

namespace fs = std::filesystem;
using shelvex::testing::ProgramResult;
using shelvex::testing::ReadAll;
using shelvex::testing::RunProgram;
using shelvex::testing::TempFolder;
using shelvex::testing::WriteAll;

ProgramResult Shelvex(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), SHELVEX_CLI_PROGRAM);
  return RunProgram(arguments);
}

std::string DefaultsFor(const std::string& home) {
  return "HomeDir=" + home + "\nDataFolder=" + home +
         "data/\nIPAdd=www.velmora.example\nUser=\nPort=733\nHeader=\nFooter=\nAllowPatronInfo=Y\n"
         "AcceptReservations=Y\nUploadDays=*\nUploadTime=12:00:00 "
         "AM\nLastUpload=12/30/1899\nGridImg=Y\n"
         "SelectedImg=Y\nLargeImg=Y\nUseProxy=N\nProxyAddr=\nProxyPort=\nProxyUserName=\nProxyPwd="
         "\nLinkField=\n"
         "Layout=0\nGridFont=1\n";
}

TEST(OptionsCommand, PrintsTheDefaultsOfAnEmptyFolderWithOrWithoutTrailingSlash) {
  TempFolder home;
  for (const std::string& dir : {home.Dir(), home.path().string()}) {
    const ProgramResult result = Shelvex({"options", "--home", dir});
    EXPECT_EQ(result.exit_code, 0) << result.errors;
    EXPECT_EQ(result.output, DefaultsFor(home.Dir()));
    EXPECT_EQ(result.errors, "");
  }
  EXPECT_TRUE(fs::is_empty(home.path())) << "printing must not write";
}

TEST(OptionsCommand, SaveWritesEveryKeyInOrder) {
  TempFolder home;
  const ProgramResult result = Shelvex({"options", "--home=" + home.Dir(), "--save"});
  ASSERT_EQ(result.exit_code, 0) << result.errors;
  EXPECT_EQ(
      ReadAll(home / "db_upl.ini"),
      "[Options]\r\nipadd=www.velmora.example\r\nuser=\r\nport=733\r\ndata_folder=" + home.Dir() +
          "data/\r\nheader=\r\nfooter=\r\nallowpatroninfo=Y\r\nacceptreservations=Y\r\ndays=*\r\n"
          "time=12:00:00 "
          "AM\r\ngrid_img=Y\r\nselected_img=Y\r\nlarge_img=Y\r\nuse_proxy=N\r\nproxy_addr=\r\n"
          "proxy_port=\r\nproxy_user=\r\nproxy_pwd=\r\nlink_field=\r\nlayout=0\r\ngrid_font=1\r\n");
}

TEST(OptionsCommand, SaveKeepsOtherSectionsAndUnknownKeys) {
  TempFolder home;
  WriteAll(home / "db_upl.ini",
           "[Server]\r\nslot=4\r\n\r\n[Options]\r\nUser=lib1\r\ncolour=blue\r\ndays=1,3,5\r\nlast_"
           "date=7/4/2011\r\n"
           "grid_font=$2\r\n\r\n[Extra]\r\n; kept too\r\nk=v\r\n");
  const ProgramResult result = Shelvex({"options", "--home", home.Dir(), "--save"});
  ASSERT_EQ(result.exit_code, 0) << result.errors;
  EXPECT_NE(result.output.find("\nUser=lib1\n"), std::string::npos);
  EXPECT_NE(result.output.find("\nUploadDays=1,3,5\n"), std::string::npos);
  EXPECT_NE(result.output.find("\nLastUpload=7/4/2011\n"), std::string::npos);
  EXPECT_NE(result.output.find("\nGridFont=2\n"), std::string::npos);
  const std::string text = ReadAll(home / "db_upl.ini");
  EXPECT_EQ(text.find("[Server]\r\nslot=4\r\n"), 0u) << text;
  EXPECT_NE(
      text.find("[Options]\r\nUser=lib1\r\ncolour=blue\r\ndays=1,3,5\r\nlast_date=7/4/2011\r\n"
                "grid_font=2\r\nipadd="),
      std::string::npos)
      << text;
  EXPECT_NE(text.find("[Extra]\r\n\r\n; kept too\r\nk=v\r\n"), std::string::npos) << text;
}

TEST(OptionsCommand, BadArgumentsGiveUsageAndStatus2) {
  TempFolder home;
  const std::vector<std::vector<std::string>> bad = {{},
                                                     {"frobnicate"},
                                                     {"options", "--home"},
                                                     {"options", "--home", home.Dir(), "--sav"},
                                                     {"options", "extra"}};
  for (const auto& arguments : bad) {
    const ProgramResult result = Shelvex(arguments);
    EXPECT_EQ(result.exit_code, 2) << (arguments.empty() ? "" : arguments.back());
    EXPECT_NE(result.errors.find("usage: shelvex"), std::string::npos) << result.errors;
    EXPECT_EQ(result.output, "");
  }
}

TEST(OptionsCommand, HelpListsTheSubcommands) {
  const ProgramResult result = Shelvex({"--help"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_NE(result.output.find("options --home DIR [--save]"), std::string::npos) << result.output;
}

TEST(OptionsCommand, FailureGivesTheMessageAndStatus1) {
  TempFolder home;
  // The options file's place is taken by a folder, so saving cannot replace it.
  fs::create_directory(home / "db_upl.ini");
  const ProgramResult result = Shelvex({"options", "--home", home.Dir(), "--save"});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_NE(result.errors.find((home / "db_upl.ini").string() + ": "), std::string::npos)
      << result.errors;
}

}  // namespace
}  // namespace shelvex::cli
