// The build dialog's image list: the site images a build takes, in the order it takes them,
// which the user may shorten and reorder before pressing Start.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace parvel {

class BuildImageList {
 public:
  // Takes `site_images` in their order without thumbnails ("_THB"), page buttons
  // ("PAGE_BUTTON_") and the names in `excluded` (compared without regard to case).
  void Fill(const std::vector<std::string>& site_images, const std::vector<std::string>& excluded);

  // Removes the entries at the selected indexes (ignoring those out of range).
  void Exclude(const std::set<int>& selected);
  // Moves the entry at `focused` by `step` (-1 up, +1 down), wrapping at both ends, and returns
  // its new index: the new focus. With fewer than 2 entries or no valid focus nothing moves and
  // `focused` comes back.
  int Move(int focused, int step);
  // Exclude and the move buttons are enabled exactly when an entry is selected and the list is
  // not locked.
  bool ActionsEnabled(const std::set<int>& selected) const;

  // While locked (a build reads the list) Exclude and Move change nothing.
  void set_locked(bool locked) { locked_ = locked; }
  const std::vector<std::string>& names() const { return names_; }

 private:
  std::vector<std::string> names_;
  bool locked_ = false;
};

}  // namespace parvel
