#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace shelvex::service {

// The service's names: systemd knows it as Bookferry.service, users see LanternMgr.
inline constexpr char kServiceName[] = "Bookferry";
inline constexpr char kUnitName[] = "Bookferry.service";
inline constexpr char kDisplayName[] = "LanternMgr";

// The unit file that INSTALL writes: a notify service running `program` --home `home`, restarted
// when it fails and given 5 minutes to finish a run when stopped.
std::string UnitFileText(const std::filesystem::path& program, const std::string& home);

// One argument of an ExecStart= line, quoted and escaped so that systemd passes it on unchanged
// (blanks, quotes, backslashes, and the "%" of specifiers and "$" of variables).
std::string QuoteExecArgument(std::string_view argument);

}  // namespace shelvex::service
