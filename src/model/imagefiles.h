// The image files of a site or rotation directory as the site editor lists them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace parvel {

// True when a bare file name matches "*.gif;*.jpe;*.jpg" (letter case ignored), each mask's
// extension taking any extension (after the last ".") that begins with it: "a.jpeg" matches.
bool IsSiteImageName(std::string_view name);

// The bare names of the regular files in `dir` that are site images, sorted by name without
// regard to case (ties in byte order). Empty when the directory cannot be read.
std::vector<std::string> ListSiteImages(const std::string& dir);

// Sorts names without regard to ASCII case (lower-case folding), ties in byte order.
void SortNamesNoCase(std::vector<std::string>& names);

}  // namespace parvel
