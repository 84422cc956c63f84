#pragma once

class QDialog;
class QString;

namespace shelvex::manager {

enum class MessageKind { kError, kInformation, kWarning };

// Everything the manager shows outside its main window and waits for: modal dialogs, message boxes
// and the web browser. The program uses QtPrompter; tests answer through a double of their own, so
// that nothing blocks. Called on the window's thread only.
class Prompter {
 public:
  virtual ~Prompter() = default;

  // Shows `dialog` modally and returns once it has been closed. The caller reads the dialog's
  // controls afterwards.
  virtual void ShowModal(QDialog& dialog) = 0;
  // A message box with one OK button. `text` is the system's own text; a carriage return in it
  // starts a new line.
  virtual void ShowMessage(MessageKind kind, const QString& text) = 0;
  // Asks the desktop to open the web address in the browser. Whether it could is not reported.
  virtual void OpenUrl(const QString& address) = 0;
};

}  // namespace shelvex::manager
