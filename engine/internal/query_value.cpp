#include "engine/internal/query_value.h"

namespace shelvex::engine::internal {

namespace {

bool IsUnreserved(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
         (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

}  // namespace

std::string QueryValue(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string value;
  value.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsUnreserved(byte)) {
      value += c;
    } else {
      value += '%';
      value += kHex[byte >> 4];
      value += kHex[byte & 0x0F];
    }
  }
  return value;
}

}  // namespace shelvex::engine::internal
