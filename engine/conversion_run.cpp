// The conversion run: the role tables of the data folder become XML data packets in the xml folder,
// which is packed into xml.zip and uploaded.

#include <filesystem>
#include <string>
#include <system_error>

#include "engine/data_module.h"
#include "engine/internal/working_files.h"
#include "export/table_export.h"
#include "platform/folder.h"

namespace shelvex::engine {

namespace {

namespace fs = std::filesystem;

// `name` with its extension (from the last ".") replaced by `extension`.
std::string WithExtension(const std::string& name, const char* extension) {
  const std::size_t dot = name.rfind('.');
  return (dot == std::string::npos ? name : name.substr(0, dot)) + extension;
}

}  // namespace

void TDataModule2::ClearXmlFolder() {
  const fs::path folder = XmlFolder();
  std::error_code error;
  // A folder that cannot be made shows up as one export failure per table, naming the path.
  fs::create_directories(folder, error);
  for (const platform::FolderEntry& entry : platform::ListFolder(folder, "*")) {
    if (!entry.is_directory) fs::remove(folder / entry.name, error);
  }
}

void TDataModule2::ConvertAllTables() {
  ClearXmlFolder();
  const fs::path folder = XmlFolder();
  // The role fields in the order in which a table name is matched, and the files they become.
  const struct {
    const std::string& table;
    const char* xml_name;
  } roles[] = {{LibraryDb, "library.xml"},
               {LoansDb, "loan.xml"},
               {ReservationsDb, "reserve.xml"},
               {BorrowersDb, "borrowers.xml"},
               {FinesDb, "fines.xml"}};

  for (const std::string& name : DbfFiles) {
    const char* xml_name = nullptr;
    for (const auto& role : roles) {
      if (role.table == name) {
        xml_name = role.xml_name;
        break;
      }
    }
    if (xml_name == nullptr) continue;  // a table without a role is neither exported nor named
    ReportStatus("Converting file to XML: " + name);
    const fs::path xml_path = folder / xml_name;
    try {
      // The field names file is optional: a missing one only leaves the archive without it.
      internal::CopyWorkingFile(
          platform::ResolveIgnoringCase(DataFolder, WithExtension(name, ".lab")),
          folder / WithExtension(xml_name, ".lab"));
      exporting::ExportProgress progress;
      if (UpdateProgressProc) {
        progress = [this, &name](std::uint32_t done, std::uint32_t total) {
          UpdateProgressProc(name, done, total);
        };
      }
      exporting::ExportTableToXml(DataFolder, name, xml_path.string(), progress);
    } catch (const std::exception& error) {
      AddToLog(std::string("Exception Error: ") + error.what());
      ++ErrorCnt;
    }
  }
  internal::CopyOptionFiles(HomeDir, folder);
  // Only a step that ran to its end says so; one cut short by a failing status report says
  // nothing more.
  if (ErrorCnt == 0) ReportStatus("All files converted.");
}

void TDataModule2::ConvertDbfToXml() {
  ErrorCnt = 0;
  LibraryDb.clear();
  LoansDb.clear();
  BorrowersDb.clear();
  ReservationsDb.clear();
  FinesDb.clear();
  DbfFiles.clear();
  AddToLog("====== Start: " + TimestampText());
  ReportStatus("Preparing DBF files for import.");
  FindDbfFiles();
  if (LoansDb.empty() || LibraryDb.empty() || BorrowersDb.empty()) {
    // Counted like every other failure, so that a host can tell this run from a successful one.
    ++ErrorCnt;
    ReportStatus("ERROR! Database files not found.");
    return;
  }
  ConvertAllTables();
  if (ErrorCnt > 0) {
    ReportStatus(std::to_string(ErrorCnt) + " errors converting dbf files! Upload Failed!");
    AddToLog("====== End: " + TimestampText());
    return;
  }
  ReportStatus("Creating a zip archive.");
  BuildArchive(false);
  if (ErrorCnt > 0) {
    ReportStatus("ERROR! Could not create a zip file.");
    AddToLog("====== End: " + TimestampText());
    return;
  }
  ReportStatus("Uploading compressed files...");
  std::string reply;
  PostArchive(false, reply);
  if (ErrorCnt == 0) {
    ReportStatus("Upload Completed Successfully.");
  } else {
    ReportStatus("Upload Failed! " + reply);
  }
  if (ErrorCnt == 0 && AcceptReservations) DownloadReservations();
  AddToLog("====== End: " + TimestampText());
}

}  // namespace shelvex::engine
