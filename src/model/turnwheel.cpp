#include "model/turnwheel.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "base/textutil.h"
#include "model/catalogue.h"
#include "model/editsite.h"
#include "model/filehelpers.h"
#include "model/inifile.h"
#include "model/liverecord.h"
#include "model/livetree.h"
#include "model/options.h"
#include "model/paths.h"
#include "model/sitesettings.h"
#include "platform/filelock.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;

// Why the live directory cannot take a rotation: swapping it would take away the program's data,
// the user's home, a site's folders or a rotation with it, or it is no directory. Empty when it is
// usable.
std::string LiveProblem(const std::string& live, const std::string& site_key, const IniFile& ini,
                        const std::string& site_path, int count, bool use_rotations) {
  const std::string named = "the live directory, " + live + ", ";
  if (live.empty() || !fs::path(live).is_absolute()) return named + "is not an absolute path";
  const std::string why =
      WholeDirectoryProblem(live, CatalogueFolders(site_key, kLeaveOutNothing, use_rotations));
  if (!why.empty()) return named + why;
  // Nor may it lie inside a rotation: the copy would change the rotation it copies.
  for (int n = 1; n <= count; ++n) {
    const std::string dir = RotationDirectory(ini, site_path, n, use_rotations);
    if (!dir.empty() && FolderWithin(live, dir)) {
      return named + "lies inside the directory of Rotation " + IntToStr(n);
    }
  }
  const fs::path target = ResolvedFolder(live);
  if (PathExists(target.string()) && !DirectoryExists(target.string())) {
    return named + "is not a directory";
  }
  return std::string();
}

// "a.jpg, notes.txt (2 files)": the first ten names, and how many there are.
std::string NameSome(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size() && i < 10; ++i) text += (i ? ", " : "") + names[i];
  if (names.size() > 10) text += " and " + IntToStr(static_cast<int>(names.size() - 10)) + " more";
  return text + " (" + IntToStr(static_cast<int>(names.size())) +
         (names.size() == 1 ? " file)" : " files)");
}

// What in the live folder `target` is turnwheel's: what its record for that folder names; without
// one (a folder filled before the record was kept), the files whose path and bytes match the
// rotation that went live last (all it had, as that copy took it) and its folders.
OwnedTest OwnedBy(const std::optional<LiveRecord>& record, const fs::path& target,
                  const std::string& last_dir) {
  if (record && record->location == target.string()) {
    return [entries = record->entries](const std::string& entry, const std::string&) {
      return entries.contains(entry);
    };
  }
  if (last_dir.empty()) return [](const std::string&, const std::string&) { return false; };
  return [last = fs::path(last_dir)](const std::string& entry, const std::string& path) {
    if (entry.ends_with('/')) return DirectoryExists((last / entry).string());
    return FileHoldsCopyOf(path, (last / entry).string());
  };
}

// Moves the site's next rotation number on, touching no other key.
bool SavePosition(const std::string& site_key, int next, std::string* error) {
  // Another program's save must not fall between this read and this write.
  FileLock lock(DataDirectory());
  if (!lock.held()) {
    *error = lock.error();
    return false;
  }
  IniFile ini(SiteSettingsFileName(site_key));
  if (!ini.Load()) {
    *error = ini.path() + " cannot be read";
    return false;
  }
  ini.Set(kGeneralSection, kCurrentRotationPositionKey, IntToStr(next));
  return ini.Save(error);
}

}  // namespace

bool IsRemoteLivePath(const std::string& live) {
  const std::string trimmed = Trim(live);
  return trimmed.size() > 7 && LowerAscii(trimmed.substr(0, 7)) == "sftp://";
}

std::string LiveDirectoryRefusal(const SiteRecord& site, const std::string& live,
                                 bool use_rotations) {
  IniFile ini(SiteSettingsFileName(site.SiteKey));
  ini.Load();
  const int count = std::min<int>(site.RotationCount, kMaxRotations);
  const std::string path = FixPath(site.Path, true);
  return LiveProblem(live, site.SiteKey, ini, path, count, use_rotations);
}

LiveSelection RotationSelection(const IniFile& site_ini, std::string_view site_path, int count,
                                int rotation, bool use_rotations) {
  LiveSelection selection;
  for (int n = 1; n <= count; ++n) {
    if (n == rotation) continue;
    selection.left_out_folders.push_back(RotationDirectory(site_ini, site_path, n, use_rotations));
  }
  // With display copies on, no page links the original pictures: they stay in the rotation.
  const auto copies =
      ParseInt(site_ini.Get(RotationSection(rotation), "Web_Image_Size").value_or(""));
  selection.left_out_files = OriginalsLeftOut(
      RotationDirectory(site_ini, site_path, rotation, use_rotations), copies.value_or(0));
  return selection;
}

LiveSelection SiteRotationSelection(const std::string& site_key, int rotation, bool use_rotations) {
  Catalogue catalogue;
  catalogue.LoadSite(site_key);
  const SiteRecord& site = catalogue.site();
  IniFile ini(SiteSettingsFileName(site_key));
  ini.Load();
  const int count = std::min<int>(site.RotationCount, kMaxRotations);
  return RotationSelection(ini, FixPath(site.Path, true), count, rotation, use_rotations);
}

bool SiteRotationLiveFiles(const std::string& site_key, int rotation, bool use_rotations,
                           std::vector<LiveFile>* files, std::string* error) {
  Catalogue catalogue;
  catalogue.LoadSite(site_key);
  IniFile ini(SiteSettingsFileName(site_key));
  ini.Load();
  const std::string dir =
      RotationDirectory(ini, FixPath(catalogue.site().Path, true), rotation, use_rotations);
  return RotationLiveFiles(dir, SiteRotationSelection(site_key, rotation, use_rotations), files,
                           error);
}

std::optional<SiteRotation> RotateSite(const std::string& site_key, bool use_rotations,
                                       const RemoteLive& remote) {
  Catalogue catalogue;
  catalogue.LoadSite(site_key);
  const SiteRecord& site = catalogue.site();
  // LoadSite reads AutoRotate as on only when LivePath is set.
  if (!site.AutoRotate) return std::nullopt;

  SiteRotation result;
  result.site_key = site_key;
  result.name = site.Name;
  const int count = std::min<int>(site.RotationCount, kMaxRotations);
  const int position = site.CurrentRotationPosition;
  result.rotation = (position < 1 || position > count) ? 1 : position;
  result.next_rotation = position;
  const std::string prefix = site_key + " (" + site.Name + "): ";
  const std::string unchanged = "; the live directory is unchanged";
  const auto finish = [&](RotationOutcome outcome, std::string line) {
    result.outcome = outcome;
    result.line = std::move(line);
    return result;
  };
  if (count < 1) return finish(RotationOutcome::NotFound, prefix + "has no rotations" + unchanged);

  IniFile ini(SiteSettingsFileName(site_key));
  ini.Load();
  const std::string site_path = FixPath(site.Path, true);
  const std::string dir = RotationDirectory(ini, site_path, result.rotation, use_rotations);
  const std::string label = prefix + "Rotation " + IntToStr(result.rotation);
  if (!DirectoryExists(dir)) {
    return finish(RotationOutcome::NotFound,
                  label + ": the directory, " + dir + ", does not exist" + unchanged);
  }
  if (!FileExists(FixPath(dir, true) + site.BaseHTMLName)) {
    return finish(RotationOutcome::NotBuilt, label + " is not built (" + dir + " holds no " +
                                                 site.BaseHTMLName + ")" + unchanged);
  }
  if (IsRemoteLivePath(site.LivePath)) {
    std::string error;
    // The host's folder is checked by publishing: only what it published there is replaced.
    const std::string address = Trim(site.LivePath);
    if (!remote) {
      return finish(
          RotationOutcome::Refused,
          label + " was not published: this program cannot publish to " + address + unchanged);
    }
    if (!remote(dir, RotationSelection(ini, site_path, count, result.rotation, use_rotations),
                address, &error)) {
      return finish(RotationOutcome::Failed,
                    label + " could not be put live on " + address + ": " + error);
    }
    const int next = result.rotation >= count ? 1 : result.rotation + 1;
    result.position_saved = SavePosition(site_key, next, &error);
    if (!result.position_saved) {
      return finish(RotationOutcome::Live,
                    label + " is live on " + address +
                        ", but the next rotation number could not be saved: " + error);
    }
    result.next_rotation = next;
    return finish(RotationOutcome::Live,
                  label + " is live on " + address + "; next rotation: " + IntToStr(next));
  }
  const std::string live = FixPath(site.LivePath, false);
  const fs::path target = ResolvedFolder(live);
  if (const std::string problem = LiveProblem(live, site_key, ini, site_path, count, use_rotations);
      !problem.empty()) {
    return finish(RotationOutcome::Refused, label + " was not copied: " + problem + unchanged);
  }
  const auto failed = [&](const std::string& why) {
    return finish(RotationOutcome::Failed,
                  label + " could not be put live in " + live + ": " + why);
  };

  // What goes live, and what of the live folder is turnwheel's.
  std::string error;
  std::vector<LiveFile> files;
  if (!RotationLiveFiles(dir,
                         RotationSelection(ini, site_path, count, result.rotation, use_rotations),
                         &files, &error)) {
    return failed(error);
  }
  error.clear();
  const std::optional<LiveRecord> record = ReadLiveRecord(site_key, &error);
  if (!record && !error.empty()) return failed(error);
  std::set<std::string> ours;
  if (record && record->location == target.string()) ours = record->entries;
  if (!RepairLive(target.string(), ours, &error)) return failed(error);
  const int last = result.rotation > 1 ? result.rotation - 1 : count;
  const std::string last_dir =
      last == result.rotation ? dir : RotationDirectory(ini, site_path, last, use_rotations);
  LiveContents contents;
  if (!ReadLiveContents(target.string(), OwnedBy(record, target, last_dir), &contents, &error)) {
    return failed(error);
  }
  if (const auto collisions = LiveCollisions(files, contents); !collisions.empty()) {
    return finish(RotationOutcome::Refused,
                  label + " was not copied: these files in the live directory, " + live +
                      ", were not put there by turnwheel and the rotation would replace them: " +
                      NameSome(collisions) + unchanged);
  }

  // The record first names everything of turnwheel's that either tree may hold, so that a run
  // stopped part way leaves nothing of its own unrecorded; then only what is live.
  LiveRecord pending{target.string(), contents.owned};
  for (const LiveFile& file : files) pending.entries.insert(file.EntryName());
  ours.insert(pending.entries.begin(), pending.entries.end());
  if (!WriteLiveRecord(site_key, pending, &error)) return failed(error);
  if (!PutLive(files, target.string(), contents, ours, &error)) return failed(error);
  LiveRecord now{target.string(), {}};
  for (const LiveFile& file : files) now.entries.insert(file.EntryName());
  if (!WriteLiveRecord(site_key, now, &error)) {
    result.record_saved = false;
    return finish(RotationOutcome::Live,
                  label + " is live in " + live +
                      ", but the record of its files could not be saved: " + error);
  }

  const int next = result.rotation >= count ? 1 : result.rotation + 1;
  result.position_saved = SavePosition(site_key, next, &error);
  if (!result.position_saved) {
    return finish(RotationOutcome::Live,
                  label + " is live in " + live +
                      ", but the next rotation number could not be saved: " + error);
  }
  result.next_rotation = next;
  return finish(RotationOutcome::Live,
                label + " is live in " + live + "; next rotation: " + IntToStr(next));
}

TurnwheelResult RotateSites(const RemoteLive& remote) {
  AppOptions options;
  options.Read();
  Catalogue catalogue;
  TurnwheelResult result;
  result.catalogue_read = catalogue.ReadSites();
  result.ok = result.catalogue_read;
  for (const auto& key : catalogue.keys()) {
    auto site = RotateSite(key, options.UseRotations, remote);
    if (!site) continue;
    result.ok = result.ok && site->outcome == RotationOutcome::Live && site->position_saved &&
                site->record_saved;
    result.sites.push_back(std::move(*site));
  }
  return result;
}

std::vector<std::string> TurnwheelResult::Lines() const {
  if (!catalogue_read) return {"Error: the catalogue " + SitesFileName() + " cannot be read."};
  if (sites.empty()) return {"No site is due for rotation."};
  std::vector<std::string> lines;
  for (const auto& site : sites) lines.push_back(site.line);
  return lines;
}

}  // namespace parvel
