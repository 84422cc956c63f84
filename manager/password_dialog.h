#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace shelvex::manager {

// The password prompt: caption "Login Password", the label "Enter Password :", a masked text box
// that has the focus when the dialog opens, "OK", and the "Clear Password" check box, hidden unless
// the caller shows it. Callers change the caption and label as they need, show it modally and read
// Edit1 and CheckBox1 afterwards, however it was closed.
class TForm3 final : public QDialog {
  Q_OBJECT

 public:
  explicit TForm3(QWidget* parent = nullptr);

  QLabel* Label1;
  QLineEdit* Edit1;
  QPushButton* Button1;
  QCheckBox* CheckBox1;

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace shelvex::manager
