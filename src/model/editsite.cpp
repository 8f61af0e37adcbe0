#include "model/editsite.h"

#include <algorithm>

#include "base/textutil.h"
#include "model/buildrecord.h"
#include "model/filehelpers.h"
#include "model/imagefiles.h"
#include "model/paths.h"
#include "model/siterecords.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

constexpr int kUnknownRotationCount = 10;

std::string EntryLabel(int rotation, bool use_rotations) {
  return use_rotations ? "Rotation " + IntToStr(rotation) : std::string("Current Site ");
}

std::string ChooserLabel(int rotation, bool use_rotations) {
  return use_rotations ? "Rotation " + IntToStr(rotation) : std::string("Current Site");
}

std::string EntryState(const std::string& dir, const std::string& base) {
  if (!DirectoryExists(dir)) return " : ERROR! Not found!";
  const std::string images = IntToStr(static_cast<std::int64_t>(ListSiteImages(dir).size()));
  const bool built = FileExists(FixPath(dir, true) + base);
  return " : " + images + " Images" + (built ? " : Built" : " : NOT BUILT");
}

// Clears a flag when the scope ends, also when a build throws.
class FlagGuard {
 public:
  explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagGuard() { flag_ = false; }
  FlagGuard(const FlagGuard&) = delete;
  FlagGuard& operator=(const FlagGuard&) = delete;

 private:
  bool& flag_;
};

}  // namespace

std::string DefaultRotationDirectory(std::string_view site_path, int rotation, bool use_rotations) {
  // Without a site directory there is no default: a bare "Rotation_1" would name a folder
  // relative to wherever the program happens to run.
  const std::string site = FixPath(site_path, true);
  if (site.empty() || !use_rotations) return site;
  return site + RotationSection(rotation);
}

std::string MissingDirectoryMessage(std::string_view directory) {
  return "Error!  The directory, " + std::string(directory) + ", could not be located!";
}

std::string RotationDirectory(const IniFile& site_ini, std::string_view site_path, int rotation,
                              bool use_rotations) {
  if (auto stored = site_ini.Get(RotationSection(rotation), "Rotation_Path")) {
    return ExpandPath(*stored);
  }
  return DefaultRotationDirectory(site_path, rotation, use_rotations);
}

int ListedRotationCount(const IniFile& site_ini, bool use_rotations) {
  const auto text = site_ini.Get(kGeneralSection, kRotationCountKey);
  int count = text ? ParseInt(*text).value_or(kUnknownRotationCount) : kUnknownRotationCount;
  count = std::clamp(count, 0, kMaxRotations);
  if (!use_rotations && count >= 2) count = 1;
  return count;
}

std::vector<KeptFolder> CatalogueFolders(const std::string& site_key, int leave_out,
                                         bool use_rotations) {
  IniFile sites(SitesFileName());
  sites.Load();  // an unreadable catalogue still leaves the site itself to guard
  std::vector<std::string> keys = sites.Keys("Sites");
  if (std::none_of(keys.begin(), keys.end(),
                   [&](const std::string& key) { return EqualsNoCase(key, site_key); })) {
    keys.push_back(site_key);
  }
  std::vector<KeptFolder> folders;
  for (const auto& key : keys) {
    IniFile ini(SiteSettingsFileName(key));
    ini.Load();
    const bool own = EqualsNoCase(key, site_key);
    const std::string of_site =
        own ? std::string()
            : " of the site " + ini.GetString(kGeneralSection, "Name", key) + " (" + key + ")";
    const std::string site_path =
        FixPath(ExpandPath(ini.GetString(kGeneralSection, "Path", "")), true);
    if (!(own && leave_out == kLeaveOutWholeSite)) {
      folders.push_back({site_path, own ? "the site's own directory" : "the directory" + of_site});
    }
    const int count = ListedRotationCount(ini, use_rotations);
    for (int n = 1; n <= count; ++n) {
      if (own && (leave_out == kLeaveOutWholeSite || leave_out == n)) continue;
      folders.push_back({RotationDirectory(ini, site_path, n, use_rotations),
                         "the directory of Rotation " + IntToStr(n) + of_site});
    }
  }
  return folders;
}

RotationList LoadRotationList(Interaction& ui, const std::string& site_key, bool use_rotations) {
  BusyCursor busy(ui);
  RotationList list;
  IniFile ini(SiteSettingsFileName(site_key));
  ini.Load();  // an unreadable file reads like a missing one
  const int count = ListedRotationCount(ini, use_rotations);
  const std::string site_path = ExpandPath(ini.GetString(kGeneralSection, "Path", ""));
  const std::string base = ini.GetString(kGeneralSection, kBaseHTMLNameKey, "Index.html");
  for (int n = 1; n <= count; ++n) {
    const std::string dir = RotationDirectory(ini, site_path, n, use_rotations);
    list.entries.push_back(EntryLabel(n, use_rotations) + EntryState(dir, base));
    list.chooser.push_back(ChooserLabel(n, use_rotations));
  }
  return list;
}

CopySettingsForm::CopySettingsForm(Catalogue& catalogue,
                                   const std::vector<std::string>& editor_rotations)
    : keys_(catalogue.keys()),
      names_(catalogue.names()),
      rotations_(editor_rotations),
      site_key_(catalogue.site().SiteKey),
      rotation_(editor_rotations.empty() ? -1 : 0) {
  for (size_t i = 0; i < keys_.size(); ++i) {
    if (EqualsNoCase(keys_[i], site_key_)) {
      site_ = static_cast<int>(i);
      break;
    }
  }
}

void CopySettingsForm::ChooseSite(Interaction& ui, int index, bool use_rotations) {
  if (index < 0 || index >= static_cast<int>(keys_.size())) return;
  site_ = index;
  site_key_ = keys_[index];
  rotations_ = LoadRotationList(ui, site_key_, use_rotations).entries;
  rotation_ = -1;
}

void CopySettingsForm::SelectRotation(int index) {
  rotation_ = (index >= 0 && index < static_cast<int>(rotations_.size())) ? index : -1;
}

bool CopySettingsForm::Accept(Interaction& ui, SiteSettings& settings, bool use_rotations) const {
  if (rotation_ < 0 || site_key_.empty()) {
    ui.Message(MessageKind::Information, kNoRotationSelectedMessage, Buttons::Ok);
    return false;
  }
  // Neither the path nor the status: they stay those of the rotation being edited.
  LoadRotation(ui, settings, SiteContext{site_key_, std::string(), use_rotations}, rotation_ + 1,
               RotationLoad{});
  return true;
}

SiteEditor::SiteEditor(Interaction& ui, Catalogue& catalogue, SiteSettings& settings,
                       const AppOptions& options, std::vector<std::string>& style_templates)
    : ui_(ui),
      catalogue_(catalogue),
      settings_(settings),
      options_(options),
      style_templates_(style_templates) {}

SiteContext SiteEditor::context() const {
  const SiteRecord& site = catalogue_.site();
  return SiteContext{site.SiteKey, FixPath(site.Path, true), options_.UseRotations};
}

bool SiteEditor::SaveCurrentRotation() {
  const SiteContext site = context();
  const int rotation = settings_.current_rotation;
  const bool read_here =
      rotation >= 0 && rotation == loaded_rotation_ && EqualsNoCase(site.site_key, loaded_site_);
  // A rotation this editor did not read (a new one) is written whole.
  const bool saved =
      read_here ? SaveRotationChanges(ui_, settings_, loaded_, site, rotation,
                                      SavedKeys::WithStatusAndPath)
                : SaveRotation(ui_, settings_, site, rotation, SavedKeys::WithStatusAndPath);
  if (saved && rotation >= 0) RotationRead();
  return saved;
}

void SiteEditor::RotationRead() {
  loaded_ = settings_;
  loaded_rotation_ = settings_.current_rotation;
  loaded_site_ = catalogue_.site().SiteKey;
}

bool SiteEditor::Open() {
  settings_.current_rotation = -1;
  AddSampleTemplates(style_templates_);
  title_.clear();
  status_line_.clear();
  selected_ = -1;
  list_ = RotationList();
  if (catalogue_.site().SiteKey.empty()) return false;

  RefreshRotationList();
  if (list_.entries.empty()) {
    // The first rotation starts as a copy of the rotation edited last, which may be another
    // site's: that site's headers and footers, its texts and list files, stay with it.
    ClearHeadersAndFooters(settings_);
    NewRotation();
  }
  if (!list_.entries.empty()) SelectRotation(0);
  return true;
}

void SiteEditor::RefreshRotationList() {
  list_ = LoadRotationList(ui_, catalogue_.site().SiteKey, options_.UseRotations);
  if (selected_ > LastIndex()) selected_ = LastIndex();
}

void SiteEditor::ShowCurrentStatus() {
  const CurrentStatus status = Displaycurrentstatus(settings_, options_.UseRotations);
  if (status.line) status_line_ = *status.line;
}

bool SiteEditor::SelectRotation(int index) {
  if (index < 0 || index > LastIndex()) {
    selected_ = -1;
    return false;
  }
  const int previous = selected_;
  selected_ = index;
  if (!SaveCurrentRotation()) {
    // The edits of the current rotation live only in memory now: keep it loaded and selected
    // rather than overwrite them with another rotation.
    const int current = settings_.current_rotation - 1;
    selected_ = (current >= 0 && current <= LastIndex()) ? current : previous;
    return false;
  }

  const int rotation = index + 1;
  const SiteContext site = context();
  IniFile ini(SiteSettingsFileName(site.site_key));
  ini.Load();
  const std::string dir = RotationDirectory(ini, site.site_path, rotation, site.use_rotations);
  if (!DirectoryExists(dir)) {
    status_line_ = MissingDirectoryMessage(dir);
    return false;
  }
  LoadRotation(ui_, settings_, site, rotation, {.with_path = true, .make_current = true});
  RotationRead();
  title_ = EditorTitle(rotation, site.use_rotations);
  ShowCurrentStatus();
  return true;
}

bool SiteEditor::NewRotation() {
  if (!SaveCurrentRotation()) return false;
  SiteRecord& site = catalogue_.site();
  const int rotation = static_cast<int>(list_.entries.size()) + 1;
  // Past the last number the new rotation could not be listed, and selecting "the last entry"
  // would then save these settings over another rotation's section.
  const std::string dir =
      rotation > kMaxRotations
          ? std::string()
          : DefaultRotationDirectory(site.Path, rotation, options_.UseRotations);
  if (dir.empty() || (!DirectoryExists(dir) && !CreateNewDirectory(ui_, dir))) {
    ui_.Message(MessageKind::Information, kNewRotationFailedMessage, Buttons::Ok);
    return false;
  }

  const std::string old_path = settings_.Rotation_Path;
  const RotationStatus old_status = settings_.Status;
  settings_.Rotation_Path = dir;
  // The copy starts with the page settings only: its directory holds no site yet.
  settings_.Status = RotationStatus::New;
  site.RotationCount += 1;
  if (!catalogue_.SaveCurrentSite()) {
    // The file still counts the old rotations; going on would select the old last rotation and
    // save the new directory into its section.
    site.RotationCount -= 1;
    settings_.Rotation_Path = old_path;
    settings_.Status = old_status;
    ui_.Warn(kSaveSiteFailedMessage);
    return false;
  }

  RefreshRotationList();
  settings_.current_rotation = static_cast<int>(list_.entries.size());
  SelectRotation(LastIndex());
  return true;
}

bool SiteEditor::delete_rotation_enabled() const {
  return options_.UseRotations && selected_ >= 0 && selected_ == LastIndex();
}

std::string SiteEditor::DeleteQuestion() const {
  const int rotation = selected_ + 1;
  std::string dir = settings_.Rotation_Path;
  if (rotation != settings_.current_rotation) {
    const SiteContext site = context();
    IniFile ini(SiteSettingsFileName(site.site_key));
    ini.Load();
    dir = RotationDirectory(ini, site.site_path, rotation, site.use_rotations);
  }
  return "Are you sure you want to remove Rotation " + IntToStr(rotation) +
         " and delete all files in the directory, " + dir + "?";
}

bool SiteEditor::DeleteRotation() {
  if (!delete_rotation_enabled()) return false;
  SiteRecord& site = catalogue_.site();
  const int rotation = selected_ + 1;
  // Only the site's last rotation can go, so that the numbers stay without gaps.
  if (rotation != site.RotationCount) return false;
  // When the selected rotation did not load, the editor still holds an earlier rotation and its
  // directory: that one is not to be deleted, so only the section goes.
  const std::string dir =
      rotation == settings_.current_rotation ? FixPath(settings_.Rotation_Path, true) : "";
  const bool remove_directory = !dir.empty() && (DirectoryExists(dir) || IsSymbolicLink(dir));
  // A link goes by itself: what it points at stays whole, so it holds nothing that could be lost.
  if (remove_directory && !IsSymbolicLink(dir)) {
    const std::string why =
        WholeDirectoryProblem(dir, CatalogueFolders(site.SiteKey, rotation, options_.UseRotations));
    if (!why.empty()) {
      ui_.Warn("Rotation " + IntToStr(rotation) + " was not removed: its directory, " + dir + ", " +
               why + ".");
      return false;
    }
  }
  if (!ui_.ConfirmDelete(DeleteQuestion())) return false;

  // A directory that did not go leaves the rotation listed, as it was.
  if (remove_directory && !DeleteDirectoryAsked(ui_, dir)) return false;
  // The section and the count go in one save, so the file never lists a rotation it lacks.
  site.RotationCount -= 1;
  const bool saved = catalogue_.SaveCurrentSite(
      [&](IniFile& ini) { ini.EraseSection(RotationSection(rotation)); });
  if (!saved) {
    site.RotationCount += 1;
    ui_.Warn(kSaveSiteFailedMessage);
  } else {
    // A rotation added later gets this number and folder again: what the builds wrote here is
    // not its.
    std::string error;
    if (!RemoveRecords({BuildRecordPath(site.SiteKey, rotation)}, &error)) {
      ui_.Log("Removing " + BuildRecordPath(site.SiteKey, rotation) + ": " + error);
    }
  }
  Open();
  return saved;
}

bool SiteEditor::ApplyToAll() {
  BusyCursor busy(ui_);
  const int count = std::min<int>(catalogue_.site().RotationCount, kMaxRotations);
  if (count < 1) return true;
  // Every section in one save: a failure leaves every rotation as it was, not some of them done.
  IniFile ini(SiteSettingsFileName(catalogue_.site().SiteKey));
  bool ok = ini.Load();
  if (ok) {
    for (int n = 1; n <= count; ++n)
      WriteRotationSection(ini, settings_, n, SavedKeys::PageSettings);
    ok = ini.Save();
  }
  if (!ok) ui_.Warn(kSaveRotationWarning);
  return ok;
}

void SiteEditor::BuildAll(const std::function<bool()>& build_current) {
  BusyCursor busy(ui_);
  {
    FlagGuard unattended(unattended_build_);
    for (int i = 0; i <= LastIndex(); ++i) {
      // A rotation that did not load would leave the previous one in the editor: building then
      // would build that one again under the wrong name.
      if (SelectRotation(i)) build_current();
    }
  }
  RefreshRotationList();
  ShowCurrentStatus();
}

void SiteEditor::Preview() {
  if (!preview_enabled()) return;
  ui_.OpenPage(FixPath(settings_.Rotation_Path, true) + catalogue_.site().BaseHTMLName);
}

bool SiteEditor::Close() {
  const bool rotation_saved = SaveCurrentRotation();
  const bool site_saved = catalogue_.SaveCurrentSite();
  if (!site_saved && !catalogue_.site().SiteKey.empty()) ui_.Warn(kSaveSiteFailedMessage);
  return rotation_saved && site_saved;
}

std::string SiteEditor::images_heading() const {
  return options_.UseRotations ? "This Rotation contains the following images:"
                               : "This Site contains the following images:";
}

}  // namespace parvel
