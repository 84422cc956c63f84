#include "tools/hosting-server/reservation_archive.h"

#include <ctime>

#include "platform/error.h"
#include "tools/hosting-server/internal/zip_handle.h"

namespace shelvex::host {

std::string BuildReservationArchive(const std::vector<std::string>& lines,
                                    const std::string& password) {
  std::string text;
  for (const std::string& line : lines) text.append(line).append("\r\n");

  internal::ZipHandle zip = internal::ZipHandle::CreateInMemory();
  // libzip reads the buffer only when the archive is written, and `text` lives until then.
  zip_source_t* source = zip_source_buffer(zip.get(), text.data(), text.size(), 0);
  if (source == nullptr)
    throw Error("reservation archive: " + std::string(zip_strerror(zip.get())));
  zip_int64_t index = zip_file_add(zip.get(), "reserve.txt", source, ZIP_FL_ENC_GUESS);
  if (index < 0) {
    zip_source_free(source);
    throw Error("reservation archive: " + std::string(zip_strerror(zip.get())));
  }
  auto entry = static_cast<zip_uint64_t>(index);
  bool ok = zip_set_file_compression(zip.get(), entry, text.empty() ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                     0) == 0 &&
            zip_file_set_mtime(zip.get(), entry, std::time(nullptr), 0) == 0;
  if (ok && !password.empty()) {
    ok = zip_file_set_encryption(zip.get(), entry, ZIP_EM_TRAD_PKWARE, password.c_str()) == 0;
  }
  if (!ok) throw Error("reservation archive: " + std::string(zip_strerror(zip.get())));
  return zip.TakeBytes();
}

}  // namespace shelvex::host
