#include "platform/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/error.h"
#include "tests/support/access_rights.h"
#include "tests/support/temp_folder.h"

namespace shelvex::platform {
namespace {

namespace fs = std::filesystem;
using shelvex::testing::ObeyFilePermissions;
using shelvex::testing::ReadAll;
using shelvex::testing::TempFolder;
using shelvex::testing::WriteAll;

std::size_t EntryCount(const fs::path& folder) {
  return static_cast<std::size_t>(
      std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

fs::perms Mode(const fs::path& path) { return fs::status(path).permissions(); }

TEST(FileIo, ReplaceFileWritesNewAndKeepsTheModeOfAnExistingFile) {
  TempFolder folder;
  const fs::path path = folder / "a.ini";
  // A new file gets the mode asked for, less the umask.
  const mode_t old_umask = umask(027);
  ReplaceFile(path, std::string("one\0two", 7));
  umask(old_umask);
  EXPECT_EQ(ReadAll(path), std::string("one\0two", 7));
  EXPECT_EQ(Mode(path), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_write);
  ReplaceFile(path, "three", fs::perms::owner_read);
  EXPECT_EQ(ReadAll(path), "three");
  EXPECT_EQ(Mode(path), fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_write);
  EXPECT_EQ(EntryCount(folder.path()), 1u) << "a temporary file was left behind";
}

TEST(FileIo, ReplaceFileInReadOnlyFolderThrowsAndLeavesTheOldFile) {
  TempFolder folder;
  const fs::path path = folder / "db_upl.ini";
  WriteAll(path, "old");
  fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
  {
    ObeyFilePermissions obey;
    EXPECT_THROW(ReplaceFile(path, "new"), IoError);
  }
  fs::permissions(folder.path(), fs::perms::owner_all);
  EXPECT_EQ(ReadAll(path), "old");
  EXPECT_EQ(EntryCount(folder.path()), 1u);
}

TEST(FileIo, FailuresNameTheFile) {
  TempFolder folder;
  WriteAll(folder / "plain", "x");
  const fs::path under_a_file = folder / "plain" / "child.txt";
  for (auto attempt : {+[](const fs::path& p) { ReplaceFile(p, "x"); },
                       +[](const fs::path& p) { AppendToFile(p, "x"); },
                       +[](const fs::path& p) { WriteFileBytes(p, "x"); },
                       +[](const fs::path& p) { static_cast<void>(ReadFileBytes(p)); }}) {
    try {
      attempt(under_a_file);
      ADD_FAILURE() << "no error";
    } catch (const IoError& error) {
      EXPECT_EQ(std::string(error.what()).rfind(under_a_file.string() + ": ", 0), 0u)
          << error.what();
    }
  }
}

TEST(FileIo, WriteToFullDeviceThrows) {
  EXPECT_THROW(WriteFileBytes("/dev/full", std::string(100000, 'x')), IoError);
  EXPECT_THROW(AppendToFile("/dev/full", "line\r\n"), IoError);
}

TEST(FileIo, AppendCreatesThenAppends) {
  TempFolder folder;
  const fs::path path = folder / "2011.txt";
  AppendToFile(path, "first\r\n");
  AppendToFile(path, "second\r\n");
  EXPECT_EQ(ReadAll(path), "first\r\nsecond\r\n");
  EXPECT_EQ(ReadFileBytes(path), "first\r\nsecond\r\n");
}

TEST(FileIo, WriteFileBytesTruncates) {
  TempFolder folder;
  const fs::path path = folder / "copy.bin";
  WriteFileBytes(path, "a long first version");
  WriteFileBytes(path, "short");
  EXPECT_EQ(ReadFileBytes(path), "short");
  const std::string big(300000, '\xAB');
  WriteFileBytes(path, big);
  EXPECT_EQ(ReadFileBytes(path), big);
}

}  // namespace
}  // namespace shelvex::platform
