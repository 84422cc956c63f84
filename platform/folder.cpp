#include "platform/folder.h"

#include <algorithm>
#include <system_error>

#include "platform/error.h"

namespace shelvex::platform {

namespace fs = std::filesystem;

namespace {

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// NTFS keeps a folder's names sorted through its upper-case table, so "_a" comes after "B" there;
// Windows lists a folder in that order and discovery takes the first table of each role, so the
// order is kept here.
bool ListsBefore(const std::string& a, const std::string& b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const unsigned char ua = static_cast<unsigned char>(AsciiUpper(a[i]));
    const unsigned char ub = static_cast<unsigned char>(AsciiUpper(b[i]));
    if (ua != ub) return ua < ub;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

// '*' and '?' wildcards, ASCII case ignored; iterative with one backtrack point, so no input is
// slow.
bool WildcardMatch(std::string_view name, std::string_view mask) {
  std::size_t n = 0, m = 0;
  std::size_t star = std::string_view::npos, star_name = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || AsciiLowerChar(mask[m]) == AsciiLowerChar(name[n]))) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == '*') {
      star = m++;
      star_name = n;
    } else if (star != std::string_view::npos) {
      m = star + 1;
      n = ++star_name;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

}  // namespace

bool MatchesMask(std::string_view name, std::string_view mask) {
  // Windows reads "*.*" as "every name", with or without a dot.
  if (mask == "*.*") return true;
  return WildcardMatch(name, mask);
}

std::vector<FolderEntry> ListFolder(const fs::path& folder, std::string_view mask) {
  std::vector<FolderEntry> entries;
  std::error_code error;
  fs::directory_iterator it(folder, error);
  if (error) return entries;
  for (; it != fs::directory_iterator(); it.increment(error)) {
    if (error) break;
    std::string name = it->path().filename().string();
    if (!MatchesMask(name, mask)) continue;
    std::error_code type_error;
    const bool is_directory = it->is_directory(type_error);
    entries.push_back(FolderEntry{std::move(name), is_directory});
  }
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return ListsBefore(a.name, b.name); });
  return entries;
}

std::optional<fs::path> FindIgnoringCase(const fs::path& folder, std::string_view name) {
  if (name.empty()) return std::nullopt;
  std::error_code error;
  const fs::path exact = folder / name;
  if (fs::symlink_status(exact, error).type() != fs::file_type::not_found && !error) return exact;
  std::optional<std::string> best;
  fs::directory_iterator it(folder, error);
  if (error) return std::nullopt;
  for (; it != fs::directory_iterator(); it.increment(error)) {
    if (error) break;
    std::string candidate = it->path().filename().string();
    // Of several names that differ only in case, the first in listing order wins, so the choice is
    // stable.
    if (EqualsIgnoringAsciiCase(candidate, name) && (!best || ListsBefore(candidate, *best))) {
      best = std::move(candidate);
    }
  }
  if (!best) return std::nullopt;
  return folder / *best;
}

fs::path ResolveIgnoringCase(const fs::path& folder, std::string_view name) {
  std::optional<fs::path> found = FindIgnoringCase(folder, name);
  return found ? *found : folder / name;
}

std::string AsciiLower(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = AsciiLowerChar(c);
  return result;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLowerChar(a[i]) != AsciiLowerChar(b[i])) return false;
  }
  return true;
}

std::string ProgramFolder() {
  std::error_code error;
  const fs::path program = fs::read_symlink("/proc/self/exe", error);
  if (error)
    throw IoError("/proc/self/exe: cannot find the program file (" + error.message() + ")");
  return program.parent_path().string() + "/";
}

}  // namespace shelvex::platform
