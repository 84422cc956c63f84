// The upload archive xml.zip and the extraction of the reservation archive.

#include <filesystem>
#include <system_error>

#include "engine/data_module.h"
#include "engine/internal/zip_extractor.h"
#include "engine/internal/zip_writer.h"
#include "platform/folder.h"

namespace shelvex::engine {

namespace {

namespace fs = std::filesystem;

constexpr char kArchiveName[] = "xml.zip";

// The files of `folder` that go into the archive, group by group in folder-listing order: the data
// packets (unless only the options are sent), the options file, the text files and the field names
// files. Only plain files of the folder itself; never the archive.
std::vector<internal::ArchiveFile> ArchiveFiles(const fs::path& folder, bool options_only) {
  std::vector<internal::ArchiveFile> files;
  for (const char* mask : {"*.xml", "*.ini", "*.txt", "*.lab"}) {
    if (options_only && std::string_view(mask) == "*.xml") continue;
    for (const platform::FolderEntry& entry : platform::ListFolder(folder, mask)) {
      if (entry.is_directory || platform::EqualsIgnoringAsciiCase(entry.name, kArchiveName)) {
        continue;
      }
      std::error_code error;
      const fs::path path = folder / entry.name;
      // A pipe or socket of that name would stall the archive; it is no file of ours.
      if (!fs::is_regular_file(path, error)) continue;
      files.push_back({path, entry.name});
    }
  }
  return files;
}

}  // namespace

void TDataModule2::BuildArchive(bool options_only) {
  const fs::path folder = XmlFolder();
  const fs::path archive = folder / kArchiveName;
  std::error_code error;
  // An old archive left in place would be uploaded again if this one failed; one that cannot be
  // removed is a failure of its own.
  if (!fs::remove(archive, error) && error && error != std::errc::no_such_file_or_directory) {
    ++ErrorCnt;
    return;
  }
  try {
    // An empty list (no xml folder, or nothing in it) makes no archive: libzip writes none.
    internal::WriteZipArchive(archive, ArchiveFiles(folder, options_only), Pass);
  } catch (const std::exception&) {
    ++ErrorCnt;
    return;
  }
  if (!fs::exists(archive, error)) ++ErrorCnt;
}

bool TDataModule2::ExtractArchive(const std::string& path) {
  try {
    internal::ExtractZipArchive(path, fs::path(path).parent_path(), Pass);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace shelvex::engine
