// The systemd back end against a stand-in for systemd's manager object on a private message bus:
// systemd does not run in CI, but dbus-daemon does, and the back end finds the "system" bus through
// DBUS_SYSTEM_BUS_ADDRESS.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>

#include <QPlainTextEdit>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "manager/service_control.h"
#include "manager/service_manager.h"
#include "tests/manager/manager_fixture.h"
#include "tests/support/temp_folder.h"

extern char** environ;

namespace shelvex::manager::testing {
namespace {

using ::testing::ElementsAre;

constexpr char kUnitPrefix[] = "/org/freedesktop/systemd1/unit";

// What the stand-in knows: the units that exist, with their ActiveState, and the calls it got.
struct FakeSystemd {
  std::mutex mutex;
  std::map<std::string, std::string> active_states;  // unit name -> ActiveState
  std::vector<std::string> calls;

  void Record(std::string call) {
    std::lock_guard lock(mutex);
    calls.push_back(std::move(call));
  }
  std::vector<std::string> Calls() {
    std::lock_guard lock(mutex);
    return calls;
  }
  void SetState(const std::string& unit, const std::string& state) {
    std::lock_guard lock(mutex);
    active_states[unit] = state;
  }
};

std::string UnitOfPath(const char* path) {
  char* name = nullptr;
  if (sd_bus_path_decode(path, kUnitPrefix, &name) <= 0) return {};
  std::string unit = name;
  std::free(name);
  return unit;
}

int ReplyWithUnitPath(sd_bus_message* call, const char* unit) {
  char* path = nullptr;
  if (sd_bus_path_encode(kUnitPrefix, unit, &path) < 0) return -ENOMEM;
  const int rc = sd_bus_reply_method_return(call, "o", path);
  std::free(path);
  return rc;
}

int LoadUnit(sd_bus_message* call, void* data, sd_bus_error*) {
  const char* unit = nullptr;
  if (sd_bus_message_read(call, "s", &unit) < 0) return -EINVAL;
  static_cast<FakeSystemd*>(data)->Record(std::string("LoadUnit ") + unit);
  return ReplyWithUnitPath(call, unit);
}

int StartUnit(sd_bus_message* call, void* data, sd_bus_error*) {
  const char* unit = nullptr;
  const char* mode = nullptr;
  if (sd_bus_message_read(call, "ss", &unit, &mode) < 0) return -EINVAL;
  auto* systemd = static_cast<FakeSystemd*>(data);
  systemd->Record(std::string("StartUnit ") + unit + " " + mode);
  systemd->SetState(unit, "activating");
  return ReplyWithUnitPath(call, unit);
}

int GetLoadState(sd_bus*, const char* path, const char*, const char*, sd_bus_message* reply,
                 void* data, sd_bus_error*) {
  auto* systemd = static_cast<FakeSystemd*>(data);
  std::lock_guard lock(systemd->mutex);
  const bool known = systemd->active_states.count(UnitOfPath(path)) != 0;
  return sd_bus_message_append(reply, "s", known ? "loaded" : "not-found");
}

int GetActiveState(sd_bus*, const char* path, const char*, const char*, sd_bus_message* reply,
                   void* data, sd_bus_error*) {
  auto* systemd = static_cast<FakeSystemd*>(data);
  std::lock_guard lock(systemd->mutex);
  const auto unit = systemd->active_states.find(UnitOfPath(path));
  return sd_bus_message_append(
      reply, "s", unit == systemd->active_states.end() ? "inactive" : unit->second.c_str());
}

const sd_bus_vtable kManagerVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("LoadUnit", "s", "o", LoadUnit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("StartUnit", "ss", "o", StartUnit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};
const sd_bus_vtable kUnitVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("LoadState", "s", GetLoadState, 0, 0),
    SD_BUS_PROPERTY("ActiveState", "s", GetActiveState, 0, 0),
    SD_BUS_VTABLE_END,
};

// A private dbus-daemon and the stand-in serving org.freedesktop.systemd1 on it, for one test.
class SystemdOnPrivateBus : public ManagerTest {
 protected:
  SystemdOnPrivateBus() {
    address_ = "unix:path=" + (bus_folder_ / "bus").string();
    std::vector<std::string> words{"dbus-daemon", "--session", "--nofork", "--nopidfile",
                                   "--address=" + address_};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&daemon_, "dbus-daemon", nullptr, nullptr, argv.data(), environ) != 0) {
      daemon_ = -1;
      return;
    }
    for (int i = 0; i < 200 && !std::filesystem::exists(bus_folder_ / "bus"); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), 1);
    server_ = std::thread([this] { Serve(); });
    for (int i = 0; i < 500 && !serving_; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  ~SystemdOnPrivateBus() override {
    stop_ = true;
    if (server_.joinable()) server_.join();
    if (daemon_ > 0) {
      ::kill(daemon_, SIGTERM);
      ::waitpid(daemon_, nullptr, 0);
    }
    ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
  }

  void SetUp() override {
    ASSERT_GT(daemon_, 0) << "dbus-daemon did not start";
    ASSERT_TRUE(serving_) << "the stand-in for systemd did not come up";
  }

  void Serve() {
    sd_bus* bus = nullptr;
    if (sd_bus_new(&bus) < 0) return;
    sd_bus_set_address(bus, address_.c_str());
    sd_bus_set_bus_client(bus, 1);
    sd_bus_slot* manager_slot = nullptr;
    sd_bus_slot* unit_slot = nullptr;
    if (sd_bus_start(bus) >= 0 &&
        sd_bus_add_object_vtable(bus, &manager_slot, "/org/freedesktop/systemd1",
                                 "org.freedesktop.systemd1.Manager", kManagerVtable,
                                 &systemd_) >= 0 &&
        sd_bus_add_fallback_vtable(bus, &unit_slot, kUnitPrefix, "org.freedesktop.systemd1.Unit",
                                   kUnitVtable, nullptr, &systemd_) >= 0 &&
        sd_bus_request_name(bus, "org.freedesktop.systemd1", 0) >= 0) {
      serving_ = true;
      while (!stop_) {
        if (sd_bus_process(bus, nullptr) > 0) continue;
        sd_bus_wait(bus, 50000);
      }
    }
    sd_bus_slot_unref(unit_slot);
    sd_bus_slot_unref(manager_slot);
    sd_bus_flush_close_unref(bus);
  }

  shelvex::testing::TempFolder bus_folder_;
  std::string address_;
  pid_t daemon_ = -1;
  FakeSystemd systemd_;
  std::thread server_;
  std::atomic<bool> serving_{false};
  std::atomic<bool> stop_{false};
};

TEST_F(SystemdOnPrivateBus, ReadsTheUnitsActiveStateAndStartsIt) {
  systemd_.SetState("Bookferry.service", "inactive");
  TServiceManager manager(CreateSystemServiceControl());
  ASSERT_TRUE(manager.Connect(nullptr, nullptr, 983103));
  ASSERT_TRUE(manager.OpenServiceConnection("Bookferry"));
  EXPECT_EQ(manager.GetStatus(), kServiceStopped);
  systemd_.SetState("Bookferry.service", "active");
  EXPECT_EQ(manager.GetStatus(), kServiceRunning);
  systemd_.SetState("Bookferry.service", "inactive");
  EXPECT_TRUE(manager.StartService());
  EXPECT_EQ(manager.GetStatus(), kServiceStartPending);
  EXPECT_THAT(systemd_.Calls(),
              ElementsAre("LoadUnit Bookferry.service", "StartUnit Bookferry.service replace"));
}

TEST_F(SystemdOnPrivateBus, AUnitThatIsNotFoundCannotBeOpened) {
  TServiceManager manager(CreateSystemServiceControl());
  ASSERT_TRUE(manager.Connect(nullptr, nullptr, 983103));
  EXPECT_FALSE(manager.OpenServiceConnection("Bookferry"));
  EXPECT_EQ(manager.GetStatus(), 0u);
  EXPECT_FALSE(manager.StartService());
}

TEST_F(SystemdOnPrivateBus, TheWindowShowsTheStateSystemdReports) {
  systemd_.SetState("Bookferry.service", "active");
  form_ = std::make_unique<TForm1>(module_, home_.Dir(), prompter_, &CreateSystemServiceControl);
  ASSERT_TRUE(form_->FormShow());
  form_->Timer1Timer();
  EXPECT_EQ(form_->Memo1->toPlainText(), "Service Running.");
  EXPECT_EQ(form_->ServiceStat, 4);
}

TEST(SystemdServiceControl, FailsToConnectWithoutASystemBus) {
  shelvex::testing::TempFolder nowhere;
  const std::string address = "unix:path=" + (nowhere / "no-bus").string();
  ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
  TServiceManager manager(CreateSystemServiceControl());
  EXPECT_FALSE(manager.Connect(nullptr, nullptr, 983103));
  EXPECT_FALSE(manager.OpenServiceConnection("Bookferry"));
  EXPECT_EQ(manager.GetStatus(), 0u);
  ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

}  // namespace
}  // namespace shelvex::manager::testing
