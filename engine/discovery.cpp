// Which table of the data folder plays which role. The cataloguing program names its tables so that
// the loans table is the library table's name with "z" before the extension and the reservations
// table ends in "r"; the borrowers and fines tables are named inside its layout definition files.

#include <string>
#include <string_view>

#include "engine/data_module.h"
#include "layout/definition_file.h"
#include "platform/folder.h"

namespace shelvex::engine {

namespace {

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// Tables of the cataloguing program that hold no library data: its own bookkeeping, damaged copies,
// temporary files and read-me tables.
bool IsSkippedTableName(std::string_view lower_name) {
  return Contains(lower_name, "xata") || Contains(lower_name, "bad") || Contains(lower_name, "$") ||
         lower_name == "master.dbf" || Contains(lower_name, "readme");
}

// The name with its extension (from the last "." on) replaced by ".def"; a name without one gets
// ".def" appended.
std::string DefinitionFileName(const std::string& table_name) {
  const std::size_t dot = table_name.rfind('.');
  return (dot == std::string::npos ? table_name : table_name.substr(0, dot)) + ".def";
}

}  // namespace

std::string TDataModule2::FindLoanFormula(const std::filesystem::path& file_name) {
  return layout::FindFormulaOfSubType(file_name, layout::fstLoan);
}

std::string TDataModule2::FindMasterDetailFormula(const std::filesystem::path& file_name) {
  return layout::FindFormulaOfSubType(file_name, layout::fstMasterDetail);
}

void TDataModule2::FindDbfFiles() {
  for (const platform::FolderEntry& entry : platform::ListFolder(DataFolder, "*.dbf")) {
    if (entry.name == "." || entry.name == "..") continue;
    std::string lower_name = platform::AsciiLower(entry.name);
    if (IsSkippedTableName(lower_name)) continue;
    DbfFiles.push_back(std::move(lower_name));
  }

  // A later name overwrites what an earlier one set: the last one listed wins.
  for (const std::string& name : DbfFiles) {
    const std::size_t loans_mark = name.find("z.dbf");
    if (loans_mark != std::string::npos) {
      LoansDb = name;
      LibraryDb = name.substr(0, loans_mark) + ".dbf";
    } else if (Contains(name, "r.dbf")) {
      ReservationsDb = name;
    }
  }

  // The definition files are found in the data folder whatever the case of their names on disk.
  const std::string borrowers =
      FindLoanFormula(platform::ResolveIgnoringCase(DataFolder, DefinitionFileName(LibraryDb)));
  if (borrowers.empty()) return;
  BorrowersDb = borrowers;

  // The master-detail formula holds the fines table's name, ended by the character with code 3,
  // then more.
  const std::string fines = FindMasterDetailFormula(
      platform::ResolveIgnoringCase(DataFolder, DefinitionFileName(BorrowersDb)));
  const std::size_t end_of_name = fines.find('\x03');
  if (end_of_name != std::string::npos) FinesDb = fines.substr(0, end_of_name);
}

}  // namespace shelvex::engine
