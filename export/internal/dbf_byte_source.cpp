#include "export/internal/dbf_byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/error.h"

namespace shelvex::exporting::internal {

std::string FileLabel(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  return name.empty() ? path.string() : name;
}

FileByteSource::FileByteSource(const std::filesystem::path& path) : name_(FileLabel(path)) {
  // Read-only from the start: nothing here ever writes a table, and a read-only file must open too.
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    const int error = errno;
    if (error == ENOENT) throw Error(name_ + ": the file does not exist");
    throw Error(name_ + ": cannot open the file (" + std::system_category().message(error) + ")");
  }
  struct stat info {};
  if (::fstat(fd_, &info) != 0) {
    const int error = errno;
    ::close(fd_);
    throw Error(name_ + ": cannot read the file (" + std::system_category().message(error) + ")");
  }
  if (S_ISDIR(info.st_mode)) {
    ::close(fd_);
    throw Error(name_ + ": is a folder, not a file");
  }
  if (!S_ISREG(info.st_mode)) {
    ::close(fd_);
    throw Error(name_ + ": is not a regular file");
  }
  size_ = static_cast<std::uint64_t>(info.st_size);
}

FileByteSource::~FileByteSource() {
  if (fd_ >= 0) ::close(fd_);
}

std::size_t FileByteSource::ReadAt(std::uint64_t offset, char* out, std::size_t count) const {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw Error(name_ + ": cannot read the file (" + std::system_category().message(errno) + ")");
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::size_t MemoryByteSource::ReadAt(std::uint64_t offset, char* out, std::size_t count) const {
  if (offset >= bytes_.size()) return 0;
  const std::size_t n = std::min<std::uint64_t>(count, bytes_.size() - offset);
  std::memcpy(out, bytes_.data() + offset, n);
  return n;
}

}  // namespace shelvex::exporting::internal
