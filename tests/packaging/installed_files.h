#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace shelvex::packaging {

// What this build installs into the program folder: the programs it has targets for and, with the
// service, its two scripts. The build passes the list (comma-separated), so the tests follow it.
inline std::vector<std::string> InstalledPrograms() {
  std::vector<std::string> names;
  std::istringstream list(SHELVEX_INSTALLED_PROGRAMS);
  for (std::string name; std::getline(list, name, ',');) {
    if (!name.empty()) names.push_back(name);
  }
  return names;
}

inline bool Installs(const std::string& program) {
  for (const std::string& name : InstalledPrograms()) {
    if (name == program) return true;
  }
  return false;
}

// The desktop entry, and the icons under icons/hicolor, relative to the desktop data folder.
inline constexpr char kDesktopEntry[] = "applications/lantern-manager.desktop";
inline const std::vector<std::string>& IconFiles() {
  static const std::vector<std::string> files = {
      "icons/hicolor/scalable/apps/lantern-manager.svg",
      "icons/hicolor/48x48/apps/lantern-manager.png",
      "icons/hicolor/128x128/apps/lantern-manager.png",
  };
  return files;
}

}  // namespace shelvex::packaging
