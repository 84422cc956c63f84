#include "export/internal/dbf_field_kinds.h"

namespace shelvex::exporting::internal {

DbfFieldKind ClassifyField(DbfFamily family, char type) {
  using K = DbfFieldKind;
  switch (type) {
    case 'C':
      return K::kCharacter;
    case 'N':
      return K::kNumeric;
    case 'F':
      return K::kFloat;
    case 'D':
      return K::kDate;
    case 'L':
      return K::kLogical;
    case 'M':
      return K::kMemo;
    case 'G':
      return K::kOle;
    default:
      break;
  }
  switch (family) {
    case DbfFamily::kDbase:
      return type == 'B' ? K::kBinary : K::kUnknown;
    case DbfFamily::kDbase7:
      switch (type) {
        case 'B':
          return K::kBinary;
        case 'I':
          return K::kLong;
        case '+':
          return K::kAutoIncrement;
        case 'O':
          return K::kDouble7;
        case '@':
          return K::kTimestamp7;
        default:
          return K::kUnknown;
      }
    case DbfFamily::kFoxPro:
      return type == 'P' ? K::kPicture : K::kUnknown;
    case DbfFamily::kVisualFoxPro:
      switch (type) {
        case 'P':
          return K::kPicture;
        case 'W':
          return K::kBinary;
        case 'I':
          return K::kInteger;
        case 'Y':
          return K::kCurrency;
        case 'B':
          return K::kDouble;
        case 'T':
          return K::kDateTime;
        case 'V':
          return K::kVarchar;
        case 'Q':
          return K::kVarbinary;
        case '0':
          return K::kNullFlags;
        default:
          return K::kUnknown;
      }
  }
  return K::kUnknown;
}

AllowedLength AllowedLengths(DbfFieldKind kind) {
  using K = DbfFieldKind;
  switch (kind) {
    case K::kDate:
      return {8, 8};
    case K::kLogical:
      return {1, 1};
    // Memo block numbers: ten digits in dBase and FoxPro 2, a 32-bit integer in Visual FoxPro.
    case K::kMemo:
    case K::kBinary:
    case K::kOle:
    case K::kPicture:
      return {10, 4};
    case K::kLong:
    case K::kAutoIncrement:
    case K::kInteger:
      return {4, 4};
    case K::kDouble7:
    case K::kTimestamp7:
    case K::kCurrency:
    case K::kDouble:
    case K::kDateTime:
      return {8, 8};
    default:
      return {};
  }
}

}  // namespace shelvex::exporting::internal
