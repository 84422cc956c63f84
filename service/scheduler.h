#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace shelvex::engine {
class TDataModule2;
}

namespace shelvex::service {

class TWaiter;

// The scheduler's pace. The defaults are the service's; tests and demos shorten them.
struct TSchedulerTiming {
  std::chrono::milliseconds start_delay{20000};  // before the first pass
  std::chrono::milliseconds tick{1000};          // one pass; the delay and the rest count in ticks
  // A due run waits n + 1 times 60 ticks first, n drawn uniformly from 0 to
  // random_delay_minutes - 1: 1 to 30 minutes at the normal tick. 0 leaves the delay out.
  int random_delay_minutes = 30;
};

// Where the scheduler is, for the service's status text.
enum class TSchedulerState { kStarting, kPolling, kDelaying, kDeciding, kResting, kEnded };

// Both callbacks run on the scheduler thread and must not throw.
struct TSchedulerEvents {
  // Called at every change of state.
  std::function<void(TSchedulerState)> on_state;
  // Called as the body ends, for whatever reason (HasEnded is then true).
  std::function<void()> on_end;
};

// The upload scheduler: a thread that polls the options once a tick, and on a chosen day in the
// upload hour's window waits a random 1 to 30 minutes, asks the server whether the library's site
// is on line and, if it is, runs the engine's conversion run. Its only output is the activity log.
//
// The thread starts in the constructor. The engine and the waiter must outlive this object; while
// the thread runs it is the engine's only user. Terminate may be called from any thread and is
// noticed at once in every wait; a conversion run in progress finishes first. The destructor
// terminates and joins, so the engine is never left in use.
//
// An error that escapes the body (the options file or the activity log cannot be written) ends the
// thread; Failure() then gives its message. The service ends with it, so that the service manager
// restarts it, rather than carrying on without ever uploading again.
class TMyThread final {
 public:
  TMyThread(engine::TDataModule2& engine, std::string home_dir, TSchedulerTiming timing,
            TWaiter& waiter, TSchedulerEvents events = {});
  ~TMyThread();
  TMyThread(const TMyThread&) = delete;
  TMyThread& operator=(const TMyThread&) = delete;

  void Terminate();
  bool Terminated() const { return terminated_.load(); }
  // Waits for the body to end. Call it from one thread only, not from the scheduler's callbacks.
  void Join();
  bool HasEnded() const { return ended_.load(); }
  // The message of the error that ended the body; empty when it ended by termination.
  std::string Failure() const;

 private:
  void Execute();
  void Body();
  // Waits `count` ticks at once, or less when terminated.
  void WaitTicks(int count);
  // Also records today as LastUpload in the options file when due.
  bool IsUploadDue();
  void RunDueUpload();
  void SetState(TSchedulerState state);

  engine::TDataModule2& engine_;
  const std::string home_dir_;
  const TSchedulerTiming timing_;
  TWaiter& waiter_;
  const TSchedulerEvents events_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> ended_{false};
  mutable std::mutex failure_mutex_;
  std::string failure_;
  std::thread thread_;  // last: starts once everything above is set
};

}  // namespace shelvex::service
