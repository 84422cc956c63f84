#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/data_module.h"
#include "tests/support/data_module_access.h"
#include "tests/support/host_process.h"
#include "tests/support/temp_folder.h"

namespace shelvex::engine {
namespace {

namespace fs = std::filesystem;
using shelvex::testing::ProgramResult;
using shelvex::testing::ReadAll;
using shelvex::testing::RunProgram;
using shelvex::testing::TempFolder;
using shelvex::testing::WriteAll;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAreArray;

// Python's zipfile as an independent reader: one line per entry, "name method encrypted mode
// readonly Y-M-D h:m:s", then the first bytes of the content, read with the password (zipfile
// checks the length and the CRC).
constexpr char kDescribe[] = R"(
import sys, zipfile
pw = sys.argv[2].encode("latin-1") if len(sys.argv) > 2 else None
with zipfile.ZipFile(sys.argv[1]) as z:
    for i in z.infolist():
        content = z.read(i, pwd=pw)
        assert len(content) == i.file_size
        print(i.filename, i.compress_type, i.flag_bits & 1, oct((i.external_attr >> 16) & 0o777),
              i.external_attr & 1, "%d-%d-%d %d:%d:%d" % i.date_time, content.hex()[:16])
)";

// A text that deflate shrinks well, and bytes it cannot shrink.
std::string Compressible() {
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "<ROW TITLE=\"Book " + std::to_string(i % 37) + "\"/>\r\n";
  return text;
}
std::string Incompressible() {
  std::string bytes;
  std::uint32_t state = 12345;
  for (int i = 0; i < 5000; ++i) {
    state = state * 1103515245u + 12345u;
    bytes += static_cast<char>(state >> 23);
  }
  return bytes;
}

class Archive : public ::testing::Test {
 protected:
  Archive() { module_.Init(home_.Dir()); }

  fs::path xml() const { return home_ / "xml"; }
  fs::path archive() const { return xml() / "xml.zip"; }
  void Put(const std::string& name, const std::string& content = "x") {
    fs::create_directories(xml());
    WriteAll(xml() / name, content);
  }
  int Build(bool options_only) {
    TDataModule2TestAccess::ErrorCnt(module_) = 0;
    TDataModule2TestAccess::BuildArchive(module_, options_only);
    return module_.ErrorCount();
  }
  std::vector<std::string> Describe(const fs::path& path, const std::string& password = {}) {
    std::vector<std::string> argv{"python3", "-c", kDescribe, path.string()};
    if (!password.empty()) argv.push_back(password);
    const ProgramResult result = RunProgram(argv);
    EXPECT_EQ(result.exit_code, 0) << result.errors;
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = result.output.find('\n', start)) != std::string::npos;
         start = end + 1) {
      lines.push_back(result.output.substr(start, end - start));
    }
    return lines;
  }
  std::vector<std::string> Names(const fs::path& path, const std::string& password = {}) {
    std::vector<std::string> names;
    for (const std::string& line : Describe(path, password)) {
      names.push_back(line.substr(0, line.find(' ')));
    }
    return names;
  }

  TempFolder home_;
  TDataModule2 module_;
};

TEST_F(Archive, TakesTheFourGroupsInListingOrderAndNothingElse) {
  for (const char* name : {"b.xml", "A.XML", "opts.ini", "z.txt", "cat.txt", "library.lab",
                           "notes.doc", "xml.zip.txt.bak"}) {
    Put(name);
  }
  fs::create_directories(xml() / "sub.txt");
  WriteAll(xml() / "sub.txt" / "inner.txt", "x");
  // A pipe of a matching name must neither stall the archive nor get into it.
  ASSERT_EQ(::mkfifo((xml() / "pipe.txt").c_str(), 0644), 0);

  EXPECT_EQ(Build(false), 0);
  EXPECT_THAT(Names(archive()),
              ElementsAre("A.XML", "b.xml", "opts.ini", "cat.txt", "z.txt", "library.lab"));
  EXPECT_EQ(Build(true), 0);
  EXPECT_THAT(Names(archive()), ElementsAre("opts.ini", "cat.txt", "z.txt", "library.lab"));
}

// Deflate at the normal level, storing what it would not shrink; traditional encryption that the
// usual readers open with the password, and no encryption without one.
TEST_F(Archive, TheUsualReadersOpenItWithThePasswordAndNeedNoneWithoutOne) {
  Put("library.xml", Compressible());
  // Large enough to be deflated in several blocks side by side.
  std::string large;
  for (int i = 0; large.size() < (10u << 20); ++i) {
    large += "<ROW ID=\"" + std::to_string(i) + "\" TITLE=\"" +
             std::to_string(i * 7919LL % 104729) + "\"/>\r\n";
  }
  Put("loan.xml", large);
  Put("empty.txt", "");
  Put("noise.lab", Incompressible());
  Put("one.txt", "1");
  const std::string password = "Lantern 2024!";

  for (const bool encrypted : {true, false}) {
    module_.Pass = encrypted ? password : "";
    ASSERT_EQ(Build(false), 0);
    const std::string flag = encrypted ? " 1 " : " 0 ";
    const std::vector<std::string> entries = Describe(archive(), module_.Pass);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_THAT(entries[0], ::testing::StartsWith("library.xml 8" + flag));
    EXPECT_THAT(entries[1], ::testing::StartsWith("loan.xml 8" + flag));
    EXPECT_THAT(entries[2], ::testing::StartsWith("empty.txt 0" + flag));
    EXPECT_THAT(entries[3], ::testing::StartsWith("one.txt 0" + flag));
    EXPECT_THAT(entries[4], ::testing::StartsWith("noise.lab 0" + flag));

    std::vector<std::string> unzip{"unzip", "-t", "-q"};
    std::vector<std::string> seven{"7z", "t"};
    if (encrypted) {
      unzip.insert(unzip.end(), {"-P", password});
      seven.push_back("-p" + password);
    }
    unzip.push_back(archive().string());
    seven.push_back(archive().string());
    const ProgramResult by_unzip = RunProgram(unzip);
    EXPECT_EQ(by_unzip.exit_code, 0) << by_unzip.output << by_unzip.errors;
    const ProgramResult by_7z = RunProgram(seven);
    EXPECT_EQ(by_7z.exit_code, 0) << by_7z.output << by_7z.errors;
  }
  module_.Pass = password;
  ASSERT_EQ(Build(false), 0);
  EXPECT_NE(RunProgram({"unzip", "-t", "-q", "-P", "wrong", archive().string()}).exit_code, 0);
}

TEST_F(Archive, EntriesKeepTheFilesTimeStampAndPermissions) {
  Put("db_upl.ini", "[Options]\r\n");
  Put("columns.txt", "TITLE\r\n");
  std::tm local{};
  local.tm_year = 2021 - 1900;
  local.tm_mon = 5;
  local.tm_mday = 1;
  local.tm_hour = 10;
  local.tm_min = 20;
  local.tm_sec = 30;
  local.tm_isdst = -1;
  const std::time_t stamp = std::mktime(&local);
  const struct timeval times[2] = {{stamp, 0}, {stamp, 0}};
  ASSERT_EQ(::utimes((xml() / "db_upl.ini").c_str(), times), 0);
  fs::permissions(xml() / "columns.txt", fs::perms::owner_read | fs::perms::group_read);

  ASSERT_EQ(Build(true), 0);

  const std::vector<std::string> entries = Describe(archive());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_THAT(entries[0], ::testing::HasSubstr(" 0 2021-6-1 10:20:30 ")) << entries[0];
  // Read-only on disk: mode 0440 and the DOS read-only bit.
  EXPECT_THAT(entries[1], ::testing::HasSubstr(" 0o440 1 ")) << entries[1];
}

TEST_F(Archive, NothingToPutInIsAFailureAndLeavesNoArchiveBehind) {
  // No xml folder at all.
  EXPECT_EQ(Build(true), 1);
  EXPECT_FALSE(fs::exists(archive()));
  // An empty folder, and one whose only files are left out by the options-only upload; an
  // archive from before must not survive to be uploaded again.
  fs::create_directories(xml());
  EXPECT_EQ(Build(false), 1);
  Put("library.xml");
  ASSERT_EQ(Build(false), 0);
  ASSERT_TRUE(fs::exists(archive()));
  EXPECT_EQ(Build(true), 1);
  EXPECT_FALSE(fs::exists(archive()));
}

// Archives for the extraction tests, written by Python so that names can be hostile.
constexpr char kMakeArchive[] = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    for entry in sys.argv[2:]:
        name, _, size = entry.partition("=")
        if size:
            with z.open(name, "w", force_zip64=True) as out:
                chunk = b"\0" * (1 << 20)
                for _ in range(int(size)):
                    out.write(chunk)
        else:
            z.writestr(name, "content of " + name)
)";

class Extraction : public Archive {
 protected:
  fs::path MakeArchive(const fs::path& path, std::vector<std::string> entries) {
    fs::create_directories(path.parent_path());
    std::vector<std::string> argv{"python3", "-c", kMakeArchive, path.string()};
    argv.insert(argv.end(), entries.begin(), entries.end());
    const ProgramResult result = RunProgram(argv);
    EXPECT_EQ(result.exit_code, 0) << result.errors;
    return path;
  }
  bool Extract(const fs::path& path) {
    return TDataModule2TestAccess::ExtractArchive(module_, path.string());
  }
  // Every file under the home folder, relative to it.
  std::vector<std::string> AllFiles() const {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(home_.path())) {
      if (!entry.is_directory()) files.push_back(fs::relative(entry.path(), home_.path()));
    }
    return files;
  }
};

TEST_F(Extraction, TakesBareNamesAndWritesNothingOutsideTheArchivesFolder) {
  const fs::path path =
      MakeArchive(home_ / "a" / "b" / "xml" / "reserve.zip",
                  {"../../evil.txt", "/abs/path.txt", "..\\..\\win.txt", "C:\\x\\drive.txt",
                   "dir/sub/deep.txt", "dir/", "reserve.txt"});
  ASSERT_TRUE(Extract(path));
  EXPECT_THAT(AllFiles(),
              UnorderedElementsAreArray<std::string>(
                  {"a/b/xml/reserve.zip", "a/b/xml/evil.txt", "a/b/xml/path.txt", "a/b/xml/win.txt",
                   "a/b/xml/drive.txt", "a/b/xml/deep.txt", "a/b/xml/reserve.txt"}));
  EXPECT_EQ(ReadAll(home_ / "a/b/xml/evil.txt"), "content of ../../evil.txt");
}

TEST_F(Extraction, RefusesAnArchiveWithAnEntryThatHasNoFileNameAndWritesNothing) {
  for (const char* bad : {"..", "dir/..", "dir\\.", "."}) {
    const fs::path path = MakeArchive(xml() / "reserve.zip", {"reserve.txt", bad});
    EXPECT_FALSE(Extract(path)) << bad;
    EXPECT_THAT(AllFiles(), ElementsAre("xml/reserve.zip")) << bad;
  }
}

TEST_F(Extraction, RefusesAnArchiveThatWouldExpandBeyondTheLimitBeforeWritingAnything) {
  const fs::path path = MakeArchive(xml() / "reserve.zip", {"reserve.txt", "big.txt=257"});
  EXPECT_FALSE(Extract(path));
  EXPECT_THAT(AllFiles(), ElementsAre("xml/reserve.zip"));
}

// The traditional encryption checks a password with one byte, so about one wrong password in 256
// opens an entry and hands out garbage; the old file must survive every one of them.
TEST_F(Extraction, AWrongPasswordNeverReplacesAFile) {
  const fs::path source = home_ / "source";
  fs::create_directories(source);
  WriteAll(source / "reserve.txt", "new reservation\r\n");
  fs::create_directories(xml());
  const fs::path path = xml() / "reserve.zip";
  // Stored, the way that hands out the most garbage before the CRC fails.
  const ProgramResult zipped = RunProgram(
      {"zip", "-q", "-j", "-0", "-P", "right", path.string(), (source / "reserve.txt").string()});
  ASSERT_EQ(zipped.exit_code, 0) << zipped.errors;
  WriteAll(xml() / "reserve.txt", "old\r\n");

  for (int attempt = 0; attempt < 2000; ++attempt) {
    module_.Pass = "wrong" + std::to_string(attempt);
    ASSERT_FALSE(Extract(path)) << module_.Pass;
  }
  module_.Pass.clear();
  EXPECT_FALSE(Extract(path));
  EXPECT_EQ(ReadAll(xml() / "reserve.txt"), "old\r\n");
  EXPECT_THAT(AllFiles(), UnorderedElementsAreArray<std::string>(
                              {"source/reserve.txt", "xml/reserve.zip", "xml/reserve.txt"}));

  module_.Pass = "right";
  EXPECT_TRUE(Extract(path));
  EXPECT_EQ(ReadAll(xml() / "reserve.txt"), "new reservation\r\n");
}

TEST_F(Extraction, AReplyThatIsNoArchiveExtractsNothing) {
  fs::create_directories(xml());
  for (const std::string reply : {"", "<html>500 Internal Server Error</html>", "PK\x03\x04"}) {
    WriteAll(xml() / "reserve.zip", reply);
    EXPECT_FALSE(Extract(xml() / "reserve.zip"));
  }
  EXPECT_THAT(AllFiles(), ElementsAre("xml/reserve.zip"));
}

}  // namespace
}  // namespace shelvex::engine
