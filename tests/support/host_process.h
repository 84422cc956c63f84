#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace shelvex::testing {

// The shelvexhost program of this build; the environment variable SHELVEX_HOST_PROGRAM names
// another one.
std::filesystem::path HostProgram();

// How a program that ran to its end went.
struct ProgramResult {
  int exit_code = -1;  // -1 when a signal ended it
  std::string output;  // standard output
  std::string errors;  // standard error
};

// Runs `argv` (argv[0] looked up in PATH) with no input and waits for it; the arguments are passed
// as bytes, so 8-bit texts arrive unchanged. Throws std::runtime_error when it cannot be started.
ProgramResult RunProgram(const std::vector<std::string>& argv);

// Runs one shelvexhost command: RunHost({"add-account", "--root", dir, "--user", "lib1"}).
ProgramResult RunHost(const std::vector<std::string>& args);

// A shelvexhost server running as a child process for the length of a test. The constructor starts
// "shelvexhost serve --listen 127.0.0.1 --port 0 ARGS" (without "--port 0" when ARGS hold "--port"
// or `extra_env` sets SHELVEX_SERVER_PORT) and returns once the server has printed "listening on
// ADDR:PORT". The destructor stops it with SIGTERM. Not thread-safe; one object per server.
class HostProcess final {
 public:
  // Throws std::runtime_error, with what the server wrote to standard error, when it ends or stays
  // silent for 10 seconds instead of listening.
  explicit HostProcess(const std::vector<std::string>& args,
                       const std::vector<std::string>& extra_env = {});
  ~HostProcess();
  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;

  int port() const { return port_; }
  pid_t pid() const { return pid_; }
  // "http://127.0.0.1:PORT" followed by `path_and_query` ("/dar2ar.dll/cmd?user=lib1&cmd=status").
  std::string Url(std::string_view path_and_query = {}) const;
  // What the server has written to standard error so far: its request log unless it was given
  // --log.
  std::string Errors() const;

  // Sends SIGTERM and waits for the server to end, killing it after 10 seconds. Gives its exit
  // status: 0 after a clean stop, -1 when a signal ended it (or it had to be killed). Later calls
  // give the same status.
  int Stop();

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  int output_fd_ =
      -1;  // the server's standard output, kept open so that it never writes into a closed pipe
  std::filesystem::path errors_file_;
  int exit_code_ = -1;
};

}  // namespace shelvex::testing
