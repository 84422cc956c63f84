#pragma once

#include <string>

#include "tools/hosting-server/account_store.h"
#include "tools/hosting-server/kept_requests.h"
#include "tools/hosting-server/server_settings.h"

namespace httplib {
struct Request;
}

namespace shelvex::host {

// What the server answers, and a note for the request log about what it did.
struct Reply {
  int status = 200;
  std::string body;
  std::string content_type = "text/plain";
  std::string note;
};

inline Reply TextReply(std::string body, std::string note = {}) {
  return Reply{200, std::move(body), "text/plain", std::move(note)};
}

// Everything a handler needs; shared by all request threads (the store is locked per request).
struct HandlerContext {
  const ServerSettings& settings;
  const AccountStore& store;
  KeptRequests& kept;
};

// POST /dar2ar.dll/?user=U[&opt=Y], the archive in the multipart part "myfile".
Reply HandleUpload(HandlerContext& context, const httplib::Request& request);

// GET /dar2ar.dll/cmd?user=U&cmd=start|stop|status|pwd|reservations.
Reply HandleCommand(HandlerContext& context, const httplib::Request& request);

}  // namespace shelvex::host
