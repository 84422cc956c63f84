#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/packaging/installed_files.h"
#include "tests/support/host_process.h"
#include "tests/support/temp_folder.h"

namespace shelvex::packaging {
namespace {

namespace fs = std::filesystem;
using shelvex::testing::ProgramResult;
using shelvex::testing::ReadAll;
using shelvex::testing::RunProgram;
using shelvex::testing::TempFolder;
using shelvex::testing::WriteAll;

ProgramResult Install(const fs::path& prefix) {
  return RunProgram(
      {SHELVEX_CMAKE_COMMAND, "--install", SHELVEX_BINARY_DIR, "--prefix", prefix.string()});
}

// 4 July 2011, noon: far from anything an install would write.
constexpr time_t kOldTime = 1309780800;

void SetOldTime(const fs::path& path) {
  const timeval times[2] = {{kOldTime, 0}, {kOldTime, 0}};
  ASSERT_EQ(::lutimes(path.c_str(), times), 0) << path;
}

void WriteUserFile(const fs::path& path, const std::string& bytes, fs::perms mode) {
  fs::create_directories(path.parent_path());
  WriteAll(path, bytes);
  fs::permissions(path, mode);
  SetOldTime(path);
}

// Everything about one entry of a folder tree that a user would miss if an install changed it.
struct Entry {
  mode_t mode = 0;  // type and permission bits, setgid included
  off_t size = 0;
  timespec mtime{};
  std::string bytes;  // of a regular file; the target of a symbolic link

  bool operator==(const Entry& other) const {
    return mode == other.mode && size == other.size && mtime.tv_sec == other.mtime.tv_sec &&
           mtime.tv_nsec == other.mtime.tv_nsec && bytes == other.bytes;
  }
};

std::ostream& operator<<(std::ostream& out, const Entry& entry) {
  return out << "mode " << std::oct << entry.mode << std::dec << ", " << entry.size
             << " bytes, mtime " << entry.mtime.tv_sec << "." << entry.mtime.tv_nsec;
}

using Snapshot = std::map<std::string, Entry>;

// The folder itself (as ".") and everything below it, symbolic links not followed.
Snapshot TakeSnapshot(const fs::path& folder) {
  Snapshot snapshot;
  auto add = [&](const fs::path& path, const std::string& name) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) throw std::runtime_error("lstat " + path.string());
    Entry entry{status.st_mode, status.st_size, status.st_mtim, {}};
    if (S_ISREG(status.st_mode)) entry.bytes = ReadAll(path);
    if (S_ISLNK(status.st_mode)) entry.bytes = fs::read_symlink(path).string();
    // A folder's size and time follow its entries, which are compared one by one.
    if (S_ISDIR(status.st_mode)) entry = Entry{status.st_mode, 0, {}, {}};
    snapshot[name] = entry;
  };
  add(folder, ".");
  for (const auto& item : fs::recursive_directory_iterator(folder)) {
    add(item.path(), fs::relative(item.path(), folder).string());
  }
  return snapshot;
}

void ExpectSameTree(const Snapshot& before, const Snapshot& after, const std::string& what) {
  for (const auto& [name, entry] : before) {
    const auto found = after.find(name);
    if (found == after.end()) {
      ADD_FAILURE() << what << ": " << name << " is gone";
    } else {
      EXPECT_EQ(found->second, entry) << what << ": " << name << " changed";
    }
  }
  for (const auto& [name, entry] : after) {
    EXPECT_TRUE(before.count(name)) << what << ": " << name << " is new";
  }
}

struct UserFile {
  const char* path;
  const char* bytes;
  fs::perms mode;
};

constexpr fs::perms kShared = static_cast<fs::perms>(0664);
constexpr fs::perms kPrivate = static_cast<fs::perms>(0600);

// The librarian's files in the program folder: options, field lists, password files, yearly
// logs and the working folder of the last run.
const UserFile kProgramFolderFiles[] = {
    {"db_upl.ini", "[Options]\r\nipadd=www.example.org\r\nuser=lib1\r\nlast_date=7/4/2011\r\n",
     kShared},
    {"columns.txt", "TITLE\r\nAUTHOR\r\n", kShared},
    {"details.txt", "TITLE\r\nAUTHOR\r\nPUBLISHER\r\n", kShared},
    {"det_pg.txt", "PUBLISHER\r\n", kShared},
    {"keyflds.txt", "TITLE\r\nSUBJECT\r\n", kShared},
    {"shelvexexe.p", "\x8f\x21\x93scrambled\r\n", kPrivate},
    {"lantern.p", "\x8f\x22\x94scrambled\r\n", kPrivate},
    {"2024.txt", "Start Upload: 12/2/2024 3:04:05 AM\r\n", kShared},
    {"2025.txt", "Start Upload: 1/6/2025 3:04:05 AM\r\nFinished Upload\r\n", kShared},
    {"xml/xml.zip", "PK\x03\x04 last run", kShared},
    {"xml/library.xml", "<?xml version=\"1.0\"?><DATAPACKET/>", kShared},
};

// The tables in the data folder and the reservations brought back for the cataloguing program.
const UserFile kDataFolderFiles[] = {
    {"BOOK.DBF", "\x03\x7b\x07\x04 table", kShared},     {"BOOK.DBT", "memo blocks", kShared},
    {"book.lab", "TITLE\r\nAUTHOR\r\n", kShared},        {"book.def", "layout pages", kShared},
    {"new_res.txt", "12345|lib1|6/1/2025\r\n", kShared},
};

struct DataLayout {
  const char* name;
  bool linked;  // data is a symbolic link to a folder elsewhere
};

// Keeps the parameter's bytes out of the test names that CTest shows.
void PrintTo(const DataLayout& layout, std::ostream* out) { *out << layout.name; }

class InstallUpgrade : public ::testing::TestWithParam<DataLayout> {};

// A library that has used the programs for a while: every kind of user file in place, the folders
// given to a group as the package does, the tables maybe elsewhere. Installing over it again must
// leave all of that exactly as it was, and still replace a program file that is out of date.
TEST_P(InstallUpgrade, KeepsEveryUserFileAndReplacesStalePrograms) {
  TempFolder temp;
  const fs::path prefix = temp / "lantern-manager";
  const ProgramResult first = Install(prefix);
  ASSERT_EQ(first.exit_code, 0) << first.output << first.errors;

  const fs::path tables = GetParam().linked ? temp / "tables" : prefix / "data";
  if (GetParam().linked) {
    fs::remove(prefix / "data");
    fs::create_directory(tables);
    fs::create_directory_symlink(tables, prefix / "data");
  }
  for (const UserFile& file : kProgramFolderFiles) {
    WriteUserFile(prefix / file.path, file.bytes, file.mode);
  }
  for (const UserFile& file : kDataFolderFiles) {
    WriteUserFile(tables / file.path, file.bytes, file.mode);
  }
  fs::permissions(prefix, static_cast<fs::perms>(02775));
  fs::permissions(tables, static_cast<fs::perms>(02770));
  const Snapshot before = TakeSnapshot(prefix);
  const Snapshot tables_before = TakeSnapshot(tables);

  // A program of an older version: same name, other bytes, older time.
  const fs::path stale = prefix / "shelvex";
  WriteAll(stale, "#!/bin/sh\necho an older shelvex\n");
  SetOldTime(stale);

  const ProgramResult upgrade = Install(prefix);
  ASSERT_EQ(upgrade.exit_code, 0) << upgrade.output << upgrade.errors;

  ExpectSameTree(before, TakeSnapshot(prefix), "program folder");
  ExpectSameTree(tables_before, TakeSnapshot(tables), "data folder");
}

INSTANTIATE_TEST_SUITE_P(DataFolder, InstallUpgrade,
                         ::testing::Values(DataLayout{"Inside", false},
                                           DataLayout{"LinkedElsewhere", true}),
                         [](const auto& info) { return std::string(info.param.name); });

std::set<std::string> NamesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& item : fs::directory_iterator(folder)) {
    names.insert(item.path().filename().string());
  }
  return names;
}

constexpr fs::perms kProgramMode = static_cast<fs::perms>(0755);

TEST(Install, LaysOutOneProgramFolderWithNothingOfTheUsers) {
  TempFolder temp;
  const fs::path prefix = temp / "opt" / "lantern-manager";
  const ProgramResult result = Install(prefix);
  ASSERT_EQ(result.exit_code, 0) << result.output << result.errors;

  std::set<std::string> expected = {"data"};
  for (const std::string& program : InstalledPrograms()) expected.insert(program);
  if (Installs("shelvexapp")) expected.insert("share");
  EXPECT_EQ(NamesIn(prefix), expected);

  for (const std::string& program : InstalledPrograms()) {
    EXPECT_TRUE(fs::is_regular_file(prefix / program)) << program;
    EXPECT_EQ(fs::status(prefix / program).permissions(), kProgramMode) << program;
  }
  EXPECT_TRUE(fs::is_directory(prefix / "data"));
  EXPECT_TRUE(fs::is_empty(prefix / "data"));
  EXPECT_EQ(fs::status(prefix / "data").permissions(), kProgramMode);
}

// The installed copies run, and find their program folder from where they were installed.
TEST(Install, InstalledProgramsRunFromTheirProgramFolder) {
  TempFolder temp;
  const fs::path prefix = temp / "lantern-manager";
  const ProgramResult result = Install(prefix);
  ASSERT_EQ(result.exit_code, 0) << result.output << result.errors;
  const std::string home = fs::canonical(prefix).string() + "/";

  const ProgramResult options = RunProgram({(prefix / "shelvex").string(), "options"});
  EXPECT_EQ(options.exit_code, 0) << options.errors;
  EXPECT_EQ(options.output.rfind("HomeDir=" + home + "\nDataFolder=" + home + "data/\n", 0), 0u)
      << options.output;

  // The manager must answer --help without a display.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  for (const char* program : {"shelvex", "shelvexserv", "shelvexapp"}) {
    if (!Installs(program)) continue;
    const ProgramResult help = RunProgram({(prefix / program).string(), "--help"});
    EXPECT_EQ(help.exit_code, 0) << program << ": " << help.errors;
    EXPECT_NE(help.output.find(program), std::string::npos) << program << ": " << help.output;
  }
  EXPECT_EQ(NamesIn(prefix / "data"), std::set<std::string>{}) << "running must not need setup";
}

struct EntryCase {
  const char* name;
  const char* folder;  // the program folder, under the test's temporary folder
  bool quoted;         // Exec= is the path in double quotes
  const char* tail;    // what Exec= holds after the temporary folder's path
};

void PrintTo(const EntryCase& entry_case, std::ostream* out) { *out << entry_case.name; }

class DesktopEntry : public ::testing::TestWithParam<EntryCase> {};

// Outside the standard folder the entry and icons stay under the program folder's share/, and the
// entry starts the manager installed there, quoted as desktop entries need it.
TEST_P(DesktopEntry, StartsTheInstalledManager) {
  if (!Installs("shelvexapp")) GTEST_SKIP() << "this build has no shelvexapp";
  TempFolder temp;
  const fs::path prefix = temp / GetParam().folder;
  const ProgramResult result = Install(prefix);
  ASSERT_EQ(result.exit_code, 0) << result.output << result.errors;

  const std::string entry = ReadAll(prefix / "share" / kDesktopEntry);
  std::istringstream lines(entry);
  std::map<std::string, std::string> keys;
  for (std::string line; std::getline(lines, line);) {
    const auto equals = line.find('=');
    if (equals != std::string::npos) keys[line.substr(0, equals)] = line.substr(equals + 1);
  }
  EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u) << entry;
  EXPECT_EQ(keys["Type"], "Application");
  EXPECT_EQ(keys["Name"], "Lantern Manager");
  EXPECT_EQ(keys["Icon"], "lantern-manager");
  EXPECT_EQ(keys["Categories"], "Office;");
  const std::string temp_path = temp.path().string();
  ASSERT_EQ(temp_path.find_first_of(" \"$\\%"), std::string::npos) << "needs a plain " << temp_path;
  const std::string path = temp_path + GetParam().tail;
  EXPECT_EQ(keys["Exec"], GetParam().quoted ? '"' + path + '"' : path);

  for (const std::string& icon : IconFiles()) {
    EXPECT_TRUE(fs::is_regular_file(prefix / "share" / icon)) << icon;
  }
  EXPECT_EQ(ReadAll(prefix / "share" / IconFiles()[0]),
            ReadAll(fs::path(SHELVEX_SOURCE_DIR) / "packaging" / "lantern-manager.svg"));
}

INSTANTIATE_TEST_SUITE_P(
    Folders, DesktopEntry,
    ::testing::Values(EntryCase{"Plain", "lantern-manager", false, "/lantern-manager/shelvexapp"},
                      // \$ inside the quotes, its \ doubled by the file's string escapes; %% is %.
                      EntryCase{"Special", "Lantern $HOME 100%", true,
                                "/Lantern \\\\$HOME 100%%/shelvexapp"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace shelvex::packaging
