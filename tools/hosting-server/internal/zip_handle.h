#pragma once

#include <zip.h>

#include <string>
#include <string_view>

namespace shelvex::host::internal {

// Owns a libzip archive opened on bytes in memory. The bytes must outlive the object for reading
// archives.
class ZipHandle final {
 public:
  // Opens `bytes` for reading (consistency checks on). On failure the handle is empty and
  // `error_code()` tells why (ZIP_ER_NOZIP for anything that is not an archive, an empty or a
  // truncated one).
  static ZipHandle OpenForReading(std::string_view bytes);
  // A new, empty archive in memory; `TakeBytes` gives its bytes after the entries have been added.
  static ZipHandle CreateInMemory();

  ZipHandle(ZipHandle&& other) noexcept;
  ZipHandle& operator=(ZipHandle&&) = delete;
  ZipHandle(const ZipHandle&) = delete;
  ZipHandle& operator=(const ZipHandle&) = delete;
  ~ZipHandle();

  zip_t* get() const { return archive_; }
  explicit operator bool() const { return archive_ != nullptr; }
  int error_code() const { return error_code_; }

  // Writes the archive (closing it) and returns its bytes. Throws Error with libzip's reason on
  // failure.
  std::string TakeBytes();

 private:
  ZipHandle() = default;

  zip_t* archive_ = nullptr;
  zip_source_t* memory_ =
      nullptr;  // the in-memory target of CreateInMemory, kept alive past zip_close
  int error_code_ = ZIP_ER_OK;
};

// libzip's text for an error code, e.g. "Not a zip archive".
std::string ZipErrorText(int code);

}  // namespace shelvex::host::internal
