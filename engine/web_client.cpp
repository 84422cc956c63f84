// The client side of the hosting server's endpoint dar2ar.dll: the archive upload and the commands.
// Each request uses a client of its own, so nothing carries over from one request to the next.

#include <charconv>
#include <cstdlib>
#include <optional>

#include "engine/data_module.h"
#include "engine/internal/http_request.h"
#include "engine/internal/multipart_body.h"
#include "engine/internal/query_value.h"
#include "platform/code_page.h"
#include "platform/media_type.h"

namespace shelvex::engine {

namespace {

constexpr char kServerPort[] = "731";
constexpr char kSuccessReply[] = "ok";

// The proxy port as a decimal number; nullopt (libcurl's default) for anything else.
std::optional<long> ProxyPortNumber(const std::string& text) {
  long port = 0;
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;
  const auto [stop, error] = std::from_chars(begin, end, port);
  if (text.empty() || error != std::errc() || stop != end || port < 0 || port > 65535) {
    return std::nullopt;
  }
  return port;
}

// "user=" + the account in the ANSI code page, encoded for the query.
std::string UserQuery(const std::string& user) {
  return "user=" + internal::QueryValue(platform::Utf8ToAnsi(user));
}

}  // namespace

std::string TDataModule2::ServerAddress(const std::string& rest) const {
  const char* port = std::getenv("SHELVEX_SERVER_PORT");
  return "http://" + IPAdd + ":" + (port != nullptr && *port != '\0' ? port : kServerPort) +
         "/dar2ar.dll" + rest;
}

std::string TDataModule2::XmlFolder() const { return HomeDir + "xml"; }

void TDataModule2::SetProxy(internal::HttpRequest& Http1) const {
  if (!UseProxy) return;
  internal::ProxySettings proxy;
  proxy.host = ProxyAddr;
  proxy.port = ProxyPortNumber(ProxyPort);
  proxy.user_name = ProxyUserName;
  proxy.password = ProxyPwd;
  Http1.UseProxy(proxy);
}

void TDataModule2::PostArchive(bool opt, std::string& reply) {
  reply.clear();
  const std::string archive = XmlFolder() + "/xml.zip";
  // Opening the archive is not guarded: a missing archive ends the caller's operation.
  internal::MultipartBody body(internal::MakeBoundary(Now()), archive,
                               platform::MediaTypeForExtension(".zip"));
  try {
    internal::HttpRequest request(ServerAddress("/?" + UserQuery(User) + (opt ? "&opt=Y" : "")));
    SetProxy(request);
    request.SetBody(body);
    const std::string answer = request.Perform();
    if (answer != kSuccessReply) {
      ++ErrorCnt;
      reply = platform::AnsiToUtf8(answer);
    }
  } catch (const Error&) {
    ++ErrorCnt;
  }
}

std::string TDataModule2::StartStop(bool isStart) {
  std::string result;
  ErrorCnt = 0;
  try {
    // Start and stop go directly, whatever the proxy options say.
    internal::HttpRequest request(
        ServerAddress("/cmd?" + UserQuery(User) + (isStart ? "&cmd=start" : "&cmd=stop")));
    const std::string answer = request.Perform();
    if (answer != kSuccessReply) {
      ++ErrorCnt;
      result = platform::AnsiToUtf8(answer);
    }
  } catch (const Error&) {
    ++ErrorCnt;
  }
  return result;
}

std::string TDataModule2::ServerStatus() {
  std::string result;
  ErrorCnt = 0;
  try {
    internal::HttpRequest request(ServerAddress("/cmd?" + UserQuery(User) + "&cmd=status"));
    SetProxy(request);
    result = platform::AnsiToUtf8(request.Perform());
  } catch (const Error&) {
    ++ErrorCnt;
  }
  return result;
}

bool TDataModule2::UploadPwd(const std::string& pwd0, const std::string& pwd1) {
  ErrorCnt = 0;
  try {
    internal::HttpRequest request(ServerAddress("/cmd?" + UserQuery(User) +
                                                "&cmd=pwd&p0=" + internal::QueryValue(pwd0) +
                                                "&p1=" + internal::QueryValue(pwd1)));
    return request.Perform() == kSuccessReply;
  } catch (const Error&) {
    return false;
  }
}

void TDataModule2::SplitStatusReply(const std::string& text, std::vector<std::string>& list,
                                    std::string& user) {
  user.clear();
  if (text.empty()) return;
  const std::size_t tilde = text.find('~');
  std::string_view rest = text;
  if (tilde != std::string::npos) {
    user = text.substr(0, tilde);
    rest.remove_prefix(tilde + 1);
  }
  std::string field;
  for (const char c : rest) {
    if (c == ';') {
      list.push_back(std::move(field));
      field.clear();
    } else {
      field += c;
    }
  }
  if (!field.empty()) list.push_back(std::move(field));
}

}  // namespace shelvex::engine
