// The options-only upload: the display settings and field lists without the data packets, so the
// server keeps the catalogue it has and takes the new settings.

#include <string>

#include "engine/data_module.h"
#include "engine/internal/working_files.h"

namespace shelvex::engine {

void TDataModule2::UploadOptionsOnly() {
  ErrorCnt = 0;
  AddToLog("====== Start: " + TimestampText() + " / Options Only");
  ReportStatus("Creating a zip archive.");
  // The xml folder is neither made nor cleared here: without a full run before, there is nothing
  // to send and the archive step fails.
  internal::CopyOptionFiles(HomeDir, XmlFolder());
  BuildArchive(true);
  if (ErrorCnt > 0) {
    ReportStatus("ERROR! Could not create a zip file.");
    AddToLog("====== End: " + TimestampText());
    return;
  }
  ReportStatus("Uploading compressed files...");
  std::string reply;
  PostArchive(true, reply);
  if (ErrorCnt != 0) {
    ReportStatus("Opptions Upload Failed! " + reply);
  } else {
    ReportStatus("Options Upload Completed Successfully.");
  }
  AddToLog("====== End: " + TimestampText());
}

}  // namespace shelvex::engine
