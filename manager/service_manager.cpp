#include "manager/service_manager.h"

#include <utility>
#include <vector>

namespace shelvex::manager {

TServiceManager::TServiceManager(std::unique_ptr<ServiceControl> control)
    : control_(std::move(control)) {}

// The control object closes its service before its connection.
TServiceManager::~TServiceManager() = default;

bool TServiceManager::Connect(const char* MachineName, const char* DatabaseName,
                              std::uint32_t Access) {
  ServiceControlManager =
      control_ != nullptr && control_->Connect(MachineName, DatabaseName, Access);
  return ServiceControlManager;
}

bool TServiceManager::OpenServiceConnection(const std::string& ServiceName) {
  ServiceHandle = ServiceControlManager && control_->Open(ServiceName);
  return ServiceHandle;
}

bool TServiceManager::StartService() { return StartService(0, nullptr); }

bool TServiceManager::StartService(int NumberOfArgument, const char* const* ServiceArgVectors) {
  if (!ServiceHandle) return false;
  std::vector<std::string> arguments;
  for (int i = 0; i < NumberOfArgument && ServiceArgVectors != nullptr; ++i) {
    arguments.emplace_back(ServiceArgVectors[i] != nullptr ? ServiceArgVectors[i] : "");
  }
  return control_->Start(arguments);
}

bool TServiceManager::StopService() {
  TServiceStatus status;
  return SendMsgToService(kControlStop, status);
}

void TServiceManager::PauseService() {
  TServiceStatus status;
  SendMsgToService(kControlPause, status);
}

void TServiceManager::ContinueService() {
  TServiceStatus status;
  SendMsgToService(kControlContinue, status);
}

void TServiceManager::ShutdownService() {
  TServiceStatus status;
  SendMsgToService(kControlShutdown, status);
}

std::uint32_t TServiceManager::GetStatus() {
  TServiceStatus status;
  if (!ServiceHandle || !control_->Query(status)) return 0;
  return status.dwCurrentState;
}

bool TServiceManager::ServiceRunning() { return GetStatus() == kServiceRunning; }

bool TServiceManager::ServiceStopped() { return GetStatus() == kServiceStopped; }

bool TServiceManager::SendMsgToService(std::uint32_t msg, TServiceStatus& srvStat) {
  return ServiceHandle && control_->Control(msg, srvStat);
}

}  // namespace shelvex::manager
