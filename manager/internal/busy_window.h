#pragma once

#include <functional>

class QWidget;

namespace shelvex::manager::internal {

// While a command talks to the server on the window's thread: the window disabled and the
// hourglass cursor shown; both restored when the object goes, however the command ends, and then
// `on_end` runs. End it before showing a message: a disabled window disables the dialogs it owns.
class BusyWindow final {
 public:
  explicit BusyWindow(QWidget* window, std::function<void()> on_end = {});
  ~BusyWindow();
  BusyWindow(const BusyWindow&) = delete;
  BusyWindow& operator=(const BusyWindow&) = delete;

 private:
  QWidget* window_;
  std::function<void()> on_end_;
};

}  // namespace shelvex::manager::internal
