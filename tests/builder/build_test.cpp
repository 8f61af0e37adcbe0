#include "builder/build.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "builder/build_site.h"
#include "builder/pagebuttons.h"
#include "builder/thumbnail.h"
#include "imaging/PGraphic.h"
#include "platform/filesystem.h"
#include "support/faulty_filesystem.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

using testing::Count;
using testing::MakeJpeg;
using testing::Shown;
using testing::ShownOf;
using testing::Site;

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// ---- Checks before the build.

// Everything is wrong at first; each check speaks, is put right, and the next one speaks.
TEST(PreBuildChecks, RunInTheirOrderEachStoppingTheStart) {
  Site site;
  auto& s = site.settings;
  const std::string broken = site.styles + "broken.htm";
  WriteFile(broken, "<HTML></HTML>");
  s.Style_File = site.styles;  // a folder is no template
  s.DisplayAsImage = false;
  s.Image_Style_File.clear();
  s.Filename_Display = FilenameDisplay::DescriptionFile;
  s.Description_File = site.styles + "captions.txt";
  s.Header_Mode = HeaderMode::Html;
  s.Footer_Mode = HeaderMode::Html;
  const std::string thumb_failed =
      std::string(kThumbTemplateFailedPrefix) + broken + std::string(kThumbTemplateFailedSuffix);
  const std::string image_failed =
      std::string(kImageTemplateFailedPrefix) + broken + std::string(kImageTemplateFailedSuffix);
  const struct {
    std::string_view message;
    std::function<void()> put_right;
  } steps[] = {
      {kNoThumbTemplateMessage, [&] { s.Style_File = broken; }},
      {kNoImageTemplateMessage, [&] { s.Image_Style_File = broken; }},
      {kNoDescriptionFileMessage, [&] { WriteFile(s.Description_File, "a.jpg,A\r\n"); }},
      {kNoHeaderHtmlMessage,
       [&] {
         s.Header_Mode = HeaderMode::List;
         s.Header_File = site.styles + "headers.txt";
       }},
      {kNoHeaderFileMessage, [&] { WriteFile(s.Header_File, "h\r\n"); }},
      {kNoFooterHtmlMessage, [&] { s.Footer_Mode = HeaderMode::List; }},
      {kNoFooterFileMessage, [&] { s.Footer_File = s.Header_File; }},
      {kNoImagesQuestion, [&] { site.AddImages(1); }},
      {thumb_failed, [&] { s.Style_File = site.styles + "thumbs.htm"; }},
      {image_failed, [&] { s.Image_Style_File = site.styles + "image.htm"; }},
  };
  for (const auto& step : steps) {
    site.ui.Clear();
    site.ui.QueueAnswer(Answer::No);  // to the question when there are no images
    BuildState state(site.ui, s, site.inputs);
    EXPECT_FALSE(state.PreBuildChecks(false));
    ASSERT_EQ(site.ui.texts(), std::vector<std::string>{std::string(step.message)});
    step.put_right();
  }
  site.ui.Clear();
  BuildState state(site.ui, s, site.inputs);
  EXPECT_TRUE(state.PreBuildChecks(false));
  EXPECT_TRUE(site.ui.messages().empty());
}

struct PageCountCase {
  std::optional<std::string> typed;  // nullopt: the prompt is cancelled
  bool warned;
};

class PageCountTest : public ::testing::TestWithParam<PageCountCase> {};

TEST_P(PageCountTest, OnlyAWholeNumberOfAtLeastOneIsTaken) {
  Site site;
  site.ui.QueueAnswer(Answer::Yes);
  site.ui.QueuePrompt(GetParam().typed);
  BuildState state(site.ui, site.settings, site.inputs);
  EXPECT_FALSE(state.PreBuildChecks(false));
  Shown expected{{MessageKind::Confirmation, std::string(kNoImagesQuestion)}};
  if (GetParam().warned) expected.emplace_back(MessageKind::Warning, kInvalidPageCountMessage);
  EXPECT_EQ(ShownOf(site.ui), expected);
  EXPECT_FALSE(state.no_thumbnail_mode());
  EXPECT_TRUE(site.ui.unexpected().empty());
}

INSTANTIATE_TEST_SUITE_P(Typed, PageCountTest,
                         ::testing::Values(PageCountCase{"abc", true}, PageCountCase{"0", true},
                                           PageCountCase{"-3", true}, PageCountCase{"", true},
                                           PageCountCase{"99999999999", true},
                                           PageCountCase{std::nullopt, false}));

TEST(Build, NoImagesGivesTheRequestedPagesWithoutThumbnailsButWithButtons) {
  Site site;
  site.settings.DisplayAsImage = false;  // even so: no image pages without images
  site.settings.index_image_buttons = true;
  site.settings.Selected_Page_Index_File = site.styles + "button.jpg";
  MakeJpeg(site.settings.Selected_Page_Index_File, {20, 20, 120});
  site.ui.QueueAnswer(Answer::Yes);
  site.ui.QueuePrompt("3");

  BuildState state(site.ui, site.settings, site.inputs);
  ASSERT_TRUE(state.PreBuildChecks(true));
  EXPECT_TRUE(state.no_thumbnail_mode());
  EXPECT_EQ(state.requested_page_count(), 3);
  state.FillImageList();
  ASSERT_TRUE(state.Start());

  EXPECT_EQ(
      FilesIn(site.site),
      (std::vector<std::string>{"Index.html", "Index2.html", "Index3.html", "Page_Button_1.jpg",
                                "Page_Button_2.jpg", "Page_Button_3.jpg", "Page_Button_On_1.jpg",
                                "Page_Button_On_2.jpg", "Page_Button_On_3.jpg"}));
  EXPECT_NE(site.Page("Index2.html").find("Page_Button_On_2.jpg"), std::string::npos);
  EXPECT_EQ(site.Page("Index2.html").find("_thb.jpg"), std::string::npos);
  EXPECT_TRUE(site.ui.unexpected().empty());
}

// ---- Pages, progress and thumbnails.

struct SplitCase {
  int images;
  int pages;
  int on_last_page;
};

class PageSplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(PageSplitTest, ImagesFillPagesOfHorizontalTimesVerticalThumbnails) {
  Site site;
  site.AddImages(GetParam().images);
  BuildState state(site.ui, site.settings, site.inputs);
  ASSERT_TRUE(site.Build(state));
  EXPECT_EQ(state.page_count(), GetParam().pages);
  EXPECT_TRUE(site.Exists("Index.html"));
  const std::string last =
      GetParam().pages == 1 ? "Index.html" : "Index" + std::to_string(GetParam().pages) + ".html";
  EXPECT_EQ(Count(site.Page(last), "_thb.jpg"), GetParam().on_last_page);
  EXPECT_FALSE(site.Exists("Index" + std::to_string(GetParam().pages + 1) + ".html"));
  EXPECT_EQ(FilesIn(site.site + "thumbs").size(), static_cast<size_t>(GetParam().images));
}

INSTANTIATE_TEST_SUITE_P(Counts, PageSplitTest,
                         ::testing::Values(SplitCase{20, 1, 20}, SplitCase{21, 2, 1}));

TEST(Build, ThumbnailsBesideTheImagesWithoutTheThumbsOption) {
  Site site;
  site.AddImages(2);
  site.inputs.use_thumbs_directory = false;
  ASSERT_TRUE(site.Build());
  EXPECT_TRUE(site.Exists("img01_thb.jpg"));
  EXPECT_FALSE(site.Exists("thumbs"));
  EXPECT_EQ(site.Page("Index.html").find("thumbs/"), std::string::npos);
}

struct ProgressCase {
  bool display_as_image;
  bool buttons;
  bool nav_files;
  int maximum;  // with 3 images on one page
};

class ProgressTest : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(ProgressTest, MaximumCountsCopiesImagesPagesAndButtons) {
  Site site;
  site.AddImages(3);
  site.settings.DisplayAsImage = GetParam().display_as_image;
  if (GetParam().buttons) {
    site.settings.index_image_buttons = true;
    site.settings.Other_Page_Index_File = site.styles + "button.jpg";
    MakeJpeg(site.settings.Other_Page_Index_File);
  }
  if (GetParam().nav_files) {
    site.settings.prev_next_image_buttons = true;
    site.settings.Next_Page_File = site.styles + "next.gif";
    site.settings.Previous_Page_File = site.styles + "prev.gif";
    WriteFile(site.settings.Next_Page_File, "n");
    WriteFile(site.settings.Previous_Page_File, "p");
  }
  ASSERT_TRUE(site.Build());

  const auto& steps = site.ui.progress();
  ASSERT_FALSE(steps.empty());
  EXPECT_EQ(steps.front().maximum, GetParam().maximum);
  EXPECT_EQ(steps.front().position, 0);
  int highest = 0;
  for (const auto& step : steps) {
    EXPECT_EQ(step.maximum, GetParam().maximum);
    highest = std::max(highest, step.position);
  }
  // The copies count in the maximum but do not move the bar.
  EXPECT_EQ(highest, GetParam().maximum - (GetParam().nav_files ? 2 : 0));
  EXPECT_EQ(steps.back().message, "");
  EXPECT_EQ(steps.back().position, 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ProgressTest,
                         ::testing::Values(ProgressCase{true, false, false, 3 + 1},
                                           ProgressCase{false, false, false, 6 + 1},
                                           ProgressCase{true, true, false, 3 + 1 + 1},
                                           ProgressCase{false, true, true, 2 + 6 + 1 + 1}));

TEST(Build, ProgressMessagesFollowThePasses) {
  Site site;
  site.AddImages(1);
  site.settings.DisplayAsImage = false;
  site.settings.prev_next_image_buttons = true;
  site.settings.Next_Page_File = site.styles + "next.gif";
  WriteFile(site.settings.Next_Page_File, "n");
  ASSERT_TRUE(site.Build());
  std::vector<std::string> messages;
  for (const auto& step : site.ui.progress()) {
    if (!step.message.empty() && (messages.empty() || messages.back() != step.message)) {
      messages.push_back(step.message);
    }
  }
  EXPECT_EQ(messages,
            (std::vector<std::string>{"Copying file, " + site.settings.Next_Page_File,
                                      "Creating Thumbnail for img01.jpg",
                                      "Creating Image Display page for the image, img01.jpg",
                                      "Creating the HTML Page, Index.html"}));
  EXPECT_TRUE(site.Exists("img01.html"));
  EXPECT_EQ(ReadFile(site.site + "next.gif"), "n");
}

TEST(Build, NoRecreateSkipsExistingThumbnailsButStillCountsThem) {
  Site site;
  site.AddImages(2);
  ASSERT_TRUE(site.Build());
  const std::string thumb = site.site + "thumbs/img01_thb.jpg";
  WriteFile(thumb, "kept");

  site.ui.Clear();
  const size_t before = site.ui.progress().size();
  ASSERT_TRUE(site.Build());
  EXPECT_EQ(ReadFile(thumb), "kept");
  int highest = 0;
  for (size_t i = before; i < site.ui.progress().size(); ++i) {
    const auto& step = site.ui.progress()[i];
    EXPECT_EQ(step.message.find("Creating Thumbnail"), std::string::npos) << step.message;
    highest = std::max(highest, step.position);
  }
  EXPECT_EQ(highest, 2 + 1);

  BuildState state(site.ui, site.settings, site.inputs);
  state.set_no_recreate(false);
  ASSERT_TRUE(site.Build(state));
  EXPECT_NE(ReadFile(thumb), "kept");
}

// ---- The image list.

TEST(ImageList, ThumbnailsButtonsAndCopiedGraphicsAreNotOffered) {
  Site site;
  for (const char* name : {"a.jpg", "holiday_thb.jpg", "Page_Button_2.gif", "page_button_on_1.jpg",
                           "NEXT.GIF", "Prev.gif", "BG.GIF", "b.jpe", "notes.txt"}) {
    WriteFile(site.site + name, "x");
  }
  const std::string nav = site.dir / "nav/";
  site.settings.prev_next_image_buttons = true;
  site.settings.Next_Page_File = nav + "next.gif";
  site.settings.Previous_Page_File = nav + "prev.gif";
  WriteFile(site.styles + "bg.gif", "x");
  WriteFile(site.settings.Style_File, "<BODY BACKGROUND=\"bg.gif\">***CONTENT***</BODY>");

  BuildState state(site.ui, site.settings, site.inputs);
  ASSERT_TRUE(state.PreBuildChecks(false));
  EXPECT_EQ(state.excluded_names(), (std::vector<std::string>{"NEXT.GIF", "PREV.GIF", "BG.GIF"}));
  EXPECT_EQ(state.files_to_copy(),
            (std::vector<std::string>{nav + "next.gif", nav + "prev.gif", site.styles + "bg.gif"}));
  state.FillImageList();
  EXPECT_EQ(state.images(), (std::vector<std::string>{"a.jpg", "b.jpe"}));
}

TEST(Build, PhotographsSharingANameShareTheirPagesAndTheLaterOneWins) {
  for (const int jobs : {1, 4}) {
    SCOPED_TRACE(jobs);
    Site site;
    site.settings.DisplayAsImage = false;
    TPixelGraphic gif;
    gif.SetSize(40, 30);
    gif.SetBitCountNum(8);
    gif.SaveToFile(site.site + "photo.gif");
    MakeJpeg(site.site + "photo.jpeg");  // 64x48
    WriteFile(site.site + "photo.png", "x");
    BuildState state(site.ui, site.settings, site.inputs);
    state.set_jobs(jobs);
    state.set_no_recreate(false);  // else the later image finds the earlier one's thumbnail made
    ASSERT_TRUE(site.Build(state));
    EXPECT_EQ(state.images(), (std::vector<std::string>{"photo.gif", "photo.jpeg"}));
    ImageFileInfo thumb;
    ASSERT_TRUE(ReadImageFileInfo(site.site + "thumbs/photo_thb.jpg", 0, &thumb));
    EXPECT_EQ(thumb.width, 64);
    EXPECT_EQ(thumb.height, 48);
    EXPECT_EQ(Count(site.Page("Index.html"), "thumbs/photo_thb.jpg"), 2);
    const std::string display = site.Page("photo.html");
    EXPECT_NE(display.find("photo.jpeg"), std::string::npos) << display;
    EXPECT_EQ(display.find("photo.gif"), std::string::npos) << display;
    EXPECT_TRUE(site.ui.messages().empty());
  }
}

TEST(ImageList, RequiredFileInASubfolderIsExcludedByItsBareName) {
  Site site;
  WriteFile(site.site + "a.jpg", "x");
  WriteFile(site.site + "dot.gif", "x");
  WriteFile(site.styles + "art/Dot.gif", "x");
  WriteFile(site.settings.Style_File, "<IMG SRC=\"art/dot.gif\">***CONTENT***");
  BuildState state(site.ui, site.settings, site.inputs);
  ASSERT_TRUE(state.PreBuildChecks(false));
  EXPECT_EQ(state.files_to_copy(), (std::vector<std::string>{site.styles + "art/Dot.gif"}));
  state.FillImageList();
  EXPECT_EQ(state.images(), (std::vector<std::string>{"a.jpg"}));
}

TEST(ImageList, NavigationImagesAreOnlyCopiedWhenTheirSwitchIsOn) {
  Site site;
  site.settings.Next_Page_File = site.styles + "next.gif";
  site.inputs.list_images = [] { return std::vector<std::string>{"a.jpg"}; };
  BuildState state(site.ui, site.settings, site.inputs);
  ASSERT_TRUE(state.PreBuildChecks(false));
  EXPECT_TRUE(state.files_to_copy().empty());
}

class ListEditTest : public ::testing::Test {
 protected:
  using Names = std::vector<std::string>;

  // The site editor's list is given, so no image files are needed.
  static BuildInputs Listed() {
    BuildInputs inputs;
    inputs.list_images = [] { return Names{"a.jpg", "b.jpg", "c.jpg"}; };
    return inputs;
  }

  ListEditTest() {
    EXPECT_TRUE(state.PreBuildChecks(false));
    state.FillImageList();
  }

  Site site;
  BuildState state{site.ui, site.settings, Listed()};
};

TEST_F(ListEditTest, MovingWrapsAtBothEnds) {
  EXPECT_EQ(state.image_list().Move(0, -1), 2);
  EXPECT_EQ(state.images(), (Names{"b.jpg", "c.jpg", "a.jpg"}));
  EXPECT_EQ(state.image_list().Move(2, +1), 0);
  EXPECT_EQ(state.images(), (Names{"a.jpg", "b.jpg", "c.jpg"}));
  EXPECT_EQ(state.image_list().Move(0, +1), 1);
  EXPECT_EQ(state.images(), (Names{"b.jpg", "a.jpg", "c.jpg"}));
}

TEST_F(ListEditTest, ExcludeRemovesEverySelectedEntry) {
  EXPECT_FALSE(state.image_list().ActionsEnabled({}));
  EXPECT_TRUE(state.image_list().ActionsEnabled({1}));
  state.image_list().Exclude({0, 2, 7});
  EXPECT_EQ(state.images(), (Names{"b.jpg"}));
}

// ---- Settings the build changes.

struct PrefixCase {
  const char* before;
  const char* after;
};

class PrefixTest : public ::testing::TestWithParam<PrefixCase> {};

TEST_P(PrefixTest, PrefixEndsWithABlankAfterTheBuild) {
  Site site;
  site.AddImages(1);
  site.settings.Page_Number_Prefix = GetParam().before;
  ASSERT_TRUE(site.Build());
  EXPECT_EQ(site.settings.Page_Number_Prefix, GetParam().after);
  EXPECT_NE(site.Page("Index.html").find(std::string(GetParam().after) + "1"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Prefixes, PrefixTest,
                         ::testing::Values(PrefixCase{"Page", "Page "}, PrefixCase{"", "Page "},
                                           PrefixCase{"Page ", "Page "},
                                           PrefixCase{"No.", "No. "}));

struct FinishCase {
  bool unattended;
  std::optional<Answer> preview;  // the answer to the preview question, when asked
  bool opened;
};

class FinishTest : public ::testing::TestWithParam<FinishCase> {};

TEST_P(FinishTest, SuccessMarksTheRotationBuiltAndOffersThePreview) {
  Site site;
  site.AddImages(1);
  site.inputs.base_html_name = "home.htm";
  if (GetParam().preview) site.ui.QueueAnswer(*GetParam().preview);
  ASSERT_TRUE(site.Build(GetParam().unattended));
  EXPECT_EQ(Stored(site.settings.Status), 2);
  EXPECT_TRUE(site.Exists("home.htm"));
  EXPECT_EQ(site.ui.opened(), GetParam().opened ? std::vector<std::string>{site.site + "home.htm"}
                                                : std::vector<std::string>{});
  if (GetParam().preview) {
    EXPECT_EQ(ShownOf(site.ui),
              (Shown{{MessageKind::Confirmation, std::string(kPreviewQuestion)}}));
  } else {
    EXPECT_TRUE(site.ui.messages().empty());
  }
  EXPECT_EQ(site.ui.busy_depth(), 0);
}

INSTANTIATE_TEST_SUITE_P(Ways, FinishTest,
                         ::testing::Values(FinishCase{false, Answer::Yes, true},
                                           FinishCase{false, Answer::No, false},
                                           FinishCase{true, std::nullopt, false}));

// ---- Cancelling and failures.

class CancelTest : public ::testing::TestWithParam<Answer> {};

TEST_P(CancelTest, CancelIsConfirmedAtTheNextCheckpoint) {
  Site site;
  site.AddImages(3);
  site.ui.CancelAtCheckpoint(2);  // the one after the second thumbnail
  site.ui.QueueAnswer(GetParam());
  const bool carry_on = GetParam() == Answer::No;
  if (carry_on) site.ui.QueueAnswer(Answer::No);  // no preview
  EXPECT_EQ(site.Build(false), carry_on);
  EXPECT_EQ(site.ui.messages().front().text, kCancelBuildQuestion);
  EXPECT_EQ(site.ui.messages().front().kind, MessageKind::Confirmation);
  EXPECT_EQ(site.Exists("Index.html"), carry_on);
  EXPECT_EQ(site.Exists("thumbs/img03_thb.jpg"), carry_on);
  EXPECT_EQ(Stored(site.settings.Status), carry_on ? 2 : 0);
  EXPECT_EQ(site.ui.progress().back().position, 0);
  EXPECT_TRUE(site.ui.unexpected().empty());
}

INSTANTIATE_TEST_SUITE_P(Answers, CancelTest, ::testing::Values(Answer::Yes, Answer::No));

// A user who presses the dialog's buttons while the build lets events run.
class PressingUser : public ScriptedInteraction {
 public:
  std::function<void()> on_checkpoint;
  bool Checkpoint() override {
    ScriptedInteraction::Checkpoint();
    if (on_checkpoint) std::exchange(on_checkpoint, nullptr)();
    return false;
  }
};

TEST(Build, CancelButtonDuringTheBuildAsksAndTheListStaysPut) {
  Site site;
  site.AddImages(2);
  PressingUser user;
  BuildState state(user, site.settings, site.inputs);
  bool closed = true;
  bool enabled = true;
  user.on_checkpoint = [&] {
    EXPECT_TRUE(state.building());
    state.image_list().Exclude({0});
    EXPECT_EQ(state.image_list().Move(0, +1), 0);
    enabled = state.image_list().ActionsEnabled({0});
    closed = state.Cancel();
  };
  user.QueueAnswer(Answer::Yes);
  ASSERT_TRUE(state.PreBuildChecks(true));
  state.FillImageList();
  EXPECT_FALSE(state.Start());
  EXPECT_FALSE(closed);
  EXPECT_FALSE(enabled);
  EXPECT_EQ(user.texts(), (std::vector<std::string>{std::string(kCancelBuildQuestion)}));
  EXPECT_EQ(state.images(), (std::vector<std::string>{"img01.jpg", "img02.jpg"}));
  EXPECT_FALSE(state.building());
  EXPECT_TRUE(state.Cancel());
}

// Why a picture could not be read goes on the log: the details of the message box.
TEST(Build, AThumbnailThatCannotBeMadeLogsWhy) {
  Site site;
  WriteFile(site.site + "broken.jpg", "not a picture");
  MakeJpeg(site.site + "good.jpg");
  site.ui.QueueAnswer(Answer::Yes);
  EXPECT_TRUE(site.Build());
  const std::string logged = "The thumbnail of " + site.site + "broken.jpg: ";
  ASSERT_EQ(site.ui.logs().size(), 1u);
  EXPECT_EQ(site.ui.logs()[0].substr(0, logged.size()), logged);
  EXPECT_GT(site.ui.logs()[0].size(), logged.size());
}

class ButtonFailureTest : public ::testing::TestWithParam<Answer> {};

TEST_P(ButtonFailureTest, ButtonsThatCannotBeMadeGiveWayToTextIndexes) {
  Site site;
  site.AddImages(2);
  site.settings.Horizontal_Thumb_Count = 1;
  site.settings.Vertical_Thumb_Count = 1;
  site.settings.index_image_buttons = true;
  site.settings.Selected_Page_Index_File = site.styles + "button.gif";
  WriteFile(site.settings.Selected_Page_Index_File, "no image here");
  site.ui.QueueAnswer(GetParam());
  BuildState state(site.ui, site.settings, site.inputs);
  const bool go_on = GetParam() == Answer::Ok;
  EXPECT_EQ(site.Build(state), go_on);
  EXPECT_EQ(ShownOf(site.ui), (Shown{{MessageKind::Warning, std::string(kButtonErrorQuestion)}}));
  EXPECT_EQ(site.ui.messages().front().buttons, Buttons::OkCancel);
  EXPECT_FALSE(state.use_image_buttons());
  EXPECT_EQ(site.Exists("Index.html"), go_on);
  if (go_on) {
    const std::string page = site.Page("Index.html");
    EXPECT_EQ(page.find("Page_Button"), std::string::npos);
    EXPECT_NE(page.find("Page 2</A>"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, ButtonFailureTest, ::testing::Values(Answer::Ok, Answer::Cancel));

TEST(Build, CopyPassReportsAMissingFileKeepsTheSiteCopyAndGoesOn) {
  Site site;
  site.AddImages(1);
  site.settings.prev_next_image_buttons = true;
  site.settings.Next_Page_File = site.styles + "next.gif";
  site.settings.Previous_Page_File = site.styles + "prev.gif";
  WriteFile(site.settings.Previous_Page_File, "new");
  WriteFile(site.site + "next.gif", "copied last time");
  ASSERT_TRUE(site.Build());
  EXPECT_EQ(ShownOf(site.ui),
            (Shown{{MessageKind::Warning, "An error was encountered copying the file, " +
                                              site.settings.Next_Page_File + "!"}}));
  EXPECT_EQ(ReadFile(site.site + "next.gif"), "copied last time");
  EXPECT_EQ(ReadFile(site.site + "prev.gif"), "new");
}

TEST(Build, RequiredFileAlreadyInTheSiteStaysInPlace) {
  Site site;
  site.AddImages(1);
  site.settings.Style_File = site.site + "thumbs.htm";
  WriteFile(site.settings.Style_File, "<BODY BACKGROUND=\"paper.gif\">***CONTENT***</BODY>");
  WriteFile(site.site + "paper.gif", "paper");
  ASSERT_TRUE(site.Build());
  EXPECT_TRUE(site.ui.messages().empty());
  EXPECT_EQ(ReadFile(site.site + "paper.gif"), "paper");
}

// ---- Nothing of the user's is written over or published by mistake.

// Every file below `dir` with its bytes, by path relative to `dir`.
std::map<std::string, std::string> Contents(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file()) {
      files[fs::relative(entry.path(), dir).string()] = ReadFile(entry.path().string());
    }
  }
  return files;
}

// A page that would be written over a picture of the site: the build is refused and nothing is
// written. Each row: the base page name as a settings file may hold it, display pages or not, the
// pictures ("|" between them, one page each) and the page and picture that would clash.
TEST(Build, PageOverAPictureIsRefusedAndNothingIsWritten) {
  const struct {
    const char* base_html_name;
    bool display_pages;
    const char* pictures;
    const char* page;
    const char* picture;
  } cases[] = {
      {"gallery.jpg", true, "sunset.jpg", "sunset.jpg", "sunset.jpg"},
      {"Gallery.JPG", true, "Sunset.jpg", "Sunset.JPG", "Sunset.jpg"},  // any letter case
      {"Index.jpg", false, "a.jpg|Index2.jpg", "Index2.jpg", "Index2.jpg"},
      {"gallery.png", true, "sunset.jpg|sunset.png", "sunset.png", "sunset.png"},  // not listed
      {"home", true, "photo.jpg.jpg|photo.jpg", "photo.jpg", "photo.jpg"},         // no extension
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pictures);
    Site site;
    site.settings.DisplayAsImage = !c.display_pages;
    site.settings.Horizontal_Thumb_Count = 1;
    site.settings.Vertical_Thumb_Count = 1;
    site.inputs.base_html_name = c.base_html_name;
    std::string pictures = c.pictures;
    for (std::size_t bar; (bar = pictures.find('|')) != std::string::npos;
         pictures.erase(0, bar + 1)) {
      MakeJpeg(site.site + pictures.substr(0, bar));
    }
    MakeJpeg(site.site + pictures);
    const auto before = Contents(site.site);
    EXPECT_FALSE(site.Build());
    EXPECT_EQ(ShownOf(site.ui),
              (Shown{{MessageKind::Warning,
                      "Building would write the page, " + std::string(c.page) +
                          ", over your picture, " + c.picture +
                          ", in the site directory!  Please give your first HTML page a name "
                          "ending in .html under Site Options."}}));
    EXPECT_EQ(Contents(site.site), before);
  }
}

// A reference is inside the template folder only when its real path is: a file link and a folder
// link that lead out are refused with the outside warning and copy nothing, a link that stays in
// is copied under the name the template uses.
TEST(Build, TemplateLinksLeadingOutAreNotPublished) {
  Site site;
  site.AddImages(1);
  const std::string outside = site.dir / "private/";
  WriteFile(outside + "id_rsa", "secret key");
  WriteFile(outside + "album/x.gif", "private picture");
  WriteFile(site.styles + "real.gif", "logo");
  fs::create_symlink(outside + "id_rsa", site.styles + "logo.gif");
  fs::create_directory_symlink(outside + "album", site.styles + "sub");
  fs::create_symlink("real.gif", site.styles + "alias.gif");
  WriteFile(site.settings.Style_File,
            "<BODY BACKGROUND=\"logo.gif\"><IMG SRC=\"sub/x.gif\"><IMG SRC=\"alias.gif\">"
            "***CONTENT***</BODY>");
  const auto private_files = Contents(outside);

  TemplateMarkers markers;
  const ComplianceResult test =
      TestCompliancy(site.settings.Style_File, PageKind::Thumbnail, markers);
  EXPECT_TRUE(test.result);
  EXPECT_EQ(test.required_files, std::vector<std::string>{"alias.gif"});
  EXPECT_EQ(test.warnings,
            (std::vector<std::string>{"* The file, logo.gif, lies outside the directory, " +
                                          site.styles + ", and will not be copied",
                                      "* The file, sub/x.gif, lies outside the directory, " +
                                          site.styles + ", and will not be copied"}));

  ASSERT_TRUE(site.Build());
  EXPECT_TRUE(site.ui.messages().empty());
  EXPECT_FALSE(site.Exists("logo.gif"));
  EXPECT_FALSE(site.Exists("x.gif"));
  EXPECT_EQ(site.Page("alias.gif"), "logo");
  EXPECT_EQ(Contents(outside), private_files);
}

// The copy follows no link that leads out, also one that was changed after the checks.
TEST(Build, CopyRefusesALinkThatCameToLeadOut) {
  Site site;
  site.AddImages(1);
  WriteFile(site.dir / "private/id_rsa", "secret key");
  WriteFile(site.styles + "real.gif", "logo");
  fs::create_symlink(site.styles + "real.gif", site.styles + "logo.gif");
  WriteFile(site.settings.Style_File, "<IMG SRC=\"logo.gif\">***CONTENT***");
  BuildState state(site.ui, site.settings, site.inputs);
  ASSERT_TRUE(state.PreBuildChecks(true));
  fs::remove(site.styles + "logo.gif");
  fs::create_symlink(site.dir / "private/id_rsa", site.styles + "logo.gif");
  state.FillImageList();
  ASSERT_TRUE(state.Start());
  EXPECT_EQ(ShownOf(site.ui),
            (Shown{{MessageKind::Warning, "The file, " + site.styles +
                                              "logo.gif, lies outside the directory, " +
                                              site.styles + ", and will not be copied"}}));
  EXPECT_FALSE(site.Exists("logo.gif"));
  EXPECT_EQ(ReadFile(site.dir / "private/id_rsa"), "secret key");
}

// ---- Header and footer lists.

// The lists' own faults are in the rotation tests; the build shows only its own message for them.
TEST(Build, UnusableHeaderListShowsOnlyTheDriversMessage) {
  for (const bool thumbnail_pages : {true, false}) {
    SCOPED_TRACE(thumbnail_pages);
    Site site;
    site.AddImages(2);
    site.settings.DisplayAsImage = thumbnail_pages;
    auto& s = site.settings;
    if (thumbnail_pages) {
      s.Footer_Mode = HeaderMode::List;
    } else {
      s.Image_Header_Mode = ImageHeaderMode::List;
    }
    (thumbnail_pages ? s.Footer_File : s.Image_Header_File) = site.styles + "binary.txt";
    WriteFile(site.styles + "binary.txt", std::string("a\0b\r\n", 5));
    EXPECT_FALSE(site.Build());
    EXPECT_EQ(
        ShownOf(site.ui),
        (Shown{{MessageKind::Warning, std::string(thumbnail_pages ? kThumbPagesFailedMessage
                                                                  : kImagePagesFailedMessage)}}));
    EXPECT_FALSE(site.Exists("Index.html"));
  }
}

// Two pages of one image each: the image pages take entries 1 and 2 of each list, and the
// thumbnail pages start again from entry 1.
TEST(Build, ThumbnailPagesStartTheHeaderAndFooterListsAgain) {
  Site site;
  site.AddImages(2);
  auto& s = site.settings;
  s.DisplayAsImage = false;
  s.Horizontal_Thumb_Count = 1;
  s.Vertical_Thumb_Count = 1;
  s.Header_Mode = HeaderMode::List;
  s.Header_File = site.styles + "headers.txt";
  s.Footer_Mode = HeaderMode::List;
  s.Footer_File = site.styles + "footers.txt";
  WriteFile(s.Header_File, "<kbd>H1</kbd>\r\n<kbd>H2</kbd>\r\n<kbd>H3</kbd>\r\n");
  WriteFile(s.Footer_File, "<var>F1</var>\r\n<var>F2</var>\r\n<var>F3</var>\r\n");
  ASSERT_TRUE(site.Build());
  for (const auto& [page, n] : {std::pair{"img01.html", "1"},
                                {"img02.html", "2"},
                                {"Index.html", "1"},
                                {"Index2.html", "2"}}) {
    const std::string text = site.Page(page);
    EXPECT_NE(text.find(std::string("<kbd>H") + n + "</kbd>"), std::string::npos) << page;
    EXPECT_NE(text.find(std::string("<var>F") + n + "</var>"), std::string::npos) << page;
  }
}

// Every line of every page ends in CR LF, the last one included, whatever line breaks the
// templates hold and whether or not their last line has one.
TEST(Build, EveryLineOfEveryPageEndsInCrLf) {
  for (const char* page_template :
       {"<html>\n<body>\r***CONTENT***\r\n</body>\n</html>\n", "<html>\n***CONTENT***\n</html>",
        "<html>***CONTENT***</html>"}) {
    SCOPED_TRACE(page_template);
    Site site;
    site.AddImages(1);
    site.settings.DisplayAsImage = false;
    WriteFile(site.settings.Style_File, page_template);
    WriteFile(site.settings.Image_Style_File, page_template);
    ASSERT_TRUE(site.Build());
    for (const char* name : {"Index.html", "img01.html"}) {
      const std::string page = site.Page(name);
      EXPECT_TRUE(page.ends_with("</html>\r\n")) << name << ": " << page;
      for (size_t i = 0; i < page.size(); ++i) {
        const bool lone_lf = page[i] == '\n' && (i == 0 || page[i - 1] != '\r');
        const bool lone_cr = page[i] == '\r' && (i + 1 == page.size() || page[i + 1] != '\n');
        EXPECT_FALSE(lone_lf || lone_cr) << name << " at " << i;
      }
    }
  }
}

TEST(Build, EveryStartReadsTheHeaderListAfresh) {
  Site site;
  site.AddImages(1);
  site.settings.Header_Mode = HeaderMode::List;
  site.settings.Header_File = site.styles + "headers.txt";
  WriteFile(site.settings.Header_File, "");
  BuildState state(site.ui, site.settings, site.inputs);  // the dialog stays open throughout
  EXPECT_FALSE(site.Build(state));
  EXPECT_EQ(ShownOf(site.ui),
            (Shown{{MessageKind::Warning, std::string(kThumbPagesFailedMessage)}}));

  struct Step {
    const char* list;
    const char* header;  // the one the page gets
  } steps[] = {{"<kbd>first</kbd>\r\n", "<kbd>first</kbd>"},
               {"<kbd>second</kbd>\r\n<kbd>third</kbd>\r\n", "<kbd>second</kbd>"},
               {"<kbd>fourth</kbd>\r\n", "<kbd>fourth</kbd>"}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.list);
    site.ui.Clear();
    WriteFile(site.settings.Header_File, step.list);
    EXPECT_TRUE(site.Build(state));
    EXPECT_TRUE(site.ui.messages().empty());
    const std::string page = site.Page("Index.html");
    EXPECT_NE(page.find(step.header), std::string::npos) << page;
    EXPECT_EQ(Count(page, "<kbd>"), 1) << page;
  }
}

// ---- The description file.

class DescriptionTest : public ::testing::TestWithParam<bool> {};

TEST_P(DescriptionTest, TemporaryIniIsGoneWhateverTheResult) {
  Site site;
  site.AddImages(2);
  site.settings.Filename_Display = FilenameDisplay::DescriptionFile;
  site.settings.Description_File = site.styles + "captions.txt";
  WriteFile(site.settings.Description_File, "img01.jpg,A red square\r\n");
  const bool cancel = GetParam();
  if (cancel) {
    site.ui.CancelAtCheckpoint(1);
    site.ui.QueueAnswer(Answer::Yes);
  }
  BuildState state(site.ui, site.settings, site.inputs);
  EXPECT_EQ(site.Build(state), !cancel);
  EXPECT_EQ(state.description_ini_path(), site.styles + "~captions.ini");
  EXPECT_FALSE(PathExists(site.styles + "~captions.ini"));
  if (!cancel) {
    EXPECT_NE(site.Page("Index.html").find("A red square"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Ends, DescriptionTest, ::testing::Values(false, true));

}  // namespace
}  // namespace parvel
