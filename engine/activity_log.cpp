#include "engine/data_module.h"
#include "platform/code_page.h"
#include "platform/file_io.h"

namespace shelvex::engine {

void TDataModule2::AddToLog(const std::string& s) {
  if (!IsLoggingOn) return;
  // The year is taken for every line, so the first line after New Year's midnight opens the new
  // file.
  const std::string path = HomeDir + std::to_string(platform::DecodeDateTime(Now()).year) + ".txt";
  // One write per line and no lock: the manager and the service append to the same file.
  platform::AppendToFile(path, platform::Utf8ToAnsi(s) + "\r\n");
}

void TDataModule2::ReportStatus(const std::string& text) {
  if (UpdateStatusProc) UpdateStatusProc(text);
  if (IsLoggingOn) AddToLog(text);
}

std::string TDataModule2::TimestampText() const { return platform::FormatDateTime(Now()); }

}  // namespace shelvex::engine
