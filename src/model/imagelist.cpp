#include "model/imagelist.h"

#include <filesystem>
#include <optional>

#include "base/textutil.h"
#include "model/filehelpers.h"
#include "model/imagefiles.h"
#include "model/paths.h"
#include "platform/filesystem.h"

namespace parvel {

void FolderImageList::SetDirectory(Interaction& ui, const std::string& dir) {
  directory_ = FixPath(dir, true);
  if (!directory_.empty() && !DirectoryExists(directory_)) {
    ui.Warn("Error encountered changing to the directory, " + dir + "!");
  }
  Refresh();
}

void FolderImageList::Refresh() {
  names_ = directory_.empty() ? std::vector<std::string>{} : ListSiteImages(directory_);
}

std::string FolderImageList::count_text() const {
  return IntToStr(static_cast<std::int64_t>(names_.size())) + " Images";
}

bool FolderImageList::DeleteSelected(Interaction& ui, const std::set<int>& selected) {
  std::vector<std::string> chosen;
  for (const int index : selected) {
    if (index >= 0 && index < static_cast<int>(names_.size())) chosen.push_back(names_[index]);
  }
  if (chosen.empty()) return false;
  bool yes = false;
  {
    // Several files are asked about under the busy cursor, one by its name.
    std::optional<BusyCursor> busy;
    if (chosen.size() > 1) busy.emplace(ui);
    yes = ui.ConfirmDelete(
        chosen.size() == 1 ? kDeleteFileQuestion + chosen.front() + "?"
                           : "Are you sure you want to delete these " +
                                 IntToStr(static_cast<std::int64_t>(chosen.size())) + " files?");
    if (yes) TrashFiles(ui, chosen);
  }
  Refresh();
  return true;
}

void FolderImageList::TrashFiles(Interaction& ui, const std::vector<std::string>& names) const {
  // From the last list position to the first; what is missing or read-only is dealt with first,
  // as a deletion does, and the rest go to the Trash together.
  std::vector<std::string> paths;
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    const std::string path = directory_ + *it;
    if (!FileExists(path) && !IsSymbolicLink(path)) {
      ui.Warn(kMissingFileWarning + path);
    } else if (!IsReadOnly(path) || ui.ConfirmDelete(ReadOnlyDeleteQuestion(path))) {
      paths.push_back(path);
    }
  }
  TrashPaths(ui, paths, [](const std::string& path) {
    return "Error encountered deleting the file, " +
           std::filesystem::path(path).filename().string() + "?";
  });
}

bool MarkRotationListed(SiteSettings& settings) {
  if (settings.current_rotation < 0 || settings.Status != RotationStatus::New) return false;
  settings.Status = RotationStatus::Opened;
  return true;
}

}  // namespace parvel
