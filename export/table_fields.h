#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "export/dbf_columns.h"
#include "export/field_type.h"

namespace shelvex::exporting {

// A field of a table as the export sees it, built from the engine's column descriptions.
struct FieldDef {
  std::string
      name;  // ANSI text held as UTF-8; unique among its siblings, compared without regard to case
  TFieldType data_type = ftUnknown;
  int size = 0;  // width of a string, byte or blob field; digits after the point of a BCD field
  int precision = 0;  // digits of a BCD field
  int field_no = 0;   // the column number its values come from
  bool required = false;
  bool read_only = false;
  bool fixed_length = false;
  std::vector<FieldDef> children;  // members of an object field, the element of an array field
};

// The DB field type of a column: by its logical type, for blobs by its subtype.
TFieldType FieldTypeOf(const ColumnDescription& column);

// The field definitions of a table, in column order. Names go through `to_ansi_utf8` (the table's
// character set to ANSI text) and a name already used by an earlier field gets "_1", "_2", ...
// until it is free. Columns of type ftUnknown get no field. Required: marked so in `validity`
// (never ftAutoInc); read-only: rights 1; fixed-length: subtype 31.
std::vector<FieldDef> BuildFieldDefs(
    const std::vector<ColumnDescription>& columns, const std::vector<ValidityEntry>& validity,
    const std::function<std::string(std::string_view)>& to_ansi_utf8);

// The driver type that a table is opened with, by its file extension (case ignored): ".DB"
// "PARADOX"; ".DBF" "FOXPRO" when a ".FPT" or ".CDX" file of the same name (any case) stands beside
// it, else "DBASE"; ".TXT" "ASCIIDRV"; anything else "PARADOX".
std::string DriverTypeFor(const std::filesystem::path& table_path);

}  // namespace shelvex::exporting
