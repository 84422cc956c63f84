#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace shelvex::host::internal {

// Replaces `path` with `content` through a temporary file in the same folder (write, fsync,
// rename), so that a crash or a concurrent reader never sees half an account file. Throws IoError
// naming the file.
void ReplaceFileAtomically(const std::filesystem::path& path, std::string_view content);

// The whole file, or an empty text with `*exists` false when there is no such file. Any other
// failure throws IoError naming the file.
std::string ReadFileIfPresent(const std::filesystem::path& path, bool* exists = nullptr);

// Writes `content` to a new or truncated file (no atomicity needed: staging copies, kept requests).
void WriteWholeFile(const std::filesystem::path& path, std::string_view content);

}  // namespace shelvex::host::internal
