#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "platform/error.h"

namespace shelvex::platform {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void ThrowErrno(const fs::path& path, std::string_view what, int error_number) {
  throw IoError(path.string() + ": " + std::string(what) + " (" + std::strerror(error_number) +
                ")");
}

// Owns one file descriptor; Close() reports what close(2) says, the destructor only releases.
class FileDescriptor final {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

void WriteAll(int fd, const fs::path& path, std::string_view content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t written = ::write(fd, content.data() + done, content.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(path, "cannot write", errno);
    }
    done += static_cast<std::size_t>(written);
  }
}

mode_t ModeBits(fs::perms permissions) { return static_cast<mode_t>(permissions) & 07777; }

std::string RandomSuffix() {
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kAlphabet) - 2);
  std::string suffix;
  for (int i = 0; i < 8; ++i) suffix += kAlphabet[pick(random)];
  return suffix;
}

}  // namespace

std::string ReadFileBytes(const fs::path& path) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) ThrowErrno(path, "cannot open", errno);
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) ThrowErrno(path, "cannot read", errno);
  std::string content;
  if (S_ISREG(info.st_mode) && info.st_size > 0)
    content.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(path, "cannot read", errno);
    }
    if (got == 0) break;
    content.append(buffer, static_cast<std::size_t>(got));
  }
  return content;
}

void ReplaceFile(const fs::path& path, std::string_view content, fs::perms permissions) {
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  struct stat existing {};
  const bool exists = ::stat(path.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) ThrowErrno(path, "cannot replace", EISDIR);

  // O_EXCL with a name of our own instead of mkstemp: the kernel then applies the umask to a new
  // file's mode.
  fs::path temporary;
  int raw_fd = -1;
  for (int attempt = 0; attempt < 100 && raw_fd < 0; ++attempt) {
    temporary = folder / (path.filename().string() + ".~" + RandomSuffix());
    raw_fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, ModeBits(permissions));
    if (raw_fd < 0 && errno != EEXIST)
      ThrowErrno(path, "cannot create a temporary file beside it", errno);
  }
  if (raw_fd < 0) ThrowErrno(path, "cannot create a temporary file beside it", EEXIST);
  FileDescriptor fd(raw_fd);
  try {
    WriteAll(fd.get(), path, content);
    if (exists && ::fchmod(fd.get(), existing.st_mode & 07777) != 0)
      ThrowErrno(path, "cannot keep its mode", errno);
    if (::fsync(fd.get()) != 0) ThrowErrno(path, "cannot write", errno);
    if (fd.Close() != 0) ThrowErrno(path, "cannot write", errno);
    if (::rename(temporary.c_str(), path.c_str()) != 0) ThrowErrno(path, "cannot replace", errno);
  } catch (...) {
    ::unlink(temporary.c_str());
    throw;
  }
  // Make the rename itself durable; the new content is in place already, so a failure here is not
  // reported.
  FileDescriptor folder_fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder_fd.get() >= 0) ::fsync(folder_fd.get());
}

void AppendToFile(const fs::path& path, std::string_view content) {
  FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
  if (fd.get() < 0) ThrowErrno(path, "cannot open for appending", errno);
  ssize_t written;
  do {
    written = ::write(fd.get(), content.data(), content.size());
  } while (written < 0 && errno == EINTR);
  if (written < 0) ThrowErrno(path, "cannot write", errno);
  // A short write would split the line; there is no safe way to finish it without interleaving.
  if (static_cast<std::size_t>(written) != content.size()) ThrowErrno(path, "cannot write", ENOSPC);
  if (fd.Close() != 0) ThrowErrno(path, "cannot write", errno);
}

void WriteFileBytes(const fs::path& path, std::string_view content) {
  FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (fd.get() < 0) ThrowErrno(path, "cannot create", errno);
  WriteAll(fd.get(), path, content);
  if (fd.Close() != 0) ThrowErrno(path, "cannot write", errno);
}

}  // namespace shelvex::platform
