#include "model/catalogue.h"

#include <filesystem>
#include <set>

#include "base/textutil.h"
#include "model/editsite.h"
#include "model/filehelpers.h"
#include "model/inifile.h"
#include "model/paths.h"
#include "model/siterecords.h"
#include "platform/filelock.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

constexpr char kSites[] = "Sites";
constexpr char kNewSiteName[] = "New Site";
constexpr char kDefaultBaseHTMLName[] = "Index.html";
constexpr int kLastSiteNumber = 90000;
// A count the rotation list also assumes when the key is missing or unreadable.
constexpr std::int32_t kUnknownRotationCount = 10;

// Sets one key in a file and saves it; a key that already holds the value is not written again.
// A file that exists but cannot be read is left alone rather than replaced by a document holding
// only this key.
bool WriteKey(const std::string& file, const char* section, const std::string& key,
              const std::string& value) {
  IniFile ini(file);
  if (!ini.Load()) return false;
  if (ini.Get(section, key) == value) return true;
  ini.Set(section, key, value);
  return ini.Save();
}

// Names in the data directory, lower-cased: file names there match without regard to case.
std::set<std::string> DataDirectoryNamesLower() {
  std::vector<DirectoryEntry> entries;
  Files().ListDirectory(DataDirectory(), &entries, nullptr);
  std::set<std::string> names;
  for (const DirectoryEntry& entry : entries) names.insert(LowerAscii(entry.name));
  return names;
}

}  // namespace

std::string SitesFileName() {
  return DataDirectory() + "sites.ini";
}

std::string SiteSettingsFileName(const std::string& site_key) {
  return DataDirectory() + site_key + ".ini";
}

bool Catalogue::ReadSites() {
  IniFile ini(SitesFileName());
  const bool read = ini.Load();
  keys_ = ini.Keys(kSites);
  selected_ = -1;
  rebuildSiteNameList();
  return read;
}

const std::vector<std::string>& Catalogue::names() {
  if (names_.size() != keys_.size()) rebuildSiteNameList();
  return names_;
}

std::string Catalogue::GenerateNewSiteName() const {
  const std::set<std::string> existing = DataDirectoryNamesLower();
  for (int n = static_cast<int>(keys_.size()) + 1; n <= kLastSiteNumber; ++n) {
    const std::string candidate = "Site_" + IntToStr(n);
    if (existing.count(LowerAscii(candidate + ".ini")) != 0) continue;
    bool listed = false;
    for (const auto& key : keys_) listed = listed || EqualsNoCase(key, candidate);
    if (!listed) return candidate;
  }
  return std::string();
}

bool Catalogue::AddSite(const std::string& site_key) {
  bool ok = WriteKey(SiteSettingsFileName(site_key), kGeneralSection, "Name", kNewSiteName);
  ok = ok && WriteKey(SitesFileName(), kSites, site_key, kNewSiteName);
  keys_.push_back(site_key);
  return ok;
}

void ReadSiteRecord(const IniFile& ini, SiteRecord& site) {
  site.Name = ini.GetString(kGeneralSection, "Name", "Name Error");
  site.Path = FixPath(ExpandPath(ini.GetString(kGeneralSection, "Path", "")), true);
  site.BaseHTMLName = ini.GetString(kGeneralSection, kBaseHTMLNameKey, kDefaultBaseHTMLName);
  site.LivePath = ini.GetString(kGeneralSection, "LivePath", "");
  site.Publish_URL = ini.GetString(kGeneralSection, "Publish_URL", "");
  site.AutoRotate = !site.LivePath.empty() &&
                    UpperAscii(ini.GetString(kGeneralSection, "AutoRotate", "False")) == "TRUE";
  site.CurrentRotationPosition =
      ParseInt(ini.GetString(kGeneralSection, kCurrentRotationPositionKey, "1")).value_or(1);
  const auto count = ini.Get(kGeneralSection, kRotationCountKey);
  const std::int32_t rotations =
      count ? ParseInt(*count).value_or(kUnknownRotationCount) : kUnknownRotationCount;
  site.RotationCount = rotations < 0 ? 0 : rotations;
}

bool Catalogue::LoadSite(const std::string& site_key) {
  site_.SiteKey = site_key;
  IniFile ini(SiteSettingsFileName(site_key));
  ini.Load();  // an unreadable file reads like a missing one
  ReadSiteRecord(ini, site_);
  stored_ = site_;
  return !site_.Path.empty();
}

bool Catalogue::SaveCurrentSite(const std::function<void(IniFile&)>& also) {
  // Without a current site there is no file to write (the key would name ".ini").
  if (site_.SiteKey.empty()) return false;
  // Another program's save must not fall between this read and this write.
  const FileLock lock(DataDirectory());
  if (!lock.held()) return false;
  IniFile ini(SiteSettingsFileName(site_.SiteKey));
  if (!ini.Load()) return false;
  if (also) also(ini);
  SiteRecord disk;
  ReadSiteRecord(ini, disk);
  // A record not read from this file is this program's as a whole.
  const bool all = !EqualsNoCase(stored_.SiteKey, site_.SiteKey);
  SiteRecord merged = site_;
  bool changed = false;
  const auto field = [&](auto SiteRecord::*member, const char* key, const std::string& text) {
    if (all || site_.*member != stored_.*member || !ini.Get(kGeneralSection, key)) {
      ini.Set(kGeneralSection, key, text);
      changed = true;
    } else {
      merged.*member = disk.*member;
    }
  };
  field(&SiteRecord::Name, "Name", site_.Name);
  field(&SiteRecord::Path, "Path", TruncatePath(site_.Path));
  field(&SiteRecord::LivePath, "LivePath", site_.LivePath);
  field(&SiteRecord::AutoRotate, "AutoRotate", site_.AutoRotate ? "True" : "False");
  field(&SiteRecord::CurrentRotationPosition, kCurrentRotationPositionKey,
        IntToStr(site_.CurrentRotationPosition));
  field(&SiteRecord::BaseHTMLName, kBaseHTMLNameKey, site_.BaseHTMLName);
  field(&SiteRecord::RotationCount, kRotationCountKey, IntToStr(site_.RotationCount));
  // Written only for a site that publishes, so that other sites' files stay as they were.
  if (all || site_.Publish_URL != stored_.Publish_URL) {
    if (site_.Publish_URL.empty()) {
      ini.EraseKey(kGeneralSection, "Publish_URL");
    } else {
      ini.Set(kGeneralSection, "Publish_URL", site_.Publish_URL);
    }
    changed = true;
  } else {
    merged.Publish_URL = disk.Publish_URL;
  }
  if ((changed || also) && !ini.Save()) return false;
  site_ = merged;
  stored_ = merged;
  return WriteKey(SitesFileName(), kSites, site_.SiteKey, site_.Name);
}

std::string Catalogue::DeleteProblem(bool use_rotations) const {
  const std::string dir = FixPath(site_.Path, true);
  if (site_.SiteKey.empty() || dir.empty() || !DirectoryExists(dir)) return std::string();
  // A link goes by itself: what it points at stays whole.
  if (IsSymbolicLink(dir)) return std::string();
  const std::string why = WholeDirectoryProblem(
      dir, CatalogueFolders(site_.SiteKey, kLeaveOutWholeSite, use_rotations));
  if (why.empty()) return why;
  return "The site, " + site_.Name + ", was not deleted: its directory, " + dir + ", " + why + ".";
}

bool Catalogue::DeleteCurrentSite(Interaction& ui, bool use_rotations) {
  if (const std::string problem = DeleteProblem(use_rotations); !problem.empty()) {
    ui.Warn(problem);
    return false;
  }
  if (site_.SiteKey.empty()) {
    selected_ = -1;
    return false;
  }
  const std::string key = site_.SiteKey;
  // The directory first: when it cannot go, the site stays listed with its settings, whole.
  const std::string directory = FixPath(site_.Path, true);
  if (!directory.empty() && (DirectoryExists(directory) || IsSymbolicLink(directory)) &&
      !DeleteDirectoryAsked(ui, directory)) {
    return false;
  }
  std::vector<std::string> files{SiteSettingsFileName(key)};
  for (std::string& list : SiteListFiles(key, keys_)) files.push_back(std::move(list));
  if (!TrashPaths(ui, files)) return false;
  std::string error;
  const bool records_removed = RemoveSiteRecords(key, &error);
  if (!records_removed) {
    ui.Warn("The site, " + site_.Name + ", was deleted, but a record the program kept about it " +
            "could not be removed: " + error);
  }
  ForgetCurrentSite();
  return records_removed;
}

void Catalogue::ForgetCurrentSite() {
  if (!site_.SiteKey.empty()) {
    IniFile sites(SitesFileName());
    if (sites.Load() && sites.EraseKey(kSites, site_.SiteKey)) sites.Save();
    if (SelectedIsCurrent()) keys_.erase(keys_.begin() + selected_);
  }
  selected_ = -1;
  rebuildSiteNameList();
}

void Catalogue::rebuildSiteNameList() {
  IniFile ini(SitesFileName());
  ini.Load();
  names_.clear();
  for (const auto& key : keys_) names_.push_back(ini.GetString(kSites, key, "Error: " + key));
}

SelectionStatus Catalogue::ComputeSelectionStatus(bool use_rotations) {
  if (selected_ < 0 || selected_ >= static_cast<int>(keys_.size())) {
    selected_ = -1;
    site_.SiteKey.clear();
  }
  SelectionStatus status;
  if (site_.SiteKey.empty()) return status;
  status.site_name = site_.Name;
  status.location = site_.Path;
  status.rotations = use_rotations ? IntToStr(site_.RotationCount) : "N/A";
  if (site_.AutoRotate && use_rotations) {
    status.auto_rotate = "Yes";
    status.copy_to = site_.LivePath;
    status.next_rotation = IntToStr(site_.CurrentRotationPosition);
  } else {
    status.auto_rotate = "No";
  }
  status.delete_site_enabled = status.site_options_enabled = status.edit_site_enabled = true;
  return status;
}

bool Catalogue::SelectedIsCurrent() const {
  return selected_ >= 0 && selected_ < static_cast<int>(keys_.size()) && !site_.SiteKey.empty() &&
         EqualsNoCase(keys_[selected_], site_.SiteKey);
}

SelectionStatus Catalogue::NewSite(Interaction& ui, bool use_rotations,
                                   const std::function<bool()>& site_options) {
  const std::string key = GenerateNewSiteName();
  if (key.empty() || !AddSite(key)) {
    ui.Warn(
        "Error encountered creating new site!  Ensure you have write access and sufficient disk "
        "space for your data directory, " +
        DataDirectory() + "!");
    // Every key up to the last number is taken: there is no site to go on with.
    if (key.empty()) return ComputeSelectionStatus(use_rotations);
  }
  site_.SiteKey = key;
  site_.Name = kNewSiteName;
  site_.Path = DataDirectory() + key + "/";
  site_.BaseHTMLName = kDefaultBaseHTMLName;
  site_.LivePath.clear();
  site_.Publish_URL.clear();
  site_.AutoRotate = false;
  site_.CurrentRotationPosition = 1;
  site_.RotationCount = 0;
  // What the new settings file holds: the fields set here that it lacks are written by the
  // first save.
  IniFile written(SiteSettingsFileName(key));
  written.Load();
  ReadSiteRecord(written, stored_);
  stored_.SiteKey = key;
  selected_ = static_cast<int>(keys_.size()) - 1;

  // Cancelling takes away only what this flow made: the record and files of the new site, and
  // its default directory when the options made it and it is still empty. A directory of that
  // name that was there before belongs to someone else, and so does any folder the user named
  // (the options take back what they made themselves when their save fails).
  const std::string own_directory = FixPath(site_.Path, false);
  const bool had_directory = PathExists(own_directory);
  if (!site_options()) {
    // The settings file holds only what AddSite wrote a moment ago.
    if (const std::string settings = SiteSettingsFileName(key); FileExists(settings))
      Files().Remove(settings, nullptr);
    ForgetCurrentSite();
    std::error_code ec;
    if (!had_directory &&
        std::filesystem::is_directory(std::filesystem::symlink_status(own_directory, ec))) {
      Files().Remove(own_directory, nullptr);  // fails, and so keeps it, unless it is empty
    }
  }
  return ComputeSelectionStatus(use_rotations);
}

SelectionStatus Catalogue::SelectSite(int index, bool use_rotations) {
  selected_ = (index >= 0 && index < static_cast<int>(keys_.size())) ? index : -1;
  if (selected_ >= 0) LoadSite(keys_[selected_]);
  return ComputeSelectionStatus(use_rotations);
}

Catalogue::DoubleClickResult Catalogue::DoubleClickSite(int index, bool use_rotations) {
  DoubleClickResult result;
  result.status = SelectSite(index, use_rotations);
  result.open_editor = selected_ >= 0;
  return result;
}

std::string Catalogue::DeleteQuestion() const {
  return "Are you sure you want to delete the current site, " + site_.Name +
         "?  \r\n\r\nNote: This will also delete the directory, " + site_.Path +
         " and all files that it contains!";
}

SelectionStatus Catalogue::DeleteSite(Interaction& ui, bool use_rotations) {
  if (!SelectedIsCurrent()) return ComputeSelectionStatus(use_rotations);
  if (const std::string problem = DeleteProblem(use_rotations); !problem.empty()) {
    ui.Warn(problem);
  } else if (ui.ConfirmDelete(DeleteQuestion())) {
    DeleteCurrentSite(ui, use_rotations);
  }
  // Yes or No, the selection is handled afresh; after a deletion nothing is selected.
  return SelectSite(selected_, use_rotations);
}

}  // namespace parvel
