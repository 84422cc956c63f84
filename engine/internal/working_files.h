#pragma once

#include <filesystem>

namespace shelvex::engine::internal {

// Copies `from` to `to`, replacing it, and gives the copy the time stamp of its source, as a copy
// on Windows keeps it (the archive entry then carries the time the user last changed the file).
// False, with `to` unchanged or removed, when the copy failed: a missing source is the usual case.
bool CopyWorkingFile(const std::filesystem::path& from, const std::filesystem::path& to);

// Copies the options file and the four field-list files from `home_dir` into `xml_folder` under
// the same names; those that are missing or cannot be copied are passed over.
void CopyOptionFiles(const std::filesystem::path& home_dir,
                     const std::filesystem::path& xml_folder);

}  // namespace shelvex::engine::internal
