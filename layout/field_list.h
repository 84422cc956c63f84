#pragma once

#include <memory>
#include <string>
#include <vector>

#include "layout/field_record.h"

namespace shelvex::layout {

class ValueReader;
class ValueWriter;

// One page of a layout definition: its field records in form order, which the list owns, and the
// page's name.
class TFieldList final {
 public:
  TFieldList() = default;
  TFieldList(const TFieldList&) = delete;
  TFieldList& operator=(const TFieldList&) = delete;
  TFieldList(TFieldList&&) = default;
  TFieldList& operator=(TFieldList&&) = default;

  int Count() const { return static_cast<int>(items_.size()); }
  // The record at `index`, or nullptr when `index` is outside 0..Count()-1. The list keeps
  // ownership; the pointer stays valid until the record is removed.
  TFieldRecord* GetItem(int index);
  const TFieldRecord* GetItem(int index) const;
  // Appends `record` and returns it.
  TFieldRecord& Add(TFieldRecord record);
  // Frees every record. `PageName` is left as it is.
  void ClearList();

  // Reads one page from `reader`, positioned at its start, replacing the records and `PageName`.
  // Damaged data never throws: a page that cannot be read is left empty, and reading goes on with
  // the page name. Other failures (an unusable ANSI code page, say) do throw.
  void Load(ValueReader& reader);
  // Writes the page in the current layout (version 1). A write failure is swallowed: the output is
  // then incomplete, which the caller sees on its sink.
  void Save(ValueWriter& writer) const;

  std::string PageName;

 private:
  std::vector<std::unique_ptr<TFieldRecord>> items_;
};

}  // namespace shelvex::layout
