// The reservations that patrons made on the library's site: fetched from the server and merged
// into the reservation file that the cataloguing program takes them from.

#include <filesystem>
#include <system_error>
#include <vector>

#include "engine/data_module.h"
#include "engine/internal/http_request.h"
#include "engine/internal/query_value.h"
#include "platform/code_page.h"
#include "platform/collation.h"
#include "platform/file_io.h"
#include "platform/text_file.h"

namespace shelvex::engine {

namespace {

namespace fs = std::filesystem;

// Appends each line of `fresh` that `lines` does not hold yet, compared without regard to case;
// a line added counts for the lines after it, so a repeated line goes in once.
void MergeLines(std::vector<std::string>& lines, const std::vector<std::string>& fresh) {
  const platform::TextCollator collator(true);
  for (const std::string& line : fresh) {
    bool known = false;
    for (const std::string& held : lines) {
      if (collator.CompareUtf8(held, line) == 0) {
        known = true;
        break;
      }
    }
    if (!known) lines.push_back(line);
  }
}

}  // namespace

void TDataModule2::DownloadReservations() {
  const fs::path xml_folder = XmlFolder();
  const fs::path archive = xml_folder / "reserve.zip";
  const fs::path data_folder = fs::path(HomeDir) / "data";
  const fs::path reservations = data_folder / "new_res.txt";
  // Whatever goes wrong ends the download silently: the reservation file is replaced in one
  // rename at the very end, or not at all.
  try {
    internal::HttpRequest request(ServerAddress(
        "/cmd?user=" + internal::QueryValue(platform::Utf8ToAnsi(User)) + "&cmd=reservations"));
    SetProxy(request);
    const std::string reply = request.Perform();

    // The server hands reservations out once; before any run has made the xml folder they would
    // otherwise have nowhere to go.
    std::error_code error;
    fs::create_directories(xml_folder, error);
    fs::remove(archive, error);
    platform::WriteFileBytes(archive, reply);
    if (!ExtractArchive(archive.string())) return;

    // The old list is read in place, not moved aside first: a reservation file that exists but
    // cannot be read ends the download here instead of being replaced by the new lines alone.
    std::vector<std::string> lines;
    if (fs::exists(reservations)) lines = platform::ReadTextLines(reservations);
    std::vector<std::string> fresh;
    try {
      fresh = platform::ReadTextLines(xml_folder / "reserve.txt");
    } catch (const IoError&) {
      // No reserve.txt: nothing new, the old lines are written again.
    }
    MergeLines(lines, fresh);

    fs::create_directories(data_folder, error);
    // Through a temporary file and a rename: a failed write leaves the old file whole.
    platform::WriteAnsiLines(reservations, lines);
  } catch (const std::exception&) {
    // The download reports nothing and never fails towards its caller.
  }
}

}  // namespace shelvex::engine
