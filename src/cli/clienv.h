// What every command line program sets up first: the data directory, the console Interaction,
// the application options and the catalogue, and the small argument helpers they share.
#pragma once

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/catalogue.h"
#include "model/options.h"
#include "model/sitesettings.h"
#include "platform/console_interaction.h"
#include "platform/filelock.h"

namespace parvel::cli {

// Exit statuses of the programs.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// The arguments after the program name, with the options every program knows taken out:
// --data-dir DIR, --yes, --no.
struct Arguments {
  std::vector<std::string> words;
  std::optional<std::string> data_dir;
  ConsoleInteraction::Policy policy = ConsoleInteraction::Policy::Ask;
  std::string error;  // non-empty for a usage error

  // Removes `--name VALUE` from words; nullopt when absent; sets error when VALUE is missing.
  std::optional<std::string> TakeValue(const std::string& name);
  // Removes `--name`; true when it was there.
  bool TakeFlag(const std::string& name);
  // An option left in words that nobody took ("--x"), or empty.
  std::string UnknownOption() const;
};

Arguments ParseCommon(int argc, char** argv);

// Handles --version (prints "<program> (Parvel Pro) 1.01") and --help (calls `help`) anywhere
// among the arguments: true when one was there and the program is to end with kExitOk.
bool AnswerHelpOrVersion(Arguments& args, const char* program, void (*help)());

// The environment of one command: data directory set up (model/datadir.h; the program ends with
// a message when there is none), the console Interaction, options and catalogue read.
class CommandEnvironment {
 public:
  explicit CommandEnvironment(const Arguments& args);

  ConsoleInteraction& ui() { return ui_; }
  AppOptions& options() { return options_; }
  Catalogue& catalogue() { return catalogue_; }
  // False when sites.ini exists but could not be read (the message is already on stderr).
  bool catalogue_read() const { return catalogue_read_; }

  // Finds a site by key, else by display name (letter case ignored), and makes it current.
  // False, with a message on stderr, when there is no such site.
  bool SelectSite(const std::string& key_or_name);

  // What the settings functions need to know about the current site.
  SiteContext Context() const;

  // Takes the lock that every program holds around a read-modify-write of the data directory's
  // settings files. With `reread`, the catalogue is read again (nothing selected) so that what
  // follows starts from what other programs saved. Null, with the message on stderr, when
  // another program kept it too long. PARVEL_LOCK_WAIT_MS overrides the wait.
  std::unique_ptr<FileLock> LockSettings(bool reread);

 private:
  ConsoleInteraction ui_;
  AppOptions options_;
  Catalogue catalogue_;
  bool catalogue_read_ = true;
};

// Parses a positive whole number; nullopt otherwise.
std::optional<int> PositiveNumber(const std::string& text);

}  // namespace parvel::cli
