#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace shelvex::host {

// An upload the server will not take. what() is the whole reply text, "ERROR: <archive>: <cause>".
class UploadRefused : public Error {
 public:
  using Error::Error;
};

struct UploadLimits {
  std::uint64_t max_total_bytes = 0;  // sum of the entries' sizes once extracted
  std::size_t max_entries = 0;
};

struct ExtractedFile {
  std::string name;  // bare name, as written into the target folder
  std::uint64_t size = 0;
};

// Opens the uploaded archive `archive` (called `archive_name` in messages) and writes every entry
// into `target`, an existing empty folder, under its bare name: folders stored in the archive are
// dropped, while an entry whose name is absolute or climbs with ".." refuses the whole upload. An
// account with a data password (`password` not empty) takes only archives whose every entry is
// encrypted with it; an account without one takes only unencrypted archives. Throws UploadRefused
// on any fault; what was written so far stays in `target` for the caller to discard, so the caller
// must extract into a staging folder.
std::vector<ExtractedFile> ExtractUpload(std::string_view archive, std::string_view archive_name,
                                         const std::string& password,
                                         const std::filesystem::path& target,
                                         const UploadLimits& limits);

// The bare name an entry is stored under: "" for a folder entry (skipped), std::nullopt for a name
// that must not be taken (absolute, a drive, "..", control bytes).
std::optional<std::string> BareEntryName(std::string_view entry_name);

}  // namespace shelvex::host
