// The catalogue of sites: sites.ini, the "General" section of each site's settings file, the
// current site record and the main window's site list with its New, Delete and selection flows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/interaction.h"

namespace parvel {

// The section of a site's settings file that holds its record, and the keys of it that more
// than the catalogue read.
inline constexpr char kGeneralSection[] = "General";
inline constexpr char kCurrentRotationPositionKey[] = "CurrentRotationPosition";
inline constexpr char kBaseHTMLNameKey[] = "BaseHTMLName";
inline constexpr char kRotationCountKey[] = "RotationCount";

class IniFile;

// Shown when the current site's record could not be saved.
inline constexpr std::string_view kSaveSiteFailedMessage =
    "Error encountered saving the settings for the current site.  Ensure you have sufficient disk "
    "space and write access to this drive";

// The current site's catalogue entry. An empty SiteKey means there is no current site.
struct SiteRecord {
  std::string SiteKey;
  std::string Name;
  std::string Path;  // after LoadSite: expanded, with a trailing separator
  std::string LivePath;
  bool AutoRotate = false;
  std::int32_t CurrentRotationPosition = 1;
  std::int32_t RotationCount = 0;
  std::string BaseHTMLName;
  std::string Publish_URL;  // where Publish sends the site ("sftp://..."); empty: nowhere
};

// What the main window shows for the current site, and which site actions it enables.
struct SelectionStatus {
  std::string site_name;
  std::string location;
  std::string rotations;  // the count, or "N/A" without rotations
  std::string auto_rotate;
  std::string copy_to;
  std::string next_rotation;
  bool delete_site_enabled = false;
  bool site_options_enabled = false;
  bool edit_site_enabled = false;
};

// Full names of the catalogue and of a site's settings file in the data directory.
std::string SitesFileName();
std::string SiteSettingsFileName(const std::string& site_key);

// The catalogue for one run of the program: the site list (keys and display names, at most one
// entry selected) and the current site record. It reads and writes the files as it goes.
class Catalogue {
 public:
  // Fills the site list from section "Sites" of sites.ini in file order and reads the names.
  // Nothing is selected afterwards. False when sites.ini exists but cannot be read (for example
  // it is larger than any catalogue could be): the list is then empty.
  bool ReadSites();

  const std::vector<std::string>& keys() const { return keys_; }
  // The display names, one per key; re-read first when they have fallen out of step with the keys.
  const std::vector<std::string>& names();
  int selected() const { return selected_; }  // -1: none
  SiteRecord& site() { return site_; }
  const SiteRecord& site() const { return site_; }

  // A key "Site_<n>" that is neither in the list nor has a settings file; empty if none is left.
  std::string GenerateNewSiteName() const;
  // Writes Name = "New Site" into the site's settings file and sites.ini and appends the key to
  // the list (also when a write failed, so that the new site can still be worked with).
  // False when a file could not be written.
  bool AddSite(const std::string& site_key);
  // Makes the site current from its settings file; false (no message) when it has no Path.
  bool LoadSite(const std::string& site_key);
  // Writes the current record into "General" and its name into sites.ini (when that line does
  // not hold it yet). `also` makes further changes to the settings file, saved in the same
  // step. False when a file could not be written or the data directory's lock could not be had;
  // the callers report it.
  //
  // The file is read afresh under the data directory's lock, and of the record only the fields
  // this program changed since it read or saved them (or whose key the file lacks) are written:
  // what another program saved meanwhile (turnwheel's next rotation, the command line's) stays,
  // and the record takes it over.
  bool SaveCurrentSite(const std::function<void(IniFile&)>& also = nullptr);
  // Moves the current site's directory (a symbolic link as a link), then its settings file and
  // its header/footer list files (SiteListFiles) to the Trash, removes the program's records
  // about it (RemoveSiteRecords), its catalogue line and its list entry; nothing is selected
  // afterwards. Each step runs only when the one before succeeded, and failures are reported: a
  // directory that cannot go (or that DeleteProblem refuses) leaves the site whole and listed.
  // True when the site is gone.
  bool DeleteCurrentSite(Interaction& ui, bool use_rotations);
  // Why Delete Site must not remove the current site's directory ("The site, One, was not
  // deleted: its directory, /home/u/, is your home directory."); empty when it may. A directory
  // that is a symbolic link goes by itself and is never refused.
  std::string DeleteProblem(bool use_rotations) const;
  // Re-reads every display name from sites.ini ("Error: " + key for a missing line).
  void rebuildSiteNameList();
  // Drops the current site when nothing is selected and returns what the main window shows.
  SelectionStatus ComputeSelectionStatus(bool use_rotations);

  // The main window's actions. `site_options` runs the site options for the current site and
  // returns true when the user confirmed them. When they are cancelled, the new site goes again,
  // and of the folders only its own default directory, when this flow made it and it is empty.
  SelectionStatus NewSite(Interaction& ui, bool use_rotations,
                          const std::function<bool()>& site_options);
  SelectionStatus SelectSite(int index, bool use_rotations);
  // Selects like SelectSite; `open_editor` tells the caller to run Edit/Build Site.
  struct DoubleClickResult {
    SelectionStatus status;
    bool open_editor = false;
  };
  DoubleClickResult DoubleClickSite(int index, bool use_rotations);
  // Asks (No being the default), then deletes the current site; only while the selected entry is
  // the current site. A directory that must not be removed is refused with a warning before the
  // question.
  SelectionStatus DeleteSite(Interaction& ui, bool use_rotations);

  // The question Delete Site asks for the current site.
  std::string DeleteQuestion() const;

 private:
  // Takes the current site out of sites.ini and the list; nothing is selected afterwards.
  void ForgetCurrentSite();
  bool SelectedIsCurrent() const;

  std::vector<std::string> keys_;
  std::vector<std::string> names_;
  int selected_ = -1;
  SiteRecord site_;
  // The current site's record as its settings file held it when last read or saved: a field of
  // site_ that differs from it has been changed here.
  SiteRecord stored_;
};

// The "General" section of a site's settings file read by LoadSite's rules into `site` (all
// fields but SiteKey).
void ReadSiteRecord(const IniFile& ini, SiteRecord& site);

}  // namespace parvel
