#pragma once

#include <filesystem>

namespace shelvex::manager {

// Starts the script `script` as a process of its own, with `working_folder` as its current folder
// and the manager's environment, inheriting no open files but standard input, output and error;
// does not wait for it. A script without the execute permission is run by /bin/sh. True when the
// process started. A background thread collects the process when it ends.
bool RunBatchFile(const std::filesystem::path& script, const std::filesystem::path& working_folder);

}  // namespace shelvex::manager
