#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>

#include "engine/data_module.h"
#include "platform/date_time.h"
#include "platform/error.h"
#include "tests/support/access_rights.h"
#include "tests/support/temp_folder.h"

namespace shelvex::engine {
namespace {

namespace fs = std::filesystem;
using platform::EncodeDate;
using platform::EncodeTime;
using shelvex::testing::ObeyFilePermissions;
using shelvex::testing::ReadAll;
using shelvex::testing::TempFolder;
using shelvex::testing::WriteAll;

class OptionsFileTest : public ::testing::Test {
 protected:
  // A module initialised on the program folder, whose db_upl.ini holds `content` (none when null).
  TDataModule2& Load(const char* content) {
    if (content != nullptr) WriteAll(home_ / "db_upl.ini", content);
    module_.Init(home_.Dir());
    return module_;
  }
  std::string Ini() const { return ReadAll(home_ / "db_upl.ini"); }

  TempFolder home_;
  TDataModule2 module_;
};

TEST_F(OptionsFileTest, CreationStateBeforeInit) {
  const TDataModule2 fresh;
  EXPECT_EQ(fresh.HomeDir + fresh.DataFolder + fresh.IPAdd + fresh.User + fresh.Pass + fresh.Port,
            "");
  EXPECT_FALSE(fresh.AllowPatronInfo || fresh.AcceptReservations || fresh.UseProxy ||
               fresh.IsLoggingOn);
  EXPECT_TRUE(fresh.GridImg && fresh.SelectedImg && fresh.LargeImg);
  EXPECT_EQ(fresh.UploadDays, 0);
  EXPECT_EQ(fresh.GridFont, 0);
  EXPECT_FALSE(fresh.UpdateStatusProc);
  EXPECT_EQ(fresh.ErrorCount(), 0);
}

TEST_F(OptionsFileTest, EmptyFolderGivesEveryDefault) {
  const TDataModule2& m = Load(nullptr);
  EXPECT_EQ(m.HomeDir, home_.Dir());
  EXPECT_EQ(m.UserDirectory(), home_.Dir());
  EXPECT_EQ(m.DataFolder, home_.Dir() + "data/");
  EXPECT_EQ(m.IPAdd, kDefaultServerAddress);
  EXPECT_EQ(m.Port, "733");
  EXPECT_EQ(m.User + m.Header + m.Footer + m.ProxyAddr + m.ProxyPort + m.ProxyUserName +
                m.ProxyPwd + m.LinkField,
            "");
  EXPECT_TRUE(m.AllowPatronInfo && m.AcceptReservations && m.GridImg && m.SelectedImg &&
              m.LargeImg);
  EXPECT_FALSE(m.UseProxy);
  EXPECT_EQ(m.UploadDays, 127);
  EXPECT_EQ(m.UploadTime, 0.0);
  EXPECT_EQ(m.LastUpload, 0.0);
  EXPECT_EQ(m.Layout, 0);
  EXPECT_EQ(m.GridFont, 1);
  EXPECT_FALSE(fs::exists(home_ / "db_upl.ini")) << "loading must not write";
}

TEST_F(OptionsFileTest, InitAddsTheMissingSlashAndClearsLastUpload) {
  module_.LastUpload = 40000;
  module_.Init(home_.path().string());
  EXPECT_EQ(module_.HomeDir, home_.Dir());
  EXPECT_EQ(module_.LastUpload, 0.0);
}

struct ReadCase {
  const char* line;  // the one line of the Options section; nullptr for none
  std::function<std::string(const TDataModule2&)> field;
  std::string expected;
};

std::string Days(const TDataModule2& m) { return std::to_string(m.UploadDays); }
std::string Patron(const TDataModule2& m) { return m.AllowPatronInfo ? "Y" : "N"; }
std::string Proxy(const TDataModule2& m) { return m.UseProxy ? "Y" : "N"; }
std::string LayoutOf(const TDataModule2& m) { return std::to_string(m.Layout); }
std::string GridFontOf(const TDataModule2& m) { return std::to_string(m.GridFont); }
std::string Folder(const TDataModule2& m) { return m.DataFolder; }
std::string TimeOf(const TDataModule2& m) {
  return std::to_string(std::lround(m.UploadTime * 86400));
}
std::string LastOf(const TDataModule2& m) { return std::to_string(m.LastUpload); }

TEST_F(OptionsFileTest, ReadingRules) {
  const std::string home = home_.Dir();
  const ReadCase cases[] = {
      {"days=0,6", Days, "65"},  // Sunday and Saturday
      {"days=135", Days, "42"},  // Monday, Wednesday, Friday
      {"days=7", Days, "0"},     // no day from 0 to 6
      {"days=Mon;Tue", Days, "0"},
      {"days=*", Days, "127"},
      {"days=", Days, "127"},
      {nullptr, Days, "127"},
      {"days=6 5 5", Days, "96"},
      {"allowpatroninfo=Y", Patron, "Y"},
      {"allowpatroninfo=y", Patron, "N"},
      {"allowpatroninfo=Yes", Patron, "N"},
      {"allowpatroninfo=", Patron, "N"},
      {nullptr, Patron, "Y"},
      {"use_proxy=Y", Proxy, "Y"},
      {nullptr, Proxy, "N"},
      {"layout=12", LayoutOf, "12"},
      {"layout=-3", LayoutOf, "-3"},
      {"layout=+5", LayoutOf, "5"},
      {"layout=0x2", LayoutOf, "2"},
      {"layout=0XfF", LayoutOf, "255"},
      {"layout=$1F", LayoutOf, "31"},
      {"layout=abc", LayoutOf, "0"},
      {"layout=0x", LayoutOf, "0"},
      {"layout=$", LayoutOf, "0"},
      {"layout=12abc", LayoutOf, "0"},
      {"layout=--1", LayoutOf, "0"},
      {"layout=99999999999", LayoutOf, "0"},
      {"grid_font=0x2", GridFontOf, "2"},
      {"grid_font=abc", GridFontOf, "1"},
      {"grid_font=", GridFontOf, "1"},
      {"data_folder=lib", Folder, home + "lib/"},
      {"data_folder=/abs/path", Folder, "/abs/path/"},
      {"data_folder=/abs/path/", Folder, "/abs/path/"},
      {"data_folder=D:\\cat", Folder, "D:\\cat/"},
      {"data_folder=", Folder, home + "data/"},
      {nullptr, Folder, home + "data/"},
      {"time=1:30:00 PM", TimeOf, "48600"},
      {"time=14:05", TimeOf, "50700"},
      {"time=12:00:00 AM", TimeOf, "0"},
      {"time=half past one", TimeOf, "0"},
      {"time=", TimeOf, "0"},
      {"last_date=7/4/2011", LastOf, std::to_string(EncodeDate(2011, 7, 4))},
      {"last_date=2011-07-04", LastOf, std::to_string(EncodeDate(2011, 7, 4))},
      {"last_date=04.07.2011", LastOf, std::to_string(0.0)},
      {"ipadd=", [](const TDataModule2& m) { return m.IPAdd; }, kDefaultServerAddress},
      {"ipadd=10.1.2.3", [](const TDataModule2& m) { return m.IPAdd; }, "10.1.2.3"},
      {"port=", [](const TDataModule2& m) { return m.Port; }, "733"},
      {"header=  Welcome \xE9 ", [](const TDataModule2& m) { return m.Header; },
       "Welcome \xC3\xA9"},
  };
  for (const ReadCase& c : cases) {
    const std::string file =
        c.line == nullptr ? "[Options]\r\n" : std::string("[Options]\r\n") + c.line + "\r\n";
    TDataModule2 module;
    WriteAll(home_ / "db_upl.ini", file);
    module.Init(home);
    EXPECT_EQ(c.field(module), c.expected) << (c.line ? c.line : "(no key)");
  }
}

TEST_F(OptionsFileTest, SaveWritesTheKeysInOrder) {
  TDataModule2& m = Load(nullptr);
  m.User = "lib1";
  m.UploadDays = (1 << 1) | (1 << 3) | (1 << 5);
  m.UploadTime = EncodeTime(13, 0, 0);
  m.LastUpload = EncodeDate(2011, 7, 4);
  m.SaveOptions(false);
  const std::string expected_head =
      "[Options]\r\nipadd=www.velmora.example\r\nuser=lib1\r\nport=733\r\ndata_folder=" +
      home_.Dir() +
      "data/\r\nheader=\r\nfooter=\r\nallowpatroninfo=Y\r\n"
      "acceptreservations=Y\r\ndays=1,3,5\r\ntime=1:00:00 PM\r\n";
  const std::string expected_tail =
      "grid_img=Y\r\nselected_img=Y\r\nlarge_img=Y\r\nuse_proxy=N\r\nproxy_addr=\r\nproxy_port=\r\n"
      "proxy_user=\r\nproxy_pwd=\r\nlink_field=\r\nlayout=0\r\ngrid_font=1\r\n";
  EXPECT_EQ(Ini(), expected_head + expected_tail);

  fs::remove(home_ / "db_upl.ini");
  m.SaveOptions(true);
  EXPECT_EQ(Ini(), expected_head + "last_date=7/4/2011\r\n" + expected_tail);
}

TEST_F(OptionsFileTest, SaveKeepsOtherKeysAndSectionsAndLastDateOfTheService) {
  TDataModule2& m = Load(
      "[Web]\r\ntheme=dark\r\n\r\n[Options]\r\nlast_date=5/6/"
      "2020\r\nUser=old\r\nserver_only=1\r\n\r\n[Zeta]\r\nz=9\r\n");
  m.User = "new";
  m.LastUpload = EncodeDate(2021, 1, 2);
  m.SaveOptions(false);
  const std::string text = Ini();
  EXPECT_EQ(text.find("[Web]\r\ntheme=dark\r\n"), 0u) << text;
  EXPECT_NE(text.find("[Options]\r\nlast_date=5/6/2020\r\nUser=new\r\nserver_only=1\r\nipadd="),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("grid_font=1\r\n\r\n[Zeta]\r\nz=9\r\n"), std::string::npos) << text;

  m.SaveOptions(true);
  EXPECT_NE(Ini().find("[Options]\r\nlast_date=1/2/2021\r\nUser=new\r\n"), std::string::npos)
      << Ini();
}

TEST_F(OptionsFileTest, EverySettingSurvivesASaveAndALoad) {
  TDataModule2& m = Load(nullptr);
  m.DataFolder = "/srv/catalogue";
  m.IPAdd = "10.0.0.7";
  m.User = "Biblioth\xC3\xA8que";
  m.Port = "8080";
  m.Header = "Welcome to the \"library\"";
  m.Footer = "Open 9-5; closed Sundays";
  m.AllowPatronInfo = m.AcceptReservations = m.GridImg = m.SelectedImg = m.LargeImg = false;
  m.UseProxy = true;
  m.UploadDays = 0;
  m.UploadTime = EncodeTime(23, 0, 0);
  m.ProxyAddr = "proxy.local";
  m.ProxyPort = "3128";
  m.ProxyUserName = "me";
  m.ProxyPwd = "p=w;d";
  m.LinkField = "URL";
  m.Layout = 1;
  m.GridFont = 2;
  m.SaveOptions(false);
  EXPECT_NE(Ini().find("days=\r\n"), std::string::npos);

  TDataModule2 r;
  r.Init(home_.Dir());
  EXPECT_EQ(r.DataFolder, "/srv/catalogue/");
  EXPECT_EQ(m.DataFolder, "/srv/catalogue/") << "saving appends the slash to the field";
  EXPECT_EQ(r.IPAdd + "|" + r.User + "|" + r.Port + "|" + r.Header + "|" + r.Footer,
            m.IPAdd + "|" + m.User + "|" + m.Port + "|" + m.Header + "|" + m.Footer);
  EXPECT_FALSE(r.AllowPatronInfo || r.AcceptReservations || r.GridImg || r.SelectedImg ||
               r.LargeImg);
  EXPECT_TRUE(r.UseProxy);
  EXPECT_EQ(r.UploadDays, 127) << "the empty day set is saved empty and reads back as every day";
  EXPECT_NEAR(r.UploadTime, m.UploadTime, 1e-9);
  EXPECT_EQ(r.ProxyAddr + "|" + r.ProxyPort + "|" + r.ProxyUserName + "|" + r.ProxyPwd + "|" +
                r.LinkField,
            "proxy.local|3128|me|p=w;d|URL");
  EXPECT_EQ(r.Layout, 1);
  EXPECT_EQ(r.GridFont, 2);
  EXPECT_NE(Ini().find("\r\nuser=Biblioth\xE8que\r\n"), std::string::npos)
      << "stored in the ANSI code page";
}

TEST_F(OptionsFileTest, EmptyDataFolderIsSavedEmptyNotAsTheRootFolder) {
  TDataModule2& m = Load(nullptr);
  m.DataFolder.clear();
  m.SaveOptions(false);
  EXPECT_NE(Ini().find("data_folder=\r\n"), std::string::npos);
  TDataModule2 r;
  r.Init(home_.Dir());
  EXPECT_EQ(r.DataFolder, home_.Dir() + "data/");
}

TEST_F(OptionsFileTest, SaveThatCannotWriteThrowsAndKeepsTheFile) {
  TDataModule2& m = Load("[Options]\r\nuser=old\r\n");
  m.User = "new";
  fs::permissions(home_.path(), fs::perms::owner_read | fs::perms::owner_exec);
  {
    ObeyFilePermissions obey;
    EXPECT_THROW(m.SaveOptions(false), IoError);
  }
  fs::permissions(home_.path(), fs::perms::owner_all);
  EXPECT_EQ(Ini(), "[Options]\r\nuser=old\r\n");
}

}  // namespace
}  // namespace shelvex::engine
