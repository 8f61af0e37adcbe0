// parvel-cli: scripted builds and catalogue work without the desktop window.
#include <csignal>
#include <map>

#include "cli/commands.h"

namespace {

void OnInterrupt(int) {
  parvel::ConsoleInteraction::RequestCancel();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace parvel::cli;
  std::signal(SIGINT, OnInterrupt);
  Arguments args = ParseCommon(argc, argv);
  if (AnswerHelpOrVersion(args, "parvel-cli", [] { Help(); })) return kExitOk;
  if (!args.error.empty()) return Usage(args.error);
  if (args.words.empty()) return Usage("");
  const std::string command = args.words.front();
  args.words.erase(args.words.begin());
  static const std::map<std::string, int (*)(Arguments&)> commands = {
      {"sites", CmdSites},    {"build", CmdBuild}, {"new-site", CmdNewSite},
      {"set", CmdSet},        {"show", CmdShow},   {"rotate", CmdRotate},
      {"quick", CmdQuick},    {"add", CmdAdd},     {"delete-site", CmdDeleteSite},
      {"publish", CmdPublish}};
  const auto it = commands.find(command);
  if (it == commands.end()) return Usage("unknown command " + command);
  return it->second(args);
}
