#pragma once

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

namespace shelvex::host {

// One line per request, to a file (appended) or to standard error:
//   2024-03-14 14:05:09 127.0.0.1 GET /dar2ar.dll/cmd?user=lib1&cmd=start -> 200 "ok"
//   2024-03-14 14:05:10 127.0.0.1 POST /dar2ar.dll/?user=lib1 -> 200 "ok" [full upload of xml.zip:
//   7 files]
// The target is shown as it arrived; the reply body is shown escaped (bytes outside printable ASCII
// as \xHH) or, for an archive, by its size; the note in brackets says what the server did. Lines
// from several threads never mix.
class RequestLog final {
 public:
  // Opens `path` for appending, or standard error when `path` is empty. Throws IoError naming the
  // file.
  explicit RequestLog(const std::filesystem::path& path);
  ~RequestLog();
  RequestLog(const RequestLog&) = delete;
  RequestLog& operator=(const RequestLog&) = delete;

  void Write(std::string_view remote, std::string_view method, std::string_view target, int status,
             std::string_view content_type, std::string_view body, std::string_view note);
  // A line of the server's own (start, stop).
  void WriteEvent(std::string_view text);

 private:
  void WriteLine(const std::string& line);

  std::mutex mutex_;
  std::FILE* file_ = nullptr;
  bool owns_file_ = false;
};

}  // namespace shelvex::host
