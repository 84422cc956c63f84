#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/hosting-server/host_fixture.h"

namespace shelvex::testing {
namespace {

namespace fs = std::filesystem;

constexpr char kMakeArchive[] = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    for name in sys.argv[2:]:
        z.writestr(name, "x")
)";

class UploadTest : public HostFixture {
 protected:
  void SetUp() override {
    Host({"add-account", "--root", Root(), "--user", "lib1", "--password", "secret"});
    Host({"add-account", "--root", Root(), "--user", "open"});
  }

  fs::path PythonArchive(std::vector<std::string> names) {
    fs::path archive = Scratch();
    names.insert(names.begin(), archive.string());
    ProgramResult result = Python(kMakeArchive, names);
    EXPECT_EQ(result.exit_code, 0) << result.errors;
    return archive;
  }
};

// The body exactly as the manager writes it: its own boundary, the archive's full Windows path as
// the file name.
TEST_F(UploadTest, StoresTheFilesOfTheManagersUploadAndKeepsTheBytesThatArrived) {
  fs::path kept = temp_ / "kept";
  fs::path log = temp_ / "requests.log";
  HostProcess host({"--root", Root(), "--keep-requests", kept.string(), "--log", log.string()});
  FileList files{{"library.xml", "<DATAPACKET Version=\"2.0\"/>"},
                 {"db_upl.ini", "[Options]\r\nuser=lib1\r\n"},
                 {"columns.txt", std::string("Title\r\nCaf\xe9\r\n")}};
  std::string archive = ReadAll(MakeZip(files, "secret"));
  std::string boundary = "--------031424140509123";
  fs::path body = temp_ / "body";
  WriteAll(body, "--" + boundary + "\r\n" +
                     "Content-Disposition: form-data; name=\"myfile\"; "
                     "filename=\"C:\\Program Files\\Lantern Manager\\xml\\xml.zip\"\r\n"
                     "Content-Type: application/x-zip-compressed\r\n\r\n" +
                     archive + "\r\n--" + boundary + "--\r\n");

  HttpReply reply = Send(host, "/dar2ar.dll/?user=lib1",
                         {"-H", "Content-Type: multipart/form-data; boundary=" + boundary, "-H",
                          "Expect:", "--data-binary", "@" + body.string()});

  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.body, "ok");
  for (const auto& [name, content] : files)
    EXPECT_EQ(ReadAll(FilesOf("lib1") / name), content) << name;
  EXPECT_EQ(ReadAll(kept / "0001-lib1.zip"), archive);
  EXPECT_EQ(host.Stop(), 0);
  std::string logged = ReadAll(log);
  EXPECT_NE(logged.find("POST /dar2ar.dll/?user=lib1 -> 200 \"ok\""), std::string::npos) << logged;
  EXPECT_NE(logged.find("Lantern Manager\\\\xml\\\\xml.zip"), std::string::npos) << logged;
}

TEST_F(UploadTest, RefusesAnOptValueItDoesNotKnowRatherThanReplaceTheData) {
  HostProcess host({"--root", Root()});
  ASSERT_EQ(Post(host, "/dar2ar.dll/?user=open", MakeZip({{"library.xml", "data"}})).body, "ok");

  HttpReply reply =
      Post(host, "/dar2ar.dll/?user=open&opt=yes", MakeZip({{"db_upl.ini", "options"}}));

  EXPECT_EQ(reply.body, "ERROR: opt=yes is not understood (opt=Y: options only)");
  EXPECT_EQ(ReadAll(FilesOf("open") / "library.xml"), "data");
}

TEST_F(UploadTest, AFullUploadReplacesThePreviousFilesAndDropsFoldersFromEntryNames) {
  HostProcess host({"--root", Root()});
  ASSERT_EQ(
      Post(host, "/dar2ar.dll/?user=open", MakeZip({{"library.xml", "old"}, {"loan.xml", "old"}}))
          .body,
      "ok");

  HttpReply reply =
      Post(host, "/dar2ar.dll/?user=open", PythonArchive({"xml/library.xml", "deep/er/cat.txt"}));

  EXPECT_EQ(reply.body, "ok");
  EXPECT_EQ(ReadAll(FilesOf("open") / "library.xml"), "x");
  EXPECT_EQ(ReadAll(FilesOf("open") / "cat.txt"), "x");
  EXPECT_FALSE(fs::exists(FilesOf("open") / "loan.xml"));
}

TEST_F(UploadTest, AnOptionsOnlyUploadReplacesSettingsFilesAndKeepsTheDataFiles) {
  HostProcess host({"--root", Root()});
  ASSERT_EQ(
      Post(host, "/dar2ar.dll/?user=lib1",
           MakeZip({{"library.xml", "data 1"}, {"db_upl.ini", "options 1"}, {"BOOKS.LAB", "Title"}},
                   "secret"))
          .body,
      "ok");

  HttpReply reply = Post(
      host, "/dar2ar.dll/?user=lib1&opt=Y",
      MakeZip({{"library.xml", "data 2"}, {"db_upl.ini", "options 2"}, {"keyflds.txt", "Author"}},
              "secret"));

  EXPECT_EQ(reply.body, "ok");
  EXPECT_EQ(ReadAll(FilesOf("lib1") / "library.xml"), "data 1");
  EXPECT_EQ(ReadAll(FilesOf("lib1") / "db_upl.ini"), "options 2");
  EXPECT_EQ(ReadAll(FilesOf("lib1") / "keyflds.txt"), "Author");
  EXPECT_EQ(ReadAll(FilesOf("lib1") / "BOOKS.LAB"), "Title");
}

// Each refused upload must answer a text (never "ok") and leave the account's earlier upload as it
// was.
struct RefusalCase {
  const char* name;
  const char* user;
  const char* expected;  // part of the reply text
};

void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }

class UploadRefusalTest : public UploadTest, public ::testing::WithParamInterface<RefusalCase> {
 protected:
  fs::path ArchiveFor(const std::string& name) {
    if (name == "WrongPassword") return MakeZip({{"library.xml", "intruder"}}, "guess");
    if (name == "NotEncrypted") return MakeZip({{"library.xml", "intruder"}});
    if (name == "EncryptedForOpenAccount") return MakeZip({{"library.xml", "intruder"}}, "secret");
    if (name == "UnknownUser") return MakeZip({{"library.xml", "intruder"}}, "secret");
    if (name == "ClimbingName") return PythonArchive({"fine.xml", "../evil.txt"});
    if (name == "AbsoluteName") return PythonArchive({"/tmp/evil.txt"});
    if (name == "NoEntries") return PythonArchive({});
    fs::path archive =
        MakeZip({{"library.xml", std::string(4000, 'A')}}, name == "Truncated" ? "secret" : "");
    std::string bytes = ReadAll(archive);
    if (name == "Truncated") {
      bytes.resize(bytes.size() / 2);
    } else {
      // Stored, not deflated, so the flipped byte reaches the CRC check.
      ProgramResult stored = RunProgram({"zip", "-q", "-0", "-j", archive.string() + ".0.zip",
                                         (archive.parent_path() / "library.xml").string()});
      EXPECT_EQ(stored.exit_code, 0) << stored.errors;
      bytes = ReadAll(archive.string() + ".0.zip");
      bytes[bytes.find(std::string(100, 'A')) + 50] = 'B';
    }
    WriteAll(archive, bytes);
    return archive;
  }
};

TEST_P(UploadRefusalTest, AnswersWhyAndKeepsThePreviousUpload) {
  const RefusalCase& c = GetParam();
  HostProcess host({"--root", Root()});
  ASSERT_EQ(Post(host, "/dar2ar.dll/?user=lib1", MakeZip({{"library.xml", "good"}}, "secret")).body,
            "ok");
  ASSERT_EQ(Post(host, "/dar2ar.dll/?user=open", MakeZip({{"library.xml", "good"}})).body, "ok");

  HttpReply reply = Post(host, std::string("/dar2ar.dll/?user=") + c.user, ArchiveFor(c.name));

  EXPECT_EQ(reply.status, 200);
  EXPECT_TRUE(reply.body.starts_with("ERROR: ")) << reply.body;
  EXPECT_NE(reply.body.find(c.expected), std::string::npos) << reply.body;
  for (const char* user : {"lib1", "open"}) {
    EXPECT_EQ(ReadAll(FilesOf(user) / "library.xml"), "good") << user;
    EXPECT_EQ(std::distance(fs::directory_iterator(FilesOf(user)), fs::directory_iterator()), 1)
        << user;
  }
  EXPECT_FALSE(fs::exists(root() / "accounts" / "evil.txt"));
  EXPECT_FALSE(fs::exists(root() / "evil.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UploadRefusalTest,
    ::testing::Values(RefusalCase{"WrongPassword", "lib1",
                                  "could not be opened with the data password"},
                      RefusalCase{"NotEncrypted", "lib1",
                                  "is not encrypted, but the account has a data password"},
                      RefusalCase{"EncryptedForOpenAccount", "open",
                                  "encrypted, but the account has no data password"},
                      RefusalCase{"UnknownUser", "nobody", "unknown user \"nobody\""},
                      RefusalCase{"Truncated", "lib1", "not a ZIP archive, or it is damaged"},
                      RefusalCase{"CorruptedData", "open", "damaged: entry \"library.xml\""},
                      RefusalCase{"ClimbingName", "open",
                                  "\"../evil.txt\" has a name that is not a plain file name"},
                      RefusalCase{"AbsoluteName", "open", "not a plain file name"},
                      RefusalCase{"NoEntries", "open", "holds no files"}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

TEST_F(UploadTest, RefusesArchivesWhoseFilesExceedTheSizeLimit) {
  HostProcess host({"--root", Root(), "--max-upload-mb", "1"});
  // A megabyte and a half of zeros deflates to a few kilobytes: the limit must apply to what it
  // unpacks to.
  fs::path archive = MakeZip({{"library.xml", std::string(1536 * 1024, '\0')}}, "secret");
  ASSERT_LT(fs::file_size(archive), 64 * 1024u);

  HttpReply reply = Post(host, "/dar2ar.dll/?user=lib1", archive);

  EXPECT_NE(reply.body.find("larger than this server takes"), std::string::npos) << reply.body;
  EXPECT_FALSE(fs::exists(FilesOf("lib1") / "library.xml"));
}

}  // namespace
}  // namespace shelvex::testing
