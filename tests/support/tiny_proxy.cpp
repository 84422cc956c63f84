#include "tests/support/tiny_proxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tests/support/raw_http_server.h"

extern char** environ;

namespace shelvex::testing {

namespace {

bool Accepts(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return connected;
}

}  // namespace

TinyProxy::TinyProxy(const std::string& user, const std::string& password) {
  // tinyproxy cannot report a port of its own choosing, so one is picked for it.
  port_ = UnusedLoopbackPort();
  const std::filesystem::path conf = folder_ / "tinyproxy.conf";
  std::string text = "Port " + std::to_string(port_) +
                     "\nListen 127.0.0.1\nAllow 127.0.0.1\nTimeout 60\nLogLevel Connect\n"
                     "LogFile \"" +
                     (folder_ / "tinyproxy.log").string() + "\"\nPidFile \"" +
                     (folder_ / "tinyproxy.pid").string() + "\"\n";
  if (!user.empty()) text += "BasicAuth " + user + " " + password + "\n";
  WriteAll(conf, text);

  const std::string conf_path = conf.string();
  std::vector<char*> argv{const_cast<char*>("tinyproxy"), const_cast<char*>("-d"),
                          const_cast<char*>("-c"), const_cast<char*>(conf_path.c_str()), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, (folder_ / "stderr.txt").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int error = ::posix_spawnp(&pid_, "tinyproxy", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error(std::string("tinyproxy: ") + std::strerror(error));

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!Accepts(port_)) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      throw std::runtime_error("tinyproxy ended at start: " + ReadAll(folder_ / "stderr.txt"));
    }
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, &status, 0);
      pid_ = -1;
      throw std::runtime_error("tinyproxy did not listen on port " + std::to_string(port_));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

TinyProxy::~TinyProxy() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status = 0;
  ::waitpid(pid_, &status, 0);
}

std::string TinyProxy::Log() const {
  std::error_code error;
  if (!std::filesystem::exists(folder_ / "tinyproxy.log", error)) return {};
  return ReadAll(folder_ / "tinyproxy.log");
}

}  // namespace shelvex::testing
