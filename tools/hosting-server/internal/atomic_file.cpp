#include "tools/hosting-server/internal/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/error.h"

namespace shelvex::host::internal {

namespace {

[[noreturn]] void ThrowErrno(const std::filesystem::path& path, const char* action) {
  throw IoError(path.string() + ": cannot " + action + ": " + std::strerror(errno));
}

// Writes all of `content` to `fd`, retrying short writes and interruptions.
bool WriteAll(int fd, std::string_view content) {
  while (!content.empty()) {
    ssize_t written = ::write(fd, content.data(), content.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

class Descriptor final {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

}  // namespace

void ReplaceFileAtomically(const std::filesystem::path& path, std::string_view content) {
  std::string temp_name = path.string() + ".tmp-XXXXXX";
  Descriptor fd(::mkstemp(temp_name.data()));
  if (fd.get() < 0) ThrowErrno(path, "create a temporary file beside it");
  bool ok = ::fchmod(fd.get(), 0644) == 0 && WriteAll(fd.get(), content) && ::fsync(fd.get()) == 0;
  int saved_errno = errno;
  if (::close(fd.release()) != 0 && ok) {
    ok = false;
    saved_errno = errno;
  }
  if (ok && ::rename(temp_name.c_str(), path.c_str()) == 0) return;
  if (ok) saved_errno = errno;
  ::unlink(temp_name.c_str());
  errno = saved_errno;
  ThrowErrno(path, "write");
}

std::string ReadFileIfPresent(const std::filesystem::path& path, bool* exists) {
  if (exists != nullptr) *exists = false;
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno == ENOENT) return {};
    ThrowErrno(path, "open");
  }
  std::string content;
  char buffer[65536];
  for (;;) {
    ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(path, "read");
    }
    if (got == 0) break;
    content.append(buffer, static_cast<size_t>(got));
  }
  if (exists != nullptr) *exists = true;
  return content;
}

void WriteWholeFile(const std::filesystem::path& path, std::string_view content) {
  Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (fd.get() < 0) ThrowErrno(path, "create");
  if (!WriteAll(fd.get(), content)) ThrowErrno(path, "write");
  if (::close(fd.release()) != 0) ThrowErrno(path, "write");
}

}  // namespace shelvex::host::internal
