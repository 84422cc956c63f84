// Automatic uploads: the state of the upload service, polled every 3 seconds, and the two buttons
// that install and start or stop and remove it through the scripts beside the programs.

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <system_error>

#include "manager/batch_file.h"
#include "manager/main_window.h"
#include "manager/service_manager.h"
#include "platform/folder.h"

namespace shelvex::manager {

namespace {

constexpr char kServiceName[] = "Bookferry";
// Full access to the service manager, as the original asks for it.
constexpr std::uint32_t kManagerAccess = 983103;
constexpr int kServiceInterval = 3000;
constexpr int kUninstallPause = 10000;

const char* StateText(std::int32_t state) {
  if (state == static_cast<std::int32_t>(kServiceStopped)) return "Service Stopped.";
  if (state == static_cast<std::int32_t>(kServiceRunning)) return "Service Running.";
  return "Service not Installed.";
}

// The script in the program folder, or beside the program file when the program folder (another
// one given with --home) has none of its own.
std::filesystem::path ScriptPath(const std::string& exe_dir, const char* name) {
  std::filesystem::path in_home = std::filesystem::path(exe_dir) / name;
  std::error_code error;
  if (std::filesystem::exists(in_home, error)) return in_home;
  std::filesystem::path beside_program = std::filesystem::path(platform::ProgramFolder()) / name;
  return std::filesystem::exists(beside_program, error) ? beside_program : in_home;
}

}  // namespace

void TForm1::RefreshServiceState() {
  ServiceStat = 0;
  Memo1->clear();
  {
    TServiceManager manager(service_control_ ? service_control_() : nullptr);
    if (manager.Connect(nullptr, nullptr, kManagerAccess) &&
        manager.OpenServiceConnection(kServiceName)) {
      ServiceStat = static_cast<std::int32_t>(manager.GetStatus());
    }
  }
  Memo1->appendPlainText(QString::fromLatin1(StateText(ServiceStat)));
  BitBtn4->setEnabled(ServiceStat == 0 ||
                      ServiceStat == static_cast<std::int32_t>(kServiceStopped));
  BitBtn5->setEnabled(ServiceStat != 0);
}

void TForm1::Timer1Timer() {
  // The next tick comes a full interval after this refresh, however long it took.
  Timer1->stop();
  Timer1->setInterval(kServiceInterval);
  RefreshServiceState();
  Timer1->start();
}

bool TForm1::StartInstalledService() {
  TServiceManager manager(service_control_ ? service_control_() : nullptr);
  return manager.Connect(nullptr, nullptr, kManagerAccess) &&
         manager.OpenServiceConnection(kServiceName) && manager.StartService();
}

void TForm1::BitBtn4Click() {
  Timer1->stop();
  Timer1->start();
  if (ServiceStat == static_cast<std::int32_t>(kServiceRunning)) return;
  if (ServiceStat == static_cast<std::int32_t>(kServiceStopped) && StartInstalledService()) return;
  RunBatchFile(ScriptPath(ExeDir, "_inst.bat"), ExeDir);
  BitBtn4->setEnabled(false);
}

void TForm1::RunUninstallBatch() { RunBatchFile(ScriptPath(ExeDir, "_uninst.bat"), ExeDir); }

void TForm1::BitBtn5Click() {
  RunUninstallBatch();
  BitBtn5->setEnabled(false);
  Memo1->clear();
  Memo1->appendPlainText(QStringLiteral("Uninstalling Service."));
  // Setting the interval restarts the countdown: the next refresh comes 10 seconds from now.
  Timer1->setInterval(kUninstallPause);
}

}  // namespace shelvex::manager
