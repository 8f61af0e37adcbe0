// The main window's Rotate Now!: starts the rotation program from the data directory and does
// not wait for it.
#pragma once

#include <string>

#include "model/siteop.h"
#include "platform/interaction.h"
#include "platform/process.h"

namespace parvel {

// The rotation program's file name in the data directory.
inline constexpr char kTurnwheelProgram[] = "turnwheel";

// Starts the data directory's rotation program; if that fails, shows the plain message
// "Could not load <data directory>turnwheel!". Then refreshes the main window's site status.
SelectionStatus RotateNow(Interaction& ui, Catalogue& catalogue, bool use_rotations);

}  // namespace parvel
