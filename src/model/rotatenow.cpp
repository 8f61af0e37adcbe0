#include "model/rotatenow.h"

#include <functional>

#include "model/datadir.h"
#include "model/paths.h"
#include "platform/filesystem.h"
#include "platform/process.h"

namespace parvel {

ProgramLaunch TurnwheelLaunch(const std::string& data_dir, const std::string& program_dir,
                              const std::function<bool(const std::string&)>& exists) {
  const std::string own = data_dir + kTurnwheelProgram;
  const std::string beside = program_dir + kTurnwheelProgram;
  if (exists(own) || !exists(beside)) return {own, {}};
  return {beside, {"--data-dir", data_dir}};
}

SelectionStatus RotateNow(Interaction& ui, Catalogue& catalogue, bool use_rotations) {
  const ProgramLaunch launch = TurnwheelLaunch(DataDirectory(), ProgramDirectory(), FileExists);
  if (!StartDetached(launch.program, launch.args)) {
    ui.Message(MessageKind::Plain, "Could not load " + DataDirectory() + kTurnwheelProgram + "!",
               Buttons::Ok);
  }
  return catalogue.doselectionstatus(use_rotations);
}

}  // namespace parvel
