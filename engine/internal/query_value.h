#pragma once

#include <string>
#include <string_view>

namespace shelvex::engine::internal {

// A value for the query of a request address. The bytes that are safe in a query (ASCII letters,
// digits and "-._~") are kept and every other byte becomes "%XX" (upper-case hexadecimal), so that
// a blank, "&", "#", "%" or an 8-bit byte reaches the server as the same value instead of breaking
// the address or being cut off at "#". Ordinary account names pass unchanged.
//
// `bytes` are the 8-bit bytes to send (the ANSI code page, as the server keeps them).
std::string QueryValue(std::string_view bytes);

}  // namespace shelvex::engine::internal
