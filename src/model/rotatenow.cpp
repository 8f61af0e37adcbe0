#include "model/rotatenow.h"

#include "model/paths.h"

namespace parvel {

SelectionStatus RotateNow(Interaction& ui, Catalogue& catalogue, bool use_rotations) {
  if (!StartDetached(DataDirectory() + kTurnwheelProgram)) {
    ui.Message(MessageKind::Plain, "Could not load " + DataDirectory() + kTurnwheelProgram + "!",
               Buttons::Ok);
  }
  return catalogue.doselectionstatus(use_rotations);
}

}  // namespace parvel
