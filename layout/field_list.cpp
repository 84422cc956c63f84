#include "layout/field_list.h"

#include <cstdint>
#include <string_view>
#include <utility>

#include "layout/value_reader.h"
#include "layout/value_writer.h"
#include "platform/error.h"

namespace shelvex::layout {

namespace {

// Pages written before the version number existed start directly with their list; the writer of
// version 1 writes the number as one vaInt8.
constexpr std::int32_t kCurrentVersion = 1;

// In version 0 only the fields that name a related table carry the part from the column lists on.
bool HasFullPartInVersion0(TFieldSubType sub_type) {
  return sub_type == fstMasterDetail || sub_type == fstMasterUpdate || sub_type == fstLoan;
}

// Every entry is followed by a semicolon, an empty list gives the empty string.
std::string JoinList(const std::vector<std::string>& entries) {
  std::string joined;
  for (const std::string& entry : entries) {
    joined += entry;
    joined += ';';
  }
  return joined;
}

// Each semicolon ends an entry (empty entries included); text after the last one belongs to no
// entry.
std::vector<std::string> SplitList(std::string_view joined) {
  std::vector<std::string> entries;
  std::size_t start = 0;
  for (std::size_t end = joined.find(';'); end != std::string_view::npos;
       end = joined.find(';', start)) {
    entries.emplace_back(joined.substr(start, end - start));
    start = end + 1;
  }
  return entries;
}

// Where a page name may stand, the file holds either a string or the next page's leading integer.
// Names are taken in every string form: Save writes an empty or non-ASCII name as a wide or UTF-8
// string, and leaving such a name unread would make the next page's integer unreadable and lose
// every page after it.
bool IsStringTag(ValueTag tag) {
  return tag == ValueTag::vaString || tag == ValueTag::vaLString || tag == ValueTag::vaWString ||
         tag == ValueTag::vaUTF8String;
}

TFieldRecord ReadRecord(ValueReader& reader, std::int32_t version) {
  TFieldRecord record(0, -1, -1);
  record.PageNo = reader.ReadInteger();
  record.FieldType = static_cast<std::uint8_t>(reader.ReadInteger());
  record.FieldSubType = static_cast<TFieldSubType>(static_cast<std::uint8_t>(reader.ReadInteger()));
  record.FieldIndex = reader.ReadInteger();
  record.FieldLabel = reader.ReadString();
  record.FieldHeight = reader.ReadInteger();
  record.Decimals = reader.ReadInteger();
  record.Formula = reader.ReadString();
  if (version > 0 || HasFullPartInVersion0(record.FieldSubType)) {
    record.Columns = SplitList(reader.ReadString());
    record.Widths = SplitList(reader.ReadString());
    record.ExtraInt1 = reader.ReadInteger();
    record.ExtraInt2 = reader.ReadInteger();
    record.ExtraInt3 = reader.ReadInteger();
    record.ExtraStr1 = reader.ReadString();
    record.ExtraStr2 = reader.ReadString();
    record.ExtraStr3 = reader.ReadString();
  }
  return record;
}

void WriteRecord(ValueWriter& writer, const TFieldRecord& record) {
  writer.WriteInteger(record.PageNo);
  writer.WriteInteger(record.FieldType);
  writer.WriteInteger(record.FieldSubType);
  writer.WriteInteger(record.FieldIndex);
  writer.WriteString(record.FieldLabel);
  writer.WriteInteger(record.FieldHeight);
  writer.WriteInteger(record.Decimals);
  writer.WriteString(record.Formula);
  writer.WriteString(JoinList(record.Columns));
  writer.WriteString(JoinList(record.Widths));
  writer.WriteInteger(record.ExtraInt1);
  writer.WriteInteger(record.ExtraInt2);
  writer.WriteInteger(record.ExtraInt3);
  writer.WriteString(record.ExtraStr1);
  writer.WriteString(record.ExtraStr2);
  writer.WriteString(record.ExtraStr3);
}

}  // namespace

TFieldRecord* TFieldList::GetItem(int index) {
  return index >= 0 && index < Count() ? items_[static_cast<std::size_t>(index)].get() : nullptr;
}

const TFieldRecord* TFieldList::GetItem(int index) const {
  return index >= 0 && index < Count() ? items_[static_cast<std::size_t>(index)].get() : nullptr;
}

TFieldRecord& TFieldList::Add(TFieldRecord record) {
  items_.push_back(std::make_unique<TFieldRecord>(std::move(record)));
  return *items_.back();
}

void TFieldList::ClearList() { items_.clear(); }

void TFieldList::Load(ValueReader& reader) {
  ClearList();
  try {
    std::int32_t version = 0;
    if (reader.NextValue() == ValueTag::vaInt8) version = reader.ReadInteger();
    reader.ReadListBegin();
    while (!reader.EndOfList()) Add(ReadRecord(reader, version));
    reader.ReadListEnd();
  } catch (const ValueReadError&) {
    // A damaged page is dropped whole rather than half used; the page name may still be readable.
    ClearList();
  }
  PageName.clear();
  try {
    if (IsStringTag(reader.NextValue())) PageName = reader.ReadString();
  } catch (const ValueReadError&) {
    // Old pages end without a name, so the end of the data here is no damage.
    PageName.clear();
  }
}

void TFieldList::Save(ValueWriter& writer) const {
  try {
    writer.WriteInteger(kCurrentVersion);
    writer.WriteListBegin();
    for (const auto& record : items_) WriteRecord(writer, *record);
    writer.WriteListEnd();
    writer.WriteString(PageName);
  } catch (const Error&) {
    // The page format has no way to report a failed write; the caller checks its sink.
  }
}

}  // namespace shelvex::layout
