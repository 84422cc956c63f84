#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "engine/data_module.h"
#include "platform/date_time.h"
#include "platform/error.h"
#include "tests/support/data_module_access.h"
#include "tests/support/temp_folder.h"

namespace shelvex::engine {
namespace {

namespace fs = std::filesystem;
using platform::EncodeDate;
using platform::EncodeTime;
using platform::TDateTime;
using shelvex::testing::ReadAll;
using shelvex::testing::TempFolder;

class ActivityLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_.Init(home_.Dir());
    module_.IsLoggingOn = true;
    module_.SetClock([this] { return now_; });
    module_.UpdateStatusProc = [this](const std::string& text) { received_.push_back(text); };
  }
  void Report(const std::string& text) { TDataModule2TestAccess::ReportStatus(module_, text); }

  TempFolder home_;
  TDataModule2 module_;
  TDateTime now_ = EncodeDate(2011, 12, 31) + EncodeTime(23, 59, 59);
  std::vector<std::string> received_;
};

TEST_F(ActivityLogTest, AppendsCrLfLinesToTheFileOfTheCurrentYear) {
  module_.AddToLog("====== Start: " + module_.TimestampText());
  Report("Preparing DBF files for import.");
  now_ = EncodeDate(2012, 1, 1);
  Report("Creating a zip archive.");
  module_.AddToLog("====== End: " + module_.TimestampText());
  EXPECT_EQ(ReadAll(home_ / "2011.txt"),
            "====== Start: 12/31/2011 11:59:59 PM\r\nPreparing DBF files for import.\r\n");
  // The first line after New Year's midnight opens the new year's file, in the middle of a run.
  EXPECT_EQ(ReadAll(home_ / "2012.txt"), "Creating a zip archive.\r\n====== End: 1/1/2012\r\n");
  EXPECT_EQ(received_, (std::vector<std::string>{"Preparing DBF files for import.",
                                                 "Creating a zip archive."}));
}

TEST_F(ActivityLogTest, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  module_.AddToLog("caf\xC3\xA9 \xE6\xBC\xA2\xE5\xAD\x97 \xE2\x82\xAC");
  module_.AddToLog("");
  EXPECT_EQ(ReadAll(home_ / "2011.txt"), "caf\xE9 ?? \x80\r\n\r\n");
}

TEST_F(ActivityLogTest, LoggingOffWritesNothingButTheReceiverGetsEveryText) {
  module_.IsLoggingOn = false;
  Report("one");
  Report("");
  module_.AddToLog("only for the log");
  EXPECT_EQ(received_, (std::vector<std::string>{"one", ""}));
  EXPECT_TRUE(fs::is_empty(home_.path()));
}

TEST_F(ActivityLogTest, WithoutReceiverTextsGoOnlyToTheLog) {
  module_.UpdateStatusProc = nullptr;
  Report("Upload Completed Successfully.");
  EXPECT_EQ(ReadAll(home_ / "2011.txt"), "Upload Completed Successfully.\r\n");
}

TEST_F(ActivityLogTest, UnwritableLogThrowsIoErrorNamingTheFile) {
  // A folder in the log file's place: no process, root included, can open it for writing.
  fs::create_directory(home_ / "2011.txt");
  try {
    Report("Converting file to XML: books.dbf");
    FAIL() << "no error";
  } catch (const IoError& error) {
    EXPECT_NE(std::string(error.what()).find((home_ / "2011.txt").string()), std::string::npos)
        << error.what();
  }
  EXPECT_EQ(received_.size(), 1u) << "the receiver is called before the log";
  EXPECT_THROW(module_.AddToLog("x"), IoError);
}

TEST_F(ActivityLogTest, WhatTheReceiverThrowsReachesTheCallerBeforeTheLog) {
  module_.UpdateStatusProc = [](const std::string&) { throw std::runtime_error("window gone"); };
  EXPECT_THROW(Report("text"), std::runtime_error);
  EXPECT_FALSE(fs::exists(home_ / "2011.txt"));
}

TEST_F(ActivityLogTest, TimestampLeavesOutMidnight) {
  now_ = EncodeDate(2011, 3, 4) + EncodeTime(13, 5, 9);
  EXPECT_EQ(module_.TimestampText(), "3/4/2011 1:05:09 PM");
  now_ = EncodeDate(2011, 3, 4);
  EXPECT_EQ(module_.TimestampText(), "3/4/2011");
}

TEST(ActivityLog, SystemClockNamesTheFileAfterThisYear) {
  TempFolder home;
  TDataModule2 module;
  module.Init(home.Dir());
  module.IsLoggingOn = true;
  const int year = platform::DecodeDateTime(platform::NowLocal()).year;
  module.AddToLog("line");
  EXPECT_TRUE(fs::exists(home / (std::to_string(year) + ".txt")) ||
              fs::exists(home / (std::to_string(year + 1) + ".txt")));
}

}  // namespace
}  // namespace shelvex::engine
