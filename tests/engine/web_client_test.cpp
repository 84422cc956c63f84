#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "engine/data_module.h"
#include "platform/code_page.h"
#include "platform/date_time.h"
#include "platform/error.h"
#include "platform/media_type.h"
#include "tests/support/data_module_access.h"
#include "tests/support/host_process.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tiny_proxy.h"

namespace shelvex::engine {
namespace {

namespace fs = std::filesystem;
using shelvex::testing::HeaderValue;
using shelvex::testing::HostProcess;
using shelvex::testing::RawHttpServer;
using shelvex::testing::ReadAll;
using shelvex::testing::RequestBody;
using shelvex::testing::RequestLine;
using shelvex::testing::TempFolder;
using shelvex::testing::TinyProxy;
using shelvex::testing::WriteAll;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

// Sets an environment variable for the length of a test.
class ScopedEnvironment final {
 public:
  ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnvironment() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class WebClient : public ::testing::Test {
 protected:
  WebClient() {
    module_.Init(home_.Dir());
    module_.IPAdd = "127.0.0.1";
    module_.User = "lib1";
  }

  // Points the engine at `port` for the rest of the test.
  void UsePort(int port) { port_.emplace("SHELVEX_SERVER_PORT", std::to_string(port)); }

  fs::path WriteArchive(const std::string& bytes) {
    fs::create_directories(home_ / "xml");
    WriteAll(home_ / "xml" / "xml.zip", bytes);
    return home_ / "xml" / "xml.zip";
  }

  // PostArchive as the conversion run calls it: the error count reset before.
  int Post(bool options_only, std::string& reply) {
    TDataModule2TestAccess::ErrorCnt(module_) = 0;
    TDataModule2TestAccess::PostArchive(module_, options_only, reply);
    return module_.ErrorCount();
  }

  void UseProxy(int port, const std::string& user, const std::string& password) {
    module_.UseProxy = true;
    module_.ProxyAddr = "127.0.0.1";
    module_.ProxyPort = std::to_string(port);
    module_.ProxyUserName = user;
    module_.ProxyPwd = password;
  }

  TempFolder home_;
  TDataModule2 module_;
  std::optional<ScopedEnvironment> port_;
};

struct SplitCase {
  const char* text;
  const char* user;
  std::vector<std::string> fields;
};

TEST(SplitStatusReply, GivesTheUserPartAndAppendsTheFields) {
  const SplitCase cases[] = {
      {"lib1~Yes;12;;x;", "lib1", {"Yes", "12", "", "x"}},
      {"Yes", "", {"Yes"}},
      {"", "", {}},
      {"~", "", {}},
      {"a~b~c;;", "a", {"b~c", ""}},
      {"lib1~;", "lib1", {""}},
  };
  for (const SplitCase& c : cases) {
    std::vector<std::string> list{"kept"};
    std::string user = "stale";
    TDataModule2::SplitStatusReply(c.text, list, user);
    std::vector<std::string> expected{"kept"};
    expected.insert(expected.end(), c.fields.begin(), c.fields.end());
    EXPECT_EQ(user, c.user) << c.text;
    EXPECT_THAT(list, ElementsAreArray(expected)) << c.text;
  }
}

TEST_F(WebClient, EachCommandSendsItsAddressDirectlyWithTheValuesEncoded) {
  RawHttpServer server("ok");
  UsePort(server.port());
  // A proxy named by the environment must not reroute the requests that go directly.
  ScopedEnvironment dead_proxy("http_proxy", "http://127.0.0.1:9");
  module_.User = "my lib&#1%\xc3\xa9";  // UTF-8 é, which the ANSI code page holds as E9
  const std::string user = "user=my%20lib%26%231%25%E9";

  module_.StartStop(true);
  module_.StartStop(false);
  module_.ServerStatus();
  module_.UploadPwd("old pw", "n\xe9w#&");
  module_.UploadPwd("", "");

  std::vector<std::string> lines;
  for (const std::string& request : server.Requests()) {
    lines.push_back(RequestLine(request));
    EXPECT_EQ(HeaderValue(request, "Host"), "127.0.0.1:" + std::to_string(server.port()));
    EXPECT_EQ(HeaderValue(request, "Via"), "");
  }
  const std::string start = "GET /dar2ar.dll/cmd?" + user;
  EXPECT_THAT(lines, ElementsAre(start + "&cmd=start HTTP/1.1", start + "&cmd=stop HTTP/1.1",
                                 start + "&cmd=status HTTP/1.1",
                                 start + "&cmd=pwd&p0=old%20pw&p1=n%E9w%23%26 HTTP/1.1",
                                 start + "&cmd=pwd&p0=&p1= HTTP/1.1"));
}

// An ordinary name goes out unchanged; one with a blank, "&", "#" or "%" is encoded and still
// names the same account once the server has decoded the query.
TEST_F(WebClient, UserNamesReachTheServerAsTheSameAccount) {
  TempFolder root;
  for (const std::string name : {"Oak-hill.lib_2", "my lib&#1%"}) {
    ASSERT_EQ(
        testing::RunHost({"add-account", "--root", root.path().string(), "--user", name}).exit_code,
        0);
  }
  HostProcess host({"--root", root.path().string()});
  UsePort(host.port());
  for (const std::string name : {"Oak-hill.lib_2", "my lib&#1%"}) {
    module_.User = name;
    const std::string reply = module_.ServerStatus();
    std::vector<std::string> fields;
    std::string user;
    TDataModule2::SplitStatusReply(reply, fields, user);
    EXPECT_EQ(module_.ErrorCount(), 0);
    EXPECT_EQ(user, name) << reply;
    ASSERT_FALSE(fields.empty());
    EXPECT_EQ(fields[0], "Yes");
  }
}

struct ReplyCase {
  const char* body;
  bool success;
};

TEST_F(WebClient, OnlyAReplyOfExactlyOkIsSuccessAndAnyOtherAnswerIsHandedBack) {
  const ReplyCase cases[] = {{"ok", true},   {"OK", false}, {"ok\r\n", false},
                             {" ok", false}, {"", false},   {"ERROR: \xe9t\xe9", false}};
  WriteArchive("PK-data");
  for (const ReplyCase& c : cases) {
    RawHttpServer server(c.body);
    UsePort(server.port());
    // The reply is 8-bit text; the status text is UTF-8.
    const std::string answer = c.success ? "" : platform::AnsiToUtf8(c.body);

    EXPECT_EQ(module_.StartStop(true), answer) << c.body;
    EXPECT_EQ(module_.ErrorCount(), c.success ? 0 : 1) << c.body;
    EXPECT_EQ(module_.UploadPwd("a", "b"), c.success) << c.body;
    EXPECT_EQ(module_.ErrorCount(), 0) << c.body;
    std::string reply = "stale";
    EXPECT_EQ(Post(false, reply), c.success ? 0 : 1) << c.body;
    EXPECT_EQ(reply, answer) << c.body;
    // Any reply is a status reply.
    EXPECT_EQ(module_.ServerStatus(), platform::AnsiToUtf8(c.body));
    EXPECT_EQ(module_.ErrorCount(), 0) << c.body;
  }
}

TEST_F(WebClient, NoAnswerAtAllFailsEveryRequestWithoutAReplyText) {
  TempFolder root;
  HostProcess failing({"--root", root.path().string(), "--status-code", "500"});
  WriteArchive("PK-data");
  for (const int port : {failing.port(), testing::UnusedLoopbackPort()}) {
    UsePort(port);
    EXPECT_EQ(module_.StartStop(false), "");
    EXPECT_EQ(module_.ErrorCount(), 1);
    EXPECT_EQ(module_.ServerStatus(), "");
    EXPECT_EQ(module_.ErrorCount(), 1);
    EXPECT_FALSE(module_.UploadPwd("", "new"));
    std::string reply = "stale";
    EXPECT_EQ(Post(true, reply), 1);
    EXPECT_EQ(reply, "");
  }
}

TEST_F(WebClient, AServerThatNeverAnswersIsGivenUpAfterTheLowSpeedTime) {
  TempFolder root;
  HostProcess hanging({"--root", root.path().string(), "--hang", "60"});
  UsePort(hanging.port());
  ScopedEnvironment low_speed("SHELVEX_LOW_SPEED_TIME", "1");
  WriteArchive(std::string(100000, 'x'));

  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(module_.ServerStatus(), "");
  EXPECT_EQ(module_.ErrorCount(), 1);
  std::string reply;
  EXPECT_EQ(Post(false, reply), 1);
  // Without the low-speed limit both would wait the server's full minute.
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
}

TEST_F(WebClient, AReplyLargerThanTheCapIsAFailure) {
  RawHttpServer server(std::string((64u << 20) + 1, 'y'));
  UsePort(server.port());
  EXPECT_EQ(module_.ServerStatus(), "");
  EXPECT_EQ(module_.ErrorCount(), 1);
}

// The boundary and the layout of the body, byte for byte; a large archive travels unchanged.
TEST_F(WebClient, TheUploadBodyIsTheOneFilePartLaidOutExactly) {
  RawHttpServer server("ok");
  UsePort(server.port());
  module_.SetClock(
      [] { return platform::EncodeDate(2024, 3, 14) + platform::EncodeTime(14, 5, 9, 123); });
  std::string archive = "PK\x03\x04 first\r\n--------031424140509123--\r\n";
  for (int i = 0; archive.size() < (3u << 20); ++i) archive += static_cast<char>((i * 7919LL) >> 3);
  const fs::path path = WriteArchive(archive);

  for (const bool options_only : {false, true}) {
    std::string reply = "stale";
    EXPECT_EQ(Post(options_only, reply), 0);
    EXPECT_EQ(reply, "");
  }

  const std::string boundary = "--------031424140509123";
  const std::string body =
      "--" + boundary + "\r\n" + "Content-Disposition: form-data; name=\"myfile\"; filename=\"" +
      path.string() + "\"\r\nContent-Type: " + platform::MediaTypeForExtension(".zip") +
      "\r\n\r\n" + archive + "\r\n--" + boundary + "--\r\n";
  const std::vector<std::string> requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(RequestLine(requests[0]), "POST /dar2ar.dll/?user=lib1 HTTP/1.1");
  EXPECT_EQ(RequestLine(requests[1]), "POST /dar2ar.dll/?user=lib1&opt=Y HTTP/1.1");
  for (const std::string& request : requests) {
    EXPECT_EQ(HeaderValue(request, "Content-Type"), "multipart/form-data; boundary=" + boundary);
    EXPECT_EQ(HeaderValue(request, "Content-Length"), std::to_string(body.size()));
    EXPECT_EQ(HeaderValue(request, "Expect"), "");
    EXPECT_EQ(HeaderValue(request, "Transfer-Encoding"), "");
    EXPECT_TRUE(RequestBody(request) == body) << "the body differs";
  }
}

// Windows paths never hold a double quote; a Linux folder name may, and must not end the quoted
// file name early.
TEST_F(WebClient, AQuoteInTheArchivesPathIsEscapedInThePartHeader) {
  RawHttpServer server("ok");
  UsePort(server.port());
  const fs::path home = home_ / "Lantern \"Main\"";
  fs::create_directories(home / "xml");
  WriteAll(home / "xml" / "xml.zip", "PK");
  module_.HomeDir = home.string() + "/";
  std::string reply;
  EXPECT_EQ(Post(false, reply), 0);
  EXPECT_THAT(RequestBody(server.FirstRequest()),
              HasSubstr("; filename=\"" + home_.Dir() + "Lantern %22Main%22/xml/xml.zip\"\r\n"));
}

TEST_F(WebClient, AMissingArchiveIsAnErrorOfTheCallerAndCountsNothing) {
  RawHttpServer server("ok");
  UsePort(server.port());
  std::string reply;
  TDataModule2TestAccess::ErrorCnt(module_) = 0;
  EXPECT_THROW(TDataModule2TestAccess::PostArchive(module_, false, reply), IoError);
  EXPECT_EQ(module_.ErrorCount(), 0);
  EXPECT_THAT(server.Requests(), IsEmpty());
}

// A real proxy with Basic authentication: the status, upload and reservation requests pass
// through it (tinyproxy's Via header shows it), start, stop and password requests go directly.
TEST_F(WebClient, TheProxyCarriesStatusUploadAndReservationsButNotTheOtherCommands) {
  TinyProxy proxy("librarian", "s3cret.pw_2");
  RawHttpServer server("ok");
  UsePort(server.port());
  UseProxy(proxy.port(), "librarian", "s3cret.pw_2");
  // no_proxy would otherwise make libcurl bypass the proxy for loopback.
  ScopedEnvironment no_proxy("no_proxy", "127.0.0.1,localhost");
  const std::string archive(2u << 20, 'z');
  WriteArchive(archive);

  module_.ServerStatus();
  EXPECT_EQ(module_.ErrorCount(), 0);
  std::string reply;
  EXPECT_EQ(Post(false, reply), 0);
  module_.DownloadReservations();
  module_.StartStop(true);
  module_.UploadPwd("a", "b");

  const std::vector<std::string> requests = server.Requests();
  ASSERT_EQ(requests.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    const bool proxied = i < 3;
    EXPECT_EQ(HeaderValue(requests[i], "Via").find("tinyproxy") != std::string::npos, proxied)
        << RequestLine(requests[i]);
    // The proxy's credentials are the proxy's: they never reach the server.
    EXPECT_EQ(HeaderValue(requests[i], "Proxy-Authorization"), "");
  }
  // The streamed body was sent again after the proxy asked for credentials, and arrived whole.
  EXPECT_THAT(RequestBody(requests[1]), HasSubstr(archive));
  EXPECT_THAT(RequestLine(requests[2]), HasSubstr("&cmd=reservations"));
}

TEST_F(WebClient, AProxyThatRefusesTheCredentialsFailsTheRequest) {
  TinyProxy proxy("librarian", "right");
  RawHttpServer server("lib1~Yes");
  UsePort(server.port());
  UseProxy(proxy.port(), "librarian", "wrong");
  EXPECT_EQ(module_.ServerStatus(), "");
  EXPECT_EQ(module_.ErrorCount(), 1);
  UseProxy(proxy.port(), "librarian", "right");
  EXPECT_EQ(module_.ServerStatus(), "lib1~Yes");
  EXPECT_EQ(server.Requests().size(), 1u);
}

// A port that is no number leaves libcurl's default, 1080: a stand-in proxy there sees the
// request, asks for credentials and gets the ones of the options.
TEST_F(WebClient, AProxyPortThatIsNoNumberKeepsTheDefaultPort) {
  std::optional<RawHttpServer> default_port;
  try {
    default_port.emplace(
        RawHttpServer::RawResponse{"HTTP/1.1 407 Proxy Authentication Required\r\n"
                                   "Proxy-Authenticate: Basic realm=\"proxy\"\r\n"
                                   "Content-Length: 0\r\nConnection: close\r\n\r\n"},
        1080);
  } catch (const std::runtime_error& error) {
    GTEST_SKIP() << "port 1080 is taken, so the default port cannot be watched: " << error.what();
  }
  RawHttpServer server("lib1~Yes");
  UsePort(server.port());
  UseProxy(0, "librarian", "pw");
  module_.ProxyPort = "80a";

  EXPECT_EQ(module_.ServerStatus(), "");
  EXPECT_EQ(module_.ErrorCount(), 1);

  EXPECT_THAT(server.Requests(), IsEmpty());
  const std::vector<std::string> requests = default_port->Requests();
  ASSERT_EQ(requests.size(), 2u);
  const std::string target =
      "http://127.0.0.1:" + std::to_string(server.port()) + "/dar2ar.dll/cmd?user=lib1&cmd=status";
  EXPECT_EQ(RequestLine(requests[0]), "GET " + target + " HTTP/1.1");
  EXPECT_EQ(HeaderValue(requests[0], "Proxy-Authorization"), "");
  // "librarian:pw" in Base64.
  EXPECT_EQ(HeaderValue(requests[1], "Proxy-Authorization"), "Basic bGlicmFyaWFuOnB3");
}

}  // namespace
}  // namespace shelvex::engine
