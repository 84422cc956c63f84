// shelvexserv as systemd runs it: the scheduler in a process of its own, stopped by a signal,
// reporting through NOTIFY_SOCKET, against the stand-in hosting server on loopback.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/service/service_process.h"
#include "tests/support/host_process.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/sample_library.h"
#include "tests/support/temp_folder.h"

namespace shelvex::service {
namespace {

namespace fs = std::filesystem;
using shelvex::testing::ChildProcess;
using shelvex::testing::HostProcess;
using shelvex::testing::NotifySocket;
using shelvex::testing::ReadAll;
using shelvex::testing::RunHost;
using shelvex::testing::TempFolder;
using shelvex::testing::WriteAll;
using ::testing::Contains;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using namespace std::chrono_literals;

const std::string kProgram = SHELVEX_SERVICE_PROGRAM;

// Mondays at 2 PM; the fake clock starts on Monday 14 December 2026 early in the minute before,
// which leaves a loaded machine more than a second for the first pass.
constexpr char kMondaysAtTwo[] =
    "[Options]\r\nipadd=127.0.0.1\r\nuser=lib1\r\ndays=1\r\ntime=2:00:00 PM\r\n";
constexpr char kFakeNow[] = "SHELVEX_FAKE_NOW=2026-12-14 13:59:01";

std::vector<std::string> Lines(const std::string& text) {
  return shelvex::testing::CrLfLines(text);
}

class ServiceRun : public ::testing::Test {
 protected:
  ServiceRun() : home_(temp_ / "home"), notify_(temp_ / "notify") {
    fs::create_directory(home_);
    WriteAll(home_ / "db_upl.ini", kMondaysAtTwo);
  }

  // shelvexserv --home with the delays of a test: no start delay, a tick of 20 ms (so the fake
  // clock runs fifty times as fast) and a random delay of exactly one such minute.
  std::vector<std::string> FastService() const {
    return {kProgram, "--home",    home_.string(), "--start-delay-ms",
            "0",      "--tick-ms", "20",           "--random-delay-minutes",
            "1"};
  }
  std::vector<std::string> LogLines() const {
    const fs::path log = home_ / "2026.txt";
    return fs::is_regular_file(log) ? Lines(ReadAll(log)) : std::vector<std::string>{};
  }
  static bool Eventually(const std::function<bool()>& condition, std::chrono::seconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(20ms);
    }
    return true;
  }

  TempFolder temp_;
  fs::path home_;
  NotifySocket notify_;
};

TEST_F(ServiceRun, UploadsAtTheScheduledHourAndStopsOnSigterm) {
  const std::string root = (temp_ / "host").string();
  ASSERT_EQ(RunHost({"add-account", "--root", root, "--user", "lib1"}).exit_code, 0);
  HostProcess host({"--root", root});
  shelvex::testing::WriteSampleLibrary(home_ / "data");

  ChildProcess service(
      FastService(),
      {notify_.Environment(), kFakeNow, "SHELVEX_SERVER_PORT=" + std::to_string(host.port())},
      temp_.path());
  ASSERT_TRUE(notify_.WaitFor("READY=1", 10s)) << service.Errors();
  ASSERT_TRUE(Eventually(
      [this] {
        const std::vector<std::string> lines = LogLines();
        return !lines.empty() && lines.back().starts_with("Finished - ");
      },
      60s))
      << service.Errors();

  const std::vector<std::string> lines = LogLines();
  ASSERT_GE(lines.size(), 5u);
  // Due at about 13:59:02, a minute's delay: the run starts a little after 2 PM by the fake clock.
  EXPECT_THAT(lines.front(), StartsWith("Starting Scheduled Data Conversion - 12/14/2026 2:0"));
  EXPECT_THAT(lines.front(), EndsWith(" PM"));
  EXPECT_THAT(lines[1], StartsWith("====== Start: 12/14/2026 2:0"));
  EXPECT_THAT(lines, Contains("Upload Completed Successfully."));
  EXPECT_THAT(lines[lines.size() - 2], StartsWith("====== End: 12/14/2026 2:"));
  EXPECT_THAT(lines.back(), StartsWith("Finished - 12/14/2026 2:"));
  EXPECT_THAT(ReadAll(home_ / "db_upl.ini"), HasSubstr("last_date=12/14/2026\r\n"));
  EXPECT_TRUE(fs::exists(fs::path(root) / "accounts" / "lib1" / "files" / "library.xml"));

  const auto asked = std::chrono::steady_clock::now();
  service.Signal(SIGTERM);
  EXPECT_EQ(service.WaitForExit(2s), 0) << service.Errors();
  EXPECT_LT(std::chrono::steady_clock::now() - asked, 2s);
  EXPECT_TRUE(notify_.WaitFor("STOPPING=1", 1s));
  // Stopped in the rest after the run or the passes after it: one run only.
  const std::vector<std::string> final_lines = LogLines();
  EXPECT_EQ(std::count_if(final_lines.begin(), final_lines.end(),
                          [](const std::string& line) {
                            return line.starts_with("Starting Scheduled Data Conversion");
                          }),
            1);
}

TEST_F(ServiceRun, StopsAtOnceDuringTheStartDelay) {
  for (const int signal_number : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal_number);
    NotifySocket notify(temp_ / ("notify-" + std::to_string(signal_number)));
    // The default delays: 20 s before the first pass.
    ChildProcess service({kProgram, "--home", home_.string()}, {notify.Environment(), kFakeNow},
                         temp_.path());
    ASSERT_TRUE(notify.WaitFor("READY=1", 10s)) << service.Errors();

    service.Signal(signal_number);
    EXPECT_EQ(service.WaitForExit(2s), 0) << service.Errors();
    EXPECT_TRUE(notify.WaitFor("STOPPING=1", 1s));
    EXPECT_TRUE(LogLines().empty());
  }
}

TEST_F(ServiceRun, ItsOwnFailuresEndItWithStatusOne) {
  struct Case {
    const char* label;
    std::vector<std::string> args;
    std::function<void()> prepare;
    std::string message;
  };
  const int closed_port = shelvex::testing::UnusedLoopbackPort();
  const Case cases[] = {
      // The scheduler cannot write its first line: it ends, and so does the service, so that
      // systemd restarts it.
      {"activity log unwritable", FastService(),
       [this] { fs::create_directory(home_ / "2026.txt"); }, "Service failed on execute: "},
      {"no program folder",
       {kProgram, "--home", (temp_ / "missing").string()},
       [] {},
       "Service failed on start: " + (temp_ / "missing").string() +
           "/: the program folder does not exist"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    c.prepare();
    ChildProcess service(
        c.args,
        {notify_.Environment(), kFakeNow, "SHELVEX_SERVER_PORT=" + std::to_string(closed_port)},
        temp_.path());

    EXPECT_EQ(service.WaitForExit(20s), 1);
    EXPECT_THAT(service.Errors(), HasSubstr(c.message));
  }
}

}  // namespace
}  // namespace shelvex::service
