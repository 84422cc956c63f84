// shelvex: the engine's operations on the command line, for scripts, cron and tests.

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"

namespace {

using shelvex::cli::Subcommand;

// Every subcommand group; a new group adds its function here.
std::vector<Subcommand> AllSubcommands() {
  std::vector<Subcommand> all;
  for (auto group : {shelvex::cli::OptionsSubcommands, shelvex::cli::DiscoverSubcommands,
                     shelvex::cli::ExportSubcommands, shelvex::cli::UploadSubcommands,
                     shelvex::cli::ServerSubcommands}) {
    for (const Subcommand& subcommand : group()) all.push_back(subcommand);
  }
  return all;
}

void PrintHelp(std::ostream& out, const std::vector<Subcommand>& subcommands) {
  out << "usage: shelvex <subcommand> [arguments]\n\nsubcommands:\n";
  for (const Subcommand& subcommand : subcommands) {
    out << "  " << subcommand.name << ' ' << subcommand.usage << "\n      " << subcommand.summary
        << '\n';
  }
  out << "\nDIR defaults to the folder of this program.\n";
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<Subcommand> subcommands = AllSubcommands();
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.empty()) {
    PrintHelp(std::cerr, subcommands);
    return 2;
  }
  if (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help") {
    PrintHelp(std::cout, subcommands);
    return 0;
  }
  const Subcommand* chosen = nullptr;
  for (const Subcommand& subcommand : subcommands) {
    if (subcommand.name == arguments[0]) chosen = &subcommand;
  }
  if (chosen == nullptr) {
    std::cerr << "shelvex: unknown subcommand: " << arguments[0] << "\n\n";
    PrintHelp(std::cerr, subcommands);
    return 2;
  }
  const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
  if (rest.size() == 1 && (rest[0] == "--help" || rest[0] == "-h")) {
    std::cout << "usage: shelvex " << chosen->name << ' ' << chosen->usage << "\n  "
              << chosen->summary << '\n';
    return 0;
  }
  try {
    return chosen->run(rest);
  } catch (const shelvex::cli::UsageError& error) {
    std::cerr << "shelvex " << chosen->name << ": " << error.what() << "\nusage: shelvex "
              << chosen->name << ' ' << chosen->usage << '\n';
    return 2;
  } catch (const std::exception& error) {
    std::cerr << "shelvex " << chosen->name << ": " << error.what() << '\n';
    return 1;
  } catch (...) {
    std::cerr << "shelvex " << chosen->name << ": unexpected failure\n";
    return 1;
  }
}
