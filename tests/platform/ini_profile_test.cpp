#include "platform/ini_profile.h"

#include <gtest/gtest.h>

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

class IniProfileTest : public ::testing::Test {
 protected:
  fs::path Write(std::string_view bytes) {
    WriteAll(path_, bytes);
    return path_;
  }

  TempFolder folder_;
  fs::path path_ = folder_ / "db_upl.ini";
};

TEST_F(IniProfileTest, ReadsValuesIgnoringCaseOfNamesAndTrimmingBlanks) {
  const IniProfile profile(
      Write("[OPTIONS]\r\nUser =  lib one  \r\nempty=\r\nquoted=\"x\"\r\ntwice=1\r\ntwice=2\r\n"
            "caf\xE9=th\xE9\r\n"));
  EXPECT_EQ(profile.Read("Options", "user"), "lib one");
  EXPECT_EQ(profile.Read("options", "EMPTY"), "");
  EXPECT_EQ(profile.Read("Options", "quoted"), "\"x\"");
  EXPECT_EQ(profile.Read("Options", "twice"), "1");  // the first, as Windows reads it
  EXPECT_EQ(profile.Read("Options", "caf\xC3\xA9"), "th\xC3\xA9");
  EXPECT_EQ(profile.Read("Options", "missing"), std::nullopt);
  EXPECT_EQ(profile.Read("Other", "user"), std::nullopt);
}

TEST_F(IniProfileTest, MissingFileIsEmptyAndSavingCreatesIt) {
  IniProfile profile(path_);
  EXPECT_EQ(profile.Read("Options", "user"), std::nullopt);
  profile.Write("Options", "user", "lib\xC3\xA9");
  profile.Write("Options", "days", "");
  profile.Save();
  EXPECT_EQ(ReadAll(path_), "[Options]\r\nuser=lib\xE9\r\ndays=\r\n");
}

TEST_F(IniProfileTest, RewritesInPlaceAppendsNewKeysAndKeepsEverythingElse) {
  IniProfile profile(
      Write("; written by hand\r\n\r\n[Other]\r\nfoo = bar\r\n\r\n; the options\r\n[OPTIONS]\r\n"
            "User=old\r\n; about the port\r\nport=80\r\nunknown=kept\r\n\r\n[Third]\r\nx=1\r\n"
            "; closing remark\r\n"));
  profile.Write("Options", "user", "new");
  profile.Write("Options", "time", "1:00:00 PM");
  profile.Write("Fourth", "y", "2");
  profile.Save();
  const std::string text = ReadAll(path_);

  auto at = [&](std::string_view line) {
    const std::size_t found = text.find(std::string(line) + "\r\n");
    EXPECT_NE(found, std::string::npos) << line << " missing in:\n" << text;
    return found;
  };
  EXPECT_LT(at("; written by hand"), at("[Other]"));
  EXPECT_LT(at("[Other]"), at("foo=bar"));
  EXPECT_LT(at("foo=bar"), at("; the options"));
  EXPECT_LT(at("; the options"), at("[OPTIONS]"));
  // The key keeps its place and its spelling; the new key comes last in its section.
  EXPECT_LT(at("[OPTIONS]"), at("User=new"));
  EXPECT_LT(at("User=new"), at("; about the port"));
  EXPECT_LT(at("; about the port"), at("port=80"));
  EXPECT_LT(at("port=80"), at("unknown=kept"));
  EXPECT_LT(at("unknown=kept"), at("time=1:00:00 PM"));
  EXPECT_LT(at("time=1:00:00 PM"), at("[Third]"));
  EXPECT_LT(at("[Third]"), at("x=1"));
  EXPECT_LT(at("x=1"), at("[Fourth]"));
  EXPECT_LT(at("[Fourth]"), at("y=2"));
  at("; closing remark");
  EXPECT_EQ(text.find("old"), std::string::npos);

  // Every line ends in CR LF.
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
    }
    if (text[i] == '\r') {
      ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare CR at " << i;
    }
  }
  // Saving what was read gives the same bytes again.
  IniProfile(path_).Save();
  EXPECT_EQ(ReadAll(path_), text);
}

TEST_F(IniProfileTest, WritingADuplicatedKeyLeavesOneInTheFirstPlace) {
  IniProfile profile(Write("[Options]\r\ntwice=1\r\nmiddle=m\r\nTWICE=2\r\n"));
  profile.Write("options", "twice", "3");
  profile.Save();
  EXPECT_EQ(ReadAll(path_), "[Options]\r\ntwice=3\r\nmiddle=m\r\n");
}

TEST_F(IniProfileTest, LineBreaksInAValueCannotAddKeys) {
  IniProfile profile(path_);
  profile.Write("Options", "header", "Welcome\r\npass=stolen");
  profile.Save();
  const IniProfile reread(path_);
  EXPECT_EQ(reread.Read("Options", "header"), "Welcome  pass=stolen");
  EXPECT_EQ(reread.Read("Options", "pass"), std::nullopt);
}

TEST_F(IniProfileTest, SaveToReadOnlyFolderThrowsAndLeavesTheOldFile) {
  Write("[Options]\r\nuser=old\r\n");
  IniProfile profile(path_);
  profile.Write("Options", "user", "new");
  fs::permissions(folder_.path(), fs::perms::owner_read | fs::perms::owner_exec);
  {
    ObeyFilePermissions obey;
    EXPECT_THROW(profile.Save(), IoError);
  }
  fs::permissions(folder_.path(), fs::perms::owner_all);
  EXPECT_EQ(ReadAll(path_), "[Options]\r\nuser=old\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace shelvex::platform
