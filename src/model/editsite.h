// The site editor without its window: the rotation list of a site, the rotation actions (select,
// New Rotation, Delete Rotation, Copy settings.., Apply to All, Build All, Preview, close) and
// what the window shows (title, status line, enabled and visible actions).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/catalogue.h"
#include "model/filehelpers.h"
#include "model/inifile.h"
#include "model/options.h"
#include "model/sitesettings.h"
#include "platform/interaction.h"

namespace parvel {

// The highest rotation number; a larger RotationCount in a settings file is read as this.
inline constexpr int kMaxRotations = 99999;

inline constexpr std::string_view kNewRotationFailedMessage =
    "Error encountered creating a new rotation directory!";
inline constexpr std::string_view kNoRotationSelectedMessage =
    "You have not selected a rotation to copy settings from!";

// The directory of a rotation whose section names none: `site_path` (with a separator added)
// followed by "Rotation_N" with rotations, the site directory itself without.
std::string DefaultRotationDirectory(std::string_view site_path, int rotation, bool use_rotations);

// Rotation_Path of section Rotation_N of a site's settings, expanded, or the default directory.
// "Error!  The directory, <directory>, could not be located!"
std::string MissingDirectoryMessage(std::string_view directory);

std::string RotationDirectory(const IniFile& site_ini, std::string_view site_path, int rotation,
                              bool use_rotations);

// The number of rotations a site's rotation list shows: RotationCount of "General" (10 when
// missing or not a number, at most kMaxRotations, at most 1 without rotations, never below 0).
int ListedRotationCount(const IniFile& site_ini, bool use_rotations);

// What CatalogueFolders leaves out of the site it is given.
inline constexpr int kLeaveOutWholeSite = 0;  // the site's directory and all its rotations
inline constexpr int kLeaveOutNothing = -1;

// The folders that removing or replacing one site's or rotation's directory must leave alone:
// the directory of every site of the catalogue (and of `site_key`, also when unlisted) and of
// each of their rotations, read from the settings files. Of the site `site_key`, `leave_out`
// names what is not listed: kLeaveOutWholeSite, a rotation's number, or kLeaveOutNothing.
std::vector<KeptFolder> CatalogueFolders(const std::string& site_key, int leave_out,
                                         bool use_rotations);

// One site's rotation list, read from its settings file (not from the current record).
struct RotationList {
  // "Rotation 2 : 14 Images : Built", "Current Site  : 3 Images : NOT BUILT",
  // "Rotation 3 : ERROR! Not found!"
  std::vector<std::string> entries;
  // The add-images dialog's rotation chooser: "Rotation 2", or "Current Site".
  std::vector<std::string> chooser;
};
RotationList LoadRotationList(Interaction& ui, const std::string& site_key, bool use_rotations);

// The copy dialog of Copy settings..: a choice of sites and the chosen site's rotation list.
class CopySettingsForm {
 public:
  // Opens on the current site, showing `editor_rotations`, the first entry selected.
  CopySettingsForm(Catalogue& catalogue, const std::vector<std::string>& editor_rotations);

  const std::vector<std::string>& site_names() const { return names_; }
  int chosen_site() const { return site_; }  // -1 when the current site is not in the list
  const std::vector<std::string>& rotations() const { return rotations_; }
  int selected_rotation() const { return rotation_; }  // -1: none
  bool ok_enabled() const { return !rotations_.empty(); }

  // Shows the rotation list of another site; no entry is selected afterwards.
  void ChooseSite(Interaction& ui, int index, bool use_rotations);
  void SelectRotation(int index);

  // OK: without a selected rotation says so and returns false (the dialog stays open). Otherwise
  // loads the chosen rotation's page settings into `settings`, keeping its rotation number,
  // Rotation_Path and Status, and returns true.
  bool Accept(Interaction& ui, SiteSettings& settings, bool use_rotations) const;

 private:
  std::vector<std::string> keys_;
  std::vector<std::string> names_;
  std::vector<std::string> rotations_;
  std::string site_key_;
  int site_ = -1;
  int rotation_ = -1;
};

// The editor for the current site. It edits the one `settings` record and the current site
// record of `catalogue` in place; `style_templates` is the recent thumbnail-template list.
class SiteEditor {
 public:
  SiteEditor(Interaction& ui, Catalogue& catalogue, SiteSettings& settings,
             const AppOptions& options, std::vector<std::string>& style_templates);

  // Opens on the current site: fills the rotation list, makes the first rotation when there is
  // none, selects and loads the first. False when there is no current site.
  bool Open();
  // Selects list entry `index` (rotation index + 1), saving the current rotation first. True when
  // that rotation is now loaded; a missing directory shows the error line instead, and a failed
  // save keeps the current rotation selected.
  bool SelectRotation(int index);
  // Saves the current rotation, creates the next rotation's directory, counts it, and selects it
  // as a copy of the current settings with its own directory and Status 0. False when a save or
  // the directory failed (nothing is counted then).
  bool NewRotation();
  // The question Delete Rotation asks for the selected (last) rotation.
  std::string DeleteQuestion() const;
  // Asks (No being the default), then removes the last rotation: its directory goes to the Trash
  // (only when it is the loaded rotation; a symbolic link as a link), then its section and one
  // from RotationCount in one save; then opens afresh. True when it was removed; a directory that
  // did not go (reported) or a failed save (kSaveSiteFailedMessage) keeps the rotation listed. A
  // directory that must not go with everything in it (WholeDirectoryProblem, with the site's and
  // the catalogue's other folders kept) is refused with a warning before the question.
  bool DeleteRotation();
  // Opens the copy dialog over the current site and this editor's list.
  CopySettingsForm CopySettings() { return CopySettingsForm(catalogue_, list_.entries); }
  // Writes the page settings into every rotation's section, keeping each one's Rotation_Path
  // and Status, in one save: on failure (kSaveRotationWarning) no section has changed.
  bool ApplyToAll();
  // Selects every entry in turn and runs `build_current` (the build of the current rotation,
  // checks included) for each rotation that loaded; unattended_build() is on meanwhile. The list
  // is refreshed afterwards.
  void BuildAll(const std::function<bool()>& build_current);
  // Opens the rotation's first page; only while preview_enabled().
  void Preview();
  // Saves the current rotation and the site record. False when a save failed; each failure
  // shows its warning (kSaveRotationWarning, kSaveSiteFailedMessage).
  bool Close();

  // Re-reads the rotation list (and the chooser) for the current site, e.g. after a build.
  void RefreshRotationList();
  // Refreshes the status line and Preview from Status (after a build changed it).
  void ShowCurrentStatus();

  const std::string& title() const { return title_; }
  const std::string& site_name() const { return catalogue_.site().Name; }
  const std::vector<std::string>& rotation_list() const { return list_.entries; }
  const std::vector<std::string>& chooser_entries() const { return list_.chooser; }
  int selected() const { return selected_; }  // -1: none
  int current_rotation() const { return settings_.current_rotation; }
  const std::string& rotation_directory() const { return settings_.Rotation_Path; }
  const std::string& status_line() const { return status_line_; }
  // The heading above the image list.
  std::string images_heading() const;
  bool unattended_build() const { return unattended_build_; }

  bool apply_to_all_enabled() const { return options_.UseRotations; }
  bool build_all_enabled() const { return options_.UseRotations; }
  bool new_rotation_visible() const { return options_.UseRotations && !list_.entries.empty(); }
  bool delete_rotation_visible() const { return options_.UseRotations; }
  bool delete_rotation_enabled() const;
  // Exactly while the loaded rotation's Status is 2 (built).
  bool preview_enabled() const {
    return settings_.current_rotation >= 0 && settings_.Status == RotationStatus::Built;
  }

  // The current site as LoadRotation and SaveRotation need it.
  SiteContext context() const;

  // The settings now hold the current rotation as its section was just read again (after a
  // build): saves write only what is changed from here on.
  void RotationRead();

 private:
  bool SaveCurrentRotation();
  int LastIndex() const { return static_cast<int>(list_.entries.size()) - 1; }

  Interaction& ui_;
  Catalogue& catalogue_;
  SiteSettings& settings_;
  const AppOptions& options_;
  std::vector<std::string>& style_templates_;

  RotationList list_;
  int selected_ = -1;
  // The current rotation's settings as its section held them when loaded or last saved: a save
  // writes only the keys changed from these, so that it does not undo what another program
  // (the command line, a build, turnwheel) saved meanwhile. Of rotation loaded_rotation_ of
  // site loaded_site_.
  SiteSettings loaded_;
  int loaded_rotation_ = -1;
  std::string loaded_site_;
  std::string title_;
  std::string status_line_;
  bool unattended_build_ = false;
};

}  // namespace parvel
