#include "service/unit_file.h"

namespace shelvex::service {

std::string QuoteExecArgument(std::string_view argument) {
  std::string body;
  bool quote = argument.empty();
  for (const char c : argument) {
    switch (c) {
      case '%':
        body += "%%";
        break;
      case '$':
        body += "$$";
        break;
      case '\\':
      case '"':
        body += '\\';
        body += c;
        quote = true;
        break;
      case '\n':
        body += "\\n";
        quote = true;
        break;
      case ' ':
      case '\t':
      case '\'':
      case ';':
        body += c;
        quote = true;
        break;
      default:
        body += c;
    }
  }
  return quote ? '"' + body + '"' : body;
}

std::string UnitFileText(const std::filesystem::path& program, const std::string& home) {
  return std::string("# Written by shelvexserv -install; shelvexserv -uninstall removes it.\n") +
         "[Unit]\n"
         "Description=" +
         kDisplayName +
         "\n"
         // Uploads need the network; waiting for it spares a failed first status query at boot.
         "Wants=network-online.target\n"
         "After=network-online.target\n"
         "\n"
         "[Service]\n"
         "Type=notify\n"
         "ExecStart=" +
         QuoteExecArgument(program.string()) + " --home " + QuoteExecArgument(home) +
         "\n"
         "Restart=on-failure\n"
         // A conversion run in progress finishes before the service stops.
         "TimeoutStopSec=300\n"
         // The program folder is shared with the librarian's manager through its group: files the service
         // creates there (the yearly log, xml/, db_upl.ini) must stay writable for that group.
         "UMask=0002\n"
         "\n"
         "[Install]\n"
         "WantedBy=multi-user.target\n";
}

}  // namespace shelvex::service
