#pragma once

#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace shelvex::manager {

// The "Schedule" tab: the server account, the upload schedule and the local proxy. It only builds
// the controls; the window fills them, reads them and wires their handlers.
class TSchedulePage final : public QWidget {
 public:
  explicit TSchedulePage(QWidget* parent = nullptr);

  // Server account.
  QLineEdit* Edit1;       // "Server Adress:"
  QLineEdit* Edit2;       // "Server Port:"
  QLineEdit* Edit3;       // "User Name:"
  QLineEdit* Edit4;       // "DATA Folder:"
  QLineEdit* Edit9;       // "Data Upload Password:", masked, display only
  QPushButton* Button9;   // "Set Data Password"
  QPushButton* Button10;  // "Unlock", hidden until the account is locked
  QLineEdit* Edit15;      // "Link to your Library:", display only

  // "Schedule Uploads:".
  std::array<QCheckBox*, 7> DayBoxes;  // CheckBox1 (Sunday) to CheckBox7 (Saturday)
  QComboBox* ComboBox1;                // "Upload Time:"
  QLineEdit* Edit6;                    // "Last Upload Date:", display only

  // "Local Proxy Settings:".
  QCheckBox* CheckBox13;  // "Use Proxy Server"
  QLineEdit* Edit10;      // "Address:"
  QLineEdit* Edit11;      // "Port:"
  QLineEdit* Edit12;      // "User Name:"
  QLineEdit* Edit13;      // "Password:", masked
};

}  // namespace shelvex::manager
