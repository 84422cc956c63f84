#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "tools/hosting-server/upload_archive.h"

namespace shelvex::host {

// How one run of the server behaves, chosen on its command line.
struct ServerSettings {
  std::filesystem::path root;           // the account store
  std::string listen = "127.0.0.1";     // address to bind
  int port = 731;                       // 0: any free port
  std::filesystem::path log_file;       // empty: standard error
  std::filesystem::path keep_requests;  // empty: received archives are not kept
  std::uint64_t max_upload_bytes = 512ull << 20;
  UploadLimits limits{512ull << 20, 10000};

  // Misbehaviour for tests of the client.
  std::optional<std::string>
      reply;            // answered instead of "ok" to upload, start, stop and pwd (nothing changes)
  int status_code = 0;  // not 0: every request is answered with this HTTP status
  bool not_archive = false;  // the reservations request gets an HTML error page
  double hang_seconds = 0;   // every reply is held back this long
};

}  // namespace shelvex::host
