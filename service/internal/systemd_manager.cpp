#include "service/internal/systemd_manager.h"

#include <systemd/sd-bus.h>

#include <cerrno>
#include <functional>
#include <memory>

namespace shelvex::service::internal {

namespace {

constexpr char kDestination[] = "org.freedesktop.systemd1";
constexpr char kObjectPath[] = "/org/freedesktop/systemd1";
constexpr char kInterface[] = "org.freedesktop.systemd1.Manager";

struct BusCloser {
  void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageReleaser {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using BusHandle = std::unique_ptr<sd_bus, BusCloser>;
using MessageHandle = std::unique_ptr<sd_bus_message, MessageReleaser>;

class BusError final {
 public:
  BusError() = default;
  ~BusError() { sd_bus_error_free(&error_); }
  BusError(const BusError&) = delete;
  BusError& operator=(const BusError&) = delete;
  sd_bus_error* get() { return &error_; }

  TBusResult Result(int status) const {
    TBusResult result;
    result.code = sd_bus_error_is_set(&error_) ? sd_bus_error_get_errno(&error_) : -status;
    if (result.code == 0) result.code = EIO;
    if (sd_bus_error_is_set(&error_) && error_.message != nullptr) result.message = error_.message;
    return result;
  }

 private:
  sd_bus_error error_ = SD_BUS_ERROR_NULL;
};

// Opens the system bus and makes one call with `call`, which gets the bus and the error to fill.
TBusResult CallManager(const std::function<int(sd_bus*, sd_bus_error*, sd_bus_message**)>& call) {
  sd_bus* raw_bus = nullptr;
  const int opened = sd_bus_open_system(&raw_bus);
  if (opened < 0) return TBusResult{-opened, {}};
  const BusHandle bus(raw_bus);
  BusError error;
  sd_bus_message* raw_reply = nullptr;
  const int status = call(bus.get(), error.get(), &raw_reply);
  const MessageHandle reply(raw_reply);
  if (status < 0) return error.Result(status);
  return {};
}

}  // namespace

TBusResult ReloadSystemd() {
  return CallManager([](sd_bus* bus, sd_bus_error* error, sd_bus_message** reply) {
    return sd_bus_call_method(bus, kDestination, kObjectPath, kInterface, "Reload", error, reply,
                              nullptr);
  });
}

TBusResult EnableUnitFile(const std::string& unit_name) {
  return CallManager([&](sd_bus* bus, sd_bus_error* error, sd_bus_message** reply) {
    // Files, runtime only (no), replace existing links (no).
    return sd_bus_call_method(bus, kDestination, kObjectPath, kInterface, "EnableUnitFiles", error,
                              reply, "asbb", 1, unit_name.c_str(), 0, 0);
  });
}

TBusResult DisableUnitFile(const std::string& unit_name) {
  return CallManager([&](sd_bus* bus, sd_bus_error* error, sd_bus_message** reply) {
    return sd_bus_call_method(bus, kDestination, kObjectPath, kInterface, "DisableUnitFiles", error,
                              reply, "asb", 1, unit_name.c_str(), 0);
  });
}

}  // namespace shelvex::service::internal
