#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace shelvex::platform {

// The media type registered for a file extension ("zip" or ".zip", any case): looked up in
// `mime_types` (the system's table), else a small built-in table ("zip" gives
// "application/x-zip-compressed"), else "application/octet-stream".
std::string MediaTypeForExtension(std::string_view extension,
                                  const std::filesystem::path& mime_types = "/etc/mime.types");

}  // namespace shelvex::platform
