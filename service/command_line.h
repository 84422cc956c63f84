#pragma once

#include <string>
#include <vector>

#include "platform/error.h"
#include "service/scheduler.h"

namespace shelvex::service {

// Wrong arguments: the message says which; the program exits with status 2.
class TUsageError final : public Error {
 public:
  using Error::Error;
};

// What the command line of shelvexserv asks for.
struct TCommandLine {
  // The switches INSTALL, UNINSTALL and SILENT, with "-" or "/" in any letter case, anywhere.
  bool install = false;
  bool uninstall = false;
  bool silent = false;
  bool help = false;
  // --home DIR, absolute and with a trailing "/"; empty when not given.
  std::string home;
  // --start-delay-ms, --tick-ms and --random-delay-minutes.
  TSchedulerTiming timing;
};

// `arguments` without the program name. Throws TUsageError for an unknown argument or a bad value.
TCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The text of --help.
std::string UsageText();

}  // namespace shelvex::service
