#include "tools/hosting-server/command_line.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace shelvex::host {

namespace {

[[noreturn]] void Fail(std::string_view option, const std::string& cause) {
  throw UsageError(std::string(option) + ": " + cause);
}

}  // namespace

ParsedOptions ParsedOptions::Parse(const std::vector<std::string>& args,
                                   std::span<const OptionSpec> known_options) {
  ParsedOptions parsed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
      Fail(arg, "unexpected word (options begin with \"--\"; see shelvexhost --help)");
    }
    std::size_t equals = arg.find('=');
    std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    auto known = std::find_if(known_options.begin(), known_options.end(),
                             [&](const OptionSpec& s) { return s.name == name; });
    std::string option = "--" + name;
    if (known == known_options.end())
      Fail(option, "unknown option for this command (see shelvexhost --help)");
    std::string value;
    if (known->takes_value) {
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        Fail(option, "needs a value");
      }
    } else if (equals != std::string::npos) {
      Fail(option, "takes no value");
    }
    parsed.values_.emplace_back(name, value);
  }
  return parsed;
}

bool ParsedOptions::Has(std::string_view name) const {
  return std::any_of(values_.begin(), values_.end(),
                     [&](const auto& v) { return v.first == name; });
}

std::optional<std::string> ParsedOptions::Last(std::string_view name) const {
  for (auto it = values_.rbegin(); it != values_.rend(); ++it) {
    if (it->first == name) return it->second;
  }
  return std::nullopt;
}

std::vector<std::string> ParsedOptions::All(std::string_view name) const {
  std::vector<std::string> all;
  for (const auto& [key, value] : values_) {
    if (key == name) all.push_back(value);
  }
  return all;
}

std::string ParsedOptions::Required(std::string_view name) const {
  std::optional<std::string> value = Last(name);
  if (!value) Fail("--" + std::string(name), "required");
  return *value;
}

std::uint64_t ParseWholeNumber(std::string_view text, std::string_view option, std::uint64_t max) {
  std::uint64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > max) {
    Fail(option,
         "\"" + std::string(text) + "\" is not a whole number from 0 to " + std::to_string(max));
  }
  return value;
}

int ParsePort(std::string_view text, std::string_view option) {
  return static_cast<int>(ParseWholeNumber(text, option, 65535));
}

int ParseHttpStatus(std::string_view text, std::string_view option) {
  auto status = static_cast<int>(ParseWholeNumber(text, option, 599));
  if (status < 200)
    Fail(option, "\"" + std::string(text) + "\" is not an HTTP status from 200 to 599");
  return status;
}

double ParseSeconds(std::string_view text, std::string_view option) {
  std::string copy(text);
  std::size_t used = 0;
  double seconds = -1;
  try {
    seconds = std::stod(copy, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != copy.size() || !std::isfinite(seconds) || seconds < 0 ||
      seconds > 86400) {
    Fail(option, "\"" + copy + "\" is not a number of seconds from 0 to 86400");
  }
  return seconds;
}

}  // namespace shelvex::host
