#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

extern char** environ;

namespace shelvex::testing {

// A program started for a test with its own environment additions, its standard output and error
// in files, and a pid to signal. The destructor kills it when it is still running.
class ChildProcess final {
 public:
  ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extra_env,
               const std::filesystem::path& output_folder)
      : errors_file_(output_folder / "stderr.txt") {
    std::vector<std::string> env_strings = extra_env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string_view text(*entry);
      const std::string_view key = text.substr(0, text.find('='));
      bool overridden = key == "JOURNAL_STREAM";  // the child's stderr is a file, not the journal
      for (const std::string& extra : extra_env) {
        overridden = overridden || std::string_view(extra).substr(0, extra.find('=')) == key;
      }
      if (!overridden) env_strings.emplace_back(text);
    }
    std::vector<char*> env;
    for (std::string& entry : env_strings) env.push_back(entry.data());
    env.push_back(nullptr);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (output_folder / "stdout.txt").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errors_file_.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // The test runner may block or ignore signals; the child starts with the defaults.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal_number : {SIGTERM, SIGINT, SIGUSR1, SIGPIPE})
      sigaddset(&defaults, signal_number);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int error = posix_spawn(&pid_, args[0], &actions, &attributes, args.data(), env.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) throw std::runtime_error(argv[0] + ": cannot start: " + std::strerror(error));
  }
  ~ChildProcess() {
    if (!exit_code_) {
      ::kill(pid_, SIGKILL);
      WaitForExit(std::chrono::seconds(10));
    }
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  void Signal(int signal_number) { ::kill(pid_, signal_number); }

  // The exit status (-1 when a signal ended it) once the program has ended within `timeout`.
  std::optional<int> WaitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!exit_code_) {
      int status = 0;
      const pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      } else if (std::chrono::steady_clock::now() >= deadline) {
        break;
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
    return exit_code_;
  }

  std::string Errors() const {
    std::string text;
    const int fd = ::open(errors_file_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) {
      text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
  }

 private:
  std::filesystem::path errors_file_;
  pid_t pid_ = -1;
  std::optional<int> exit_code_;
};

// The receiving end of sd_notify: a Unix datagram socket that a child finds through NOTIFY_SOCKET.
class NotifySocket final {
 public:
  explicit NotifySocket(std::filesystem::path path) : path_(std::move(path)) {
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (fd_ < 0 || path_.string().size() >= sizeof address.sun_path) {
      throw std::runtime_error(path_.string() + ": cannot make a notify socket");
    }
    std::strcpy(address.sun_path, path_.c_str());
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      throw std::runtime_error(path_.string() + ": cannot bind: " + std::strerror(errno));
    }
  }
  ~NotifySocket() {
    ::close(fd_);
    ::unlink(path_.c_str());
  }
  NotifySocket(const NotifySocket&) = delete;
  NotifySocket& operator=(const NotifySocket&) = delete;

  std::string Environment() const { return "NOTIFY_SOCKET=" + path_.string(); }

  // Collects messages until one holds the line `line` ("READY=1"); false when none came within
  // `timeout`.
  bool WaitFor(std::string_view line, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::size_t seen = 0;
    for (;;) {
      for (; seen < messages_.size(); ++seen) {
        if (HasLine(messages_[seen], line)) return true;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd ready{fd_, POLLIN, 0};
      if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
      char buffer[4096];
      const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
      if (got > 0) messages_.emplace_back(buffer, static_cast<std::size_t>(got));
    }
  }
  const std::vector<std::string>& messages() const { return messages_; }

 private:
  static bool HasLine(const std::string& message, std::string_view line) {
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = message.find('\n', start);
      if (std::string_view(message).substr(start, end - start) == line) return true;
      if (end == std::string::npos) return false;
      start = end + 1;
    }
  }

  std::filesystem::path path_;
  int fd_ = -1;
  std::vector<std::string> messages_;
};

}  // namespace shelvex::testing
