// What a build will write, known before it writes anything, so that it can ask once about files
// it did not make. Every file a build writes into the site folder is planned here first, and told
// to the build's record as it is written (BuildState::Produced). A new kind of output joins the
// plan (BuildState::PlanWrites) and reports its writes; a folder the program owns whole (the
// thumbnail folder) is planned with AddOwnFolder and kept off the record.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "model/buildrecord.h"

namespace parvel {

struct PlannedFile {
  std::string path;
  // Whether the existing file at `path` may be replaced though it is not on the record: it holds
  // what the build would write there already, or carries the program's mark. Asked only for an
  // existing file that is neither on the record nor in an own folder, at most once. Unset: no.
  std::function<bool()> replaceable;
};

class WritePlan {
 public:
  // The plan of a build of `folder` (the site directory, ending in "/").
  explicit WritePlan(std::string folder) : folder_(std::move(folder)) {}

  // A folder (ending in "/") whose files are all the program's: never asked about, never recorded.
  void AddOwnFolder(std::string folder) { own_folders_.push_back(std::move(folder)); }
  // A file the build may write. A path planned twice keeps its first entry.
  void Add(std::string path, std::function<bool()> replaceable = {});

  // Inside one of the own folders.
  bool Owned(const std::string& path) const;

  // The planned files that exist now and are neither in an own folder, nor on `record`, nor
  // replaceable: what the build must ask about. In plan order.
  std::vector<std::string> Conflicts(const BuildRecord& record) const;

  const std::string& folder() const { return folder_; }
  const std::vector<PlannedFile>& files() const { return files_; }

 private:
  std::string folder_;
  std::vector<std::string> own_folders_;
  std::vector<PlannedFile> files_;
  std::unordered_set<std::string> paths_;
};

// "The build would replace these files that it did not make: a, b.  Replace them?", the names
// relative to `folder` (NameList).
std::string ReplaceQuestion(const std::vector<std::string>& paths, std::string_view folder);

// The first ten of `names` joined with ", ", followed by " and N more" when there are more.
std::string NameList(const std::vector<std::string>& names);

}  // namespace parvel
