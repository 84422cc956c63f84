#pragma once

// The manager's main window "Lantern Manager". The window builds its tabs and buttons and wires
// each control to its handler; the handlers, named after their control and event (BitBtn3Click,
// Timer1Timer), live in one source file per concern: form_lifecycle.cpp (start-up, closing, status
// bar), settings_editor.cpp (options <-> controls, account lock), field_lists.cpp, passwords.cpp,
// server_commands.cpp (server commands, upload worker) and auto_upload.cpp (service state and the
// install scripts).
//
// The engine is the process's one TDataModule2; it must outlive the window. Everything here runs on
// the window's thread; only ShowStatus and ShowProgress may be called from the upload worker.

#include <QMainWindow>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "manager/service_control.h"

class QCloseEvent;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTimer;

namespace shelvex::engine {
class TDataModule2;
}

namespace shelvex::manager {

class Prompter;
class TDisplayPage;
class TForm3;
class TGeneralPage;
class TMyThread;
class TSchedulePage;
class TSearchPage;

class TForm1 final : public QMainWindow {
  Q_OBJECT

 public:
  // `exe_dir` is the program folder (the engine's home); `prompter` shows every dialog and message;
  // `service_control` makes one service control object per use.
  TForm1(engine::TDataModule2& module, std::string exe_dir, Prompter& prompter,
         ServiceControlFactory service_control, QWidget* parent = nullptr);
  ~TForm1() override;

  // Start-up before the window is shown: options, passwords, field lists, login, account lock.
  // False when the login failed: the window has then run its closing steps and must not be shown.
  bool FormShow();
  // Saves everything: the controls into the options, the options file, the four field lists.
  // Runs once, however the window closes.
  void FormClose();

  // The engine's status receiver: puts the text into the status bar. From another thread the text
  // is handed over to the window's thread.
  void ShowStatus(const std::string& text);
  // The export's progress: records done of records in the table, in a bar beside the status text.
  // May be called from any thread.
  void ShowProgress(const std::string& table, std::uint32_t done, std::uint32_t total);

  // Copies every control into the engine options (no value checked or trimmed).
  void ControlsToOptions();
  void UpdateLibraryLink();
  void LoadFieldLists();
  // Throws IoError when a list file cannot be written; the files before it are replaced already.
  void SaveFieldLists();
  void SetCommandButtons(bool enable);
  void RefreshServiceState();
  bool StartInstalledService();
  void RunUninstallBatch();

  // True while "Upload Data Now" runs.
  bool UploadRunning() const { return worker_ != nullptr; }

  std::string ExeDir;            // program folder, ending in "/"
  std::int32_t ServiceStat = 0;  // last known state of the upload service
  std::string Pass0;             // data upload password, ANSI bytes
  std::string LoginPass;         // program password, ANSI bytes; empty: no login prompt

  // Controls, each with the object name of its field; the tabs hold the rest.
  QTabWidget* PageControl1;
  TSchedulePage* Schedule;  // "Schedule"
  TGeneralPage* General;    // "General Server Options"
  TDisplayPage* Display;    // "Web Server Display"
  TSearchPage* Search;      // "Search Options"
  QPushButton* BitBtn1;     // "&Close"
  QPushButton* BitBtn10;    // "Set Password"
  QPushButton* BitBtn14;    // "Save Settings"
  QPushButton* BitBtn6;     // "Web Library Demo"
  QPushButton* BitBtn9;     // "Web Library"
  QPushButton* BitBtn12;    // "Server Status"
  QPushButton* BitBtn8;     // "Start Server"
  QPushButton* BitBtn7;     // "Stop Server"
  QPushButton* BitBtn3;     // "Upload Data Now"
  QPushButton* BitBtn11;    // "Upload Options Now"
  QPushButton* BitBtn4;     // "Start Auto Uploads"
  QPushButton* BitBtn5;     // "Stop Auto Uploads"
  QPushButton* BitBtn13;    // "Display Log"
  QPlainTextEdit* Memo1;    // the service state
  QLabel* StatusPanel;      // the status bar's one text panel
  QProgressBar* ProgressBar1;
  QTimer* Timer1;  // polls the service state

 public slots:
  void BitBtn1Click();
  void BitBtn3Click();
  void BitBtn4Click();
  void BitBtn5Click();
  void BitBtn6Click();
  void BitBtn7Click();
  void BitBtn8Click();
  void BitBtn9Click();
  void BitBtn10Click();
  void BitBtn11Click();
  void BitBtn12Click();
  void BitBtn13Click();
  void BitBtn14Click();
  void Button9Click();   // "Set Data Password"
  void Button10Click();  // "Unlock"
  void Edit1Change();    // the address, port and user boxes
  void Timer1Timer();
  // The field-list buttons: Add, Remove, Add All, Remove All of each pair.
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void Button6Click();
  void Button7Click();
  void Button8Click();
  void Button11Click();
  void Button12Click();
  void Button13Click();
  void Button14Click();
  void Button15Click();
  void Button16Click();
  void Button18Click();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildWindow();
  void WireHandlers();
  QPushButton* AddSideButton(const char* caption, const char* name, bool large);

  // Start-up steps.
  void LoadAccountAndScheduleControls();
  void LoadProxyAndDisplayControls();
  void ReadPasswordFiles();
  void FillAvailableLists();
  bool CheckLoginPassword();
  void LockAccount();
  void SetAccountLocked(bool locked);

  // The password procedures.
  bool ConfirmOldPassword(const std::string& held, const QString& caption);
  bool RefuseUnstorablePassword(const std::string& ansi, const QString& typed);
  // After the first entry `typed`: refuses an unstorable password, asks for it again and compares;
  // the password's ANSI bytes, or nullopt when the change ends here.
  std::optional<std::string> ConfirmNewPassword(TForm3& prompt, const QString& typed);
  void ShowFileError(const std::filesystem::path& file, const std::error_code& error);

  // The server commands.
  void UploadFinished(const std::string& failure);
  void SetUploadEditing(bool enable);
  void StartStopServer(bool start);
  // Closes the window when a close waited for a command that has ended now.
  void CloseIfPending();

  void ShowError(const QString& text);
  void ShowStatusHere(const QString& text);

  engine::TDataModule2& module_;
  Prompter& prompter_;
  ServiceControlFactory service_control_;
  std::unique_ptr<TMyThread> worker_;
  QWidget* side_panel_ = nullptr;
  bool closed_ = false;         // FormClose has run
  bool close_pending_ = false;  // a close waits for a command to end
};

}  // namespace shelvex::manager
