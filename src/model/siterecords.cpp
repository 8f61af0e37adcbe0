#include "model/siterecords.h"

#include <filesystem>

#include "base/textutil.h"
#include "model/buildrecord.h"
#include "model/filehelpers.h"
#include "model/inifile.h"
#include "model/liverecord.h"
#include "model/paths.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;

// The settings keys that name a header or footer list file.
constexpr const char* kListFileKeys[] = {"Header_File", "Footer_File", "Image_Header_File",
                                         "Image_Footer_File"};

}  // namespace

std::vector<std::string> SiteRecordPaths(const std::string& site_key) {
  // Every record the program keeps about a site is named here, in the data directory. None of
  // the site's settings or lists: those are the user's and go to the Trash with the site.
  std::vector<std::string> paths = SiteBuildRecordPaths(site_key);
  paths.push_back(LiveRecordFileName(site_key));
  return paths;
}

bool RemoveRecords(const std::vector<std::string>& paths, std::string* error) {
  bool all = true;
  for (const std::string& given : paths) {
    const std::string path = WithoutTrailingSeparator(given);
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (!fs::exists(status)) continue;
    std::string why;
    const bool removed =
        fs::is_directory(status) ? Files().RemoveAll(path, &why) : Files().Remove(path, &why);
    if (!removed && all) {
      all = false;
      if (error) *error = why;
    }
  }
  return all;
}

bool RemoveSiteRecords(const std::string& site_key, std::string* error) {
  return RemoveRecords(SiteRecordPaths(site_key), error);
}

bool IsSiteListFileName(const std::string& file_name, const std::string& site_key) {
  if (site_key.empty()) return false;
  for (const char* kind : {"_Headers", "_Footers"}) {
    const std::string stem = site_key + kind;
    if (file_name.size() < stem.size() + 4 || !StartsWithNoCase(file_name, stem)) continue;
    const std::string rest = file_name.substr(stem.size());
    if (!EqualsNoCase(rest.substr(rest.size() - 4), ".txt")) continue;
    const std::string number = rest.substr(0, rest.size() - 4);
    bool digits = true;
    for (const char c : number) digits = digits && c >= '0' && c <= '9';
    if (digits) return true;
  }
  return false;
}

std::vector<std::string> SiteListFiles(const std::string& site_key,
                                       const std::vector<std::string>& other_keys) {
  // What the other sites name as their lists stays: a site may have been given this one's list.
  std::vector<fs::path> kept;
  for (const std::string& key : other_keys) {
    if (EqualsNoCase(key, site_key)) continue;
    IniFile ini(DataDirectory() + key + ".ini");
    if (!ini.Load()) continue;
    for (const std::string& section : ini.Sections()) {
      for (const char* name : kListFileKeys) {
        const std::string value = ExpandPath(ini.GetString(section, name, ""));
        if (!value.empty()) kept.push_back(ResolvedFolder(value));
      }
    }
  }
  std::vector<DirectoryEntry> entries;
  Files().ListDirectory(DataDirectory(), &entries, nullptr);
  std::vector<std::string> files;
  for (const DirectoryEntry& entry : entries) {
    if (entry.is_directory || !IsSiteListFileName(entry.name, site_key)) continue;
    const std::string path = DataDirectory() + entry.name;
    const fs::path resolved = ResolvedFolder(path);
    bool named_elsewhere = false;
    for (const fs::path& other : kept) {
      named_elsewhere = named_elsewhere || EqualsNoCase(other.string(), resolved.string());
    }
    if (!named_elsewhere) files.push_back(path);
  }
  return files;
}

}  // namespace parvel
