#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/data_module.h"
#include "platform/date_time.h"
#include "platform/error.h"
#include "tests/support/data_module_access.h"
#include "tests/support/host_process.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/sample_library.h"
#include "tests/support/temp_folder.h"

namespace shelvex::engine {
namespace {

namespace fs = std::filesystem;
using shelvex::testing::HostProcess;
using shelvex::testing::ProgramResult;
using shelvex::testing::ReadAll;
using shelvex::testing::RunHost;
using shelvex::testing::RunProgram;
using shelvex::testing::TempFolder;
using shelvex::testing::WriteAll;
using shelvex::testing::WriteSampleLibrary;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

constexpr char kStart[] = "====== Start: 3/14/2024 2:05:09 PM";
constexpr char kEnd[] = "====== End: 3/14/2024 2:05:09 PM";

std::vector<std::string> Lines(const std::string& text) {
  return shelvex::testing::CrLfLines(text);
}

// A program folder with the sample library, its options and field lists, and a stand-in server
// holding the account lib1 (data password "data-pw"). The borrowers table is patron.dbf, whose name
// gives it no other role.
class ConversionRun : public ::testing::Test {
 protected:
  ConversionRun() {
    WriteSampleLibrary(home_ / "data");
    Host({"add-account", "--user", "lib1", "--password", "data-pw"});
    Host({"add-reservation", "--user", "lib1", "--line", "42;7;3/14/2024"});
    module_.Init(home_.Dir());
    module_.IPAdd = "127.0.0.1";
    module_.User = "lib1";
    module_.SaveOptions(false);
    WriteAll(home_ / "columns.txt", "TITLE\r\nAUTHOR\r\n");
    WriteAll(home_ / "keyflds.txt", "TITLE\r\n");
    module_.Pass = "data-pw";
    module_.IsLoggingOn = true;
    module_.SetClock(
        [] { return platform::EncodeDate(2024, 3, 14) + platform::EncodeTime(14, 5, 9, 0); });
    module_.UpdateStatusProc = [this](const std::string& text) { statuses_.push_back(text); };
  }
  ~ConversionRun() override { ::unsetenv("SHELVEX_SERVER_PORT"); }

  void Host(std::vector<std::string> args) {
    args.insert(args.begin() + 1, {"--root", root_.path().string()});
    const ProgramResult result = RunHost(args);
    ASSERT_EQ(result.exit_code, 0) << result.errors;
  }
  void Serve(std::vector<std::string> extra = {}) {
    extra.insert(extra.begin(),
                 {"--root", root_.path().string(), "--keep-requests", kept().string()});
    host_.emplace(extra);
    UsePort(host_->port());
  }
  void UsePort(int port) { ::setenv("SHELVEX_SERVER_PORT", std::to_string(port).c_str(), 1); }

  fs::path kept() const { return root_ / "kept"; }
  fs::path served() const { return root_ / "accounts" / "lib1" / "files"; }
  std::vector<std::string> Log() const { return Lines(ReadAll(home_ / "2024.txt")); }
  std::vector<std::string> FilesIn(const fs::path& folder) const {
    std::vector<std::string> names;
    if (!fs::exists(folder)) return names;
    for (const auto& entry : fs::directory_iterator(folder))
      names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  // The entry names of an archive the server received, read with the data password.
  std::vector<std::string> EntriesOf(const fs::path& archive) const {
    const ProgramResult result =
        RunProgram({"python3", "-c",
                    "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\n"
                    "for i in z.infolist():\n    z.read(i, pwd=b'data-pw')\n    print(i.filename)",
                    archive.string()});
    EXPECT_EQ(result.exit_code, 0) << result.errors;
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t end; (end = result.output.find('\n', start)) != std::string::npos;
         start = end + 1) {
      names.push_back(result.output.substr(start, end - start));
    }
    return names;
  }

  TempFolder root_;
  TempFolder home_;
  TDataModule2 module_;
  std::vector<std::string> statuses_;
  std::optional<HostProcess> host_;
};

const std::vector<std::string> kConverting = {
    "Converting file to XML: book.dbf", "Converting file to XML: bookr.dbf",
    "Converting file to XML: bookz.dbf", "Converting file to XML: fines.dbf",
    "Converting file to XML: patron.dbf"};

std::vector<std::string> Joined(std::vector<std::string> first,
                                const std::vector<std::string>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

TEST_F(ConversionRun, UploadsEveryRoleTableWithItsFieldNamesAndFetchesTheReservations) {
  Serve();
  // Left from an earlier run: cleared before the new files are written. A table without a role
  // is neither exported nor named.
  fs::create_directories(home_ / "xml");
  WriteAll(home_ / "xml" / "stale.txt", "old");
  WriteAll(home_ / "xml" / "reserve.txt", "old list");
  fs::copy_file(home_ / "data" / "fines.dbf", home_ / "data" / "orders.dbf");
  // Progress goes to its own receiver, never to the status texts; each table ends with all done.
  std::map<std::string, std::pair<std::uint32_t, std::uint32_t>> last_progress;
  module_.UpdateProgressProc = [&](const std::string& table, std::uint32_t done,
                                   std::uint32_t total) {
    last_progress[table] = {done, total};
  };

  module_.ConvertDbfToXml();

  const std::vector<std::string> statuses =
      Joined(Joined({"Preparing DBF files for import."}, kConverting),
             {"All files converted.", "Creating a zip archive.", "Uploading compressed files...",
              "Upload Completed Successfully."});
  EXPECT_THAT(statuses_, ElementsAreArray(statuses));
  EXPECT_EQ(module_.ErrorCount(), 0);
  EXPECT_THAT(Log(), ElementsAreArray(Joined(Joined({kStart}, statuses), {kEnd})));

  // The server opened the archive with the account's password and took every file.
  const std::vector<std::string> expected = {
      "borrowers.xml", "fines.xml",   "library.xml", "loan.xml",    "reserve.xml",
      "db_upl.ini",    "cat.txt",     "columns.txt", "keyflds.txt", "borrowers.lab",
      "fines.lab",     "library.lab", "loan.lab",    "reserve.lab"};
  EXPECT_THAT(EntriesOf(kept() / "0001-lib1.zip"), ElementsAreArray(expected));
  std::vector<std::string> sorted = expected;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_THAT(FilesIn(served()), ElementsAreArray(sorted));
  EXPECT_EQ(ReadAll(served() / "library.lab"), ReadAll(home_ / "data" / "book.lab"));
  EXPECT_EQ(ReadAll(served() / "db_upl.ini"), ReadAll(home_ / "db_upl.ini"));

  EXPECT_EQ(ReadAll(home_ / "data" / "new_res.txt"), "42;7;3/14/2024\r\n");
  ASSERT_EQ(last_progress.size(), kConverting.size());
  for (const auto& [table, progress] : last_progress) {
    EXPECT_GT(progress.second, 0u) << table;
    EXPECT_EQ(progress.first, progress.second) << table;
  }
}

TEST_F(ConversionRun, WithoutTheRequiredRolesTheRunEndsAtOnce) {
  Serve();
  fs::remove(home_ / "data" / "bookz.dbf");

  module_.ConvertDbfToXml();

  EXPECT_THAT(statuses_,
              ElementsAre("Preparing DBF files for import.", "ERROR! Database files not found."));
  // Counted, so that a host can tell the run failed; no end marker follows.
  EXPECT_EQ(module_.ErrorCount(), 1);
  EXPECT_THAT(Log(), ElementsAre(kStart, "Preparing DBF files for import.",
                                 "ERROR! Database files not found."));
  EXPECT_THAT(FilesIn(kept()), IsEmpty());
}

TEST_F(ConversionRun, TablesThatFailToExportAreCountedAndNothingIsUploaded) {
  Serve();
  WriteAll(home_ / "data" / "bookr.dbf", "not a table");
  WriteAll(home_ / "data" / "fines.dbf", "");
  fs::remove(home_ / "data" / "fines.lab");

  module_.ConvertDbfToXml();

  EXPECT_THAT(statuses_,
              ElementsAreArray(Joined(Joined({"Preparing DBF files for import."}, kConverting),
                                      {"2 errors converting dbf files! Upload Failed!"})));
  EXPECT_EQ(module_.ErrorCount(), 2);
  const std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 11u);
  EXPECT_THAT(log[4], StartsWith("Exception Error: "));
  EXPECT_THAT(log[4], ::testing::HasSubstr("bookr.dbf"));
  EXPECT_THAT(log[7], StartsWith("Exception Error: "));
  EXPECT_EQ(log.back(), kEnd);
  EXPECT_THAT(FilesIn(kept()), IsEmpty());
  // The other tables were still exported.
  EXPECT_TRUE(fs::exists(home_ / "xml" / "borrowers.xml"));
}

TEST_F(ConversionRun, AFailedUploadGivesTheServersAnswerAndFetchesNoReservations) {
  struct Case {
    std::vector<std::string> server;  // empty: no server at all
    const char* status;
  };
  const Case cases[] = {
      {{"--reply", "ERROR: quota exceeded"}, "Upload Failed! ERROR: quota exceeded"},
      {{"--status-code", "503"}, "Upload Failed! "},
      {{}, "Upload Failed! "},
  };
  for (const Case& c : cases) {
    statuses_.clear();
    if (c.server.empty()) {
      host_.reset();
      UsePort(testing::UnusedLoopbackPort());
    } else {
      Serve(c.server);
    }
    module_.ConvertDbfToXml();
    EXPECT_EQ(statuses_.back(), c.status);
    EXPECT_EQ(module_.ErrorCount(), 1);
    EXPECT_EQ(Log().back(), kEnd);
    EXPECT_FALSE(fs::exists(home_ / "data" / "new_res.txt"));
  }
}

TEST_F(ConversionRun, TheOptionsOnlyUploadSendsTheSettingsAndNoDataPacket) {
  Serve();
  module_.ConvertDbfToXml();
  ASSERT_EQ(module_.ErrorCount(), 0);
  WriteAll(home_ / "columns.txt", "TITLE\r\nYEAR\r\n");
  statuses_.clear();

  module_.UploadOptionsOnly();

  EXPECT_THAT(statuses_, ElementsAre("Creating a zip archive.", "Uploading compressed files...",
                                     "Options Upload Completed Successfully."));
  EXPECT_EQ(module_.ErrorCount(), 0);
  const std::vector<std::string> log = Log();
  EXPECT_THAT(log, Contains(std::string(kStart) + " / Options Only"));
  EXPECT_EQ(log.back(), kEnd);
  // Marked "&opt=Y": the server kept it as an options-only upload and its data files stayed.
  EXPECT_THAT(EntriesOf(kept() / "0002-lib1-opt.zip"),
              ElementsAre("db_upl.ini", "cat.txt", "columns.txt", "keyflds.txt", "reserve.txt",
                          "borrowers.lab", "fines.lab", "library.lab", "loan.lab", "reserve.lab"));
  EXPECT_EQ(ReadAll(served() / "columns.txt"), "TITLE\r\nYEAR\r\n");
  EXPECT_TRUE(fs::exists(served() / "library.xml"));
}

TEST_F(ConversionRun, TheOptionsOnlyUploadReportsItsFailures) {
  // Before any full run there is no xml folder, so there is nothing to send.
  Serve({"--reply", "ERROR: read only"});
  module_.UploadOptionsOnly();
  EXPECT_THAT(statuses_,
              ElementsAre("Creating a zip archive.", "ERROR! Could not create a zip file."));
  EXPECT_EQ(module_.ErrorCount(), 1);
  EXPECT_EQ(Log().back(), kEnd);
  EXPECT_FALSE(fs::exists(home_ / "xml"));

  fs::create_directories(home_ / "xml");
  statuses_.clear();
  module_.UploadOptionsOnly();
  EXPECT_THAT(statuses_, ElementsAre("Creating a zip archive.", "Uploading compressed files...",
                                     "Opptions Upload Failed! ERROR: read only"));
  EXPECT_EQ(module_.ErrorCount(), 1);
}

TEST_F(ConversionRun, ALogThatCannotBeWrittenEndsTheRunWithTheError) {
  Serve();
  fs::create_directories(home_ / "2024.txt");  // a folder where the log file should be
  EXPECT_THROW(module_.ConvertDbfToXml(), IoError);
  EXPECT_THAT(statuses_, IsEmpty());
  EXPECT_THAT(FilesIn(kept()), IsEmpty());
}

}  // namespace
}  // namespace shelvex::engine
