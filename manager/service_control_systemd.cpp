// The service control back end on systemd: the system bus, the unit Bookferry.service, its
// ActiveState read as the service state, and starts and stops through systemd's manager object.

#include <systemd/sd-bus.h>

#include <cstdlib>
#include <memory>

#include "manager/service_control.h"

namespace shelvex::manager {

namespace {

constexpr char kDestination[] = "org.freedesktop.systemd1";
constexpr char kManagerPath[] = "/org/freedesktop/systemd1";
constexpr char kManagerInterface[] = "org.freedesktop.systemd1.Manager";
constexpr char kUnitInterface[] = "org.freedesktop.systemd1.Unit";

struct BusCloser {
  void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageUnref {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using BusPtr = std::unique_ptr<sd_bus, BusCloser>;
using MessagePtr = std::unique_ptr<sd_bus_message, MessageUnref>;

// An sd_bus_error freed on every exit.
class BusError final {
 public:
  BusError() = default;
  ~BusError() { sd_bus_error_free(&error_); }
  BusError(const BusError&) = delete;
  BusError& operator=(const BusError&) = delete;
  sd_bus_error* get() { return &error_; }

 private:
  sd_bus_error error_ = SD_BUS_ERROR_NULL;
};

class SystemdServiceControl final : public ServiceControl {
 public:
  bool Connect(const char* machine_name, const char* /*database_name*/,
               std::uint32_t /*access*/) override {
    sd_bus* bus = nullptr;
    const int rc = machine_name == nullptr || *machine_name == '\0'
                       ? sd_bus_open_system(&bus)
                       : sd_bus_open_system_remote(&bus, machine_name);
    if (rc < 0) return false;
    ServiceControlManager.reset(bus);
    // Starting a system unit as an ordinary user needs the desktop's authorisation prompt.
    sd_bus_set_allow_interactive_authorization(bus, 1);
    return true;
  }

  bool Open(const std::string& service_name) override {
    if (!ServiceControlManager) return false;
    const std::string unit = UnitNameForService(service_name);
    BusError error;
    sd_bus_message* reply = nullptr;
    // LoadUnit answers for units that are not loaded yet too, where GetUnit would fail.
    if (sd_bus_call_method(ServiceControlManager.get(), kDestination, kManagerPath,
                           kManagerInterface, "LoadUnit", error.get(), &reply, "s",
                           unit.c_str()) < 0) {
      return false;
    }
    MessagePtr owned(reply);
    const char* path = nullptr;
    if (sd_bus_message_read(reply, "o", &path) < 0 || path == nullptr) return false;
    const std::string unit_path = path;
    const std::string load_state = UnitProperty(unit_path, "LoadState");
    if (!UnitIsInstalled(load_state)) return false;
    unit_name_ = unit;
    ServiceHandle = unit_path;
    return true;
  }

  bool Start(const std::vector<std::string>& arguments) override {
    // A systemd unit takes no start arguments.
    if (!arguments.empty()) return false;
    return ManagerCall("StartUnit", true);
  }

  bool Control(std::uint32_t code, TServiceStatus& status) override {
    bool sent = false;
    switch (code) {
      case kControlStop:
      case kControlShutdown:
        sent = ManagerCall("StopUnit", true);
        break;
      case kControlPause:
        sent = ManagerCall("FreezeUnit", false);
        break;
      case kControlContinue:
        sent = ManagerCall("ThawUnit", false);
        break;
      case kControlInterrogate:
        sent = !ServiceHandle.empty();
        break;
      default:
        return false;
    }
    Query(status);
    return sent;
  }

  bool Query(TServiceStatus& status) override {
    status = TServiceStatus{};
    if (ServiceHandle.empty()) return false;
    const std::string active_state = UnitProperty(ServiceHandle, "ActiveState");
    if (active_state.empty()) return false;
    status.dwCurrentState = ServiceStateFromActiveState(active_state);
    return true;
  }

 private:
  // Calls a method of systemd's manager object on the opened unit ("StartUnit" and "StopUnit" take
  // the job mode as well).
  bool ManagerCall(const char* method, bool with_mode) {
    if (!ServiceControlManager || ServiceHandle.empty()) return false;
    BusError error;
    sd_bus_message* reply = nullptr;
    const int rc = with_mode
                       ? sd_bus_call_method(ServiceControlManager.get(), kDestination, kManagerPath,
                                            kManagerInterface, method, error.get(), &reply, "ss",
                                            unit_name_.c_str(), "replace")
                       : sd_bus_call_method(ServiceControlManager.get(), kDestination, kManagerPath,
                                            kManagerInterface, method, error.get(), &reply, "s",
                                            unit_name_.c_str());
    MessagePtr owned(reply);
    return rc >= 0;
  }

  // A text property of the unit object; empty when it cannot be read.
  std::string UnitProperty(const std::string& unit_path, const char* name) {
    BusError error;
    char* value = nullptr;
    if (sd_bus_get_property_string(ServiceControlManager.get(), kDestination, unit_path.c_str(),
                                   kUnitInterface, name, error.get(), &value) < 0) {
      return {};
    }
    std::string text = value != nullptr ? value : "";
    std::free(value);
    return text;
  }

  // The connection to the system bus and the opened unit's object path: the two handles.
  BusPtr ServiceControlManager;
  std::string ServiceHandle;
  std::string unit_name_;
};

}  // namespace

std::unique_ptr<ServiceControl> CreateSystemServiceControl() {
  return std::make_unique<SystemdServiceControl>();
}

}  // namespace shelvex::manager
