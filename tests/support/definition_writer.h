#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "layout/definition_file.h"
#include "layout/field_record.h"

namespace shelvex::testing {

// Builds layout definition files the way the cataloguing program lays them out: 15 pages written by
// TFieldList::Save, each preceded by one integer (the page's number).
//
//   DefinitionWriter def;
//   def.AddField(2, layout::fstLoan, "member.dbf");
//   def.Write(folder / "book.def");
class DefinitionWriter final {
 public:
  // Page `page` (0..14) to fill in directly: records, PageName.
  layout::TFieldList& Page(int page);

  // Appends a field of `sub_type` with `formula` to `page` and returns it for further changes. Its
  // label is "Field <n>", <n> counting the fields added to the file.
  layout::TFieldRecord& AddField(int page, layout::TFieldSubType sub_type,
                                 std::string_view formula = {});

  // The file's bytes; only the first `page_count` pages when fewer are asked for (a file cut at a
  // page border).
  std::string Bytes(int page_count = layout::kDefinitionPageCount) const;
  // Writes Bytes() to `path`, replacing it. Throws when the file cannot be written.
  void Write(const std::filesystem::path& path) const;

 private:
  layout::DefinitionPages pages_;
  int fields_added_ = 0;
};

}  // namespace shelvex::testing
