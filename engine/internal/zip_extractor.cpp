#include "engine/internal/zip_extractor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <random>
#include <vector>

#include "engine/internal/zip_handle.h"
#include "platform/error.h"

namespace shelvex::engine::internal {

namespace {

struct Entry {
  zip_uint64_t index = 0;
  std::string name;  // bare name
  std::time_t mtime = 0;
  mode_t mode = 0;  // permission bits; 0: none stored
};

class ZipFile final {
 public:
  ZipFile(const ZipHandle& zip, zip_uint64_t index) : file_(zip_fopen_index(zip.get(), index, 0)) {
    if (file_ == nullptr) throw Error(zip.Failure());
  }
  ~ZipFile() { zip_fclose(file_); }
  ZipFile(const ZipFile&) = delete;
  ZipFile& operator=(const ZipFile&) = delete;
  zip_file_t* get() const { return file_; }

 private:
  zip_file_t* file_;
};

// A temporary file beside the target, removed unless Commit renamed it into place.
class PartFile final {
 public:
  // O_EXCL with a name of our own rather than mkstemp, so that the umask decides the mode of an
  // entry that stores none; O_EXCL also refuses to follow a planted link.
  explicit PartFile(const std::filesystem::path& target) : target_(target) {
    std::random_device seed;
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
      path_ = target.string() + ".~" + std::to_string(seed() % 1000000);
      fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ < 0 && errno != EEXIST) Fail("cannot create a temporary file beside it", errno);
    }
    if (fd_ < 0) Fail("cannot create a temporary file beside it", EEXIST);
  }
  ~PartFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(path_.c_str());
  }
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;

  void Write(const char* data, std::size_t size) {
    while (size > 0) {
      const ssize_t written = ::write(fd_, data, size);
      if (written < 0) {
        if (errno == EINTR) continue;
        Fail("cannot write", errno);
      }
      data += written;
      size -= static_cast<std::size_t>(written);
    }
  }

  void Commit(const Entry& entry) {
    if (entry.mode != 0 && ::fchmod(fd_, entry.mode) != 0) Fail("cannot set its mode", errno);
    const struct timespec times[2] = {{entry.mtime, 0}, {entry.mtime, 0}};
    if (::futimens(fd_, times) != 0) Fail("cannot set its time stamp", errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail("cannot write", errno);
    if (::rename(path_.c_str(), target_.c_str()) != 0) Fail("cannot replace", errno);
    committed_ = true;
  }

 private:
  [[noreturn]] void Fail(const char* what, int error) const {
    throw Error(target_.string() + ": " + what + " (" + std::strerror(error) + ")");
  }

  std::filesystem::path target_;
  std::filesystem::path path_;
  int fd_ = -1;
  bool committed_ = false;
};

// The entries to extract, checked before anything is written. Folder entries are left out.
std::vector<Entry> ListEntries(const ZipHandle& zip, std::uint64_t limit) {
  const std::string context = zip.path().string() + ": ";
  const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
  std::vector<Entry> entries;
  std::uint64_t total = 0;
  for (zip_uint64_t index = 0; index < static_cast<zip_uint64_t>(count); ++index) {
    zip_stat_t status;
    if (zip_stat_index(zip.get(), index, 0, &status) != 0) throw Error(zip.Failure());
    const std::string stored = status.name;
    if (stored.ends_with('/') || stored.ends_with('\\')) continue;
    const std::size_t slash = stored.find_last_of("/\\");
    Entry entry;
    entry.index = index;
    entry.name = slash == std::string::npos ? stored : stored.substr(slash + 1);
    // libzip hands names out as C strings, so a stored NUL would end the name early; the check
    // is kept for the day it does not.
    if (entry.name.empty() || entry.name == "." || entry.name == ".." ||
        entry.name.find('\0') != std::string::npos) {
      throw Error(context + "refused: the entry \"" + stored + "\" has no usable file name");
    }
    total += status.size;
    if (status.size > limit || total > limit) {
      throw Error(context + "refused: its entries would expand beyond " +
                  std::to_string(limit >> 20) + " MiB");
    }
    entry.mtime = (status.valid & ZIP_STAT_MTIME) != 0 ? status.mtime : std::time(nullptr);
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(zip.get(), index, 0, &opsys, &attributes) == 0 &&
        opsys == ZIP_OPSYS_UNIX) {
      entry.mode = static_cast<mode_t>((attributes >> 16) & 0777);
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace

void ExtractZipArchive(const std::filesystem::path& archive, const std::filesystem::path& folder,
                       const std::string& password, std::uint64_t limit) {
  ZipHandle zip(archive, ZIP_RDONLY | ZIP_CHECKCONS);
  if (!password.empty() && zip_set_default_password(zip.get(), password.c_str()) != 0) {
    throw Error(zip.Failure());
  }
  std::uint64_t written = 0;
  std::vector<char> buffer(1 << 16);
  for (const Entry& entry : ListEntries(zip, limit)) {
    ZipFile file(zip, entry.index);
    PartFile part(folder / entry.name);
    for (;;) {
      const zip_int64_t got = zip_fread(file.get(), buffer.data(), buffer.size());
      if (got < 0) {
        throw Error(archive.string() + ": " + entry.name + ": " + zip_file_strerror(file.get()));
      }
      if (got == 0) break;
      // The sizes in the directory were checked already; this holds whatever the data says.
      written += static_cast<std::uint64_t>(got);
      if (written > limit) {
        throw Error(archive.string() + ": refused: its entries expand beyond " +
                    std::to_string(limit >> 20) + " MiB");
      }
      part.Write(buffer.data(), static_cast<std::size_t>(got));
    }
    part.Commit(entry);
  }
}

}  // namespace shelvex::engine::internal
