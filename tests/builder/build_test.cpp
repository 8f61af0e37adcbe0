#include "builder/build.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "builder/build_site.h"
#include "builder/pagebuttons.h"
#include "imaging/PGraphic.h"
#include "platform/filesystem.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::Count;
using testing::MakeJpeg;
using testing::ReadFile;
using testing::ReadTree;
using testing::Shown;
using testing::ShownOf;
using testing::Site;
using testing::WriteFile;
using Names = std::vector<std::string>;

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
  s.Header_Mode = s.Footer_Mode = HeaderMode::Html;
  const struct {
    std::string message;
    std::function<void()> put_right;
  } steps[] = {
      {std::string(kNoThumbTemplateMessage), [&] { s.Style_File = broken; }},
      {std::string(kNoImageTemplateMessage), [&] { s.Image_Style_File = broken; }},
      {std::string(kNoDescriptionFileMessage),
       [&] { WriteFile(s.Description_File, "a.jpg,A\r\n"); }},
      {std::string(kNoHeaderHtmlMessage),
       [&] { s.Header_Mode = HeaderMode::List, s.Header_File = site.styles + "headers.txt"; }},
      {std::string(kNoHeaderFileMessage), [&] { WriteFile(s.Header_File, "h\r\n"); }},
      {std::string(kNoFooterHtmlMessage), [&] { s.Footer_Mode = HeaderMode::List; }},
      {std::string(kNoFooterFileMessage), [&] { s.Footer_File = s.Header_File; }},
      {std::string(kNoImagesQuestion), [&] { site.AddImages(1); }},
      {std::string(kThumbTemplateFailedPrefix) + broken + std::string(kThumbTemplateFailedSuffix),
       [&] { s.Style_File = site.styles + "thumbs.htm"; }},
      {std::string(kImageTemplateFailedPrefix) + broken + std::string(kImageTemplateFailedSuffix),
       [&] { s.Image_Style_File = site.styles + "image.htm"; }},
  };
  for (const auto& step : steps) {
    site.ui.Clear();
    site.ui.QueueAnswer(Answer::No);  // to the question when there are no images
    BuildState state(site.ui, s, site.inputs);
    EXPECT_FALSE(state.PreBuildChecks(false));
    ASSERT_EQ(site.ui.texts(), Names{step.message});
    step.put_right();
  }
  site.ui.Clear();
  BuildState state(site.ui, s, site.inputs);
  EXPECT_TRUE(state.PreBuildChecks(false));
  EXPECT_TRUE(site.ui.messages().empty());
}

// Without images the user may ask for pages without thumbnails: only a whole number of at least
// one is taken; the pages get their buttons.
TEST(PreBuildChecks, NoImagesGivesTheRequestedPagesWithoutThumbnails) {
  for (const auto& typed :
       std::vector<std::optional<std::string>>{"0", "-3", "", "99999999999", std::nullopt}) {
    Site site;
    site.ui.QueueAnswer(Answer::Yes);
    site.ui.QueuePrompt(typed);
    BuildState state(site.ui, site.settings, site.inputs);
    EXPECT_FALSE(state.PreBuildChecks(false));
    EXPECT_EQ(site.ui.texts().back(), typed ? kInvalidPageCountMessage : kNoImagesQuestion);
    EXPECT_FALSE(state.no_thumbnail_mode());
  }
  Site site;
  site.settings.DisplayAsImage = false;  // even so: no image pages without images
  site.settings.index_image_buttons = true;
  site.settings.Selected_Page_Index_File = site.styles + "button.jpg";
  MakeJpeg(site.settings.Selected_Page_Index_File, {20, 20, 120});
  site.ui.QueueAnswer(Answer::Yes);
  site.ui.QueuePrompt("3");
  ASSERT_TRUE(site.Build());
  EXPECT_EQ(Count(site.Page("Index3.html"), "Page_Button_On_3.jpg"), 1);
  EXPECT_FALSE(site.Exists("Index4.html"));
  EXPECT_EQ(site.Page("Index2.html").find("_thb.jpg"), std::string::npos);
  EXPECT_TRUE(site.ui.unexpected().empty());
}

TEST(Build, ImagesFillPagesOfHorizontalTimesVerticalThumbnails) {
  for (const auto& [images, pages, on_last] : {std::tuple{20, 1, 20}, std::tuple{21, 2, 1}}) {
    Site site;
    site.AddImages(images);
    BuildState state(site.ui, site.settings, site.inputs);
    ASSERT_TRUE(site.Build(state));
    EXPECT_EQ(state.page_count(), pages);
    const std::string last = pages == 1 ? "Index.html" : "Index2.html";
    EXPECT_EQ(Count(site.Page(last), "_thb.jpg"), on_last);
    EXPECT_FALSE(site.Exists("Index" + std::to_string(pages + 1) + ".html"));
  }
}

// The bar's maximum counts copies, images, image pages and buttons; copies do not move it.
TEST(Build, ProgressCountsEveryPassAndNamesItsStep) {
  for (const bool pages : {false, true}) {
    Site site;
    site.AddImages(3);
    site.settings.DisplayAsImage = !pages;
    site.settings.index_image_buttons = site.settings.prev_next_image_buttons = pages;
    site.settings.Other_Page_Index_File = site.styles + "button.jpg";
    MakeJpeg(site.settings.Other_Page_Index_File);
    site.settings.Next_Page_File = site.styles + "next.gif";
    site.settings.Previous_Page_File = site.styles + "prev.gif";
    WriteFile(site.settings.Next_Page_File, "n");
    WriteFile(site.settings.Previous_Page_File, "p");
    ASSERT_TRUE(site.Build());
    const int maximum = pages ? 2 + 6 + 1 + 1 : 3 + 1;
    Names messages;
    int highest = 0;
    for (const auto& step : site.ui.progress()) {
      EXPECT_EQ(step.maximum, maximum);
      highest = std::max(highest, step.position);
      if (!step.message.empty() && (messages.empty() || messages.back() != step.message))
        messages.push_back(step.message);
    }
    EXPECT_EQ(highest, maximum - (pages ? 2 : 0));
    EXPECT_EQ(site.ui.progress().back().position, 0);
    if (pages) {
      EXPECT_EQ(messages[0], "Copying file, " + site.settings.Next_Page_File);
      EXPECT_EQ(messages[2], "Creating Buttons for page 1");
      EXPECT_EQ(messages[3], "Creating Thumbnail for img01.jpg");
      EXPECT_EQ(messages[6], "Creating Image Display page for the image, img01.jpg");
      EXPECT_EQ(messages.back(), "Creating the HTML Page, Index.html");
      EXPECT_EQ(ReadFile(site.site + "next.gif"), "n");
    }
  }
}

TEST(ImageList, ThumbnailsButtonsAndCopiedGraphicsAreNotOffered) {
  Site site;
  for (const char* name : {"a.jpg", "holiday_thb.jpg", "Page_Button_2.gif", "page_button_on_1.jpg",
                           "NEXT.GIF", "Prev.gif", "BG.GIF", "b.jpe", "notes.txt", "dot.gif"}) {
    WriteFile(site.site + name, "x");
  }
  const std::string nav = site.dir / "nav/";
  site.settings.prev_next_image_buttons = true;
  site.settings.Next_Page_File = nav + "next.gif";
  site.settings.Previous_Page_File = nav + "prev.gif";
  WriteFile(site.styles + "bg.gif", "x");
  WriteFile(site.styles + "art/Dot.gif", "x");
  WriteFile(site.settings.Style_File,
            "<BODY BACKGROUND=\"bg.gif\"><IMG SRC=\"art/dot.gif\">***CONTENT***</BODY>");
  BuildState state(site.ui, site.settings, site.inputs);
  ASSERT_TRUE(state.PreBuildChecks(false));
  EXPECT_EQ(state.files_to_copy(), (Names{nav + "next.gif", nav + "prev.gif",
                                          site.styles + "bg.gif", site.styles + "art/Dot.gif"}));
  state.FillImageList();
  EXPECT_EQ(state.images(), (Names{"a.jpg", "b.jpe"}));
  // The list as the user edits it: moves wrap at both ends.
  EXPECT_EQ(state.image_list().Move(0, -1), 1);
  EXPECT_EQ(state.images(), (Names{"b.jpe", "a.jpg"}));
  EXPECT_FALSE(state.image_list().ActionsEnabled({}));
  state.image_list().Exclude({1, 7});
  EXPECT_EQ(state.images(), Names{"b.jpe"});
}

TEST(Build, PhotographsSharingANameShareTheirPagesAndTheLaterOneWins) {
  for (const int jobs : {1, 4}) {
    Site site;
    site.settings.DisplayAsImage = false;
    TPixelGraphic gif;
    gif.SetSize(40, 30);
    gif.SetBitCountNum(8);
    gif.SaveToFile(site.site + "photo.gif");
    MakeJpeg(site.site + "photo.jpeg");  // 64x48
    BuildState state(site.ui, site.settings, site.inputs);
    state.set_jobs(jobs);
    state.set_no_recreate(false);  // else the later image finds the earlier one's thumbnail made
    ASSERT_TRUE(site.Build(state));
    ImageFileInfo thumb;
    ASSERT_TRUE(ReadImageFileInfo(site.site + "thumbs/photo_thb.jpg", 0, &thumb));
    EXPECT_EQ(thumb.width, 64) << jobs;
    EXPECT_EQ(Count(site.Page("Index.html"), "thumbs/photo_thb.jpg"), 2);
    EXPECT_NE(site.Page("photo.html").find("photo.jpeg"), std::string::npos);
    EXPECT_EQ(site.Page("photo.html").find("photo.gif"), std::string::npos);
  }
}

// The prefix gets its blank; the rotation is marked built; the preview is offered when attended.
TEST(Build, SuccessFixesThePrefixMarksTheRotationBuiltAndOffersThePreview) {
  const struct {
    const char* prefix;
    bool unattended;
    std::optional<Answer> preview;
  } cases[] = {{"No.", false, Answer::Yes}, {"", false, Answer::No}, {"Page ", true, {}}};
  for (const auto& c : cases) {
    Site site;
    site.AddImages(1);
    site.settings.Page_Number_Prefix = c.prefix;
    site.inputs.base_html_name = "home.htm";
    if (c.preview) site.ui.QueueAnswer(*c.preview);
    ASSERT_TRUE(site.Build(c.unattended));
    const std::string prefix = *c.prefix == 'N' ? "No. " : "Page ";
    EXPECT_EQ(site.settings.Page_Number_Prefix, prefix);
    EXPECT_NE(site.Page("home.htm").find(prefix + "1"), std::string::npos);
    EXPECT_EQ(Stored(site.settings.Status), 2);
    EXPECT_EQ(site.ui.opened().size(), c.preview == Answer::Yes ? 1u : 0u);
    EXPECT_EQ(site.ui.texts().size(), c.preview ? 1u : 0u);
    EXPECT_EQ(site.ui.busy_depth(), 0);
  }
}

TEST(Build, CancelIsConfirmedAtTheNextCheckpoint) {
  for (const Answer answer : {Answer::Yes, Answer::No}) {
    Site site;
    site.AddImages(3);
    site.ui.CancelAtCheckpoint(2);  // the one after the second thumbnail
    site.ui.QueueAnswer(answer);
    const bool carry_on = answer == Answer::No;
    if (carry_on) site.ui.QueueAnswer(Answer::No);  // no preview
    EXPECT_EQ(site.Build(false), carry_on);
    EXPECT_EQ(site.ui.messages().front().text, kCancelBuildQuestion);
    EXPECT_EQ(site.Exists("thumbs/img03_thb.jpg"), carry_on);
    EXPECT_EQ(Stored(site.settings.Status), carry_on ? 2 : 0);
    EXPECT_EQ(site.ui.progress().back().position, 0);
    EXPECT_TRUE(site.ui.unexpected().empty());
  }
}

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
  bool closed = true, enabled = true;
  user.on_checkpoint = [&] {
    state.image_list().Exclude({0});
    EXPECT_EQ(state.image_list().Move(0, +1), 0);
    enabled = state.image_list().ActionsEnabled({0});
    closed = state.Cancel();
  };
  user.QueueAnswer(Answer::Yes);
  ASSERT_TRUE(state.PreBuildChecks(true));
  state.FillImageList();
  EXPECT_FALSE(state.Start());
  EXPECT_FALSE(closed || enabled);
  EXPECT_EQ(user.texts(), Names{std::string(kCancelBuildQuestion)});
  EXPECT_EQ(state.images(), (Names{"img01.jpg", "img02.jpg"}));
  EXPECT_TRUE(state.Cancel());
}

// A picture that cannot be read: why goes on the log. Buttons that cannot be made: text indexes.
// A graphic that cannot be copied: the site's copy stays and the build goes on.
TEST(Build, FailuresOfOnePassLeaveTheRestWhole) {
  Site site;
  site.AddImages(2);
  WriteFile(site.site + "broken.jpg", "not a picture");
  site.settings.Horizontal_Thumb_Count = site.settings.Vertical_Thumb_Count = 1;
  site.settings.index_image_buttons = true;
  site.settings.Selected_Page_Index_File = site.styles + "button.gif";
  WriteFile(site.settings.Selected_Page_Index_File, "no image here");
  site.ui.QueueAnswer(Answer::Ok);   // to the buttons that cannot be made
  site.ui.QueueAnswer(Answer::Yes);  // to the thumbnail that cannot be made
  site.settings.prev_next_image_buttons = true;
  site.settings.Next_Page_File = site.styles + "next.gif";
  site.settings.Previous_Page_File = site.styles + "prev.gif";
  WriteFile(site.settings.Previous_Page_File, "new");
  WriteFile(site.site + "next.gif", "copied last time");
  BuildState state(site.ui, site.settings, site.inputs);
  ASSERT_TRUE(site.Build(state));
  EXPECT_EQ(
      site.ui.texts(),
      (Names{"An error was encountered copying the file, " + site.settings.Next_Page_File + "!",
             std::string(kButtonErrorQuestion), std::string(kThumbnailErrorQuestion)}));
  EXPECT_EQ(ReadFile(site.site + "next.gif"), "copied last time");
  EXPECT_EQ(ReadFile(site.site + "prev.gif"), "new");
  EXPECT_FALSE(state.use_image_buttons());
  EXPECT_EQ(site.Page("Index.html").find("Page_Button"), std::string::npos);
  EXPECT_NE(site.Page("Index.html").find("Page 2</A>"), std::string::npos);
  const std::string logged = "The thumbnail of " + site.site + "broken.jpg: ";
  ASSERT_EQ(site.ui.logs().size(), 2u);  // the buttons', then the thumbnail's
  EXPECT_TRUE(site.ui.logs()[1].starts_with(logged) && site.ui.logs()[1].size() > logged.size());
}

// A page that would be written over a picture of the site: refused, nothing written. Each row:
// the base page name, display pages or not, the pictures ("|" between them) and the clash.
TEST(Build, PageOverAPictureIsRefusedAndNothingIsWritten) {
  const struct {
    const char* base_html_name;
    bool display_pages;
    std::vector<std::string> pictures;
    const char *page, *picture;
  } cases[] = {
      {"Gallery.JPG", true, {"Sunset.jpg"}, "Sunset.JPG", "Sunset.jpg"},  // any letter case
      {"Index.jpg", false, {"a.jpg", "Index2.jpg"}, "Index2.jpg", "Index2.jpg"},
      {"gallery.png", true, {"sunset.jpg", "sunset.png"}, "sunset.png", "sunset.png"},
      {"home", true, {"photo.jpg.jpg", "photo.jpg"}, "photo.jpg", "photo.jpg"},  // no extension
  };
  for (const auto& c : cases) {
    Site site;
    site.settings.DisplayAsImage = !c.display_pages;
    site.settings.Horizontal_Thumb_Count = site.settings.Vertical_Thumb_Count = 1;
    site.inputs.base_html_name = c.base_html_name;
    for (const auto& picture : c.pictures) MakeJpeg(site.site + picture);
    const auto before = ReadTree(site.site);
    EXPECT_FALSE(site.Build());
    EXPECT_EQ(site.ui.texts(), Names{"Building would write the page, " + std::string(c.page) +
                                     ", over your picture, " + c.picture +
                                     ", in the site directory!  Please give your first HTML page "
                                     "a name ending in .html under Site Options."});
    EXPECT_EQ(ReadTree(site.site), before);
  }
}

// Template references whose real path leads out are not published, also a link changed after
// the checks; a link that stays in is copied under the name the template uses.
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
  fs::create_symlink("real.gif", site.styles + "late.gif");
  WriteFile(site.settings.Style_File,
            "<BODY><IMG SRC=\"logo.gif\"><IMG SRC=\"sub/x.gif\">"
            "<IMG SRC=\"alias.gif\"><IMG SRC=\"late.gif\">***CONTENT***</BODY>");
  const auto private_files = ReadTree(outside);
  BuildState state(site.ui, site.settings, site.inputs);
  ASSERT_TRUE(state.PreBuildChecks(true));
  fs::remove(site.styles + "late.gif");
  fs::create_symlink(outside + "id_rsa", site.styles + "late.gif");
  state.FillImageList();
  ASSERT_TRUE(state.Start());
  EXPECT_EQ(site.ui.texts(),
            Names{"The file, " + site.styles + "late.gif, lies outside the directory, " +
                  site.styles + ", and will not be copied"});
  EXPECT_FALSE(site.Exists("logo.gif") || site.Exists("x.gif") || site.Exists("late.gif"));
  EXPECT_EQ(site.Page("alias.gif"), "logo");
  EXPECT_EQ(ReadTree(outside), private_files);
}

// A template inside the site folder: its files are there already and stay as they are.
TEST(Build, RequiredFileAlreadyInTheSiteStaysInPlace) {
  Site site;
  site.AddImages(1);
  site.settings.Style_File = site.site + "thumbs.htm";
  WriteFile(site.settings.Style_File, "<BODY BACKGROUND=\"paper.gif\">***CONTENT***</BODY>");
  WriteFile(site.site + "paper.gif", "paper");
  ASSERT_TRUE(site.Build());
  EXPECT_TRUE(site.ui.messages().empty());
  EXPECT_EQ(site.Page("paper.gif"), "paper");
}

// Two pages of one image each: the image pages take entries 1 and 2 of each list, and the
// thumbnail pages start again from entry 1.
TEST(Build, ThumbnailPagesStartTheHeaderAndFooterListsAgain) {
  Site site;
  site.AddImages(2);
  auto& s = site.settings;
  s.DisplayAsImage = false;
  s.Horizontal_Thumb_Count = s.Vertical_Thumb_Count = 1;
  s.Header_Mode = s.Footer_Mode = HeaderMode::List;
  s.Header_File = site.styles + "headers.txt";
  s.Footer_File = site.styles + "footers.txt";
  WriteFile(s.Header_File, "<kbd>H1</kbd>\r\n<kbd>H2</kbd>\r\n<kbd>H3</kbd>\r\n");
  WriteFile(s.Footer_File, "<var>F1</var>\r\n<var>F2</var>\r\n<var>F3</var>\r\n");
  ASSERT_TRUE(site.Build());
  for (const auto& [page, n] :
       {std::pair{"img01.html", 1}, {"img02.html", 2}, {"Index.html", 1}, {"Index2.html", 2}}) {
    const std::string text = site.Page(page);
    EXPECT_EQ(Count(text, "<kbd>H" + std::to_string(n) + "</kbd>"), 1) << page;
    EXPECT_EQ(Count(text, "<var>F" + std::to_string(n) + "</var>"), 1) << page;
  }
}

// Every line of every page ends in CR LF, whatever line breaks the templates hold.
TEST(Build, EveryLineOfEveryPageEndsInCrLf) {
  for (const char* page_template :
       {"<html>\n<body>\r***CONTENT***\r\n</body>\n</html>\n", "<html>***CONTENT***</html>"}) {
    Site site;
    site.AddImages(1);
    site.settings.DisplayAsImage = false;
    WriteFile(site.settings.Style_File, page_template);
    WriteFile(site.settings.Image_Style_File, page_template);
    ASSERT_TRUE(site.Build());
    for (const char* name : {"Index.html", "img01.html"}) {
      const std::string page = site.Page(name);
      EXPECT_TRUE(page.ends_with("</html>\r\n")) << name;
      EXPECT_EQ(Count(page, "\n"), Count(page, "\r\n")) << name;
      EXPECT_EQ(Count(page, "\r"), Count(page, "\r\n")) << name;
    }
  }
}

// One dialog, several starts: each reads the header list afresh.
TEST(Build, EveryStartReadsTheHeaderListAfresh) {
  Site site;
  site.AddImages(1);
  site.settings.Header_Mode = HeaderMode::List;
  site.settings.Header_File = site.styles + "headers.txt";
  BuildState state(site.ui, site.settings, site.inputs);
  for (const auto& [list, header] :
       {std::pair{"<kbd>first</kbd>\r\n", "<kbd>first</kbd>"},
        {"<kbd>second</kbd>\r\n<kbd>third</kbd>\r\n", "<kbd>second</kbd>"}}) {
    WriteFile(site.settings.Header_File, list);
    EXPECT_TRUE(site.Build(state));
    EXPECT_EQ(Count(site.Page("Index.html"), "<kbd>"), 1);
    EXPECT_EQ(Count(site.Page("Index.html"), header), 1);
  }
}

// The temporary lookup file made from a comma-separated description file is gone at the end,
// also after a cancel.
TEST(Build, TemporaryDescriptionIniIsGoneWhateverTheResult) {
  for (const bool cancel : {false, true}) {
    Site site;
    site.AddImages(2);
    site.settings.Filename_Display = FilenameDisplay::DescriptionFile;
    site.settings.Description_File = site.styles + "captions.txt";
    WriteFile(site.settings.Description_File, "img01.jpg,A red square\r\n");
    if (cancel) site.ui.CancelAtCheckpoint(1), site.ui.QueueAnswer(Answer::Yes);
    BuildState state(site.ui, site.settings, site.inputs);
    EXPECT_EQ(site.Build(state), !cancel);
    EXPECT_EQ(state.description_ini_path(), site.styles + "~captions.ini");
    EXPECT_FALSE(PathExists(site.styles + "~captions.ini"));
    EXPECT_EQ(Count(site.Page("Index.html"), "A red square"), cancel ? 0 : 1);
  }
}

}  // namespace
}  // namespace parvel
