#include "engine/scrambled_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/error.h"
#include "tests/support/temp_folder.h"

namespace shelvex::engine {
namespace {

namespace fs = std::filesystem;
using shelvex::testing::ReadAll;
using shelvex::testing::TempFolder;
using shelvex::testing::WriteAll;

class ScrambledFileTest : public ::testing::Test {
 protected:
  TempFolder home_;
  fs::path path_ = home_ / "lantern.p";
};

TEST_F(ScrambledFileTest, EmptyTextIsExactlyCrLf) {
  WriteScrambledLine(path_, "");
  EXPECT_EQ(ReadAll(path_), "\r\n");
  EXPECT_EQ(ReadScrambledLine(path_), "");
  WriteAll(path_, "");
  EXPECT_EQ(ReadScrambledLine(path_), "");
}

TEST_F(ScrambledFileTest, KeyCyclesFromItsFirstByteOnEveryCall) {
  WriteScrambledLine(path_, "AAAAAAAAAA");
  // 'A' XOR 1E 02 17 0B 6D 57 3F 66 1A, and the tenth byte uses the first key byte again.
  EXPECT_EQ(ReadAll(path_), "_CVJ,\x16~'[_\r\n");
  EXPECT_EQ(ReadScrambledLine(path_), "AAAAAAAAAA");
  std::string text = "A";
  ScrambleText(text);
  EXPECT_EQ(text, "_");
}

TEST_F(ScrambledFileTest, ScramblingTwiceRestoresEveryByte) {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  std::string copy = bytes;
  ScrambleText(copy);
  EXPECT_NE(copy, bytes);
  ScrambleText(copy);
  EXPECT_EQ(copy, bytes);
}

TEST_F(ScrambledFileTest, PasswordFilesAreForTheOwnerOnly) {
  WriteScrambledLine(path_, "secret");
  EXPECT_EQ(fs::status(path_).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(ReadScrambledLine(path_), "secret");
}

TEST_F(ScrambledFileTest, OnlyTheFirstLineCounts) {
  std::string first = "pw1", second = "pw2";
  ScrambleText(first);
  ScrambleText(second);
  WriteAll(path_, first + "\r\n" + second + "\r\n");
  EXPECT_EQ(ReadScrambledLine(path_), "pw1");
  WriteAll(path_, first);  // no line end at all
  EXPECT_EQ(ReadScrambledLine(path_), "pw1");
  WriteAll(path_, first + "\n" + second);
  EXPECT_EQ(ReadScrambledLine(path_), "pw1");
}

// Texts whose scrambled form holds bytes that the line format cannot carry: the fifth key byte is
// 6D, so a fifth character 'g' becomes LF, 'w' byte 26 and '`' CR; a sixth ']' becomes LF after it.
TEST_F(ScrambledFileTest, BytesTheFormatCannotCarryCutOrLoseTheText) {
  struct {
    const char* text;
    const char* read_back;
  } const lossy[] = {
      {"abcdgxyz", "abcd"},  // LF
      {"abcdwxyz", "abcd"},  // byte 26
      {"abcd`]xy", "abcd"},  // CR LF
  };
  for (const auto& c : lossy) {
    WriteScrambledLine(path_, c.text);
    EXPECT_EQ(ReadScrambledLine(path_), c.read_back) << c.text;
    EXPECT_FALSE(CanStoreScrambled(c.text)) << c.text;
  }
  // A lone CR is dropped, so every byte after it is unscrambled with the wrong key byte.
  WriteScrambledLine(path_, "abcd`xyz");
  const std::string lone_cr = ReadScrambledLine(path_);
  EXPECT_EQ(lone_cr.size(), 7u);
  EXPECT_EQ(lone_cr.substr(0, 4), "abcd");
  EXPECT_NE(lone_cr.substr(4), "xyz");
  EXPECT_FALSE(CanStoreScrambled("abcd`xyz"));

  for (const char* fine :
       {"", "abcdefgh", "gwabc", "Secret 2011!", "caf\xE9", "correct horse battery staple"}) {
    EXPECT_TRUE(CanStoreScrambled(fine)) << fine;
    WriteScrambledLine(path_, fine);
    EXPECT_EQ(ReadScrambledLine(path_), fine);
  }
}

TEST_F(ScrambledFileTest, MissingOrUnwritableFileIsAnIoError) {
  EXPECT_THROW(ReadScrambledLine(home_ / "shelvexexe.p"), IoError);
  EXPECT_THROW(WriteScrambledLine(home_ / "no-such-folder" / "lantern.p", "pw"), IoError);
  // A folder opens but cannot be read: that is a failed read, which gives the empty text.
  fs::create_directory(home_ / "folder.p");
  EXPECT_EQ(ReadScrambledLine(home_ / "folder.p"), "");
}

}  // namespace
}  // namespace shelvex::engine
