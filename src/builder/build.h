// The build of one site or rotation: the checks made before it, the image list it takes (which
// the build dialog edits) and the passes that write copied graphics, page buttons, thumbnails,
// image display pages and thumbnail pages into the site directory. The window and the command line
// are thin fronts over BuildState.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "builder/buildimagelist.h"
#include "builder/descriptions.h"
#include "builder/headerfooterrotation.h"
#include "builder/messages.h"
#include "builder/pagecontext.h"
#include "builder/pageindex.h"
#include "builder/thumbnail.h"
#include "builder/writeplan.h"
#include "model/buildrecord.h"
#include "model/catalogue.h"
#include "model/options.h"
#include "model/sitesettings.h"
#include "platform/interaction.h"
#include "templates/compliance.h"

namespace parvel {

// How many names the location notice lists.
inline constexpr std::size_t kGpsNamesShown = 3;

// What one build (or several, added up) did to the site folder.
struct BuildCounts {
  std::int64_t thumbnails_made = 0;
  std::int64_t thumbnails_kept = 0;      // up to date, left as they were
  std::int64_t thumbnails_left_out = 0;  // could not be made: their pictures left out of the pages
  PageWrites pages;                      // thumbnail pages and image display pages
  std::int64_t copies_made = 0;          // display copies and 2x thumbnails
  std::int64_t copies_kept = 0;
  std::int64_t copies_removed = 0;  // of pictures that left, or of an option turned off
  // The pictures whose GPS position the site publishes (display copies off): how many, and the
  // first names.
  std::int64_t gps_pictures = 0;
  std::vector<std::string> gps_names;
  BuildCounts& operator+=(const BuildCounts& other) {
    thumbnails_made += other.thumbnails_made;
    thumbnails_kept += other.thumbnails_kept;
    thumbnails_left_out += other.thumbnails_left_out;
    copies_made += other.copies_made;
    copies_kept += other.copies_kept;
    copies_removed += other.copies_removed;
    gps_pictures += other.gps_pictures;
    for (const auto& name : other.gps_names) {
      if (gps_names.size() < kGpsNamesShown) gps_names.push_back(name);
    }
    pages.written += other.pages.written;
    pages.unchanged += other.pages.unchanged;
    return *this;
  }
};

// What a build needs besides the page settings.
struct BuildInputs {
  // The site's main page name (BaseHTMLName).
  std::string base_html_name = "Index.html";
  // The application options UseThumbsDirectory and MaxFilenameLength.
  bool use_thumbs_directory = true;
  int max_filename_length = 15;
  // The site editor's image list as re-read from disk before each build; when not set, the site
  // image files of the site directory (ListSiteImages).
  std::function<std::vector<std::string>()> list_images;
  // The marker flags the build refreshes in its checks and reads in its passes: the program's
  // record (ProgramTemplateMarkers) for the fronts; when not set, the build's own.
  TemplateMarkers* markers = nullptr;
  // The record of the files builds wrote into the site directory (BuildRecordPath of the site
  // and rotation); empty: the site directory's own record (FolderBuildRecordPath).
  std::string record_file;
};

// How the last build ended.
enum class BuildOutcome {
  NotRun,
  Completed,  // every pass finished (pictures may have been left out: left_out())
  Refused,    // the user would not have files replaced that the program did not make; nothing
              // was written
  Cancelled,  // the user confirmed cancelling
  Failed,     // stopped by an error (said by its own message)
};

// The inputs for the current site under the current options, reading the program's marker flags;
// an empty BaseHTMLName reads as "Index.html".
BuildInputs BuildInputsFor(const SiteRecord& site, const AppOptions& options);
// The same with the record of rotation `rotation` of the site.
BuildInputs BuildInputsFor(const SiteRecord& site, const AppOptions& options, int rotation);

// The state of one build dialog. It edits `settings` in place (the page number prefix, Status)
// and reads it at every step, so the record must outlive it.
class BuildState {
 public:
  BuildState(Interaction& ui, SiteSettings& settings, BuildInputs inputs);
  BuildState(const BuildState&) = delete;
  BuildState& operator=(const BuildState&) = delete;

  // The checks before the build dialog opens, in order; the first that fails shows its message
  // and gives false. Also runs the compliance tests (refreshing markers()) and fills
  // files_to_copy() and excluded_names(). `unattended` says the start comes from Build All.
  [[nodiscard]] bool PreBuildChecks(bool unattended);

  // Fills the image list from the site editor's list without thumbnails, page buttons and the
  // names in excluded_names().
  void FillImageList();
  // The list the build takes, which the dialog edits before Start (locked while building).
  BuildImageList& image_list() { return image_list_; }

  // Start: refuses an empty list, prepares the description file, builds, and on success sets
  // Status to 2 and (unless unattended) offers the preview. True when the build succeeded and
  // the dialog closes. The temporary description file is gone afterwards whatever the result.
  [[nodiscard]] bool Start();
  // Cancel: during a build it only asks for the cancel at the next checkpoint and returns false;
  // otherwise it returns true (close the dialog).
  bool Cancel();

  // Every pass in order. True when all finished, false when cancelled or stopped by an error.
  // Before anything is written it plans every write (PlanWrites) and asks once, naming them,
  // about existing files it would replace that are not on the record of what builds wrote
  // there and do not hold its bytes already; No writes nothing. What it wrote (also before a
  // stop) goes on the record, which is saved only when that changes it. A picture whose
  // thumbnail cannot be made (and the user went on) is left out of the pages.
  [[nodiscard]] bool build();
  BuildOutcome outcome() const { return outcome_; }
  // The pictures the last build left out of its pages, in list order.
  const std::vector<std::string>& left_out() const { return left_out_; }
  // The record file this build keeps.
  std::string record_file() const;

  Interaction& ui() { return ui_; }
  const std::vector<std::string>& images() const { return image_list_.names(); }
  const std::vector<std::string>& site_images() const { return site_images_; }
  const std::vector<std::string>& files_to_copy() const { return files_to_copy_; }
  const std::vector<std::string>& excluded_names() const { return excluded_names_; }
  const TemplateMarkers& markers() const { return markers_; }
  bool no_thumbnail_mode() const { return no_thumbnail_mode_; }
  bool unattended() const { return unattended_; }
  bool building() const { return building_; }  // Start is disabled while true
  // "Do not create thumbnails if they already exist": keep each thumbnail that is up to date
  // (CheckThumbnail); off, every thumbnail is made again.
  bool no_recreate() const { return no_recreate_; }
  void set_no_recreate(bool on) { no_recreate_ = on; }
  // Worker threads of the thumbnail pass (at least 1; 1 makes every thumbnail on the build's own
  // thread). Initially DefaultThumbnailJobs(): the machine's cores, at most 8.
  int jobs() const { return jobs_; }
  void set_jobs(int jobs) { jobs_ = jobs < 1 ? 1 : jobs; }
  // How the thumbnail pass decodes (by default leaving out unused progressive scans).
  const ThumbnailOptions& thumbnail_options() const { return thumbnail_options_; }
  void set_thumbnail_options(ThumbnailOptions options) { thumbnail_options_ = options; }

  // What the last build did (cleared when a build starts).
  const BuildCounts& counts() const { return counts_; }

  // The site directory (Rotation_Path with a trailing separator) and where thumbnails go.
  std::string site_directory() const;
  std::string thumbnail_directory() const;
  // Horizontal_Thumb_Count x Vertical_Thumb_Count, and the number of thumbnail pages for the
  // current image list.
  int images_per_page() const;
  int page_count() const;

 private:
  bool CheckTemplate(const std::string& path, bool thumbnail_template);
  // The last check: refuses (with PageOverPictureMessage) a build whose thumbnail or image
  // display pages would take the name of a picture of the site directory (its image list, or
  // any file with a picture's extension), compared without regard to case.
  bool CheckPagesSparePictures();
  void AddRequiredFiles(const ComplianceResult& result);

  bool RunPasses();
  // Every file the passes may write for `images` on `pages` pages, in the order they write
  // them; decides which thumbnails are kept (kept_) and the button extensions.
  WritePlan PlanWrites(const std::vector<std::string>& images, int pages,
                       const std::string& site_dir, const std::string& thumb_dir);
  // Reads the records of the files made from `images` (on every job's thread): returns kKept,
  // kKeptWithGps or kMade for each thumbnail, and puts the display copies and 2x thumbnails that
  // are current into current_web_files_. Nothing is current when the build makes everything anew.
  std::vector<char> CheckMadeFiles(const std::vector<std::string>& images,
                                   const std::string& site_dir, const std::string& thumb_dir);
  // The site directory's files that already hold the pages the build would write, composed
  // without writing anything.
  std::unordered_set<std::string> PagesAlreadyThere(const std::vector<std::string>& images,
                                                    int pages, const std::string& site_dir,
                                                    bool with_buttons);
  PageContext MakePageContext(const std::vector<std::string>& images, const std::string& site_dir,
                              std::string* failure);
  int PagesFor(std::int64_t images) const;
  // A file the build wrote (or found holding its bytes): the program's from now on.
  void Produced(const std::string& path);
  // Saves the record when it changed (StoreRecord), and at the build's end (SaveRecord) first
  // leaves out the files that are gone.
  void StoreRecord();
  void SaveRecord();
  bool MakeThumbnailDirectory(const std::string& directory);
  bool CopyPass(const std::string& site_dir);  // false when cancelled
  // Copies `source` to `target` (replacing it in one step) unless it holds the same bytes.
  bool CopyUnlessSame(const std::string& source, const std::string& target);
  bool ButtonPass(const std::string& site_dir, int pages);
  bool ThumbnailPass(const std::vector<std::string>& images, const std::string& site_dir,
                     const std::string& thumb_dir);
  // The image display pages and the thumbnail pages of the build's `pages` pages; false when the
  // build stops (a page failed, with its message, or the user cancelled).
  // `dry`: composing only (ctx.sink set), without progress, questions or messages.
  bool ImagePagePass(const PageContext& ctx, int pages, bool with_buttons, bool dry = false);
  bool ThumbnailPagePass(const PageContext& ctx, int pages, bool with_buttons, bool dry = false);
  // One image of the thumbnail pass after its progress step: keeps its thumbnail, or writes
  // `made` (made here when null or empty); false when the build stops.
  bool ThumbnailStep(const std::string& image, const std::string& target, char keep,
                     const std::vector<std::uint8_t>* made, const std::string& site_dir);
  // Notes a picture whose thumbnail record tells of a GPS position (display copies off).
  void NoteGps(const std::string& image, const std::string& site_dir, const std::string& target,
               char kept);
  // The 2x thumbnails and the display copies, made, kept or removed as the options say.
  // False when the build stops.
  bool WebPass(const std::vector<std::string>& images, const std::string& site_dir,
               const std::string& thumb_dir);
  bool HiDpiPass(const std::vector<std::string>& images, const std::string& site_dir,
                 const std::string& thumb_dir);
  bool CopyPassForWeb(const std::vector<std::string>& images, const std::string& site_dir);
  // Makes the files of `jobs` (source, target) on the workers with `maker` and writes each in
  // list order; false when the build stops. `written` gets the targets written.
  struct WebJob {
    std::string image;
    std::string source;
    std::string target;
  };
  bool MakeWebFiles(const std::vector<WebJob>& jobs,
                    const std::function<std::vector<std::uint8_t>(const std::string&)>& maker,
                    const std::function<std::uint64_t(const std::string&)>& estimate,
                    std::string_view what, std::unordered_set<std::string>* written);
  // Removes the files of `folder` named by `pattern` that carry a record of `kind` and are not
  // in `wanted` (upper-case names); the folder too when `remove_empty` and nothing is left.
  void RemoveUnwanted(const std::string& folder, const RecordKind& kind,
                      bool (*pattern)(std::string_view name),
                      const std::unordered_set<std::string>& wanted, bool remove_empty);

  // The build's checkpoint: false when the user confirmed cancelling.
  bool Checkpoint();
  void ShowProgress();
  void Say(std::string message);
  void Advance();

  Interaction& ui_;
  SiteSettings& settings_;
  BuildInputs inputs_;
  TemplateMarkers own_markers_;
  TemplateMarkers& markers_;
  HeaderFooterRotation rotation_;
  DescriptionFile description_;
  ButtonExtensions extensions_;

  std::vector<std::string> site_images_;
  BuildImageList image_list_;
  std::vector<std::string> files_to_copy_;
  // For each entry of files_to_copy_, the template folder whose real path it must lie in when
  // copied (empty for the navigation graphics, which the user chose wherever they are).
  std::vector<std::string> copy_folders_;
  std::vector<std::string> excluded_names_;
  std::string description_ini_path_;
  bool no_recreate_ = true;
  int jobs_ = 1;
  ThumbnailOptions thumbnail_options_;
  bool no_thumbnail_mode_ = false;
  int requested_page_count_ = 0;
  bool unattended_ = false;
  bool cancel_requested_ = false;
  bool use_image_buttons_ = false;
  bool building_ = false;

  BuildCounts counts_;
  BuildOutcome outcome_ = BuildOutcome::NotRun;
  std::vector<std::string> left_out_;
  // Of the build running: which images keep their thumbnails (by list position), the plan and
  // the record of what builds wrote.
  // kMade, or kKept / kKeptWithGps (its record tells of a GPS position).
  static constexpr char kMade = 0, kKept = 1, kKeptWithGps = 2;
  std::vector<char> kept_;
  std::optional<WritePlan> plan_;
  std::optional<BuildRecord> record_;
  bool record_failed_ = false;
  // What the web-ready options add to each image's tags, for the pages of this build.
  std::unordered_map<std::string, WebImage> web_;
  // The display copies and 2x thumbnails (full paths) found current when the plan was made.
  std::unordered_set<std::string> current_web_files_;
  // The display copies this build kept or wrote, which carry their record.
  std::unordered_set<std::string> recorded_copies_;
  std::string message_;
  std::int64_t position_ = 0;
  std::int64_t maximum_ = 0;
};

}  // namespace parvel
