#pragma once

#include <httplib.h>

#include <condition_variable>
#include <mutex>

#include "tools/hosting-server/account_store.h"
#include "tools/hosting-server/kept_requests.h"
#include "tools/hosting-server/request_handlers.h"
#include "tools/hosting-server/request_log.h"
#include "tools/hosting-server/server_settings.h"

namespace shelvex::host {

// The stand-in hosting server: answers the manager's requests under "/dar2ar.dll" from the account
// store. Requests are served on httplib's worker threads; Stop may be called from any thread.
class HostServer final {
 public:
  // Opens the log and the kept-requests folder. Throws Error or IoError naming what failed.
  explicit HostServer(ServerSettings settings);
  HostServer(const HostServer&) = delete;
  HostServer& operator=(const HostServer&) = delete;

  // Binds the listening socket and gives the port (the one chosen by the system for port 0). Throws
  // Error when the address cannot be bound.
  int Bind();
  // Serves until Stop. Returns at once when Stop came first.
  void Run();
  // Wakes stalled replies and makes Run return. Safe to call more than once, from any thread.
  void Stop();

  RequestLog& log() { return log_; }

 private:
  void Dispatch(const httplib::Request& request, httplib::Response& response);
  Reply Route(const httplib::Request& request);
  // Holds the reply back for --hang; false when the server is stopping meanwhile.
  bool Stall();

  ServerSettings settings_;
  AccountStore store_;
  RequestLog log_;
  KeptRequests kept_;
  HandlerContext context_;
  httplib::Server server_;

  std::mutex stop_mutex_;
  std::condition_variable stop_signal_;
  bool stopping_ = false;
};

}  // namespace shelvex::host
