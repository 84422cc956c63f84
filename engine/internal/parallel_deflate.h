#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace shelvex::engine::internal {

// A file's raw deflate data (no zlib or gzip wrapper), ready to go into a ZIP entry.
struct DeflatedFile {
  std::string data;        // the deflate stream
  std::uint64_t size = 0;  // the file's length
  std::uint32_t crc = 0;   // CRC-32 of the file's bytes
  std::int64_t mtime = 0;  // the file's time stamp when it was read
};

// Deflates each of `files` at level 6 on up to `threads` threads (0: one per processor, at most
// four). A large file is cut into blocks that are deflated side by side, each primed with the 32
// KiB before it and ended with a sync flush, and the blocks are joined into one stream, so that
// the work of the archive step is shared among the processors while the result stays a single
// ordinary deflate stream, a few bytes larger than zlib's own. A file of one block comes out
// exactly as zlib deflates it.
//
// Throws Error "path: cause" when a file cannot be read.
std::vector<DeflatedFile> DeflateFiles(const std::vector<std::filesystem::path>& files,
                                       unsigned threads = 0);

}  // namespace shelvex::engine::internal
