#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "layout/field_list.h"
#include "layout/field_record.h"

namespace shelvex::layout {

// A layout definition file (<table>.def) holds this many pages, each preceded by an integer that
// carries nothing this system needs.
inline constexpr int kDefinitionPageCount = 15;

using DefinitionPages = std::array<TFieldList, kDefinitionPageCount>;

// Reads the pages of the definition file `file_name` into `pages`. False when the file does not
// exist, is a folder or cannot be opened; `pages` are then untouched. Otherwise true, whatever the
// file holds: each page is emptied and loaded in turn, and at the first page whose leading integer
// cannot be read (the end of a short file, or bytes that are no definition) reading stops, leaving
// that page and the ones after it as they were. Throws only for failures outside the file (an
// unusable ANSI code page).
bool LoadDefinitionPages(const std::filesystem::path& file_name, DefinitionPages& pages);

// The Formula, as UTF-8, of the first field of sub-type `sub_type` on the last page of `file_name`
// that holds such a field; the empty string when there is none or the file cannot be read. The
// discovery asks for fstLoan in the library table's definition (the borrowers table) and for
// fstMasterDetail in the borrowers table's (the fines table). The path is taken as given: finding
// it whatever its case is the caller's business.
std::string FindFormulaOfSubType(const std::filesystem::path& file_name, TFieldSubType sub_type);

}  // namespace shelvex::layout
