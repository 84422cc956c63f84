#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace shelvex::service {

// How the scheduler lets time pass. Every wait ends early, and every later wait returns at once,
// after Wake: termination is one-way. The scheduler thread waits; any thread may wake it.
class TWaiter {
 public:
  virtual ~TWaiter() = default;
  // Waits `duration`; true when it ended because of Wake (now or earlier).
  virtual bool WaitFor(std::chrono::milliseconds duration) = 0;
  virtual void Wake() = 0;
};

// Waits in real time on a condition variable, so that a stop is noticed at once rather than at the
// end of a sleep.
class TConditionWaiter final : public TWaiter {
 public:
  TConditionWaiter() = default;
  TConditionWaiter(const TConditionWaiter&) = delete;
  TConditionWaiter& operator=(const TConditionWaiter&) = delete;

  bool WaitFor(std::chrono::milliseconds duration) override;
  void Wake() override;

 private:
  std::mutex mutex_;
  std::condition_variable woken_signal_;
  bool woken_ = false;
};

}  // namespace shelvex::service
