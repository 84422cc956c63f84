#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/engine_session.h"

namespace shelvex::cli {

namespace {

int RunStatus(const std::vector<std::string>& arguments) {
  std::vector<std::string> rest = arguments;
  const CommonArguments common = TakeCommonArguments(rest);
  RequireNoMoreArguments(rest);
  engine::TDataModule2 module;
  PrepareEngine(module, common);
  const std::string reply = module.ServerStatus();
  if (module.ErrorCount() != 0) {
    std::cerr << "ERROR! Library Server could not be contacted!\n"
                 "Check if your Internet connection is working.\n";
    return ExitStatus(module);
  }
  std::vector<std::string> fields;
  std::string user;
  engine::TDataModule2::SplitStatusReply(reply, fields, user);
  std::cout << "User=" << user << '\n';
  for (std::size_t i = 0; i < fields.size(); ++i) {
    std::cout << "Field" << i << '=' << fields[i] << '\n';
  }
  return ExitStatus(module);
}

// Start and stop, each followed by the reservation download, as the manager's buttons do.
int RunStartStop(const std::vector<std::string>& arguments, bool is_start) {
  std::vector<std::string> rest = arguments;
  const CommonArguments common = TakeCommonArguments(rest);
  RequireNoMoreArguments(rest);
  engine::TDataModule2 module;
  PrepareEngine(module, common);
  const std::string answer = module.StartStop(is_start);
  module.DownloadReservations();
  if (module.ErrorCount() != 0) {
    std::cerr << (is_start ? "ERROR! Library Server could not Start."
                           : "ERROR! Library Server could not Stop.")
              << '\n';
    if (!answer.empty()) std::cerr << answer << '\n';
  } else {
    std::cout << (is_start ? "Library Server Started." : "Library Server Stoped.") << '\n';
  }
  return ExitStatus(module);
}

int RunStart(const std::vector<std::string>& arguments) { return RunStartStop(arguments, true); }
int RunStop(const std::vector<std::string>& arguments) { return RunStartStop(arguments, false); }

int RunReservations(const std::vector<std::string>& arguments) {
  std::vector<std::string> rest = arguments;
  const CommonArguments common = TakeCommonArguments(rest);
  RequireNoMoreArguments(rest);
  engine::TDataModule2 module;
  PrepareEngine(module, common);
  // Reports nothing and never fails: data/new_res.txt is either merged or left as it was.
  module.DownloadReservations();
  return ExitStatus(module);
}

}  // namespace

std::vector<Subcommand> ServerSubcommands() {
  return {{"status", "--home DIR",
           "ask the server for the site's status: User= and Field0=, Field1=, ... one per line",
           RunStatus},
          {"start", "--home DIR", "put the library's site on line, then fetch new reservations",
           RunStart},
          {"stop", "--home DIR", "put the library's site off line, then fetch new reservations",
           RunStop},
          {"reservations", "--home DIR",
           "fetch new reservations and merge them into data/new_res.txt", RunReservations}};
}

}  // namespace shelvex::cli
