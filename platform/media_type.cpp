#include "platform/media_type.h"

#include <fstream>
#include <sstream>

#include "platform/folder.h"

namespace shelvex::platform {

namespace {

constexpr std::string_view kFallback = "application/octet-stream";

struct BuiltInType {
  std::string_view extension;
  std::string_view media_type;
};

// The types Windows registers for the files this system sends.
constexpr BuiltInType kBuiltIn[] = {
    {"zip", "application/x-zip-compressed"},
    {"xml", "text/xml"},
    {"txt", "text/plain"},
};

}  // namespace

std::string MediaTypeForExtension(std::string_view extension,
                                  const std::filesystem::path& mime_types) {
  if (extension.starts_with('.')) extension.remove_prefix(1);
  if (extension.empty()) return std::string(kFallback);

  // mime.types: a type, then the extensions that have it, separated by blanks; "#" begins a
  // comment.
  std::ifstream table(mime_types);
  std::string line;
  while (std::getline(table, line)) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::string media_type, candidate;
    if (!(words >> media_type)) continue;
    while (words >> candidate) {
      if (EqualsIgnoringAsciiCase(candidate, extension)) return media_type;
    }
  }
  for (const BuiltInType& entry : kBuiltIn) {
    if (EqualsIgnoringAsciiCase(entry.extension, extension)) return std::string(entry.media_type);
  }
  return std::string(kFallback);
}

}  // namespace shelvex::platform
