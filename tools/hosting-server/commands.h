#pragma once

#include <string>
#include <vector>

namespace shelvex::host {

// The program's commands; each takes the words after the command name and gives the exit status.
// Failures throw Error, which main reports as "shelvexhost: <message>".
int RunServe(const std::vector<std::string>& args);
int RunAddAccount(const std::vector<std::string>& args);
int RunSetAccount(const std::vector<std::string>& args);
int RunAddReservation(const std::vector<std::string>& args);
int RunShowAccount(const std::vector<std::string>& args);

// The text of --help.
const char* UsageText();

}  // namespace shelvex::host
