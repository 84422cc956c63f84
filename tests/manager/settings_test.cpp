#include <gmock/gmock.h>

#include <QComboBox>
#include <QRadioButton>

#include "tests/manager/manager_fixture.h"

namespace shelvex::manager::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using Settings = ManagerTest;

TEST_F(Settings, TheStoredHourSelectsItsItem) {
  const struct {
    const char* stored;
    const char* shown;
  } cases[] = {{"12:00:00 AM", "12 AM"}, {"12:00:00 PM", "12 PM"}, {"1:00:00 AM", "1 AM"},
               {"1:59:59 PM", "1 PM"},   {"11:30:00 PM", "11 PM"}, {"", "12 AM"}};
  for (const auto& [stored, shown] : cases) {
    SCOPED_TRACE(stored);
    form_.reset();
    WriteOptions(std::string("time=") + stored + "\r\n");
    ASSERT_TRUE(Open());
    EXPECT_EQ(Find<QComboBox>("ComboBox1")->currentText(), shown);
  }
}

TEST_F(Settings, TheChosenHourIsSavedOnTheHour) {
  const struct {
    int item;  // -1: text typed instead of a choice
    const char* saved;
  } cases[] = {{23, "12:00:00 AM"},
               {12, "1:00:00 PM"},
               {11, "12:00:00 PM"},
               {0, "1:00:00 AM"},
               {-1, "12:00:00 AM"}};
  Show();
  QComboBox* hours = Find<QComboBox>("ComboBox1");
  ASSERT_EQ(hours->count(), 24);
  EXPECT_EQ(hours->itemText(0), "1 AM");
  EXPECT_EQ(hours->itemText(11), "12 PM");
  EXPECT_EQ(hours->itemText(23), "12 AM");
  for (const auto& [item, saved] : cases) {
    SCOPED_TRACE(item);
    if (item >= 0) {
      hours->setCurrentIndex(item);
    } else {
      hours->lineEdit()->selectAll();
      QTest::keyClicks(hours->lineEdit(), "noon");
    }
    Click("BitBtn14");
    EXPECT_EQ(SavedKey("time"), saved);
  }
}

TEST_F(Settings, TheDayBoxesAreTheBitsOfTheDaySet) {
  const struct {
    std::vector<int> checked;  // 1 Sunday .. 7 Saturday
    const char* saved;
  } cases[] = {{{1, 2, 3, 4, 5, 6, 7}, "*"}, {{}, ""}, {{2, 4, 6}, "1,3,5"}, {{1, 7}, "0,6"}};
  Show();
  for (const auto& [checked, saved] : cases) {
    SCOPED_TRACE(saved);
    for (int box = 1; box <= 7; ++box) {
      const std::string name = "CheckBox" + std::to_string(box);
      const bool wanted = std::find(checked.begin(), checked.end(), box) != checked.end();
      if (Find<QCheckBox>(name.c_str())->isChecked() != wanted) Tick(name.c_str());
    }
    Click("BitBtn14");
    EXPECT_EQ(SavedKey("days"), saved);
  }
}

TEST_F(Settings, TheStoredDaysCheckTheirBoxes) {
  WriteOptions("days=0,6\r\n");
  ASSERT_TRUE(Open());
  std::vector<bool> checked;
  for (int box = 1; box <= 7; ++box) {
    checked.push_back(Find<QCheckBox>(("CheckBox" + std::to_string(box)).c_str())->isChecked());
  }
  EXPECT_THAT(checked, ElementsAre(true, false, false, false, false, false, true));
  EXPECT_EQ(Find<QCheckBox>("CheckBox1")->text(), "Sunday");
  EXPECT_EQ(Find<QCheckBox>("CheckBox7")->text(), "Saturday");
}

TEST_F(Settings, SaveSettingsCopiesEveryControlUnchecked) {
  WriteOptions("link_field=STORE\r\n");
  Show();
  Type("Edit1", "lib.example.org");
  Type("Edit2", "80x");
  Type("Edit3", "my lib");
  Type("Edit4", "/srv/catalogue");
  Type("Edit7", QString::fromUtf8("Welcome to Élan"));
  Type("Edit8", "footer");
  Type("Edit14", "");
  Type("Edit10", "proxy.lan");
  Type("Edit11", "31x8");
  Type("Edit12", "proxy-user");
  Type("Edit13", "proxy-pw");
  for (const char* name : {"CheckBox13", "CheckBox8", "CheckBox10", "CheckBox12"}) Tick(name);
  Tick("RadioGroup1Item1");
  Find<QComboBox>("ComboBox2")->setCurrentIndex(2);
  Click("BitBtn14");
  EXPECT_THAT(prompter_.messages, IsEmpty());

  const auto saved = SavedOptions();
  EXPECT_EQ(saved->IPAdd, "lib.example.org");
  EXPECT_EQ(saved->Port, "80x");
  EXPECT_EQ(saved->User, "my lib");
  EXPECT_EQ(saved->DataFolder, "/srv/catalogue/");
  EXPECT_EQ(saved->Header, "Welcome to \xC3\x89lan");
  EXPECT_EQ(SavedKey("header"), "Welcome to \xC9lan") << "written in the ANSI code page";
  EXPECT_EQ(saved->Footer, "footer");
  EXPECT_EQ(saved->LinkField, "") << "the link field was cleared";
  EXPECT_TRUE(saved->UseProxy);
  EXPECT_EQ(saved->ProxyAddr, "proxy.lan");
  EXPECT_EQ(saved->ProxyPort, "31x8");
  EXPECT_EQ(saved->ProxyUserName, "proxy-user");
  EXPECT_EQ(saved->ProxyPwd, "proxy-pw");
  EXPECT_FALSE(saved->AllowPatronInfo);
  EXPECT_TRUE(saved->AcceptReservations);
  EXPECT_FALSE(saved->GridImg);
  EXPECT_TRUE(saved->SelectedImg);
  EXPECT_FALSE(saved->LargeImg);
  EXPECT_EQ(saved->Layout, 1);
  EXPECT_EQ(saved->GridFont, 2);
}

TEST_F(Settings, TypedGridFontAndAMissingLayoutAreSavedAsNoSelection) {
  WriteOptions("layout=5\r\ngrid_font=0x2\r\n");
  Show();
  QComboBox* fonts = Find<QComboBox>("ComboBox2");
  EXPECT_EQ(fonts->currentText(), "Large") << "0x2 is read as 2";
  EXPECT_FALSE(Find<QRadioButton>("RadioGroup1Item0")->isChecked());
  EXPECT_FALSE(Find<QRadioButton>("RadioGroup1Item1")->isChecked());
  fonts->lineEdit()->selectAll();
  QTest::keyClicks(fonts->lineEdit(), "Huge");
  Click("BitBtn14");
  EXPECT_EQ(SavedKey("grid_font"), "-1");
  EXPECT_EQ(SavedKey("layout"), "-1");
}

TEST_F(Settings, TheLastUploadDateIsShownAsLoaded) {
  const struct {
    const char* stored;
    const char* shown;
  } cases[] = {{"", "12/30/1899"}, {"3/14/2024", "3/14/2024"}, {"garbage", "12/30/1899"}};
  for (const auto& [stored, shown] : cases) {
    SCOPED_TRACE(stored);
    form_.reset();
    WriteOptions(std::string("last_date=") + stored + "\r\n");
    ASSERT_TRUE(Open());
    EXPECT_EQ(Edit("Edit6")->text(), shown);
    EXPECT_TRUE(Edit("Edit6")->isReadOnly());
  }
  Click("BitBtn14");
  EXPECT_EQ(SavedKey("last_date"), "garbage") << "the manager leaves the service's key alone";
}

TEST_F(Settings, TheLibraryLinkFollowsTheBoxesButTheWebLinksUseTheOptions) {
  WriteOptions("ipadd=first.example\r\nport=733\r\nuser=lib1\r\n");
  Show();
  Click("Button10");  // the account is locked at start
  Type("Edit1", "second.example");
  Type("Edit2", "8080");
  EXPECT_EQ(Edit("Edit15")->text(), "http://second.example:8080/?user=lib1");
  Click("BitBtn9");
  Click("BitBtn14");
  Click("BitBtn9");
  Type("Edit1", "");
  Click("BitBtn14");
  Click("BitBtn6");
  EXPECT_THAT(
      prompter_.urls,
      ElementsAre("http://first.example:733/?user=lib1", "http://second.example:8080/?user=lib1",
                  QString("http://%1:8080/?user=Oakhill").arg(engine::kDefaultServerAddress)));
}

}  // namespace
}  // namespace shelvex::manager::testing
