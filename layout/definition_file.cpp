#include "layout/definition_file.h"

#include <fstream>
#include <system_error>

#include "layout/value_reader.h"

namespace shelvex::layout {

bool LoadDefinitionPages(const std::filesystem::path& file_name, DefinitionPages& pages) {
  std::error_code error;
  if (!std::filesystem::exists(file_name, error) ||
      std::filesystem::is_directory(file_name, error)) {
    return false;
  }
  std::filebuf file;
  if (file.open(file_name, std::ios::in | std::ios::binary) == nullptr) return false;
  ValueReader reader(file, file_name.string());
  try {
    for (TFieldList& page : pages) {
      reader.ReadInteger();
      page.ClearList();
      page.Load(reader);
    }
  } catch (const ValueReadError&) {
    // A short or foreign file: the pages read so far are all there is.
  }
  return true;
}

std::string FindFormulaOfSubType(const std::filesystem::path& file_name, TFieldSubType sub_type) {
  DefinitionPages pages;
  LoadDefinitionPages(file_name, pages);
  std::string formula;
  for (const TFieldList& page : pages) {
    for (int i = 0; i < page.Count(); ++i) {
      if (page.GetItem(i)->FieldSubType == sub_type) {
        formula = page.GetItem(i)->Formula;
        break;
      }
    }
  }
  return formula;
}

}  // namespace shelvex::layout
