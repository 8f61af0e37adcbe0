// The program's own records about a site, kept in the data directory beside its settings (what
// turnwheel put live, what the builds wrote, what was published), and the header/footer list
// files the list editor names for a site there. Whoever adds a record about a site names its
// files in SiteRecordPaths, so that deleting the site removes them all.
#pragma once

#include <string>
#include <vector>

namespace parvel {

// The files and folders of the program's records about the site `site_key`, in the data
// directory, whether they exist or not.
std::vector<std::string> SiteRecordPaths(const std::string& site_key);

// Removes `paths` (files, or folders with what they hold; links as links). They are the
// program's own, so they do not go to the Trash. False, with `error` naming the first that stayed
// and why, when one could not be removed; the others are removed all the same.
bool RemoveRecords(const std::vector<std::string>& paths, std::string* error);

// Removes the program's records about the site `site_key` (RemoveRecords of SiteRecordPaths).
bool RemoveSiteRecords(const std::string& site_key, std::string* error);

// Whether `file_name` is one the list editor proposes for the site's header or footer lists: the
// site key, "_Headers" or "_Footers", an optional number and ".txt", letter case ignored
// ("Site_3_Headers.txt", "Site_3_Footers12.txt").
bool IsSiteListFileName(const std::string& file_name, const std::string& site_key);

// The header/footer list files in the data directory named for the site `site_key`, leaving out
// those the settings of another site in `other_keys` name as a list file.
std::vector<std::string> SiteListFiles(const std::string& site_key,
                                       const std::vector<std::string>& other_keys);

}  // namespace parvel
