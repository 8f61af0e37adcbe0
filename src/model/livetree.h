// Putting a directory tree live: the live directory ends up holding exactly the files and
// sub-directories of a source directory, and a reader never finds it half copied.
#pragma once

#include <set>
#include <string>

namespace parvel {

// The sibling names used beside a live directory "/p/site": "/p/.site.turnwheel-new" (the copy
// being made, and after the swap the previous tree until it is removed) and
// "/p/.site.turnwheel-old" (the previous tree, left by an earlier run that swapped by renames).
std::string LiveStagingName(const std::string& live);
std::string LiveRetiredName(const std::string& live);

// Files of a source tree that its live copy leaves out, by path relative to the source ("/"
// between parts): a rotation's original pictures while its pages show display copies.
using LeftOut = std::set<std::string>;

// The original pictures of the rotation in `rotation_dir` that no page links: with display
// copies on (`web_image_size` above 0), each JPEG picture of the folder whose copy
// web/NAME.jpg is there. Empty with copies off.
LeftOut OriginalsLeftOut(const std::string& rotation_dir, int web_image_size);

// Copies `source` into the new directory `target` (which must not exist), sub-directories
// included, less `left_out`. Symbolic links to files are copied as files; links to directories
// are left out.
bool CopyTree(const std::string& source, const std::string& target, std::string* error,
              const LeftOut& left_out = {});

// True when `copy` holds exactly what CopyTree makes of `source`: the same sub-directories and
// files, each file with the same bytes, and nothing else.
bool HoldsCopyOf(const std::string& copy, const std::string& source);

// Copies `source` beside `live` and swaps the copy in with Files().Exchange, so that `live` always
// holds a whole tree. On failure `live` is as it was and no staging copy is left behind (unless
// removing it failed as well).
bool ReplaceTreeBySwap(const std::string& source, const std::string& live, std::string* error,
                       const LeftOut& left_out = {});

// For a live directory that cannot be renamed: replaces its files one by one (each in one step)
// and then removes what the source does not hold. A reader may meet a mix of old and new files
// meanwhile, never a half-written one; a failure can leave such a mix.
bool ReplaceTreeInPlace(const std::string& source, const std::string& live, std::string* error,
                        const LeftOut& left_out = {});

// Makes `live` (an absolute path; missing parents are created) hold exactly `source` less
// `left_out`: by swap
// where the live directory and its parent allow renames, else in place.
bool PutLive(const std::string& source, const std::string& live, std::string* error,
             const LeftOut& left_out = {});

}  // namespace parvel
