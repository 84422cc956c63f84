#include "service/installer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "service/internal/systemd_manager.h"
#include "service/system_error.h"
#include "service/unit_file.h"

namespace shelvex::service {

namespace {

constexpr char kSystemUnitFolder[] = "/etc/systemd/system";

void ThrowUnless(const internal::TBusResult& result) {
  if (!result.ok()) throw TSystemError(result.code, result.message);
}

// Creates `path` with `text`; EEXIST when it is there already. A file that cannot be written whole
// is removed.
void CreateFileExclusively(const std::filesystem::path& path, const std::string& text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) throw TSystemError(errno);
  int failure = 0;
  std::size_t written = 0;
  while (written < text.size() && failure == 0) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) failure = errno;
    if (n >= 0) written += static_cast<std::size_t>(n);
  }
  if (failure == 0 && ::fsync(fd) != 0) failure = errno;
  if (::close(fd) != 0 && failure == 0) failure = errno;
  if (failure != 0) {
    ::unlink(path.c_str());
    throw TSystemError(failure);
  }
}

}  // namespace

TUnitLocation TUnitLocation::FromEnvironment() {
  const char* folder = std::getenv("SHELVEX_SYSTEMD_DIR");
  if (folder != nullptr && *folder != '\0') return {folder, false};
  return {kSystemUnitFolder, true};
}

std::filesystem::path TUnitLocation::UnitFile() const { return folder / kUnitName; }

void InstallService(const TUnitLocation& location, const std::filesystem::path& program,
                    const std::string& home) {
  const std::filesystem::path unit_file = location.UnitFile();
  CreateFileExclusively(unit_file, UnitFileText(program, home));
  if (!location.tell_systemd) return;
  // As systemctl does: load the new file, enable it, and reload again for the new links.
  internal::TBusResult result = internal::ReloadSystemd();
  bool enabled = false;
  if (result.ok()) {
    result = internal::EnableUnitFile(kUnitName);
    enabled = result.ok();
  }
  if (result.ok()) result = internal::ReloadSystemd();
  if (!result.ok()) {
    // Leaves systemd as it was before: no links, no file, and no unit loaded from it. These
    // requests' own outcomes do not change what failed.
    if (enabled) internal::DisableUnitFile(kUnitName);
    ::unlink(unit_file.c_str());
    internal::ReloadSystemd();
    ThrowUnless(result);
  }
}

void UninstallService(const TUnitLocation& location) {
  const std::filesystem::path unit_file = location.UnitFile();
  struct stat status {};
  if (::lstat(unit_file.c_str(), &status) != 0) throw TSystemError(errno);
  if (location.tell_systemd) ThrowUnless(internal::DisableUnitFile(kUnitName));
  if (::unlink(unit_file.c_str()) != 0) throw TSystemError(errno);
  if (location.tell_systemd) ThrowUnless(internal::ReloadSystemd());
}

}  // namespace shelvex::service
