#include "model/datadir.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "model/paths.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;

std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

// The folder holds the program's files: what a data directory always has once it was used.
bool HoldsProgramFiles(const std::string& dir) {
  return DirectoryExists(dir + "Styles") || FileExists(dir + "sites.ini");
}

// Creates `dir` and every missing folder above it.
bool CreateDirectories(const std::string& dir, std::string* error) {
  std::string path = dir;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty() || DirectoryExists(path)) return true;
  const std::string parent = fs::path(path).parent_path().string();
  if (parent != path && !parent.empty() && !CreateDirectories(parent, error)) return false;
  return Files().CreateDirectory(path, error);
}

// Copies the folder `from` (files and folders below it; links and other kinds are left out)
// into the new folder `to`.
bool CopyTree(const fs::path& from, const fs::path& to, std::string* error) {
  if (!Files().CreateDirectory(to.string(), error)) return false;
  std::vector<DirectoryEntry> entries;
  if (!Files().ListDirectory(from.string(), &entries, error)) return false;
  for (const DirectoryEntry& entry : entries) {
    if (entry.is_link) continue;
    const fs::path target = to / entry.name;
    if (entry.is_directory) {
      if (!CopyTree(from / entry.name, target, error)) return false;
    } else if (entry.is_regular_file) {
      if (!Files().CopyFile((from / entry.name).string(), target.string(), error)) return false;
    }
  }
  return true;
}

}  // namespace

std::string ProgramDirectory() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (n <= 0) return "./";
  return DirectoryPart(std::string(buffer, static_cast<size_t>(n)));
}

bool CanWriteDirectory(const std::string& dir) {
  return DirectoryExists(dir) && ::access(dir.c_str(), W_OK | X_OK) == 0;
}

DataDirectoryInputs DataDirectoryInputs::FromEnvironment(std::optional<std::string> override_dir) {
  DataDirectoryInputs in;
  in.override_dir = std::move(override_dir);
  in.program_dir = ProgramDirectory();
  if (const char* xdg = std::getenv("XDG_DATA_HOME")) in.xdg_data_home = xdg;
  if (const char* home = std::getenv("HOME")) in.home = home;
  if (in.home.empty()) {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) in.home = pw->pw_dir;
  }
  return in;
}

namespace {

// Where a new data directory's seeded folders come from: the installed share folder, else the
// program's folder (a build tree); empty when neither holds them.
std::string SeedSource(const std::string& program_dir) {
  const std::string installed = program_dir + "../share/parvel-pro/";
  if (DirectoryExists(installed + "Styles")) return installed;
  if (DirectoryExists(program_dir + "Styles")) return program_dir;
  return "";
}

bool IsEmptyDirectory(const std::string& dir) {
  std::error_code ec;
  return fs::is_empty(dir, ec) && !ec;
}

}  // namespace

DataDirectoryChoice ChooseDataDirectory(const DataDirectoryInputs& in) {
  DataDirectoryChoice choice;
  const std::string program_dir = WithSlash(in.program_dir);
  if (in.override_dir) {
    choice.dir = WithSlash(*in.override_dir);
    choice.seed_from = SeedSource(program_dir);
    choice.named = true;
    return choice;
  }
  if (HoldsProgramFiles(program_dir) && in.can_write(program_dir)) {
    choice.dir = program_dir;
    return choice;
  }
  // The XDG rule: a relative $XDG_DATA_HOME is invalid and ignored.
  if (!in.xdg_data_home.empty() && in.xdg_data_home.front() == '/') {
    choice.dir = WithSlash(in.xdg_data_home) + "parvel-pro/";
  } else if (!in.home.empty() && in.home.front() == '/') {
    choice.dir = WithSlash(in.home) + ".local/share/parvel-pro/";
  } else {
    choice.error =
        "The program's folder " + program_dir +
        " cannot be written, and neither XDG_DATA_HOME nor HOME names a folder for your files. "
        "Name one with --data-dir.";
    return choice;
  }
  choice.seed_from = SeedSource(program_dir);
  return choice;
}

bool IsSeedableDataDirectory(const std::string& dir) {
  const std::string folder = WithSlash(dir);
  if (!PathExists(folder)) return true;
  return DirectoryExists(folder) && (IsEmptyDirectory(folder) || HoldsProgramFiles(folder));
}

bool PrepareDataDirectory(const std::string& dir, const std::string& seed_from,
                          std::string* error) {
  if (!CreateDirectories(dir, error)) return false;
  if (seed_from.empty()) return true;
  for (const std::string& folder : SeededFolders()) {
    const std::string target = WithSlash(dir) + folder;
    const std::string source = WithSlash(seed_from) + folder;
    if (PathExists(target) || !DirectoryExists(source)) continue;
    const std::string temporary = WriteTemporaryName(target, ".seed");
    std::string copy_error;
    if (!CopyTree(source, temporary, &copy_error) ||
        !Files().Rename(temporary, target, &copy_error)) {
      Files().RemoveAll(temporary, nullptr);
      // Another program starting at the same moment may have put it there first.
      if (DirectoryExists(target)) continue;
      if (error) *error = "Could not copy " + source + " to " + target + ": " + copy_error;
      return false;
    }
  }
  return true;
}

bool SetUpDataDirectory(const DataDirectoryInputs& in, std::string* error) {
  const DataDirectoryChoice choice = ChooseDataDirectory(in);
  if (choice.dir.empty()) {
    if (error) *error = choice.error;
    return false;
  }
  std::string why;
  if (choice.named) {
    // Without its "/": a file of that name is there, not a folder missing.
    const std::string bare = fs::path(choice.dir).parent_path().string();
    if (PathExists(bare) && !DirectoryExists(bare)) {
      if (error) *error = "The data directory " + choice.dir + " is not a folder.";
      return false;
    }
    // A folder of other things is used as it is: nothing is added to it.
    const bool missing = !PathExists(bare);
    if (IsSeedableDataDirectory(choice.dir) &&
        !PrepareDataDirectory(choice.dir, choice.seed_from, &why)) {
      if (error) {
        *error = "The data directory " + choice.dir +
                 (missing ? " could not be made: " : " could not be given its files: ") + why;
      }
      return false;
    }
  } else {
    if (!PrepareDataDirectory(choice.dir, choice.seed_from, &why)) {
      if (error) *error = "Could not set up the folder for your files " + choice.dir + ": " + why;
      return false;
    }
  }
  SetDataDirectory(choice.dir);
  return true;
}

}  // namespace parvel
