// Written by hand because every write must go through Files() (std::filesystem::copy cannot),
// and because the swap, its undo and keeping the user's files are the point of this unit.
#include "model/livetree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <vector>

#include "platform/filesystem.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;

// The end of the name of a file turnwheel copies in place before renaming it over its target.
constexpr std::string_view kPartSuffix = ".turnwheel-part";

bool Fail(std::string* error, std::string text) {
  if (error) *error = std::move(text);
  return false;
}

// The path without trailing separators, so that parent_path() and filename() name the
// directory itself.
fs::path Bare(const std::string& path) {
  fs::path p = fs::path(path).lexically_normal();
  if (!p.has_filename() && p.has_parent_path() && p != p.root_path()) p = p.parent_path();
  return p;
}

bool Exists(const fs::path& p) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(p, ec));
}

bool MakeParents(const fs::path& dir, std::string* error) {
  std::vector<fs::path> missing;
  for (fs::path p = dir; !p.empty() && !Exists(p); p = p.parent_path()) {
    missing.push_back(p);
    if (p == p.parent_path()) break;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!Files().CreateDirectory(it->string(), error)) return false;
  }
  return true;
}

// Renaming works when the parent can be written to and the live directory is no mount point.
bool CanSwap(const fs::path& live) {
  const fs::path parent = live.parent_path();
  if (parent.empty() || ::access(parent.c_str(), W_OK | X_OK) != 0) return false;
  struct stat parent_st {};
  struct stat live_st {};
  if (::stat(parent.c_str(), &parent_st) != 0) return false;
  if (::lstat(live.c_str(), &live_st) != 0) return errno == ENOENT;
  return S_ISDIR(live_st.st_mode) && live_st.st_dev == parent_st.st_dev;
}

enum class Kind { None, File, Directory, Other };

// What a listed entry is, links to files counting as files.
Kind KindOf(const DirectoryEntry& entry) {
  if (entry.is_link) return entry.is_regular_file ? Kind::File : Kind::Other;
  if (entry.is_directory) return Kind::Directory;
  if (entry.is_regular_file) return Kind::File;
  return Kind::Other;
}

// What a walk does after visiting an entry.
enum class Step { Go, SkipChildren, Stop };

// Walks `root` through Files() listings, each directory before what it holds (links to
// directories not followed), and hands each entry's path, path relative to `root` and kind to
// `visit`; false when `visit` stops or a listing fails.
template <typename Visit>
bool Walk(const fs::path& root, std::string* error, Visit visit, const fs::path& rel = {}) {
  std::vector<DirectoryEntry> entries;
  const fs::path folder = rel.empty() ? root : root / rel;
  if (!Files().ListDirectory(folder.string(), &entries, error)) return false;
  for (const DirectoryEntry& entry : entries) {
    const fs::path entry_rel = rel / entry.name;
    const Kind kind = KindOf(entry);
    const Step step = visit(root / entry_rel, entry_rel, kind);
    if (step == Step::Stop) return false;
    if (step == Step::Go && kind == Kind::Directory && !Walk(root, error, visit, entry_rel)) {
      return false;
    }
  }
  return true;
}

Kind KindAt(const fs::path& p) {
  std::error_code ec;
  const fs::file_status st = fs::symlink_status(p, ec);
  if (ec || !fs::exists(st)) return Kind::None;
  if (fs::is_symlink(st)) {
    return fs::is_regular_file(fs::status(p, ec)) ? Kind::File : Kind::Other;
  }
  if (fs::is_directory(st)) return Kind::Directory;
  if (fs::is_regular_file(st)) return Kind::File;
  return Kind::Other;
}

// Copies one file over `dest` in one step: a part file beside it, then a rename.
bool ReplaceFile(const fs::path& from, const fs::path& dest, std::string* error) {
  const fs::path part =
      dest.parent_path() / ("." + dest.filename().string() + std::string(kPartSuffix));
  if (Exists(part)) Files().Remove(part.string(), nullptr);
  if (!Files().CopyFile(from.string(), part.string(), error)) return false;
  if (!Files().Rename(part.string(), dest.string(), error)) {
    Files().Remove(part.string(), nullptr);
    return false;
  }
  return true;
}

// The entry's path without the "/" that marks a folder.
std::string PathOf(const std::string& entry) {
  return entry.ends_with('/') ? entry.substr(0, entry.size() - 1) : entry;
}

bool IsFolderEntry(const std::string& entry) {
  return entry.ends_with('/');
}

// Whether two paths name the very same file (a second name of it), links not followed.
bool SameFile(const fs::path& a, const fs::path& b) {
  struct stat st_a {};
  struct stat st_b {};
  return ::lstat(a.c_str(), &st_a) == 0 && ::lstat(b.c_str(), &st_b) == 0 &&
         st_a.st_dev == st_b.st_dev && st_a.st_ino == st_b.st_ino;
}

// Makes the folders of `rel` (a relative path) below `root` that are missing.
bool MakeFoldersBelow(const fs::path& root, const fs::path& rel, std::string* error) {
  fs::path at = root;
  for (const auto& part : rel) {
    at /= part;
    if (KindAt(at) == Kind::Directory) continue;
    if (!Files().CreateDirectory(at.string(), error)) return false;
  }
  return true;
}

// Clears a leftover tree: what `ours` names or `live` holds as the same file goes with it; any
// other entry is the user's and is put back into `live` first.
bool ClearLeftover(const fs::path& tree, const fs::path& live, const std::set<std::string>& ours,
                   std::string* error) {
  std::vector<std::string> entries;
  if (!ListEntries(tree.string(), &entries, error)) return false;
  for (const std::string& entry : entries) {
    if (ours.contains(entry)) continue;
    const fs::path rel = PathOf(entry);
    const fs::path from = tree / rel;
    const fs::path to = live / rel;
    if (IsFolderEntry(entry)) {
      if (KindAt(to) == Kind::Directory) continue;
    } else if (SameFile(from, to)) {
      continue;
    }
    if (Exists(to)) {
      return Fail(error, from.string() + " is not turnwheel's and " + to.string() +
                             " is in its way; move it back by hand");
    }
    if (!MakeFoldersBelow(live, rel.parent_path(), error)) return false;
    if (IsFolderEntry(entry) ? !Files().CreateDirectory(to.string(), error)
                             : !Files().Rename(from.string(), to.string(), error)) {
      return false;
    }
  }
  return Files().RemoveAll(tree.string(), error);
}

// Gives the folder `to` the permission bits of the folder `from`, when there is one.
void KeepPermissions(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(from, ec);
  if (!ec && fs::is_directory(status)) fs::permissions(to, status.permissions(), ec);
}

// The staging tree: a copy of `files`, then a second name of each of the user's files (and their
// folders), in the order of their paths so that a folder comes before what it holds.
bool MakeStaging(const std::vector<LiveFile>& files, const fs::path& live,
                 const LiveContents& contents, const fs::path& staging, std::string* error) {
  if (!Files().CreateDirectory(staging.string(), error)) return false;
  for (const LiveFile& file : files) {
    const std::string to = (staging / file.path).string();
    if (file.IsFolder() ? !Files().CreateDirectory(to, error)
                        : !Files().CopyFile(file.source, to, error)) {
      return false;
    }
  }
  for (const std::string& entry : contents.user) {
    const fs::path rel = PathOf(entry);
    if (!MakeFoldersBelow(staging, IsFolderEntry(entry) ? rel : rel.parent_path(), error)) {
      return false;
    }
    if (!IsFolderEntry(entry) &&
        !Files().Link((live / rel).string(), (staging / rel).string(), error)) {
      return false;
    }
  }
  // The live folder and the user's folders keep their permissions (a private folder stays
  // private); they are made anew, so this is all that is theirs to keep.
  KeepPermissions(live, staging);
  for (const std::string& entry : contents.user) {
    if (IsFolderEntry(entry)) KeepPermissions(live / PathOf(entry), staging / PathOf(entry));
  }
  return true;
}

bool PutLiveBySwap(const std::vector<LiveFile>& files, const fs::path& target,
                   const LiveContents& contents, const std::set<std::string>& ours,
                   std::string* error) {
  const fs::path staging = LiveStagingName(target.string());
  if (!MakeStaging(files, target, contents, staging, error)) {
    Files().RemoveAll(staging.string(), nullptr);
    return false;
  }
  if (!Exists(target)) {
    if (Files().Rename(staging.string(), target.string(), error)) return true;
    Files().RemoveAll(staging.string(), nullptr);
    return false;
  }
  // One swap, so that a reader finds the old tree or the new one and never no tree at all.
  if (!Files().Exchange(staging.string(), target.string(), error)) {
    Files().RemoveAll(staging.string(), nullptr);
    return false;
  }
  // The new tree is live; the previous one, now under the staging name, goes, and with it only
  // turnwheel's files and second names of the user's (a file the user made meanwhile is put
  // back). Should that fail, the next run clears it.
  ClearLeftover(staging, target, ours, nullptr);
  return true;
}

}  // namespace

bool IsProgramTemporaryName(std::string_view name) {
  const auto dotted_with = [&](std::string_view suffix) {
    return name.size() > suffix.size() + 1 && name.front() == '.' && name.ends_with(suffix);
  };
  return IsWriteTemporaryName(name) || dotted_with(kPartSuffix) || dotted_with(".turnwheel-new") ||
         dotted_with(".turnwheel-old") || dotted_with(".exchange") || name == "~prev.htm" ||
         name == "~cche.idx";
}

bool RotationLiveFiles(const std::string& rotation_dir, const LiveSelection& selection,
                       std::vector<LiveFile>* files, std::string* error) {
  std::set<fs::path> left_out;
  for (const auto& folder : selection.left_out_folders) {
    std::error_code ec;
    const fs::path resolved = fs::weakly_canonical(Bare(folder), ec);
    if (!ec) left_out.insert(resolved);
  }
  std::vector<LiveFile> found;
  const bool listed =
      Walk(Bare(rotation_dir), error, [&](const fs::path& path, const fs::path& rel, Kind kind) {
        if (IsProgramTemporaryName(rel.filename().string())) return Step::SkipChildren;
        if (kind == Kind::Directory) {
          std::error_code ec;
          if (left_out.contains(fs::weakly_canonical(path, ec))) return Step::SkipChildren;
          found.push_back({rel.generic_string(), std::string()});
        } else if (kind == Kind::File && !selection.left_out_files.contains(rel.generic_string())) {
          found.push_back({rel.generic_string(), path.string()});
        }
        return Step::Go;
      });
  if (!listed) return false;
  std::ranges::sort(found, {}, &LiveFile::path);
  *files = std::move(found);
  return true;
}

bool ListEntries(const std::string& dir, std::vector<std::string>* entries, std::string* error) {
  entries->clear();
  return Walk(Bare(dir), error, [&](const fs::path&, const fs::path& rel, Kind kind) {
    entries->push_back(rel.generic_string() + (kind == Kind::Directory ? "/" : ""));
    return Step::Go;
  });
}

bool ReadLiveContents(const std::string& live, const OwnedTest& is_owned, LiveContents* contents,
                      std::string* error) {
  *contents = LiveContents();
  if (KindAt(Bare(live)) == Kind::None) return true;
  return Walk(Bare(live), error, [&](const fs::path& path, const fs::path& rel, Kind kind) {
    const std::string entry = rel.generic_string() + (kind == Kind::Directory ? "/" : "");
    const bool part = kind == Kind::File && rel.filename().string().ends_with(kPartSuffix);
    const bool owned =
        (kind == Kind::File || kind == Kind::Directory) && (part || is_owned(entry, path.string()));
    (owned ? contents->owned : contents->user).insert(entry);
    return Step::Go;
  });
}

std::vector<std::string> LiveCollisions(const std::vector<LiveFile>& files,
                                        const LiveContents& contents) {
  std::set<std::string> hit;
  for (const LiveFile& file : files) {
    // The same path, unless both are folders.
    if (!file.IsFolder() || contents.user.contains(file.path)) {
      for (const std::string& entry : {file.path, file.path + "/"}) {
        if (contents.user.contains(entry)) hit.insert(PathOf(entry));
      }
    }
    if (file.IsFolder()) continue;
    // Anything of the user's below a file of the copy.
    const std::string below = file.path + "/";
    for (auto it = contents.user.lower_bound(below);
         it != contents.user.end() && it->starts_with(below); ++it) {
      hit.insert(PathOf(*it));
    }
  }
  return {hit.begin(), hit.end()};
}

std::set<std::string> OriginalsLeftOut(const std::string& rotation_dir, int web_image_size) {
  std::set<std::string> left_out;
  if (web_image_size <= 0) return left_out;
  std::vector<DirectoryEntry> entries;
  if (!Files().ListDirectory(Bare(rotation_dir).string(), &entries, nullptr)) return left_out;
  for (const DirectoryEntry& entry : entries) {
    if (!entry.is_regular_file) continue;
    const fs::path name(entry.name);
    std::string extension = name.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension != ".jpg" && extension != ".jpeg" && extension != ".jpe") continue;
    // The same name rule as the build's copies: the name less its extension, then ".jpg".
    const fs::path copy = Bare(rotation_dir) / "web" / (name.stem().string() + ".jpg");
    if (KindAt(copy) == Kind::File) left_out.insert(entry.name);
  }
  return left_out;
}

std::string LiveStagingName(const std::string& live) {
  const fs::path p = Bare(live);
  return (p.parent_path() / ("." + p.filename().string() + ".turnwheel-new")).string();
}

std::string LiveRetiredName(const std::string& live) {
  const fs::path p = Bare(live);
  return (p.parent_path() / ("." + p.filename().string() + ".turnwheel-old")).string();
}

bool RepairLive(const std::string& live, const std::set<std::string>& ours, std::string* error) {
  const fs::path target = Bare(live);
  const std::string parked = ExchangeTemporaryName(target.string());
  const std::string retired = LiveRetiredName(target.string());
  // Left over from a run that was stopped between two renames: the old site goes back first,
  // so that it is whole again should this run fail too.
  if (!Exists(target) && Exists(parked)) Files().Rename(parked, target.string(), nullptr);
  if (!Exists(target) && Exists(retired)) Files().Rename(retired, target.string(), nullptr);
  for (const std::string& leftover : {LiveStagingName(target.string()), retired, parked}) {
    if (Exists(leftover) && !ClearLeftover(leftover, target, ours, error)) return false;
  }
  return true;
}

bool PutLiveInPlace(const std::vector<LiveFile>& files, const std::string& live,
                    const LiveContents& contents, std::string* error) {
  const fs::path target = Bare(live);
  if (KindAt(target) != Kind::Directory && !Files().CreateDirectory(target.string(), error)) {
    return false;
  }
  // Folders before their contents (the copy's order), each file replaced in one step. What is in
  // the way is turnwheel's (the caller made sure that no user entry is).
  std::set<std::string> wanted;
  for (const LiveFile& file : files) {
    wanted.insert(file.EntryName());
    const fs::path dest = target / file.path;
    const Kind there = KindAt(dest);
    if (file.IsFolder()) {
      if (there == Kind::Directory) continue;
      if (there != Kind::None && !Files().Remove(dest.string(), error)) return false;
      if (!Files().CreateDirectory(dest.string(), error)) return false;
      continue;
    }
    if (there == Kind::Directory && !Files().RemoveAll(dest.string(), error)) return false;
    if (!ReplaceFile(file.source, dest, error)) return false;
  }
  // Then turnwheel's entries the copy does not hold go, deepest first; a folder only once empty
  // (a user's file in it keeps it).
  for (auto it = contents.owned.rbegin(); it != contents.owned.rend(); ++it) {
    const std::string rel = PathOf(*it);
    // The copy put something of its own at that path (a folder where a file was, or the reverse).
    if (wanted.contains(rel) || wanted.contains(rel + "/")) continue;
    const fs::path path = target / rel;
    const Kind there = KindAt(path);
    std::error_code ec;
    if (IsFolderEntry(*it) ? there != Kind::Directory || !fs::is_empty(path, ec)
                           : there == Kind::None || there == Kind::Directory) {
      continue;
    }
    if (!Files().Remove(path.string(), error)) return false;
  }
  return true;
}

bool PutLive(const std::vector<LiveFile>& files, const std::string& live,
             const LiveContents& contents, const std::set<std::string>& ours, std::string* error) {
  if (!fs::path(live).is_absolute()) return Fail(error, live + ": not an absolute path");
  // A live directory that is a link is replaced where it points, so the link stays.
  std::error_code ec;
  fs::path target = fs::weakly_canonical(Bare(live), ec);
  if (ec) target = Bare(live);
  target = Bare(target.string());
  if (target == target.root_path()) return Fail(error, live + ": the root cannot be the live site");
  const Kind there = KindAt(target);
  if (there != Kind::None && there != Kind::Directory) {
    return Fail(error, target.string() + ": not a directory");
  }
  if (!MakeParents(target.parent_path(), error)) return false;
  return CanSwap(target) ? PutLiveBySwap(files, target, contents, ours, error)
                         : PutLiveInPlace(files, target.string(), contents, error);
}

}  // namespace parvel
