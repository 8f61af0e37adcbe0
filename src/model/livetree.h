// Putting a directory tree live: the live directory ends up holding exactly the files and
// sub-directories of a source directory, and a reader never finds it half copied.
#pragma once

#include <string>

namespace parvel {

// The sibling names used beside a live directory "/p/site": "/p/.site.turnwheel-new" (the copy
// being made, and after the swap the previous tree until it is removed) and
// "/p/.site.turnwheel-old" (the previous tree, left by an earlier run that swapped by renames).
std::string LiveStagingName(const std::string& live);
std::string LiveRetiredName(const std::string& live);

// Copies `source` into the new directory `target` (which must not exist), sub-directories
// included. Symbolic links to files are copied as files; links to directories are left out.
bool CopyTree(const std::string& source, const std::string& target, std::string* error);

// True when `copy` holds exactly what CopyTree makes of `source`: the same sub-directories and
// files, each file with the same bytes, and nothing else.
bool HoldsCopyOf(const std::string& copy, const std::string& source);

// Copies `source` beside `live` and swaps the copy in with Files().Exchange, so that `live` always
// holds a whole tree. On failure `live` is as it was and no staging copy is left behind (unless
// removing it failed as well).
bool ReplaceTreeBySwap(const std::string& source, const std::string& live, std::string* error);

// For a live directory that cannot be renamed: replaces its files one by one (each in one step)
// and then removes what the source does not hold. A reader may meet a mix of old and new files
// meanwhile, never a half-written one; a failure can leave such a mix.
bool ReplaceTreeInPlace(const std::string& source, const std::string& live, std::string* error);

// Makes `live` (an absolute path; missing parents are created) hold exactly `source`: by swap
// where the live directory and its parent allow renames, else in place.
bool PutLive(const std::string& source, const std::string& live, std::string* error);

}  // namespace parvel
