#include "service/scheduler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "engine/data_module.h"
#include "platform/date_time.h"
#include "service/waiter.h"
#include "tests/service/virtual_time.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/temp_folder.h"

namespace shelvex::service {
namespace {

using platform::EncodeDate;
using platform::EncodeTime;
using platform::TDateTime;
using shelvex::testing::RawHttpServer;
using shelvex::testing::ReadAll;
using shelvex::testing::TempFolder;
using shelvex::testing::VirtualTime;
using shelvex::testing::WriteAll;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using namespace std::chrono_literals;

// 14 December 2026 is a Monday.
const TDateTime kMonday = EncodeDate(2026, 12, 14);
const TDateTime kSunday = EncodeDate(2026, 12, 13);

// The options of a library that uploads on Mondays at 2 PM to the server on loopback.
constexpr char kMondaysAtTwo[] =
    "[Options]\r\nipadd=127.0.0.1\r\nuser=lib1\r\ndays=1\r\ntime=2:00:00 PM\r\n";

// Points the engine at a port for the length of a test.
class ServerPort final {
 public:
  explicit ServerPort(int port) {
    ::setenv("SHELVEX_SERVER_PORT", std::to_string(port).c_str(), 1);
  }
  ~ServerPort() { ::unsetenv("SHELVEX_SERVER_PORT"); }
  ServerPort(const ServerPort&) = delete;
  ServerPort& operator=(const ServerPort&) = delete;
};

std::vector<std::string> Lines(const std::string& text) {
  EXPECT_TRUE(text.empty() || text.ends_with("\r\n")) << "a line without CR LF at the end";
  return shelvex::testing::CrLfLines(text);
}

// A program folder with the options file, the engine and the scheduler over it.
class SchedulerTest : public ::testing::Test {
 protected:
  void WriteOptions(const std::string& text) { WriteAll(home_ / "db_upl.ini", text); }
  std::vector<std::string> LogLines() const {
    const auto log = home_ / "2026.txt";
    return std::filesystem::exists(log) ? Lines(ReadAll(log)) : std::vector<std::string>{};
  }
  std::string Options() const { return ReadAll(home_ / "db_upl.ini"); }

  // Runs the scheduler on virtual time from `start` until `stop_at`, then stops it.
  void RunOnVirtualTime(TDateTime start, TDateTime stop_at, TSchedulerTiming timing = {}) {
    VirtualTime time(start, stop_at);
    engine_.SetClock([&time] { return time.Now(); });
    TMyThread scheduler(engine_, home_.Dir(), timing, time);
    ASSERT_TRUE(time.WaitUntilStopTime()) << "the scheduler never got to the stop time";
    scheduler.Terminate();
    scheduler.Join();
    EXPECT_EQ(scheduler.Failure(), "");
  }

  TempFolder home_;
  engine::TDataModule2 engine_;
};

// The status reply decides between the conversion run and the Off Line line; either way the
// decision is bracketed by the two time-stamped lines, and the half hour after it brings no second
// run.
struct ReplyCase {
  const char* label;
  std::optional<std::string> reply;  // nullopt: nothing listens on the port
  bool runs;
};

void PrintTo(const ReplyCase& c, std::ostream* out) { *out << c.label; }

class SchedulerReply : public SchedulerTest, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(SchedulerReply, DecidesOnTheFirstFieldOfTheStatusReply) {
  const ReplyCase& c = GetParam();
  std::unique_ptr<RawHttpServer> server;
  if (c.reply) server = std::make_unique<RawHttpServer>(*c.reply);
  ServerPort port(server ? server->port() : shelvex::testing::UnusedLoopbackPort());
  WriteOptions(kMondaysAtTwo);
  TSchedulerTiming timing;
  timing.random_delay_minutes = 1;  // exactly one minute, so the time stamps are known

  // 20 s start delay to 13:59:50, due on the next pass at 13:59:51, one minute's delay.
  RunOnVirtualTime(kMonday + EncodeTime(13, 59, 30), kMonday + EncodeTime(14, 30, 0), timing);

  std::vector<std::string> expected{"Starting Scheduled Data Conversion - 12/14/2026 2:00:51 PM"};
  if (c.runs) {
    // The run itself: with no tables in the data folder it ends early, but it was made.
    expected.insert(expected.end(),
                    {"====== Start: 12/14/2026 2:00:51 PM", "Preparing DBF files for import.",
                     "ERROR! Database files not found."});
  } else {
    expected.push_back("Data Files not Uploaded - User Account Off Line");
  }
  expected.push_back("Finished - 12/14/2026 2:00:51 PM");
  EXPECT_THAT(LogLines(), ElementsAreArray(expected));
  EXPECT_THAT(Options(), HasSubstr("last_date=12/14/2026\r\n"));
  if (server) {
    EXPECT_THAT(server->FirstRequest(), HasSubstr("GET /dar2ar.dll/cmd?user=lib1&cmd=status "));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SchedulerReply,
    ::testing::Values(ReplyCase{"on_line", "lib1~Yes;12;5;5;Never;Never;", true},
                      ReplyCase{"bare_yes", "Yes", true},
                      ReplyCase{"off_line", "lib1~No;12", false},
                      ReplyCase{"lower_case_yes", "lib1~yes;12", false},
                      ReplyCase{"padded_yes", "lib1~ Yes;12", false},
                      ReplyCase{"empty_reply", "", false},
                      ReplyCase{"no_server", std::nullopt, false}),
    [](const ::testing::TestParamInfo<ReplyCase>& info) { return std::string(info.param.label); });

TEST_F(SchedulerTest, NoRunOnADayNotChosenOrBeforeLastUpload) {
  struct Case {
    const char* label;
    TDateTime start;
    std::string extra_options;
  };
  const Case cases[] = {
      {"Sunday", kSunday + EncodeTime(13, 59, 0), ""},
      {"last upload tomorrow", kMonday + EncodeTime(13, 59, 0), "last_date=12/15/2026\r\n"},
  };
  ServerPort port(shelvex::testing::UnusedLoopbackPort());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    WriteOptions(kMondaysAtTwo + c.extra_options);
    RunOnVirtualTime(c.start, c.start + EncodeTime(1, 0, 0));
    EXPECT_THAT(LogLines(), IsEmpty());
    EXPECT_EQ(Options(), kMondaysAtTwo + c.extra_options) << "nothing was recorded";
  }
}

TEST_F(SchedulerTest, HourZeroFiresInTheFirstMinuteOfTheChosenDay) {
  ServerPort port(shelvex::testing::UnusedLoopbackPort());
  // No time stored: hour 0, midnight at the start of Monday.
  WriteOptions("[Options]\r\nipadd=127.0.0.1\r\nuser=lib1\r\ndays=1\r\n");
  TSchedulerTiming timing;
  timing.random_delay_minutes = 1;

  // 20 s start delay to 23:59:20 on Sunday, then one pass a second until Monday 00:00:00.
  RunOnVirtualTime(kSunday + EncodeTime(23, 59, 0), kMonday + EncodeTime(1, 0, 0), timing);

  EXPECT_THAT(LogLines(), ElementsAre("Starting Scheduled Data Conversion - 12/14/2026 12:01:00 AM",
                                      "Data Files not Uploaded - User Account Off Line",
                                      "Finished - 12/14/2026 12:01:00 AM"));
  EXPECT_THAT(Options(), HasSubstr("last_date=12/14/2026\r\n"));
}

TEST_F(SchedulerTest, EachChosenDayRunsOnceAtItsHour) {
  ServerPort port(shelvex::testing::UnusedLoopbackPort());
  WriteOptions("[Options]\r\nipadd=127.0.0.1\r\nuser=lib1\r\ndays=1,2\r\ntime=9:30:00 AM\r\n");

  // Monday's and Tuesday's hour, each with the full random delay of 1 to 30 minutes; Monday's
  // last_date does not hold Tuesday back.
  for (const TDateTime day : {kMonday, kMonday + 1}) {
    RunOnVirtualTime(day + EncodeTime(8, 59, 0), day + EncodeTime(9, 45, 0));
  }

  const std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 6u);
  for (int day = 0; day < 2; ++day) {
    SCOPED_TRACE(day);
    const std::string date = day == 0 ? "12/14/2026 " : "12/15/2026 ";
    const std::string starting = "Starting Scheduled Data Conversion - " + date;
    ASSERT_THAT(lines[day * 3], ::testing::StartsWith(starting));
    // Due on the first pass in the window, at 8:59:21 (after the 20 s start delay), then 1 to 30
    // whole minutes of delay.
    const std::string time = lines[day * 3].substr(starting.size());
    const auto parsed = platform::ParseTime(time);
    ASSERT_TRUE(parsed) << time;
    const long long delay_ms = std::llround((*parsed - EncodeTime(8, 59, 21)) * 86'400'000.0);
    EXPECT_EQ(delay_ms % 60'000, 0) << time;
    EXPECT_GE(delay_ms / 60'000, 1) << time;
    EXPECT_LE(delay_ms / 60'000, 30) << time;
    EXPECT_EQ(lines[day * 3 + 1], "Data Files not Uploaded - User Account Off Line");
    EXPECT_EQ(lines[day * 3 + 2], "Finished - " + date + time);
  }
  EXPECT_THAT(Options(), HasSubstr("last_date=12/15/2026\r\n"));
}

TEST_F(SchedulerTest, AnErrorEndsTheSchedulerWithItsMessage) {
  ServerPort port(shelvex::testing::UnusedLoopbackPort());
  WriteOptions(kMondaysAtTwo);
  // The activity log cannot be written: a folder holds its name.
  std::filesystem::create_directory(home_ / "2026.txt");
  VirtualTime time(kMonday + EncodeTime(13, 59, 30), kMonday + EncodeTime(23, 0, 0));
  engine_.SetClock([&time] { return time.Now(); });
  bool told = false;
  TSchedulerEvents events;
  events.on_end = [&told] { told = true; };
  TMyThread scheduler(engine_, home_.Dir(), {}, time, events);

  for (int i = 0; i < 2000 && !scheduler.HasEnded(); ++i) std::this_thread::sleep_for(10ms);
  ASSERT_TRUE(scheduler.HasEnded()) << "the scheduler went on after the error";
  scheduler.Join();
  EXPECT_TRUE(told);
  EXPECT_FALSE(scheduler.Terminated());
  EXPECT_THAT(scheduler.Failure(), HasSubstr("2026.txt"));
}

// Termination is noticed at once in each waiting state, however long the wait.
TEST_F(SchedulerTest, StopsAtOnceInEveryWait) {
  struct Case {
    const char* label;
    TSchedulerTiming timing;
    TDateTime now;
    std::function<bool()> reached;  // the state to stop in has been reached
  };
  const auto options_recorded = [this] {
    return Options().find("last_date=") != std::string::npos;
  };
  const auto log_finished = [this] {
    const std::vector<std::string> lines = LogLines();
    return !lines.empty() && lines.back().starts_with("Finished - ");
  };
  const Case cases[] = {
      {"start delay", {.start_delay = 600s}, kMonday + EncodeTime(13, 59, 30), [] { return true; }},
      {"polling",
       {.start_delay = 0ms, .tick = 600s},
       kSunday + EncodeTime(13, 59, 30),
       [] { return true; }},
      // 1 to 30 waits of 60 ticks of 100 ms: at least 6 s.
      {"random delay",
       {.start_delay = 0ms, .tick = 100ms},
       kMonday + EncodeTime(13, 59, 30),
       options_recorded},
      // 60 ticks of 100 ms after the decision.
      {"rest",
       {.start_delay = 0ms, .tick = 100ms, .random_delay_minutes = 0},
       kMonday + EncodeTime(13, 59, 30),
       log_finished},
  };
  ServerPort port(shelvex::testing::UnusedLoopbackPort());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::filesystem::remove(home_ / "2026.txt");
    WriteOptions(kMondaysAtTwo);
    const TDateTime now = c.now;
    engine_.SetClock([now] { return now; });
    TConditionWaiter waiter;
    TMyThread scheduler(engine_, home_.Dir(), c.timing, waiter);
    for (int i = 0; i < 500 && !c.reached(); ++i) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(c.reached());
    const std::vector<std::string> lines_before = LogLines();

    const auto asked = std::chrono::steady_clock::now();
    scheduler.Terminate();
    scheduler.Join();
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 1s);
    EXPECT_EQ(scheduler.Failure(), "");
    // A stop in the random delay makes no status query and writes no line.
    EXPECT_EQ(LogLines(), lines_before);
  }
}

}  // namespace
}  // namespace shelvex::service
