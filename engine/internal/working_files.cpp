#include "engine/internal/working_files.h"

#include <system_error>

#include "engine/data_module.h"

namespace shelvex::engine::internal {

namespace fs = std::filesystem;

bool CopyWorkingFile(const fs::path& from, const fs::path& to) {
  std::error_code error;
  if (!fs::is_regular_file(from, error)) return false;
  const fs::file_time_type stamp = fs::last_write_time(from, error);
  if (error) return false;
  if (!fs::copy_file(from, to, fs::copy_options::overwrite_existing, error) || error) {
    // A copy that broke off must not go into the archive as if it were whole.
    fs::remove(to, error);
    return false;
  }
  fs::last_write_time(to, stamp, error);
  return true;
}

void CopyOptionFiles(const fs::path& home_dir, const fs::path& xml_folder) {
  for (const char* name :
       {kOptionsFileName, "columns.txt", "details.txt", "det_pg.txt", "keyflds.txt"}) {
    CopyWorkingFile(home_dir / name, xml_folder / name);
  }
}

}  // namespace shelvex::engine::internal
