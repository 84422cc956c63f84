#include "cli/engine_session.h"

#include <filesystem>
#include <iostream>

#include "engine/scrambled_file.h"

namespace shelvex::cli {

void PrepareEngine(engine::TDataModule2& module, const CommonArguments& common) {
  module.Init(common.home);
  module.IsLoggingOn = true;
  // Flushed line by line, so that a script or a pipe sees each step as it happens.
  module.UpdateStatusProc = [](const std::string& text) { std::cout << text << std::endl; };
  const std::filesystem::path password_file = module.HomeDir + "lantern.p";
  if (std::filesystem::exists(password_file)) {
    module.Pass = engine::ReadScrambledLine(password_file);
  }
}

int ExitStatus(const engine::TDataModule2& module) { return module.ErrorCount() == 0 ? 0 : 1; }

}  // namespace shelvex::cli
