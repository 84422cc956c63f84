#include <iostream>

#include "cli/command.h"
#include "engine/data_module.h"
#include "engine/option_values.h"
#include "platform/date_time.h"

namespace shelvex::cli {

namespace {

const char* YesNo(bool flag) { return flag ? "Y" : "N"; }

void PrintOptions(const engine::TDataModule2& module) {
  std::cout << "HomeDir=" << module.HomeDir << '\n'
            << "DataFolder=" << module.DataFolder << '\n'
            << "IPAdd=" << module.IPAdd << '\n'
            << "User=" << module.User << '\n'
            << "Port=" << module.Port << '\n'
            << "Header=" << module.Header << '\n'
            << "Footer=" << module.Footer << '\n'
            << "AllowPatronInfo=" << YesNo(module.AllowPatronInfo) << '\n'
            << "AcceptReservations=" << YesNo(module.AcceptReservations) << '\n'
            << "UploadDays=" << engine::WriteDayList(module.UploadDays) << '\n'
            << "UploadTime=" << platform::FormatLongTime(module.UploadTime) << '\n'
            << "LastUpload=" << platform::FormatShortDate(module.LastUpload) << '\n'
            << "GridImg=" << YesNo(module.GridImg) << '\n'
            << "SelectedImg=" << YesNo(module.SelectedImg) << '\n'
            << "LargeImg=" << YesNo(module.LargeImg) << '\n'
            << "UseProxy=" << YesNo(module.UseProxy) << '\n'
            << "ProxyAddr=" << module.ProxyAddr << '\n'
            << "ProxyPort=" << module.ProxyPort << '\n'
            << "ProxyUserName=" << module.ProxyUserName << '\n'
            << "ProxyPwd=" << module.ProxyPwd << '\n'
            << "LinkField=" << module.LinkField << '\n'
            << "Layout=" << module.Layout << '\n'
            << "GridFont=" << module.GridFont << '\n';
}

int RunOptions(const std::vector<std::string>& arguments) {
  std::vector<std::string> rest = arguments;
  const CommonArguments common = TakeCommonArguments(rest);
  const bool save = TakeSwitch(rest, "--save");
  RequireNoMoreArguments(rest);

  engine::TDataModule2 module;
  module.Init(common.home);
  PrintOptions(module);
  std::cout.flush();
  if (save) module.SaveOptions(false);
  return 0;
}

}  // namespace

std::vector<Subcommand> OptionsSubcommands() {
  return {{"options", "--home DIR [--save]",
           "print the options of the program folder DIR; --save writes them back to its db_upl.ini",
           RunOptions}};
}

}  // namespace shelvex::cli
