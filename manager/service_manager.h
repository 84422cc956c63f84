#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "manager/service_control.h"

namespace shelvex::manager {

// A thin object over the system's service manager, used to read the state of the upload service
// and to start it. Calling order: Connect, then OpenServiceConnection, then any service operation;
// destruction closes whatever was opened. Failures are reported only through the results.
// One object per use; not thread-safe.
class TServiceManager final {
 public:
  explicit TServiceManager(std::unique_ptr<ServiceControl> control);
  ~TServiceManager();
  TServiceManager(const TServiceManager&) = delete;
  TServiceManager& operator=(const TServiceManager&) = delete;

  bool Connect(const char* MachineName, const char* DatabaseName, std::uint32_t Access);
  bool OpenServiceConnection(const std::string& ServiceName);
  bool StartService();
  bool StartService(int NumberOfArgument, const char* const* ServiceArgVectors);
  bool StopService();
  void PauseService();
  void ContinueService();
  void ShutdownService();
  // Kept for the original's interface; there is nothing to disable.
  void DisableService() {}
  // The current state (kServiceStopped, kServiceRunning, ...); 0 when it cannot be read.
  std::uint32_t GetStatus();
  bool ServiceRunning();
  bool ServiceStopped();
  bool SendMsgToService(std::uint32_t msg, TServiceStatus& srvStat);

 private:
  // Whether each step succeeded, so that nothing is asked of a connection or service never opened.
  bool ServiceControlManager = false;
  bool ServiceHandle = false;
  std::unique_ptr<ServiceControl> control_;
};

}  // namespace shelvex::manager
