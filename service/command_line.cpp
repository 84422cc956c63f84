#include "service/command_line.h"

#include <charconv>
#include <filesystem>
#include <string_view>

#include "platform/folder.h"

namespace shelvex::service {

namespace {

// The switch named by `argument` ("-install", "/SILENT"), lower-cased; empty when it is none.
std::string SwitchName(std::string_view argument) {
  if (argument.size() < 2 || (argument[0] != '-' && argument[0] != '/')) return {};
  const std::string name = platform::AsciiLower(argument.substr(1));
  if (name == "install" || name == "uninstall" || name == "silent") return name;
  return {};
}

long long NumberValue(std::string_view option, std::string_view text, long long low,
                      long long high) {
  long long value = 0;
  const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || stop != text.data() + text.size() || value < low ||
      value > high) {
    throw TUsageError(std::string(option) + ": expected a whole number from " +
                      std::to_string(low) + " to " + std::to_string(high) + ", not \"" +
                      std::string(text) + "\"");
  }
  return value;
}

std::string HomeValue(std::string_view text) {
  if (text.empty()) throw TUsageError("--home: the folder is empty");
  std::string home = std::filesystem::absolute(std::filesystem::path(text)).string();
  if (home.back() != '/') home += '/';
  return home;
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  TCommandLine command;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const std::string name = SwitchName(argument);
    if (name == "install") {
      command.install = true;
      continue;
    }
    if (name == "uninstall") {
      command.uninstall = true;
      continue;
    }
    if (name == "silent") {
      command.silent = true;
      continue;
    }
    if (argument == "--help" || argument == "-h") {
      command.help = true;
      continue;
    }
    // The options with a value take it as the next argument or after "=".
    std::string option = argument;
    std::string value;
    const std::size_t equals = argument.find('=');
    if (argument.starts_with("--") && equals != std::string::npos) {
      option = argument.substr(0, equals);
      value = argument.substr(equals + 1);
    } else if (argument.starts_with("--")) {
      if (option != "--home" && option != "--start-delay-ms" && option != "--tick-ms" &&
          option != "--random-delay-minutes") {
        throw TUsageError("unknown argument: " + argument);
      }
      if (i + 1 >= arguments.size()) throw TUsageError(option + ": a value is missing");
      value = arguments[++i];
    } else {
      throw TUsageError("unknown argument: " + argument);
    }
    if (option == "--home") {
      command.home = HomeValue(value);
    } else if (option == "--start-delay-ms") {
      command.timing.start_delay =
          std::chrono::milliseconds(NumberValue(option, value, 0, 86'400'000));
    } else if (option == "--tick-ms") {
      command.timing.tick = std::chrono::milliseconds(NumberValue(option, value, 1, 60'000));
    } else if (option == "--random-delay-minutes") {
      command.timing.random_delay_minutes = static_cast<int>(NumberValue(option, value, 0, 1440));
    } else {
      throw TUsageError("unknown argument: " + argument);
    }
  }
  return command;
}

std::string UsageText() {
  return R"(shelvexserv: the LanternMgr upload service (systemd unit Bookferry.service).

It uploads the library's data on the chosen days at the chosen hour, as set in db_upl.ini in
its program folder, and writes what it does to the yearly activity log there.

USAGE
  shelvexserv [--home DIR] [TIMING OPTIONS]    run the service until SIGTERM or SIGINT
  shelvexserv -install [-silent] [--home DIR]  write and enable the systemd unit
  shelvexserv -uninstall [-silent]             disable and remove the systemd unit
  shelvexserv --help

SWITCHES (the prefix "-" or "/", any letter case, anywhere among the arguments)
  INSTALL    write /etc/systemd/system/Bookferry.service (Description LanternMgr) running this
             program with --home, reload systemd and enable the unit. Tested first.
  UNINSTALL  disable the unit and remove its file.
  SILENT     no message on success (failures are still reported on standard error).

OPTIONS
  --home DIR                  the program folder with db_upl.ini, the data folder and the log
                              (default: the folder of this program)
  --start-delay-ms N          wait before the first pass (default 20000)
  --tick-ms N                 length of one pass; the random delay and the rest after a run
                              count 60 ticks a minute (default 1000)
  --random-delay-minutes N    a due upload first waits 1 to N of those minutes, drawn at random
                              (default 30; 0 leaves the delay out)
  --help, -h                  this text

ENVIRONMENT
  SHELVEX_SYSTEMD_DIR  install into and uninstall from this folder instead, without asking
                       systemd to reload, enable or disable anything (for tests)
  SHELVEX_SERVER_PORT  the hosting server's port (default 731)
  SHELVEX_FAKE_NOW     "2026-12-14 13:59:30": the service's clock starts there and then runs one
                       second per tick (for tests and demos)
  NOTIFY_SOCKET        set by systemd: readiness, status and stopping are reported there

EXIT STATUS
  INSTALL and UNINSTALL: 0 success, 1 failure. The service: 0 after a stop; 1 when it failed (the
  message goes to syslog), so that systemd restarts it. 2: wrong usage.
)";
}

}  // namespace shelvex::service
