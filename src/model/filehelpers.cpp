#include "model/filehelpers.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <vector>

#include "model/paths.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

void WarnCreateFailed(Interaction& ui, const std::string& path) {
  ui.Warn("An error was encountered whilst trying to create the directory, " + path);
}

namespace fs = std::filesystem;

bool Within(const fs::path& inner, const fs::path& outer) {
  const auto [o, i] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
  return o == outer.end();
}

// The user's home directories: the one the environment names and the one of the account.
std::vector<std::string> HomeDirectories() {
  std::vector<std::string> homes;
  if (const char* home = std::getenv("HOME"); home && *home == '/') homes.emplace_back(home);
  if (const passwd* account = ::getpwuid(::getuid());
      account && account->pw_dir && *account->pw_dir == '/') {
    homes.emplace_back(account->pw_dir);
  }
  return homes;
}

}  // namespace

bool CreateNewDirectory(Interaction& ui, const std::string& path, std::vector<std::string>* made) {
  if (path.size() < 4) return false;
  std::string full = FixPath(path, true);
  // Settings written on another system may use "\"; on this one only "/" separates.
  for (char& c : full) {
    if (c == '\\') c = '/';
  }

  // Every prefix that ends at a separator and is not yet a directory, outermost first. The root
  // and empty components ("a//b") are skipped.
  std::vector<std::string> missing;
  const size_t root = (!full.empty() && full[0] == '/') ? 1 : 0;
  for (size_t i = root; i < full.size(); ++i) {
    if (full[i] != '/' || i == 0 || IsSeparator(full[i - 1])) continue;
    std::string prefix = full.substr(0, i + 1);
    if (!DirectoryExists(prefix)) missing.push_back(std::move(prefix));
  }

  std::vector<std::string> created;
  for (const auto& dir : missing) {
    if (!Files().CreateDirectory(dir, nullptr)) {
      // The directories made here were empty when made; take them away innermost first.
      for (auto it = created.rbegin(); it != created.rend(); ++it) Files().Remove(*it, nullptr);
      WarnCreateFailed(ui, full);
      return false;
    }
    created.push_back(dir);
  }
  if (made) *made = std::move(created);
  return true;
}

bool DeleteFileAsked(Interaction& ui, const std::string& filename, bool overwriting) {
  try {
    if (!FileExists(filename)) {
      ui.Warn(kMissingFileWarning + filename);
      return true;
    }
    if (IsReadOnly(filename)) {
      if (!ui.AskYesNo(ReadOnlyDeleteQuestion(filename))) {
        return false;
      }
      if (!Files().MakeWritable(filename, nullptr)) {
        ui.Warn("Error encountered resetting the read-only tag on the file, " + filename);
        return false;
      }
    }
    if (!Files().Remove(filename, nullptr)) {
      ui.Warn(std::string("Parvel Pro encountered an error ") +
              (overwriting ? "overwriting" : "deleting or overwriting") + " the file, " + filename);
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    ui.Log("Deleting " + filename + ": " + e.what());
    ui.Warn("Error during deletion");
    return false;
  }
}

bool DeleteDirectoryAsked(Interaction& ui, const std::string& directory) {
  if (directory.size() < 4) return false;
  // "/./" or "/tmp/.." are long enough but still name the root; never hand that on.
  std::error_code ec;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(directory, ec);
  if (!IsSymbolicLink(directory) && !ec && resolved == resolved.root_path()) return false;
  return TrashPaths(ui, {directory}, [](const std::string&) {
    return std::string(
        "Cannot remove directory, it may be not be empty or it may be marked read-only.");
  });
}

std::string WithoutTrailingSeparator(std::string path) {
  while (path.size() > 1 && IsSeparator(path.back())) path.pop_back();
  return path;
}

bool IsSymbolicLink(const std::string& path) {
  std::error_code ec;
  return fs::is_symlink(fs::symlink_status(WithoutTrailingSeparator(path), ec));
}

namespace {

// The question before deleting for good what the Trash cannot take: the first ten paths and how
// many more.
std::string DeleteForGoodQuestion(const std::vector<std::string>& paths) {
  constexpr size_t kNamed = 10;
  if (paths.size() == 1) {
    return "There is no Trash on the file system of " + paths.front() +
           ", so it cannot be moved there.  Delete it for good?  It cannot be restored "
           "afterwards.";
  }
  std::string named;
  for (size_t i = 0; i < paths.size() && i < kNamed; ++i) named += (i ? ", " : "") + paths[i];
  if (paths.size() > kNamed) named += " and " + std::to_string(paths.size() - kNamed) + " more";
  return "There is no Trash on the file system of these " + std::to_string(paths.size()) +
         " files and folders, so they cannot be moved there: " + named +
         ".  Delete them for good?  They cannot be restored afterwards.";
}

// Deletes `path` for good: a link or a file by itself, a directory with what it holds (links
// inside it as links).
bool DeleteForGood(const std::string& path, std::string* error) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(path, ec);
  if (fs::is_directory(status)) {
    // Never the root, however it is spelt.
    const fs::path resolved = fs::weakly_canonical(path, ec);
    if (!ec && resolved == resolved.root_path()) {
      if (error) *error = path + ": is the root directory";
      return false;
    }
    return Files().RemoveAll(path, error);
  }
  return Files().Remove(path, error);
}

}  // namespace

bool TrashPaths(Interaction& ui, const std::vector<std::string>& paths,
                const std::function<std::string(const std::string&)>& failure_text) {
  const auto report = [&](const std::string& path, const std::string& text,
                          const std::string& cause) {
    if (failure_text) {
      ui.Log(cause);
      ui.Warn(failure_text(path));
    } else {
      ui.Warn(text + ": " + cause);
    }
  };
  bool all_gone = true;
  std::vector<std::string> no_trash;
  for (const std::string& given : paths) {
    const std::string path = WithoutTrailingSeparator(given);
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec))) continue;
    std::string error;
    switch (Files().MoveToTrash(path, &error)) {
      case TrashResult::Trashed:
        break;
      case TrashResult::NoTrash:
        no_trash.push_back(path);
        break;
      case TrashResult::Failed:
        report(path, "Could not move " + path + " to the Trash", error);
        all_gone = false;
        break;
    }
  }
  if (no_trash.empty()) return all_gone;
  if (!ui.ConfirmDeleteForGood(DeleteForGoodQuestion(no_trash))) return false;
  for (const std::string& path : no_trash) {
    std::string error;
    if (!DeleteForGood(path, &error)) {
      report(path, "Could not delete " + path, error);
      all_gone = false;
    }
  }
  return all_gone;
}

std::filesystem::path ResolvedFolder(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::weakly_canonical(fs::path(path), ec);
  if (ec) p = fs::path(path).lexically_normal();
  if (!p.has_filename() && p.has_parent_path() && p != p.root_path()) p = p.parent_path();
  return p;
}

std::string WholeDirectoryProblem(const std::string& directory,
                                  const std::vector<KeptFolder>& kept) {
  const fs::path target = ResolvedFolder(directory);
  if (target == target.root_path()) return "is the root directory";
  // What lies inside the directory would go with it.
  const auto holds = [&](const std::string& folder, const std::string& what) -> std::string {
    const fs::path inner = ResolvedFolder(folder);
    if (inner == target) return "is " + what;
    if (Within(inner, target)) return "holds " + what + ", " + folder;
    return std::string();
  };
  for (const std::string& home : HomeDirectories()) {
    if (std::string why = holds(home, "your home directory"); !why.empty()) return why;
  }
  if (std::string why = holds(DataDirectory(), "the data directory"); !why.empty()) return why;
  for (const KeptFolder& folder : kept) {
    if (folder.path.empty()) continue;
    if (std::string why = holds(folder.path, folder.what); !why.empty()) return why;
  }
  return std::string();
}

bool FolderWithin(const std::string& inner, const std::string& outer) {
  return Within(ResolvedFolder(inner), ResolvedFolder(outer));
}

bool CopyFileAsked(Interaction& ui, const std::string& source, const std::string& destination,
                   bool ask) {
  std::error_code ec;
  // Replacing a file by itself would delete the only copy before copying it.
  if (std::filesystem::equivalent(source, destination, ec)) return true;

  const auto failed = [&] {
    ui.Warn(kCopyErrorWarning + source + "!");
    return false;
  };
  if (PathExists(destination)) {
    if (ask && !ui.AskYesNo("A file already exists by the name of " + destination +
                            ".  Are you sure you want to overwrite it?")) {
      return false;
    }
    // A read-only destination that stays read-only cannot be replaced: the copy has failed.
    if (IsReadOnly(destination)) {
      if (!ui.AskYesNo(ReadOnlyDeleteQuestion(destination))) {
        return failed();
      }
      if (!Files().MakeWritable(destination, nullptr)) {
        ui.Warn("Error encountered resetting the read-only tag on the file, " + destination);
        return failed();
      }
    }
  }
  // The copy lands beside the destination (a link's target) under a temporary name and replaces
  // it in one step, so the old file stays until the new one is whole.
  if (!Files().ReplaceWithCopy(source, destination, nullptr)) return failed();
  return true;
}

std::string CopyTemporaryName(const std::string& destination) {
  // A write temporary's name, so that a copy stopped half-way is cleared like any other.
  return WriteTemporaryName(destination, ".copy");
}

}  // namespace parvel
