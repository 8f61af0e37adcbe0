#include "builder/build.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <exception>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "base/textutil.h"
#include "builder/imagepage.h"
#include "builder/pagebuttons.h"
#include "builder/pagecontext.h"
#include "builder/pagenames.h"
#include "builder/thumbnail.h"
#include "builder/thumbpage.h"
#include "builder/thumbpool.h"
#include "builder/webcopy.h"
#include "imaging/formats/jpeg.h"
#include "imaging/pixelgraphic.h"
#include "model/filehelpers.h"
#include "model/imagefiles.h"
#include "model/paths.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

// Where the pages composed before a build (to compare them with what is there) send their
// status lines: nowhere.
class QuietInteraction : public Interaction {
 public:
  Answer Message(MessageKind, std::string_view, Buttons) override { return Answer::No; }
  Answer Ask(MessageKind, std::string_view, Buttons, Caution) override { return Answer::No; }
  std::optional<std::string> Prompt(std::string_view, std::string_view, std::string_view) override {
    return std::nullopt;
  }
  void BeginBusy() override {}
  void EndBusy() override {}
  void Progress(std::string_view, int, int) override {}
  void Status(std::string_view) override {}
  void Log(std::string_view) override {}
  bool Checkpoint() override { return false; }
  bool OpenDocument(const std::string&) override { return false; }
  void ShowHelp(int) override {}
};

constexpr std::string_view kDefaultBaseHtmlName = "Index.html";
constexpr std::string_view kThumbsFolder = "thumbs/";
// How long the build's thread waits for a thumbnail before it lets the window's events run.
constexpr std::chrono::milliseconds kResponsiveWait{20};

// A file setting that must name an existing file.
bool Names(const std::string& path) {
  return !path.empty() && FileExists(path);
}

int ClampToInt(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, 0, INT_MAX));
}

}  // namespace

BuildInputs BuildInputsFor(const SiteRecord& site, const AppOptions& options) {
  BuildInputs inputs;
  if (!site.BaseHTMLName.empty()) inputs.base_html_name = site.BaseHTMLName;
  inputs.use_thumbs_directory = options.UseThumbsDirectory;
  inputs.max_filename_length = options.MaxFilenameLength;
  inputs.markers = &ProgramTemplateMarkers();
  return inputs;
}

BuildInputs BuildInputsFor(const SiteRecord& site, const AppOptions& options, int rotation) {
  BuildInputs inputs = BuildInputsFor(site, options);
  inputs.record_file = BuildRecordPath(site.SiteKey, rotation);
  return inputs;
}

BuildState::BuildState(Interaction& ui, SiteSettings& settings, BuildInputs inputs)
    : ui_(ui),
      settings_(settings),
      inputs_(std::move(inputs)),
      markers_(inputs_.markers != nullptr ? *inputs_.markers : own_markers_),
      rotation_(settings, markers_),
      jobs_(DefaultThumbnailJobs()) {
  if (inputs_.base_html_name.empty()) inputs_.base_html_name = kDefaultBaseHtmlName;
}

std::string BuildState::site_directory() const {
  return FixPath(settings_.Rotation_Path, true);
}

std::string BuildState::thumbnail_directory() const {
  const std::string site_dir = site_directory();
  if (inputs_.use_thumbs_directory && !no_thumbnail_mode_) {
    return site_dir + std::string(kThumbsFolder);
  }
  return site_dir;
}

int BuildState::images_per_page() const {
  return settings_.Horizontal_Thumb_Count * settings_.Vertical_Thumb_Count;
}

int BuildState::page_count() const {
  return PagesFor(static_cast<std::int64_t>(images().size()));
}

int BuildState::PagesFor(std::int64_t images) const {
  if (no_thumbnail_mode_) return requested_page_count_;
  const int per_page = images_per_page();
  if (per_page <= 0) return 0;
  return ClampToInt(images / per_page + (images % per_page != 0 ? 1 : 0));
}

std::string BuildState::record_file() const {
  return inputs_.record_file.empty() ? FolderBuildRecordPath(site_directory())
                                     : inputs_.record_file;
}

// ---- Before the build dialog opens.

bool BuildState::PreBuildChecks(bool unattended) {
  description_ini_path_.clear();
  site_images_ = inputs_.list_images ? inputs_.list_images() : ListSiteImages(site_directory());
  no_thumbnail_mode_ = false;
  unattended_ = unattended;
  SetDefaultValues(settings_);

  const SiteSettings& s = settings_;
  if (!Names(s.Style_File)) {
    ui_.Inform(kNoThumbTemplateMessage);
    return false;
  }
  if (!s.DisplayAsImage && !Names(s.Image_Style_File)) {
    ui_.Inform(kNoImageTemplateMessage);
    return false;
  }
  if (s.Filename_Display == FilenameDisplay::DescriptionFile && !Names(s.Description_File)) {
    ui_.Warn(kNoDescriptionFileMessage);
    return false;
  }
  if (s.Header_Mode == HeaderMode::Html && s.Header_HTML.empty()) {
    ui_.Inform(kNoHeaderHtmlMessage);
    return false;
  }
  if (s.Header_Mode == HeaderMode::List && !Names(s.Header_File)) {
    ui_.Warn(kNoHeaderFileMessage);
    return false;
  }
  if (s.Footer_Mode == HeaderMode::Html && s.Footer_HTML.empty()) {
    ui_.Inform(kNoFooterHtmlMessage);
    return false;
  }
  if (s.Footer_Mode == HeaderMode::List && !Names(s.Footer_File)) {
    ui_.Warn(kNoFooterFileMessage);
    return false;
  }

  if (site_images().empty()) {
    if (!ui_.AskYesNo(kNoImagesQuestion)) return false;
    const auto text = ui_.Prompt(kPageCountCaption, kPageCountQuestion, kPageCountDefault);
    if (!text) return false;
    const auto count = ParseInt(*text);
    if (!count || *count < 1) {
      ui_.Warn(kInvalidPageCountMessage);
      return false;
    }
    requested_page_count_ = *count;
    no_thumbnail_mode_ = true;
  }

  files_to_copy_.clear();
  copy_folders_.clear();
  excluded_names_.clear();
  if (s.prev_next_image_buttons) {
    const std::string* nav[] = {&s.Next_Page_File, &s.Previous_Page_File, &s.Return_To_Index_File};
    for (const std::string* file : nav) {
      if (!file->empty()) excluded_names_.push_back(UpperAscii(FileNamePart(*file)));
    }
    for (const std::string* file : nav) {
      if (!file->empty()) {
        files_to_copy_.push_back(*file);
        copy_folders_.emplace_back();
      }
    }
  }

  if (!CheckTemplate(s.Style_File, true)) return false;
  if (!s.DisplayAsImage && !CheckTemplate(s.Image_Style_File, false)) return false;
  return CheckPagesSparePictures();
}

bool BuildState::CheckPagesSparePictures() {
  // The picture files of the directory and the image list (which may come from elsewhere), by
  // upper-case name: a page replaces a picture whose name it takes in any letter case, as on a
  // file system that ignores case.
  std::unordered_map<std::string, std::string> pictures;
  for (std::string& name : ListPictureFiles(site_directory())) {
    std::string upper = UpperAscii(name);
    pictures.emplace(std::move(upper), std::move(name));
  }
  for (const std::string& name : site_images_) pictures.emplace(UpperAscii(name), name);
  const auto refuse = [this](const std::string& page, const std::string& picture) {
    ui_.Warn(PageOverPictureMessage(page, picture));
    return false;
  };

  const std::string& base = inputs_.base_html_name;
  if (!settings_.DisplayAsImage && !no_thumbnail_mode_) {
    for (const std::string& image : site_images_) {
      const std::string page = DisplayPageName(image, base);
      const auto found = pictures.find(UpperAscii(page));
      if (found != pictures.end()) return refuse(page, found->second);
    }
  }
  // Thumbnail pages: the main page name, and its stem + a page number from 2 + its extension.
  // At most as many pages as the whole image list fills (the dialog can only shorten it).
  const int per_page = images_per_page();
  const std::int64_t count = static_cast<std::int64_t>(site_images_.size());
  const std::int64_t pages = no_thumbnail_mode_ ? requested_page_count_
                             : per_page > 0     ? (count + per_page - 1) / per_page
                                                : 0;
  const std::string upper_base = UpperAscii(base);
  const std::string upper_extension = UpperAscii(ExtensionPart(base));
  const std::string upper_stem = upper_base.substr(0, upper_base.size() - upper_extension.size());
  for (const auto& [upper, picture] : pictures) {
    if (pages >= 1 && upper == upper_base) return refuse(base, picture);
    if (upper.size() <= upper_stem.size() + upper_extension.size() ||
        upper.compare(0, upper_stem.size(), upper_stem) != 0 || !upper.ends_with(upper_extension)) {
      continue;
    }
    const std::string number =
        upper.substr(upper_stem.size(), upper.size() - upper_stem.size() - upper_extension.size());
    const auto page = ParseInt(number);
    if (page && *page >= 2 && *page <= pages && number == std::to_string(*page)) {
      return refuse(HtmlPageName(base, *page), picture);
    }
  }
  return true;
}

bool BuildState::CheckTemplate(const std::string& path, bool thumbnail_template) {
  const ComplianceResult result =
      TestCompliancy(path, thumbnail_template ? PageKind::Thumbnail : PageKind::Image, markers_);
  if (!result.result) {
    if (thumbnail_template) {
      ui_.Warn(std::string(kThumbTemplateFailedPrefix) + path +
               std::string(kThumbTemplateFailedSuffix));
    } else {
      ui_.Warn(std::string(kImageTemplateFailedPrefix) + path +
               std::string(kImageTemplateFailedSuffix));
    }
    return false;
  }
  AddRequiredFiles(result);
  return true;
}

void BuildState::AddRequiredFiles(const ComplianceResult& result) {
  for (size_t i = 0; i < result.required_files.size(); ++i) {
    copy_folders_.push_back(DirectoryPart(result.template_path));
    // A required file lands in the site directory under its bare name, so that is the name the
    // image list must never offer, also when the template refers to it in a subfolder.
    excluded_names_.push_back(UpperAscii(FileNamePart(result.required_files[i])));
    files_to_copy_.push_back(i < result.source_paths.size()
                                 ? result.source_paths[i]
                                 : DirectoryPart(result.template_path) + result.required_files[i]);
  }
}

// ---- The build dialog's list.

void BuildState::FillImageList() {
  BusyCursor busy(ui_);
  image_list_.Fill(site_images_, excluded_names_);
}

// ---- Start and Cancel.

bool BuildState::Start() {
  if (building_) return false;
  if (!no_thumbnail_mode_ && images().empty()) {
    ui_.Warn(kEmptyImageListMessage);
    return false;
  }
  description_ini_path_.clear();
  if (!description_.Prepare(ui_, settings_)) return false;
  description_ini_path_ = description_.lookup_path();

  const bool built = build();
  description_.RemoveTemporary();
  if (!built) return false;

  settings_.Status = RotationStatus::Built;
  bool preview = false;
  if (!left_out_.empty()) {
    // Not "completed": the pages lack these pictures.
    if (unattended_) {
      ui_.Warn(LeftOutMessage(site_directory(), left_out_));
    } else {
      preview = ui_.Message(MessageKind::Warning, LeftOutQuestion(left_out_), Buttons::YesNo) ==
                Answer::Yes;
    }
  } else if (!unattended_) {
    preview = ui_.AskYesNo(kPreviewQuestion);
  }
  if (preview) ui_.OpenPage(site_directory() + inputs_.base_html_name);
  return true;
}

bool BuildState::Cancel() {
  if (!building_) return true;
  cancel_requested_ = true;
  return false;
}

// ---- The build.

bool BuildState::build() {
  if (building_) return false;
  cancel_requested_ = false;
  counts_ = {};
  left_out_.clear();
  outcome_ = BuildOutcome::Failed;
  BusyCursor busy(ui_);
  building_ = true;
  image_list_.set_locked(true);
  bool result = false;
  try {
    result = RunPasses();
  } catch (const std::exception& e) {
    // Anything not reported by a pass (a setting out of any sensible range, memory) ends the
    // build without a box of its own, as the passes' own failures do after their message; the
    // reason goes on the log.
    ui_.Log(ReasonLine("The build stopped", e.what()));
    result = false;
  }
  SaveRecord();
  if (result) outcome_ = BuildOutcome::Completed;
  message_.clear();
  if (outcome_ == BuildOutcome::Cancelled) message_ = kBuildCancelledMessage;
  if (outcome_ == BuildOutcome::Refused) message_ = kBuildNotReplacingMessage;
  // A completed build shows its bar full while it asks about the preview.
  if (result) {
    maximum_ = std::max<std::int64_t>(maximum_, 1);
    position_ = maximum_;
  } else {
    position_ = 0;
  }
  ShowProgress();
  building_ = false;
  image_list_.set_locked(false);
  return result;
}

bool BuildState::RunPasses() {
  SiteSettings& s = settings_;
  if (s.Page_Number_Prefix.empty()) {
    s.Page_Number_Prefix = "Page ";
  } else if (s.Page_Number_Prefix.back() != ' ') {
    s.Page_Number_Prefix += ' ';
  }
  // Every build reads its header and footer lists afresh: the dialog stays open between builds.
  rotation_.Clear();
  extensions_ = ButtonExtensions();

  // The list cannot change under the passes: they work on a copy.
  std::vector<std::string> images =
      no_thumbnail_mode_ ? std::vector<std::string>{} : image_list_.names();
  const std::int64_t n = static_cast<std::int64_t>(images.size());
  int pages = page_count();

  maximum_ =
      static_cast<std::int64_t>(files_to_copy_.size()) + (s.DisplayAsImage ? n : 2 * n) + pages;
  if (s.HiDPI_Thumbnails) maximum_ += n;
  if (s.Web_Image_Size > 0) {
    maximum_ += std::count_if(images.begin(), images.end(),
                              [](const std::string& image) { return TakesWebCopy(image); });
  }
  position_ = 0;
  message_.clear();
  use_image_buttons_ = UsesImageButtons(s);
  if (use_image_buttons_) maximum_ += pages;
  ShowProgress();

  const std::string site_dir = site_directory();
  const std::string thumb_dir = thumbnail_directory();

  // Every write is known before the first: one question about files the program did not make.
  plan_.emplace(PlanWrites(images, pages, site_dir, thumb_dir));
  BuildRecord record(record_file(), site_dir);
  record.Load();  // one that cannot be read counts as empty: more is asked, nothing is lost
  const std::vector<std::string> conflicts = plan_->Conflicts(record);
  if (!conflicts.empty() && ui_.Ask(MessageKind::Confirmation, ReplaceQuestion(conflicts, site_dir),
                                    Buttons::YesNo, Caution::DefaultNo) != Answer::Yes) {
    outcome_ = BuildOutcome::Refused;
    return false;
  }
  record_.emplace(std::move(record));

  if (thumb_dir != site_dir && !MakeThumbnailDirectory(thumb_dir)) return false;
  // What writes of a build that was stopped left behind would otherwise pile up.
  RemoveStaleTemporaries(site_dir);
  if (thumb_dir != site_dir) RemoveStaleTemporaries(thumb_dir);
  if (!Checkpoint()) return false;

  // The record is stored after each pass, so that a build stopped by force loses little of it.
  if (!CopyPass(site_dir)) return false;
  StoreRecord();

  if (use_image_buttons_ && !ButtonPass(site_dir, pages)) return false;
  StoreRecord();

  if (!no_thumbnail_mode_ && !ThumbnailPass(images, site_dir, thumb_dir)) return false;
  StoreRecord();

  // A picture without a thumbnail would show as a broken picture: the pages go without it.
  if (!left_out_.empty()) {
    const std::unordered_set<std::string> gone(left_out_.begin(), left_out_.end());
    std::erase_if(images, [&](const std::string& image) { return gone.contains(image); });
    pages = PagesFor(static_cast<std::int64_t>(images.size()));
  }

  if (!no_thumbnail_mode_ && !WebPass(images, site_dir, thumb_dir)) return false;
  const bool web_ready =
      !no_thumbnail_mode_ && (s.HiDPI_Thumbnails || s.Web_Image_Size > 0 || s.Lazy_Loading);
  web_.clear();
  if (web_ready) web_ = ReadWebImages(s, images, site_dir, thumb_dir, &recorded_copies_);

  std::string page_failure;
  PageContext ctx = MakePageContext(images, site_dir, &page_failure);
  ctx.web = web_ready ? &web_ : nullptr;

  if (!s.DisplayAsImage && !no_thumbnail_mode_ && !ImagePagePass(ctx, pages, use_image_buttons_)) {
    return false;
  }
  StoreRecord();

  // The thumbnail pages' headers and footers start from the first entry whatever the image
  // pages used.
  rotation_.ResetPositions();
  if (!ThumbnailPagePass(ctx, pages, use_image_buttons_)) return false;
  if (counts_.gps_pictures > 0) ui_.Status(LocationNotice(counts_.gps_pictures, counts_.gps_names));
  return true;
}

PageContext BuildState::MakePageContext(const std::vector<std::string>& images,
                                        const std::string& site_dir, std::string* failure) {
  const SiteSettings& s = settings_;
  return PageContext{.settings = s,
                     .site_dir = site_dir,
                     .base_html_name = inputs_.base_html_name,
                     .images = images,
                     .use_thumbs_directory = inputs_.use_thumbs_directory && !no_thumbnail_mode_,
                     .max_filename_length = inputs_.max_filename_length,
                     .no_thumbnail_mode = no_thumbnail_mode_,
                     .headers = &rotation_,
                     .descriptions = s.Filename_Display == FilenameDisplay::DescriptionFile
                                         ? &description_
                                         : nullptr,
                     .failure = failure,
                     .writes = &counts_.pages};
}

WritePlan BuildState::PlanWrites(const std::vector<std::string>& images, int pages,
                                 const std::string& site_dir, const std::string& thumb_dir) {
  const SiteSettings& s = settings_;
  WritePlan plan(site_dir);
  if (thumb_dir != site_dir) plan.AddOwnFolder(thumb_dir);

  // Copied graphics: replaceable when they hold the copy already.
  for (size_t i = 0; i < files_to_copy_.size(); ++i) {
    const std::string& file = files_to_copy_[i];
    const std::string& folder = i < copy_folders_.size() ? copy_folders_[i] : std::string();
    if (!FileExists(file)) continue;
    std::string source = file;
    if (!folder.empty()) {
      const auto real = RealPathInside(file, folder);
      if (!real) continue;  // not copied
      source = *real;
    }
    const std::string target = site_dir + FileNamePart(file);
    plan.Add(target, [target, source] { return FileHoldsCopyOf(target, source); });
  }

  // Page buttons, with the extension their backgrounds give them. A background that cannot be
  // read stops the button pass before its buttons, and the pages then get text indexes.
  bool buttons_drawn = false;
  if (use_image_buttons_) {
    const std::string& selected = s.Selected_Page_Index_File;
    const std::string& other = s.Other_Page_Index_File;
    const std::string current_background = selected.empty() ? other : selected;
    const std::string other_background = other.empty() ? selected : other;
    const auto current_extension = ButtonExtensionFor(current_background);
    const auto other_extension = ButtonExtensionFor(other_background);
    buttons_drawn = current_extension && other_extension;
    if (current_extension) extensions_.current = *current_extension;
    if (other_extension) extensions_.other = *other_extension;
    const auto button = [this, &plan](const std::string& path, const std::string& background,
                                      const Colour& colour, int page) {
      plan.Add(path, [this, path, background, colour, page] {
        try {
          const std::vector<std::uint8_t> bytes = RenderButton(
              settings_, background, ButtonTextColour(colour), PageLabel(settings_, page));
          return FileHolds(
              path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        } catch (const std::exception&) {
          return false;
        }
      });
    };
    for (int page = 1; page <= pages; ++page) {
      if (current_extension) {
        button(site_dir + CurrentPageButtonName(page, *current_extension), current_background,
               s.Displayed_Page_Text_Colour, page);
      }
      if (other_extension) {
        button(site_dir + OtherPageButtonName(page, *other_extension), other_background,
               s.Other_Page_Text_Colour, page);
      }
    }
  }

  // Thumbnails: those to be made. One this build writes is never kept for a later image of the
  // list that shares its name (a.jpg and a.gif), so that the later image's thumbnail wins. Out
  // of the thumbnail folder, one that carries a thumbnail record is the program's.
  kept_.assign(images.size(), 0);
  current_web_files_.clear();
  if (!no_thumbnail_mode_) {
    const std::vector<char> current = CheckMadeFiles(images, site_dir, thumb_dir);
    std::unordered_set<std::string> written;
    for (size_t i = 0; i < images.size(); ++i) {
      const std::string target = thumb_dir + ThumbnailName(images[i]);
      kept_[i] = no_recreate_ && !written.contains(target) ? current[i] : kMade;
      if (kept_[i]) continue;
      written.insert(target);
      plan.Add(target, [target] { return CarriesThumbnailRecord(target); });
    }
  }

  // Display copies and 2x thumbnails: the program's when they carry their records. A file of
  // web/ that the program did not make is asked about with the rest.
  if (!no_thumbnail_mode_ && s.HiDPI_Thumbnails) {
    for (const std::string& image : images) {
      const std::string target = thumb_dir + HiDpiThumbnailName(image);
      plan.Add(target, [target] { return CarriesThumbnailRecord(target); });
    }
  }
  if (!no_thumbnail_mode_ && s.Web_Image_Size > 0) {
    for (const std::string& image : images) {
      if (!TakesWebCopy(image)) continue;
      const std::string target = site_dir + WebCopyName(image);
      plan.Add(target, [target] { return HasRecord(WebCopyRecordKind(), target); });
    }
  }

  // Pages: replaceable when they hold the page already. They are composed (all of them, for the
  // header rotation) only when one is asked about; every page's check shares the one result.
  struct Composed {
    std::vector<std::string> images;
    int pages = 0;
    std::string site_dir;
    bool buttons = false;
    bool done = false;
    std::unordered_set<std::string> same;
  };
  auto composed = std::make_shared<Composed>();
  composed->images = images;
  composed->pages = pages;
  composed->site_dir = site_dir;
  composed->buttons = buttons_drawn;
  const auto same_page = [this, composed](const std::string& path) {
    return [this, composed, path] {
      if (!composed->done) {
        composed->done = true;
        composed->same = PagesAlreadyThere(composed->images, composed->pages, composed->site_dir,
                                           composed->buttons);
      }
      return composed->same.contains(path);
    };
  };
  if (!s.DisplayAsImage && !no_thumbnail_mode_) {
    for (const std::string& image : images) {
      const std::string path = site_dir + DisplayPageName(image, inputs_.base_html_name);
      plan.Add(path, same_page(path));
    }
  }
  for (int page = 1; page <= pages; ++page) {
    const std::string path = site_dir + HtmlPageName(inputs_.base_html_name, page);
    plan.Add(path, same_page(path));
  }
  return plan;
}

std::unordered_set<std::string> BuildState::PagesAlreadyThere(
    const std::vector<std::string>& images, int pages, const std::string& site_dir,
    bool with_buttons) {
  std::unordered_set<std::string> same;
  std::string failure;
  PageContext ctx = MakePageContext(images, site_dir, &failure);
  ctx.writes = nullptr;
  ctx.sink = [&same](const std::string& path, const std::string& text) {
    if (FileHolds(path, text)) same.insert(path);
  };
  rotation_.ResetPositions();
  if (settings_.DisplayAsImage || no_thumbnail_mode_ ||
      ImagePagePass(ctx, pages, with_buttons, true)) {
    rotation_.ResetPositions();
    ThumbnailPagePass(ctx, pages, with_buttons, true);
  }
  // The build proper reads its lists afresh and starts them from the first entry.
  rotation_.Clear();
  return same;
}

bool BuildState::ImagePagePass(const PageContext& ctx, int pages, bool with_buttons, bool dry) {
  const SiteSettings& s = settings_;
  const std::vector<std::string>& images = ctx.images;
  const std::string& site_dir = ctx.site_dir;
  const std::int64_t n = static_cast<std::int64_t>(images.size());
  const int per_page = images_per_page();
  const bool with_index = markers_.image.index && s.IndexInImagePages;
  const PageIndex page_index(s, inputs_.base_html_name, extensions_, with_index ? pages : 0,
                             with_buttons);
  QuietInteraction quiet;
  Interaction& ui = dry ? static_cast<Interaction&>(quiet) : ui_;
  for (int page = 1; page <= pages; ++page) {
    const std::string index = with_index ? page_index.For(ui, page) : std::string();
    for (int k = 1; k <= per_page; ++k) {
      const std::int64_t i = static_cast<std::int64_t>(page - 1) * per_page + (k - 1);
      if (i > n - 1) break;
      const std::string& image = images[static_cast<size_t>(i)];
      const std::string target = site_dir + DisplayPageName(image, inputs_.base_html_name);
      if (!dry) Say("Creating Image Display page for the image, " + image);
      if (!createHTMLImagepage(ctx, target, static_cast<int>(i), page, index)) {
        if (dry) return false;
        if (ctx.failure && !ctx.failure->empty()) {
          ui_.Log(ReasonLine("The Image Display page for the image, " + image, *ctx.failure));
        }
        ui_.Warn(kImagePagesFailedMessage);
        return false;
      }
      if (dry) continue;
      Produced(target);
      Advance();
      if (!Checkpoint()) return false;
    }
  }
  return true;
}

bool BuildState::ThumbnailPagePass(const PageContext& ctx, int pages, bool with_buttons, bool dry) {
  const SiteSettings& s = settings_;
  const std::string& site_dir = ctx.site_dir;
  const int per_page = images_per_page();
  const bool with_index = markers_.thumbnail.index && s.IndexInThumbPages;
  const PageIndex page_index(s, inputs_.base_html_name, extensions_, with_index ? pages : 0,
                             with_buttons);
  QuietInteraction quiet;
  Interaction& ui = dry ? static_cast<Interaction&>(quiet) : ui_;
  for (int page = 1; page <= pages; ++page) {
    const std::string index = with_index ? page_index.For(ui, page) : std::string();
    const std::string name = HtmlPageName(inputs_.base_html_name, page);
    if (!dry) Say("Creating the HTML Page, " + name);
    if (!createHTMLThumbpage(ctx, site_dir + name, page, pages, (page - 1) * per_page, index)) {
      if (dry) return false;
      if (ctx.failure && !ctx.failure->empty()) {
        ui_.Log(ReasonLine("The HTML Page, " + name, *ctx.failure));
      }
      ui_.Warn(kThumbPagesFailedMessage);
      return false;
    }
    if (dry) continue;
    Produced(site_dir + name);
    Advance();
    if (!Checkpoint()) return false;
  }
  return true;
}

bool BuildState::MakeThumbnailDirectory(const std::string& directory) {
  if (DirectoryExists(directory)) return true;
  if (Files().CreateDirectory(FixPath(directory, false), nullptr)) return true;
  ui_.Warn(DirectoryFailedMessage(directory));
  return false;
}

bool BuildState::CopyPass(const std::string& site_dir) {
  for (size_t i = 0; i < files_to_copy_.size(); ++i) {
    const std::string& file = files_to_copy_[i];
    const std::string& folder = i < copy_folders_.size() ? copy_folders_[i] : std::string();
    Say("Copying file, " + file);
    try {
      if (!FileExists(file)) {
        // Copying would first remove the site's own copy and then fail: keep that copy.
        ui_.Warn(kCopyErrorWarning + file + "!");
      } else if (folder.empty()) {
        if (CopyUnlessSame(file, site_dir + FileNamePart(file))) {
          Produced(site_dir + FileNamePart(file));
        }
      } else if (const auto real = RealPathInside(file, folder)) {
        // Copied from its real path, which holds no link that could lead out meanwhile.
        if (CopyUnlessSame(*real, site_dir + FileNamePart(file))) {
          Produced(site_dir + FileNamePart(file));
        }
      } else {
        // A link in the template folder that came to lead out since the checks.
        ui_.Warn(OutsideDirectoryMessage(file, folder));
      }
    } catch (const std::exception& e) {
      ui_.Log(ReasonLine("Copying " + file, e.what()));
      ui_.Message(MessageKind::Plain, CopyFailedMessage(file), Buttons::Ok);
    }
    if (!Checkpoint()) return false;
  }
  return true;
}

bool BuildState::CopyUnlessSame(const std::string& source, const std::string& target) {
  // A copy that holds the same bytes already is left alone, keeping its file time.
  if (FileHoldsCopyOf(target, source)) return true;
  return CopyFileAsked(ui_, source, target, false);
}

bool BuildState::ButtonPass(const std::string& site_dir, int pages) {
  ButtonPassHooks hooks;
  hooks.advance = [this](std::string_view message) {
    ++position_;
    Say(std::string(message));
  };
  hooks.checkpoint = [this] { return Checkpoint(); };
  hooks.made = [this](const std::string& path) { Produced(path); };
  const ButtonPassResult result = RunButtonPass(settings_, site_dir, pages, &extensions_, hooks);
  switch (result.status) {
    case ButtonPassResult::Done:
      return true;
    case ButtonPassResult::Cancelled:
      return false;
    case ButtonPassResult::Failed:
      break;
  }
  if (!result.failure.empty()) {
    ui_.Log(ReasonLine("The buttons of page " + IntToStr(result.page), result.failure));
  }
  use_image_buttons_ = false;
  return ui_.Message(MessageKind::Warning, kButtonErrorQuestion, Buttons::OkCancel) == Answer::Ok;
}

bool BuildState::ThumbnailPass(const std::vector<std::string>& images, const std::string& site_dir,
                               const std::string& thumb_dir) {
  const SiteSettings& s = settings_;
  // Which thumbnails are kept was settled with the plan.
  const auto kept = [this](std::size_t i) { return i < kept_.size() ? kept_[i] : kMade; };
  if (jobs_ <= 1) {
    JpegCoefficientReuse reuse;
    for (std::size_t i = 0; i < images.size(); ++i) {
      Advance();
      if (!ThumbnailStep(images[i], thumb_dir + ThumbnailName(images[i]), kept(i), nullptr,
                         site_dir)) {
        return false;
      }
    }
    return true;
  }
  // Workers decode, scale and encode ahead; everything the user sees stays here, in list order.
  std::vector<std::string> sources(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    if (!kept(i)) sources[i] = site_dir + images[i];
  }
  const int box_width = s.Thumb_Width;
  const int box_height = s.Thumb_Height;
  const int quality = s.Thumb_JPEG_Quality;
  const ThumbnailOptions options = thumbnail_options_;
  // Decodes of large images wait for memory rather than add up: see kThumbnailMemoryBudget.
  ThumbnailPool pool(std::move(sources), jobs_, 2 * jobs_,
                     [=](const std::string& source) {
                       return MakeThumbnailData(source, box_width, box_height, quality, options);
                     },
                     {[=](const std::string& source) {
                        return EstimateThumbnailMemory(source, box_width, box_height);
                      },
                      kThumbnailMemoryBudget});
  for (std::size_t i = 0; i < images.size(); ++i) {
    Advance();
    // The window's events go on running while this thumbnail is still being made.
    while (!pool.WaitFor(i, kResponsiveWait)) ui_.KeepResponsive();
    const std::vector<std::uint8_t> made = pool.Take(i);
    if (!ThumbnailStep(images[i], thumb_dir + ThumbnailName(images[i]), kept(i), &made, site_dir)) {
      return false;
    }
  }
  return true;
}

bool BuildState::ThumbnailStep(const std::string& image, const std::string& target, char keep,
                               const std::vector<std::uint8_t>* made, const std::string& site_dir) {
  const SiteSettings& s = settings_;
  if (keep) {
    ++counts_.thumbnails_kept;
  } else {
    Say("Creating Thumbnail for " + image);
    bool written = false;
    const bool go_on =
        made != nullptr && !made->empty()
            ? WriteThumbnailData(ui_, *made, target, s.Thumb_JPEG_Quality, &written)
            : CreateThumbnail(ui_, site_dir + image, target, s.Thumb_Width, s.Thumb_Height,
                              s.Thumb_JPEG_Quality, thumbnail_options_, &written);
    if (!go_on) {
      ui_.Message(MessageKind::Plain, ThumbnailFailedMessage(image), Buttons::Ok);
      return false;
    }
    if (written) {
      ++counts_.thumbnails_made;
      Produced(target);
    } else {
      // The user went on without it: the pages go without its picture.
      ++counts_.thumbnails_left_out;
      left_out_.push_back(image);
    }
  }
  NoteGps(image, site_dir, target, keep);
  return Checkpoint();
}

void BuildState::Produced(const std::string& path) {
  if (record_ && !(plan_ && plan_->Owned(path))) record_->Add(path);
}

void BuildState::StoreRecord() {
  if (!record_ || record_failed_) return;
  std::string error;
  if (!record_->Save(&error)) {
    // The files stay; only the next build asks about them again. Said once per build.
    record_failed_ = true;
    ui_.Log(ReasonLine("Saving " + record_->file(), error));
    ui_.Warn(RecordNotSavedMessage(record_->file()));
  }
}

void BuildState::SaveRecord() {
  if (record_) {
    record_->DropMissing();
    StoreRecord();
  }
  record_.reset();
  plan_.reset();
  record_failed_ = false;
}

void BuildState::NoteGps(const std::string& image, const std::string& site_dir,
                         const std::string& target, char kept) {
  const SiteSettings& s = settings_;
  if (s.Web_Image_Size > 0 || !IsJPEGFileName(image)) return;
  // The thumbnail's record knows: no photograph is read again. A kept thumbnail's was read with
  // the plan; a new one's is read here.
  bool gps = kept == kKeptWithGps;
  if (kept == kMade && CheckThumbnail(site_dir + image, target, s.Thumb_Width, s.Thumb_Height,
                                      s.Thumb_JPEG_Quality, &gps) != ThumbnailState::UpToDate) {
    return;
  }
  if (!gps) return;
  ++counts_.gps_pictures;
  if (counts_.gps_names.size() < kGpsNamesShown) counts_.gps_names.push_back(image);
}

std::vector<char> BuildState::CheckMadeFiles(const std::vector<std::string>& images,
                                             const std::string& site_dir,
                                             const std::string& thumb_dir) {
  const SiteSettings& s = settings_;
  std::vector<char> thumbnails(images.size(), kMade);
  if (!no_recreate_) return thumbnails;
  // Which display copies and 2x thumbnails are current, by list position.
  std::vector<char> copies(images.size(), 0), hidpi(images.size(), 0);
  ForEachIndex(images.size(), jobs_, [&](std::size_t i) {
    const std::string source = site_dir + images[i];
    const std::optional<FileStamp> stamp = StampOf(source);
    const auto current = [&](const RecordKind& kind, const std::string& target, int width,
                             int height, int quality, bool* gps) {
      return CheckRecordedFile(kind, source, target, width, height, quality, gps, &stamp) ==
             ThumbnailState::UpToDate;
    };
    // Its record also tells whether the photograph holds a GPS position: read here once.
    bool gps = false;
    if (current(ThumbnailRecordKind(), thumb_dir + ThumbnailName(images[i]), s.Thumb_Width,
                s.Thumb_Height, s.Thumb_JPEG_Quality, &gps)) {
      thumbnails[i] = gps ? kKeptWithGps : kKept;
    }
    copies[i] = s.Web_Image_Size > 0 && TakesWebCopy(images[i]) &&
                current(WebCopyRecordKind(), site_dir + WebCopyName(images[i]), s.Web_Image_Size,
                        s.Web_Image_Size, s.Web_Image_Quality, nullptr);
    hidpi[i] = s.HiDPI_Thumbnails &&
               current(ThumbnailRecordKind(), thumb_dir + HiDpiThumbnailName(images[i]),
                       2 * s.Thumb_Width, 2 * s.Thumb_Height, s.Thumb_JPEG_Quality, nullptr);
  });
  for (std::size_t i = 0; i < images.size(); ++i) {
    if (copies[i]) current_web_files_.insert(site_dir + WebCopyName(images[i]));
    if (hidpi[i]) current_web_files_.insert(thumb_dir + HiDpiThumbnailName(images[i]));
  }
  return thumbnails;
}

// ---- Web-ready files.

namespace {

bool IsHiDpiName(std::string_view name) {
  constexpr std::string_view kEnd = "_THB@2X.JPG";
  return name.size() > kEnd.size() && UpperAscii(name.substr(name.size() - kEnd.size())) == kEnd;
}

bool IsJpgName(std::string_view name) {
  constexpr std::string_view kEnd = ".JPG";
  return name.size() > kEnd.size() && UpperAscii(name.substr(name.size() - kEnd.size())) == kEnd;
}

}  // namespace

bool BuildState::WebPass(const std::vector<std::string>& images, const std::string& site_dir,
                         const std::string& thumb_dir) {
  if (!HiDpiPass(images, site_dir, thumb_dir)) return false;
  return CopyPassForWeb(images, site_dir);
}

bool BuildState::HiDpiPass(const std::vector<std::string>& images, const std::string& site_dir,
                           const std::string& thumb_dir) {
  const SiteSettings& s = settings_;
  std::unordered_set<std::string> wanted;
  if (s.HiDPI_Thumbnails) {
    const int box_width = 2 * s.Thumb_Width;
    const int box_height = 2 * s.Thumb_Height;
    const int quality = s.Thumb_JPEG_Quality;
    std::vector<WebJob> jobs;
    // A later image of the list that shares the name (a.jpg, a.gif) wins, as for thumbnails.
    std::unordered_map<std::string, std::size_t> job_of_target;
    for (const std::string& image : images) {
      const std::string name = HiDpiThumbnailName(image);
      const std::string target = thumb_dir + name;
      const std::string source = site_dir + image;
      if (no_recreate_ && !job_of_target.contains(target) && current_web_files_.contains(target)) {
        ++counts_.copies_kept;
        wanted.insert(UpperAscii(name));
        Advance();
        continue;
      }
      ImageFileInfo info;
      if (!ReadImageFileInfo(source, 0, &info) ||
          !TakesHiDpiThumbnail(info.width, info.height, s.Thumb_Width, s.Thumb_Height)) {
        Advance();
        continue;  // a 2x file of an earlier build goes below
      }
      job_of_target[target] = jobs.size();
      jobs.push_back({image, source, target});
    }
    std::unordered_set<std::string> written;
    const ThumbnailOptions options = thumbnail_options_;
    if (!MakeWebFiles(
            jobs,
            [=](const std::string& source) {
              return MakeThumbnailData(source, box_width, box_height, quality, options);
            },
            [=](const std::string& source) {
              return EstimateThumbnailMemory(source, box_width, box_height);
            },
            "Creating high-density thumbnail for ", &written)) {
      return false;
    }
    for (const WebJob& job : jobs) {
      if (written.contains(job.target)) wanted.insert(UpperAscii(FileNamePart(job.target)));
    }
  }
  if (DirectoryExists(thumb_dir)) {
    RemoveUnwanted(thumb_dir, ThumbnailRecordKind(), IsHiDpiName, wanted, false);
  }
  return Checkpoint();
}

bool BuildState::CopyPassForWeb(const std::vector<std::string>& images,
                                const std::string& site_dir) {
  const SiteSettings& s = settings_;
  const std::string web_dir = site_dir + std::string(kWebFolder);
  std::unordered_set<std::string> wanted;
  recorded_copies_.clear();
  if (s.Web_Image_Size > 0) {
    const int box = s.Web_Image_Size;
    const int quality = s.Web_Image_Quality;
    std::vector<WebJob> jobs;
    std::unordered_set<std::string> queued;
    for (const std::string& image : images) {
      if (!TakesWebCopy(image)) continue;
      const std::string name = WebCopyName(image);
      const std::string target = site_dir + name;
      const std::string source = site_dir + image;
      wanted.insert(UpperAscii(FileNamePart(name)));
      if (no_recreate_ && !queued.contains(target) && current_web_files_.contains(target)) {
        ++counts_.copies_kept;
        recorded_copies_.insert(target);
        Advance();
        continue;
      }
      queued.insert(target);
      jobs.push_back({image, source, target});
    }
    if (!jobs.empty() && !MakeThumbnailDirectory(web_dir)) return false;
    std::unordered_set<std::string> written;
    if (!MakeWebFiles(
            jobs, [=](const std::string& source) { return MakeWebCopyData(source, box, quality); },
            [=](const std::string& source) { return EstimateWebCopyMemory(source, box); },
            "Creating display copy of ", &written)) {
      return false;
    }
    recorded_copies_.insert(written.begin(), written.end());
  }
  if (DirectoryExists(web_dir)) {
    RemoveUnwanted(web_dir, WebCopyRecordKind(), IsJpgName, wanted, s.Web_Image_Size <= 0);
  }
  return Checkpoint();
}

bool BuildState::MakeWebFiles(
    const std::vector<WebJob>& jobs,
    const std::function<std::vector<std::uint8_t>(const std::string&)>& maker,
    const std::function<std::uint64_t(const std::string&)>& estimate, std::string_view what,
    std::unordered_set<std::string>* written) {
  if (jobs.empty()) return true;
  std::vector<std::string> sources;
  sources.reserve(jobs.size());
  for (const WebJob& job : jobs) sources.push_back(job.source);
  const int workers = std::max(jobs_, 1);
  ThumbnailPool pool(std::move(sources), workers, 2 * workers, maker,
                     {estimate, kThumbnailMemoryBudget});
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const WebJob& job = jobs[i];
    Advance();
    Say(std::string(what) + job.image);
    while (!pool.WaitFor(i, kResponsiveWait)) ui_.KeepResponsive();
    const std::vector<std::uint8_t> made = pool.Take(i);
    bool done = false;
    if (made.empty()) {
      // The reason, as the thumbnails give it: made again here on the build's thread.
      std::string failure;
      try {
        (void)maker(job.source);
      } catch (const std::exception& e) {
        failure = e.what();
      }
      ui_.Log(ReasonLine(std::string(what) + job.image, failure.empty() ? "failed" : failure));
    } else {
      std::string error;
      const std::string_view bytes(reinterpret_cast<const char*>(made.data()), made.size());
      done = Files().WriteFileReplace(job.target, bytes, &error);
      if (!done) ui_.Log(ReasonLine(job.target, error));
    }
    if (done) {
      ++counts_.copies_made;
      written->insert(job.target);
      Produced(job.target);
    } else if (ui_.Message(MessageKind::Warning, kThumbnailErrorQuestion, Buttons::YesNo) !=
               Answer::Yes) {
      ui_.Message(MessageKind::Plain, ThumbnailFailedMessage(job.image), Buttons::Ok);
      return false;
    }
    if (!Checkpoint()) return false;
  }
  return true;
}

void BuildState::RemoveUnwanted(const std::string& folder, const RecordKind& kind,
                                bool (*pattern)(std::string_view name),
                                const std::unordered_set<std::string>& wanted, bool remove_empty) {
  std::vector<DirectoryEntry> entries;
  if (!Files().ListDirectory(FixPath(folder, false), &entries, nullptr)) return;
  std::size_t left = entries.size();
  for (const DirectoryEntry& entry : entries) {
    if (entry.is_link || !entry.is_regular_file || !pattern(entry.name) ||
        wanted.contains(UpperAscii(entry.name))) {
      continue;
    }
    // Only what the program made: a file without its record is the user's.
    const std::string path = folder + entry.name;
    if (!HasRecord(kind, path)) continue;
    std::string error;
    if (Files().Remove(path, &error)) {
      ++counts_.copies_removed;
      --left;
    } else {
      ui_.Log(ReasonLine("Removing " + path, error));
    }
  }
  if (remove_empty && left == 0) Files().Remove(FixPath(folder, false), nullptr);
}

// ---- Checkpoints and progress.

bool BuildState::Checkpoint() {
  if (ui_.Checkpoint()) cancel_requested_ = true;
  if (!cancel_requested_) return true;
  cancel_requested_ = false;
  if (!ui_.AskYesNo(kCancelBuildQuestion)) return true;
  outcome_ = BuildOutcome::Cancelled;
  return false;
}

void BuildState::ShowProgress() {
  ui_.Progress(message_, ClampToInt(position_), ClampToInt(maximum_));
}

void BuildState::Say(std::string message) {
  message_ = std::move(message);
  ShowProgress();
}

void BuildState::Advance() {
  ++position_;
  ShowProgress();
}

}  // namespace parvel
