#include "manager/batch_file.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

extern char** environ;

namespace shelvex::manager {

namespace {

// posix_spawn's file actions, destroyed on every exit.
class SpawnActions final {
 public:
  SpawnActions() { ok_ = posix_spawn_file_actions_init(&actions_) == 0; }
  ~SpawnActions() {
    if (ok_) posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;

  bool ok() const { return ok_; }
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
  bool ok_ = false;
};

}  // namespace

bool RunBatchFile(const std::filesystem::path& script,
                  const std::filesystem::path& working_folder) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(script, error)) return false;
  SpawnActions actions;
  if (!actions.ok()) return false;
  // The child's folder is set in the child alone: changing the manager's own current folder would
  // move every relative path of the running program.
  if (posix_spawn_file_actions_addchdir_np(actions.get(), working_folder.c_str()) != 0) {
    return false;
  }
  if (posix_spawn_file_actions_addclosefrom_np(actions.get(), STDERR_FILENO + 1) != 0) {
    return false;
  }

  std::string program = script.string();
  std::vector<std::string> words{program};
  if (::access(program.c_str(), X_OK) != 0) {
    // Scripts unpacked from an archive often lose their execute bit; they are shell scripts.
    words = {"/bin/sh", program};
    program = "/bin/sh";
  }
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), actions.get(), nullptr, argv.data(), environ) != 0) {
    return false;
  }
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

}  // namespace shelvex::manager
