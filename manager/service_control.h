#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace shelvex::manager {

// The service status record, laid out as the service control manager of the original reports it.
// Only dwCurrentState is filled by every back end; the other fields are 0 where a back end has no
// equivalent.
struct TServiceStatus {
  std::uint32_t dwServiceType = 0;
  std::uint32_t dwCurrentState = 0;
  std::uint32_t dwControlsAccepted = 0;
  std::uint32_t dwWin32ExitCode = 0;
  std::uint32_t dwServiceSpecificExitCode = 0;
  std::uint32_t dwCheckPoint = 0;
  std::uint32_t dwWaitHint = 0;
};

// Service states, with the numbers that the manager's callers rely on.
inline constexpr std::uint32_t kServiceStopped = 1;
inline constexpr std::uint32_t kServiceStartPending = 2;
inline constexpr std::uint32_t kServiceStopPending = 3;
inline constexpr std::uint32_t kServiceRunning = 4;

// Control codes of SendMsgToService.
inline constexpr std::uint32_t kControlStop = 1;
inline constexpr std::uint32_t kControlPause = 2;
inline constexpr std::uint32_t kControlContinue = 3;
inline constexpr std::uint32_t kControlInterrogate = 4;
inline constexpr std::uint32_t kControlShutdown = 5;

// The seam between TServiceManager and the system's service manager: one connection and one opened
// service per object, both released by the destructor. Every call reports success or failure only.
// Not thread-safe; the manager uses it on the window's thread.
class ServiceControl {
 public:
  virtual ~ServiceControl() = default;

  // Connects to the service manager of `machine_name` (null or empty: this computer).
  // `database_name` and `access` are accepted for the original's signature; a back end may ignore
  // them.
  virtual bool Connect(const char* machine_name, const char* database_name,
                       std::uint32_t access) = 0;
  // Opens the named service on the connection; false when it is not installed.
  virtual bool Open(const std::string& service_name) = 0;
  virtual bool Start(const std::vector<std::string>& arguments) = 0;
  // Sends a control code (kControlStop, ...) and fills `status` with the state afterwards.
  virtual bool Control(std::uint32_t code, TServiceStatus& status) = 0;
  virtual bool Query(TServiceStatus& status) = 0;
};

using ServiceControlFactory = std::function<std::unique_ptr<ServiceControl>()>;

// The back end that CMake chose for this build: systemd over the system bus.
std::unique_ptr<ServiceControl> CreateSystemServiceControl();

// How systemd's view of a unit reads as a service state: ActiveState "active" and "reloading" are
// running (4), "activating" start pending (2), "deactivating" stop pending (3), "inactive" and
// "failed" stopped (1); anything else is 0, unknown.
std::uint32_t ServiceStateFromActiveState(std::string_view active_state);
// Whether a unit with this LoadState is installed: every state but "not-found" (and the empty
// text, which no systemd gives).
bool UnitIsInstalled(std::string_view load_state);
// The unit name for a service name: "Bookferry" is "Bookferry.service"; a name that already ends in
// ".service" stays as it is.
std::string UnitNameForService(std::string_view service_name);

}  // namespace shelvex::manager
