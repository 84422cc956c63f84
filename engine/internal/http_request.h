#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "platform/error.h"

namespace shelvex::engine::internal {

class MultipartBody;

// A request that did not give a usable reply: no connection, a name that does not resolve, a
// time-out, a broken or aborted transfer, a reply too large to take, or a status outside 2xx.
class TransferError : public Error {
 public:
  using Error::Error;
};

// Where a proxied request goes. An empty host sends the request directly.
struct ProxySettings {
  std::string host;
  std::optional<long> port;  // none: libcurl's own default (1080)
  std::string user_name;
  std::string password;
};

// The largest reply body a request takes; anything the hosting server sends is far smaller.
inline constexpr std::size_t kMaxReplyBytes = 64u << 20;

// One HTTP request over libcurl, owning its easy handle: made for one request and dropped after
// it, so that nothing (connection, cookie, credentials) survives to the next one.
//
// A request goes directly unless UseProxy is called, whatever http_proxy or no_proxy say in the
// environment. It gives up when the connection is not made within 30 seconds or when fewer than 1
// byte per second arrives for 120 seconds, so that an unattended upload never hangs for ever; the
// environment variables SHELVEX_CONNECT_TIMEOUT and SHELVEX_LOW_SPEED_TIME (whole seconds) change
// those two figures.
//
// Not thread-safe; one object per request.
class HttpRequest final {
 public:
  // `url` is sent as it is: the caller encodes the values in its query. Throws Error when libcurl
  // cannot make a handle.
  explicit HttpRequest(std::string url);
  ~HttpRequest();
  HttpRequest(const HttpRequest&) = delete;
  HttpRequest& operator=(const HttpRequest&) = delete;

  // Sends the request through `proxy`. The credentials are handed over when the proxy asks for
  // them, with the best method it offers.
  void UseProxy(const ProxySettings& proxy);
  // Makes the request a POST of `body`, which must outlive Perform.
  void SetBody(MultipartBody& body);

  // Sends the request and gives the reply body's bytes. Throws TransferError.
  std::string Perform();

 private:
  struct Handles;
  std::string url_;
  std::unique_ptr<Handles> handles_;
  MultipartBody* body_ = nullptr;
};

}  // namespace shelvex::engine::internal
