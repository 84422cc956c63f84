#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/date_time.h"
#include "service/waiter.h"

namespace shelvex::testing {

// Virtual time for the scheduler: every wait moves the clock on by its length at once, and nothing
// else takes time, so a day of passes runs in milliseconds and every time stamp is exact. When the
// clock reaches `stop_at` the waiting scheduler blocks (as in a real, long wait) until it is woken,
// so the test can look at the state reached and then terminate it.
class VirtualTime final : public service::TWaiter {
 public:
  VirtualTime(platform::TDateTime start, platform::TDateTime stop_at)
      : day_(static_cast<long long>(start)),
        milliseconds_(ToMilliseconds(start - static_cast<double>(day_))),
        stop_at_(stop_at) {}

  // The engine's clock: the start plus everything waited so far.
  platform::TDateTime Now() const {
    std::lock_guard lock(mutex_);
    return NowLocked();
  }

  bool WaitFor(std::chrono::milliseconds duration) override {
    std::unique_lock lock(mutex_);
    if (woken_) return true;
    milliseconds_ += duration.count();
    if (NowLocked() < stop_at_) return false;
    reached_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return woken_; });
    return true;
  }

  void Wake() override {
    std::lock_guard lock(mutex_);
    woken_ = true;
    changed_.notify_all();
  }

  // Waits (in real time, at most `timeout`) until the scheduler has reached `stop_at`.
  bool WaitUntilStopTime(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return reached_; });
  }

 private:
  static long long ToMilliseconds(double fraction_of_day) {
    return static_cast<long long>(fraction_of_day * 86'400'000.0 + 0.5);
  }
  platform::TDateTime NowLocked() const {
    // Whole milliseconds added to a whole day, so that time stamps come out exact.
    return static_cast<double>(day_) + static_cast<double>(milliseconds_) / 86'400'000.0;
  }

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  const long long day_;
  long long milliseconds_;
  const platform::TDateTime stop_at_;
  bool woken_ = false;
  bool reached_ = false;
};

}  // namespace shelvex::testing
