#include "builder/build.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/textutil.h"
#include "builder/build_site.h"
#include "imaging/registry.h"
#include "model/imagefiles.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::Count, testing::MakeJpeg, testing::ReadFile, testing::ReadTree, testing::Site,
    testing::WriteFile;
using Names = std::vector<std::string>;

// Without images the user may ask for pages without thumbnails; the pages get their buttons.
TEST(PreBuildChecks, NoImagesGivesTheRequestedPagesWithoutThumbnails) {
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

// A page that would be written over a picture of the site: refused, nothing written. Each row:
// the base page name, the clash (page and picture), display pages or not, and the pictures.
TEST(Build, PageOverAPictureIsRefusedAndNothingIsWritten) {
  const struct {
    const char *base_html_name, *page, *picture;
    bool display_pages;
    std::vector<std::string> pictures;
  } cases[] = {
      {"Gallery.JPG", "Sunset.JPG", "Sunset.jpg", true, {"Sunset.jpg"}},  // any letter case
      {"Index.jpg", "Index2.jpg", "Index2.jpg", false, {"a.jpg", "Index2.jpg"}},
      {"gallery.png", "sunset.png", "sunset.png", true, {"sunset.jpg", "sunset.png"}},
      {"home", "photo.jpg", "photo.jpg", true, {"photo.jpg.jpg", "photo.jpg"}},  // no extension
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

// The image list and the page-name checks of the model know the picture extensions without the
// codecs; the two lists must not drift apart.
TEST(PictureExtensions, EveryExtensionIsAPictureForThePageNameChecks) {
  for (const auto& r : FileFormatReaders()) {
    EXPECT_TRUE(HasPictureExtension("page." + std::string(r->Extension()))) << r->Extension();
  }
  for (const auto& w : FileFormatWriters()) {  // any letter case
    EXPECT_TRUE(HasPictureExtension("PAGE." + UpperAscii(w->Extension()))) << w->Extension();
  }
  EXPECT_FALSE(HasPictureExtension("Index.html"));
}

// Template references whose real path leads out are not published, also a link changed after
// the checks; a link that stays in is copied under the name the template uses. Graphics the site
// copies (in any letter case), thumbnails and page buttons are not offered as images.
TEST(Build, TemplateLinksLeadingOutAreNotPublishedAndGraphicsAreNoImages) {
  Site site;
  site.AddImages(1);
  for (const char* name : {"holiday_thb.jpg", "Page_Button_2.gif", "page_button_on_1.jpg",
                           "NEXT.GIF", "Alias.gif", "b.jpe", "notes.txt"}) {
    WriteFile(site.site + name, "x");
  }
  site.settings.prev_next_image_buttons = true;
  site.settings.Next_Page_File = site.styles + "next.gif";
  WriteFile(site.settings.Next_Page_File, "next");
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
  EXPECT_EQ(state.images(), (Names{"b.jpe", "img01.jpg"}));
  state.image_list().Exclude({0});  // b.jpe holds no picture
  ASSERT_TRUE(state.Start()) << ::testing::PrintToString(site.ui.texts());
  EXPECT_EQ(site.ui.texts(),
            Names{"The file, " + site.styles + "late.gif, lies outside the directory, " +
                  site.styles + ", and will not be copied"});
  EXPECT_FALSE(site.Exists("logo.gif") || site.Exists("x.gif") || site.Exists("late.gif"));
  EXPECT_EQ(site.Page("alias.gif"), "logo");
  EXPECT_EQ(ReadTree(outside), private_files);
}

// Two pages of one image each (a full last page adds none): the image pages take entries 1 and 2
// of each list, and the thumbnail pages start again from entry 1.
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
  EXPECT_FALSE(site.Exists("Index3.html"));
}

}  // namespace
}  // namespace parvel
