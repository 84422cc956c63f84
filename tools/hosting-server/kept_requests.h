#pragma once

#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

namespace shelvex::host {

// Keeps the archive bytes of every upload as a file of its own, for tests that compare what arrived
// with what was sent: DIR/0001-lib1.zip, DIR/0002-lib1-opt.zip, ... (the user as in account folder
// names). Numbers continue after the files already there. Thread-safe.
class KeptRequests final {
 public:
  // `folder` empty: nothing is kept. Creates the folder otherwise; throws IoError when it cannot.
  explicit KeptRequests(std::filesystem::path folder);

  // Gives the file written, or an empty path when nothing is kept. Throws IoError on a write
  // failure.
  std::filesystem::path Keep(std::string_view user, bool options_only, std::string_view bytes);

 private:
  std::filesystem::path folder_;
  std::mutex mutex_;
  int next_ = 1;
};

}  // namespace shelvex::host
