#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/hosting-server/host_fixture.h"

namespace shelvex::testing {
namespace {

class CommandLineTest : public HostFixture {};

TEST_F(CommandLineTest, TakesThePortFromTheEnvironmentWhenNoneIsGiven) {
  Host({"add-account", "--root", Root(), "--user", "lib1"});
  int free_port = 0;
  {
    HostProcess probe({"--root", Root()});
    free_port = probe.port();
  }

  HostProcess host({"--root", Root()}, {"SHELVEX_SERVER_PORT=" + std::to_string(free_port)});

  EXPECT_EQ(host.port(), free_port);
  EXPECT_EQ(Get(host, "/dar2ar.dll/cmd?user=lib1&cmd=start").body, "ok");
}

TEST_F(CommandLineTest, ReportsBadCommandLinesWithoutStarting) {
  Host({"add-account", "--root", Root(), "--user", "lib1"});
  struct Case {
    std::vector<std::string> args;
    int exit_code;
    const char* message;
  } cases[] = {
      {{"--root", Root(), "--port", "70000"},
       2,
       "--port: \"70000\" is not a whole number from 0 to 65535"},
      {{"serve", "--root", Root(), "--verbose"}, 2, "--verbose: unknown option"},
      {{"serve", "--port", "0"}, 2, "--root: required"},
      {{"--root", Root(), "--status-code", "99"}, 2, "--status-code: \"99\" is not an HTTP status"},
      {{"add-account", "--root", Root(), "--user", "lib1"}, 1, "exists already"},
      {{"add-account", "--root", Root(), "--user", "a;b"}, 1, "would split the status reply"},
      {{"add-account", "--root", Root(), "--user", "b", "--message", "x;y"},
       2,
       "--message: a \";\""},
      {{"add-reservation", "--root", Root(), "--user", "nobody", "--line", "R"},
       1,
       "no account \"nobody\""},
      {{"add-reservation", "--root", Root(), "--user", "lib1"}, 2, "--line: give at least one"},
      {{"publish"}, 2, "publish: unknown command"},
  };
  for (const Case& c : cases) {
    ProgramResult result = RunHost(c.args);
    EXPECT_EQ(result.exit_code, c.exit_code) << c.message;
    EXPECT_NE(result.errors.find(c.message), std::string::npos) << result.errors;
    EXPECT_EQ(result.output, "") << c.message;
  }
}

}  // namespace
}  // namespace shelvex::testing
