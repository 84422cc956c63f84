#include "tools/hosting-server/internal/zip_handle.h"

#include <cstdio>

#include "platform/error.h"

namespace shelvex::host::internal {

ZipHandle ZipHandle::OpenForReading(std::string_view bytes) {
  ZipHandle handle;
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  if (source != nullptr) {
    handle.archive_ = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (handle.archive_ == nullptr) zip_source_free(source);
  }
  if (handle.archive_ == nullptr) handle.error_code_ = zip_error_code_zip(&error);
  zip_error_fini(&error);
  return handle;
}

ZipHandle ZipHandle::CreateInMemory() {
  ZipHandle handle;
  zip_error_t error;
  zip_error_init(&error);
  handle.memory_ = zip_source_buffer_create(nullptr, 0, 0, &error);
  if (handle.memory_ != nullptr) {
    handle.archive_ = zip_open_from_source(handle.memory_, ZIP_TRUNCATE, &error);
    // Closing the archive releases its source; keep one reference, because the written bytes live
    // there.
    if (handle.archive_ != nullptr) zip_source_keep(handle.memory_);
  }
  if (handle.archive_ == nullptr) {
    std::string reason = zip_error_strerror(&error);
    zip_error_fini(&error);
    throw Error("reservation archive: cannot create it in memory: " + reason);
  }
  zip_error_fini(&error);
  return handle;
}

ZipHandle::ZipHandle(ZipHandle&& other) noexcept
    : archive_(other.archive_), memory_(other.memory_), error_code_(other.error_code_) {
  other.archive_ = nullptr;
  other.memory_ = nullptr;
}

ZipHandle::~ZipHandle() {
  if (archive_ != nullptr) zip_discard(archive_);
  if (memory_ != nullptr) zip_source_free(memory_);
}

std::string ZipHandle::TakeBytes() {
  if (archive_ == nullptr || memory_ == nullptr)
    throw Error("reservation archive: no archive to write");
  if (zip_close(archive_) != 0) {
    std::string reason = zip_strerror(archive_);
    throw Error("reservation archive: cannot write it: " + reason);
  }
  archive_ = nullptr;
  std::string bytes;
  if (zip_source_open(memory_) != 0) throw Error("reservation archive: cannot read it back");
  char buffer[65536];
  for (;;) {
    zip_int64_t got = zip_source_read(memory_, buffer, sizeof buffer);
    if (got < 0) {
      zip_source_close(memory_);
      throw Error("reservation archive: cannot read it back");
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  zip_source_close(memory_);
  return bytes;
}

std::string ZipErrorText(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

}  // namespace shelvex::host::internal
