// shelvexserv: the upload service. With INSTALL or UNINSTALL it writes or removes its systemd unit;
// without a switch it runs the upload scheduler until systemd (or anyone) stops it.

#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "platform/folder.h"
#include "service/command_line.h"
#include "service/installer.h"
#include "service/service_run.h"
#include "service/unit_file.h"

namespace {

namespace service = shelvex::service;

std::filesystem::path ProgramFile() {
  std::error_code error;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) {
    throw shelvex::IoError("/proc/self/exe: cannot find the program file (" + error.message() +
                           ")");
  }
  return program;
}

std::string HomeOf(const service::TCommandLine& command) {
  return command.home.empty() ? shelvex::platform::ProgramFolder() : command.home;
}

void ReportFailure(const char* action, const std::string& text) {
  std::cerr << "Service \"" << service::kDisplayName << "\" failed to " << action
            << " with error: \"" << text << "\"" << std::endl;
}

int Install(const service::TCommandLine& command) {
  try {
    service::InstallService(service::TUnitLocation::FromEnvironment(), ProgramFile(),
                            HomeOf(command));
  } catch (const std::exception& error) {
    ReportFailure("install", error.what());
    return 1;
  }
  if (!command.silent) std::cout << "Service installed successfully" << std::endl;
  return 0;
}

int Uninstall(const service::TCommandLine& command) {
  try {
    service::UninstallService(service::TUnitLocation::FromEnvironment());
  } catch (const std::exception& error) {
    ReportFailure("uninstall", error.what());
    return 1;
  }
  if (!command.silent) std::cout << "Service uninstalled successfully" << std::endl;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  service::TCommandLine command;
  try {
    command = service::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const service::TUsageError& error) {
    std::cerr << "shelvexserv: " << error.what() << "\n(shelvexserv --help tells the usage)"
              << std::endl;
    return 2;
  }
  if (command.help) {
    std::cout << service::UsageText();
    return 0;
  }
  if (command.install) return Install(command);
  if (command.uninstall) return Uninstall(command);
  try {
    return service::RunService(HomeOf(command), command.timing);
  } catch (const std::exception& error) {
    std::cerr << "shelvexserv: " << error.what() << std::endl;
    return 1;
  }
}
