#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace shelvex::platform {

// Whole-file reads and writes. Every failure throws IoError with "path: cause".

std::string ReadFileBytes(const std::filesystem::path& path);

// Replaces `path` with `content` so that a crash never leaves half a file: writes a temporary file
// in the same folder, flushes and fsyncs it, then renames it over `path`. On failure the temporary
// file is removed and the old file is left as it was. A new file gets `permissions` (less the
// umask); an existing file keeps its own.
void ReplaceFile(const std::filesystem::path& path, std::string_view content,
                 std::filesystem::perms permissions = std::filesystem::perms::owner_read |
                                                      std::filesystem::perms::owner_write |
                                                      std::filesystem::perms::group_read |
                                                      std::filesystem::perms::group_write |
                                                      std::filesystem::perms::others_read |
                                                      std::filesystem::perms::others_write);

// Appends `content` to `path` (created when missing) with one write, so that two processes
// appending lines at the same moment do not interleave within a line.
void AppendToFile(const std::filesystem::path& path, std::string_view content);

// Creates or truncates `path` and writes `content`: for files whose partial state is acceptable
// (working copies).
void WriteFileBytes(const std::filesystem::path& path, std::string_view content);

}  // namespace shelvex::platform
