#pragma once

#include "cli/command.h"
#include "engine/data_module.h"

namespace shelvex::cli {

// Makes `module` ready for a server command the way the programs prepare their engine: Init with
// the program folder, logging on, each status text printed on a line of its own on standard output
// as it is reported, and the data upload password read from "lantern.p" in the program folder
// when that file exists.
void PrepareEngine(engine::TDataModule2& module, const CommonArguments& common);

// The exit status of a command: 0 exactly when the engine counted no error.
int ExitStatus(const engine::TDataModule2& module);

}  // namespace shelvex::cli
