#include "tools/hosting-server/request_log.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#include "platform/error.h"
#include "tools/hosting-server/internal/text_escape.h"

namespace shelvex::host {

namespace {

std::string Now() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

}  // namespace

RequestLog::RequestLog(const std::filesystem::path& path) {
  if (path.empty()) {
    file_ = stderr;
    return;
  }
  file_ = std::fopen(path.c_str(), "ae");
  if (file_ == nullptr)
    throw IoError(path.string() + ": cannot open the log: " + std::strerror(errno));
  owns_file_ = true;
}

RequestLog::~RequestLog() {
  if (owns_file_) std::fclose(file_);
}

void RequestLog::Write(std::string_view remote, std::string_view method, std::string_view target,
                       int status, std::string_view content_type, std::string_view body,
                       std::string_view note) {
  std::string line = Now() + " " + std::string(remote) + " " + internal::Printable(method, 20) +
                     " " + internal::Printable(target, 400) + " -> " + std::to_string(status) + " ";
  if (content_type.starts_with("application/zip")) {
    line += "<zip archive, " + std::to_string(body.size()) + " bytes>";
  } else {
    line += "\"" + internal::Printable(body, 160) + "\"";
  }
  if (!note.empty()) line += " [" + std::string(note) + "]";
  WriteLine(line);
}

void RequestLog::WriteEvent(std::string_view text) { WriteLine(Now() + " " + std::string(text)); }

void RequestLog::WriteLine(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::fputs((line + "\n").c_str(), file_);
  std::fflush(file_);
}

}  // namespace shelvex::host
