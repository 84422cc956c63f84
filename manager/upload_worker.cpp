#include "manager/upload_worker.h"

#include <exception>
#include <utility>

#include "engine/data_module.h"

namespace shelvex::manager {

TMyThread::TMyThread(engine::TDataModule2& module, std::function<void(const std::string&)> finished)
    : module_(module), finished_(std::move(finished)) {}

TMyThread::~TMyThread() {
  if (thread_.joinable()) thread_.join();
}

void TMyThread::Start() { thread_ = std::thread(&TMyThread::Execute, this); }

void TMyThread::Execute() {
  std::string failure;
  // The top of the thread: whatever ends the run must reach the window, never the process.
  try {
    module_.ConvertDbfToXml();
  } catch (const std::exception& error) {
    failure = error.what();
  } catch (...) {
    failure = "the upload ended with an unknown error";
  }
  terminated_ = true;
  if (finished_) finished_(failure);
}

}  // namespace shelvex::manager
