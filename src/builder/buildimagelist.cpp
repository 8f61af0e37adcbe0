#include "builder/buildimagelist.h"

#include "base/textutil.h"

namespace parvel {

void BuildImageList::Fill(const std::vector<std::string>& site_images,
                          const std::vector<std::string>& excluded) {
  names_.clear();
  for (const std::string& name : site_images) {
    const std::string upper = UpperAscii(name);
    if (upper.find("_THB") != std::string::npos) continue;
    if (upper.find("PAGE_BUTTON_") != std::string::npos) continue;
    if (ContainsNoCase(excluded, name)) continue;
    names_.push_back(name);
  }
}

void BuildImageList::Exclude(const std::set<int>& selected) {
  if (locked_) return;
  // From the back, so the indexes still to remove keep their meaning.
  for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
    if (*it >= 0 && *it < static_cast<int>(names_.size())) names_.erase(names_.begin() + *it);
  }
}

int BuildImageList::Move(int focused, int step) {
  const int count = static_cast<int>(names_.size());
  if (locked_ || count < 2 || focused < 0 || focused >= count) return focused;
  int target = focused + step;
  if (target < 0) target = count - 1;
  if (target > count - 1) target = 0;
  std::string entry = std::move(names_[focused]);
  names_.erase(names_.begin() + focused);
  names_.insert(names_.begin() + target, std::move(entry));
  return target;
}

bool BuildImageList::ActionsEnabled(const std::set<int>& selected) const {
  return !locked_ && !selected.empty();
}

}  // namespace parvel
