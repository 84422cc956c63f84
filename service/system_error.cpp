#include "service/system_error.h"

#include <cstring>

namespace shelvex::service {

std::string SystemErrorText(int code, std::string_view text) {
  if (code == 0) return "A call to an OS function failed";
  const std::string cause = text.empty() ? std::string(std::strerror(code)) : std::string(text);
  return "System Error.  Code: " + std::to_string(code) + ".\r\n" + cause;
}

TSystemError::TSystemError(int code, std::string_view text)
    : Error(SystemErrorText(code, text)), code_(code) {}

}  // namespace shelvex::service
