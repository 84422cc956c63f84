#include "export/packet_types.h"

#include <string>

#include "platform/error.h"

namespace shelvex::exporting {

PackedDecimal PackedDecimal::FromText(std::string_view text) {
  PackedDecimal packed;
  std::string_view rest = text;
  bool negative = false;
  if (!rest.empty() && (rest.front() == '-' || rest.front() == '+')) {
    negative = rest.front() == '-';
    rest.remove_prefix(1);
  }
  int digits = 0;
  int scale = 0;
  bool point = false;
  for (char c : rest) {
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9' || digits == kMaxDigits) {
      throw Error("packed decimal: \"" + std::string(text) +
                  "\" is not a decimal number of at most " + std::to_string(kMaxDigits) +
                  " digits");
    }
    const auto digit = static_cast<std::uint8_t>(c - '0');
    packed.nibbles[digits / 2] |= digits % 2 == 0 ? static_cast<std::uint8_t>(digit << 4) : digit;
    ++digits;
    if (point) ++scale;
  }
  if (digits == 0 || scale > 63) {
    throw Error("packed decimal: \"" + std::string(text) + "\" holds no digit or too many places");
  }
  packed.precision = static_cast<std::uint8_t>(digits);
  packed.sign_scale = static_cast<std::uint8_t>(scale | (negative ? 0x80 : 0));
  return packed;
}

}  // namespace shelvex::exporting
