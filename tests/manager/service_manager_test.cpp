#include "manager/service_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "manager/service_control.h"

namespace shelvex::manager {
namespace {

using ::testing::ElementsAre;

TEST(ServiceState, SystemdActiveStatesReadAsServiceStates) {
  const struct {
    const char* active_state;
    std::uint32_t state;
  } cases[] = {{"active", 4},   {"reloading", 4}, {"activating", 2}, {"deactivating", 3},
               {"inactive", 1}, {"failed", 1},    {"", 0},           {"maintenance", 0},
               {"Active", 0}};
  for (const auto& [active_state, state] : cases) {
    EXPECT_EQ(ServiceStateFromActiveState(active_state), state) << active_state;
  }
  EXPECT_TRUE(UnitIsInstalled("loaded"));
  EXPECT_TRUE(UnitIsInstalled("masked"));
  EXPECT_FALSE(UnitIsInstalled("not-found"));
  EXPECT_FALSE(UnitIsInstalled(""));
  EXPECT_EQ(UnitNameForService("Bookferry"), "Bookferry.service");
  EXPECT_EQ(UnitNameForService("Bookferry.service"), "Bookferry.service");
}

// Records what TServiceManager asks of its back end.
class RecordingControl final : public ServiceControl {
 public:
  RecordingControl(std::vector<std::string>& calls, bool connects, bool opens)
      : calls_(calls), connects_(connects), opens_(opens) {}
  ~RecordingControl() override { calls_.push_back("close"); }
  bool Connect(const char* machine, const char*, std::uint32_t access) override {
    calls_.push_back("connect " + std::string(machine ? machine : "local") + " " +
                     std::to_string(access));
    return connects_;
  }
  bool Open(const std::string& name) override {
    calls_.push_back("open " + name);
    return opens_;
  }
  bool Start(const std::vector<std::string>& arguments) override {
    calls_.push_back("start " + std::to_string(arguments.size()));
    return true;
  }
  bool Control(std::uint32_t code, TServiceStatus& status) override {
    calls_.push_back("control " + std::to_string(code));
    status.dwCurrentState = kServiceStopPending;
    return true;
  }
  bool Query(TServiceStatus& status) override {
    calls_.push_back("query");
    status.dwCurrentState = kServiceRunning;
    return true;
  }

 private:
  std::vector<std::string>& calls_;
  bool connects_;
  bool opens_;
};

TEST(ServiceManager, AsksNothingOfAServiceItCouldNotOpen) {
  std::vector<std::string> calls;
  {
    TServiceManager manager(std::make_unique<RecordingControl>(calls, false, true));
    EXPECT_FALSE(manager.Connect(nullptr, nullptr, 983103));
    EXPECT_FALSE(manager.OpenServiceConnection("Bookferry"));
    EXPECT_EQ(manager.GetStatus(), 0u);
    EXPECT_FALSE(manager.StartService());
    EXPECT_FALSE(manager.StopService());
  }
  EXPECT_THAT(calls, ElementsAre("connect local 983103", "close"));
}

TEST(ServiceManager, PassesEachOperationOnInOrder) {
  std::vector<std::string> calls;
  {
    TServiceManager manager(std::make_unique<RecordingControl>(calls, true, true));
    ASSERT_TRUE(manager.Connect(nullptr, nullptr, 983103));
    ASSERT_TRUE(manager.OpenServiceConnection("Bookferry"));
    EXPECT_EQ(manager.GetStatus(), kServiceRunning);
    EXPECT_TRUE(manager.ServiceRunning());
    EXPECT_FALSE(manager.ServiceStopped());
    EXPECT_TRUE(manager.StartService());
    const char* arguments[] = {"-a", "-b"};
    EXPECT_TRUE(manager.StartService(2, arguments));
    EXPECT_TRUE(manager.StopService());
    TServiceStatus status;
    EXPECT_TRUE(manager.SendMsgToService(kControlInterrogate, status));
    EXPECT_EQ(status.dwCurrentState, kServiceStopPending);
  }
  EXPECT_THAT(calls, ElementsAre("connect local 983103", "open Bookferry", "query", "query",
                                 "query", "start 0", "start 2", "control 1", "control 4", "close"));
}

}  // namespace
}  // namespace shelvex::manager
