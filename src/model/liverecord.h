// turnwheel's record of what it put live: per site, in the data directory (never in the live
// folder), the live location it filled last and the files and folders it put there. Only what is
// on the record is turnwheel's to replace or remove; everything else in a live folder is left
// where it is.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace parvel {

struct LiveRecord {
  // Where the files went: a live folder's path (links resolved), or an address such as
  // "sftp://host/dir" for a publisher that keeps its record the same way.
  std::string location;
  // Paths relative to the location, "/" between their parts; a folder ends in "/".
  std::set<std::string> entries;
};

// The record's file: "<data directory><site key>.live".
std::string LiveRecordFileName(const std::string& site_key);

// The site's record; nullopt when it has none. A record that cannot be read (or is not one) is
// reported in `error` and also gives nullopt, so that the caller can refuse rather than guess.
std::optional<LiveRecord> ReadLiveRecord(const std::string& site_key, std::string* error);

// Replaces the site's record in one step.
bool WriteLiveRecord(const std::string& site_key, const LiveRecord& record, std::string* error);

}  // namespace parvel
