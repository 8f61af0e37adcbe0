#include "model/rotatenow.h"

#include <functional>

#include "base/textutil.h"
#include "model/catalogue.h"
#include "model/datadir.h"
#include "model/inifile.h"
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

std::string RotationReport(const ProgramRun& run) {
  std::string text = run.output;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  if (run.output.size() >= kMaxProgramOutput) text += "\n...";
  if (run.exit_status == 0) return text;
  const std::string end =
      run.exit_status < 0 ? "turnwheel was stopped before it ended."
                          : "turnwheel ended with exit status " + IntToStr(run.exit_status) + ".";
  return text.empty() ? end : text + "\n" + end;
}

SelectionStatus RotateNow(Interaction& ui, Catalogue& catalogue, bool use_rotations,
                          const std::function<void()>& ended) {
  const ProgramLaunch launch = TurnwheelLaunch(DataDirectory(), ProgramDirectory(), FileExists);
  ProgramRun run;
  {
    BusyCursor busy(ui);
    run = RunProgram(launch.program, launch.args, [&] { ui.KeepResponsive(); });
  }
  if (ended) ended();
  if (!run.started) {
    ui.Message(MessageKind::Plain, "Could not load " + DataDirectory() + kTurnwheelProgram + "!",
               Buttons::Ok);
  } else if (run.exit_status == 0) {
    ui.Inform(RotationReport(run));
  } else {
    ui.Warn(RotationReport(run));
  }
  // The program moves the next rotation of the sites it put live on.
  if (SiteRecord& site = catalogue.site(); !site.SiteKey.empty()) {
    IniFile ini(SiteSettingsFileName(site.SiteKey));
    if (ini.Load()) {
      site.CurrentRotationPosition =
          ParseInt(ini.GetString(kGeneralSection, kCurrentRotationPositionKey, "1"))
              .value_or(site.CurrentRotationPosition);
    }
  }
  return catalogue.ComputeSelectionStatus(use_rotations);
}

}  // namespace parvel
