#include "model/turnwheel.h"

#include <algorithm>
#include <filesystem>

#include "base/textutil.h"
#include "model/editsite.h"
#include "model/filehelpers.h"
#include "model/inifile.h"
#include "model/livetree.h"
#include "model/options.h"
#include "model/paths.h"
#include "model/siteop.h"
#include "platform/filelock.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;

// Where turnwheel records, in the site's settings file, the live directory it filled last (links
// resolved), so that the next run knows the files there are its own.
constexpr char kLiveRecordKey[] = "TurnwheelLivePath";

// Why the live directory cannot take a rotation: swapping it would take away the program's data,
// the user's home, a site's folders or a rotation with it. Empty when it is usable.
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
  return std::string();
}

// Why the files in the live directory are not turnwheel's to replace: only a directory that is
// missing, empty, recorded as filled by turnwheel, or an exact copy of one of the site's rotations
// (put live before the record was kept) may be replaced. Empty when it may.
std::string ForeignLiveProblem(const std::string& live, const fs::path& target, const IniFile& ini,
                               const std::string& site_path, int count, bool use_rotations) {
  const std::string named = "the live directory, " + live + ", ";
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(target, ec);
  if (!fs::exists(status)) return std::string();
  if (!fs::is_directory(status)) return named + "is not a directory";
  if (fs::is_empty(target, ec) && !ec) return std::string();
  if (ini.Get("General", kLiveRecordKey) == target.string()) return std::string();
  for (int n = 1; n <= count; ++n) {
    const std::string dir = RotationDirectory(ini, site_path, n, use_rotations);
    if (DirectoryExists(dir) && HoldsCopyOf(target.string(), dir)) return std::string();
  }
  return named + "holds files that turnwheel did not put there (it is not empty, turnwheel " +
         "has not filled it before and it is no copy of one of the site's rotations)";
}

// Moves the site's next rotation number on and records the live directory as turnwheel's own,
// touching no other key.
bool SavePosition(const std::string& site_key, int next, const fs::path& live, std::string* error) {
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
  ini.Set("General", "CurrentRotationPosition", IntToStr(next));
  ini.Set("General", kLiveRecordKey, live.string());
  return ini.Save(error);
}

}  // namespace

bool IsRemoteLivePath(const std::string& live) {
  const std::string trimmed = Trim(live);
  return trimmed.size() > 7 && LowerAscii(trimmed.substr(0, 7)) == "sftp://";
}

std::string LiveDirectoryRefusal(const tsiterecord& site, const std::string& live,
                                 bool use_rotations) {
  IniFile ini(SiteSettingsFileName(site.SiteKey));
  ini.Load();
  const int count = std::min<int>(site.RotationCount, kMaxRotations);
  const std::string path = fixpath(site.Path, true);
  std::string problem = LiveProblem(live, site.SiteKey, ini, path, count, use_rotations);
  if (problem.empty()) {
    problem = ForeignLiveProblem(live, ResolvedFolder(live), ini, path, count, use_rotations);
  }
  return problem;
}

std::optional<SiteRotation> RotateSite(const std::string& site_key, bool use_rotations,
                                       const RemoteLive& remote) {
  Catalogue catalogue;
  catalogue.loadsite(site_key);
  const tsiterecord& site = catalogue.site();
  // loadsite reads AutoRotate as on only when LivePath is set.
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
  const std::string site_path = fixpath(site.Path, true);
  const std::string dir = RotationDirectory(ini, site_path, result.rotation, use_rotations);
  const std::string label = prefix + "Rotation " + IntToStr(result.rotation);
  if (!DirectoryExists(dir)) {
    return finish(RotationOutcome::NotFound,
                  label + ": the directory, " + dir + ", does not exist" + unchanged);
  }
  if (!FileExists(fixpath(dir, true) + site.BaseHTMLName)) {
    return finish(RotationOutcome::NotBuilt, label + " is not built (" + dir + " holds no " +
                                                 site.BaseHTMLName + ")" + unchanged);
  }
  std::string error;
  if (IsRemoteLivePath(site.LivePath)) {
    // The host's folder is checked by publishing: only what it published there is replaced.
    const std::string address = Trim(site.LivePath);
    if (!remote) {
      return finish(
          RotationOutcome::Refused,
          label + " was not published: this program cannot publish to " + address + unchanged);
    }
    if (!remote(dir, address, &error)) {
      return finish(RotationOutcome::Failed,
                    label + " could not be put live on " + address + ": " + error);
    }
    const int next = result.rotation >= count ? 1 : result.rotation + 1;
    result.position_saved = SavePosition(site_key, next, fs::path(address), &error);
    if (!result.position_saved) {
      return finish(RotationOutcome::Live,
                    label + " is live on " + address +
                        ", but the next rotation number could not be saved: " + error);
    }
    result.next_rotation = next;
    return finish(RotationOutcome::Live,
                  label + " is live on " + address + "; next rotation: " + IntToStr(next));
  }
  const std::string live = fixpath(site.LivePath, false);
  const fs::path target = ResolvedFolder(live);
  std::string problem = LiveProblem(live, site_key, ini, site_path, count, use_rotations);
  if (problem.empty()) {
    problem = ForeignLiveProblem(live, target, ini, site_path, count, use_rotations);
  }
  if (!problem.empty()) {
    return finish(RotationOutcome::Refused, label + " was not copied: " + problem + unchanged);
  }
  if (!PutLive(dir, live, &error)) {
    return finish(RotationOutcome::Failed,
                  label + " could not be put live in " + live + ": " + error);
  }

  const int next = result.rotation >= count ? 1 : result.rotation + 1;
  result.position_saved = SavePosition(site_key, next, target, &error);
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
    result.ok = result.ok && site->outcome == RotationOutcome::Live && site->position_saved;
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
