#include "manager/app_arguments.h"

#include "platform/error.h"

namespace shelvex::manager {

AppArguments ParseAppArguments(const std::vector<std::string>& words) {
  AppArguments arguments;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    std::string name = word;
    std::optional<std::string> value;
    if (const auto equals = word.find('='); word.starts_with("--") && equals != std::string::npos) {
      name = word.substr(0, equals);
      value = word.substr(equals + 1);
    }
    if (name == "--help" || name == "-h") {
      arguments.help = true;
      continue;
    }
    if (name != "--home" && name != "--screenshot") {
      throw Error(word + ": unknown option (see --help)");
    }
    if (!value) {
      if (i + 1 >= words.size()) throw Error(name + ": a folder must follow");
      value = words[++i];
    }
    if (value->empty()) throw Error(name + ": the folder is empty");
    (name == "--home" ? arguments.home : arguments.screenshot) = *value;
  }
  return arguments;
}

const char* AppUsageText() {
  return R"(shelvexapp: Lantern Manager, the librarian's desktop program.

USAGE
  shelvexapp [--home DIR] [--screenshot OUT]

OPTIONS
  --home DIR         the program folder: db_upl.ini, the field lists, the password files, the activity
                     log and the xml working folder live there (default: the folder of this program)
  --screenshot OUT   start as usual, save a picture of each tab and of the status dialog into the
                     folder OUT (schedule.png, general_server_options.png, web_server_display.png,
                     search_options.png, server_status.png), close the window as the librarian
                     would, so that the settings are saved, and exit. Without a display it draws
                     offscreen.
  --help             this text
)";
}

}  // namespace shelvex::manager
