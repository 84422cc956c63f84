#include "service/scheduler.h"

#include <exception>
#include <random>
#include <utility>
#include <vector>

#include "engine/data_module.h"
#include "service/upload_window.h"
#include "service/waiter.h"

namespace shelvex::service {

namespace {

constexpr int kTicksPerMinute = 60;
constexpr int kRestTicks = 60;
constexpr char kYes[] = "Yes";

// n from 0 to `count` - 1, from a source seeded afresh each time.
int DrawUniform(int count) {
  std::mt19937 source(static_cast<std::mt19937::result_type>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count()));
  return std::uniform_int_distribution<int>(0, count - 1)(source);
}

}  // namespace

TMyThread::TMyThread(engine::TDataModule2& engine, std::string home_dir, TSchedulerTiming timing,
                     TWaiter& waiter, TSchedulerEvents events)
    : engine_(engine),
      home_dir_(std::move(home_dir)),
      timing_(timing),
      waiter_(waiter),
      events_(std::move(events)),
      thread_([this] { Execute(); }) {}

TMyThread::~TMyThread() {
  Terminate();
  Join();
}

void TMyThread::Terminate() {
  terminated_.store(true);
  waiter_.Wake();
}

void TMyThread::Join() {
  if (thread_.joinable()) thread_.join();
}

std::string TMyThread::Failure() const {
  std::lock_guard lock(failure_mutex_);
  return failure_;
}

void TMyThread::Execute() {
  try {
    Body();
  } catch (const std::exception& error) {
    std::lock_guard lock(failure_mutex_);
    failure_ = error.what();
  } catch (...) {
    std::lock_guard lock(failure_mutex_);
    failure_ = "unknown error";
  }
  ended_.store(true);
  SetState(TSchedulerState::kEnded);
  if (events_.on_end) events_.on_end();
}

void TMyThread::Body() {
  SetState(TSchedulerState::kStarting);
  // Unlike a plain sleep, this wait lets a service that is stopped right after its start go at
  // once.
  if (waiter_.WaitFor(timing_.start_delay) || Terminated()) return;
  engine_.Init(home_dir_);
  engine_.IsLoggingOn = true;
  SetState(TSchedulerState::kPolling);
  while (!Terminated()) {
    WaitTicks(1);
    engine_.LoadOptions();
    if (Terminated() || !IsUploadDue()) continue;
    SetState(TSchedulerState::kDelaying);
    // Spreads the libraries that chose the same hour over half an hour of the server's time.
    if (timing_.random_delay_minutes > 0) {
      const int waits = DrawUniform(timing_.random_delay_minutes) + 1;
      for (int i = 0; i < waits; ++i) WaitTicks(kTicksPerMinute);
    }
    if (Terminated()) break;
    SetState(TSchedulerState::kDeciding);
    RunDueUpload();
    SetState(TSchedulerState::kResting);
    WaitTicks(kRestTicks);
    SetState(TSchedulerState::kPolling);
  }
}

void TMyThread::RunDueUpload() {
  std::vector<std::string> replies;
  std::string user;
  engine::TDataModule2::SplitStatusReply(engine_.ServerStatus(), replies, user);
  engine_.AddToLog("Starting Scheduled Data Conversion - " + engine_.TimestampText());
  if (!replies.empty() && replies.front() == kYes) {
    engine_.ConvertDbfToXml();
  } else {
    engine_.AddToLog("Data Files not Uploaded - User Account Off Line");
  }
  engine_.AddToLog("Finished - " + engine_.TimestampText());
}

void TMyThread::WaitTicks(int count) {
  if (Terminated() || count <= 0) return;
  waiter_.WaitFor(timing_.tick * count);
}

bool TMyThread::IsUploadDue() {
  if (Terminated()) return false;
  const platform::TDateTime now = engine_.Now();
  if (!IsUploadDueAt(now, engine_.UploadDays, engine_.UploadTime, engine_.LastUpload)) {
    return false;
  }
  // Recorded before the delay and the status query: the date marks the day a run was attempted.
  engine_.LastUpload = DateOf(now);
  engine_.SaveOptions(true);
  return true;
}

void TMyThread::SetState(TSchedulerState state) {
  if (events_.on_state) events_.on_state(state);
}

}  // namespace shelvex::service
