#include "engine/internal/http_request.h"

#include <curl/curl.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "engine/internal/multipart_body.h"

namespace shelvex::engine::internal {

namespace {

constexpr long kConnectTimeoutSeconds = 30;
constexpr long kLowSpeedTimeSeconds = 120;

// A positive whole number of seconds from the environment, else `fallback`.
long SecondsFromEnvironment(const char* name, long fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr) return fallback;
  long seconds = 0;
  const char* end = text + std::strlen(text);
  const auto [stop, error] = std::from_chars(text, end, seconds);
  if (error != std::errc() || stop != end || seconds <= 0) return fallback;
  return seconds;
}

// The address without its query, for messages: the query may hold passwords.
std::string WithoutQuery(const std::string& url) { return url.substr(0, url.find('?')); }

// Where the reply body goes, up to kMaxReplyBytes.
struct ReplySink {
  std::string bytes;
  bool too_large = false;
};

size_t TakeReply(char* data, size_t size, size_t count, void* user) {
  auto& sink = *static_cast<ReplySink*>(user);
  const size_t length = size * count;
  if (sink.bytes.size() + length > kMaxReplyBytes) {
    sink.too_large = true;
    return 0;  // libcurl ends the transfer with CURLE_WRITE_ERROR
  }
  sink.bytes.append(data, length);
  return length;
}

}  // namespace

struct HttpRequest::Handles {
  Handles() : easy(curl_easy_init()) {}
  ~Handles() {
    curl_slist_free_all(headers);
    curl_easy_cleanup(easy);
  }
  Handles(const Handles&) = delete;
  Handles& operator=(const Handles&) = delete;

  CURL* easy;
  curl_slist* headers = nullptr;
  char error_text[CURL_ERROR_SIZE] = {};
  ReplySink reply;
  std::string body_error;  // why the body could not be read, when it could not
};

HttpRequest::HttpRequest(std::string url) : url_(std::move(url)) {
  static std::once_flag global_init;
  std::call_once(global_init, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  handles_ = std::make_unique<Handles>();
  CURL* easy = handles_->easy;
  if (easy == nullptr) throw Error(WithoutQuery(url_) + ": cannot make an HTTP client");
  curl_easy_setopt(easy, CURLOPT_URL, url_.c_str());
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, handles_->error_text);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, TakeReply);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &handles_->reply);
  // Direct unless UseProxy says otherwise: an http_proxy in the environment must not reroute it.
  curl_easy_setopt(easy, CURLOPT_PROXY, "");
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT,
                   SecondsFromEnvironment("SHELVEX_CONNECT_TIMEOUT", kConnectTimeoutSeconds));
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME,
                   SecondsFromEnvironment("SHELVEX_LOW_SPEED_TIME", kLowSpeedTimeSeconds));
}

HttpRequest::~HttpRequest() = default;

void HttpRequest::UseProxy(const ProxySettings& proxy) {
  CURL* easy = handles_->easy;
  curl_easy_setopt(easy, CURLOPT_PROXY, proxy.host.c_str());
  // no_proxy=127.0.0.1 in the environment would otherwise bypass the proxy that was asked for.
  curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
  if (proxy.port) curl_easy_setopt(easy, CURLOPT_PROXYPORT, *proxy.port);
  if (!proxy.user_name.empty() || !proxy.password.empty()) {
    curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, proxy.user_name.c_str());
    curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, proxy.password.c_str());
    // First without credentials; they go out only when the proxy asks (407), in the method it
    // names. The streamed body is then sent again from the start, through the seek callback.
    curl_easy_setopt(easy, CURLOPT_PROXYAUTH, static_cast<unsigned long>(CURLAUTH_ANY));
  }
}

namespace {

struct BodyReader {
  MultipartBody* body;
  std::string* error;
};

size_t ReadBody(char* buffer, size_t size, size_t count, void* user) {
  auto& reader = *static_cast<BodyReader*>(user);
  try {
    return reader.body->Read(buffer, size * count);
  } catch (const std::exception& error) {
    *reader.error = error.what();
    return CURL_READFUNC_ABORT;
  }
}

int SeekBody(void* user, curl_off_t offset, int origin) {
  auto& reader = *static_cast<BodyReader*>(user);
  if (origin != SEEK_SET || offset < 0) return CURL_SEEKFUNC_CANTSEEK;
  return reader.body->Seek(static_cast<std::uint64_t>(offset)) ? CURL_SEEKFUNC_OK
                                                               : CURL_SEEKFUNC_FAIL;
}

}  // namespace

void HttpRequest::SetBody(MultipartBody& body) {
  body_ = &body;
  handles_->headers =
      curl_slist_append(handles_->headers, ("Content-Type: " + body.ContentType()).c_str());
  // Without this libcurl waits for a "100 Continue" before bodies over 1 MiB, which costs a second
  // with servers that never send one.
  handles_->headers = curl_slist_append(handles_->headers, "Expect:");
  CURL* easy = handles_->easy;
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, handles_->headers);
  curl_easy_setopt(easy, CURLOPT_POST, 1L);
  curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
}

std::string HttpRequest::Perform() {
  CURL* easy = handles_->easy;
  BodyReader reader{body_, &handles_->body_error};
  if (body_ != nullptr) {
    curl_easy_setopt(easy, CURLOPT_READFUNCTION, ReadBody);
    curl_easy_setopt(easy, CURLOPT_READDATA, &reader);
    curl_easy_setopt(easy, CURLOPT_SEEKFUNCTION, SeekBody);
    curl_easy_setopt(easy, CURLOPT_SEEKDATA, &reader);
  }
  handles_->reply = ReplySink();
  const CURLcode result = curl_easy_perform(easy);
  const std::string context = WithoutQuery(url_) + ": ";
  if (result != CURLE_OK) {
    // A broken transfer leaves part of the reply behind; none of it may count as an answer.
    handles_->reply.bytes.clear();
    if (handles_->reply.too_large) {
      throw TransferError(context + "the reply is larger than " +
                          std::to_string(kMaxReplyBytes >> 20) + " MiB");
    }
    if (!handles_->body_error.empty()) throw TransferError(context + handles_->body_error);
    const std::string detail = handles_->error_text[0] != '\0' ? handles_->error_text : "";
    throw TransferError(context + curl_easy_strerror(result) +
                        (detail.empty() ? "" : " (" + detail + ")"));
  }
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  if (status < 200 || status > 299) {
    handles_->reply.bytes.clear();
    throw TransferError(context + "the server answered with HTTP status " + std::to_string(status));
  }
  return std::move(handles_->reply.bytes);
}

}  // namespace shelvex::engine::internal
