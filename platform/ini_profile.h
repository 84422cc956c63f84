#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace shelvex::platform {

// An INI file read and written the way Windows profile functions treat it: section and key names
// compare without regard to case, other sections and keys are kept, a key already present is
// written in place and a new key is appended at the end of its section (the section is created at
// the end of the file when missing). The file is 8-bit text in the ANSI code page with CR LF line
// ends (a byte-order mark is honoured when reading); values are handed out as UTF-8.
//
// Lexical rules: blanks around names and values are trimmed, quotes are part of the value, lines
// starting with ";" or "#" are comments and are kept, as are duplicate keys (Read gives the first,
// Write replaces them all in the first one's place). Saving drops lines that are neither section,
// key=value nor comment, and writes one blank line before each section and before each comment that
// precedes a key. A CR or LF inside a written value becomes a blank, so that a value can never add
// lines of its own.
class IniProfile final {
 public:
  // Reads `path`; a missing or unreadable file gives an empty profile.
  explicit IniProfile(std::filesystem::path path);
  ~IniProfile();
  IniProfile(const IniProfile&) = delete;
  IniProfile& operator=(const IniProfile&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // The value of `key` in `section` with surrounding blanks trimmed, or nullopt when the key is
  // missing.
  std::optional<std::string> Read(std::string_view section, std::string_view key) const;
  void Write(std::string_view section, std::string_view key, std::string_view value);

  // Writes the whole profile back through ReplaceFile. Throws IoError.
  void Save() const;

 private:
  struct Impl;
  std::filesystem::path path_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace shelvex::platform
