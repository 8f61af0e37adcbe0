// The commands of parvel-cli. Each takes the parsed arguments (the command word removed) and
// returns the program's exit status.
#pragma once

#include "cli/clienv.h"

namespace parvel::cli {

int CmdSites(Arguments& args);
int CmdBuild(Arguments& args);
int CmdNewSite(Arguments& args);
int CmdSet(Arguments& args);
int CmdShow(Arguments& args);
int CmdRotate(Arguments& args);
int CmdQuick(Arguments& args);
// Adds image files to a rotation's folder: browser formats copied, others converted to JPEG.
int CmdAdd(Arguments& args);

// Prints the usage text on stderr and returns kExitUsage.
int Usage(const std::string& problem);
// Prints what the program does and its usage on stdout and returns kExitOk.
int Help();

}  // namespace parvel::cli
