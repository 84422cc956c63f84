// The four field selection lists: the available field names from the library table's field names
// file, the chosen lists read from and written to their files in the program folder, and the
// buttons between the lists.

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "engine/data_module.h"
#include "manager/display_page.h"
#include "manager/field_list_pair.h"
#include "manager/main_window.h"
#include "manager/prompter.h"
#include "platform/error.h"
#include "platform/folder.h"
#include "platform/text_file.h"

namespace shelvex::manager {

namespace {

constexpr int kKeywordLimit = 8;

// The lines of `path`, or no lines when it is missing or cannot be read: the lists are a
// convenience, and an unreadable file must not keep the window from opening.
std::vector<std::string> ReadLinesOrNothing(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return {};
  try {
    return platform::ReadTextLines(path);
  } catch (const IoError&) {
    return {};
  }
}

}  // namespace

void TForm1::FillAvailableLists() {
  if (module_.LibraryDb.empty()) return;
  const std::filesystem::path folder = module_.DataFolder;
  const std::string name = std::filesystem::path(module_.LibraryDb).replace_extension(".lab");
  const std::filesystem::path field_names = platform::ResolveIgnoringCase(folder, name);
  const std::vector<std::string> entries = ReadLinesOrNothing(field_names);
  for (TFieldListPair* pair :
       {Display->Columns, Display->Details, Display->DetailsPage, Search->Keywords}) {
    pair->SetAvailableEntries(entries);
  }
}

void TForm1::LoadFieldLists() {
  const std::filesystem::path home = ExeDir;
  Display->Columns->SetChosenEntries(ReadLinesOrNothing(home / "columns.txt"));
  Display->Details->SetChosenEntries(ReadLinesOrNothing(home / "details.txt"));
  Display->DetailsPage->SetChosenEntries(ReadLinesOrNothing(home / "det_pg.txt"));
  Search->Keywords->SetChosenEntries(ReadLinesOrNothing(home / "keyflds.txt"));
}

void TForm1::SaveFieldLists() {
  const std::filesystem::path home = ExeDir;
  platform::WriteAnsiLines(home / "columns.txt", Display->Columns->ChosenEntries());
  platform::WriteAnsiLines(home / "details.txt", Display->Details->ChosenEntries());
  platform::WriteAnsiLines(home / "det_pg.txt", Display->DetailsPage->ChosenEntries());
  platform::WriteAnsiLines(home / "keyflds.txt", Search->Keywords->ChosenEntries());
}

void TForm1::Button1Click() { Display->Columns->Add(); }
void TForm1::Button2Click() { Display->Columns->Remove(); }
void TForm1::Button3Click() { Display->Columns->AddAll(); }
void TForm1::Button4Click() { Display->Columns->RemoveAll(); }

void TForm1::Button5Click() { Display->Details->Add(); }
void TForm1::Button6Click() { Display->Details->Remove(); }
void TForm1::Button7Click() { Display->Details->AddAll(); }
void TForm1::Button8Click() { Display->Details->RemoveAll(); }

void TForm1::Button11Click() { Display->DetailsPage->Add(); }
void TForm1::Button12Click() { Display->DetailsPage->Remove(); }
void TForm1::Button13Click() { Display->DetailsPage->AddAll(); }
void TForm1::Button14Click() { Display->DetailsPage->RemoveAll(); }

void TForm1::Button15Click() {
  if (Search->Keywords->Add(kKeywordLimit) == TFieldListPair::AddOutcome::kLimitReached) {
    prompter_.ShowMessage(
        MessageKind::kWarning,
        QStringLiteral("Warning! You have reached the maximum number of Keyword Search Fields."));
  }
}
void TForm1::Button16Click() { Search->Keywords->Remove(); }
void TForm1::Button18Click() { Search->Keywords->RemoveAll(); }

}  // namespace shelvex::manager
