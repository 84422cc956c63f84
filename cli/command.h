#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace shelvex::cli {

// One subcommand of the program: `shelvex <name> [arguments]`. Each subcommand group lives in a
// file of its own and offers a function that returns its entries; main.cpp lists those functions.
struct Subcommand {
  std::string_view name;
  std::string_view usage;    // the arguments, e.g. "--home DIR [--save]"
  std::string_view summary;  // one line for --help
  // Runs with the arguments after the name; returns the exit status. Throws UsageError for bad
  // arguments.
  int (*run)(const std::vector<std::string>& arguments);
};

// Bad command-line arguments: the program prints the message and the usage, and exits with
// status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The arguments every engine subcommand shares.
struct CommonArguments {
  std::string home;  // --home DIR, ending in "/"
};

// Takes "--home DIR" or "--home=DIR" out of `arguments` (the program folder when absent).
CommonArguments TakeCommonArguments(std::vector<std::string>& arguments);
// Takes the switch `name` ("--save") out of `arguments`; true when it was there.
bool TakeSwitch(std::vector<std::string>& arguments, std::string_view name);
// Throws UsageError when an argument is left over.
void RequireNoMoreArguments(const std::vector<std::string>& arguments);

// The subcommand groups.
std::vector<Subcommand> OptionsSubcommands();
std::vector<Subcommand> DiscoverSubcommands();
std::vector<Subcommand> UploadSubcommands();
std::vector<Subcommand> ServerSubcommands();
std::vector<Subcommand> ExportSubcommands();

}  // namespace shelvex::cli
