#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shelvex::platform {

// Folder access with the case rules of Windows, whose file names the original system relies on.

struct FolderEntry {
  std::string name;  // the name as it is on disk
  bool is_directory = false;
};

// The entries of `folder` whose names match `mask` without regard to ASCII case. The mask is "*" or
// "*.*" (everything) or "*.ext", or any mask of "*" and "?" wildcards; "." and ".." are never
// listed. Entries come in the order in which Windows lists an NTFS folder: by name with ASCII
// letters compared in upper case (so "_x" comes after "b"), ties broken by the bytes. A folder that
// does not exist or cannot be read gives an empty list.
std::vector<FolderEntry> ListFolder(const std::filesystem::path& folder, std::string_view mask);

// True when `name` matches `mask` (as above) without regard to ASCII case.
bool MatchesMask(std::string_view name, std::string_view mask);

// The path of the entry in `folder` whose name equals `name` ignoring ASCII case; the exact name is
// preferred when several differ only by case. nullopt when there is none.
std::optional<std::filesystem::path> FindIgnoringCase(const std::filesystem::path& folder,
                                                      std::string_view name);

// `name` in `folder`, found as FindIgnoringCase does, or `folder / name` when no entry matches (so
// that the caller reports the name it asked for).
std::filesystem::path ResolveIgnoringCase(const std::filesystem::path& folder,
                                          std::string_view name);

// ASCII letters A-Z to lower case, every other byte unchanged.
std::string AsciiLower(std::string_view text);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// The folder of the running program file, with a trailing "/".
std::string ProgramFolder();

}  // namespace shelvex::platform
