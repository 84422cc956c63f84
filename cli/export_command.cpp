#include <string>
#include <vector>

#include "cli/command.h"
#include "export/table_export.h"

namespace shelvex::cli {

namespace {

int RunExport(const std::vector<std::string>& arguments) {
  if (arguments.size() != 3) throw UsageError("expected DATAFOLDER TABLE OUTPUT.xml");
  std::string data_folder = arguments[0];
  if (data_folder.empty() || data_folder.back() != '/') data_folder += '/';
  exporting::ExportTableToXml(data_folder, arguments[1], arguments[2]);
  return 0;
}

}  // namespace

std::vector<Subcommand> ExportSubcommands() {
  return {{"export", "DATAFOLDER TABLE OUTPUT.xml",
           "write the table TABLE (e.g. book.dbf) of DATAFOLDER as an XML data packet; an output "
           "named library.xml "
           "also gets cat.txt beside it",
           RunExport}};
}

}  // namespace shelvex::cli
