#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/data_module.h"
#include "tests/support/access_rights.h"
#include "tests/support/data_module_access.h"
#include "tests/support/host_process.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/temp_folder.h"

namespace shelvex::engine {
namespace {

namespace fs = std::filesystem;
using shelvex::testing::HostProcess;
using shelvex::testing::ObeyFilePermissions;
using shelvex::testing::ProgramResult;
using shelvex::testing::RawHttpServer;
using shelvex::testing::ReadAll;
using shelvex::testing::RunHost;
using shelvex::testing::RunProgram;
using shelvex::testing::TempFolder;
using shelvex::testing::WriteAll;
using ::testing::ElementsAre;
using ::testing::StartsWith;

class Reservations : public ::testing::Test {
 protected:
  Reservations() {
    module_.Init(home_.Dir());
    module_.IPAdd = "127.0.0.1";
    module_.User = "lib1";
  }
  ~Reservations() override { ::unsetenv("SHELVEX_SERVER_PORT"); }

  void Host(std::vector<std::string> args) {
    args.insert(args.begin() + 1, {"--root", root_.path().string()});
    const ProgramResult result = RunHost(args);
    ASSERT_EQ(result.exit_code, 0) << result.errors;
  }
  void AddAccount(const std::string& user = "lib1", const std::string& password = {}) {
    if (password.empty()) {
      Host({"add-account", "--user", user});
    } else {
      Host({"add-account", "--user", user, "--password", password});
    }
  }
  void AddReservations(const std::vector<std::string>& lines, const std::string& user = "lib1") {
    std::vector<std::string> args{"add-reservation", "--user", user};
    for (const std::string& line : lines) args.insert(args.end(), {"--line", line});
    Host(args);
  }
  void Serve(std::vector<std::string> extra = {}) {
    extra.insert(extra.begin(), {"--root", root_.path().string()});
    host_.emplace(extra);
    UsePort(host_->port());
  }
  void UsePort(int port) { ::setenv("SHELVEX_SERVER_PORT", std::to_string(port).c_str(), 1); }

  fs::path data() const { return home_ / "data"; }
  fs::path reservations() const { return data() / "new_res.txt"; }
  void WriteReservations(const std::string& bytes) {
    fs::create_directories(data());
    WriteAll(reservations(), bytes);
  }
  std::vector<std::string> FilesIn(const fs::path& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
      names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempFolder root_;
  TempFolder home_;
  TDataModule2 module_;
  std::optional<HostProcess> host_;
};

TEST_F(Reservations, AppendsEachNewLineOnceAfterTheOldOnesIgnoringCase) {
  // One account without a data password and one whose archive is encrypted with it.
  AddAccount("open");
  AddAccount("closed", "data-pw");
  for (const std::string user : {"open", "closed"}) {
    // The server keeps the 8-bit text; "CAFÉ" and "café" differ only in case.
    AddReservations({"B", "C", "c", "CAF\xc3\x89", "B"}, user);
  }
  Serve();
  for (const std::string user : {"open", "closed"}) {
    SCOPED_TRACE(user);
    module_.User = user;
    module_.Pass = user == "closed" ? "data-pw" : "";
    WriteReservations("A\r\nB\r\nCaf\xe9\r\n");
    TDataModule2TestAccess::ErrorCnt(module_) = 7;

    module_.DownloadReservations();

    EXPECT_EQ(ReadAll(reservations()), "A\r\nB\r\nCaf\xe9\r\nC\r\n");
    EXPECT_EQ(module_.ErrorCount(), 7);
  }
}

TEST_F(Reservations, TheFirstDownloadCreatesTheFileAndTheNextOneReplacesTheArchive) {
  AddAccount();
  AddReservations({"one", "two"});
  Serve();

  // Neither the xml folder nor the data folder exists yet.
  module_.DownloadReservations();
  ASSERT_TRUE(fs::exists(reservations()));
  EXPECT_EQ(ReadAll(reservations()), "one\r\ntwo\r\n");
  const std::string first_archive = ReadAll(home_ / "xml" / "reserve.zip");

  // The server has handed those out; the next archive holds an empty list.
  module_.DownloadReservations();
  EXPECT_EQ(ReadAll(reservations()), "one\r\ntwo\r\n");
  EXPECT_NE(ReadAll(home_ / "xml" / "reserve.zip"), first_archive);
  EXPECT_EQ(ReadAll(home_ / "xml" / "reserve.txt"), "");
}

TEST_F(Reservations, AReplyThatIsNoArchiveLeavesTheFileAloneAndTheTextInTheArchiveFile) {
  AddAccount();
  AddReservations({"new"});
  Serve({"--not-archive"});
  WriteReservations("A\r\n");

  module_.DownloadReservations();

  EXPECT_EQ(ReadAll(reservations()), "A\r\n");
  EXPECT_THAT(ReadAll(home_ / "xml" / "reserve.zip"), StartsWith("<html>"));
}

TEST_F(Reservations, NoServerLeavesEverythingAsItWas) {
  UsePort(testing::UnusedLoopbackPort());
  WriteReservations("A\r\n");
  module_.DownloadReservations();
  EXPECT_EQ(ReadAll(reservations()), "A\r\n");
  EXPECT_FALSE(fs::exists(home_ / "xml" / "reserve.zip"));
}

// The old list stays where it is until the merged one has been written whole beside it and
// renamed over it.
TEST_F(Reservations, AWriteThatFailsLosesNothing) {
  AddAccount();
  AddReservations({"C"});
  Serve();
  WriteReservations("A\r\nB\r\n");
  fs::permissions(data(), fs::perms::owner_read | fs::perms::owner_exec);
  {
    ObeyFilePermissions obey;
    module_.DownloadReservations();
  }
  EXPECT_EQ(ReadAll(reservations()), "A\r\nB\r\n");
  EXPECT_THAT(FilesIn(data()), ElementsAre("new_res.txt"));
  // The new lines wait in the xml folder.
  EXPECT_EQ(ReadAll(home_ / "xml" / "reserve.txt"), "C\r\n");
}

TEST_F(Reservations, AReservationFileThatCannotBeReadIsNotReplaced) {
  AddAccount();
  AddReservations({"C"});
  Serve();
  WriteReservations("A\r\n");
  fs::permissions(reservations(), fs::perms::none);
  {
    ObeyFilePermissions obey;
    module_.DownloadReservations();
  }
  fs::permissions(reservations(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(ReadAll(reservations()), "A\r\n");
}

TEST_F(Reservations, AnArchiveWithoutAListMergesTheOneLeftFromAnEarlierDownload) {
  const fs::path made = home_ / "made.zip";
  const ProgramResult python = RunProgram(
      {"python3", "-c",
       "import sys, zipfile\nwith zipfile.ZipFile(sys.argv[1], 'w') as z: z.writestr('x.ini', '')",
       made.string()});
  ASSERT_EQ(python.exit_code, 0) << python.errors;
  RawHttpServer server(ReadAll(made), "application/zip");
  UsePort(server.port());
  WriteReservations("A\r\nB\r\n");
  fs::create_directories(home_ / "xml");
  WriteAll(home_ / "xml" / "reserve.txt", "b\r\nD\r\n");

  module_.DownloadReservations();

  EXPECT_EQ(ReadAll(reservations()), "A\r\nB\r\nD\r\n");
}

}  // namespace
}  // namespace shelvex::engine
