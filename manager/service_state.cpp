// How systemd's unit states read in the service-state numbers of the manager.

#include <string>

#include "manager/service_control.h"

namespace shelvex::manager {

std::uint32_t ServiceStateFromActiveState(std::string_view active_state) {
  // A unit reloading its configuration keeps running.
  if (active_state == "active" || active_state == "reloading") return kServiceRunning;
  if (active_state == "activating") return kServiceStartPending;
  if (active_state == "deactivating") return kServiceStopPending;
  if (active_state == "inactive" || active_state == "failed") return kServiceStopped;
  return 0;
}

bool UnitIsInstalled(std::string_view load_state) {
  return !load_state.empty() && load_state != "not-found";
}

std::string UnitNameForService(std::string_view service_name) {
  constexpr std::string_view kSuffix = ".service";
  if (service_name.ends_with(kSuffix)) return std::string(service_name);
  return std::string(service_name) + std::string(kSuffix);
}

}  // namespace shelvex::manager
