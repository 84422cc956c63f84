#pragma once

#include <string>
#include <string_view>

namespace shelvex::host::internal {

// The manager reads every reply as 8-bit text in its ANSI code page, so texts typed on this
// program's command line (passwords, messages, reservation lines) are stored in that code page. A
// text that is valid UTF-8 (what a terminal gives) is converted; any other text is taken as 8-bit
// bytes already and kept as it is, so scripts can pass exact bytes. The code page is
// SHELVEX_ANSI_CODEPAGE when set, else windows-1252 (names as iconv knows them). Throws Error
// "`option`: ..." when a character has no equivalent in the code page or the code page is unknown.
std::string ToWireText(std::string_view text, std::string_view option);

// The code page name ToWireText converts to.
std::string WireCodePageName();

}  // namespace shelvex::host::internal
