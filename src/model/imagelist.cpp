#include "model/imagelist.h"

#include "base/textutil.h"
#include "model/filehelpers.h"
#include "model/imagefiles.h"
#include "model/paths.h"
#include "platform/filesystem.h"

namespace parvel {

void FolderImageList::SetDirectory(Interaction& ui, const std::string& dir) {
  directory_ = fixpath(dir, true);
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
  if (chosen.size() == 1) {
    if (ui.AskYesNo("Are you sure you want to delete the file, " + chosen.front() + "?")) {
      // dodeletefile reports its own failures (a read-only file asks once more there).
      dodeletefile(ui, directory_ + chosen.front(), false);
    }
  } else {
    BusyCursor busy(ui);
    if (ui.AskYesNo("Are you sure you want to delete these " +
                    IntToStr(static_cast<std::int64_t>(chosen.size())) + " files?")) {
      for (auto it = chosen.rbegin(); it != chosen.rend(); ++it) {
        dodeletefile(ui, directory_ + *it, false);
      }
    }
  }
  Refresh();
  return true;
}

bool MarkRotationListed(SiteSettings& settings) {
  if (settings.current_rotation < 0 || settings.Status != RotationStatus::New) return false;
  settings.Status = RotationStatus::Opened;
  return true;
}

}  // namespace parvel
