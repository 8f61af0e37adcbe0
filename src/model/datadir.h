// Where the programs keep their files. The running program's own folder is the data directory
// when it holds the program's files and can be written (a build tree, a copy unpacked by the
// user); an installed program keeps them in a per-user folder ($XDG_DATA_HOME/parvel-pro, by
// default ~/.local/share/parvel-pro) that is seeded with the sample folders, the help pages and
// the program's icon on its first start. --data-dir names another, made and seeded the same way
// unless it is a folder of other things. All three programs choose the same way.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/version.h"

namespace parvel {

// The program's name, for --version, the about box and the title of every window (its version,
// kProductVersion, comes from model/version.h).
inline constexpr char kProductName[] = "Parvel Pro";

// What --version prints for `program`: "parvel-cli (Parvel Pro) 1.01".
inline std::string VersionLine(const std::string& program) {
  return program + " (" + kProductName + ") " + kProductVersion;
}
// The last line of each program's --help, and the start of the error for an option it lacks.
inline constexpr char kHelpVersionLine[] = "--help, --version: this text, the version.\n";
inline constexpr char kUnknownOption[] = "unknown option ";

// The folders every data directory is given a copy of.
inline const std::vector<std::string>& SeededFolders() {
  static const std::vector<std::string> folders = {"Styles", "Samples", "navgraph", "help",
                                                   "icons"};
  return folders;
}

// The folder of the running program, with a trailing "/".
std::string ProgramDirectory();

// Whether the program may create and replace files in `dir` (which exists and is a directory).
bool CanWriteDirectory(const std::string& dir);

// What the choice depends on; FromEnvironment() fills it from the running process.
struct DataDirectoryInputs {
  std::optional<std::string> override_dir;  // --data-dir
  std::string program_dir;                  // ProgramDirectory()
  std::string xdg_data_home;                // $XDG_DATA_HOME (used when absolute)
  std::string home;                         // $HOME, else the password database's
  std::function<bool(const std::string&)> can_write = CanWriteDirectory;

  static DataDirectoryInputs FromEnvironment(std::optional<std::string> override_dir);
};

struct DataDirectoryChoice {
  std::string dir;        // with a trailing "/"; empty when no folder could be named
  std::string seed_from;  // where missing sample folders are copied from; empty: nothing to seed
  bool named = false;     // dir is --data-dir's: seeded only when it is a data directory (below)
  std::string error;      // why dir is empty
};

// The rule itself, without touching the disk beyond looking: --data-dir as given; else the
// program's folder when it holds Styles/ or sites.ini and can be written (a writable system
// folder such as /usr/bin for root is not taken: it holds neither), never seeded; else the
// per-user folder. The per-user folder and --data-dir's are seeded from
// <program>/../share/parvel-pro/ when that holds Styles/, else from the program's folder when
// that does.
DataDirectoryChoice ChooseDataDirectory(const DataDirectoryInputs& in);

// Whether a folder named with --data-dir is given the seeded folders: it is missing (it will be
// made), empty, or already a data directory (it holds sites.ini or Styles). A folder of other
// things, named by mistake, is left as it is.
bool IsSeedableDataDirectory(const std::string& dir);

// Creates `dir` (and its missing parents) and gives it a copy of every seeded folder that is
// missing there, each copied under a temporary name and renamed into place only when complete,
// so a stopped copy never leaves a half folder behind. Nothing that is there is touched. False,
// with the reason in `error`, when the folder cannot be made or a copy fails.
bool PrepareDataDirectory(const std::string& dir, const std::string& seed_from, std::string* error);

// Chooses, prepares and sets (SetDataDirectory) the data directory of this process: the per-user
// folder and a seedable --data-dir folder are made when missing and given what they lack. False,
// with the message in `error` (naming the folder and the system's reason), when no folder can be
// named, a folder cannot be made or seeded, or --data-dir names something that is not a folder.
bool SetUpDataDirectory(const DataDirectoryInputs& in, std::string* error);

}  // namespace parvel
