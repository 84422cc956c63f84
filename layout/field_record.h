#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace shelvex::layout {

// The kind of a field on the cataloguing program's entry form. Definition files store the ordinal,
// so the order is fixed.
enum TFieldSubType : std::uint8_t {
  fstCalculated,
  fstHtml,
  fstTable,
  fstSimple,
  fstCombo,
  fstEmail,
  fstWebAddress,
  fstWebPageTitle,
  fstPhone,
  fstAttachment,
  fstExtGraphic,
  fstUnknown,
  fstCheckbox,
  fstRadio,
  fstAutoinc,
  fstMasterDetail,
  fstMaster,
  fstMasterUpdate,
  fstLoan,
  fstMasterDetailCopy,
};

// One field definition of a layout page. A plain value: it owns its two string lists.
struct TFieldRecord {
  // `field_type` is the ordinal of the data access layer's field type (ftUnknown is 0); this
  // library does not interpret it.
  TFieldRecord(std::uint8_t field_type, std::int32_t index, std::int32_t page_no);

  // The sum of `Widths` read as decimal integers, 0 for none. Throws Error for an entry that is not
  // an integer.
  std::int64_t TotalWidth() const;

  bool operator==(const TFieldRecord&) const = default;

  std::int32_t PageNo;
  std::uint8_t FieldType;
  TFieldSubType FieldSubType = fstSimple;
  std::int32_t FieldIndex;
  std::string FieldLabel;
  std::int32_t FieldHeight = 80;
  std::int32_t Decimals = 2;
  // For loan and master-detail fields, the file name of the related table.
  std::string Formula;
  std::vector<std::string> Columns;
  std::vector<std::string> Widths;
  std::int32_t ExtraInt1 = 0;
  std::int32_t ExtraInt2 = 0;
  std::int32_t ExtraInt3 = 0;
  std::string ExtraStr1;
  std::string ExtraStr2;
  std::string ExtraStr3;
};

}  // namespace shelvex::layout
