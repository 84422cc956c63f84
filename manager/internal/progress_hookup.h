#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace shelvex::manager {

// Passes on progress reports of the export, but only when the shown figure changes (a tenth of a
// percent), a new table begins or a table is done, so that a table of a million records does not
// queue a million updates for the window. Called on the worker's thread only.
template <typename Receiver>
class ThrottledProgress {
 public:
  explicit ThrottledProgress(Receiver receiver) : receiver_(std::move(receiver)) {}

  void operator()(const std::string& table, std::uint32_t done, std::uint32_t total) {
    const std::uint64_t permille =
        total == 0 ? 1000 : static_cast<std::uint64_t>(done) * 1000 / total;
    if (table == table_ && permille == permille_ && done != total) return;
    table_ = table;
    permille_ = permille;
    receiver_(table, done, total);
  }

 private:
  Receiver receiver_;
  std::string table_;
  std::uint64_t permille_ = ~std::uint64_t{0};
};

// Hands `receiver` (table, records done, records in the table) to the engine's progress callback
// UpdateProgressProc, through the throttle.
template <typename Module, typename Receiver>
void InstallProgressReceiver(Module& module, Receiver receiver) {
  module.UpdateProgressProc = ThrottledProgress<Receiver>(std::move(receiver));
}

}  // namespace shelvex::manager
