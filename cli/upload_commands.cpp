#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/engine_session.h"

namespace shelvex::cli {

namespace {

int RunUpload(const std::vector<std::string>& arguments) {
  std::vector<std::string> rest = arguments;
  const CommonArguments common = TakeCommonArguments(rest);
  RequireNoMoreArguments(rest);
  engine::TDataModule2 module;
  PrepareEngine(module, common);
  module.ConvertDbfToXml();
  return ExitStatus(module);
}

int RunUploadOptions(const std::vector<std::string>& arguments) {
  std::vector<std::string> rest = arguments;
  const CommonArguments common = TakeCommonArguments(rest);
  RequireNoMoreArguments(rest);
  engine::TDataModule2 module;
  PrepareEngine(module, common);
  module.UploadOptionsOnly();
  return ExitStatus(module);
}

}  // namespace

std::vector<Subcommand> UploadSubcommands() {
  return {{"upload", "--home DIR",
           "export the role tables, upload them with the options and fetch new reservations",
           RunUpload},
          {"upload-options", "--home DIR",
           "upload only the options and field lists; the server keeps its data", RunUploadOptions}};
}

}  // namespace shelvex::cli
