#include "export/dbf_columns.h"

#include <iterator>

namespace shelvex::exporting {

namespace {

enum class Units {
  kNone,           // units 1 and 2 are 0
  kWidth,          // units 1 = the field's width
  kWidthDecimals,  // units 1 = width (digits), units 2 = decimal places
};

struct KindDescription {
  DbfFieldKind kind;
  int logical_type;
  int subtype;
  Units units;
  int rights;
};

// How the engine reports each dBase field kind. Numbers come as 8-byte floats, not as BCD, and
// dates and times as the engine's day counts and millisecond counts. Memo and other blob columns
// report no declared size: the record holds only a block number, no part of the value. The last
// column gives the TFieldType that the DB layer makes of it.
using K = DbfFieldKind;
namespace lt = logical_type;
namespace st = subtype;
// clang-format off
constexpr KindDescription kTypeTable[] = {
//   dBase kind          logical type    subtype        units                  rights    TFieldType
    {K::kCharacter,      lt::kZString,   st::kNone,     Units::kWidth,         0},   // ftString (WIDTH)
    {K::kVarchar,        lt::kZString,   st::kNone,     Units::kWidth,         0},   // ftString (WIDTH)
    {K::kNumeric,        lt::kFloat,     st::kNone,     Units::kWidthDecimals, 0},   // ftFloat
    {K::kFloat,          lt::kFloat,     st::kNone,     Units::kWidthDecimals, 0},   // ftFloat
    {K::kDate,           lt::kDate,      st::kNone,     Units::kNone,          0},   // ftDate
    {K::kLogical,        lt::kBoolean,   st::kNone,     Units::kNone,          0},   // ftBoolean
    {K::kMemo,           lt::kBlob,      st::kMemo,     Units::kNone,          0},   // ftMemo, binary ftBlob
    {K::kBinary,         lt::kBlob,      st::kBinary,   Units::kNone,          0},   // ftBlob
    {K::kOle,            lt::kBlob,      st::kDbaseOle, Units::kNone,          0},   // ftDBaseOle
    {K::kPicture,        lt::kBlob,      st::kGraphic,  Units::kNone,          0},   // ftGraphic
    {K::kLong,           lt::kInt32,     st::kNone,     Units::kNone,          0},   // ftInteger
    {K::kAutoIncrement,  lt::kInt32,     st::kAutoInc,  Units::kNone,          1},   // ftAutoInc
    {K::kInteger,        lt::kInt32,     st::kNone,     Units::kNone,          0},   // ftInteger, ftAutoInc by flag
    {K::kDouble7,        lt::kFloat,     st::kNone,     Units::kNone,          0},   // ftFloat
    {K::kDouble,         lt::kFloat,     st::kNone,     Units::kNone,          0},   // ftFloat
    {K::kCurrency,       lt::kFloat,     st::kMoney,    Units::kNone,          0},   // ftCurrency
    {K::kTimestamp7,     lt::kTimeStamp, st::kNone,     Units::kNone,          0},   // ftDateTime
    {K::kDateTime,       lt::kTimeStamp, st::kNone,     Units::kNone,          0},   // ftDateTime
    {K::kVarbinary,      lt::kVarBytes,  st::kNone,     Units::kWidth,         0},   // ftVarBytes (WIDTH)
    {K::kUnknown,        lt::kUnknown,   st::kNone,     Units::kNone,          0},   // ftUnknown: left out
};
// clang-format on

const KindDescription& DescriptionOf(DbfFieldKind kind) {
  for (const KindDescription& d : kTypeTable) {
    if (d.kind == kind) return d;
  }
  return kTypeTable[std::size(kTypeTable) - 1];
}

}  // namespace

std::vector<ColumnDescription> DescribeColumns(const DbfFile& file) {
  std::vector<ColumnDescription> columns;
  const auto& fields = file.fields();
  columns.reserve(fields.size());
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const DbfField& field = fields[i];
    if (field.IsHidden()) continue;
    const KindDescription& d = DescriptionOf(field.kind);
    ColumnDescription c;
    c.column_number = static_cast<int>(columns.size()) + 1;
    c.name = field.name;
    c.logical_type = d.logical_type;
    c.subtype = d.subtype;
    c.rights = d.rights;
    if (d.units != Units::kNone) c.units1 = static_cast<int>(field.length);
    if (d.units == Units::kWidthDecimals) c.units2 = field.decimals;
    c.length = static_cast<int>(field.length);
    c.field_index = static_cast<int>(i);
    // Visual FoxPro marks autoincrementing integers and untranslated ("binary") memos by field
    // flags.
    if (field.kind == DbfFieldKind::kInteger && (field.flags & DbfField::kAutoIncrementFlag) != 0) {
      c.subtype = subtype::kAutoInc;
      c.rights = 1;
    }
    if (field.kind == DbfFieldKind::kMemo && (field.flags & DbfField::kBinaryFlag) != 0)
      c.subtype = subtype::kBinary;
    columns.push_back(std::move(c));
  }
  return columns;
}

std::vector<ValidityEntry> DescribeValidity(const DbfFile& file,
                                            const std::vector<ColumnDescription>& columns) {
  // Only dBase 7 records a "required" property. Visual FoxPro's "null allowed" flag says whether a
  // value may be null, not whether one must be entered (a blank is not null there), so it makes no
  // column required.
  std::vector<ValidityEntry> validity;
  for (const ColumnDescription& c : columns) {
    if (file.fields()[c.field_index].required) validity.push_back({c.column_number, true});
  }
  return validity;
}

}  // namespace shelvex::exporting
