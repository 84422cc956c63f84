#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace shelvex::host::internal {

// Values in account files are kept one per line: '%', control bytes and DEL become %XX so that a
// password or a message may hold any byte, line breaks included. 8-bit bytes are kept as they are.
std::string EscapeValue(std::string_view bytes);
// The inverse; std::nullopt when a '%' is not followed by two hex digits.
std::optional<std::string> UnescapeValue(std::string_view text);

// A file system name for an account: letters, digits, '-', '_' and '.' (not first) stay, every
// other byte becomes %XX. Distinct user names give distinct names, and none is "." or "..".
std::string FolderNameFor(std::string_view user);

// Bytes shown in a log line or a message: printable ASCII as it is, everything else as \r, \n, \t
// or \xHH, and longer texts cut at `max_bytes` with "...".
std::string Printable(std::string_view bytes, std::size_t max_bytes = 200);

}  // namespace shelvex::host::internal
