// The commands of parvel-cli. Each takes the parsed arguments (the command word removed) and
// returns the program's exit status.
#pragma once

#include <string>

#include "builder/build.h"
#include "cli/clienv.h"
#include "model/livetree.h"

namespace parvel::cli {

int CmdSites(Arguments& args);
int CmdBuild(Arguments& args);
int CmdNewSite(Arguments& args);
int CmdSet(Arguments& args);
int CmdShow(Arguments& args);
int CmdRotate(Arguments& args);
// Sends a built rotation to the site's Publish_URL.
int CmdPublish(Arguments& args);

// Puts a rotation live on a host (turnwheel's and rotate's way to a live directory that is an
// sftp:// address): asks nothing, takes a password only from the desktop's keyring.
bool PublishToLive(const std::string& source, const LiveSelection& selection,
                   const std::string& address, std::string* error);
int CmdQuick(Arguments& args);
// Adds image files to a rotation's folder: browser formats copied, others converted to JPEG.
int CmdAdd(Arguments& args);
// Deletes a site as Delete Site does: asks (on a terminal; else --yes/--no, else No), moves its
// folder, settings and list files to the Trash and takes it out of the catalogue. 0 when the site
// is gone; 1 after No or when something could not go; 2 for usage or an unknown site.
int CmdDeleteSite(Arguments& args);

// The line `build` ends with: thumbnails made and kept, pages written and left unchanged.
std::string BuildSummary(const BuildCounts& counts);

// Prints the usage text on stderr and returns kExitUsage.
int Usage(const std::string& problem);
// Prints what the program does and its usage on stdout and returns kExitOk.
int Help();

}  // namespace parvel::cli
