#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace shelvex::host {

// A fault in the words of the command line; the program exits with status 2 for it.
class UsageError : public Error {
 public:
  using Error::Error;
};

struct OptionSpec {
  std::string_view name;  // without the leading "--"
  bool takes_value;
};

// The options of one command, "--name VALUE", "--name=VALUE" or "--flag". An option that is not in
// the command's table, a missing value or a stray word throws UsageError "--name: ..." / "WORD:
// ...".
class ParsedOptions final {
 public:
  static ParsedOptions Parse(const std::vector<std::string>& args,
                             std::span<const OptionSpec> known_options);

  bool Has(std::string_view name) const;
  // The value of the option's last occurrence.
  std::optional<std::string> Last(std::string_view name) const;
  // The values of every occurrence, in order.
  std::vector<std::string> All(std::string_view name) const;
  // Like Last, but throws UsageError "--name: required" when absent.
  std::string Required(std::string_view name) const;

 private:
  std::vector<std::pair<std::string, std::string>> values_;
};

// Number readers for option values; each throws UsageError "`option`: ..." naming the bad text.
int ParsePort(std::string_view text, std::string_view option);
int ParseHttpStatus(std::string_view text, std::string_view option);
double ParseSeconds(std::string_view text, std::string_view option);
std::uint64_t ParseWholeNumber(std::string_view text, std::string_view option, std::uint64_t max);

}  // namespace shelvex::host
