#include "tests/support/raw_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace shelvex::testing {

namespace {

int BindLoopback(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
  const int yes = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    ::close(fd);
    throw std::runtime_error("bind 127.0.0.1:" + std::to_string(port) + ": " +
                             std::strerror(error));
  }
  return fd;
}

int PortOf(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

RawHttpServer::RawHttpServer(std::string reply_body, std::string content_type)
    : RawHttpServer(RawResponse{"HTTP/1.1 200 OK\r\nContent-Type: " + content_type +
                                "\r\nContent-Length: " + std::to_string(reply_body.size()) +
                                "\r\nConnection: close\r\n\r\n" + reply_body}) {}

RawHttpServer::RawHttpServer(RawResponse response, int port) : reply_(std::move(response.bytes)) {
  listener_ = BindLoopback(port);
  if (::listen(listener_, 16) != 0) {
    ::close(listener_);
    throw std::runtime_error(std::string("listen: ") + std::strerror(errno));
  }
  port_ = PortOf(listener_);
  thread_ = std::thread([this] { Serve(); });
}

RawHttpServer::~RawHttpServer() {
  stopping_ = true;
  thread_.join();
  ::close(listener_);
}

std::vector<std::string> RawHttpServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::string RawHttpServer::FirstRequest() const {
  std::lock_guard lock(mutex_);
  return requests_.empty() ? std::string() : requests_.front();
}

void RawHttpServer::Serve() {
  while (!stopping_) {
    pollfd ready{listener_, POLLIN, 0};
    if (::poll(&ready, 1, 50) <= 0) continue;
    const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    Answer(connection);
    ::close(connection);
  }
}

void RawHttpServer::Answer(int connection) {
  std::string request;
  std::size_t wanted = std::string::npos;  // the whole request's length once the headers are in
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!stopping_ && std::chrono::steady_clock::now() < deadline &&
         (wanted == std::string::npos || request.size() < wanted)) {
    pollfd ready{connection, POLLIN, 0};
    if (::poll(&ready, 1, 50) <= 0) continue;
    char buffer[65536];
    const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    request.append(buffer, static_cast<std::size_t>(got));
    const std::size_t end = request.find("\r\n\r\n");
    if (wanted == std::string::npos && end != std::string::npos) {
      const std::string length = HeaderValue(request, "Content-Length");
      wanted = end + 4 + (length.empty() ? 0 : std::stoull(length));
    }
  }
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
  }
  std::string_view rest = reply_;
  while (!rest.empty()) {
    const ssize_t sent = ::send(connection, rest.data(), rest.size(), MSG_NOSIGNAL);
    if (sent <= 0) break;
    rest.remove_prefix(static_cast<std::size_t>(sent));
  }
}

std::string HeaderValue(const std::string& request, const std::string& name) {
  const std::string head = request.substr(0, request.find("\r\n\r\n"));
  const std::string wanted = Lower(name) + ":";
  std::size_t start = head.find("\r\n");
  while (start != std::string::npos) {
    start += 2;
    const std::size_t end = head.find("\r\n", start);
    const std::string line = head.substr(start, end == std::string::npos ? end : end - start);
    if (Lower(line.substr(0, wanted.size())) == wanted) {
      const std::size_t value = line.find_first_not_of(' ', wanted.size());
      return value == std::string::npos ? std::string() : line.substr(value);
    }
    start = end;
  }
  return {};
}

std::string RequestLine(const std::string& request) {
  return request.substr(0, request.find("\r\n"));
}

std::string RequestBody(const std::string& request) {
  const std::size_t end = request.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : request.substr(end + 4);
}

int UnusedLoopbackPort() {
  const int fd = BindLoopback(0);
  const int port = PortOf(fd);
  ::close(fd);
  return port;
}

}  // namespace shelvex::testing
