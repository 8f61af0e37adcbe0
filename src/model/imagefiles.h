// The image files of a site or rotation directory as the site editor lists them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace parvel {

// True when a bare file name matches "*.gif;*.jpe;*.jpg" (letter case ignored), each mask's
// extension taking any extension (after the last ".") that begins with it: "a.jpeg" matches.
bool IsSiteImageName(std::string_view name);

// The extensions (lower case, without the dot) of the image format registry's readers and
// writers. The registry lies above this layer; a test of the registry keeps the two alike.
inline constexpr std::string_view kPictureExtensions[] = {
    "bmp", "dib", "rle",  "jpg", "jpeg", "jif",  "png",  "pcx",  "pbm",  "pgm", "ppm",
    "tga", "tif", "tiff", "gif", "ico",  "heic", "heif", "avif", "webp", "wmf", "emf"};

// True when a file name's extension is a picture's: one the site's image list takes
// (IsSiteImageName) or one of kPictureExtensions, letter case ignored.
bool HasPictureExtension(std::string_view name);

// The bare names of the regular files in `dir` whose extension is a picture's
// (HasPictureExtension), in no particular order. Empty when the directory cannot be read.
std::vector<std::string> ListPictureFiles(const std::string& dir);

// The bare names of the regular files in `dir` that are site images, sorted by name without
// regard to case (ties in byte order). Empty when the directory cannot be read.
std::vector<std::string> ListSiteImages(const std::string& dir);

// Sorts names without regard to ASCII case (lower-case folding), ties in byte order.
void SortNamesNoCase(std::vector<std::string>& names);

}  // namespace parvel
