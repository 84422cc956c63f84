#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/error.h"
#include "tools/hosting-server/command_line.h"
#include "tools/hosting-server/commands.h"
#include "tools/hosting-server/host_server.h"

namespace shelvex::host {

namespace {

constexpr OptionSpec kServeOptions[] = {
    {"root", true},          {"listen", true},        {"port", true},  {"log", true},
    {"keep-requests", true}, {"max-upload-mb", true}, {"reply", true}, {"status-code", true},
    {"not-archive", false},  {"hang", true},
};

ServerSettings ReadSettings(const std::vector<std::string>& args) {
  ParsedOptions options = ParsedOptions::Parse(args, kServeOptions);
  ServerSettings settings;
  settings.root = options.Required("root");
  if (auto listen = options.Last("listen")) settings.listen = *listen;
  if (const char* env = std::getenv("SHELVEX_SERVER_PORT"); env != nullptr && *env != '\0') {
    settings.port = ParsePort(env, "SHELVEX_SERVER_PORT");
  }
  if (auto port = options.Last("port")) settings.port = ParsePort(*port, "--port");
  if (auto log = options.Last("log")) settings.log_file = *log;
  if (auto keep = options.Last("keep-requests")) settings.keep_requests = *keep;
  if (auto megabytes = options.Last("max-upload-mb")) {
    std::uint64_t bytes = ParseWholeNumber(*megabytes, "--max-upload-mb", 16384) << 20;
    if (bytes == 0) throw UsageError("--max-upload-mb: must be at least 1");
    settings.max_upload_bytes = bytes;
    settings.limits.max_total_bytes = bytes;
  }
  settings.reply = options.Last("reply");
  if (auto status = options.Last("status-code"))
    settings.status_code = ParseHttpStatus(*status, "--status-code");
  settings.not_archive = options.Has("not-archive");
  if (auto hang = options.Last("hang")) settings.hang_seconds = ParseSeconds(*hang, "--hang");
  return settings;
}

std::string ShownAddress(const std::string& address) {
  return address.find(':') == std::string::npos ? address : "[" + address + "]";
}

}  // namespace

int RunServe(const std::vector<std::string>& args) {
  ServerSettings settings = ReadSettings(args);
  std::string address = settings.listen;

  // SIGTERM and SIGINT go to one watcher thread only: block them before httplib starts its workers.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  HostServer server(std::move(settings));
  int port = server.Bind();
  server.log().WriteEvent("shelvexhost listening on " + ShownAddress(address) + ":" +
                          std::to_string(port));
  std::printf("listening on %s:%d\n", ShownAddress(address).c_str(), port);
  std::fflush(stdout);

  std::atomic<bool> finished{false};
  std::thread watcher([&] {
    timespec tick{0, 100 * 1000 * 1000};
    while (!finished) {
      int signal_number = sigtimedwait(&stop_signals, nullptr, &tick);
      if (signal_number <= 0) continue;
      server.log().WriteEvent(std::string("shelvexhost stopping on ") +
                              (signal_number == SIGINT ? "SIGINT" : "SIGTERM"));
      // A signal that comes while Run is still starting up would be missed by one Stop; repeat
      // until it returns.
      while (!finished) {
        server.Stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    }
  });
  server.Run();
  finished = true;
  watcher.join();
  server.log().WriteEvent("shelvexhost stopped");
  return 0;
}

}  // namespace shelvex::host
