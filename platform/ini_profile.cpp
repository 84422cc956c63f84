#include "platform/ini_profile.h"

#include <SimpleIni.h>

#include "platform/code_page.h"
#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/text_file.h"

namespace shelvex::platform {

namespace {

bool IsBlankOrComment(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t");
  return first == std::string_view::npos || line[first] == ';' || line[first] == '#';
}

}  // namespace

struct IniProfile::Impl {
  Impl() {
    // The bytes are handed over as they are: the file is converted to UTF-8 as a whole before
    // parsing.
    ini.SetUnicode(false);
    ini.SetSpaces(false);
    // Windows reads the first of two equal keys; keeping both keeps the file as the user wrote it.
    ini.SetMultiKey(true);
    // Key-only lines are not kept: SimpleIni would then write every empty value without its "=" as
    // well.
  }

  CSimpleIniA ini;
  // SimpleIni keeps a comment only when a key or section follows it; the comment lines that end the
  // file are kept here and written back after everything else.
  std::vector<std::string> closing_comments;
};

IniProfile::IniProfile(std::filesystem::path path)
    : path_(std::move(path)), impl_(std::make_unique<Impl>()) {
  std::string bytes;
  try {
    bytes = ReadFileBytes(path_);
  } catch (const IoError&) {
    return;
  }
  std::vector<std::string> lines = DecodeTextLines(bytes);
  std::size_t body_end = lines.size();
  while (body_end > 0 && IsBlankOrComment(lines[body_end - 1])) --body_end;
  // A file of nothing but comments is SimpleIni's own file comment.
  if (body_end > 0) {
    impl_->closing_comments.assign(lines.begin() + static_cast<std::ptrdiff_t>(body_end),
                                   lines.end());
    lines.resize(body_end);
  }
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += '\n';
  }
  if (impl_->ini.LoadData(text) < 0) {
    impl_->ini.Reset();
    impl_->closing_comments.clear();
  }
}

IniProfile::~IniProfile() = default;

std::optional<std::string> IniProfile::Read(std::string_view section, std::string_view key) const {
  const std::string section_name(section);
  const std::string key_name(key);
  const char* value = impl_->ini.GetValue(section_name.c_str(), key_name.c_str(), nullptr);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

void IniProfile::Write(std::string_view section, std::string_view key, std::string_view value) {
  const std::string section_name(section);
  std::string key_name(key);
  // A key already in the file keeps the spelling it has there ("User=" stays "User=").
  if (const CSimpleIniA::TKeyVal* keys = impl_->ini.GetSection(section_name.c_str())) {
    const auto found = keys->find(CSimpleIniA::Entry(key_name.c_str()));
    if (found != keys->end()) key_name = found->first.pItem;
  }
  // A line break inside a value would turn the rest of it into lines of their own (a new key, say).
  std::string one_line(value);
  for (char& c : one_line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  if (impl_->ini.SetValue(section_name.c_str(), key_name.c_str(), one_line.c_str(), nullptr, true) <
      0) {
    throw Error(path_.string() + ": cannot set " + section_name + "/" + key_name +
                " (out of memory)");
  }
}

void IniProfile::Save() const {
  std::string text;
  if (impl_->ini.Save(text, false) < 0) throw IoError(path_.string() + ": cannot lay out the file");
  for (const std::string& line : impl_->closing_comments) {
    text += line;
    text += '\n';
  }
  // CR LF line ends; SimpleIni puts two blank lines between sections, one is enough.
  std::string bytes;
  bytes.reserve(text.size() + text.size() / 16);
  for (const char c : text) {
    if (c == '\n') {
      if (bytes.ends_with("\r\n\r\n")) continue;
      bytes += '\r';
    }
    bytes += c;
  }
  ReplaceFile(path_, Utf8ToAnsi(bytes));
}

}  // namespace shelvex::platform
