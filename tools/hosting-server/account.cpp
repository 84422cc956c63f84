#include "tools/hosting-server/account.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>

#include "platform/error.h"
#include "tools/hosting-server/internal/text_escape.h"

namespace shelvex::host {

namespace {

using internal::EscapeValue;
using internal::UnescapeValue;

std::optional<std::int64_t> ParseInteger(std::string_view text) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::string LowerExtension(std::string_view name) {
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string extension(name.substr(dot + 1));
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

std::string MonthOf(std::time_t now) {
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d", local.tm_year + 1900, local.tm_mon + 1);
  return text;
}

}  // namespace

std::string FormatAccount(const Account& account) {
  std::string text;
  auto line = [&text](std::string_view key, const std::string& value) {
    text.append(key).append("=").append(EscapeValue(value)).append("\n");
  };
  line("user", account.user);
  line("password", account.password);
  line("online", account.online ? "yes" : "no");
  line("hits", std::to_string(account.hits));
  line("hits_month", account.hits_month);
  line("last_upload", std::to_string(account.last_upload));
  line("last_options_upload", std::to_string(account.last_options_upload));
  line("message", account.message);
  return text;
}

Account ParseAccount(std::string_view text, const std::filesystem::path& path) {
  Account account;
  bool has_user = false;
  int line_number = 0;
  while (!text.empty()) {
    ++line_number;
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty()) continue;
    auto fail = [&](const std::string& cause) {
      throw Error(path.string() + ": line " + std::to_string(line_number) + ": " + cause);
    };
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) fail("no \"=\" between key and value");
    std::string_view key = line.substr(0, equals);
    std::optional<std::string> value = UnescapeValue(line.substr(equals + 1));
    if (!value) fail("a \"%\" not followed by two hex digits");
    auto number = [&]() {
      std::optional<std::int64_t> parsed = ParseInteger(*value);
      if (!parsed) fail("\"" + std::string(key) + "\" is not a whole number");
      return *parsed;
    };
    if (key == "user") {
      account.user = *value;
      has_user = true;
    } else if (key == "password") {
      account.password = *value;
    } else if (key == "online") {
      if (*value != "yes" && *value != "no") fail("\"online\" is neither yes nor no");
      account.online = *value == "yes";
    } else if (key == "hits") {
      account.hits = number();
    } else if (key == "hits_month") {
      account.hits_month = *value;
    } else if (key == "last_upload") {
      account.last_upload = number();
    } else if (key == "last_options_upload") {
      account.last_options_upload = number();
    } else if (key == "message") {
      account.message = *value;
    }
  }
  if (!has_user || account.user.empty()) throw Error(path.string() + ": no user name");
  return account;
}

void CountHit(Account& account, std::time_t now) {
  std::string month = MonthOf(now);
  if (month != account.hits_month) {
    account.hits_month = month;
    account.hits = 0;
  }
  ++account.hits;
}

std::string FormatUploadTime(std::int64_t unix_time) {
  if (unix_time == 0) return "Never";
  auto time = static_cast<std::time_t>(unix_time);
  std::tm local{};
  localtime_r(&time, &local);
  int hour = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
  char text[48];
  std::snprintf(text, sizeof text, "%d/%d/%04d %d:%02d:%02d %s", local.tm_mon + 1, local.tm_mday,
                local.tm_year + 1900, hour, local.tm_min, local.tm_sec,
                local.tm_hour < 12 ? "AM" : "PM");
  return text;
}

bool IsSettingsFile(std::string_view name) {
  std::string extension = LowerExtension(name);
  return extension == "ini" || extension == "txt" || extension == "lab";
}

bool IsDataFile(std::string_view name) { return LowerExtension(name) == "xml"; }

std::string FormatStatusReply(const Account& account, int data_files, int settings_files) {
  return account.user + "~" + (account.online ? "Yes" : "No") + ";" + std::to_string(account.hits) +
         ";" + std::to_string(data_files) + ";" + std::to_string(settings_files) + ";" +
         FormatUploadTime(account.last_upload) + ";" +
         FormatUploadTime(account.last_options_upload) + ";" + account.message;
}

}  // namespace shelvex::host
