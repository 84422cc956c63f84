#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/dbf_file.h"

namespace shelvex::exporting {

// The engine's logical column types (the codes of the DB layer's type table).
namespace logical_type {
inline constexpr int kUnknown = 0;
inline constexpr int kZString = 1;  // zero-terminated string
inline constexpr int kDate = 2;     // class-6 day count, day 1 = 1 January of year 1
inline constexpr int kBlob = 3;
inline constexpr int kBoolean = 4;
inline constexpr int kInt16 = 5;
inline constexpr int kInt32 = 6;
inline constexpr int kFloat = 7;  // 8-byte IEEE
inline constexpr int kBcd = 8;
inline constexpr int kBytes = 9;
inline constexpr int kTime = 10;
inline constexpr int kTimeStamp = 11;  // class-8 milliseconds
inline constexpr int kUInt16 = 12;
inline constexpr int kUInt32 = 13;
inline constexpr int kFloat80 = 14;
inline constexpr int kVarBytes = 15;
inline constexpr int kLockInfo = 16;
inline constexpr int kCursor = 17;
inline constexpr int kInt64 = 18;
inline constexpr int kUInt64 = 19;
inline constexpr int kAdt = 20;
inline constexpr int kArray = 21;
inline constexpr int kRef = 22;
inline constexpr int kTable = 23;
inline constexpr int kDateTime = 24;  // SQL time stamp
}  // namespace logical_type

// Subtypes that refine a logical type.
namespace subtype {
inline constexpr int kNone = 0;
inline constexpr int kMoney = 21;  // of kFloat
inline constexpr int kMemo = 22;   // blob subtypes 22 to 36
inline constexpr int kBinary = 23;
inline constexpr int kFormattedMemo = 24;
inline constexpr int kParadoxOle = 25;
inline constexpr int kGraphic = 26;
inline constexpr int kDbaseOle = 27;
inline constexpr int kTypedBinary = 28;
inline constexpr int kAutoInc = 29;  // of kInt32
inline constexpr int kFixed = 31;    // of kZString: fixed-length string
inline constexpr int kOraClob = 33;
inline constexpr int kOraBlob = 34;
}  // namespace subtype

// One column as the engine describes it, in the table's column order.
struct ColumnDescription {
  int column_number = 0;  // 1-based among the columns the engine delivers (hidden fields have none)
  std::string name;       // in the table's character set
  int logical_type = logical_type::kUnknown;
  int subtype = subtype::kNone;
  int units1 = 0;  // width of a string, byte or blob column; digits of a number
  int units2 = 0;  // decimal places
  int length = 0;  // bytes of the value in the dBase record
  int rights = 0;  // 1: read-only
  bool calculated = false;
  int field_index = -1;  // the DbfFile field it reads
};

// A column with validity settings: whether it requires a value.
struct ValidityEntry {
  int column_number = 0;
  bool required = false;
};

// The engine's view of a table's fields: one description per visible field (the type table is in
// dbf_columns.cpp), and the validity list (only dBase 7 tables record required fields).
std::vector<ColumnDescription> DescribeColumns(const DbfFile& file);
std::vector<ValidityEntry> DescribeValidity(const DbfFile& file,
                                            const std::vector<ColumnDescription>& columns);

}  // namespace shelvex::exporting
