#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

#include "tests/support/temp_folder.h"

namespace shelvex::testing {

// A real HTTP proxy for the length of a test: tinyproxy on 127.0.0.1 at a free port, asking for
// Basic credentials when `user` is not empty. It marks every request it forwards with a "Via"
// header naming tinyproxy and logs each connection.
class TinyProxy final {
 public:
  // Starts "tinyproxy -d -c CONF" and returns once it accepts connections. Throws
  // std::runtime_error when it does not within 10 seconds.
  TinyProxy(const std::string& user, const std::string& password);
  ~TinyProxy();  // SIGTERM, then waits for it
  TinyProxy(const TinyProxy&) = delete;
  TinyProxy& operator=(const TinyProxy&) = delete;

  int port() const { return port_; }
  // What tinyproxy has logged so far.
  std::string Log() const;

 private:
  TempFolder folder_;
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace shelvex::testing
