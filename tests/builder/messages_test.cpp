// Every message the checks before a build, the build, the catalogue and the rotations show, written
// out as the user reads it (never through the program's own constants), each row driving the
// situation that shows it (the checks before a build are driven together, in their order, by the
// last test). In the texts {S} stands for the site folder, {T} for the folder of templates and
// graphics, {D} for the data directory and {L} for a live directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "base/textutil.h"
#include "builder/build_site.h"
#include "builder/thumbnail.h"
#include "model/catalogue.h"
#include "model/editsite.h"
#include "model/paths.h"
#include "model/rotatenow.h"
#include "model/siteoptions.h"
#include "model/sitesettings.h"
#include "model/turnwheel.h"
#include "support/faulty_filesystem.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::Site, testing::WriteFile;

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
  void FailAll() { faulty.FailAll(), scope.emplace(faulty); }
  bool Checks() { return BuildState(ui, settings, inputs).PreBuildChecks(false); }
  void Rotate() { lines = RotateSites().Lines(); }
  void Options(const char* name, const std::string& path, bool auto_rotate, const char* live_dir,
               bool use_rotations = true) {
    SiteOptionsForm dialog(ui, catalogue.site(), use_rotations);
    dialog.set_name(name), dialog.set_path(path), dialog.set_auto_rotate(auto_rotate);
    dialog.set_live_path(live_dir), dialog.Accept(catalogue);
  }
  // The editor opens a site without rotations, whose first rotation's folder cannot be made.
  void FirstRotationUnderFailure() {
    fs::remove_all(data + "Site_1");
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
  void BuildWithABrokenPicture(Answer to_continue) {
    WriteFile(site + "broken.jpg", "not a picture");
    ui.QueueAnswer(to_continue);
    Build();
  }
  void Describe(const char* text) {
    settings.Filename_Display = FilenameDisplay::DescriptionFile;
    settings.Description_File = styles + "captions.txt";
    if (text) WriteFile(settings.Description_File, text);
  }
};

constexpr auto kInfo = MessageKind::Information, kWarn = MessageKind::Warning,
               kAsk = MessageKind::Confirmation, kPlain = MessageKind::Plain;
constexpr std::optional<MessageKind> kLine;  // a report or status line, not a message box

struct MessageCase {
  const char* text;
  std::optional<MessageKind> kind;
  std::function<void(World&)> act = nullptr;  // none: driven by the test of the order of checks
};

const MessageCase kCases[] = {
    // The checks before a build, in the order they run; the last test drives them.
    {"You have not specified a HTML template file for your thumbnail page or the file cannot be "
     "located!",
     kInfo},
    {"You have not specified a HTML template file for your image display page or the file cannot "
     "be located!",
     kInfo},
    {"You have elected to show descriptions for your thumbnails, however you have not specified a "
     "description file or the file cannot be located!",
     kWarn},
    {"You have elected to insert a header, but have not provided any HTML!", kInfo},
    {"You have elected to insert custom headers, but you have not specified a file to use or the "
     "file cannot be located!",
     kWarn},
    {"You have elected to insert a footer, but have not provided any HTML!", kInfo},
    {"You have elected to insert custom footers, but you have not specified a file to use or the "
     "file cannot be located!",
     kWarn},
    {"The current Site or Rotation does not contain any images!  Do you want to create a site "
     "without thumbnails?",
     kAsk},
    {"The HTML Template file, {T}thumbs.htm, has failed the compliancy test.  Please use 'Test "
     "Compliance' to review and correct the problems!",
     kWarn},
    {"The HTML Template file for your image pages, {T}image.htm, has failed the compliancy test.  "
     "Please use 'Test Compliance' to review and correct the problems.",
     kWarn},
    {"You failed to enter a valid number", kWarn,
     [](World& w) {
       fs::remove(w.site + "img01.jpg"), w.ui.QueueAnswer(Answer::Yes), w.ui.QueuePrompt("many"),
           w.Checks();
     }},
    // The build.
    {"The current Site or Rotation does not contain any images!", kWarn,
     [](World& w) {
       BuildState state(w.ui, w.settings, w.inputs);
       ASSERT_TRUE(state.PreBuildChecks(false));
       state.FillImageList();
       state.image_list().Exclude({0});
       EXPECT_FALSE(state.Start());
     }},
    {"Your build has been completed.  Would you like to preview it now?", kAsk,
     [](World& w) { w.ui.QueueAnswer(Answer::No), w.Build(false); }},
    {"Are you sure you want to cancel processing of your Site Build?", kAsk,
     [](World& w) { w.ui.CancelAtCheckpoint(1), w.ui.QueueAnswer(Answer::Yes), w.Build(); }},
    {"Error encountered creating your Image Display pages.  Please ensure you have enough disk "
     "space",
     kWarn, [](World& w) { w.HeaderList(false), w.Build(); }},
    {"Error encountered creating your HTML pages.  Please ensure you have enough disk space", kWarn,
     [](World& w) { w.HeaderList(true), w.Build(); }},
    {"Error encountered creating the directory, {S}thumbs/.  Building will terminate!", kWarn,
     [](World& w) { WriteFile(w.site + "thumbs", "a file in the way"), w.Build(); }},
    {"An error was encountered copying the file, {T}next.gif!", kWarn,
     [](World& w) {
       w.settings.prev_next_image_buttons = true, w.settings.Next_Page_File = w.styles + "next.gif",
       w.Build();
     }},
    // The thumbnail question names the file and the cause when it is known and not the disk.
    {"Error encountered creating thumbnail.  The file, {S}broken.jpg, is not a picture.  Do you "
     "want to continue processing your images?",
     kWarn, [](World& w) { w.BuildWithABrokenPicture(Answer::Yes); }},
    {"Error encountered creating thumbnail.  The picture, {S}damaged.gif, cannot be read (GIF: "
     "No screen descriptor detected).  Do you want to continue processing your images?",
     kWarn,
     [](World& w) {
       WriteFile(w.site + "damaged.gif", "GIF89a\x10\x00\x10\x00 and nothing more");
       w.ui.QueueAnswer(Answer::Yes), w.Build();
     }},
    {"Error encountered creating thumbnail.  The folder, {S}gone/, could not be located.  Do you "
     "want to continue processing your images?",
     kWarn,
     [](World& w) {
       w.ui.QueueAnswer(Answer::Yes),
           WriteThumbnailData(w.ui, {1, 2, 3}, w.site + "gone/a_thb.jpg", 80);
     }},
    {"Error encountered creating thumbnail.  Please ensure you have sufficient disk space.  Do you "
     "want to continue processing your images?",
     kWarn,
     [](World& w) {
       fs::create_directories(w.site + "taken_thb.jpg/");  // the write fails
       w.ui.QueueAnswer(Answer::Yes),
           WriteThumbnailData(w.ui, {1, 2, 3}, w.site + "taken_thb.jpg", 80);
     }},
    {"Error encountered creating the thumbnail, broken.jpg", kPlain,
     [](World& w) { w.BuildWithABrokenPicture(Answer::No); }},
    {"An error was encountered creating your page index buttons.  A text index will be created "
     "instead.",
     kWarn,
     [](World& w) {
       w.settings.index_image_buttons = true,
       w.settings.Selected_Page_Index_File = w.styles + "button.gif",
       WriteFile(w.settings.Selected_Page_Index_File, "no image here"),
       w.ui.QueueAnswer(Answer::Cancel), w.Build();
     }},
    {"An error was encountered reading your description file!", kWarn,
     [](World& w) { w.Describe(""), w.Build(); }},
    {"No valid entries were found in the file, {T}captions.txt.  Do you still want to build this "
     "Site?",
     kWarn,
     [](World& w) {
       w.Describe("no comma on this line\r\n"), w.ui.QueueAnswer(Answer::No), w.Build();
     }},
    // The catalogue and the site options.
    {"Error encountered creating new site!  Ensure you have write access and sufficient disk space "
     "for your data directory, {D}!",
     kWarn, [](World& w) { w.FailAll(), w.catalogue.NewSite(w.ui, true, [] { return false; }); }},
    {"Are you sure you want to delete the current site, Cats?  \r\n\r\nNote: This will also delete "
     "the directory, {D}Site_1/ and all files that it contains!",
     kAsk, [](World& w) { w.ui.QueueAnswer(Answer::No), w.catalogue.DeleteSite(w.ui, true); }},
    {"You have not selected a site!", kWarn,
     [](World& w) {
       w.catalogue.SelectSite(-1, true),
           SiteOptionsAction(w.ui, w.catalogue, true, [] { return true; });
     }},
    {"You have disabled support for multiple rotations under options", kInfo,
     [](World& w) { w.Options("Cats", w.data, true, "/srv", false); }},
    {"You have not entered a site name!", kInfo,
     [](World& w) { w.Options("", w.data, false, ""); }},
    {"You have not entered a directory for this site!", kInfo,
     [](World& w) { w.Options("Cats", "", false, ""); }},
    {"You have elected to automatically rotate this site, but have not entered a destination "
     "directory!",
     kInfo, [](World& w) { w.Options("Cats", w.data, true, ""); }},
    {"The directory, {D}new, does not exist.  Would you like to create it?", kAsk,
     [](World& w) { w.ui.QueueAnswer(Answer::No), w.Options("Cats", w.data + "new", false, ""); }},
    {"An error was encountered creating the directory ,{D}new!", kWarn,
     [](World& w) {
       w.FailAll(), w.ui.QueueAnswer(Answer::Yes), w.Options("Cats", w.data + "new", false, "");
     }},
    {"Error encountered saving the settings for the current site.  Ensure you have sufficient disk "
     "space and write access to this drive",
     kWarn, [](World& w) { w.FailAll(), w.Options("Dogs", w.data, false, ""); }},
    {"You have not selected a rotation to copy settings from!", kInfo,
     [](World& w) {
       CopySettingsForm dialog(w.catalogue, {});
       dialog.Accept(w.ui, w.settings, true);
     }},
    {"Error encountered creating a new rotation directory!", kInfo,
     [](World& w) { w.FirstRotationUnderFailure(); }},
    {"An error was encountered whilst trying to create the directory, {D}Site_1/Rotation_1/", kWarn,
     [](World& w) { w.FirstRotationUnderFailure(); }},
    {"Are you sure you want to remove Rotation 1 and delete all files in the directory, "
     "{D}Site_1/Rotation_1?",
     kAsk,
     [](World& w) { w.editor.Open(), w.ui.QueueAnswer(Answer::No), w.editor.DeleteRotation(); }},
    {"Error!  The directory, {D}Site_1/Rotation_1, could not be located!", kLine,
     [](World& w) {
       fs::remove_all(w.data + "Site_1/Rotation_1"), w.editor.Open(),
           w.lines = {w.editor.status_line()};
     }},
    {"Error encountered saving the settings for the current rotation.  Ensure you have sufficient "
     "disk space and write access to this drive",
     kWarn,
     [](World& w) {
       w.FailAll(), SaveRotation(w.ui, w.settings, {"Site_1", w.data + "Site_1/", true}, 1,
                                 SavedKeys::WithStatusAndPath);
     }},
    // The rotations.
    {"Could not load {D}turnwheel!", kPlain, [](World& w) { RotateNow(w.ui, w.catalogue, true); }},
    {"Site_1 (Cats): Rotation 1 is live in {L}; next rotation: 1", kLine,
     [](World& w) { w.Rotate(); }},
    {"Site_1 (Cats): Rotation 1 is not built ({D}Site_1/Rotation_1 holds no Index.html); the live "
     "directory is unchanged",
     kLine, [](World& w) { fs::remove(w.data + "Site_1/Rotation_1/Index.html"), w.Rotate(); }},
    {"Site_1 (Cats): Rotation 1: the directory, {D}Site_1/Rotation_1, does not exist; the live "
     "directory is unchanged",
     kLine, [](World& w) { fs::remove_all(w.data + "Site_1/Rotation_1"), w.Rotate(); }},
    {"No site is due for rotation.", kLine,
     [](World& w) { WriteFile(w.data + "sites.ini", "[Sites]\r\n"), w.Rotate(); }},
};

std::string Expand(std::string text, const World& w) {
  for (const auto& [key, value] :
       {std::pair{"{S}", w.site}, {"{T}", w.styles}, {"{D}", w.data}, {"{L}", w.live}})
    text = ReplaceAll(text, key, value);
  return text;
}

TEST(Messages, TheUserReadsTheTextWrittenHere) {
  for (const MessageCase& c : kCases) {
    if (!c.act) continue;  // a check before a build
    SCOPED_TRACE(c.text);
    World world;
    c.act(world);
    const std::string text = Expand(c.text, world);
    // The report lines, or the texts of the case's kind of box.
    std::vector<std::string> shown = c.kind ? std::vector<std::string>{} : world.lines;
    for (const auto& m : world.ui.messages())
      if (m.kind == c.kind) shown.push_back(m.text);
    EXPECT_TRUE(c.kind ? std::ranges::find(shown, text) != shown.end()
                       : shown == std::vector<std::string>{text})
        << "not shown as written (or not of its kind): " << text
        << "\nshown: " << ::testing::PrintToString(shown);
  }
}

// Everything is wrong at first; each check before a build speaks (the rows above without an act,
// in their order), is put right, and the next one speaks.
TEST(Messages, ChecksBeforeABuildRunInTheirOrderEachStoppingTheStart) {
  World w;
  auto& s = w.settings;
  const std::string thumbs = s.Style_File, image = s.Image_Style_File;
  for (const auto& file : {thumbs, image}) WriteFile(file, "<HTML></HTML>");
  fs::remove(w.site + "img01.jpg");
  s.Style_File = w.styles;  // a folder is no template
  s.DisplayAsImage = false;
  s.Image_Style_File.clear();
  w.Describe(nullptr);
  s.Header_Mode = s.Footer_Mode = HeaderMode::Html;
  const std::function<void()> put_right[] = {
      [&] { s.Style_File = thumbs; },
      [&] { s.Image_Style_File = image; },
      [&] { WriteFile(s.Description_File, "a.jpg,A\r\n"); },
      [&] { s.Header_Mode = HeaderMode::List, s.Header_File = w.styles + "headers.txt"; },
      [&] { WriteFile(s.Header_File, "h\r\n"); },
      [&] { s.Footer_Mode = HeaderMode::List; },
      [&] { s.Footer_File = s.Header_File; },
      [&] { w.AddImages(1); },
      [&] { WriteFile(thumbs, testing::kTemplate); },
      [&] { WriteFile(image, testing::kTemplate); },
  };
  for (size_t i = 0; i < std::size(put_right); ++i) {
    w.ui.Clear();
    w.ui.QueueAnswer(Answer::No);  // to the question when there are no images
    EXPECT_FALSE(w.Checks());
    ASSERT_EQ(w.ui.messages().size(), 1u);
    EXPECT_EQ(w.ui.messages()[0].kind, kCases[i].kind);
    ASSERT_EQ(w.ui.messages()[0].text, Expand(kCases[i].text, w));
    put_right[i]();
  }
  w.ui.Clear();
  EXPECT_TRUE(w.Checks());
  EXPECT_TRUE(w.ui.messages().empty());
}

}  // namespace
}  // namespace parvel
