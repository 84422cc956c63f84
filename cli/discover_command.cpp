#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "engine/data_module.h"

namespace shelvex::cli {

namespace {

std::string Joined(const std::vector<std::string>& names) {
  std::string joined;
  for (const std::string& name : names) {
    if (!joined.empty()) joined += ',';
    joined += name;
  }
  return joined;
}

int RunDiscover(const std::vector<std::string>& arguments) {
  std::vector<std::string> rest = arguments;
  const CommonArguments common = TakeCommonArguments(rest);
  RequireNoMoreArguments(rest);

  engine::TDataModule2 module;
  module.Init(common.home);
  module.FindDbfFiles();
  std::cout << "DbfFiles=" << Joined(module.DbfFileList()) << '\n'
            << "LibraryDb=" << module.LibraryDb << '\n'
            << "LoansDb=" << module.LoansTable() << '\n'
            << "ReservationsDb=" << module.ReservationsTable() << '\n'
            << "BorrowersDb=" << module.BorrowersTable() << '\n'
            << "FinesDb=" << module.FinesTable() << '\n';
  return 0;
}

}  // namespace

std::vector<Subcommand> DiscoverSubcommands() {
  return {{"discover", "--home DIR",
           "list the candidate tables of the data folder and the table found for each role",
           RunDiscover}};
}

}  // namespace shelvex::cli
