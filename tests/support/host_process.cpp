#include "tests/support/host_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <utility>

extern char** environ;

namespace shelvex::testing {

namespace fs = std::filesystem;

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr auto kStopTimeout = std::chrono::seconds(10);

int ExitCodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

class Pipe final {
 public:
  Pipe() {
    if (::pipe2(fds_, O_CLOEXEC) != 0)
      throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  int read_end() const { return fds_[0]; }
  int write_end() const { return fds_[1]; }
  int ReleaseRead() { return std::exchange(fds_[0], -1); }
  void CloseRead() {
    if (fds_[0] >= 0) ::close(std::exchange(fds_[0], -1));
  }
  void CloseWrite() {
    if (fds_[1] >= 0) ::close(std::exchange(fds_[1], -1));
  }

 private:
  int fds_[2] = {-1, -1};
};

// Spawn attributes for a child that starts with default signal handling and nothing blocked,
// whatever the test runner has set up.
class SpawnSetup final {
 public:
  SpawnSetup() {
    posix_spawnattr_init(&attributes_);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal_number : {SIGTERM, SIGINT, SIGPIPE}) sigaddset(&defaults, signal_number);
    posix_spawnattr_setsigmask(&attributes_, &none);
    posix_spawnattr_setsigdefault(&attributes_, &defaults);
    posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawn_file_actions_init(&actions_);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attributes_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  void InputFromNull() { posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0); }
  void Redirect(int fd, int target) { posix_spawn_file_actions_adddup2(&actions_, fd, target); }
  void RedirectToFile(int target, const fs::path& path) {
    posix_spawn_file_actions_addopen(&actions_, target, path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
  }

  pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extra_env,
              bool search_path) {
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> env_strings;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      std::string_view text(*entry);
      bool replaced =
          std::any_of(extra_env.begin(), extra_env.end(), [&](const std::string& extra) {
            std::size_t equals = extra.find('=');
            return text.substr(0, text.find('=')) == std::string_view(extra).substr(0, equals);
          });
      if (!replaced) env_strings.emplace_back(text);
    }
    env_strings.insert(env_strings.end(), extra_env.begin(), extra_env.end());
    std::vector<char*> env;
    for (std::string& entry : env_strings) env.push_back(entry.data());
    env.push_back(nullptr);
    pid_t pid = -1;
    int error = search_path
                    ? posix_spawnp(&pid, args[0], &actions_, &attributes_, args.data(), env.data())
                    : posix_spawn(&pid, args[0], &actions_, &attributes_, args.data(), env.data());
    if (error != 0) throw std::runtime_error(argv[0] + ": cannot start: " + std::strerror(error));
    return pid;
  }

 private:
  posix_spawnattr_t attributes_;
  posix_spawn_file_actions_t actions_;
};

std::string ReadFileQuietly(const fs::path& path) {
  std::string text;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buffer[4096];
  for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<size_t>(got));
  ::close(fd);
  return text;
}

fs::path NewErrorsFile() {
  const char* root = std::getenv("SHELVEX_TEST_TMP");
  fs::path folder = root != nullptr && *root != '\0' ? fs::path(root) : fs::temp_directory_path();
  fs::create_directories(folder);
  std::string name = (folder / "shelvexhost-stderr-XXXXXX").string();
  int fd = ::mkstemp(name.data());
  if (fd < 0) throw std::runtime_error(name + ": cannot create: " + std::strerror(errno));
  ::close(fd);
  return name;
}

}  // namespace

fs::path HostProgram() {
  const char* program = std::getenv("SHELVEX_HOST_PROGRAM");
  if (program != nullptr && *program != '\0') return program;
  return fs::path(SHELVEX_BINARY_DIR) / "tools" / "hosting-server" / "shelvexhost";
}

ProgramResult RunProgram(const std::vector<std::string>& argv) {
  Pipe output;
  Pipe errors;
  SpawnSetup setup;
  setup.InputFromNull();
  setup.Redirect(output.write_end(), 1);
  setup.Redirect(errors.write_end(), 2);
  pid_t pid = setup.Spawn(argv, {}, true);
  output.CloseWrite();
  errors.CloseWrite();

  ProgramResult result;
  pollfd fds[2] = {{output.read_end(), POLLIN, 0}, {errors.read_end(), POLLIN, 0}};
  std::string* sinks[2] = {&result.output, &result.errors};
  int open_count = 2;
  while (open_count > 0) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[65536];
      ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        fds[i].fd = -1;
        --open_count;
      }
    }
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.exit_code = ExitCodeOf(status);
  return result;
}

ProgramResult RunHost(const std::vector<std::string>& args) {
  std::vector<std::string> argv{HostProgram().string()};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv);
}

HostProcess::HostProcess(const std::vector<std::string>& args,
                         const std::vector<std::string>& extra_env)
    : errors_file_(NewErrorsFile()) {
  std::vector<std::string> argv{HostProgram().string(), "serve", "--listen", "127.0.0.1"};
  bool port_given = std::find(args.begin(), args.end(), "--port") != args.end() ||
                    std::any_of(extra_env.begin(), extra_env.end(), [](const std::string& e) {
                      return e.starts_with("SHELVEX_SERVER_PORT=");
                    });
  if (!port_given) argv.insert(argv.end(), {"--port", "0"});
  argv.insert(argv.end(), args.begin(), args.end());

  Pipe output;
  SpawnSetup setup;
  setup.InputFromNull();
  setup.Redirect(output.write_end(), 1);
  setup.RedirectToFile(2, errors_file_);
  pid_ = setup.Spawn(argv, extra_env, false);
  output.CloseWrite();
  output_fd_ = output.ReleaseRead();

  // Read the first line; the server prints nothing else on standard output.
  auto fail = [this](const std::string& what) {
    Stop();
    std::string message = what + " (exit status " + std::to_string(exit_code_) + "): " + Errors();
    std::error_code error;
    fs::remove(errors_file_, error);
    throw std::runtime_error(message);
  };
  std::string line;
  auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  while (line.find('\n') == std::string::npos) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd fd{output_fd_, POLLIN, 0};
    int ready = left.count() > 0 ? ::poll(&fd, 1, static_cast<int>(left.count())) : 0;
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) fail("shelvexhost did not start listening");
    char buffer[256];
    ssize_t got = ::read(output_fd_, buffer, sizeof buffer);
    if (got <= 0) fail("shelvexhost ended before it listened");
    line.append(buffer, static_cast<size_t>(got));
  }
  line.resize(line.find('\n'));
  std::size_t colon = line.rfind(':');
  if (!line.starts_with("listening on ") || colon == std::string::npos) {
    fail("shelvexhost printed \"" + line + "\" instead of \"listening on ADDR:PORT\"");
  }
  port_ = std::atoi(line.c_str() + colon + 1);
}

HostProcess::~HostProcess() {
  Stop();
  std::error_code error;
  fs::remove(errors_file_, error);
}

std::string HostProcess::Url(std::string_view path_and_query) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path_and_query);
}

std::string HostProcess::Errors() const { return ReadFileQuietly(errors_file_); }

int HostProcess::Stop() {
  if (pid_ < 0) return exit_code_;
  ::kill(pid_, SIGTERM);
  int status = 0;
  bool killed = false;
  auto deadline = std::chrono::steady_clock::now() + kStopTimeout;
  for (;;) {
    pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_ || (done < 0 && errno != EINTR)) break;
    if (!killed && std::chrono::steady_clock::now() > deadline) {
      ::kill(pid_, SIGKILL);
      killed = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  exit_code_ = killed ? -1 : ExitCodeOf(status);
  pid_ = -1;
  if (output_fd_ >= 0) ::close(std::exchange(output_fd_, -1));
  return exit_code_;
}

}  // namespace shelvex::testing
