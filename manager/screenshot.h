#pragma once

#include <filesystem>

#include "manager/prompter.h"

namespace shelvex::manager {

class TForm1;

// The prompter of a screenshot run, where nobody may be there to answer: every dialog is closed at
// once without an answer (so a login fails) and every message goes to standard error.
class UnattendedPrompter final : public Prompter {
 public:
  void ShowModal(QDialog& dialog) override;
  void ShowMessage(MessageKind kind, const QString& text) override;
  void OpenUrl(const QString& address) override;
};

// Saves a PNG of each of the window's four tabs and of the status dialog, filled from a sample
// reply, into `folder` (created when missing). The window must be shown. Throws Error naming the
// file that could not be written.
void SaveScreenshots(TForm1& form, const std::filesystem::path& folder);

}  // namespace shelvex::manager
