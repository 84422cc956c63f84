#include "engine/internal/zip_writer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "engine/internal/parallel_deflate.h"
#include "engine/internal/zip_handle.h"
#include "platform/error.h"

namespace shelvex::engine::internal {

namespace {

constexpr int kDeflateLevel = 6;
// The DOS attribute bits in the low byte of the external attributes.
constexpr zip_uint32_t kDosReadOnly = 0x01;
constexpr zip_uint32_t kDosArchive = 0x20;

struct stat StatOf(const ArchiveFile& file) {
  struct stat status {};
  if (::stat(file.path.c_str(), &status) != 0) {
    throw Error(file.path.string() + ": cannot be read (" + std::strerror(errno) + ")");
  }
  return status;
}

// A source that hands libzip data deflated beforehand. libzip takes it as it is (no second
// compression), encrypts it when asked and writes it with the CRC and sizes given here.
class DeflatedSource final {
 public:
  explicit DeflatedSource(const DeflatedFile& file) : file_(file) {}

  static zip_int64_t Callback(void* user, void* data, zip_uint64_t length,
                              zip_source_cmd_t command) {
    auto& self = *static_cast<DeflatedSource*>(user);
    switch (command) {
      case ZIP_SOURCE_OPEN:
        self.position_ = 0;
        return 0;
      case ZIP_SOURCE_READ: {
        const std::size_t count =
            std::min<std::size_t>(length, self.file_.data.size() - self.position_);
        std::memcpy(data, self.file_.data.data() + self.position_, count);
        self.position_ += count;
        return static_cast<zip_int64_t>(count);
      }
      case ZIP_SOURCE_CLOSE:
        return 0;
      case ZIP_SOURCE_STAT: {
        auto* status = static_cast<zip_stat_t*>(data);
        zip_stat_init(status);
        status->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC |
                        ZIP_STAT_MTIME | ZIP_STAT_ENCRYPTION_METHOD;
        status->size = self.file_.size;
        status->comp_size = self.file_.data.size();
        status->comp_method = ZIP_CM_DEFLATE;
        status->crc = self.file_.crc;
        status->mtime = static_cast<time_t>(self.file_.mtime);
        status->encryption_method = ZIP_EM_NONE;
        return sizeof(*status);
      }
      case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&self.error_, data, length);
      case ZIP_SOURCE_FREE:
        return 0;
      case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              -1);
      default:
        zip_error_set(&self.error_, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
  }

 private:
  const DeflatedFile& file_;
  std::size_t position_ = 0;
  zip_error_t error_{};
};

// Sets what every entry gets from its file: compression, time stamp, attributes, encryption.
void DescribeEntry(const ZipHandle& zip, zip_uint64_t index, const struct stat& status,
                   zip_int32_t method, const std::string& password) {
  zip_t* archive = zip.get();
  const zip_uint32_t level = method == ZIP_CM_DEFLATE ? kDeflateLevel : 0;
  // A freshly written file carries the archive bit on Windows; the read-only bit follows the
  // owner's write permission.
  const zip_uint32_t dos = kDosArchive | ((status.st_mode & S_IWUSR) == 0 ? kDosReadOnly : 0);
  if (zip_set_file_compression(archive, index, method, level) != 0 ||
      zip_file_set_mtime(archive, index, status.st_mtime, 0) != 0 ||
      zip_file_set_external_attributes(archive, index, 0, ZIP_OPSYS_UNIX,
                                       (static_cast<zip_uint32_t>(status.st_mode) << 16) | dos) !=
          0 ||
      (!password.empty() &&
       zip_file_set_encryption(archive, index, ZIP_EM_TRAD_PKWARE, password.c_str()) != 0)) {
    throw Error(zip.Failure());
  }
}

void AddEntry(ZipHandle& zip, const ArchiveFile& file, zip_source_t* source,
              const struct stat& status, zip_int32_t method, const std::string& password) {
  if (source == nullptr) throw Error(file.path.string() + ": " + zip_strerror(zip.get()));
  const zip_int64_t index = zip_file_add(zip.get(), file.name.c_str(), source, ZIP_FL_ENC_GUESS);
  if (index < 0) {
    zip_source_free(source);
    throw Error(zip.Failure());
  }
  DescribeEntry(zip, static_cast<zip_uint64_t>(index), status, method, password);
}

}  // namespace

void WriteZipArchive(const std::filesystem::path& archive, const std::vector<ArchiveFile>& files,
                     const std::string& password) {
  if (files.empty()) throw Error(archive.string() + ": there are no files to put into it");
  // Deflated first, on every processor; what deflate does not shrink is stored instead, so
  // libzip's own deflate (which never falls back to storing) is not used.
  std::vector<std::filesystem::path> paths;
  for (const ArchiveFile& file : files) paths.push_back(file.path);
  const std::vector<DeflatedFile> deflated = DeflateFiles(paths);

  // Declared before the archive, so that they outlive it also when it is discarded.
  std::vector<std::unique_ptr<DeflatedSource>> sources;
  ZipHandle zip(archive, ZIP_CREATE | ZIP_TRUNCATE);
  for (std::size_t i = 0; i < files.size(); ++i) {
    const ArchiveFile& file = files[i];
    struct stat status = StatOf(file);
    status.st_mtime = static_cast<time_t>(deflated[i].mtime);
    if (deflated[i].size == 0 || deflated[i].data.size() >= deflated[i].size) {
      AddEntry(zip, file, zip_source_file(zip.get(), file.path.c_str(), 0, -1), status,
               ZIP_CM_STORE, password);
    } else {
      sources.push_back(std::make_unique<DeflatedSource>(deflated[i]));
      AddEntry(zip, file,
               zip_source_function(zip.get(), DeflatedSource::Callback, sources.back().get()),
               status, ZIP_CM_DEFLATE, password);
    }
  }
  // libzip reads the sources here; `deflated` and `sources` live until it is done.
  zip.Close();
}

}  // namespace shelvex::engine::internal
