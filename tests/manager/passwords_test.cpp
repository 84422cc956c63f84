#include <gmock/gmock.h>

#include "engine/scrambled_file.h"
#include "tests/manager/manager_fixture.h"

namespace shelvex::manager::testing {
namespace {

using shelvex::testing::WriteAll;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr char kOld[] = "Enter Old Password :";
constexpr char kNew[] = "Enter New Password :";
constexpr char kAgain[] = "Re-enter New Password :";
constexpr char kIncorrect[] = "ERROR! Incorrect Password.";

class ProgramPassword : public ManagerTest {
 protected:
  std::filesystem::path File() const { return home_ / "shelvexexe.p"; }
  void SetPassword(std::initializer_list<Answer> answers) {
    prompter_.answers.insert(prompter_.answers.end(), answers);
    Click("BitBtn10");
    EXPECT_THAT(prompter_.answers, IsEmpty()) << "fewer prompts than answers";
  }
};

TEST_F(ProgramPassword, WithoutOneTheNewPasswordIsAskedTwiceAndStored) {
  Show();
  SetPassword({{"Secret"}, {"Secret"}});
  EXPECT_THAT(prompter_.PromptLabels(), ElementsAre(kNew, kAgain));
  EXPECT_EQ(prompter_.prompts[0].caption, "Login Password");
  EXPECT_TRUE(prompter_.prompts[0].clear_visible);
  EXPECT_EQ(prompter_.prompts[1].text_at_open, "") << "the box is emptied for the second entry";
  EXPECT_TRUE(prompter_.prompts[1].edit_has_focus);
  EXPECT_THAT(prompter_.messages, IsEmpty());
  EXPECT_EQ(engine::ReadScrambledLine(File()), "Secret");
  EXPECT_EQ(form_->LoginPass, "Secret");
}

TEST_F(ProgramPassword, TheSecondChangeAsksForThePasswordSetFirst) {
  Show();
  SetPassword({{"one"}, {"one"}});
  SetPassword({{"one"}, {"two"}, {"two"}});
  EXPECT_THAT(prompter_.PromptLabels(), ElementsAre(kNew, kAgain, kOld, kNew, kAgain));
  EXPECT_EQ(engine::ReadScrambledLine(File()), "two");
  form_.reset();
  prompter_.answers.push_back({"two"});
  EXPECT_TRUE(Open()) << "the next start logs in with it";
}

TEST_F(ProgramPassword, MistakesChangeNothing) {
  const struct {
    const char* name;
    std::vector<Answer> answers;
    std::vector<QString> messages;
  } cases[] = {
      {"wrong old password", {{"ONE"}}, {kIncorrect}},
      {"confirmation differs", {{"one"}, {"new"}, {"New"}}, {kIncorrect}},
      {"nothing typed", {{"one"}, {""}}, {}},
  };
  for (const auto& [name, answers, messages] : cases) {
    SCOPED_TRACE(name);
    engine::WriteScrambledLine(File(), "one");
    form_.reset();
    prompter_ = FakePrompter();
    prompter_.answers.push_back({"one"});  // the login
    Show();
    prompter_.answers.assign(answers.begin(), answers.end());
    Click("BitBtn10");
    EXPECT_THAT(prompter_.answers, IsEmpty());
    EXPECT_THAT(prompter_.MessageTexts(), ElementsAreArray(messages));
    EXPECT_EQ(engine::ReadScrambledLine(File()), "one");
    EXPECT_EQ(form_->LoginPass, "one");
  }
}

TEST_F(ProgramPassword, ClearingWinsOverATypedPasswordAndLeavesNoOldPrompt) {
  engine::WriteScrambledLine(File(), "one");
  prompter_.answers.push_back({"one"});
  Show();
  SetPassword({{"one"}, {"typed anyway", true}});
  EXPECT_FALSE(std::filesystem::exists(File()));
  EXPECT_EQ(form_->LoginPass, "");
  SetPassword({{""}});
  EXPECT_EQ(prompter_.prompts.back().label, kNew) << "no old-password prompt after clearing";
  EXPECT_THAT(prompter_.messages, IsEmpty());
}

TEST_F(ProgramPassword, APasswordTheFileCannotCarryIsRefusedBeforeAnythingChanges) {
  // Byte 5 meets key byte 0x6D: "g" (0x67) scrambles to a line feed, which would cut the line.
  const struct {
    QString typed;
    const char* says;
  } cases[] = {{"abcdg", "character 5"}, {QString::fromUtf8("пароль"), "code page"}};
  Show();
  for (const auto& [typed, says] : cases) {
    SCOPED_TRACE(says);
    prompter_.messages.clear();
    SetPassword({{typed}});
    ASSERT_EQ(prompter_.messages.size(), 1u);
    EXPECT_THAT(prompter_.messages[0].text.toStdString(), HasSubstr(says));
    EXPECT_TRUE(prompter_.messages[0].text.startsWith("ERROR! "));
    EXPECT_FALSE(std::filesystem::exists(File()));
    EXPECT_EQ(form_->LoginPass, "");
  }
}

TEST_F(ProgramPassword, APasswordFileThatCannotBeWrittenKeepsTheOldPassword) {
  Show();
  std::filesystem::create_directory(File());  // a file cannot replace it
  SetPassword({{"Secret"}, {"Secret"}});
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_THAT(prompter_.messages[0].text.toStdString(), HasSubstr("shelvexexe.p"));
  EXPECT_EQ(form_->LoginPass, "");
}

// The data upload password, changed on the stand-in server first.
class DataPassword : public ManagerTest {
 protected:
  std::filesystem::path File() const { return home_ / "lantern.p"; }
  void SetDataPassword(std::initializer_list<Answer> answers) {
    prompter_.answers.insert(prompter_.answers.end(), answers);
    Click("Button9");
    EXPECT_THAT(prompter_.answers, IsEmpty()) << "fewer prompts than answers";
  }
};

TEST_F(DataPassword, ANewPasswordGoesToTheServerThenToTheFile) {
  HostedAccount server;
  WriteOptions(kServerOptions);
  Show();
  SetDataPassword({{"pw-1"}, {"pw-1"}});
  EXPECT_THAT(prompter_.PromptLabels(), ElementsAre(kNew, kAgain));
  for (const SeenPrompt& prompt : prompter_.prompts) {
    EXPECT_EQ(prompt.caption, "Data Upload Password");
  }
  EXPECT_THAT(prompter_.messages, IsEmpty());
  EXPECT_THAT(server.Show(), HasSubstr("data password: \"pw-1\""));
  EXPECT_EQ(engine::ReadScrambledLine(File()), "pw-1");
  EXPECT_EQ(form_->Pass0, "pw-1");
  EXPECT_EQ(Edit("Edit9")->displayText(), "****");
  EXPECT_FALSE(std::filesystem::exists(home_ / "lantern.p.new"));

  SetDataPassword({{"pw-1"}, {"pw-2"}, {"pw-2"}});
  EXPECT_EQ(prompter_.prompts[2].label, kOld);
  EXPECT_THAT(server.Show(), HasSubstr("data password: \"pw-2\""));
  EXPECT_EQ(engine::ReadScrambledLine(File()), "pw-2");
}

TEST_F(DataPassword, ARefusedChangeKeepsTheOldPasswordEverywhere) {
  HostedAccount server({"--password", "pw-1"}, {"--reply", "ERROR: no"});
  WriteOptions(kServerOptions);
  engine::WriteScrambledLine(File(), "pw-1");
  Show();
  SetDataPassword({{"pw-1"}, {"pw-2"}, {"pw-2"}});
  EXPECT_THAT(prompter_.MessageTexts(), ElementsAre("ERROR! Password could not be updated."));
  EXPECT_EQ(engine::ReadScrambledLine(File()), "pw-1");
  EXPECT_EQ(form_->Pass0, "pw-1");
  EXPECT_EQ(Edit("Edit9")->text(), "pw-1");
  EXPECT_FALSE(std::filesystem::exists(home_ / "lantern.p.new"));
  EXPECT_TRUE(form_->isEnabled());
}

TEST_F(DataPassword, ClearingAsksTheServerFirst) {
  const struct {
    const char* name;
    std::vector<std::string> serve;
    bool cleared;
  } cases[] = {{"accepted", {}, true}, {"refused", {"--reply", "ERROR: no"}, false}};
  for (const auto& [name, serve, cleared] : cases) {
    SCOPED_TRACE(name);
    form_.reset();
    prompter_ = FakePrompter();
    HostedAccount server({"--password", "pw-1"}, serve);
    WriteOptions(kServerOptions);
    engine::WriteScrambledLine(File(), "pw-1");
    Show();
    SetDataPassword({{"pw-1"}, {"", true}});
    EXPECT_EQ(std::filesystem::exists(File()), !cleared);
    EXPECT_EQ(Edit("Edit9")->text(), cleared ? "" : "pw-1");
    EXPECT_THAT(server.Show(),
                HasSubstr(cleared ? "data password: (none)" : "data password: \"pw-1\""));
    if (cleared) {
      EXPECT_THAT(prompter_.messages, IsEmpty());
    } else {
      EXPECT_THAT(prompter_.MessageTexts(), ElementsAre("ERROR! Password could not be cleared."));
    }
  }
}

TEST_F(DataPassword, AWrongOldPasswordNeverReachesTheServer) {
  HostedAccount server({"--password", "pw-1"});
  WriteOptions(kServerOptions);
  engine::WriteScrambledLine(File(), "pw-1");
  Show();
  SetDataPassword({{"PW-1"}});
  EXPECT_THAT(prompter_.MessageTexts(), ElementsAre(kIncorrect));
  EXPECT_THAT(server.Show(), HasSubstr("data password: \"pw-1\""));
  EXPECT_THAT(server.Show(), HasSubstr("hits: 0"));
}

}  // namespace
}  // namespace shelvex::manager::testing
