#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace shelvex::engine::internal {

// The most that the entries of one archive may expand to, all together.
inline constexpr std::uint64_t kMaxExtractedBytes = 256ull << 20;

// Extracts every file entry of `archive` into `folder` under its bare name (the part after the
// last "/" or "\"), overwriting, with the entry's time stamp and permissions. `password` opens
// encrypted entries (an empty one opens none). Folder entries are passed over.
//
// Nothing is written for an archive that holds a name whose bare part is empty, "." or "..", or
// whose entries would expand beyond `limit` bytes. Each entry goes to a temporary file beside its
// target and replaces the target only after a clean read, which the CRC check ends: the
// traditional encryption's one-byte check lets about one wrong password in 256 through.
//
// Throws Error "archive: cause" on the first failure; entries extracted before it stay.
void ExtractZipArchive(const std::filesystem::path& archive, const std::filesystem::path& folder,
                       const std::string& password, std::uint64_t limit = kMaxExtractedBytes);

}  // namespace shelvex::engine::internal
