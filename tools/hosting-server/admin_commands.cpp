#include <cstdio>
#include <ctime>

#include "platform/error.h"
#include "tools/hosting-server/account_store.h"
#include "tools/hosting-server/command_line.h"
#include "tools/hosting-server/commands.h"
#include "tools/hosting-server/internal/atomic_file.h"
#include "tools/hosting-server/internal/text_escape.h"
#include "tools/hosting-server/internal/wire_text.h"

namespace shelvex::host {

namespace {

using internal::Printable;
using internal::ToWireText;

// The manager shows the message in a multi-line box; Windows boxes want CR LF. A ";" would end the
// last field of the status reply early, where the manager splits it.
std::string MessageText(const std::string& text) {
  std::string wire = ToWireText(text, "--message");
  std::string message;
  for (std::size_t i = 0; i < wire.size(); ++i) {
    if (wire[i] == ';')
      throw UsageError("--message: a \";\" would cut the message short in the status reply");
    if (wire[i] == '\n' && (i == 0 || wire[i - 1] != '\r')) message += '\r';
    message += wire[i];
  }
  return message;
}

void ApplyAccountOptions(const ParsedOptions& options, Account& account) {
  if (auto password = options.Last("password"))
    account.password = ToWireText(*password, "--password");
  if (options.Has("no-password")) account.password.clear();
  if (options.Has("online")) account.online = true;
  if (options.Has("offline")) account.online = false;
  if (auto message = options.Last("message")) account.message = MessageText(*message);
}

void CheckExclusive(const ParsedOptions& options, std::string_view a, std::string_view b) {
  if (options.Has(a) && options.Has(b)) {
    throw UsageError("--" + std::string(a) + ": cannot be given together with --" + std::string(b));
  }
}

std::vector<std::string> ReservationLines(const ParsedOptions& options) {
  std::vector<std::string> lines;
  auto add = [&lines](std::string line, const std::string& context) {
    if (line.empty()) throw UsageError(context + ": a reservation line is empty");
    if (line.find_first_of("\r\n") != std::string::npos) {
      throw UsageError(context + ": a reservation is one line; it holds a line break");
    }
    lines.push_back(std::move(line));
  };
  for (const std::string& line : options.All("line")) add(ToWireText(line, "--line"), "--line");
  // Lines from a file are taken byte for byte: the file already is what the library should receive.
  for (const std::string& path : options.All("lines-from")) {
    bool exists = false;
    std::string text = internal::ReadFileIfPresent(path, &exists);
    if (!exists) throw Error(path + ": no such file (--lines-from)");
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) add(std::move(line), path);
      start = end + 1;
    }
  }
  if (lines.empty())
    throw UsageError("--line: give at least one reservation (--line TEXT or --lines-from FILE)");
  return lines;
}

Account RequireAccount(const AccountStore& store, const std::string& user) {
  std::optional<Account> account = store.Find(user);
  if (!account) {
    throw Error("--user: no account \"" + Printable(user) + "\" under " + store.root().string());
  }
  return *account;
}

constexpr OptionSpec kAccountOptions[] = {
    {"root", true},    {"user", true},     {"password", true}, {"no-password", false},
    {"online", false}, {"offline", false}, {"message", true},
};
constexpr OptionSpec kReservationOptions[] = {
    {"root", true}, {"user", true}, {"line", true}, {"lines-from", true}};
constexpr OptionSpec kShowOptions[] = {{"root", true}, {"user", true}};

}  // namespace

int RunAddAccount(const std::vector<std::string>& args) {
  ParsedOptions options = ParsedOptions::Parse(args, kAccountOptions);
  AccountStore store(options.Required("root"));
  std::string user = options.Required("user");
  AccountStore::CheckUserName(user);
  CheckExclusive(options, "online", "offline");
  CheckExclusive(options, "password", "no-password");
  Account account;
  account.user = user;
  ApplyAccountOptions(options, account);
  StoreLock lock(store);
  if (store.Find(user)) {
    throw Error("--user: the account \"" + user + "\" exists already (change it with set-account)");
  }
  store.Save(account);
  std::printf("account \"%s\" added\n", user.c_str());
  return 0;
}

int RunSetAccount(const std::vector<std::string>& args) {
  ParsedOptions options = ParsedOptions::Parse(args, kAccountOptions);
  AccountStore store(options.Required("root"));
  std::string user = options.Required("user");
  CheckExclusive(options, "online", "offline");
  CheckExclusive(options, "password", "no-password");
  StoreLock lock(store);
  Account account = RequireAccount(store, user);
  ApplyAccountOptions(options, account);
  store.Save(account);
  std::printf("account \"%s\" changed\n", user.c_str());
  return 0;
}

int RunAddReservation(const std::vector<std::string>& args) {
  ParsedOptions options = ParsedOptions::Parse(args, kReservationOptions);
  AccountStore store(options.Required("root"));
  std::string user = options.Required("user");
  std::vector<std::string> lines = ReservationLines(options);
  StoreLock lock(store);
  RequireAccount(store, user);
  store.AddReservations(user, lines);
  std::printf("%zu reservation%s added for \"%s\"\n", lines.size(), lines.size() == 1 ? "" : "s",
              user.c_str());
  return 0;
}

int RunShowAccount(const std::vector<std::string>& args) {
  ParsedOptions options = ParsedOptions::Parse(args, kShowOptions);
  AccountStore store(options.Required("root"));
  std::string user = options.Required("user");
  StoreLock lock(store);
  Account account = RequireAccount(store, user);
  std::printf("user: %s\n", account.user.c_str());
  std::printf("data password: %s\n", account.password.empty()
                                         ? "(none)"
                                         : ("\"" + Printable(account.password) + "\"").c_str());
  std::printf("on line: %s\n", account.online ? "Yes" : "No");
  std::printf("hits: %lld (%s)\n", static_cast<long long>(account.hits),
              account.hits_month.empty() ? "none yet" : account.hits_month.c_str());
  std::printf("last upload: %s\n", FormatUploadTime(account.last_upload).c_str());
  std::printf("last options upload: %s\n", FormatUploadTime(account.last_options_upload).c_str());
  std::printf("message: \"%s\"\n", Printable(account.message).c_str());
  std::vector<std::string> files = store.ListFiles(user);
  std::printf("files: %zu\n", files.size());
  for (const std::string& name : files) std::printf("  %s\n", Printable(name).c_str());
  std::vector<std::string> waiting = store.WaitingReservations(user);
  std::printf("waiting reservations: %zu\n", waiting.size());
  for (const std::string& line : waiting) std::printf("  %s\n", Printable(line).c_str());
  return 0;
}

}  // namespace shelvex::host
