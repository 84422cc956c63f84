#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/data_module.h"
#include "manager/internal/progress_hookup.h"

namespace shelvex::manager {
namespace {

struct Report {
  std::string table;
  std::uint32_t done;
  std::uint32_t total;
};

TEST(ThrottledProgress, PassesOnEveryTenthOfAPercentAndEveryEnd) {
  std::vector<Report> passed;
  ThrottledProgress throttled(
      [&](const std::string& table, std::uint32_t done, std::uint32_t total) {
        passed.push_back({table, done, total});
      });
  for (std::uint32_t done = 0; done <= 100000; ++done) throttled("book.dbf", done, 100000);
  for (std::uint32_t done = 0; done <= 3; ++done) throttled("bookz.dbf", done, 3);
  throttled("empty.dbf", 0, 0);

  ASSERT_EQ(passed.size(), 1001u + 4u + 1u);
  EXPECT_EQ(passed[1].done, 100u);
  EXPECT_EQ(passed[1000].done, 100000u) << "the end of a table always passes";
  EXPECT_EQ(passed[1001].table, "bookz.dbf") << "a new table always passes";
  EXPECT_EQ(passed[1004].done, 3u);
  EXPECT_EQ(passed.back().table, "empty.dbf");
}

TEST(InstallProgressReceiver, WiresTheEnginesCallbackThroughTheThrottle) {
  int calls = 0;
  engine::TDataModule2 module;
  InstallProgressReceiver(module,
                          [&](const std::string&, std::uint32_t, std::uint32_t) { ++calls; });
  ASSERT_TRUE(module.UpdateProgressProc);
  module.UpdateProgressProc("book.dbf", 1, 2);
  module.UpdateProgressProc("book.dbf", 1, 2);
  EXPECT_EQ(calls, 1) << "through the throttle";
}

}  // namespace
}  // namespace shelvex::manager
