#include "service/waiter.h"

namespace shelvex::service {

bool TConditionWaiter::WaitFor(std::chrono::milliseconds duration) {
  std::unique_lock lock(mutex_);
  return woken_signal_.wait_for(lock, duration, [this] { return woken_; });
}

void TConditionWaiter::Wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  woken_signal_.notify_all();
}

}  // namespace shelvex::service
