#include <algorithm>

#include "cli/command.h"
#include "platform/folder.h"

namespace shelvex::cli {

CommonArguments TakeCommonArguments(std::vector<std::string>& arguments) {
  CommonArguments common;
  for (std::size_t i = 0; i < arguments.size();) {
    const std::string& argument = arguments[i];
    if (argument == "--home") {
      if (i + 1 >= arguments.size()) throw UsageError("--home needs a folder");
      common.home = arguments[i + 1];
      arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(i),
                      arguments.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    } else if (argument.starts_with("--home=")) {
      common.home = argument.substr(7);
      arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
  if (common.home.empty()) {
    common.home = platform::ProgramFolder();
  } else if (common.home.back() != '/') {
    common.home += '/';
  }
  return common;
}

bool TakeSwitch(std::vector<std::string>& arguments, std::string_view name) {
  const auto found = std::find(arguments.begin(), arguments.end(), name);
  if (found == arguments.end()) return false;
  arguments.erase(found);
  return true;
}

void RequireNoMoreArguments(const std::vector<std::string>& arguments) {
  if (!arguments.empty()) throw UsageError("unknown argument: " + arguments.front());
}

}  // namespace shelvex::cli
