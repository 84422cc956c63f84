// shelvexhost: the stand-in for the hosting web server. See UsageText for what it does.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "platform/error.h"
#include "tools/hosting-server/command_line.h"
#include "tools/hosting-server/commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string command = args.empty() ? "serve" : args.front();
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(shelvex::host::UsageText(), stdout);
    return 0;
  }
  if (!command.starts_with("--")) {
    args.erase(args.begin());
  } else {
    command = "serve";
  }
  try {
    if (command == "serve") return shelvex::host::RunServe(args);
    if (command == "add-account") return shelvex::host::RunAddAccount(args);
    if (command == "set-account") return shelvex::host::RunSetAccount(args);
    if (command == "add-reservation") return shelvex::host::RunAddReservation(args);
    if (command == "show-account") return shelvex::host::RunShowAccount(args);
    std::fprintf(stderr, "shelvexhost: %s: unknown command (see shelvexhost --help)\n",
                 command.c_str());
    return 2;
  } catch (const shelvex::host::UsageError& failure) {
    std::fprintf(stderr, "shelvexhost: %s\n", failure.what());
    return 2;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "shelvexhost: %s\n", failure.what());
    return 1;
  }
}
