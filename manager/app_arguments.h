#pragma once

#include <optional>
#include <string>
#include <vector>

namespace shelvex::manager {

// The command line of shelvexapp.
struct AppArguments {
  std::string home;        // --home DIR: the program folder; empty: the folder of the program file
  std::string screenshot;  // --screenshot OUT: save pictures of the window into OUT, then close
  bool help = false;       // --help
};

// Parses the words after the program name. Throws Error "--name: cause" or "WORD: cause".
AppArguments ParseAppArguments(const std::vector<std::string>& words);

// The text of --help.
const char* AppUsageText();

}  // namespace shelvex::manager
