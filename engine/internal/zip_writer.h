#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace shelvex::engine::internal {

// One file to put into an archive.
struct ArchiveFile {
  std::filesystem::path path;  // the file on disk
  std::string name;            // the entry's name: the bare file name
};

// Writes the archive `archive` holding `files` in their order, each under its name with the file's
// time stamp and attributes. Each entry is deflated at level 6, or stored when deflate does not
// make it smaller (an empty file always is). A non-empty `password` encrypts every entry with the
// traditional PKWARE encryption. libzip writes a temporary file beside `archive` and renames it
// over it, so a failure leaves no half archive.
//
// Throws Error "path: cause" when the archive cannot be written, a file cannot be read, or `files`
// is empty (an archive without entries is never written).
void WriteZipArchive(const std::filesystem::path& archive, const std::vector<ArchiveFile>& files,
                     const std::string& password);

}  // namespace shelvex::engine::internal
