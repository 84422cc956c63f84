#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/date_time.h"

namespace shelvex::engine::internal {

// The upload boundary: "--------" and the local time as "mmddyyhhnnsszzz" (month, day, two-digit
// year, 24-hour hour, minutes, seconds, milliseconds).
std::string MakeBoundary(platform::TDateTime local_now);

// A multipart/form-data body with the one file part "myfile", laid out as the hosting server
// expects it:
//
//   "--" boundary CRLF
//   Content-Disposition: form-data; name="myfile"; filename="<full path of the file>" CRLF
//   Content-Type: <media type> CRLF
//   CRLF
//   <the file's bytes> CRLF
//   "--" boundary "--" CRLF
//
// The file is opened by the constructor and its bytes are read only as the body is sent, so a large
// archive is never held in memory. Not thread-safe; the object owns the file descriptor.
class MultipartBody final {
 public:
  // Opens `file` for reading. Throws IoError "path: cause" when it cannot be opened.
  MultipartBody(std::string boundary, const std::filesystem::path& file,
                std::string_view media_type);
  ~MultipartBody();
  MultipartBody(const MultipartBody&) = delete;
  MultipartBody& operator=(const MultipartBody&) = delete;

  const std::string& boundary() const { return boundary_; }
  // The request's Content-Type: "multipart/form-data; boundary=" + boundary.
  std::string ContentType() const;
  // The length of the whole body, the request's Content-Length.
  std::uint64_t size() const { return head_.size() + file_size_ + tail_.size(); }

  // Copies the next bytes of the body into `buffer` (at most `capacity`) and gives their number; 0
  // at the end. Throws IoError when the file cannot be read or has become shorter than it was when
  // opened (a body shorter than announced would leave the server waiting).
  std::size_t Read(char* buffer, std::size_t capacity);
  // Goes back to `offset` from the start of the body, for a request that must be sent again (a
  // proxy asking for credentials). False when the offset lies beyond the end.
  bool Seek(std::uint64_t offset);

 private:
  std::string boundary_;
  std::string head_;
  std::string tail_;
  std::filesystem::path path_;
  int fd_ = -1;
  std::uint64_t file_size_ = 0;
  std::uint64_t position_ = 0;
};

}  // namespace shelvex::engine::internal
