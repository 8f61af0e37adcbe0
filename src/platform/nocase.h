// Finding files without regard to ASCII letter case on a case-sensitive file system: names in
// templates and settings written elsewhere may differ in case from the files on the disk.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace parvel {

// The parts of a relative reference ("/" or "\" between parts) with "." and empty parts dropped
// and ".." applied; nullopt when the reference is absolute (a leading separator or a drive
// letter) or climbs above its starting folder.
std::optional<std::vector<std::string_view>> RelativeParts(std::string_view ref);

// Finds files below a folder, taking an exact match first and otherwise any entry whose name
// differs only in ASCII case. Each directory is listed at most once per resolver, so a template
// with very many references costs one lookup per reference.
class NoCaseResolver {
 public:
  // The regular file `folder` + `parts` (every part but the last a directory); nullopt when
  // there is none or `parts` is empty.
  std::optional<std::string> Find(const std::string& folder,
                                  const std::vector<std::string_view>& parts);

 private:
  using Listing = std::unordered_multimap<std::string, std::string>;  // lower case -> name

  std::optional<std::string> FindEntry(const std::string& dir, std::string_view name,
                                       bool want_directory);
  const Listing& ListingOf(const std::string& dir);

  std::unordered_map<std::string, Listing> listings_;
};

// The regular file `relative` (separated by "/" or "\") below `folder`, matching each part
// without regard to ASCII case when no exact match exists; nullopt when there is no such file.
std::optional<std::string> FindFileNoCase(const std::string& folder, std::string_view relative);

}  // namespace parvel
