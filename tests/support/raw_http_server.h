#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace shelvex::testing {

// A loopback HTTP server in the test process that keeps every request exactly as it arrived
// (request line, headers and a Content-Length body) and answers each one with the same reply. For
// tests of what a client sends byte for byte, which a full server would parse away.
class RawHttpServer final {
 public:
  // Listens on 127.0.0.1 at a free port. `reply_body` goes out with status 200 and
  // `content_type`. Throws std::runtime_error when it cannot listen.
  explicit RawHttpServer(std::string reply_body, std::string content_type = "text/plain");
  // Answers every request with `response` (status line, headers and body as they are), listening
  // on `port` (0: a free one).
  struct RawResponse {
    std::string bytes;
  };
  explicit RawHttpServer(RawResponse response, int port = 0);
  ~RawHttpServer();
  RawHttpServer(const RawHttpServer&) = delete;
  RawHttpServer& operator=(const RawHttpServer&) = delete;

  int port() const { return port_; }
  // The requests answered so far, oldest first.
  std::vector<std::string> Requests() const;
  // The first request, or an empty text when none came.
  std::string FirstRequest() const;

 private:
  void Serve();
  void Answer(int connection);

  std::string reply_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// The value of header `name` (case-insensitive) in a raw request, without the blanks after the
// colon; an empty text when it is missing.
std::string HeaderValue(const std::string& request, const std::string& name);
// The request line ("GET /x HTTP/1.1").
std::string RequestLine(const std::string& request);
// Everything after the blank line that ends the headers.
std::string RequestBody(const std::string& request);

// A port on 127.0.0.1 that nothing listens on at the moment of the call.
int UnusedLoopbackPort();

}  // namespace shelvex::testing
