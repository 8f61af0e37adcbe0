// turnwheel: puts the next rotation of every site on the rotation schedule live.
#include <iostream>

#include "cli/clienv.h"
#include "cli/commands.h"
#include "model/datadir.h"
#include "model/turnwheel.h"

int main(int argc, char** argv) {
  using namespace parvel::cli;
  Arguments args = ParseCommon(argc, argv);
  if (AnswerHelpOrVersion(args, "turnwheel", [] {
        std::cout << "turnwheel: puts the next rotation of every site on the rotation schedule "
                     "live, as Rotate Now! in parvel does.\n"
                     "usage: turnwheel [--data-dir DIR]\n"
                     "The data directory is found as parvel finds it (see parvel-cli --help).\n"
                     "It replaces and removes only the files it put live before (its record of\n"
                     "them is <data directory>SITE.live); other files in a live folder stay, and\n"
                     "a rotation whose files would land on them is not copied (exit status 1).\n"
                     "Run it from a timer to rotate on a schedule.\n"
                  << parvel::kHelpVersionLine;
      })) {
    return kExitOk;
  }
  if (args.error.empty() && !args.words.empty()) args.error = "turnwheel takes no arguments";
  if (!args.error.empty()) {
    std::cerr << "turnwheel: " << args.error << "\nusage: turnwheel [--data-dir DIR]\n";
    return kExitUsage;
  }
  CommandEnvironment env(args);
  const parvel::TurnwheelResult result = parvel::RotateSites(PublishToLive);
  for (const auto& line : result.Lines()) std::cout << line << '\n';
  return result.ok ? kExitOk : kExitFailed;
}
