// The record of the files the program's builds wrote into a site folder, kept in the data
// directory (never in the published folder): one file per site and rotation, and one per folder
// for builds without a catalogue entry (parvel-cli quick). A build replaces without asking only
// files on its record (or files that already hold what it would write); after it, what it wrote
// is on the record.
//
// The file is text, one line each, "\n" ends: the header kBuildRecordHeader, then "folder " and
// the folder it is about (absolute, ending in "/"), then one line per file, its path relative to
// that folder, sorted. In both, "%" is written "%25", a line feed "%0A" and a carriage return
// "%0D". A record about another folder (the rotation was moved) counts as empty.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace parvel {

inline constexpr char kBuildRecordHeader[] = "Parvel build record 1";

// The folder of the data directory that holds the build records (ending in "/").
std::string BuildRecordFolder();
// The record file of rotation `rotation` of the site `site_key` (letter case of the key ignored,
// as the catalogue does).
std::string BuildRecordPath(const std::string& site_key, int rotation);
// The record file of builds of `folder` that have no catalogue entry.
std::string FolderBuildRecordPath(const std::string& folder);
// The record files of every rotation of `site_key` that exist now (for removing a site).
std::vector<std::string> SiteBuildRecordPaths(const std::string& site_key);

// The files of one folder on a record.
class BuildRecord {
 public:
  // The record of `folder` (with or without its trailing "/") kept in `record_file`.
  BuildRecord(std::string record_file, std::string folder);

  // Reads the file; a missing file, another folder's record or an unreadable one reads as
  // empty. False only when the file exists and cannot be read or is not a record (Save then
  // replaces it).
  bool Load();
  // Whether `path` (absolute, inside the folder) is on the record.
  bool Holds(const std::string& path) const;
  // Puts `path` (absolute, inside the folder; others are ignored) on the record.
  void Add(const std::string& path);
  // Leaves out every entry whose file is gone (a name the user may later give a file of their
  // own).
  void DropMissing();

  // Writes the record in one step (making its folder), merged with what the file holds now (a
  // build of the same folder that ran meanwhile), unless that changes nothing: an unchanged
  // record is not written. False, with the reason in `error`, when it cannot be written.
  bool Save(std::string* error);

  const std::string& file() const { return file_; }
  const std::string& folder() const { return folder_; }
  const std::set<std::string>& entries() const { return entries_; }  // relative paths

 private:
  // Reads `file_` into `entries`; false when it exists and is not a readable record.
  bool Read(std::set<std::string>* entries) const;
  // `path` relative to the folder; empty when it lies outside.
  std::string Relative(const std::string& path) const;

  std::string file_;
  std::string folder_;
  std::set<std::string> entries_;
};

}  // namespace parvel
