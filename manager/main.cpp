// shelvexapp: Lantern Manager, the librarian's desktop program.

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "engine/data_module.h"
#include "manager/app_arguments.h"
#include "manager/main_window.h"
#include "manager/qt_prompter.h"
#include "manager/screenshot.h"
#include "manager/service_control.h"
#include "manager/window_font.h"
#include "platform/error.h"
#include "platform/folder.h"

namespace {

using shelvex::manager::AppArguments;

// Pictures need no screen: without one, draw offscreen rather than fail to start.
void UseOffscreenWithoutDisplay() {
  const bool has_display = std::getenv("DISPLAY") != nullptr ||
                           std::getenv("WAYLAND_DISPLAY") != nullptr ||
                           std::getenv("QT_QPA_PLATFORM") != nullptr;
  if (!has_display) setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

std::string HomeFolder(const AppArguments& arguments) {
  if (arguments.home.empty()) return shelvex::platform::ProgramFolder();
  std::error_code error;
  if (!std::filesystem::is_directory(arguments.home, error)) {
    throw shelvex::Error("--home " + arguments.home + ": no such folder");
  }
  std::string home = std::filesystem::absolute(arguments.home, error).string();
  if (home.empty()) home = arguments.home;
  if (home.back() != '/') home += '/';
  return home;
}

}  // namespace

int main(int argc, char** argv) {
  AppArguments arguments;
  std::string home;
  try {
    arguments =
        shelvex::manager::ParseAppArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (arguments.help) {
      std::fputs(shelvex::manager::AppUsageText(), stdout);
      return 0;
    }
    home = HomeFolder(arguments);
  } catch (const shelvex::Error& error) {
    std::fprintf(stderr, "shelvexapp: %s\n", error.what());
    return 2;
  }
  if (!arguments.screenshot.empty()) UseOffscreenWithoutDisplay();

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Lantern Manager"));
  QApplication::setFont(shelvex::manager::ChooseWindowFont());

  // The engine outlives the window: the upload worker uses it until the window is gone.
  shelvex::engine::TDataModule2 module;
  shelvex::manager::QtPrompter desktop;
  shelvex::manager::UnattendedPrompter unattended;
  const bool screenshot = !arguments.screenshot.empty();
  shelvex::manager::Prompter& prompter =
      screenshot ? static_cast<shelvex::manager::Prompter&>(unattended) : desktop;
  shelvex::manager::TForm1 form(module, home, prompter,
                                &shelvex::manager::CreateSystemServiceControl);
  // A failed login ends the program; a picture run cannot answer one and fails.
  if (!form.FormShow()) return screenshot ? 1 : 0;
  form.show();
  if (!screenshot) return application.exec();

  int status = 0;
  try {
    shelvex::manager::SaveScreenshots(form, arguments.screenshot);
  } catch (const shelvex::Error& error) {
    std::fprintf(stderr, "shelvexapp: %s\n", error.what());
    status = 1;
  }
  form.close();
  return status;
}
