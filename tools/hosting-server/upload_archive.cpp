#include "tools/hosting-server/upload_archive.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <set>

#include "tools/hosting-server/internal/text_escape.h"
#include "tools/hosting-server/internal/zip_handle.h"

namespace shelvex::host {

namespace {

using internal::Printable;

class Refusal {
 public:
  explicit Refusal(std::string_view archive_name)
      : prefix_("ERROR: " + std::string(archive_name) + ": ") {}
  [[noreturn]] void operator()(const std::string& cause) const {
    throw UploadRefused(prefix_ + cause);
  }

 private:
  std::string prefix_;
};

std::string Quoted(std::string_view name) { return "\"" + Printable(name, 120) + "\""; }

class ZipFile final {
 public:
  explicit ZipFile(zip_file_t* file) : file_(file) {}
  ~ZipFile() {
    if (file_ != nullptr) zip_fclose(file_);
  }
  ZipFile(const ZipFile&) = delete;
  ZipFile& operator=(const ZipFile&) = delete;
  zip_file_t* get() const { return file_; }

 private:
  zip_file_t* file_;
};

class OutputFile final {
 public:
  explicit OutputFile(const std::filesystem::path& path)
      : fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644)) {}
  ~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  bool is_open() const { return fd_ >= 0; }
  bool Write(const char* data, std::size_t size) {
    while (size > 0) {
      ssize_t written = ::write(fd_, data, size);
      if (written < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      data += written;
      size -= static_cast<std::size_t>(written);
    }
    return true;
  }
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool IsEncrypted(const zip_stat_t& stat) {
  return (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && stat.encryption_method != ZIP_EM_NONE;
}

// Copies one opened entry into `path`; gives the bytes written. The CRC is checked by libzip at the
// end of the data, which is also where a wrong traditional password shows on a stored entry.
std::uint64_t CopyEntry(zip_t* archive, zip_uint64_t index, const zip_stat_t& stat,
                        const std::string& bare, const std::filesystem::path& path,
                        std::uint64_t budget, const Refusal& refuse) {
  ZipFile entry(zip_fopen_index(archive, index, 0));
  if (entry.get() == nullptr) {
    int code = zip_error_code_zip(zip_get_error(archive));
    if (code == ZIP_ER_WRONGPASSWD || code == ZIP_ER_NOPASSWD) {
      refuse("the archive could not be opened with the data password");
    }
    if (code == ZIP_ER_COMPNOTSUPP || code == ZIP_ER_ENCRNOTSUPP) {
      refuse("entry " + Quoted(bare) + ": " + internal::ZipErrorText(code));
    }
    refuse("the archive is damaged: entry " + Quoted(bare) + ": " + internal::ZipErrorText(code));
  }
  OutputFile out(path);
  if (!out.is_open()) {
    throw IoError(path.string() + ": cannot create: " + std::strerror(errno));
  }
  std::uint64_t total = 0;
  char buffer[65536];
  for (;;) {
    zip_int64_t got = zip_fread(entry.get(), buffer, sizeof buffer);
    if (got < 0) {
      int code = zip_error_code_zip(zip_file_get_error(entry.get()));
      // With a traditional password the check byte lets one wrong password in 256 through; the data
      // then fails its CRC or does not inflate.
      if (IsEncrypted(stat) && (code == ZIP_ER_CRC || code == ZIP_ER_ZLIB)) {
        refuse("the archive could not be opened with the data password");
      }
      refuse("the archive is damaged: entry " + Quoted(bare) + ": " + internal::ZipErrorText(code));
    }
    if (got == 0) break;
    total += static_cast<std::uint64_t>(got);
    if (total > budget) refuse("the archive's files are larger than this server takes");
    if (!out.Write(buffer, static_cast<std::size_t>(got))) {
      throw IoError(path.string() + ": cannot write: " + std::strerror(errno));
    }
  }
  if (!out.Close()) throw IoError(path.string() + ": cannot write: " + std::strerror(errno));
  return total;
}

}  // namespace

std::optional<std::string> BareEntryName(std::string_view entry_name) {
  if (entry_name.empty() || entry_name.front() == '/' || entry_name.front() == '\\')
    return std::nullopt;
  if (entry_name.size() >= 2 && entry_name[1] == ':') return std::nullopt;
  std::string component;
  for (char ch : entry_name) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) return std::nullopt;
    if (ch == '/' || ch == '\\') {
      if (component == "..") return std::nullopt;
      component.clear();
    } else {
      component += ch;
    }
  }
  if (component == "." || component == "..") return std::nullopt;
  return component;  // empty when the name ends with a separator: a folder entry
}

std::vector<ExtractedFile> ExtractUpload(std::string_view archive, std::string_view archive_name,
                                         const std::string& password,
                                         const std::filesystem::path& target,
                                         const UploadLimits& limits) {
  Refusal refuse(archive_name);
  internal::ZipHandle zip = internal::ZipHandle::OpenForReading(archive);
  if (!zip) {
    if (zip.error_code() == ZIP_ER_NOZIP || zip.error_code() == ZIP_ER_INCONS) {
      refuse("the upload is not a ZIP archive, or it is damaged");
    }
    refuse("the archive cannot be opened: " + internal::ZipErrorText(zip.error_code()));
  }
  if (!password.empty()) zip_set_default_password(zip.get(), password.c_str());

  zip_int64_t count = zip_get_num_entries(zip.get(), 0);
  if (count < 0 || static_cast<std::uint64_t>(count) > limits.max_entries) {
    refuse("the archive holds more than " + std::to_string(limits.max_entries) + " entries");
  }

  // Check every entry before writing anything: names, encryption and the declared sizes.
  struct Planned {
    zip_uint64_t index;
    zip_stat_t stat;
    std::string bare;
  };
  std::vector<Planned> planned;
  std::set<std::string> names;
  std::uint64_t declared = 0;
  for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(zip.get(), i, 0, &stat) != 0 || (stat.valid & ZIP_STAT_NAME) == 0) {
      refuse("the archive is damaged: entry " + std::to_string(i) + " cannot be read");
    }
    std::optional<std::string> bare = BareEntryName(stat.name);
    if (!bare) refuse("entry " + Quoted(stat.name) + " has a name that is not a plain file name");
    if (bare->empty()) continue;
    if (!names.insert(*bare).second) refuse("two entries are stored as " + Quoted(*bare));
    if (password.empty() && IsEncrypted(stat)) {
      refuse("the archive is encrypted, but the account has no data password");
    }
    if (!password.empty() && !IsEncrypted(stat)) {
      refuse("entry " + Quoted(*bare) + " is not encrypted, but the account has a data password");
    }
    if ((stat.valid & ZIP_STAT_SIZE) != 0) declared += stat.size;
    planned.push_back({i, stat, *bare});
  }
  if (planned.empty()) refuse("the archive holds no files");
  if (declared > limits.max_total_bytes)
    refuse("the archive's files are larger than this server takes");

  std::vector<ExtractedFile> extracted;
  std::uint64_t budget = limits.max_total_bytes;
  for (const Planned& entry : planned) {
    std::uint64_t size = CopyEntry(zip.get(), entry.index, entry.stat, entry.bare,
                                   target / entry.bare, budget, refuse);
    budget -= size;
    extracted.push_back({entry.bare, size});
  }
  return extracted;
}

}  // namespace shelvex::host
