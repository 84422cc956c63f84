#pragma once

#include <filesystem>
#include <string>

namespace shelvex::service {

// Where the unit file goes, and whether systemd is told about it.
struct TUnitLocation {
  std::filesystem::path folder;
  bool tell_systemd = true;

  // /etc/systemd/system, or the folder that SHELVEX_SYSTEMD_DIR names; systemd is then left alone,
  // so that tests run the same with or without it.
  static TUnitLocation FromEnvironment();
  std::filesystem::path UnitFile() const;
};

// Writes the unit for `program` --home `home`, then reloads systemd and enables the unit. Throws
// TSystemError: EEXIST when the unit file is already there; when systemd refuses, the unit file
// just written is removed again.
void InstallService(const TUnitLocation& location, const std::filesystem::path& program,
                    const std::string& home);

// Disables the unit, removes its file and reloads systemd. Throws TSystemError: ENOENT when there
// is no unit file; a unit that systemd refuses to disable keeps its file.
void UninstallService(const TUnitLocation& location);

}  // namespace shelvex::service
