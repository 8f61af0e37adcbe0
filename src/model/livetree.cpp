// Written by hand because every write must go through Files() (std::filesystem::copy cannot),
// and because the swap and its undo are the point of this unit.
#include "model/livetree.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
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

// Walks `root` (directory links not followed) and hands each entry with its relative path to
// `visit`; false at the first entry it refuses or when the walk fails.
template <typename Visit>
bool Walk(const fs::path& root, std::string* error, Visit visit) {
  std::error_code ec;
  fs::recursive_directory_iterator it(root, ec);
  for (const fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
    if (!visit(it, it->path().lexically_relative(root))) return false;
  }
  if (ec) return Fail(error, root.string() + ": " + ec.message());
  return true;
}

enum class Kind { None, File, Directory, Other };

// What a walked entry is, links to files counting as files.
Kind KindOf(const fs::directory_entry& entry) {
  std::error_code ec;
  if (entry.is_symlink(ec)) {
    return fs::is_regular_file(fs::status(entry.path(), ec)) ? Kind::File : Kind::Other;
  }
  if (entry.is_directory(ec)) return Kind::Directory;
  if (entry.is_regular_file(ec)) return Kind::File;
  return Kind::Other;
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
  return Walk(root, nullptr, [&](fs::recursive_directory_iterator& it, const fs::path& rel) {
    switch (KindOf(*it)) {
      case Kind::Directory:
        (*entries)[rel] = fs::path();
        return true;
      case Kind::File:
        (*entries)[rel] = it->path();
        return true;
      default:
        return !strict;
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

std::string LiveStagingName(const std::string& live) {
  const fs::path p = Bare(live);
  return (p.parent_path() / ("." + p.filename().string() + ".turnwheel-new")).string();
}

std::string LiveRetiredName(const std::string& live) {
  const fs::path p = Bare(live);
  return (p.parent_path() / ("." + p.filename().string() + ".turnwheel-old")).string();
}

bool CopyTree(const std::string& source, const std::string& target, std::string* error) {
  const fs::path to = Bare(target);
  if (!Files().CreateDirectory(to.string(), error)) return false;
  return Walk(Bare(source), error, [&](fs::recursive_directory_iterator& it, const fs::path& rel) {
    switch (KindOf(*it)) {
      case Kind::Directory:
        return Files().CreateDirectory((to / rel).string(), error);
      case Kind::File:
        return Files().CopyFile(it->path().string(), (to / rel).string(), error);
      default:
        return true;  // sockets, pipes, links to directories or to nothing
    }
  });
}

bool ReplaceTreeBySwap(const std::string& source, const std::string& live, std::string* error) {
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

  if (!CopyTree(source, staging, error)) {
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

bool ReplaceTreeInPlace(const std::string& source, const std::string& live, std::string* error) {
  const fs::path from = Bare(source);
  const fs::path to = Bare(live);
  if (KindAt(to) != Kind::Directory && !Files().CreateDirectory(to.string(), error)) return false;

  // Directories before their contents (the walk's order), each file replaced in one step.
  const bool copied =
      Walk(from, error, [&](fs::recursive_directory_iterator& it, const fs::path& rel) {
        const fs::path dest = to / rel;
        const Kind there = KindAt(dest);
        switch (KindOf(*it)) {
          case Kind::Directory:
            if (there == Kind::Directory) return true;
            if (there != Kind::None && !Files().Remove(dest.string(), error)) return false;
            return Files().CreateDirectory(dest.string(), error);
          case Kind::File:
            if (there == Kind::Directory && !Files().RemoveAll(dest.string(), error)) return false;
            return ReplaceFile(it->path(), dest, error);
          default:
            return true;
        }
      });
  if (!copied) return false;

  // Then whatever the source does not hold goes, after the walk so that it is not disturbed.
  std::vector<fs::path> extra;
  const bool listed =
      Walk(to, error, [&](fs::recursive_directory_iterator& it, const fs::path& rel) {
        const Kind wanted = KindAt(from / rel);
        if (wanted == Kind::None || wanted != KindAt(it->path())) {
          extra.push_back(it->path());
          it.disable_recursion_pending();
        }
        return true;
      });
  if (!listed) return false;
  for (const auto& p : extra) {
    if (!Files().RemoveAll(p.string(), error)) return false;
  }
  return true;
}

bool PutLive(const std::string& source, const std::string& live, std::string* error) {
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
  return CanSwap(target) ? ReplaceTreeBySwap(source, target.string(), error)
                         : ReplaceTreeInPlace(source, target.string(), error);
}

}  // namespace parvel
