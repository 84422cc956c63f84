#include "engine/internal/multipart_body.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/error.h"

namespace shelvex::engine::internal {

namespace {

[[noreturn]] void ThrowIo(const std::filesystem::path& path, const std::string& what, int error) {
  throw IoError(path.string() + ": " + what + " (" + std::strerror(error) + ")");
}

// The file name goes between double quotes in a header line. Windows paths never hold a quote or a
// line break, Linux paths may: those bytes are escaped the way browsers do it, so that a folder
// name cannot end the quoted text or add header lines of its own.
std::string QuotedFileName(const std::string& path) {
  std::string quoted;
  for (const char c : path) {
    if (c == '"') {
      quoted += "%22";
    } else if (c == '\r') {
      quoted += "%0D";
    } else if (c == '\n') {
      quoted += "%0A";
    } else {
      quoted += c;
    }
  }
  return quoted;
}

}  // namespace

std::string MakeBoundary(platform::TDateTime local_now) {
  const platform::CivilDateTime now = platform::DecodeDateTime(local_now);
  char digits[32];
  std::snprintf(digits, sizeof digits, "%02d%02d%02d%02d%02d%02d%03d", now.month, now.day,
                now.year % 100, now.hour, now.minute, now.second, now.millisecond);
  return std::string("--------") + digits;
}

MultipartBody::MultipartBody(std::string boundary, const std::filesystem::path& file,
                             std::string_view media_type)
    : boundary_(std::move(boundary)), path_(file) {
  fd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) ThrowIo(file, "cannot open for sending", errno);
  struct stat status {};
  if (::fstat(fd_, &status) != 0) {
    const int error = errno;
    ::close(fd_);
    ThrowIo(file, "cannot read", error);
  }
  file_size_ = static_cast<std::uint64_t>(status.st_size);
  head_ = "--" + boundary_ + "\r\n" +
          "Content-Disposition: form-data; name=\"myfile\"; filename=\"" +
          QuotedFileName(file.string()) + "\"\r\n" + "Content-Type: " + std::string(media_type) +
          "\r\n\r\n";
  tail_ = "\r\n--" + boundary_ + "--\r\n";
}

MultipartBody::~MultipartBody() { ::close(fd_); }

std::string MultipartBody::ContentType() const {
  return "multipart/form-data; boundary=" + boundary_;
}

std::size_t MultipartBody::Read(char* buffer, std::size_t capacity) {
  std::size_t copied = 0;
  const std::uint64_t file_end = head_.size() + file_size_;
  while (copied < capacity && position_ < size()) {
    char* out = buffer + copied;
    const std::size_t room = capacity - copied;
    std::size_t got = 0;
    if (position_ < head_.size()) {
      got = std::min<std::uint64_t>(room, head_.size() - position_);
      std::memcpy(out, head_.data() + position_, got);
    } else if (position_ < file_end) {
      const std::uint64_t offset = position_ - head_.size();
      const std::size_t wanted = std::min<std::uint64_t>(room, file_size_ - offset);
      const ssize_t read = ::pread(fd_, out, wanted, static_cast<off_t>(offset));
      if (read < 0) {
        if (errno == EINTR) continue;
        ThrowIo(path_, "cannot read while sending", errno);
      }
      if (read == 0) throw IoError(path_.string() + ": became shorter while it was being sent");
      got = static_cast<std::size_t>(read);
    } else {
      const std::uint64_t offset = position_ - file_end;
      got = std::min<std::uint64_t>(room, tail_.size() - offset);
      std::memcpy(out, tail_.data() + offset, got);
    }
    copied += got;
    position_ += got;
  }
  return copied;
}

bool MultipartBody::Seek(std::uint64_t offset) {
  if (offset > size()) return false;
  position_ = offset;
  return true;
}

}  // namespace shelvex::engine::internal
