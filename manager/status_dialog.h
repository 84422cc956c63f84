#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace shelvex::manager {

// The "Library Server Status" dialog: the rows of a status reply ("user~Yes;hits;...;message").
// The caller sets Status to the server's raw reply and shows the dialog; the rows are filled when
// it is shown (FormShow).
class TForm4 final : public QDialog {
  Q_OBJECT

 public:
  explicit TForm4(QWidget* parent = nullptr);

  // The raw status reply, UTF-8.
  std::string Status;

  // Fills the rows from Status. An empty reply fills nothing: the on-line box keeps "No". A value
  // the reply does not hold leaves its box as it was; the message row shows only for a non-empty
  // value 6.
  void FormShow();

  QLineEdit* Edit7;  // user name: the part before the first "~"
  QLineEdit* Edit1;  // on line: "Yes" exactly when value 0 is "Yes"
  QLineEdit* Edit2;  // value 1, the hits of this month
  QLineEdit* Edit5;  // value 4, the last data upload
  QLabel* Label6;
  QPlainTextEdit* Memo1;  // value 6, the message from the hosting service
  QPushButton* BitBtn1;

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace shelvex::manager
