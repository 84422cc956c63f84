#include "tools/hosting-server/host_server.h"

#include <chrono>
#include <exception>

#include "platform/error.h"

namespace shelvex::host {

namespace {

// The handler's note for the request log. httplib calls the logger on the thread that ran the
// handler, right after the reply was written, so a thread-local slot carries the note across
// without touching the reply.
thread_local std::string t_note;

// Room for the multipart framing around the archive itself.
constexpr std::uint64_t kMultipartOverhead = 64 * 1024;

}  // namespace

HostServer::HostServer(ServerSettings settings)
    : settings_(std::move(settings)),
      store_(settings_.root),
      log_(settings_.log_file),
      kept_(settings_.keep_requests),
      context_{settings_, store_, kept_} {
  // Creates the root and its lock file now, so that an unusable root stops the start instead of
  // every request.
  StoreLock check_root(store_);
  server_.set_payload_max_length(settings_.max_upload_bytes + kMultipartOverhead);
  // One request per connection, as the manager sends them: an idle kept-alive connection would
  // otherwise hold up a stop until the client lets go.
  server_.set_keep_alive_max_count(1);
  auto handler = [this](const httplib::Request& request, httplib::Response& response) {
    Dispatch(request, response);
  };
  // Every path and method reaches Dispatch, which answers unknown ones itself with a clear text.
  server_.Get(".*", handler);
  server_.Post(".*", handler);
  server_.Put(".*", handler);
  server_.Delete(".*", handler);
  server_.Patch(".*", handler);
  server_.Options(".*", handler);
  server_.set_logger([this](const httplib::Request& request, const httplib::Response& response) {
    std::string remote = request.remote_addr.empty() ? "-" : request.remote_addr;
    log_.Write(remote, request.method, request.target.empty() ? request.path : request.target,
               response.status, response.get_header_value("Content-Type"), response.body, t_note);
    t_note.clear();
  });
}

int HostServer::Bind() {
  int port = settings_.port;
  bool bound = port == 0 ? (port = server_.bind_to_any_port(settings_.listen)) > 0
                         : server_.bind_to_port(settings_.listen, port);
  if (!bound) {
    throw Error(
        settings_.listen + ":" + std::to_string(settings_.port) +
        ": cannot listen there (the address is not local, the port is in use, or a port below 1024 "
        "needs the right to bind it)");
  }
  return port;
}

void HostServer::Run() {
  {
    std::lock_guard<std::mutex> lock(stop_mutex_);
    if (stopping_) return;
  }
  server_.listen_after_bind();
}

void HostServer::Stop() {
  {
    std::lock_guard<std::mutex> lock(stop_mutex_);
    stopping_ = true;
  }
  stop_signal_.notify_all();
  server_.stop();
}

bool HostServer::Stall() {
  auto delay = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::duration<double>(settings_.hang_seconds));
  std::unique_lock<std::mutex> lock(stop_mutex_);
  return !stop_signal_.wait_for(lock, delay, [this] { return stopping_; });
}

void HostServer::Dispatch(const httplib::Request& request, httplib::Response& response) {
  Reply reply;
  bool stalled = settings_.hang_seconds > 0;
  if (stalled && !Stall()) {
    stalled = false;
    reply = Reply{503, "shelvexhost is stopping\n", "text/plain", "--hang: stopped while stalled"};
  } else if (settings_.status_code != 0) {
    reply = Reply{settings_.status_code,
                  "shelvexhost answers every request with status " +
                      std::to_string(settings_.status_code) + " (--status-code)\n",
                  "text/plain", "--status-code"};
  } else {
    try {
      reply = Route(request);
    } catch (const std::exception& failure) {
      // One request's failure (a full disk, a damaged account file) must not end the server.
      reply = Reply{500, std::string("ERROR: ") + failure.what(), "text/plain", "failed"};
    }
  }
  if (stalled) reply.note += reply.note.empty() ? "--hang" : "; --hang";
  response.status = reply.status;
  response.set_content(reply.body, reply.content_type.c_str());
  t_note = std::move(reply.note);
}

Reply HostServer::Route(const httplib::Request& request) {
  if (request.path == "/dar2ar.dll/") {
    if (request.method == "POST") return HandleUpload(context_, request);
    return Reply{405, "ERROR: uploads are POST requests\n", "text/plain", "wrong method"};
  }
  if (request.path == "/dar2ar.dll/cmd") {
    if (request.method == "GET") return HandleCommand(context_, request);
    return Reply{405, "ERROR: commands are GET requests\n", "text/plain", "wrong method"};
  }
  return Reply{404, "ERROR: nothing here; the server answers under /dar2ar.dll/\n", "text/plain",
               "not found"};
}

}  // namespace shelvex::host
