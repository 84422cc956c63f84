#include "manager/internal/busy_window.h"

#include <QApplication>
#include <QWidget>
#include <utility>

namespace shelvex::manager::internal {

BusyWindow::BusyWindow(QWidget* window, std::function<void()> on_end)
    : window_(window), on_end_(std::move(on_end)) {
  window_->setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyWindow::~BusyWindow() {
  QApplication::restoreOverrideCursor();
  window_->setEnabled(true);
  if (on_end_) on_end_();
}

}  // namespace shelvex::manager::internal
