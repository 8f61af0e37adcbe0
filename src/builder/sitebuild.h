// The site editor's "Build!" as every front runs it (the desktop's button, parvel-cli build): the
// checks and the build of the current rotation (or of every rotation), with the settings lock
// let go during the build and what was saved meanwhile kept.
#pragma once

#include <functional>
#include <memory>

#include "builder/build.h"
#include "builder/thumbnail.h"
#include "model/catalogue.h"
#include "model/editsite.h"
#include "model/options.h"
#include "model/sitesettings.h"
#include "platform/filelock.h"
#include "platform/interaction.h"

namespace parvel {

class BuildState;

struct SiteBuildRequest {
  bool all_rotations = false;      // Build All: every rotation in turn, unattended
  bool remake_thumbnails = false;  // make every thumbnail again, not only those out of date
  int jobs = 0;                    // thumbnail workers; 0 keeps the build's own choice
  ThumbnailOptions thumbnails;
  // How one build whose checks passed runs (the second argument says it is part of Build All).
  // Unset: the image list is filled and Start pressed at once, as the command line does; the
  // desktop shows its build dialog here.
  std::function<bool(BuildState&, bool unattended)> run;
  // Told after each build, once the editor's rotation list has been read again (the desktop
  // shows the list).
  std::function<void()> built;
};

enum class SiteBuildResult {
  Built,      // every build completed
  Failed,     // a check or a build failed, or the user cancelled (each said so itself)
  NotLocked,  // the settings lock could not be taken back after the build
};

// Takes the data directory's settings lock without reading the catalogue again; null (the
// reason already told) when another program kept it too long.
using SettingsLocker = std::function<std::unique_ptr<FileLock>()>;

// One "Build!" of `editor`, open on its current site and rotation over `settings`, with the
// settings lock in `lock` held by the caller. Snapshots the rotation's saved section, lets the
// lock go so the rotation schedule is not kept waiting, builds (the current rotation; or each
// one through the editor's Build All), takes the lock back with `relock` into `lock`, re-reads
// the site's record, and when the rotation's section was saved meanwhile reloads it keeping
// the build's Status. What the builds did is added to `counts` when given. The caller closes the
// editor afterwards (unless NotLocked).
[[nodiscard]] SiteBuildResult BuildFromEditor(
    Interaction& ui, SiteEditor& editor, SiteSettings& settings, Catalogue& catalogue,
    const AppOptions& options, const SiteBuildRequest& request, std::unique_ptr<FileLock>& lock,
    const SettingsLocker& relock, BuildCounts* counts = nullptr);

}  // namespace parvel
