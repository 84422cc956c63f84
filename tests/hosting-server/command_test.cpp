#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/hosting-server/host_fixture.h"

namespace shelvex::testing {
namespace {

namespace fs = std::filesystem;

// Reads an archive with Python's zipfile: prints, per entry, its name, whether it is encrypted, and
// its bytes in hex (read with the password given, if any).
constexpr char kListArchive[] = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    for info in z.infolist():
        pwd = sys.argv[2].encode("latin-1") if len(sys.argv) > 2 else None
        print(info.filename, info.flag_bits & 1, z.read(info, pwd=pwd).hex())
)";

class CommandTest : public HostFixture {
 protected:
  std::string Command(const HostProcess& host, const std::string& query) {
    HttpReply reply = Get(host, "/dar2ar.dll/cmd?" + query);
    EXPECT_EQ(reply.status, 200) << query;
    return reply.body;
  }
};

TEST_F(CommandTest, StartAndStopChangeTheOnLineFlagThatStatusReports) {
  // The message is typed as UTF-8 and must reach the manager in its 8-bit code page with CR LF line
  // ends.
  Host({"add-account", "--root", Root(), "--user", "lib1", "--offline", "--message",
        "Caf\xc3\xa9\nOpen"});
  HostProcess host({"--root", Root()});

  EXPECT_EQ(Command(host, "user=lib1&cmd=status"), "lib1~No;1;0;0;Never;Never;Caf\xe9\r\nOpen");
  EXPECT_EQ(Command(host, "user=lib1&cmd=start"), "ok");
  EXPECT_TRUE(Command(host, "user=lib1&cmd=status").starts_with("lib1~Yes;3;"));
  EXPECT_EQ(Command(host, "user=lib1&cmd=stop"), "ok");
  EXPECT_TRUE(Command(host, "user=lib1&cmd=status").starts_with("lib1~No;5;"));
}

TEST_F(CommandTest, StatusCountsTheFilesAndTellsWhenTheyCame) {
  Host({"add-account", "--root", Root(), "--user", "lib 2"});
  HostProcess host({"--root", Root()});
  ASSERT_EQ(
      Post(host, "/dar2ar.dll/?user=lib%202",
           MakeZip({{"library.xml", "a"}, {"loan.xml", "b"}, {"db_upl.ini", "c"}, {"x.lab", "d"}}))
          .body,
      "ok");

  std::string status = Command(host, "user=lib%202&cmd=status");

  // lib 2~Yes;2;2;2;M/D/YYYY H:MM:SS AM;Never; : the message field is empty.
  EXPECT_TRUE(status.starts_with("lib 2~Yes;2;2;2;")) << status;
  EXPECT_TRUE(status.ends_with(";Never;")) << status;
  EXPECT_EQ(status.find("Never;Never"), std::string::npos) << status;
}

TEST_F(CommandTest, RefusesUnknownUsersAndCommandsWithAText) {
  Host({"add-account", "--root", Root(), "--user", "lib1"});
  HostProcess host({"--root", Root()});
  struct Case {
    const char* query;
    const char* reply;
  } cases[] = {
      {"user=nobody&cmd=status", "ERROR: unknown user \"nobody\""},
      {"cmd=start", "ERROR: no user given"},
      {"user=lib1&cmd=launch", "ERROR: unknown command \"launch\""},
      {"user=lib1", "ERROR: no command given"},
      {"user=lib1&cmd=pwd&p0=",
       "ERROR: the password command needs p0 (the current password) and p1 (the new one)"},
  };
  for (const Case& c : cases) EXPECT_EQ(Command(host, c.query), c.reply) << c.query;
}

TEST_F(CommandTest, ChangesThePasswordOnlyWhenTheOldOneMatches) {
  Host({"add-account", "--root", Root(), "--user", "lib1", "--password", "secret"});
  HostProcess host({"--root", Root()});

  EXPECT_EQ(Command(host, "user=lib1&cmd=pwd&p0=Secret&p1=x"),
            "ERROR: the current password does not match");
  EXPECT_EQ(Post(host, "/dar2ar.dll/?user=lib1", MakeZip({{"a.xml", "1"}}, "secret")).body, "ok");

  // The new password arrives percent-encoded, 8-bit bytes included.
  EXPECT_EQ(Command(host, "user=lib1&cmd=pwd&p0=secret&p1=%E9t%E9%20%26"), "ok");
  EXPECT_NE(Post(host, "/dar2ar.dll/?user=lib1", MakeZip({{"a.xml", "2"}}, "secret")).body, "ok");
  EXPECT_EQ(Post(host, "/dar2ar.dll/?user=lib1", MakeZip({{"a.xml", "3"}}, "\xe9t\xe9 &")).body,
            "ok");

  EXPECT_EQ(Command(host, "user=lib1&cmd=pwd&p0=%E9t%E9%20%26&p1="), "ok");
  EXPECT_EQ(Post(host, "/dar2ar.dll/?user=lib1", MakeZip({{"a.xml", "4"}})).body, "ok");
  EXPECT_EQ(ReadAll(FilesOf("lib1") / "a.xml"), "4");
}

TEST_F(CommandTest, HandsOutWaitingReservationsOnceInAnArchiveEncryptedWithThePassword) {
  Host({"add-account", "--root", Root(), "--user", "lib1", "--password", "secret"});
  Host({"add-reservation", "--root", Root(), "--user", "lib1", "--line", "0001|Smith", "--line",
        "0002|Caf\xe9"});
  HostProcess host({"--root", Root()});
  fs::path first = temp_ / "first.zip";
  fs::path second = temp_ / "second.zip";

  WriteAll(first, Command(host, "user=lib1&cmd=reservations"));
  WriteAll(second, Command(host, "user=lib1&cmd=reservations"));

  ProgramResult unzip = RunProgram({"unzip", "-P", "secret", "-p", first.string(), "reserve.txt"});
  EXPECT_EQ(unzip.exit_code, 0) << unzip.errors;
  EXPECT_EQ(unzip.output, "0001|Smith\r\n0002|Caf\xe9\r\n");
  EXPECT_NE(RunProgram({"unzip", "-P", "wrong", "-p", first.string()}).exit_code, 0);
  ProgramResult listed = Python(kListArchive, {first.string(), "secret"});
  EXPECT_TRUE(listed.output.starts_with("reserve.txt 1 ")) << listed.output << listed.errors;
  // Delivered once: the second archive holds an empty reserve.txt, still encrypted.
  EXPECT_EQ(Python(kListArchive, {second.string(), "secret"}).output, "reserve.txt 1 \n");
}

TEST_F(CommandTest, ReservationsOfAnAccountWithoutPasswordAreNotEncrypted) {
  Host({"add-account", "--root", Root(), "--user", "open"});
  Host({"add-reservation", "--root", Root(), "--user", "open", "--line", "A"});
  HostProcess host({"--root", Root()});
  fs::path archive = temp_ / "reserve.zip";

  WriteAll(archive, Command(host, "user=open&cmd=reservations"));

  EXPECT_EQ(Python(kListArchive, {archive.string()}).output, "reserve.txt 0 410d0a\n");
}

}  // namespace
}  // namespace shelvex::testing
