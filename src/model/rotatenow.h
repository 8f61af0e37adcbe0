// The main window's Rotate Now!: starts the rotation program from the data directory and does
// not wait for it.
#pragma once

#include <sys/types.h>
#include <string>

#include "model/siteop.h"
#include "platform/interaction.h"

namespace parvel {

// The rotation program's file name in the data directory.
inline constexpr char kTurnwheelProgram[] = "turnwheel";

// Starts `program` without arguments, in the current working directory, and returns at once.
// The child is reaped when it ends (no zombie stays). False when it could not be started.
bool StartDetached(const std::string& program, pid_t* pid = nullptr);

// Starts the data directory's rotation program; if that fails, shows the plain message
// "Could not load <data directory>turnwheel!". Then refreshes the main window's site status.
SelectionStatus RotateNow(Interaction& ui, Catalogue& catalogue, bool use_rotations);

}  // namespace parvel
