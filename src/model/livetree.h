// Putting a rotation live: which files make a rotation's live copy, what in a live folder is
// turnwheel's and what is the user's, and the swap that replaces turnwheel's files while the
// user's stay, so that a reader never finds the live folder half copied.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace parvel {

// One entry of a rotation's live copy.
struct LiveFile {
  std::string path;    // relative to the rotation's folder, "/" between its parts
  std::string source;  // the file whose bytes go live (absolute); empty for a folder
  bool IsFolder() const { return source.empty(); }
  // The entry's name on a record of what went live: the path, with "/" after a folder's.
  std::string EntryName() const { return IsFolder() ? path + "/" : path; }
  friend bool operator==(const LiveFile&, const LiveFile&) = default;
};

// What a live copy leaves out besides the program's own temporary files.
struct LiveSelection {
  // Folders left out with everything in them (the site's other rotations), however spelled.
  std::vector<std::string> left_out_folders;
  // Files left out, by path relative to the rotation folder ("/" between parts): the original
  // pictures while the pages show display copies.
  std::set<std::string> left_out_files;
};

// Whether a file name is one the programs give a file only while they make it (a write's
// temporary, a part file or swap name of turnwheel's, the preview and grid cache files).
bool IsProgramTemporaryName(std::string_view file_name);

// The files and folders of the rotation in `rotation_dir` that its live copy holds, sorted by
// path (so each folder comes before what it holds). Links to files count as files; links to
// folders, sockets and pipes, the program's temporary files and the selection's folders are left
// out. False with the reason when a folder cannot be listed.
bool RotationLiveFiles(const std::string& rotation_dir, const LiveSelection& selection,
                       std::vector<LiveFile>* files, std::string* error);

// Every path below `dir`, in record form (a folder's with a "/" after it), each folder before what
// it holds; links to folders are not followed. False when a folder cannot be listed.
bool ListEntries(const std::string& dir, std::vector<std::string>* entries, std::string* error);

// A live folder's entries in record form, split by owner.
struct LiveContents {
  std::set<std::string> owned;  // turnwheel put them there: it may replace or remove them
  std::set<std::string> user;   // everything else: left where it is
};

// Splits what `live` holds (nothing when it is missing): `is_owned(entry, path)` decides for a
// file or folder; anything else (a link to a folder, a pipe) is the user's, and a part file left
// by a stopped run is turnwheel's.
using OwnedTest = std::function<bool(const std::string& entry, const std::string& path)>;
bool ReadLiveContents(const std::string& live, const OwnedTest& is_owned, LiveContents* contents,
                      std::string* error);

// The user's entries that the live copy `files` would land on, sorted: one at the path of a copy's
// entry (a folder on a folder excepted), one below a file of the copy.
std::vector<std::string> LiveCollisions(const std::vector<LiveFile>& files,
                                        const LiveContents& contents);

// The sibling names used beside a live directory "/p/site": "/p/.site.turnwheel-new" (the copy
// being made, and after the swap the previous tree until it is cleared) and
// "/p/.site.turnwheel-old" (the previous tree, left by an earlier version that swapped by renames).
std::string LiveStagingName(const std::string& live);
std::string LiveRetiredName(const std::string& live);

// Repairs what a stopped run left beside `live` (a folder path, links resolved): a live tree parked
// mid-swap goes back first; then the leftover trees are cleared. From a leftover only what `ours`
// names (record form) or what `live` holds as the very same file goes; any other file of the
// user's is put back into `live`, and when its place there is taken the leftover stays and this
// fails, naming it.
bool RepairLive(const std::string& live, const std::set<std::string>& ours, std::string* error);

// The original pictures of the rotation in `rotation_dir` that no page links: with display
// copies on (`web_image_size` above 0), each JPEG picture of the folder whose copy
// web/NAME.jpg is there, by name. Empty with copies off.
std::set<std::string> OriginalsLeftOut(const std::string& rotation_dir, int web_image_size);

// Makes `live` (a folder path, links resolved; missing parents are made) hold `files`, read from
// their sources, in place of the entries `contents` marks as owned, and keeps every user entry
// where it is. The caller has made sure that LiveCollisions is empty and `ours` names every entry
// a stopped run may have left in a staging tree (the record before this run and `files`).
//
// Where the live folder and its parent allow renames, a staging tree gets a copy of `files` and a
// second name of each user file, and is swapped in by Files().Exchange: a reader finds the old
// tree or the new one, and on failure `live` is as it was. Else the files are replaced one by one
// (each in one step) and the owned entries the copy does not hold are removed: a reader may meet a
// mix meanwhile, and a failure can leave one.
bool PutLive(const std::vector<LiveFile>& files, const std::string& live,
             const LiveContents& contents, const std::set<std::string>& ours, std::string* error);

// PutLive's way for a live folder that cannot be renamed (a mount point, or one whose parent
// cannot be written to): files replaced one by one, then the owned entries the copy does not
// hold removed, a folder only once empty.
bool PutLiveInPlace(const std::vector<LiveFile>& files, const std::string& live,
                    const LiveContents& contents, std::string* error);

}  // namespace parvel
