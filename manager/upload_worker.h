#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace shelvex::engine {
class TDataModule2;
}

namespace shelvex::manager {

// The worker of "Upload Data Now": runs the engine's conversion run on a thread of its own while
// the window keeps working. Made suspended, started by Start; the destructor waits for the thread.
// The engine belongs to the worker from Start until `finished` has run: nothing else may use it.
class TMyThread final {
 public:
  // `finished` runs on the worker's thread once the run is over, with the message of an unexpected
  // failure that ended the run (empty when the run ended by itself).
  TMyThread(engine::TDataModule2& module, std::function<void(const std::string&)> finished);
  ~TMyThread();
  TMyThread(const TMyThread&) = delete;
  TMyThread& operator=(const TMyThread&) = delete;

  // Throws std::system_error when no thread can be started.
  void Start();
  // True once the run is over (the thread may still be returning).
  bool Terminated() const { return terminated_.load(); }

 private:
  void Execute();

  engine::TDataModule2& module_;
  std::function<void(const std::string&)> finished_;
  std::atomic<bool> terminated_{false};
  std::thread thread_;
};

}  // namespace shelvex::manager
