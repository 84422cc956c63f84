// Start-up, closing and the status bar of the main window.

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QProgressBar>
#include <QThread>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "engine/data_module.h"
#include "engine/scrambled_file.h"
#include "manager/internal/progress_hookup.h"
#include "manager/main_window.h"
#include "manager/password_dialog.h"
#include "manager/prompter.h"
#include "platform/code_page.h"
#include "platform/error.h"

namespace shelvex::manager {

namespace {

constexpr char kDataPasswordFile[] = "lantern.p";
constexpr char kProgramPasswordFile[] = "shelvexexe.p";

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

bool TForm1::FormShow() {
  module_.Init(ExeDir);
  LoadAccountAndScheduleControls();
  module_.UpdateStatusProc = [this](const std::string& text) { ShowStatus(text); };
  InstallProgressReceiver(
      module_, [this](const std::string& table, std::uint32_t done, std::uint32_t total) {
        ShowProgress(table, done, total);
      });
  module_.IsLoggingOn = true;
  try {
    ReadPasswordFiles();
  } catch (const Error& error) {
    // A program password that cannot be read must not open the window without a login.
    ShowError(QStringLiteral("ERROR! ") + FromUtf8(error.what()));
    FormClose();
    return false;
  }
  LoadProxyAndDisplayControls();
  try {
    module_.FindDbfFiles();
  } catch (const Error& error) {
    ShowStatusHere(QStringLiteral("ERROR! ") + FromUtf8(error.what()));
  }
  FillAvailableLists();
  LoadFieldLists();
  if (!CheckLoginPassword()) {
    FormClose();
    return false;
  }
  LockAccount();
  return true;
}

void TForm1::ReadPasswordFiles() {
  Pass0.clear();
  std::error_code error;
  const std::filesystem::path data_password = ExeDir + kDataPasswordFile;
  if (std::filesystem::exists(data_password, error)) {
    try {
      Pass0 = engine::ReadScrambledLine(data_password);
    } catch (const Error& failure) {
      // Without it uploads fail at the server, which says so; the librarian should know why.
      ShowError(QStringLiteral("ERROR! ") + FromUtf8(failure.what()));
    }
  }
  const std::filesystem::path program_password = ExeDir + kProgramPasswordFile;
  if (std::filesystem::exists(program_password, error)) {
    // Reading a folder gives no line at all, which would mean "no password": refuse it instead.
    if (!std::filesystem::is_regular_file(program_password, error)) {
      throw IoError(program_password.string() + ": not a password file");
    }
    LoginPass = engine::ReadScrambledLine(program_password);
  }
}

bool TForm1::CheckLoginPassword() {
  if (LoginPass.empty()) return true;
  TForm3 prompt;
  prompt.setWindowTitle(QStringLiteral("Login Password"));
  prompt.Label1->setText(QStringLiteral("Enter Password :"));
  prompter_.ShowModal(prompt);
  if (platform::Utf8ToAnsi(prompt.Edit1->text().toStdString()) == LoginPass) return true;
  ShowError(QStringLiteral("ERROR! Incorrect Password."));
  return false;
}

void TForm1::FormClose() {
  if (closed_) return;
  closed_ = true;
  try {
    ControlsToOptions();
    module_.SaveOptions(false);
    SaveFieldLists();
  } catch (const Error& error) {
    ShowError(QStringLiteral("ERROR! Settings could not be saved.\r") + FromUtf8(error.what()));
  }
}

void TForm1::BitBtn1Click() { close(); }

void TForm1::ShowStatus(const std::string& text) {
  const QString shown = FromUtf8(text);
  if (QThread::currentThread() != thread()) {
    // The status bar belongs to the window's thread; the worker's texts queue up in order.
    QMetaObject::invokeMethod(
        this, [this, shown] { StatusPanel->setText(shown); }, Qt::QueuedConnection);
    return;
  }
  ShowStatusHere(shown);
  // Long commands run on this thread: let the text show before they go on. User input waits,
  // so that no other command starts in between.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TForm1::ShowStatusHere(const QString& text) { StatusPanel->setText(text); }

void TForm1::ShowProgress(const std::string& table, std::uint32_t done, std::uint32_t total) {
  const QString name = FromUtf8(table);
  auto show = [this, name, done, total] {
    // QProgressBar counts in int; tables of more than 2^31 records are scaled down.
    const int scale = total > 0x7fffffffu ? 2 : 1;
    ProgressBar1->setRange(0, static_cast<int>(total / scale));
    ProgressBar1->setValue(static_cast<int>(std::min(done, total) / scale));
    ProgressBar1->setFormat(name + QStringLiteral(": %1 of %2").arg(done).arg(total));
    ProgressBar1->setVisible(true);
  };
  if (QThread::currentThread() != thread()) {
    QMetaObject::invokeMethod(this, show, Qt::QueuedConnection);
  } else {
    show();
  }
}

void TForm1::ShowError(const QString& text) { prompter_.ShowMessage(MessageKind::kError, text); }

}  // namespace shelvex::manager
