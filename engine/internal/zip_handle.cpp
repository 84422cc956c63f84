#include "engine/internal/zip_handle.h"

#include "platform/error.h"

namespace shelvex::engine::internal {

ZipHandle::ZipHandle(const std::filesystem::path& path, int flags) : path_(path) {
  int code = 0;
  archive_ = zip_open(path.c_str(), flags, &code);
  if (archive_ == nullptr) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const std::string message = path.string() + ": " + zip_error_strerror(&error);
    zip_error_fini(&error);
    throw Error(message);
  }
}

ZipHandle::~ZipHandle() {
  if (archive_ != nullptr) zip_discard(archive_);
}

void ZipHandle::Close() {
  if (zip_close(archive_) != 0) {
    const std::string message = Failure();
    zip_discard(archive_);
    archive_ = nullptr;
    throw Error(message);
  }
  archive_ = nullptr;
}

std::string ZipHandle::Failure() const { return path_.string() + ": " + zip_strerror(archive_); }

}  // namespace shelvex::engine::internal
