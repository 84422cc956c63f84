// "Set Password" (the program password) and "Set Data Password" (the data upload password, changed
// on the server first).

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "engine/data_module.h"
#include "engine/scrambled_file.h"
#include "manager/internal/busy_window.h"
#include "manager/main_window.h"
#include "manager/password_dialog.h"
#include "manager/prompter.h"
#include "manager/schedule_page.h"
#include "platform/code_page.h"
#include "platform/error.h"

namespace shelvex::manager {

namespace {

constexpr char kProgramPasswordFile[] = "shelvexexe.p";
constexpr char kDataPasswordFile[] = "lantern.p";
const QString kProgramCaption = QStringLiteral("Login Password");
const QString kDataCaption = QStringLiteral("Data Upload Password");
const QString kIncorrectPassword = QStringLiteral("ERROR! Incorrect Password.");

std::string ToAnsi(const QString& text) { return platform::Utf8ToAnsi(text.toStdString()); }

// The 1-based position of the first byte whose scrambled form the password file cannot carry.
std::optional<std::size_t> UnstorablePosition(const std::string& ansi) {
  if (engine::CanStoreScrambled(ansi)) return std::nullopt;
  std::string scrambled = ansi;
  engine::ScrambleText(scrambled);
  return scrambled.find_first_of(std::string_view("\r\n\x1A", 3)) + 1;
}

// Deletes `path`; a file that is not there is no failure.
std::error_code RemovePasswordFile(const std::filesystem::path& path) {
  std::error_code error;
  std::filesystem::remove(path, error);
  return error;
}

}  // namespace

bool TForm1::ConfirmOldPassword(const std::string& held, const QString& caption) {
  if (held.empty()) return true;
  TForm3 prompt;
  prompt.setWindowTitle(caption);
  prompt.Label1->setText(QStringLiteral("Enter Old Password :"));
  prompter_.ShowModal(prompt);
  if (ToAnsi(prompt.Edit1->text()) == held) return true;
  ShowError(kIncorrectPassword);
  return false;
}

bool TForm1::RefuseUnstorablePassword(const std::string& ansi, const QString& typed) {
  if (QString::fromStdString(platform::AnsiToUtf8(ansi)) != typed) {
    ShowError(QStringLiteral("ERROR! The password holds a character that the code page %1 cannot "
                             "hold. Please choose another password.")
                  .arg(QString::fromStdString(platform::CodePage::Ansi().name())));
    return true;
  }
  if (const std::optional<std::size_t> position = UnstorablePosition(ansi)) {
    ShowError(QStringLiteral("ERROR! The password cannot be stored: its character %1 cannot be "
                             "kept in the password file at that place. Please choose another "
                             "password.")
                  .arg(*position));
    return true;
  }
  return false;
}

std::optional<std::string> TForm1::ConfirmNewPassword(TForm3& prompt, const QString& typed) {
  if (typed.isEmpty()) return std::nullopt;
  std::string ansi = ToAnsi(typed);
  if (RefuseUnstorablePassword(ansi, typed)) return std::nullopt;

  prompt.Edit1->clear();
  prompt.Label1->setText(QStringLiteral("Re-enter New Password :"));
  prompt.Edit1->setFocus();
  prompter_.ShowModal(prompt);
  if (prompt.Edit1->text() != typed) {
    ShowError(kIncorrectPassword);
    return std::nullopt;
  }
  return ansi;
}

void TForm1::ShowFileError(const std::filesystem::path& file, const std::error_code& error) {
  ShowError(
      QStringLiteral("ERROR! %1: %2")
          .arg(QString::fromStdString(file.string()), QString::fromStdString(error.message())));
}

void TForm1::BitBtn10Click() {
  if (!ConfirmOldPassword(LoginPass, kProgramCaption)) return;
  TForm3 prompt;
  prompt.setWindowTitle(kProgramCaption);
  prompt.Label1->setText(QStringLiteral("Enter New Password :"));
  prompt.CheckBox1->setVisible(true);
  prompter_.ShowModal(prompt);

  const std::filesystem::path file = ExeDir + kProgramPasswordFile;
  if (prompt.CheckBox1->isChecked()) {
    if (const std::error_code error = RemovePasswordFile(file)) {
      ShowFileError(file, error);
      return;
    }
    LoginPass.clear();
    return;
  }
  const QString typed = prompt.Edit1->text();
  const std::optional<std::string> ansi_or_none = ConfirmNewPassword(prompt, typed);
  if (!ansi_or_none) return;
  const std::string& ansi = *ansi_or_none;
  try {
    engine::WriteScrambledLine(file, ansi);
    LoginPass = ansi;
  } catch (const Error& error) {
    ShowError(QStringLiteral("ERROR! ") + QString::fromStdString(error.what()));
  }
}

void TForm1::Button9Click() {
  // The engine belongs to a running upload; the button is disabled then.
  if (UploadRunning()) return;
  if (!ConfirmOldPassword(Pass0, kDataCaption)) return;
  TForm3 prompt;
  prompt.setWindowTitle(kDataCaption);
  prompt.Label1->setText(QStringLiteral("Enter New Password :"));
  prompt.CheckBox1->setVisible(true);
  prompter_.ShowModal(prompt);

  const std::filesystem::path file = ExeDir + kDataPasswordFile;
  if (prompt.CheckBox1->isChecked()) {
    bool cleared = false;
    {
      internal::BusyWindow busy(this, [this] { CloseIfPending(); });
      cleared = module_.UploadPwd(Pass0, "");
    }
    if (!cleared) {
      ShowError(QStringLiteral("ERROR! Password could not be cleared."));
      return;
    }
    // The server has no password now: the window follows it even when the file stays behind.
    Pass0.clear();
    Schedule->Edit9->clear();
    if (const std::error_code error = RemovePasswordFile(file)) {
      ShowFileError(file, error);
    }
    return;
  }
  const QString typed = prompt.Edit1->text();
  const std::optional<std::string> ansi_or_none = ConfirmNewPassword(prompt, typed);
  if (!ansi_or_none) return;
  const std::string& ansi = *ansi_or_none;

  // The new file is written beside the old one before the server is asked, so that a password the
  // server takes can always be kept: a server holding a password the manager lost would refuse
  // every upload and every later change.
  std::filesystem::path staged = file;
  staged += ".new";
  try {
    engine::WriteScrambledLine(staged, ansi);
  } catch (const Error& error) {
    ShowError(QStringLiteral("ERROR! ") + QString::fromStdString(error.what()));
    return;
  }
  bool updated = false;
  {
    internal::BusyWindow busy(this, [this] { CloseIfPending(); });
    updated = module_.UploadPwd(Pass0, ansi);
  }
  if (!updated) {
    RemovePasswordFile(staged);
    ShowError(QStringLiteral("ERROR! Password could not be updated."));
    return;
  }
  Pass0 = ansi;
  Schedule->Edit9->setText(typed);
  std::error_code error;
  std::filesystem::rename(staged, file, error);
  if (error) {
    ShowFileError(file, error);
  }
}

}  // namespace shelvex::manager
