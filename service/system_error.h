#pragma once

#include <string>
#include <string_view>

#include "platform/error.h"

namespace shelvex::service {

// The error text of a failed system call as the service's messages show it: "System Error.  Code:
// 17." CR LF "File exists". `text` empty: the system's text for `code` (strerror). Code 0 has no
// such text and gives "A call to an OS function failed".
std::string SystemErrorText(int code, std::string_view text = {});

// A failed system call during install or uninstall; what() is SystemErrorText.
class TSystemError final : public Error {
 public:
  explicit TSystemError(int code, std::string_view text = {});
  int code() const { return code_; }

 private:
  int code_;
};

}  // namespace shelvex::service
