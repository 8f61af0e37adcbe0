// The image list of a rotation directory as the site editor and the add-images dialog show it: its
// names and count, the rule that a listed rotation counts as changed, and the Delete key's
// questions and deletions. The window only shows what this holds.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "model/sitesettings.h"
#include "platform/interaction.h"

namespace parvel {

class FolderImageList {
 public:
  // Shows `dir` (as typed: a trailing separator is added where needed) and re-reads it. A
  // directory that cannot be entered gives the warning "Error encountered changing to the
  // directory, DIR!" and an empty list.
  void SetDirectory(Interaction& ui, const std::string& dir);
  // Re-reads the directory it shows; no warning.
  void Refresh();

  const std::string& directory() const { return directory_; }
  const std::vector<std::string>& names() const { return names_; }
  // "N Images", shown under the list.
  std::string count_text() const;

  // The Delete key with the entries at `selected`: one file asks by name, several ask once with
  // their number (under the busy cursor), No being the default; on Yes they go to the Trash
  // (TrashPaths) from the last list position to the first, a read-only file only after a second
  // Yes. The list is re-read afterwards, also after No. True when anything was asked.
  bool DeleteSelected(Interaction& ui, const std::set<int>& selected);

 private:
  void TrashFiles(Interaction& ui, const std::vector<std::string>& names) const;

  std::string directory_;
  std::vector<std::string> names_;
};

// What the site editor's list does after every re-read and every change of its selection: a
// loaded rotation whose Status is 0 (created empty) now counts as changed (1). A built rotation
// keeps 2; without a loaded rotation nothing changes. True when Status changed.
bool MarkRotationListed(SiteSettings& settings);

}  // namespace parvel
