#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace shelvex::exporting {

// A type code describes a column or attribute value of the XML data packet:
//   bits 0-15   size in bytes of a fixed-size value, or the width of a varying value's length
//   prefix; bits 16-21  type class (TypeClass); bit 22      varying length;  bit 23  array of
//   fixed-size elements (attributes only); bit 31      attribute is carried back with changes
//   (attributes only).
inline constexpr std::uint32_t kTypeSizeMask = 0xFFFF;
inline constexpr int kTypeClassShift = 16;
inline constexpr std::uint32_t kTypeClassMask = 0x3F0000;
inline constexpr std::uint32_t kTypeVarying = 0x400000;
inline constexpr std::uint32_t kTypeArray = 0x800000;
inline constexpr std::uint32_t kTypeRoundtrip = 0x80000000;

enum class TypeClass : std::uint8_t {
  kInteger = 1,
  kUnsigned = 2,
  kBoolean = 3,
  kFloat = 4,
  kDecimal = 5,
  kDate = 6,
  kTime = 7,
  kDateTime = 8,
  kString = 9,
  kWideString = 10,
  kBytes = 11,
  kNested = 14,
  kTimeStamp = 17,
  kFormattedDecimal = 18,
  kSingle = 27,
  kTimeStampOffset = 36,
};

constexpr std::uint32_t MakeTypeCode(TypeClass type_class, std::uint16_t size,
                                     std::uint32_t bits = 0) {
  return (static_cast<std::uint32_t>(type_class) << kTypeClassShift) | size | bits;
}
constexpr TypeClass ClassOf(std::uint32_t type_code) {
  return static_cast<TypeClass>((type_code & kTypeClassMask) >> kTypeClassShift);
}
constexpr std::uint16_t SizeOf(std::uint32_t type_code) {
  return static_cast<std::uint16_t>(type_code & kTypeSizeMask);
}

// The type codes of the attributes that exported tables carry.
inline constexpr std::uint32_t kTypeInt16 = MakeTypeCode(TypeClass::kInteger, 2);
inline constexpr std::uint32_t kTypeInt32 = MakeTypeCode(TypeClass::kInteger, 4);
inline constexpr std::uint32_t kTypeAttributeString =
    MakeTypeCode(TypeClass::kString, 1, kTypeVarying);
inline constexpr std::uint32_t kTypeUInt32Array = MakeTypeCode(TypeClass::kUnsigned, 4, kTypeArray);

// Column flags.
inline constexpr std::uint16_t kColumnHidden = 1;
inline constexpr std::uint16_t kColumnReadOnly = 2;
inline constexpr std::uint16_t kColumnRequired = 4;
inline constexpr std::uint16_t kColumnLinkField = 8;

// A packed decimal (class 5 and 18): `precision` digits as 4-bit nibbles, most significant first
// (the high nibble of a byte comes first). The low 6 bits of `sign_scale` are the digits after the
// point; a sign-and-scale byte of 64 or more marks a negative value.
struct PackedDecimal {
  std::uint8_t precision = 0;
  std::uint8_t sign_scale = 0;
  std::array<std::uint8_t, 32> nibbles = {};

  static constexpr int kMaxDigits = 64;

  int scale() const { return sign_scale & 0x3F; }
  bool negative() const { return sign_scale >= 64; }
  int Digit(int i) const { return i % 2 == 0 ? nibbles[i / 2] >> 4 : nibbles[i / 2] & 0x0F; }

  // Packs a plain decimal text: optional "-" or "+", digits, optional "." and digits ("-1234.50"
  // gives precision 6, scale 2). Every digit given counts, leading zeros included. Throws Error on
  // anything else.
  static PackedDecimal FromText(std::string_view text);
};

// An SQL time stamp (class 17): the fraction is in milliseconds.
struct SqlTimeStamp {
  std::uint16_t year = 0;
  std::uint16_t month = 0;
  std::uint16_t day = 0;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint32_t fraction = 0;
};

// The value of a field or dataset attribute. Which alternative fits which type class:
//   std::int64_t  integer classes 1 and 2;      bool  class 3;      double  classes 4 and 27;
//   std::string   class 9;                      std::vector<std::int64_t>  classes 1 and 2 with
//   kTypeArray.
using AttributeValue =
    std::variant<std::int64_t, bool, double, std::string, std::vector<std::int64_t>>;

struct PacketAttribute {
  std::string name;
  std::uint32_t type_code = 0;
  AttributeValue value;
};

}  // namespace shelvex::exporting
