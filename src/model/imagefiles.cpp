#include "model/imagefiles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iterator>

#include "base/textutil.h"
#include "platform/filesystem.h"

namespace parvel {

bool IsSiteImageName(std::string_view name) {
  // A three-letter mask extension matches every extension that begins with it, as the masks
  // have always been applied: "*.jpe" takes "photo.jpeg" too. An extension of other than letters
  // and digits is no photograph's: "photo.jpg~" is an editor's backup.
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view extension = name.substr(dot + 1);
  if (extension.size() < 3) return false;
  for (const char ch : extension) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) return false;
  }
  const std::string head = LowerAscii(extension.substr(0, 3));
  return head == "gif" || head == "jpe" || head == "jpg";
}

bool HasPictureExtension(std::string_view name) {
  if (IsSiteImageName(name)) return true;
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string extension = LowerAscii(name.substr(dot + 1));
  return std::find(std::begin(kPictureExtensions), std::end(kPictureExtensions), extension) !=
         std::end(kPictureExtensions);
}

namespace {

// The names of the regular files directly in `dir` that `wanted` takes, in listing order.
std::vector<std::string> ListFiles(const std::string& dir, bool (*wanted)(std::string_view)) {
  std::vector<DirectoryEntry> entries;
  Files().ListDirectory(dir, &entries, nullptr);
  std::vector<std::string> names;
  for (DirectoryEntry& entry : entries) {
    if (entry.is_regular_file && wanted(entry.name)) names.push_back(std::move(entry.name));
  }
  return names;
}

}  // namespace

std::vector<std::string> ListPictureFiles(const std::string& dir) {
  return ListFiles(dir, HasPictureExtension);
}

void SortNamesNoCase(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string la = LowerAscii(a);
    const std::string lb = LowerAscii(b);
    return la != lb ? la < lb : a < b;
  });
}

std::vector<std::string> ListSiteImages(const std::string& dir) {
  std::vector<std::string> names = ListFiles(dir, IsSiteImageName);
  SortNamesNoCase(names);
  return names;
}

}  // namespace parvel
