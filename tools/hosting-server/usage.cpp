#include "tools/hosting-server/commands.h"

namespace shelvex::host {

const char* UsageText() {
  return R"(shelvexhost: a stand-in for the hosting web server, for tests, demos and a look at the whole road.

It keeps library accounts in a folder and answers Lantern Manager's requests under /dar2ar.dll: archive
uploads, start, stop, status, password changes and reservation downloads.

USAGE
  shelvexhost [serve] --root DIR [options]         run the server
  shelvexhost add-account --root DIR --user NAME [--password PW] [--offline] [--message TEXT]
  shelvexhost set-account --root DIR --user NAME [--password PW | --no-password]
                          [--online | --offline] [--message TEXT]
  shelvexhost add-reservation --root DIR --user NAME (--line TEXT ... | --lines-from FILE ...)
  shelvexhost show-account --root DIR --user NAME
  shelvexhost --help

SERVE OPTIONS
  --root DIR           the account folder (created when missing)
  --listen ADDR        address to listen on (default 127.0.0.1; 0.0.0.0 for every interface)
  --port N             port (default 731, or SHELVEX_SERVER_PORT when set; 0 picks a free one).
                       Ports below 1024 need root or CAP_NET_BIND_SERVICE.
  --log FILE           append one line per request to FILE (default: standard error)
  --keep-requests DIR  keep every uploaded archive as DIR/NNNN-USER.zip (NNNN-USER-opt.zip for options only)
  --max-upload-mb N    largest archive taken, and the most its files may hold once extracted (default 512)
  When ready it prints one line "listening on ADDR:PORT" on standard output. SIGTERM or SIGINT stops it.

MISBEHAVIOUR FOR TESTS
  --reply TEXT         answer TEXT (byte for byte) instead of "ok" to upload, start, stop and pwd requests;
                       those requests then change nothing
  --status-code N      answer every request with HTTP status N (200-599) and change nothing
  --not-archive        answer the reservations request with an HTML error page instead of a ZIP archive
  --hang SECONDS       hold every request back this long before it is answered (with --status-code too);
                       SIGTERM still stops the server at once

REQUESTS (the user name U and the other values arrive percent-encoded where needed)
  POST /dar2ar.dll/?user=U[&opt=Y]   multipart/form-data, the ZIP archive in the part "myfile".
      The archive must be encrypted with the account's data password, or not at all when the account has none.
      Entries are stored under their bare names (folders in the archive are dropped); an entry with an absolute
      name or ".." refuses the upload. A full upload replaces all the account's files; with opt=Y only the
      *.ini, *.txt and *.lab files are replaced and the XML data files are kept. Answer "ok", or a text
      beginning "ERROR: " (HTTP 200) that says why nothing changed.
  GET /dar2ar.dll/cmd?user=U&cmd=start | cmd=stop      puts the site on or off line; "ok"
  GET /dar2ar.dll/cmd?user=U&cmd=status
      "U~Yes;HITS;DATA_FILES;SETTINGS_FILES;LAST_UPLOAD;LAST_OPTIONS_UPLOAD;MESSAGE": Yes or No for on line,
      the requests of this month, how many XML files and settings files the account holds, the times of the
      last full and options-only uploads ("3/14/2024 2:05:09 PM", or "Never"), and the account's message.
  GET /dar2ar.dll/cmd?user=U&cmd=pwd&p0=OLD&p1=NEW
      sets the data password to NEW (empty: no password) when OLD is the current one; "ok", else an error text.
  GET /dar2ar.dll/cmd?user=U&cmd=reservations
      a ZIP archive holding reserve.txt: the waiting reservations, one per line, CR LF, encrypted with the data
      password when the account has one. They are then marked delivered, so the next request gets an empty
      reserve.txt until new ones are added.
  Every request naming an account counts one hit; hits start again from 0 each month.

ACCOUNTS
  DIR/accounts/NAME/account.ini (the account), files/ (the uploaded files), reservations.txt (waiting),
  delivered.txt (handed out). Every file is replaced through a temporary file and a rename; administration
  commands may run while the server runs. User names are printable ASCII without "~" and ";".
  Passwords, messages and --line texts given as UTF-8 are stored in the manager's code page (windows-1252, or
  SHELVEX_ANSI_CODEPAGE); text that is not UTF-8 is stored byte for byte. --lines-from files are taken byte for
  byte. New accounts are on line unless --offline is given.

EXIT STATUS
  0 success; 1 failure (the message on standard error); 2 wrong usage.
)";
}

}  // namespace shelvex::host
