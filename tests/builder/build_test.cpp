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
using testing::TempDir;
using testing::WriteFile;

constexpr std::string_view kTemplate =
    "<HTML><BODY>\r\n***HEADER***\r\n***INDEX***\r\n***CONTENT***\r\n***FOOTER***\r\n</BODY></"
    "HTML>";

// A small JPEG (64x48), so that thumbnails are quick to make.
void MakeJpeg(const std::string& path, Rgb colour = {200, 30, 30}) {
  TPixelGraphic image;
  image.SetSize(64, 48);
  image.Canvas().BrushColor = colour;
  image.Canvas().FillRect({0, 0, 64, 48});
  ASSERT_TRUE(savetojpeg(image, path, 80, false)) << path;
}

int Count(std::string_view text, std::string_view part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

using Shown = std::vector<std::pair<MessageKind, std::string>>;

Shown ShownOf(const ScriptedInteraction& ui) {
  Shown shown;
  for (const auto& m : ui.messages()) shown.emplace_back(m.kind, m.text);
  return shown;
}

// A site directory with its images beside a folder of templates and graphics, settings pointing
// at them, and a scripted user.
struct Site {
  TempDir dir;
  std::string site = dir / "site/";
  std::string styles = dir / "styles/";
  SiteSettings settings;
  ScriptedInteraction ui;
  BuildInputs inputs;

  Site() {
    fs::create_directories(site);
    fs::create_directories(styles);
    settings.Rotation_Path = site;
    settings.Style_File = styles + "thumbs.htm";
    settings.Image_Style_File = styles + "image.htm";
    WriteFile(settings.Style_File, kTemplate);
    WriteFile(settings.Image_Style_File, kTemplate);
  }

  // "img01.jpg" .. "imgNN.jpg" in the site directory.
  void AddImages(int count) {
    for (int i = 1; i <= count; ++i) {
      MakeJpeg(site + (i < 10 ? "img0" : "img") + std::to_string(i) + ".jpg");
    }
  }

  // Checks, fills the list and presses Start, as the dialog does; false when any step stops.
  bool Build(BuildState& state, bool unattended = true) {
    if (!state.PreBuildChecks(unattended)) return false;
    state.FillImageList();
    return state.Start();
  }

  bool Build(bool unattended = true) {
    BuildState state(ui, settings, inputs);
    return Build(state, unattended);
  }

  std::string Page(std::string_view name) const { return ReadFile(site + std::string(name)); }
  bool Exists(std::string_view name) const { return PathExists(site + std::string(name)); }
};

// ---- Checks before the build.

struct CheckCase {
  const char* name;
  std::function<void(Site&)> arrange;
  MessageKind kind;
  std::function<std::string(const Site&)> text;
};

class PreBuildCheckTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(PreBuildCheckTest, FailingCheckShowsItsMessageAndStopsTheStart) {
  Site site;
  site.AddImages(1);
  GetParam().arrange(site);
  BuildState state(site.ui, site.settings, site.inputs);
  EXPECT_FALSE(state.PreBuildChecks(false));
  EXPECT_EQ(ShownOf(site.ui), (Shown{{GetParam().kind, GetParam().text(site)}}));
  EXPECT_TRUE(site.ui.unexpected().empty());
}

auto Fixed(std::string_view text) {
  return [text](const Site&) { return std::string(text); };
}

INSTANTIATE_TEST_SUITE_P(
    Checks, PreBuildCheckTest,
    ::testing::Values(
        CheckCase{"NoThumbTemplate", [](Site& s) { s.settings.Style_File.clear(); },
                  MessageKind::Information, Fixed(kNoThumbTemplateMessage)},
        CheckCase{"ThumbTemplateMissing",
                  [](Site& s) { s.settings.Style_File = s.styles + "gone.htm"; },
                  MessageKind::Information, Fixed(kNoThumbTemplateMessage)},
        CheckCase{"ThumbTemplateIsAFolder", [](Site& s) { s.settings.Style_File = s.styles; },
                  MessageKind::Information, Fixed(kNoThumbTemplateMessage)},
        CheckCase{"NoImageTemplate",
                  [](Site& s) {
                    s.settings.DisplayAsImage = false;
                    s.settings.Image_Style_File.clear();
                  },
                  MessageKind::Information, Fixed(kNoImageTemplateMessage)},
        CheckCase{"NoDescriptionFile",
                  [](Site& s) {
                    s.settings.Filename_Display = FilenameDisplay::DescriptionFile;
                    s.settings.Description_File = s.styles + "captions.txt";
                  },
                  MessageKind::Warning, Fixed(kNoDescriptionFileMessage)},
        CheckCase{"NoHeaderHtml", [](Site& s) { s.settings.Header_Mode = kHeaderHtml; },
                  MessageKind::Information, Fixed(kNoHeaderHtmlMessage)},
        CheckCase{"NoHeaderFile",
                  [](Site& s) {
                    s.settings.Header_Mode = kHeaderList;
                    s.settings.Header_File = s.styles + "headers.txt";
                  },
                  MessageKind::Warning, Fixed(kNoHeaderFileMessage)},
        CheckCase{"NoFooterHtml", [](Site& s) { s.settings.Footer_Mode = kHeaderHtml; },
                  MessageKind::Information, Fixed(kNoFooterHtmlMessage)},
        CheckCase{"HeaderFineFooterMissing",
                  [](Site& s) {
                    s.settings.Header_Mode = kHeaderList;
                    s.settings.Header_File = s.styles + "thumbs.htm";
                    s.settings.Footer_Mode = kHeaderList;
                  },
                  MessageKind::Warning, Fixed(kNoFooterFileMessage)},
        CheckCase{"NoFooterFile", [](Site& s) { s.settings.Footer_Mode = kHeaderList; },
                  MessageKind::Warning, Fixed(kNoFooterFileMessage)},
        CheckCase{"EarliestCheckWins",
                  [](Site& s) {
                    s.settings.DisplayAsImage = false;
                    s.settings.Image_Style_File.clear();
                    s.settings.Header_Mode = kHeaderHtml;
                    s.settings.Footer_Mode = kHeaderList;
                  },
                  MessageKind::Information, Fixed(kNoImageTemplateMessage)},
        CheckCase{"ThumbTemplateFailsCompliance",
                  [](Site& s) { WriteFile(s.settings.Style_File, "<HTML>***INDEX***</HTML>"); },
                  MessageKind::Warning,
                  [](const Site& s) {
                    return "The HTML Template file, " + s.settings.Style_File +
                           ", has failed the compliancy test.  Please use 'Test Compliance' to "
                           "review and correct the problems!";
                  }},
        CheckCase{"ImageTemplateFailsCompliance",
                  [](Site& s) {
                    s.settings.DisplayAsImage = false;
                    WriteFile(s.settings.Image_Style_File, "<HTML></HTML>");
                  },
                  MessageKind::Warning,
                  [](const Site& s) {
                    return "The HTML Template file for your image pages, " +
                           s.settings.Image_Style_File +
                           ", has failed the compliancy test.  Please use 'Test Compliance' to "
                           "review and correct the problems.";
                  }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PreBuildChecks, PassingChecksRecordTheMarkersOfBothTemplates) {
  Site site;
  site.AddImages(1);
  site.settings.DisplayAsImage = false;
  WriteFile(site.settings.Image_Style_File, "***CONTENT***");
  BuildState state(site.ui, site.settings, site.inputs);
  ASSERT_TRUE(state.PreBuildChecks(false));
  EXPECT_TRUE(state.markers().thumbnail.index);
  EXPECT_FALSE(state.markers().image.index);
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

TEST(PreBuildChecks, NoImagesAnsweredNoAsksForNoPageCount) {
  Site site;
  site.ui.QueueAnswer(Answer::No);
  BuildState state(site.ui, site.settings, site.inputs);
  EXPECT_FALSE(state.PreBuildChecks(false));
  EXPECT_EQ(ShownOf(site.ui), (Shown{{MessageKind::Confirmation, std::string(kNoImagesQuestion)}}));
  EXPECT_TRUE(site.ui.unexpected().empty());
}

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

TEST(Build, ThumbnailDirectoryThatCannotBeMadeEndsTheBuild) {
  Site site;
  site.AddImages(1);
  WriteFile(site.site + "thumbs", "a file in the way");
  EXPECT_FALSE(site.Build());
  EXPECT_EQ(ShownOf(site.ui),
            (Shown{{MessageKind::Warning, "Error encountered creating the directory, " + site.site +
                                              "thumbs/.  Building will terminate!"}}));
  EXPECT_FALSE(site.Exists("Index.html"));
  EXPECT_EQ(site.settings.Status, 0);
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

TEST(ImageList, EmptyNavigationEntriesAddNothing) {
  Site site;
  site.AddImages(1);
  site.settings.prev_next_image_buttons = true;
  site.settings.Next_Page_File = site.styles + "next.gif";
  site.settings.Previous_Page_File = site.styles + "prev.gif";
  WriteFile(site.settings.Next_Page_File, "n");
  WriteFile(site.settings.Previous_Page_File, "p");
  BuildState state(site.ui, site.settings, site.inputs);
  ASSERT_TRUE(state.PreBuildChecks(true));
  EXPECT_EQ(state.files_to_copy().size(), 2u);
  EXPECT_EQ(state.excluded_names().size(), 2u);
  state.FillImageList();
  ASSERT_TRUE(state.Start());
  EXPECT_TRUE(site.ui.messages().empty());
  EXPECT_EQ(ReadFile(site.site + "prev.gif"), "p");
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
  EXPECT_EQ(state.Move(0, -1), 2);
  EXPECT_EQ(state.images(), (Names{"b.jpg", "c.jpg", "a.jpg"}));
  EXPECT_EQ(state.Move(2, +1), 0);
  EXPECT_EQ(state.images(), (Names{"a.jpg", "b.jpg", "c.jpg"}));
  EXPECT_EQ(state.Move(0, +1), 1);
  EXPECT_EQ(state.images(), (Names{"b.jpg", "a.jpg", "c.jpg"}));
}

TEST_F(ListEditTest, NothingMovesWithoutAFocusOrWithOneEntry) {
  EXPECT_EQ(state.Move(-1, +1), -1);
  EXPECT_EQ(state.Move(3, -1), 3);
  EXPECT_EQ(state.images(), (Names{"a.jpg", "b.jpg", "c.jpg"}));
  state.Exclude({0, 2});
  EXPECT_EQ(state.images(), (Names{"b.jpg"}));
  EXPECT_EQ(state.Move(0, -1), 0);
  EXPECT_EQ(state.images(), (Names{"b.jpg"}));
}

TEST_F(ListEditTest, ExcludeRemovesEverySelectedEntry) {
  EXPECT_FALSE(state.ListActionsEnabled({}));
  EXPECT_TRUE(state.ListActionsEnabled({1}));
  state.Exclude({0, 2, 7});
  EXPECT_EQ(state.images(), (Names{"b.jpg"}));
}

TEST_F(ListEditTest, StartWithAnEmptyListBuildsNothing) {
  state.Exclude({0, 1, 2});
  EXPECT_FALSE(state.Start());
  EXPECT_EQ(ShownOf(site.ui), (Shown{{MessageKind::Warning, std::string(kEmptyImageListMessage)}}));
  EXPECT_TRUE(site.ui.progress().empty());
  EXPECT_FALSE(site.Exists("Index.html"));
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
  EXPECT_EQ(site.settings.Status, 2);
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

TEST(Build, InputsFollowTheSiteAndTheOptions) {
  tsiterecord record;
  AppOptions options;
  options.UseThumbsDirectory = false;
  options.MaxFilenameLength = 30;
  BuildInputs inputs = BuildInputsFor(record, options);
  EXPECT_EQ(inputs.base_html_name, "Index.html");
  EXPECT_FALSE(inputs.use_thumbs_directory);
  EXPECT_EQ(inputs.max_filename_length, 30);
  record.BaseHTMLName = "start.htm";
  EXPECT_EQ(BuildInputsFor(record, options).base_html_name, "start.htm");
}

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
  EXPECT_EQ(site.settings.Status, carry_on ? 2 : 0);
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
    state.Exclude({0});
    EXPECT_EQ(state.Move(0, +1), 0);
    enabled = state.ListActionsEnabled({0});
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

class ThumbnailErrorTest : public ::testing::TestWithParam<Answer> {};

TEST_P(ThumbnailErrorTest, AnImageThatCannotBeReadAsksWhetherToGoOn) {
  Site site;
  WriteFile(site.site + "broken.jpg", "not a picture");
  MakeJpeg(site.site + "good.jpg");
  site.ui.QueueAnswer(GetParam());
  const bool go_on = GetParam() == Answer::Yes;
  EXPECT_EQ(site.Build(), go_on);
  Shown expected{{MessageKind::Warning, std::string(kThumbnailErrorQuestion)}};
  if (!go_on) {
    expected.emplace_back(MessageKind::Plain,
                          "Error encountered creating the thumbnail, broken.jpg");
  }
  EXPECT_EQ(ShownOf(site.ui), expected);
  EXPECT_EQ(site.Exists("thumbs/good_thb.jpg"), go_on);
  EXPECT_EQ(site.settings.Status, go_on ? 2 : 0);
}

INSTANTIATE_TEST_SUITE_P(Answers, ThumbnailErrorTest, ::testing::Values(Answer::Yes, Answer::No));

struct WriteFailureCase {
  bool display_as_image;
  std::string_view message;
};

class WriteFailureTest : public ::testing::TestWithParam<WriteFailureCase> {};

TEST_P(WriteFailureTest, APageThatCannotBeWrittenEndsTheBuild) {
  Site site;
  site.AddImages(1);
  site.settings.DisplayAsImage = GetParam().display_as_image;
  ASSERT_TRUE(site.Build());  // the thumbnail is there, so the first write is a page
  for (const auto& entry : fs::directory_iterator(site.site)) {
    if (entry.path().extension() == ".html") fs::remove(entry.path());  // pages are made again
  }
  site.settings.Status = 1;
  site.ui.Clear();

  FaultyFileSystem faulty(RealFileSystem());
  faulty.FailAll();
  ScopedFileSystem scope(faulty);
  EXPECT_FALSE(site.Build());
  EXPECT_EQ(ShownOf(site.ui), (Shown{{MessageKind::Warning, std::string(GetParam().message)}}));
  EXPECT_EQ(faulty.failures(), 1);
  EXPECT_EQ(site.settings.Status, 1);
}

INSTANTIATE_TEST_SUITE_P(Pages, WriteFailureTest,
                         ::testing::Values(WriteFailureCase{true, kThumbPagesFailedMessage},
                                           WriteFailureCase{false, kImagePagesFailedMessage}));

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

struct ClashCase {
  const char* name;
  const char* base_html_name;  // as a settings file may hold it
  bool display_pages;
  std::vector<std::string> pictures;  // made in the site directory, one page each
  const char* page;                   // the page that would be written over
  const char* picture;                // the picture it would replace
};

class PageOverPictureTest : public ::testing::TestWithParam<ClashCase> {};

TEST_P(PageOverPictureTest, BuildIsRefusedAndNothingIsWritten) {
  const ClashCase& c = GetParam();
  Site site;
  site.settings.DisplayAsImage = !c.display_pages;
  site.settings.Horizontal_Thumb_Count = 1;
  site.settings.Vertical_Thumb_Count = 1;
  site.inputs.base_html_name = c.base_html_name;
  for (const std::string& name : c.pictures) MakeJpeg(site.site + name);
  const auto before = Contents(site.site);
  EXPECT_FALSE(site.Build());
  ASSERT_EQ(site.ui.messages().size(), 1u);
  EXPECT_EQ(site.ui.messages()[0].kind, MessageKind::Warning);
  EXPECT_EQ(site.ui.messages()[0].text,
            "Building would write the page, " + std::string(c.page) + ", over your picture, " +
                c.picture +
                ", in the site directory!  Please give your first HTML page a name ending in "
                ".html under Site Options.");
  EXPECT_EQ(Contents(site.site), before);
}

INSTANTIATE_TEST_SUITE_P(
    Clashes, PageOverPictureTest,
    ::testing::Values(
        ClashCase{"DisplayPageTakesItsImagesName",
                  "gallery.jpg",
                  true,
                  {"sunset.jpg"},
                  "sunset.jpg",
                  "sunset.jpg"},
        ClashCase{"AnyLetterCase", "Gallery.JPG", true, {"Sunset.jpg"}, "Sunset.JPG", "Sunset.jpg"},
        ClashCase{"NumberedThumbnailPage",
                  "Index.jpg",
                  false,
                  {"a.jpg", "Index2.jpg"},
                  "Index2.jpg",
                  "Index2.jpg"},
        ClashCase{"PictureOutsideTheImageList",
                  "gallery.png",
                  true,
                  {"sunset.jpg", "sunset.png"},
                  "sunset.png",
                  "sunset.png"},
        ClashCase{"NameWithoutExtension",
                  "home",
                  true,
                  {"photo.jpg.jpg", "photo.jpg"},
                  "photo.jpg",
                  "photo.jpg"}),
    [](const auto& info) { return std::string(info.param.name); });

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
  const ComplianceResult test = TestCompliancy(site.settings.Style_File, true, markers);
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

TEST(Build, UnusableHeaderListShowsOnlyTheDriversMessage) {
  struct Case {
    const char* name;
    bool display_as_image;  // true: thumbnail pages only
    std::function<void(Site&)> set;
    std::string_view message;
  } cases[] = {
      {"empty header list, thumbnail pages", true,
       [](Site& s) {
         s.settings.Header_Mode = kHeaderList;
         s.settings.Header_File = s.styles + "headers.txt";
         WriteFile(s.settings.Header_File, "");
       },
       kThumbPagesFailedMessage},
      {"binary footer list, thumbnail pages", true,
       [](Site& s) {
         s.settings.Footer_Mode = kHeaderList;
         s.settings.Footer_File = s.styles + "footers.txt";
         WriteFile(s.settings.Footer_File, std::string("a\0b\r\n", 5));
       },
       kThumbPagesFailedMessage},
      {"empty header list, image pages", false,
       [](Site& s) {
         s.settings.Header_Mode = kHeaderList;
         s.settings.Header_File = s.styles + "headers.txt";
         WriteFile(s.settings.Header_File, "");
       },
       kImagePagesFailedMessage},
      {"unnamed image footer list", false,
       [](Site& s) { s.settings.Image_Footer_Mode = kImageHeaderList; }, kImagePagesFailedMessage},
      {"missing image header list", false,
       [](Site& s) {
         s.settings.Image_Header_Mode = kImageHeaderList;
         s.settings.Image_Header_File = s.styles + "gone.txt";
       },
       kImagePagesFailedMessage},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Site site;
    site.AddImages(2);
    site.settings.DisplayAsImage = c.display_as_image;
    c.set(site);
    EXPECT_FALSE(site.Build());
    EXPECT_EQ(ShownOf(site.ui), (Shown{{MessageKind::Warning, std::string(c.message)}}));
    EXPECT_FALSE(site.Exists("Index.html"));
  }
}

TEST(Build, EveryStartReadsTheHeaderListAfresh) {
  Site site;
  site.AddImages(1);
  site.settings.Header_Mode = kHeaderList;
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

TEST(Build, DescriptionFileThatCannotBeConvertedBuildsNothing) {
  Site site;
  site.AddImages(1);
  site.settings.Filename_Display = FilenameDisplay::DescriptionFile;
  site.settings.Description_File = site.styles + "captions.txt";
  WriteFile(site.settings.Description_File, "");
  EXPECT_FALSE(site.Build());
  EXPECT_EQ(ShownOf(site.ui), (Shown{{MessageKind::Warning, std::string(kDescriptionFileError)}}));
  EXPECT_FALSE(site.Exists("thumbs"));
  EXPECT_FALSE(site.Exists("Index.html"));
}

}  // namespace
}  // namespace parvel
