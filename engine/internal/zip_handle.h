#pragma once

#include <zip.h>

#include <filesystem>
#include <string>

namespace shelvex::engine::internal {

// Owns an open libzip archive. The destructor discards it (nothing is written) unless Close wrote
// it.
class ZipHandle final {
 public:
  // Opens `path` with libzip's `flags` (ZIP_RDONLY, ZIP_CREATE | ZIP_TRUNCATE, ...). Throws Error
  // "path: cause" when libzip cannot open it.
  ZipHandle(const std::filesystem::path& path, int flags);
  ~ZipHandle();
  ZipHandle(const ZipHandle&) = delete;
  ZipHandle& operator=(const ZipHandle&) = delete;

  zip_t* get() const { return archive_; }
  const std::filesystem::path& path() const { return path_; }

  // Writes the changes (libzip reads the added files only now). Throws Error on failure; the
  // archive is discarded then and the file at path() is left as it was.
  void Close();
  // "path: libzip's message about the last failure".
  std::string Failure() const;

 private:
  std::filesystem::path path_;
  zip_t* archive_ = nullptr;
};

}  // namespace shelvex::engine::internal
