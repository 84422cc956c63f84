#include "service/service_run.h"

#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <syslog.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>

#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>

#include "engine/data_module.h"
#include "platform/error.h"
#include "service/fake_clock.h"
#include "service/waiter.h"

namespace shelvex::service {

namespace {

// syslog keeps the identity pointer; it must live as long as the process.
constexpr char kSyslogIdentity[] = "Bookferry";

void LogFailure(const char* action, const std::string& message) {
  syslog(LOG_ERR, "Service failed on %s: %s", action, message.c_str());
}

const char* StatusText(TSchedulerState state) {
  switch (state) {
    case TSchedulerState::kStarting:
      return "Starting";
    case TSchedulerState::kPolling:
      return "Waiting for the upload hour";
    case TSchedulerState::kDelaying:
      return "Waiting a random delay before the scheduled upload";
    case TSchedulerState::kDeciding:
      return "Scheduled upload in progress";
    case TSchedulerState::kResting:
      return "Resting after the scheduled upload";
    case TSchedulerState::kEnded:
      return "Stopped";
  }
  return "";
}

void NotifyStatus(TSchedulerState state) { sd_notifyf(0, "STATUS=%s", StatusText(state)); }

// The clock of SHELVEX_FAKE_NOW, when set; throws when its value is no date and time.
void SetFakeClock(engine::TDataModule2& engine, const TSchedulerTiming& timing) {
  const char* fake_now = std::getenv("SHELVEX_FAKE_NOW");
  if (fake_now == nullptr || *fake_now == '\0') return;
  const std::optional<platform::TDateTime> start = ParseDateTimeText(fake_now);
  if (!start) {
    throw Error(std::string("SHELVEX_FAKE_NOW: \"") + fake_now + "\" is not a date and time");
  }
  // One second per tick, so that shortened ticks shorten the hours alike.
  engine.SetClock(MakeRunningClock(*start, 1000.0 / static_cast<double>(timing.tick.count())));
}

void CheckHomeFolder(const std::string& home) {
  struct stat status {};
  if (::stat(home.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    throw Error(home + ": the program folder does not exist");
  }
}

// Waits for a stop signal, or for the scheduler to end by itself (it then sends SIGUSR1). True when
// a stop was asked.
bool WaitForStop(const sigset_t& signals, const TMyThread& scheduler) {
  for (;;) {
    int signal_number = 0;
    if (sigwait(&signals, &signal_number) != 0) continue;
    if (signal_number == SIGTERM || signal_number == SIGINT) return true;
    if (scheduler.HasEnded()) return false;
  }
}

}  // namespace

int RunService(const std::string& home, const TSchedulerTiming& timing) {
  // Under systemd standard error is the journal already; elsewhere a person wants to see why.
  openlog(kSyslogIdentity, LOG_PID | (std::getenv("JOURNAL_STREAM") ? 0 : LOG_PERROR), LOG_DAEMON);
  // A server that drops the connection must not end the process through SIGPIPE.
  signal(SIGPIPE, SIG_IGN);

  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  // Declared before the scheduler, so destroyed after it: the scheduler is joined first.
  engine::TDataModule2 engine;
  TConditionWaiter waiter;
  std::unique_ptr<TMyThread> scheduler;
  try {
    CheckHomeFolder(home);
    SetFakeClock(engine, timing);
    TSchedulerEvents events;
    events.on_state = NotifyStatus;
    events.on_end = [] { ::kill(::getpid(), SIGUSR1); };
    scheduler = std::make_unique<TMyThread>(engine, home, timing, waiter, std::move(events));
  } catch (const std::exception& error) {
    LogFailure("start", error.what());
    return 1;
  }
  sd_notify(0, "READY=1");

  if (WaitForStop(signals, *scheduler)) {
    sd_notify(0, "STOPPING=1\nSTATUS=Stopping; a run in progress finishes first");
    scheduler->Terminate();
  } else {
    sd_notify(0, "STOPPING=1");
  }
  scheduler->Join();
  const std::string failure = scheduler->Failure();
  if (!failure.empty()) {
    LogFailure("execute", failure);
    return 1;
  }
  return 0;
}

}  // namespace shelvex::service
