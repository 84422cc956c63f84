#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/scrambled_file.h"
#include "tests/support/host_process.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/sample_library.h"
#include "tests/support/temp_folder.h"

namespace shelvex::cli {
namespace {

using shelvex::testing::HostProcess;
using shelvex::testing::ProgramResult;
using shelvex::testing::ReadAll;
using shelvex::testing::RunHost;
using shelvex::testing::RunProgram;
using shelvex::testing::TempFolder;
using shelvex::testing::WriteAll;
using ::testing::EndsWith;
using ::testing::StartsWith;

// A program folder whose options name the account lib1 on 127.0.0.1 and whose lantern.p holds its
// data password, and a server store holding that account with one reservation waiting.
class ServerCommands : public ::testing::Test {
 protected:
  ServerCommands() {
    Host({"add-account", "--user", "lib1", "--password", "pw"});
    Host({"add-reservation", "--user", "lib1", "--line", "waiting"});
    WriteAll(home_ / "db_upl.ini", "[Options]\r\nipadd=127.0.0.1\r\nuser=lib1\r\n");
    engine::WriteScrambledLine(home_ / "lantern.p", "pw");
  }
  ~ServerCommands() override { ::unsetenv("SHELVEX_SERVER_PORT"); }

  void Host(std::vector<std::string> args) {
    args.insert(args.begin() + 1, {"--root", root_.path().string()});
    const ProgramResult result = RunHost(args);
    ASSERT_EQ(result.exit_code, 0) << result.errors;
  }
  void Serve(std::vector<std::string> extra = {}) {
    host_.reset();
    extra.insert(extra.begin(), {"--root", root_.path().string()});
    host_.emplace(extra);
    ::setenv("SHELVEX_SERVER_PORT", std::to_string(host_->port()).c_str(), 1);
  }
  ProgramResult Shelvex(const std::string& command) {
    return RunProgram({SHELVEX_CLI_PROGRAM, command, "--home", home_.Dir()});
  }

  TempFolder root_;
  TempFolder home_;
  std::optional<HostProcess> host_;
};

TEST_F(ServerCommands, UploadPrintsEveryStatusAndSucceedsOnlyWhenTheServerTookIt) {
  testing::WriteSampleLibrary(home_ / "data");
  Serve();
  ProgramResult result = Shelvex("upload");
  EXPECT_EQ(result.exit_code, 0) << result.output << result.errors;
  EXPECT_THAT(result.output, StartsWith("Preparing DBF files for import.\n"));
  EXPECT_THAT(result.output, EndsWith("\nUploading compressed files...\n"
                                      "Upload Completed Successfully.\n"));
  // The archive went out encrypted with the password of lantern.p, and the reservation came back.
  EXPECT_EQ(ReadAll(home_ / "data" / "new_res.txt"), "waiting\r\n");

  Serve({"--reply", "ERROR: no room"});
  result = Shelvex("upload");
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_THAT(result.output, EndsWith("\nUpload Failed! ERROR: no room\n"));
  result = Shelvex("upload-options");
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_THAT(result.output, EndsWith("\nOpptions Upload Failed! ERROR: no room\n"));
}

TEST_F(ServerCommands, StatusPrintsTheUserPartAndOneLinePerField) {
  testing::RawHttpServer server("lib1~Yes;12;;x;");
  ::setenv("SHELVEX_SERVER_PORT", std::to_string(server.port()).c_str(), 1);
  ProgramResult result = Shelvex("status");
  EXPECT_EQ(result.exit_code, 0) << result.errors;
  EXPECT_EQ(result.output, "User=lib1\nField0=Yes\nField1=12\nField2=\nField3=x\n");

  ::setenv("SHELVEX_SERVER_PORT", std::to_string(testing::UnusedLoopbackPort()).c_str(), 1);
  result = Shelvex("status");
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.output, "");
  EXPECT_THAT(result.errors, StartsWith("ERROR! Library Server could not be contacted!"));
}

TEST_F(ServerCommands, StartAndStopFetchTheReservationsWhateverTheServerAnswered) {
  Serve({"--reply", "not now"});
  ProgramResult result = Shelvex("stop");
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.errors, "ERROR! Library Server could not Stop.\nnot now\n");
  EXPECT_EQ(ReadAll(home_ / "data" / "new_res.txt"), "waiting\r\n");

  Serve();
  result = Shelvex("start");
  EXPECT_EQ(result.exit_code, 0) << result.errors;
  EXPECT_EQ(result.output, "Library Server Started.\n");
  EXPECT_EQ(Shelvex("reservations").exit_code, 0);
}

}  // namespace
}  // namespace shelvex::cli
