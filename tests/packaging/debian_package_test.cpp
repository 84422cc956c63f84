#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
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

// Builds the package of this build folder with CPack into `folder` and returns its path.
fs::path BuildPackage(const TempFolder& folder) {
  const ProgramResult result =
      RunProgram({SHELVEX_CPACK_COMMAND, "-G", "DEB", "--config",
                  std::string(SHELVEX_BINARY_DIR) + "/CPackConfig.cmake", "-B", folder.path()});
  if (result.exit_code != 0) {
    ADD_FAILURE() << "cpack failed:\n" << result.output << result.errors;
    return {};
  }
  std::vector<fs::path> packages;
  for (const auto& item : fs::directory_iterator(folder.path())) {
    if (item.path().extension() == ".deb") packages.push_back(item.path());
  }
  if (packages.size() != 1) {
    ADD_FAILURE() << "expected one .deb, found " << packages.size() << ":\n" << result.output;
    return {};
  }
  return packages.front();
}

std::string DpkgDeb(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"dpkg-deb"};
  argv.insert(argv.end(), args.begin(), args.end());
  const ProgramResult result = RunProgram(argv);
  EXPECT_EQ(result.exit_code, 0) << "dpkg-deb " << args.front() << ": " << result.errors;
  return result.output;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The value of "Field: value" in the control data that --info prints (each line indented by one
// blank).
std::string ControlField(const std::string& info, const std::string& field) {
  for (const std::string& line : Lines(info)) {
    const std::string start = " " + field + ": ";
    if (line.rfind(start, 0) == 0) return line.substr(start.size());
  }
  return {};
}

// The package names of a dependency field, without versions: "libc6 (>= 2.34), a | b" gives
// libc6, a and b.
std::set<std::string> PackageNames(const std::string& field) {
  std::set<std::string> names;
  std::string name;
  bool in_version = false;
  for (const char c : field + ",") {
    if (c == '(') in_version = true;
    if (c == ')') in_version = false;
    if (in_version || c == '(' || c == ')') continue;
    if (c == ',' || c == '|') {
      if (!name.empty()) names.insert(name);
      name.clear();
    } else if (c != ' ') {
      name += c;
    }
  }
  return names;
}

TEST(DebianPackage, InfoNamesThePackageItsScriptsAndRuntimeDependencies) {
  TempFolder folder;
  const fs::path package = BuildPackage(folder);
  ASSERT_FALSE(package.empty());
  const std::string info = DpkgDeb({"--info", package.string()});

  EXPECT_EQ(ControlField(info, "Package"), "lantern-manager");
  EXPECT_EQ(ControlField(info, "Version"), SHELVEX_VERSION);
  EXPECT_NE(ControlField(info, "Maintainer"), "");
  EXPECT_EQ(ControlField(info, "Description"),
            "publishes a library catalogue to a hosted web library");

  // The libraries the programs load, as Debian 12 names their packages; adduser for the group.
  std::vector<std::string> needed = {"adduser", "libzip4", "libcurl4", "libicu72", "libsimpleini1"};
  if (Installs("shelvexserv") || Installs("shelvexapp")) needed.push_back("libsystemd0");
  if (Installs("shelvexapp")) needed.push_back("libqt6widgets6");
  const std::set<std::string> depends = PackageNames(ControlField(info, "Depends"));
  for (const std::string& name : needed) {
    EXPECT_TRUE(depends.count(name))
        << name << " missing from Depends: " << ControlField(info, "Depends");
  }

  // The control members ("  1279 bytes,  37 lines   *  postinst  #!/bin/sh"): no conffiles,
  // since nothing the librarian edits is shipped.
  const std::regex member(R"(^\s+\d+ bytes,\s+\d+ lines\s+(\*\s+)?(\S+))");
  std::set<std::string> members;
  for (const std::string& line : Lines(info)) {
    std::smatch match;
    if (std::regex_search(line, match, member)) members.insert(match[2]);
  }
  EXPECT_EQ(members, (std::set<std::string>{"control", "md5sums", "postinst", "prerm"})) << info;
}

struct PackedEntry {
  std::string mode;
  std::string owner;
  bool operator==(const PackedEntry& other) const {
    return mode == other.mode && owner == other.owner;
  }
};

std::ostream& operator<<(std::ostream& out, const PackedEntry& entry) {
  return out << entry.mode << " " << entry.owner;
}

// Exactly the programs, the empty data folder and the menu entry with its icons; nothing of a
// librarian's (options, lists, password files, logs) and not the stand-in server.
TEST(DebianPackage, ContentsAreTheProgramFolderAndTheMenuEntry) {
  TempFolder folder;
  const fs::path package = BuildPackage(folder);
  ASSERT_FALSE(package.empty());

  std::map<std::string, PackedEntry> contents;
  for (const std::string& line : Lines(DpkgDeb({"--contents", package.string()}))) {
    std::istringstream words(line);
    std::string mode, owner, size, date, time, path;
    ASSERT_TRUE(words >> mode >> owner >> size >> date >> time >> path) << line;
    contents[path] = {mode, owner};
  }

  const std::string program_folder = std::string(".") + SHELVEX_PROGRAM_FOLDER + "/";
  std::map<std::string, PackedEntry> expected;
  auto add_with_parents = [&](const std::string& path, const std::string& mode) {
    expected[path] = {mode, "root/root"};
    for (auto slash = path.rfind('/', path.size() - 2); slash != 1 && slash != std::string::npos;
         slash = path.rfind('/', slash - 1)) {
      expected.emplace(path.substr(0, slash + 1), PackedEntry{"drwxr-xr-x", "root/root"});
    }
  };
  for (const std::string& program : InstalledPrograms()) {
    add_with_parents(program_folder + program, "-rwxr-xr-x");
  }
  add_with_parents(program_folder + "data/", "drwxr-xr-x");
  if (Installs("shelvexapp")) {
    add_with_parents(std::string("./usr/share/") + kDesktopEntry, "-rw-r--r--");
    for (const std::string& icon : IconFiles())
      add_with_parents("./usr/share/" + icon, "-rw-r--r--");
  }
  EXPECT_EQ(contents, expected);
}

TEST(DebianPackage, MenuEntryStartsTheInstalledManager) {
  if (!Installs("shelvexapp")) GTEST_SKIP() << "this build has no shelvexapp";
  TempFolder folder;
  const fs::path package = BuildPackage(folder);
  ASSERT_FALSE(package.empty());
  DpkgDeb({"--extract", package.string(), (folder / "root").string()});

  const std::string entry = ReadAll(folder / "root" / "usr" / "share" / kDesktopEntry);
  for (const std::string& line :
       {std::string("Name=Lantern Manager"),
        "Exec=" + std::string(SHELVEX_PROGRAM_FOLDER) + "/shelvexapp",
        std::string("Icon=lantern-manager"), std::string("Categories=Office;")}) {
    EXPECT_NE(entry.find("\n" + line + "\n"), std::string::npos) << line << " in\n" << entry;
  }
  // The installed manager needs no library of its own folder.
  const ProgramResult dynamic = RunProgram(
      {"readelf", "--dynamic",
       (folder / "root" / fs::path(SHELVEX_PROGRAM_FOLDER).relative_path() / "shelvexapp")
           .string()});
  ASSERT_EQ(dynamic.exit_code, 0) << dynamic.errors;
  EXPECT_EQ(dynamic.output.find("RUNPATH"), std::string::npos) << dynamic.output;
  EXPECT_EQ(dynamic.output.find("RPATH"), std::string::npos) << dynamic.output;
}

// Installing, upgrading or removing the package switches no scheduled uploads on: the only
// systemctl requests in its scripts ask for the state, restart a service that already runs, or stop
// it on removal. The scripts are also valid shell.
TEST(DebianPackage, MaintainerScriptsNeverEnableOrStartTheService) {
  TempFolder folder;
  const fs::path package = BuildPackage(folder);
  ASSERT_FALSE(package.empty());
  const fs::path control = folder / "control";
  DpkgDeb({"--control", package.string(), control.string()});

  const std::set<std::string> allowed = {"is-active", "try-restart", "stop"};
  for (const char* script : {"postinst", "prerm"}) {
    const std::string text = ReadAll(control / script);
    const ProgramResult syntax = RunProgram({"sh", "-n", (control / script).string()});
    EXPECT_EQ(syntax.exit_code, 0) << script << ": " << syntax.errors;
    EXPECT_EQ(text.find("_inst.bat"), std::string::npos) << script;
    EXPECT_EQ(text.find("-install"), std::string::npos) << script;

    std::istringstream words(text);
    for (std::string word; words >> word;) {
      if (word != "systemctl") continue;
      std::string verb;
      while (words >> verb && verb.front() == '-') {
      }
      EXPECT_TRUE(allowed.count(verb)) << script << ": systemctl " << verb;
    }
  }
}

}  // namespace
}  // namespace shelvex::packaging
