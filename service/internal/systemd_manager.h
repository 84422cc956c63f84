#pragma once

#include <string>

namespace shelvex::service::internal {

// The outcome of a request to systemd's manager: code 0 on success, else the error number and, when
// systemd said why, its message.
struct TBusResult {
  int code = 0;
  std::string message;
  bool ok() const { return code == 0; }
};

// Requests to systemd over the system bus, as systemctl daemon-reload, enable and disable make
// them. Each opens its own connection. Without a running systemd they fail (no bus: ENOENT).
TBusResult ReloadSystemd();
TBusResult EnableUnitFile(const std::string& unit_name);
TBusResult DisableUnitFile(const std::string& unit_name);

}  // namespace shelvex::service::internal
