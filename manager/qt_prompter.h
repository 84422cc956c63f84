#pragma once

#include "manager/prompter.h"

namespace shelvex::manager {

// The prompter of the running program: QDialog::exec, QMessageBox and QDesktopServices.
class QtPrompter final : public Prompter {
 public:
  void ShowModal(QDialog& dialog) override;
  void ShowMessage(MessageKind kind, const QString& text) override;
  void OpenUrl(const QString& address) override;
};

}  // namespace shelvex::manager
