// The main window's Rotate Now!: starts the rotation program and does not wait for it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model/siteop.h"
#include "platform/interaction.h"
#include "platform/process.h"

namespace parvel {

// The rotation program's file name in the data directory.
inline constexpr char kTurnwheelProgram[] = "turnwheel";

// Which rotation program Rotate Now! starts, and how: the one in the data directory when there
// is one (it rotates its own folder, so it gets no arguments); else the one beside the running
// program (an installed program keeps the data directory elsewhere), told the data directory
// with --data-dir. Without either, the data directory's, which then fails to start.
struct ProgramLaunch {
  std::string program;
  std::vector<std::string> args;
};
ProgramLaunch TurnwheelLaunch(const std::string& data_dir, const std::string& program_dir,
                              const std::function<bool(const std::string&)>& exists);

// Starts the rotation program (TurnwheelLaunch); if that fails, shows the plain message
// "Could not load <data directory>turnwheel!". Then refreshes the main window's site status.
SelectionStatus RotateNow(Interaction& ui, Catalogue& catalogue, bool use_rotations);

}  // namespace parvel
