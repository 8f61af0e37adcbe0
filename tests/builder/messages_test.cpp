// Every message the checks before a build, the build, the catalogue and the rotations show, written
// out as the user reads it (never through the program's own constants), each row driving the
// situation that shows it. In the texts {S} stands for the site folder, {T} for the folder of
// templates and graphics, {D} for the data directory and {L} for a live directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "base/textutil.h"
#include "builder/build_site.h"
#include "model/editsite.h"
#include "model/inifile.h"
#include "model/paths.h"
#include "model/rotatenow.h"
#include "model/siteop.h"
#include "model/siteoptions.h"
#include "model/sitesettings.h"
#include "model/turnwheel.h"
#include "support/faulty_filesystem.h"

namespace parvel {
namespace {

using testing::Site;
using testing::WriteFile;

// A build site (one image) beside a data directory holding one site, Site_1 "Cats", whose
// directory exists and which is due for rotation into {L} from its one built rotation.
struct World : Site {
  std::string data = dir / "data/";
  std::string live = dir / "live";
  Catalogue catalogue;
  std::vector<std::string> lines;  // text shown outside message boxes: reports, status lines
  AppOptions options;
  SiteSettings edited;
  std::vector<std::string> styles_offered;
  SiteEditor editor{ui, catalogue, edited, options, styles_offered};
  FaultyFileSystem faulty{RealFileSystem()};
  std::optional<ScopedFileSystem> scope;

  World() {
    options.UseRotations = true;
    AddImages(1);
    SetDataDirectory(data);
    WriteFile(data + "sites.ini", "[Sites]\r\nSite_1=Cats\r\n");
    WriteFile(data + "Site_1.ini",
              "[General]\r\nName=Cats\r\nPath=%/Site_1/\r\nLivePath=" + live +
                  "\r\nAutoRotate=True\r\nCurrentRotationPosition=1\r\nRotationCount=1\r\n"
                  "[Rotation_1]\r\nRotation_Path=%/Site_1/Rotation_1\r\n");
    WriteFile(data + "Site_1/Rotation_1/Index.html", "built");
    catalogue.ReadSites();
    catalogue.SelectSite(0, true);
  }

  // Every file system call fails from here to the end of the case.
  void FailAll() {
    faulty.FailAll();
    scope.emplace(faulty);
  }
  bool Checks() {
    BuildState state(ui, settings, inputs);
    return state.PreBuildChecks(false);
  }
  void Rotate() { lines = RotateSites().Lines(); }
  void Options(const char* name, const std::string& path, bool auto_rotate, const char* live_dir,
               bool use_rotations = true) {
    SiteOptionsDialog dialog(ui, catalogue.site(), use_rotations);
    dialog.set_name(name);
    dialog.set_path(path);
    dialog.set_auto_rotate(auto_rotate);
    dialog.set_live_path(live_dir);
    dialog.Accept(catalogue);
  }
  // The editor opens a site without rotations, whose first rotation's folder cannot be made.
  void FirstRotationUnderFailure() {
    std::filesystem::remove_all(data + "Site_1");
    WriteFile(data + "Site_1.ini",
              "[General]\r\nName=Cats\r\nPath=%/Site_1/\r\nRotationCount=0\r\n");
    catalogue.ReadSites();
    catalogue.SelectSite(0, true);
    FailAll();
    editor.Open();
  }
  void HeaderList(bool display_as_image) {
    settings.DisplayAsImage = display_as_image;
    settings.Header_Mode = HeaderMode::List;
    settings.Header_File = styles + "headers.txt";
    WriteFile(settings.Header_File, "");
  }
  void Describe(const char* text) {
    settings.Filename_Display = FilenameDisplay::DescriptionFile;
    settings.Description_File = styles + "captions.txt";
    if (text) WriteFile(settings.Description_File, text);
  }
};

struct MessageCase {
  const char* name;
  std::function<void(World&)> act;
  std::optional<MessageKind> kind;  // nullopt: a report or status line, not a message box
  const char* text;
};

void PrintTo(const MessageCase& c, std::ostream* os) {
  *os << c.name;
}

class Messages : public ::testing::TestWithParam<MessageCase> {};

TEST_P(Messages, TheUserReadsTheTextWrittenHere) {
  const MessageCase& c = GetParam();
  World world;
  c.act(world);
  std::string text = c.text;
  for (const auto& [key, value] : {std::pair<std::string, std::string>{"{S}", world.site},
                                   {"{T}", world.styles},
                                   {"{D}", world.data},
                                   {"{L}", world.live}}) {
    text = ReplaceAll(text, key, value);
  }
  if (!c.kind) {
    EXPECT_EQ(world.lines, std::vector<std::string>{text});
    return;
  }
  const testing::Shown shown = testing::ShownOf(world.ui);
  std::string seen;
  for (const auto& [kind, what] : shown) seen += "\n  " + what;
  EXPECT_NE(std::find(shown.begin(), shown.end(), std::pair{*c.kind, text}), shown.end())
      << "not shown as written (or not of its kind): " << text << "\nshown:" << seen;
}

constexpr auto kInfo = MessageKind::Information;
constexpr auto kWarn = MessageKind::Warning;
constexpr auto kAsk = MessageKind::Confirmation;
constexpr auto kPlain = MessageKind::Plain;

INSTANTIATE_TEST_SUITE_P(
    All, Messages,
    ::testing::Values(
        // The checks before a build.
        MessageCase{"no_thumbnail_template",
                    [](World& w) { w.settings.Style_File = w.styles + "gone.htm", w.Checks(); },
                    kInfo,
                    "You have not specified a HTML template file for your thumbnail page or the "
                    "file cannot be located!"},
        MessageCase{"no_image_template",
                    [](World& w) {
                      w.settings.DisplayAsImage = false, w.settings.Image_Style_File.clear(),
                      w.Checks();
                    },
                    kInfo,
                    "You have not specified a HTML template file for your image display page or "
                    "the file cannot be located!"},
        MessageCase{"no_description_file", [](World& w) { w.Describe(nullptr), w.Checks(); }, kWarn,
                    "You have elected to show descriptions for your thumbnails, however you have "
                    "not specified a description file or the file cannot be located!"},
        MessageCase{"no_header_html",
                    [](World& w) { w.settings.Header_Mode = HeaderMode::Html, w.Checks(); }, kInfo,
                    "You have elected to insert a header, but have not provided any HTML!"},
        MessageCase{"no_header_file",
                    [](World& w) { w.settings.Header_Mode = HeaderMode::List, w.Checks(); }, kWarn,
                    "You have elected to insert custom headers, but you have not specified a file "
                    "to use or the file cannot be located!"},
        MessageCase{"no_footer_html",
                    [](World& w) { w.settings.Footer_Mode = HeaderMode::Html, w.Checks(); }, kInfo,
                    "You have elected to insert a footer, but have not provided any HTML!"},
        MessageCase{"no_footer_file",
                    [](World& w) { w.settings.Footer_Mode = HeaderMode::List, w.Checks(); }, kWarn,
                    "You have elected to insert custom footers, but you have not specified a file "
                    "to use or the file cannot be located!"},
        MessageCase{"thumbnail_template_not_compliant",
                    [](World& w) { WriteFile(w.settings.Style_File, "<HTML></HTML>"), w.Checks(); },
                    kWarn,
                    "The HTML Template file, {T}thumbs.htm, has failed the compliancy test.  "
                    "Please use 'Test Compliance' to review and correct the problems!"},
        MessageCase{"image_template_not_compliant",
                    [](World& w) {
                      w.settings.DisplayAsImage = false,
                      WriteFile(w.settings.Image_Style_File, "<HTML></HTML>"), w.Checks();
                    },
                    kWarn,
                    "The HTML Template file for your image pages, {T}image.htm, has failed the "
                    "compliancy test.  Please use 'Test Compliance' to review and correct the "
                    "problems."},
        MessageCase{"no_images",
                    [](World& w) {
                      std::filesystem::remove(w.site + "img01.jpg"), w.ui.QueueAnswer(Answer::No),
                          w.Checks();
                    },
                    kAsk,
                    "The current Site or Rotation does not contain any images!  Do you want to "
                    "create a site without thumbnails?"},
        MessageCase{"page_count_not_a_number",
                    [](World& w) {
                      std::filesystem::remove(w.site + "img01.jpg"), w.ui.QueueAnswer(Answer::Yes),
                          w.ui.QueuePrompt("many"), w.Checks();
                    },
                    kWarn, "You failed to enter a valid number"},
        // The build.
        MessageCase{"empty_image_list",
                    [](World& w) {
                      BuildState state(w.ui, w.settings, w.inputs);
                      ASSERT_TRUE(state.PreBuildChecks(false));
                      state.FillImageList();
                      state.image_list().Exclude({0});
                      EXPECT_FALSE(state.Start());
                    },
                    kWarn, "The current Site or Rotation does not contain any images!"},
        MessageCase{"preview", [](World& w) { w.ui.QueueAnswer(Answer::No), w.Build(false); }, kAsk,
                    "Your build has been completed.  Would you like to preview it now?"},
        MessageCase{
            "cancel",
            [](World& w) { w.ui.CancelAtCheckpoint(1), w.ui.QueueAnswer(Answer::Yes), w.Build(); },
            kAsk, "Are you sure you want to cancel processing of your Site Build?"},
        MessageCase{"image_pages_failed", [](World& w) { w.HeaderList(false), w.Build(); }, kWarn,
                    "Error encountered creating your Image Display pages.  Please ensure you have "
                    "enough disk space"},
        MessageCase{"thumbnail_pages_failed", [](World& w) { w.HeaderList(true), w.Build(); },
                    kWarn,
                    "Error encountered creating your HTML pages.  Please ensure you have enough "
                    "disk space"},
        MessageCase{"thumbnail_directory",
                    [](World& w) { WriteFile(w.site + "thumbs", "a file in the way"), w.Build(); },
                    kWarn,
                    "Error encountered creating the directory, {S}thumbs/.  Building will "
                    "terminate!"},
        MessageCase{"copy_missing_graphic",
                    [](World& w) {
                      w.settings.prev_next_image_buttons = true,
                      w.settings.Next_Page_File = w.styles + "next.gif", w.Build();
                    },
                    kWarn, "An error was encountered copying the file, {T}next.gif!"},
        MessageCase{"thumbnail_question",
                    [](World& w) {
                      WriteFile(w.site + "broken.jpg", "not a picture"),
                          w.ui.QueueAnswer(Answer::Yes), w.Build();
                    },
                    kWarn,
                    "Error encountered creating thumbnail.  Please ensure you have sufficient disk "
                    "space.  Do you want to continue processing your images?"},
        MessageCase{"thumbnail_stopped",
                    [](World& w) {
                      WriteFile(w.site + "broken.jpg", "not a picture"),
                          w.ui.QueueAnswer(Answer::No), w.Build();
                    },
                    kPlain, "Error encountered creating the thumbnail, broken.jpg"},
        MessageCase{"buttons_failed",
                    [](World& w) {
                      w.settings.index_image_buttons = true,
                      w.settings.Selected_Page_Index_File = w.styles + "button.gif",
                      WriteFile(w.settings.Selected_Page_Index_File, "no image here"),
                      w.ui.QueueAnswer(Answer::Cancel), w.Build();
                    },
                    kWarn,
                    "An error was encountered creating your page index buttons.  A text index "
                    "will be created instead."},
        MessageCase{"description_unreadable", [](World& w) { w.Describe(""), w.Build(); }, kWarn,
                    "An error was encountered reading your description file!"},
        MessageCase{"description_without_entries",
                    [](World& w) {
                      w.Describe("no comma on this line\r\n"), w.ui.QueueAnswer(Answer::No),
                          w.Build();
                    },
                    kWarn,
                    "No valid entries were found in the file, {T}captions.txt.  Do you still want "
                    "to build this Site?"},
        // The catalogue and the site options.
        MessageCase{
            "new_site_failed",
            [](World& w) { w.FailAll(), w.catalogue.NewSite(w.ui, true, [] { return false; }); },
            kWarn,
            "Error encountered creating new site!  Ensure you have write access and "
            "sufficient disk space for your data directory, {D}!"},
        MessageCase{
            "delete_site",
            [](World& w) { w.ui.QueueAnswer(Answer::No), w.catalogue.DeleteSite(w.ui, true); },
            kAsk,
            "Are you sure you want to delete the current site, Cats?  \r\n\r\nNote: This "
            "will also delete the directory, {D}Site_1/ and all files that it contains!"},
        MessageCase{"options_without_a_site",
                    [](World& w) {
                      w.catalogue.SelectSite(-1, true),
                          SiteOptionsAction(w.ui, w.catalogue, true, [] { return true; });
                    },
                    kWarn, "You have not selected a site!"},
        MessageCase{"rotations_disabled",
                    [](World& w) { w.Options("Cats", w.data, true, "/srv", false); }, kInfo,
                    "You have disabled support for multiple rotations under options"},
        MessageCase{"no_site_name", [](World& w) { w.Options("", w.data, false, ""); }, kInfo,
                    "You have not entered a site name!"},
        MessageCase{"no_site_directory", [](World& w) { w.Options("Cats", "", false, ""); }, kInfo,
                    "You have not entered a directory for this site!"},
        MessageCase{"no_live_directory", [](World& w) { w.Options("Cats", w.data, true, ""); },
                    kInfo,
                    "You have elected to automatically rotate this site, but have not entered a "
                    "destination directory!"},
        MessageCase{"create_site_directory",
                    [](World& w) {
                      w.ui.QueueAnswer(Answer::No), w.Options("Cats", w.data + "new", false, "");
                    },
                    kAsk, "The directory, {D}new, does not exist.  Would you like to create it?"},
        MessageCase{"site_directory_failed",
                    [](World& w) {
                      w.FailAll(), w.ui.QueueAnswer(Answer::Yes),
                          w.Options("Cats", w.data + "new", false, "");
                    },
                    kWarn, "An error was encountered creating the directory ,{D}new!"},
        MessageCase{"site_not_saved",
                    [](World& w) { w.FailAll(), w.Options("Dogs", w.data, false, ""); }, kWarn,
                    "Error encountered saving the settings for the current site.  Ensure you have "
                    "sufficient disk space and write access to this drive"},
        MessageCase{"copy_settings_without_a_rotation",
                    [](World& w) {
                      CopySettingsDialog dialog(w.catalogue, {});
                      dialog.Accept(w.ui, w.settings, true);
                    },
                    kInfo, "You have not selected a rotation to copy settings from!"},
        MessageCase{"new_rotation_failed", [](World& w) { w.FirstRotationUnderFailure(); }, kInfo,
                    "Error encountered creating a new rotation directory!"},
        MessageCase{"directory_failed", [](World& w) { w.FirstRotationUnderFailure(); }, kWarn,
                    "An error was encountered whilst trying to create the directory, "
                    "{D}Site_1/Rotation_1/"},
        MessageCase{"delete_rotation",
                    [](World& w) {
                      w.editor.Open(), w.ui.QueueAnswer(Answer::No), w.editor.DeleteRotation();
                    },
                    kAsk,
                    "Are you sure you want to remove Rotation 1 and delete all files in the "
                    "directory, {D}Site_1/Rotation_1?"},
        MessageCase{"rotation_directory_not_found",
                    [](World& w) {
                      std::filesystem::remove_all(w.data + "Site_1/Rotation_1"), w.editor.Open(),
                          w.lines = {w.editor.status_line()};
                    },
                    std::nullopt,
                    "Error!  The directory, {D}Site_1/Rotation_1, could not be located!"},
        MessageCase{"rotation_not_saved",
                    [](World& w) {
                      w.FailAll(),
                          SaveRotation(w.ui, w.settings, {"Site_1", w.data + "Site_1/", true}, 1,
                                       SavedKeys::WithStatusAndPath);
                    },
                    kWarn,
                    "Error encountered saving the settings for the current rotation.  Ensure you "
                    "have sufficient disk space and write access to this drive"},
        // The rotations.
        MessageCase{"rotation_program_missing",
                    [](World& w) { RotateNow(w.ui, w.catalogue, true); }, kPlain,
                    "Could not load {D}turnwheel!"},
        MessageCase{"rotated", [](World& w) { w.Rotate(); }, std::nullopt,
                    "Site_1 (Cats): Rotation 1 is live in {L}; next rotation: 1"},
        MessageCase{"rotation_not_built",
                    [](World& w) {
                      std::filesystem::remove(w.data + "Site_1/Rotation_1/Index.html"), w.Rotate();
                    },
                    std::nullopt,
                    "Site_1 (Cats): Rotation 1 is not built ({D}Site_1/Rotation_1 holds no "
                    "Index.html); the live directory is unchanged"},
        MessageCase{
            "rotation_directory_missing",
            [](World& w) { std::filesystem::remove_all(w.data + "Site_1/Rotation_1"), w.Rotate(); },
            std::nullopt,
            "Site_1 (Cats): Rotation 1: the directory, {D}Site_1/Rotation_1, does not "
            "exist; the live directory is unchanged"},
        MessageCase{"nothing_due",
                    [](World& w) { WriteFile(w.data + "sites.ini", "[Sites]\r\n"), w.Rotate(); },
                    std::nullopt, "No site is due for rotation."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace parvel
