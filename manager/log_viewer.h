#pragma once

#include <QDialog>
#include <filesystem>

class QPlainTextEdit;
class QPushButton;

namespace shelvex::manager {

// The "Activity Log" window: shows the whole file LogFile, scrolled to its end so that the newest
// lines are in view. A file with a byte-order mark is read as UTF-8 or UTF-16, any other in the
// ANSI code page; a missing file shows an empty box.
class TForm5 final : public QDialog {
  Q_OBJECT

 public:
  explicit TForm5(QWidget* parent = nullptr);

  std::filesystem::path LogFile;

  // Loads LogFile into Memo1 and scrolls to the end; runs when the window is shown.
  void FormShow();

  QPlainTextEdit* Memo1;
  QPushButton* BitBtn1;

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace shelvex::manager
