#include "cli/clienv.h"

#include <unistd.h>

#include <cstdlib>

#include "base/textutil.h"
#include "model/datadir.h"
#include "model/paths.h"

namespace parvel::cli {

std::optional<std::string> Arguments::TakeValue(const std::string& name) {
  for (size_t i = 0; i < words.size(); ++i) {
    if (words[i] != name) continue;
    if (i + 1 >= words.size()) {
      error = name + " needs a value";
      words.erase(words.begin() + static_cast<std::ptrdiff_t>(i));
      return std::nullopt;
    }
    std::string value = words[i + 1];
    words.erase(words.begin() + static_cast<std::ptrdiff_t>(i),
                words.begin() + static_cast<std::ptrdiff_t>(i + 2));
    return value;
  }
  return std::nullopt;
}

bool Arguments::TakeFlag(const std::string& name) {
  for (size_t i = 0; i < words.size(); ++i) {
    if (words[i] == name) {
      words.erase(words.begin() + static_cast<std::ptrdiff_t>(i));
      return true;
    }
  }
  return false;
}

bool AnswerHelpOrVersion(Arguments& args, const char* program, void (*help)()) {
  if (args.TakeFlag("--version")) {
    std::cout << VersionLine(program) << "\n";
    return true;
  }
  if (args.TakeFlag("--help") || args.TakeFlag("-h")) {
    help();
    return true;
  }
  return false;
}

std::string Arguments::UnknownOption() const {
  for (const auto& word : words) {
    if (word.size() > 2 && word.compare(0, 2, "--") == 0) return word;
  }
  return "";
}

Arguments ParseCommon(int argc, char** argv) {
  Arguments args;
  for (int i = 1; i < argc; ++i) args.words.emplace_back(argv[i]);
  args.data_dir = args.TakeValue("--data-dir");
  const bool yes = args.TakeFlag("--yes");
  const bool no = args.TakeFlag("--no");
  if (yes && no) args.error = "--yes and --no exclude each other";
  if (yes) args.policy = ConsoleInteraction::Policy::Yes;
  if (no) args.policy = ConsoleInteraction::Policy::No;
  return args;
}

CommandEnvironment::CommandEnvironment(const Arguments& args)
    : ui_(std::cerr, std::cin, args.policy, ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO)) {
  // Without a folder for the settings no command can do anything; nothing is open yet.
  std::string error;
  if (!SetUpDataDirectory(DataDirectoryInputs::FromEnvironment(args.data_dir), &error)) {
    std::cerr << "Error: " << error << "\n";
    std::exit(kExitFailed);
  }
  options_.Read();
  catalogue_read_ = catalogue_.ReadSites();
  if (!catalogue_read_) {
    std::cerr << "Error: the catalogue " << SitesFileName()
              << " cannot be read (unreadable, or too large to be a catalogue); it is left as it "
                 "is.\n";
  }
}

bool CommandEnvironment::SelectSite(const std::string& key_or_name) {
  const auto& keys = catalogue_.keys();
  int found = -1;
  for (size_t i = 0; i < keys.size() && found < 0; ++i) {
    if (EqualsNoCase(keys[i], key_or_name)) found = static_cast<int>(i);
  }
  const auto& names = catalogue_.names();
  for (size_t i = 0; i < names.size() && found < 0; ++i) {
    if (EqualsNoCase(names[i], key_or_name)) found = static_cast<int>(i);
  }
  if (found < 0) {
    std::cerr << "No site is called " << key_or_name << "\n";
    return false;
  }
  catalogue_.SelectSite(found, options_.UseRotations);
  return true;
}

SiteContext CommandEnvironment::Context() const {
  const SiteRecord& site = catalogue_.site();
  return SiteContext{site.SiteKey, FixPath(site.Path, true), options_.UseRotations};
}

std::unique_ptr<FileLock> CommandEnvironment::LockSettings(bool reread) {
  std::chrono::milliseconds wait = kSettingsLockWait;
  if (const char* text = std::getenv("PARVEL_LOCK_WAIT_MS")) {
    if (const auto ms = ParseInt(text); ms && *ms >= 0) wait = std::chrono::milliseconds(*ms);
  }
  auto lock = std::make_unique<FileLock>(DataDirectory(), wait);
  if (!lock->held()) {
    std::cerr << lock->error() << "\n";
    return nullptr;
  }
  if (reread) catalogue_.ReadSites();
  return lock;
}

std::optional<int> PositiveNumber(const std::string& text) {
  const auto value = ParseInt(text);
  if (!value || *value < 1) return std::nullopt;
  return *value;
}

}  // namespace parvel::cli
