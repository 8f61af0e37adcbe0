#include "builder/sitebuild.h"

#include <string>
#include <utility>
#include <vector>

#include "builder/build.h"
#include "model/inifile.h"

namespace parvel {
namespace {

// One build of the editor's current rotation: the checks, then the request's way of running it.
bool BuildCurrent(Interaction& ui, SiteSettings& settings, const Catalogue& catalogue,
                  const AppOptions& options, const SiteBuildRequest& request, bool unattended,
                  BuildCounts* counts) {
  BuildState state(ui, settings,
                   BuildInputsFor(catalogue.site(), options, settings.current_rotation));
  if (request.jobs > 0) state.set_jobs(request.jobs);
  state.set_thumbnail_options(request.thumbnails);
  if (!state.PreBuildChecks(unattended)) return false;
  state.set_no_recreate(!request.remake_thumbnails);
  bool built;
  if (request.run) {
    built = request.run(state, unattended);
  } else {
    state.FillImageList();
    built = state.Start();
  }
  if (counts) *counts += state.counts();
  return built;
}

// The rotation's section as its settings file holds it now.
std::vector<std::pair<std::string, std::string>> SavedSection(const std::string& site_key,
                                                              int rotation) {
  IniFile ini(SiteSettingsFileName(site_key));
  ini.Load();
  std::vector<std::pair<std::string, std::string>> section;
  for (const auto& key : ini.Keys(RotationSection(rotation))) {
    section.emplace_back(key, ini.Get(RotationSection(rotation), key).value_or(""));
  }
  return section;
}

}  // namespace

SiteBuildResult BuildFromEditor(Interaction& ui, SiteEditor& editor, SiteSettings& settings,
                                Catalogue& catalogue, const AppOptions& options,
                                const SiteBuildRequest& request, std::unique_ptr<FileLock>& lock,
                                const SettingsLocker& relock, BuildCounts* counts) {
  const int rotation = editor.selected() + 1;
  const std::string site_key = catalogue.site().SiteKey;
  const auto section_at_start = SavedSection(site_key, rotation);
  // The build itself holds no lock, so that the rotation schedule is not kept waiting by it.
  lock.reset();
  bool every_build_completed = true;
  if (request.all_rotations) {
    editor.BuildAll([&] {
      const bool ok = BuildCurrent(ui, settings, catalogue, options, request, true, counts);
      every_build_completed = every_build_completed && ok;
      editor.RefreshRotationList();
      if (request.built) request.built();
      return ok;
    });
  } else {
    every_build_completed = BuildCurrent(ui, settings, catalogue, options, request, false, counts);
    editor.ShowCurrentStatus();
    editor.RefreshRotationList();
    if (request.built) request.built();
  }
  lock = relock();
  if (!lock) return SiteBuildResult::NotLocked;
  // The site's record as saved now: a rotation run meanwhile may have moved its position on.
  catalogue.LoadSite(site_key);
  // Settings saved for this rotation during the build are kept; the build adds its Status.
  if (!request.all_rotations && SavedSection(site_key, rotation) != section_at_start) {
    const RotationStatus status = settings.Status;
    LoadRotation(ui, settings, editor.context(), rotation,
                 {.with_path = true, .make_current = true});
    editor.RotationRead();
    settings.Status = status;
  }
  return every_build_completed ? SiteBuildResult::Built : SiteBuildResult::Failed;
}

}  // namespace parvel
