// The main window's Rotate Now!: runs the rotation program, waits for it and shows what it said.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model/catalogue.h"
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

// What the rotation program said, for the message after Rotate Now!: its report lines, and how it
// ended when that was not well.
std::string RotationReport(const ProgramRun& run);

// Runs the rotation program (TurnwheelLaunch) and waits for it with the busy cursor, keeping the
// window responsive; then shows its report (RotationReport) as information when it ended well and
// as a warning otherwise, or the plain message "Could not load <data directory>turnwheel!" when it
// could not be started. Then re-reads the current site's next rotation (the program moves it on)
// and returns the main window's site status. `ended` runs once the program has ended, before the
// message (the window takes actions again there).
SelectionStatus RotateNow(Interaction& ui, Catalogue& catalogue, bool use_rotations,
                          const std::function<void()>& ended = nullptr);

}  // namespace parvel
