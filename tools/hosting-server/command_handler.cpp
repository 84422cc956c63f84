#include <httplib.h>

#include <ctime>

#include "tools/hosting-server/internal/text_escape.h"
#include "tools/hosting-server/request_handlers.h"
#include "tools/hosting-server/reservation_archive.h"

namespace shelvex::host {

namespace {

constexpr char kNotArchivePage[] =
    "<html><head><title>500 Internal Server Error</title></head>\r\n"
    "<body><h1>Internal Server Error</h1><p>The reservations could not be "
    "prepared.</p></body></html>\r\n";

Reply Status(HandlerContext& context, const Account& account) {
  int data_files = 0;
  int settings_files = 0;
  for (const std::string& name : context.store.ListFiles(account.user)) {
    if (IsDataFile(name)) ++data_files;
    if (IsSettingsFile(name)) ++settings_files;
  }
  return TextReply(FormatStatusReply(account, data_files, settings_files));
}

Reply ChangePassword(HandlerContext& context, Account& account, const httplib::Request& request) {
  if (!request.has_param("p0") || !request.has_param("p1")) {
    return TextReply(
        "ERROR: the password command needs p0 (the current password) and p1 (the new one)",
        "refused");
  }
  if (request.get_param_value("p0") != account.password) {
    return TextReply("ERROR: the current password does not match", "password unchanged");
  }
  account.password = request.get_param_value("p1");
  context.store.Save(account);
  return TextReply("ok", account.password.empty() ? "password cleared" : "password changed");
}

Reply Reservations(HandlerContext& context, const Account& account) {
  if (context.settings.not_archive) {
    return Reply{200, kNotArchivePage, "text/html", "--not-archive: nothing delivered"};
  }
  std::vector<std::string> lines = context.store.WaitingReservations(account.user);
  std::string archive = BuildReservationArchive(lines, account.password);
  context.store.MarkReservationsDelivered(account.user);
  return Reply{200, std::move(archive), "application/zip",
               std::to_string(lines.size()) + " reservations delivered" +
                   (account.password.empty() ? "" : ", encrypted")};
}

}  // namespace

Reply HandleCommand(HandlerContext& context, const httplib::Request& request) {
  std::string user = request.get_param_value("user");
  std::string command = request.get_param_value("cmd");
  bool changes = command == "start" || command == "stop" || command == "pwd";

  StoreLock lock(context.store);
  std::optional<Account> account = context.store.Find(user);
  if (account) {
    CountHit(*account, std::time(nullptr));
    context.store.Save(*account);
  }
  if (changes && context.settings.reply) {
    return TextReply(*context.settings.reply, "--reply: nothing changed");
  }
  if (user.empty()) return TextReply("ERROR: no user given", "refused");
  if (!account)
    return TextReply("ERROR: unknown user \"" + internal::Printable(user) + "\"", "refused");

  if (command == "start" || command == "stop") {
    account->online = command == "start";
    context.store.Save(*account);
    return TextReply("ok", account->online ? "on line" : "off line");
  }
  if (command == "status") return Status(context, *account);
  if (command == "pwd") return ChangePassword(context, *account, request);
  if (command == "reservations") return Reservations(context, *account);
  if (command.empty()) return TextReply("ERROR: no command given", "refused");
  return TextReply("ERROR: unknown command \"" + internal::Printable(command) + "\"", "refused");
}

}  // namespace shelvex::host
