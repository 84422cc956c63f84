#include "export/table_fields.h"

#include <cstdlib>
#include <unordered_set>

#include "platform/folder.h"

namespace shelvex::exporting {

namespace {

TFieldType BlobTypeOf(int subtype) {
  switch (subtype) {
    case subtype::kMemo:
      return ftMemo;
    case subtype::kBinary:
      return ftBlob;
    case subtype::kFormattedMemo:
      return ftFmtMemo;
    case subtype::kParadoxOle:
      return ftParadoxOle;
    case subtype::kGraphic:
      return ftGraphic;
    case subtype::kDbaseOle:
      return ftDBaseOle;
    case subtype::kTypedBinary:
      return ftTypedBinary;
    case subtype::kOraClob:
      return ftOraClob;
    case subtype::kOraBlob:
      return ftOraBlob;
    default:
      return ftBlob;  // 29 to 32, 35, 36 and any other subtype
  }
}

// Names already given among one list of sibling fields, compared without regard to ASCII case.
class NameSet {
 public:
  bool Contains(const std::string& name) const {
    return names_.count(platform::AsciiLower(name)) != 0;
  }
  void Add(const std::string& name) { names_.insert(platform::AsciiLower(name)); }

  std::string Unique(const std::string& name) const {
    if (!Contains(name)) return name;
    for (int suffix = 1;; ++suffix) {
      std::string candidate = name + "_" + std::to_string(suffix);
      if (!Contains(candidate)) return candidate;
    }
  }

 private:
  std::unordered_set<std::string> names_;
};

class Builder {
 public:
  Builder(const std::vector<ColumnDescription>& columns, const std::vector<ValidityEntry>& validity,
          const std::function<std::string(std::string_view)>& to_ansi_utf8)
      : columns_(columns), to_ansi_utf8_(to_ansi_utf8) {
    for (const ValidityEntry& v : validity) {
      if (v.required) required_.insert(v.column_number);
    }
  }

  // Adds the fields of `count` columns from next_ on (objects and arrays take their members along)
  // to `out`.
  void Add(std::size_t count, std::vector<FieldDef>& out, NameSet& names,
           const std::string* array_name) {
    for (std::size_t i = 0; i < count && next_ < columns_.size(); ++i) {
      const ColumnDescription& column = columns_[next_++];
      FieldDef field;
      field.data_type = FieldTypeOf(column);
      field.name =
          array_name != nullptr ? *array_name + "[0]" : names.Unique(to_ansi_utf8_(column.name));
      field.field_no = column.column_number;
      field.required = required_.count(column.column_number) != 0 && field.data_type != ftAutoInc;
      field.read_only = column.rights == 1;
      field.fixed_length = column.subtype == subtype::kFixed;
      SetSize(column, field);
      NameSet child_names;
      if (field.data_type == ftADT)
        Add(static_cast<std::size_t>(column.units1), field.children, child_names, nullptr);
      if (field.data_type == ftArray) Add(1, field.children, child_names, &field.name);
      if (field.data_type == ftUnknown) continue;
      names.Add(field.name);
      out.push_back(std::move(field));
    }
  }

 private:
  static void SetSize(const ColumnDescription& column, FieldDef& field) {
    switch (field.data_type) {
      case ftBCD:
        field.precision = column.units1;
        field.size = std::abs(column.units2);
        break;
      case ftString:
      case ftBytes:
      case ftVarBytes:
      case ftADT:
      case ftArray:
      case ftReference:
        field.size = column.units1;
        break;
      default:
        if (column.logical_type == logical_type::kBlob) field.size = column.units1;
        break;
    }
  }

  const std::vector<ColumnDescription>& columns_;
  const std::function<std::string(std::string_view)>& to_ansi_utf8_;
  std::unordered_set<int> required_;
  std::size_t next_ = 0;
};

}  // namespace

TFieldType FieldTypeOf(const ColumnDescription& column) {
  namespace lt = logical_type;
  const bool has_units = column.units1 != 0;
  switch (column.logical_type) {
    case lt::kZString:
      return has_units ? ftString : ftUnknown;
    case lt::kDate:
      return ftDate;
    case lt::kBlob:
      return BlobTypeOf(column.subtype);
    case lt::kBoolean:
      return ftBoolean;
    case lt::kInt16:
      return column.length == 2 ? ftSmallint : ftUnknown;
    case lt::kInt32:
      return column.subtype == subtype::kAutoInc ? ftAutoInc : ftInteger;
    case lt::kFloat:
      return column.subtype == subtype::kMoney ? ftCurrency : ftFloat;
    case lt::kBcd:
      return ftBCD;
    case lt::kBytes:
      return has_units ? ftBytes : ftUnknown;
    case lt::kTime:
      return ftTime;
    case lt::kTimeStamp:
      return ftDateTime;
    case lt::kUInt16:
      return column.length == 2 ? ftWord : ftUnknown;
    case lt::kUInt32:
      return ftInteger;
    case lt::kVarBytes:
      return has_units ? ftVarBytes : ftUnknown;
    case lt::kInt64:
    case lt::kUInt64:
      return ftLargeint;
    case lt::kAdt:
      return has_units ? ftADT : ftUnknown;
    case lt::kArray:
      return has_units ? ftArray : ftUnknown;
    case lt::kRef:
      return has_units ? ftReference : ftUnknown;
    case lt::kTable:
      return ftDataSet;
    case lt::kDateTime:
      return ftTimeStamp;
    default:
      return ftUnknown;  // 0, 14 (10-byte float), 16, 17, 25 and above
  }
}

std::vector<FieldDef> BuildFieldDefs(
    const std::vector<ColumnDescription>& columns, const std::vector<ValidityEntry>& validity,
    const std::function<std::string(std::string_view)>& to_ansi_utf8) {
  std::vector<FieldDef> fields;
  NameSet names;
  Builder builder(columns, validity, to_ansi_utf8);
  builder.Add(columns.size(), fields, names, nullptr);
  return fields;
}

std::string DriverTypeFor(const std::filesystem::path& table_path) {
  const std::string extension = platform::AsciiLower(table_path.extension().string());
  if (extension == ".dbf") {
    const std::string stem = table_path.stem().string();
    const std::filesystem::path folder =
        table_path.has_parent_path() ? table_path.parent_path() : ".";
    const bool foxpro = platform::FindIgnoringCase(folder, stem + ".fpt") ||
                        platform::FindIgnoringCase(folder, stem + ".cdx");
    return foxpro ? "FOXPRO" : "DBASE";
  }
  if (extension == ".txt") return "ASCIIDRV";
  return "PARADOX";
}

}  // namespace shelvex::exporting
