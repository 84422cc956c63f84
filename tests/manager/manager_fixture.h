#pragma once

// The manager's tests drive the real main window and dialogs on Qt's offscreen platform. What would
// block a test (modal dialogs, message boxes, the browser) goes through FakePrompter, which answers
// the password prompts as a librarian would, by typing and clicking, and records everything else;
// the service manager, which does not run in CI, is FakeServiceControl.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/data_module.h"
#include "manager/main_window.h"
#include "manager/password_dialog.h"
#include "manager/prompter.h"
#include "manager/service_control.h"
#include "tests/support/host_process.h"
#include "tests/support/temp_folder.h"

// Readable QStrings in the messages of failed expectations.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace shelvex::manager::testing {

// The one QApplication of the test program, made on first use.
inline QApplication& Application() {
  static int argc = 1;
  static char name[] = "manager_test";
  static char* argv[] = {name, nullptr};
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication* application = new QApplication(argc, argv);
  return *application;
}

// Types `text` into `widget` key by key. QTest only knows ASCII keys; other characters arrive as
// key events that carry their text, as an input method delivers them.
inline void TypeInto(QWidget* widget, const QString& text) {
  for (const QChar character : text) {
    if (character.unicode() < 0x80) {
      QTest::keyClick(widget, character.toLatin1());
      continue;
    }
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(character));
    QApplication::sendEvent(widget, &release);
  }
}

// How the test answers one password prompt.
struct Answer {
  QString typed;
  bool clear = false;  // tick "Clear Password" (it must be visible to be ticked)
};

// What one password prompt looked like when it opened.
struct SeenPrompt {
  QString caption;
  QString label;
  bool clear_visible = false;
  QString text_at_open;
  bool edit_has_focus = false;
};

struct Message {
  MessageKind kind;
  QString text;
};

class FakePrompter final : public Prompter {
 public:
  std::deque<Answer> answers;
  std::vector<SeenPrompt> prompts;
  std::vector<Message> messages;
  std::vector<QString> urls;
  // Called with every other modal dialog while it is shown (status dialog, log viewer).
  std::function<void(QDialog&)> on_dialog;
  int other_dialogs = 0;

  void ShowModal(QDialog& dialog) override {
    if (auto* prompt = qobject_cast<TForm3*>(&dialog)) {
      AnswerPrompt(*prompt);
      return;
    }
    ++other_dialogs;
    dialog.show();
    if (on_dialog) on_dialog(dialog);
    dialog.accept();
  }
  void ShowMessage(MessageKind kind, const QString& text) override {
    messages.push_back({kind, text});
  }
  void OpenUrl(const QString& address) override { urls.push_back(address); }

  std::vector<QString> MessageTexts() const {
    std::vector<QString> texts;
    for (const Message& message : messages) texts.push_back(message.text);
    return texts;
  }
  std::vector<QString> PromptLabels() const {
    std::vector<QString> labels;
    for (const SeenPrompt& prompt : prompts) labels.push_back(prompt.label);
    return labels;
  }

 private:
  void AnswerPrompt(TForm3& prompt) {
    prompt.show();
    prompts.push_back({prompt.windowTitle(), prompt.Label1->text(), prompt.CheckBox1->isVisible(),
                       prompt.Edit1->text(), prompt.focusWidget() == prompt.Edit1});
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected prompt \"" << prompt.Label1->text().toStdString() << "\"";
      prompt.reject();
      return;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    TypeInto(prompt.Edit1, answer.typed);
    if (answer.clear) {
      EXPECT_TRUE(prompt.CheckBox1->isVisible()) << "\"Clear Password\" is hidden";
      QTest::mouseClick(prompt.CheckBox1, Qt::LeftButton, {},
                        QPoint(6, prompt.CheckBox1->height() / 2));
    }
    QTest::mouseClick(prompt.Button1, Qt::LeftButton);
    EXPECT_FALSE(prompt.isVisible()) << "\"OK\" did not close the prompt";
  }
};

// The service manager as the tests set it up.
struct FakeServices {
  bool reachable = true;       // Connect succeeds
  bool installed = true;       // OpenServiceConnection succeeds
  std::uint32_t state = 0;     // GetStatus
  bool start_succeeds = true;  // StartService
  int starts = 0;
  std::vector<std::string> opened;
  std::vector<std::uint32_t> access;
};

class FakeServiceControl final : public ServiceControl {
 public:
  explicit FakeServiceControl(FakeServices& services) : services_(services) {}
  bool Connect(const char*, const char*, std::uint32_t access) override {
    services_.access.push_back(access);
    return services_.reachable;
  }
  bool Open(const std::string& name) override {
    services_.opened.push_back(name);
    return services_.installed;
  }
  bool Start(const std::vector<std::string>&) override {
    ++services_.starts;
    return services_.start_succeeds;
  }
  bool Control(std::uint32_t, TServiceStatus& status) override { return Query(status); }
  bool Query(TServiceStatus& status) override {
    status.dwCurrentState = services_.state;
    return true;
  }

 private:
  FakeServices& services_;
};

// A program folder, the engine, the fakes and the window; the window is made by Open().
class ManagerTest : public ::testing::Test {
 protected:
  ManagerTest() { Application(); }
  ~ManagerTest() override {
    form_.reset();
    ::unsetenv("SHELVEX_SERVER_PORT");
  }

  // Makes the window and runs its start-up; gives FormShow's result.
  bool Open() {
    form_ = std::make_unique<TForm1>(module_, home_.Dir(), prompter_, [this] {
      return std::make_unique<FakeServiceControl>(services_);
    });
    return form_->FormShow();
  }
  // Opens and shows the window; the test fails when the start-up closed it.
  void Show() {
    ASSERT_TRUE(Open());
    form_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
  }

  template <typename T>
  T* Find(const char* name) const {
    T* widget = form_->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << "no control " << name;
    return widget;
  }
  QPushButton* Button(const char* name) const { return Find<QPushButton>(name); }
  QLineEdit* Edit(const char* name) const { return Find<QLineEdit>(name); }
  void Click(const char* name) const { QTest::mouseClick(Button(name), Qt::LeftButton); }
  // Replaces the text of a box by typing, as the librarian would.
  void Type(const char* name, const QString& text) const {
    QLineEdit* edit = Edit(name);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    TypeInto(edit, text);
  }
  // Clicks a check box or radio button on its box: the middle of a wide one may lie past its
  // caption.
  void Tick(const char* name) const {
    QAbstractButton* box = Find<QAbstractButton>(name);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
  }
  QString StatusText() const { return form_->StatusPanel->text(); }

  // The options file as written, read back with the engine's own reader.
  std::unique_ptr<engine::TDataModule2> SavedOptions() const {
    auto saved = std::make_unique<engine::TDataModule2>();
    saved->Init(home_.Dir());
    return saved;
  }
  // A key's raw value in db_upl.ini, or nullopt when it is missing.
  std::optional<std::string> SavedKey(const std::string& key) const {
    const std::string text = shelvex::testing::ReadAll(home_ / "db_upl.ini");
    const std::string start = "\r\n" + key + "=";
    std::size_t at = ("\r\n" + text).find(start);
    if (at == std::string::npos) return std::nullopt;
    at += start.size() - 2;
    return text.substr(at, text.find("\r\n", at) - at);
  }
  void WriteOptions(const std::string& lines) const {
    shelvex::testing::WriteAll(home_ / "db_upl.ini", "[Options]\r\n" + lines);
  }

  shelvex::testing::TempFolder home_;
  engine::TDataModule2 module_;
  FakePrompter prompter_;
  FakeServices services_;
  std::unique_ptr<TForm1> form_;
};

// A stand-in hosting server with the account lib1 for the length of a test; the engine's requests
// go to its port.
class HostedAccount final {
 public:
  explicit HostedAccount(const std::vector<std::string>& account_options = {},
                         const std::vector<std::string>& serve_options = {}) {
    std::vector<std::string> add{"add-account", "--root", root_.path().string(), "--user", "lib1"};
    add.insert(add.end(), account_options.begin(), account_options.end());
    const shelvex::testing::ProgramResult added = shelvex::testing::RunHost(add);
    EXPECT_EQ(added.exit_code, 0) << added.errors;
    std::vector<std::string> serve{"--root", root_.path().string()};
    serve.insert(serve.end(), serve_options.begin(), serve_options.end());
    host_.emplace(serve);
    ::setenv("SHELVEX_SERVER_PORT", std::to_string(host_->port()).c_str(), 1);
  }

  // What `shelvexhost show-account` says about lib1.
  std::string Show() const {
    return shelvex::testing::RunHost(
               {"show-account", "--root", root_.path().string(), "--user", "lib1"})
        .output;
  }
  std::filesystem::path Files() const { return root_ / "accounts" / "lib1" / "files"; }
  std::string Root() const { return root_.path().string(); }

 private:
  shelvex::testing::TempFolder root_;
  std::optional<shelvex::testing::HostProcess> host_;
};

// The options of a home that talks to the stand-in server as lib1.
inline const char kServerOptions[] = "ipadd=127.0.0.1\r\nuser=lib1\r\n";

}  // namespace shelvex::manager::testing
