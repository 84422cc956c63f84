#include "tools/hosting-server/kept_requests.h"

#include <cstdio>
#include <system_error>

#include "platform/error.h"
#include "tools/hosting-server/internal/atomic_file.h"
#include "tools/hosting-server/internal/text_escape.h"

namespace shelvex::host {

KeptRequests::KeptRequests(std::filesystem::path folder) : folder_(std::move(folder)) {
  if (folder_.empty()) return;
  std::error_code error;
  std::filesystem::create_directories(folder_, error);
  if (error) throw IoError(folder_.string() + ": cannot create the folder: " + error.message());
  // Continue after the highest number there, so that the files of several runs keep their order.
  for (std::filesystem::directory_iterator it(folder_, error), end; !error && it != end;
       it.increment(error)) {
    std::string name = it->path().filename().string();
    int number = 0;
    std::size_t digits = 0;
    while (digits < name.size() && digits < 9 && name[digits] >= '0' && name[digits] <= '9') {
      number = number * 10 + (name[digits++] - '0');
    }
    if (digits > 0 && number >= next_) next_ = number + 1;
  }
}

std::filesystem::path KeptRequests::Keep(std::string_view user, bool options_only,
                                         std::string_view bytes) {
  if (folder_.empty()) return {};
  std::lock_guard<std::mutex> lock(mutex_);
  std::string suffix = "-" + internal::FolderNameFor(user) + (options_only ? "-opt" : "") + ".zip";
  std::filesystem::path path;
  std::error_code error;
  do {
    char number[16];
    std::snprintf(number, sizeof number, "%04d", next_++);
    path = folder_ / (number + suffix);
  } while (std::filesystem::exists(path, error));
  internal::WriteWholeFile(path, bytes);
  return path;
}

}  // namespace shelvex::host
