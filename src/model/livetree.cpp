// Written by hand because every write must go through Files() (std::filesystem::copy cannot),
// and because the swap and its undo are the point of this unit.
#include "model/livetree.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "platform/filesystem.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;

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

// Step::Go, or Step::Stop when `ok` is false.
Step GoOn(bool ok) {
  return ok ? Step::Go : Step::Stop;
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
  const fs::path part = dest.parent_path() / ("." + dest.filename().string() + ".turnwheel-part");
  if (Exists(part)) Files().Remove(part.string(), nullptr);
  if (!Files().CopyFile(from.string(), part.string(), error)) return false;
  if (!Files().Rename(part.string(), dest.string(), error)) {
    Files().Remove(part.string(), nullptr);
    return false;
  }
  return true;
}

// What CopyTree copies from `root`, by relative path: the file to read, or an empty path for a
// directory. With `strict`, an entry CopyTree would leave out makes the result false instead.
bool CopiedEntries(const fs::path& root, bool strict, std::map<fs::path, fs::path>* entries) {
  return Walk(root, nullptr, [&](const fs::path& path, const fs::path& rel, Kind kind) {
    switch (kind) {
      case Kind::Directory:
        (*entries)[rel] = fs::path();
        return Step::Go;
      case Kind::File:
        (*entries)[rel] = path;
        return Step::Go;
      default:
        return GoOn(!strict);
    }
  });
}

bool SameBytes(const fs::path& a, const fs::path& b) {
  std::error_code ec_a;
  std::error_code ec_b;
  if (fs::file_size(a, ec_a) != fs::file_size(b, ec_b) || ec_a || ec_b) return false;
  std::ifstream in_a(a, std::ios::binary);
  std::ifstream in_b(b, std::ios::binary);
  std::array<char, 1 << 16> buf_a{};
  std::array<char, 1 << 16> buf_b{};
  while (in_a && in_b) {
    in_a.read(buf_a.data(), buf_a.size());
    in_b.read(buf_b.data(), buf_b.size());
    if (in_a.gcount() != in_b.gcount() ||
        !std::equal(buf_a.begin(), buf_a.begin() + in_a.gcount(), buf_b.begin())) {
      return false;
    }
  }
  return in_a.eof() && in_b.eof();
}

}  // namespace

bool HoldsCopyOf(const std::string& copy, const std::string& source) {
  std::map<fs::path, fs::path> copied;
  std::map<fs::path, fs::path> wanted;
  if (!CopiedEntries(Bare(copy), true, &copied) || !CopiedEntries(Bare(source), false, &wanted) ||
      copied.size() != wanted.size()) {
    return false;
  }
  for (auto c = copied.begin(), w = wanted.begin(); c != copied.end(); ++c, ++w) {
    if (c->first != w->first || c->second.empty() != w->second.empty()) return false;
    if (!c->second.empty() && !SameBytes(c->second, w->second)) return false;
  }
  return true;
}

LeftOut OriginalsLeftOut(const std::string& rotation_dir, int web_image_size) {
  LeftOut left_out;
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

bool CopyTree(const std::string& source, const std::string& target, std::string* error,
              const LeftOut& left_out) {
  const fs::path to = Bare(target);
  if (!Files().CreateDirectory(to.string(), error)) return false;
  return Walk(Bare(source), error, [&](const fs::path& path, const fs::path& rel, Kind kind) {
    if (kind == Kind::File && left_out.contains(rel.generic_string())) return Step::Go;
    switch (kind) {
      case Kind::Directory:
        return GoOn(Files().CreateDirectory((to / rel).string(), error));
      case Kind::File:
        return GoOn(Files().CopyFile(path.string(), (to / rel).string(), error));
      default:
        return Step::Go;  // sockets, pipes, links to directories or to nothing
    }
  });
}

bool ReplaceTreeBySwap(const std::string& source, const std::string& live, std::string* error,
                       const LeftOut& left_out) {
  const std::string target = Bare(live).string();
  const std::string staging = LiveStagingName(live);
  const std::string retired = LiveRetiredName(live);
  const std::string parked = ExchangeTemporaryName(target);
  // Left over from a run that was stopped between two renames: the old site goes back first,
  // so that it is whole again should this run fail too.
  if (!Exists(target) && Exists(parked)) Files().Rename(parked, target, nullptr);
  if (!Exists(target) && Exists(retired)) Files().Rename(retired, target, nullptr);
  // Left over from a run that was stopped: ours to clear.
  for (const std::string& leftover : {staging, retired, parked}) {
    if (Exists(leftover) && !Files().RemoveAll(leftover, error)) return false;
  }

  if (!CopyTree(source, staging, error, left_out)) {
    Files().RemoveAll(staging, nullptr);
    return false;
  }
  if (!Exists(target)) {
    if (Files().Rename(staging, target, error)) return true;
    Files().RemoveAll(staging, nullptr);
    return false;
  }
  // One swap, so that a reader finds the old tree or the new one and never no tree at all.
  if (!Files().Exchange(staging, target, error)) {
    Files().RemoveAll(staging, nullptr);
    return false;
  }
  // The new tree is live; the previous one, now under the staging name, goes. Should that fail,
  // the next run clears it.
  Files().RemoveAll(staging, nullptr);
  return true;
}

bool ReplaceTreeInPlace(const std::string& source, const std::string& live, std::string* error,
                        const LeftOut& left_out) {
  const fs::path from = Bare(source);
  const fs::path to = Bare(live);
  if (KindAt(to) != Kind::Directory && !Files().CreateDirectory(to.string(), error)) return false;

  // Directories before their contents (the walk's order), each file replaced in one step.
  const bool copied = Walk(from, error, [&](const fs::path& path, const fs::path& rel, Kind kind) {
    const fs::path dest = to / rel;
    const Kind there = KindAt(dest);
    if (kind == Kind::File && left_out.contains(rel.generic_string())) return Step::Go;
    switch (kind) {
      case Kind::Directory:
        if (there == Kind::Directory) return Step::Go;
        if (there != Kind::None && !Files().Remove(dest.string(), error)) return Step::Stop;
        return GoOn(Files().CreateDirectory(dest.string(), error));
      case Kind::File:
        if (there == Kind::Directory && !Files().RemoveAll(dest.string(), error)) {
          return Step::Stop;
        }
        return GoOn(ReplaceFile(path, dest, error));
      default:
        return Step::Go;
    }
  });
  if (!copied) return false;

  // Then whatever the source does not hold goes, after the walk so that it is not disturbed.
  std::vector<fs::path> extra;
  const bool listed = Walk(to, error, [&](const fs::path& path, const fs::path& rel, Kind) {
    const Kind wanted = KindAt(from / rel);
    if (wanted == Kind::None || wanted != KindAt(path) ||
        (wanted == Kind::File && left_out.contains(rel.generic_string()))) {
      extra.push_back(path);
      return Step::SkipChildren;
    }
    return Step::Go;
  });
  if (!listed) return false;
  for (const auto& p : extra) {
    if (!Files().RemoveAll(p.string(), error)) return false;
  }
  return true;
}

bool PutLive(const std::string& source, const std::string& live, std::string* error,
             const LeftOut& left_out) {
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
  return CanSwap(target) ? ReplaceTreeBySwap(source, target.string(), error, left_out)
                         : ReplaceTreeInPlace(source, target.string(), error, left_out);
}

}  // namespace parvel
