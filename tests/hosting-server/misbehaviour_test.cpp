#include <gtest/gtest.h>

#include <string>

#include "tests/hosting-server/host_fixture.h"

namespace shelvex::testing {
namespace {

class MisbehaviourTest : public HostFixture {
 protected:
  void SetUp() override {
    Host({"add-account", "--root", Root(), "--user", "lib1", "--password", "secret"});
    Host({"add-reservation", "--root", Root(), "--user", "lib1", "--line", "R1"});
  }

  // The account as show-account prints it, less the hit counter, which every request moves.
  std::string AccountState() {
    ProgramResult shown = RunHost({"show-account", "--root", Root(), "--user", "lib1"});
    EXPECT_EQ(shown.exit_code, 0) << shown.errors;
    std::string state;
    for (std::size_t start = 0; start < shown.output.size();) {
      std::size_t end = shown.output.find('\n', start);
      std::string line = shown.output.substr(start, end - start + 1);
      if (!line.starts_with("hits:")) state += line;
      start = end + 1;
    }
    return state;
  }
};

TEST_F(MisbehaviourTest, ReplyAnswersItsTextToEveryChangingRequestAndChangesNothing) {
  std::string before = AccountState();
  HostProcess host({"--root", Root(), "--reply", "ok\r\n"});

  EXPECT_EQ(Post(host, "/dar2ar.dll/?user=lib1", MakeZip({{"library.xml", "x"}}, "secret")).body,
            "ok\r\n");
  for (const char* query : {"cmd=stop", "cmd=start", "cmd=pwd&p0=secret&p1=new"}) {
    EXPECT_EQ(Get(host, std::string("/dar2ar.dll/cmd?user=lib1&") + query).body, "ok\r\n") << query;
  }
  EXPECT_TRUE(Get(host, "/dar2ar.dll/cmd?user=lib1&cmd=status").body.starts_with("lib1~Yes;"));
  EXPECT_EQ(AccountState(), before);
}

TEST_F(MisbehaviourTest, StatusCodeAnswersEveryRequestWithIt) {
  HostProcess host({"--root", Root(), "--status-code", "503"});

  EXPECT_EQ(Get(host, "/dar2ar.dll/cmd?user=lib1&cmd=status").status, 503);
  EXPECT_EQ(Get(host, "/dar2ar.dll/cmd?user=lib1&cmd=reservations").status, 503);
  EXPECT_EQ(Post(host, "/dar2ar.dll/?user=lib1", MakeZip({{"library.xml", "x"}}, "secret")).status,
            503);
  EXPECT_NE(AccountState().find("waiting reservations: 1"), std::string::npos);
}

TEST_F(MisbehaviourTest, NotArchiveAnswersAnHtmlPageAndDeliversNothing) {
  HostProcess host({"--root", Root(), "--not-archive"});

  HttpReply reply = Get(host, "/dar2ar.dll/cmd?user=lib1&cmd=reservations");

  EXPECT_EQ(reply.status, 200);
  EXPECT_TRUE(reply.body.starts_with("<html>")) << reply.body;
  EXPECT_NE(AccountState().find("waiting reservations: 1\n  R1\n"), std::string::npos)
      << AccountState();
}

TEST_F(MisbehaviourTest, HangStallsRepliesButStillStopsCleanly) {
  HostProcess host({"--root", Root(), "--hang", "30"});

  HttpReply reply = Send(host, "/dar2ar.dll/cmd?user=lib1&cmd=status", {"--max-time", "1"});

  EXPECT_EQ(reply.curl_exit, 28);  // timed out
  EXPECT_EQ(reply.status, 0);
  // A stalled reply must not hold the server past SIGTERM (Stop gives -1 when it had to kill it).
  EXPECT_EQ(host.Stop(), 0);
}

}  // namespace
}  // namespace shelvex::testing
