#include "builder/thumbpage.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <ostream>

#include "builder/fragments.h"
#include "builder/imagepage.h"
#include "builder/page_fixture.h"
#include "support/faulty_filesystem.h"

namespace parvel {
namespace {

using testing::kCrLf;
using testing::NumberedImages;
using testing::PageSite;
using testing::ReadFile;
using testing::WriteFile;

// A name with a blank, a quote, "#", "<", ">", "&", "%" and a two-byte UTF-8 letter.
const std::string kHostile = "it's a #1 <b>&%\xC3\xBC.jpg";
const std::string kHostileUrl = "it's a %231 %3Cb%3E&amp;%25%C3%BC";

const std::string kBarStart =
    "<center><table COLS=3 border=\"0\" cellpadding=\"3\" cellspacing=\"4\" width=\"90%\">\r\n"
    "<tr>\r\n";
const std::string kBarEnd = "</tr>\r\n</table></center>";

// ---- Navigation labels and targets.

struct NavCase {
  const char* name;
  int images, across, down;
  const char* base;
  int page, pages;
  ThumbNavigation expected;
};
void PrintTo(const NavCase& c, std::ostream* os) {
  *os << c.name;
}

class ThumbNavigationLabels : public ::testing::TestWithParam<NavCase> {};

TEST_P(ThumbNavigationLabels, NameNeighboursAndCounts) {
  const NavCase& c = GetParam();
  PageSite site;
  site.settings.Horizontal_Thumb_Count = c.across;
  site.settings.Vertical_Thumb_Count = c.down;
  PageContext ctx = site.Context(NumberedImages(c.images));
  ctx.base_html_name = c.base;
  const ThumbNavigation nav = ThumbNavigationFor(ctx, c.page, c.pages);
  EXPECT_EQ(nav.prev_target, c.expected.prev_target);
  EXPECT_EQ(nav.prev_label, c.expected.prev_label);
  EXPECT_EQ(nav.next_target, c.expected.next_target);
  EXPECT_EQ(nav.next_label, c.expected.next_label);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, ThumbNavigationLabels,
    ::testing::Values(NavCase{"twelve_at_5x2_page1",
                              12,
                              5,
                              2,
                              "Index.html",
                              1,
                              2,
                              {"", "First 10 Thumbnails", "Index2.html", "Last 2 Thumbnails"}},
                      NavCase{"twelve_at_5x2_page2",
                              12,
                              5,
                              2,
                              "Index.html",
                              2,
                              2,
                              {"Index.html", "Previous 10 Thumbnails", "", "Last 2 Thumbnails"}},
                      NavCase{"ten_at_5x2_one_page",
                              10,
                              5,
                              2,
                              "Index.html",
                              1,
                              1,
                              {"", "First 10 Thumbnails", "", "Last 10 Thumbnails"}},
                      NavCase{"three_pages_page1",
                              25,
                              5,
                              2,
                              "Index.html",
                              1,
                              3,
                              {"", "First 10 Thumbnails", "Index2.html", "Next 10 Thumbnails"}},
                      NavCase{"three_pages_page2",
                              25,
                              5,
                              2,
                              "Index.html",
                              2,
                              3,
                              {"Index.html", "Previous 10 Thumbnails", "Index3.html",
                               "Last 5 Thumbnails"}},
                      NavCase{"three_pages_page3",
                              25,
                              5,
                              2,
                              "Index.html",
                              3,
                              3,
                              {"Index2.html", "Previous 10 Thumbnails", "", "Last 5 Thumbnails"}},
                      NavCase{"base_without_extension",
                              25,
                              5,
                              2,
                              "home",
                              2,
                              3,
                              {"home", "Previous 10 Thumbnails", "home3", "Last 5 Thumbnails"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Link values.

struct LinkCase {
  const char* name;
  int method;
  bool display_as_image;
  const char* base;
  std::string image;
  std::string expected;
};
void PrintTo(const LinkCase& c, std::ostream* os) {
  *os << c.name;
}

class ThumbnailLink : public ::testing::TestWithParam<LinkCase> {};

TEST_P(ThumbnailLink, FollowsTheDisplayMethod) {
  const LinkCase& c = GetParam();
  PageSite site;
  site.settings.Image_Display_Method = c.method;
  site.settings.DisplayAsImage = c.display_as_image;
  PageContext ctx = site.Context({c.image});
  ctx.base_html_name = c.base;
  EXPECT_EQ(GetImageLinkName(ctx, c.image, true), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Methods, ThumbnailLink,
    ::testing::Values(
        LinkCase{"same_window_image", 0, true, "Index.html", "photo.jpg", "photo.jpg"},
        LinkCase{"same_window_page", 0, false, "Index.html", "photo.jpg", "photo.html"},
        LinkCase{"page_base_without_extension", 0, false, "home", "photo.jpg", "photo"},
        LinkCase{"no_choice", 7, true, "Index.html", "photo.jpg", "photo.jpg"},
        LinkCase{"new_window_image", 1, true, "Index.html", "photo.jpg",
                 "photo.jpg\" Target=\"_blank"},
        LinkCase{"new_window_page", 1, false, "Index.html", "photo.jpg",
                 "photo.html\" Target=\"_blank"},
        LinkCase{"window_each", 2, false, "Index.html", "Sunset Beach.jpg",
                 "javascript:openWin('Sunset Beach.html','show_sunset_beach_html_window');"},
        LinkCase{"one_second_window", 3, false, "Index.html", "photo.jpg",
                 "javascript:openWin('photo.html','show_picture_window');"},
        LinkCase{"hostile_same_window", 0, true, "Index.html", kHostile, kHostileUrl + ".jpg"},
        LinkCase{"hostile_new_window", 1, true, "Index.html", kHostile,
                 kHostileUrl + ".jpg\" Target=\"_blank"},
        LinkCase{"hostile_window_each", 2, false, "Index.html", kHostile,
                 "javascript:openWin('it\\'s a %25231 %253Cb%253E&amp;%2525%25C3%25BC.html',"
                 "'show_it_s_a__1__b_____html_window');"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ThumbnailLink, WithoutAsLinkIsTheBareTarget) {
  PageSite site;
  site.settings.Image_Display_Method = 2;
  site.settings.DisplayAsImage = false;
  PageContext ctx = site.Context({kHostile});
  EXPECT_EQ(GetImageLinkName(ctx, kHostile, false), "it's a #1 <b>&%\xC3\xBC.html");
}

// A window name of "" opens a new window for every click; the one second window of method 3
// needs one name that every picture's link shares.
TEST(ThumbnailLink, OneSecondWindowIsOneNamedWindowForEveryPicture) {
  PageSite site;
  site.settings.Image_Display_Method = 3;
  site.settings.DisplayAsImage = true;
  PageContext ctx = site.Context({"a.jpg", "b c.jpg"});
  EXPECT_EQ(GetImageLinkName(ctx, "a.jpg", true),
            "javascript:openWin('a.jpg','show_picture_window');");
  EXPECT_EQ(GetImageLinkName(ctx, "b c.jpg", true),
            "javascript:openWin('b c.jpg','show_picture_window');");
}

TEST(WindowName, KeepsLettersAndDigitsOfTheBareName) {
  EXPECT_EQ(WindowName("Sunset Beach.html"), "show_sunset_beach_html_window");
  EXPECT_EQ(WindowName("sub/Pic-07.HTML"), "show_pic_07_html_window");
  EXPECT_EQ(WindowName("\xC3\x84"
                       "b.html"),
            "show__b_html_window");  // one "_" per letter
}

// ---- Captions.

struct CaptionCase {
  const char* name;
  FilenameDisplay display;
  int max_length;
  std::string image;
  std::string expected;
};
void PrintTo(const CaptionCase& c, std::ostream* os) {
  *os << c.name;
}

class Caption : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(Caption, FollowsFilenameDisplay) {
  const CaptionCase& c = GetParam();
  PageSite site;
  site.settings.Filename_Display = c.display;
  PageContext ctx = site.Context({c.image});
  ctx.max_filename_length = c.max_length;
  EXPECT_EQ(GetDisplayFilename(ctx, c.image), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, Caption,
    ::testing::Values(CaptionCase{"none", FilenameDisplay::None, 15, "photo.jpg", ""},
                      CaptionCase{"hide_ext", FilenameDisplay::HideExt, 15, "photo.jpg", "photo"},
                      CaptionCase{"normal", FilenameDisplay::Normal, 15, "photo.jpg", "photo.jpg"},
                      CaptionCase{"normal_shortened", FilenameDisplay::Normal, 15,
                                  "Sunset_over_the_bay.jpg", "Sunset_over_..."},
                      CaptionCase{"seventeen_at_fifteen", FilenameDisplay::HideExt, 15,
                                  "abcdefghijklmnopq.jpg", "abcdefghijkl..."},
                      CaptionCase{"fifteen_kept", FilenameDisplay::HideExt, 15,
                                  "abcdefghijklmno.jpg", "abcdefghijklmno"},
                      CaptionCase{"sixteen_cut", FilenameDisplay::HideExt, 15,
                                  "abcdefghijklmnop.jpg", "abcdefghijkl..."},
                      CaptionCase{"no_limit", FilenameDisplay::Normal, 999,
                                  "Sunset_over_the_bay.jpg", "Sunset_over_the_bay.jpg"},
                      CaptionCase{"tiny_limit", FilenameDisplay::HideExt, 2, "abc.jpg", "..."},
                      CaptionCase{"escaped_after_cutting", FilenameDisplay::HideExt, 15, kHostile,
                                  "it's a #1 &lt;b..."},
                      CaptionCase{"escaped_whole", FilenameDisplay::Normal, 999, kHostile,
                                  "it's a #1 &lt;b>&amp;%&#252;.jpg"},
                      // Sixteen two-byte letters: cut after twelve letters, never inside one.
                      CaptionCase{
                          "utf8_cut_on_letters", FilenameDisplay::HideExt, 15,
                          "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
                          "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9.jpg",
                          "&#233;&#233;&#233;&#233;&#233;&#233;&#233;&#233;&#233;&#233;&#233;&#233;"
                          "..."}),
    [](const auto& info) { return std::string(info.param.name); });

struct DescriptionCase {
  const char* name;
  std::string image;
  bool show_filename;
  std::string expected;
};
void PrintTo(const DescriptionCase& c, std::ostream* os) {
  *os << c.name;
}

class DescriptionCaption : public ::testing::TestWithParam<DescriptionCase> {};

TEST_P(DescriptionCaption, IsTheUsersHtmlOrTheEscapedName) {
  const DescriptionCase& c = GetParam();
  PageSite site;
  site.settings.Filename_Display = FilenameDisplay::DescriptionFile;
  site.settings.ShowFilenameWhenNoDesc = c.show_filename;
  site.settings.Description_File = site.dir / "captions.ini";
  WriteFile(site.settings.Description_File,
            "[Descriptions]\r\na.jpg=<b>Sunset</b> over the whole long bay\r\n");
  DescriptionFile descriptions;
  ASSERT_TRUE(descriptions.Prepare(site.ui, site.settings));
  PageContext ctx = site.Context({c.image});
  ctx.descriptions = &descriptions;
  EXPECT_EQ(GetDisplayFilename(ctx, c.image), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lookups, DescriptionCaption,
    ::testing::Values(DescriptionCase{"found_raw_not_shortened", "a.jpg", true,
                                      "<b>Sunset</b> over the whole long bay"},
                      DescriptionCase{"key_case_ignored", "A.JPG", false,
                                      "<b>Sunset</b> over the whole long bay"},
                      DescriptionCase{"missing_shows_escaped_name", "c&d's_long_file_name.jpg",
                                      true, "c&amp;d's_long_file_name.jpg"},
                      DescriptionCase{"missing_without_fallback", "c.jpg", false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The thumbnail table and the page.

std::string Cell(const std::string& link, const std::string& thumb, const std::string& caption) {
  return "<td><center><a href=\"" + link + "\"><img SRC=\"" + thumb +
         "\" BORDER=2></a><br><a href=\"" + link + "\">" + caption + "</a></center>\r\n</td>\r\n";
}

TEST(ThumbPage, LastPageOfTwelveAtFiveByTwoByteForByte) {
  PageSite site;
  site.settings.Horizontal_Thumb_Count = 5;
  site.settings.Vertical_Thumb_Count = 2;
  const PageContext ctx = site.Context(NumberedImages(12));
  ASSERT_TRUE(createHTMLThumbpage(ctx, site.dir / "Index2.html", 2, 2, 10, ""));
  const std::string expected =
      KorrinCredits() + "<center><table CELLSPACING=3 CELLPADDING=10>\r\n" +
      "<tr ALIGN=CENTER VALIGN=BOTTOM>\r\n" + Cell("img11.jpg", "./thumbs/img11_thb.jpg", "img11") +
      "\r\n" + Cell("img12.jpg", "./thumbs/img12_thb.jpg", "img12") + "\r\n" + "</tr>\r\n" +
      "<tr ALIGN=CENTER VALIGN=BOTTOM>\r\n</tr>\r\n" + "</table></center>\r\n" + "<BR>&nbsp;" +
      kBarStart + "<td><a href=\"Index.html\">Previous 10 Thumbnails</a></td>\r\n" +
      "<td><p align=\"center\">&nbsp;</p></td>\r\n" + "<td><p align=\"right\">&nbsp;</p></td>\r\n" +
      kBarEnd + "\r\n";
  EXPECT_EQ(site.Page("Index2.html"), expected);
}

TEST(ThumbPage, FirstPageHoldsTwoFullRowsAndLinksOn) {
  PageSite site;
  site.settings.Horizontal_Thumb_Count = 5;
  site.settings.Vertical_Thumb_Count = 2;
  const PageContext ctx = site.Context(NumberedImages(12));
  ASSERT_TRUE(createHTMLThumbpage(ctx, site.dir / "Index.html", 1, 2, 0, ""));
  const std::string page = site.Page("Index.html");
  size_t cells = 0;
  for (size_t at = page.find("<td><center>"); at != std::string::npos;
       at = page.find("<td><center>", at + 1)) {
    ++cells;
  }
  EXPECT_EQ(cells, 10u);
  EXPECT_NE(page.find("img10_thb.jpg"), std::string::npos);
  EXPECT_EQ(page.find("img11"), std::string::npos);
  EXPECT_NE(page.find("<td><p align=\"right\"><a href=\"Index2.html\">Last 2 Thumbnails</a>"),
            std::string::npos);
}

TEST(ThumbPage, CellWithoutCaptionWhenFilenameDisplayIsNone) {
  PageSite site;
  site.settings.Filename_Display = FilenameDisplay::None;
  site.settings.Horizontal_Thumb_Count = 1;
  site.settings.Vertical_Thumb_Count = 1;
  site.settings.Thumb_Border = 0;
  const PageContext ctx = site.Context({"a.jpg"});
  const std::string grid = CreateThumbGrid(ctx, 1, 0, "", "x", "", "y");
  EXPECT_NE(grid.find("<tr ALIGN=CENTER VALIGN=BOTTOM>\r\n"
                      "<td><center><a href=\"a.jpg\"><img SRC=\"./thumbs/a_thb.jpg\" BORDER=0>"
                      "</a></center></td>\r\n\r\n</tr>\r\n"),
            std::string::npos)
      << grid;
  EXPECT_EQ(grid.find("<br>"), std::string::npos);
}

TEST(ThumbPage, CaptionInThePageFontAndThumbnailsBesideTheImages) {
  PageSite site;
  site.settings.Horizontal_Thumb_Count = 1;
  site.settings.Vertical_Thumb_Count = 1;
  site.settings.Filename_Display = FilenameDisplay::Normal;
  site.settings.default_font_default = false;
  site.settings.Default_Font = "Arial";
  site.settings.Default_Font_Bold = true;
  PageContext ctx = site.Context({"a.jpg"});
  ctx.use_thumbs_directory = false;
  const std::string grid = CreateThumbGrid(ctx, 1, 0, "", "x", "", "y");
  EXPECT_NE(grid.find(Cell("a.jpg", "a_thb.jpg", "<B><FONT FACE=\"Arial\">a.jpg</FONT></B>")),
            std::string::npos)
      << grid;
}

TEST(ThumbPage, HostileNameIsEscapedInEveryPlace) {
  PageSite site;
  site.settings.Horizontal_Thumb_Count = 1;
  site.settings.Vertical_Thumb_Count = 1;
  const PageContext ctx = site.Context({kHostile});
  const std::string grid = CreateThumbGrid(ctx, 1, 0, "", "x", "", "y");
  EXPECT_NE(grid.find(Cell(kHostileUrl + ".jpg", "./thumbs/" + kHostileUrl + "_thb.jpg",
                           "it's a #1 &lt;b...")),
            std::string::npos)
      << grid;
  EXPECT_EQ(grid.find("<b>"), std::string::npos);
}

TEST(ThumbPage, HeadingAndPromotionalLineInTheirPlaces) {
  PageSite site;
  site.settings.Horizontal_Thumb_Count = 1;
  site.settings.Vertical_Thumb_Count = 1;
  site.settings.Page_Position_Heading = true;
  site.settings.Page_Number_Prefix = "<i>Page</i> ";
  site.settings.KorrinLink = true;
  const PageContext ctx = site.Context(NumberedImages(2));
  const std::string grid =
      CreateThumbGrid(ctx, 2, 1, "Index.html", "Previous 1 Thumbnails", "", "Last 1 Thumbnails");
  const std::string heading = CreateHeading(site.settings, "<i>Page</i> 2");
  EXPECT_EQ(grid.substr(0, KorrinCredits().size() + heading.size() + 9),
            KorrinCredits() + heading + "<center><");
  EXPECT_NE(grid.find("</table></center>\r\n<BR>&nbsp;" + GetKorrinLink([] { return 1; }) +
                      "\r\n<BR>&nbsp;" + kBarStart),
            std::string::npos)
      << grid;
}

TEST(ThumbPage, NoThumbnailModeSplicesOnlyIndexHeaderAndFooter) {
  PageSite site;
  WriteFile(site.settings.Style_File, "A***CONTENT***B***INDEX***C***HEADER***D");
  site.markers.thumbnail.header = true;
  site.settings.Header_Mode = kHeaderHtml;
  site.settings.Header_HTML = "<h1>|Hi</h1>";
  PageContext ctx = site.Context({});
  ctx.no_thumbnail_mode = true;
  ASSERT_TRUE(createHTMLThumbpage(ctx, site.dir / "Index3.html", 3, 3, 20, "[index]"));
  EXPECT_EQ(site.Page("Index3.html"), "AB[index]C<h1>Hi</h1>D\r\n");
}

// Every line of a page ends in CR LF, the last one included, whatever breaks the template holds
// and whether or not its last line has one: thumbnail and image display pages alike.
TEST(ThumbPage, EveryLineOfEveryPageEndsInCrLf) {
  const struct {
    const char* page_template;
    const char* thumb_page;  // with no thumbnails: the template's lines alone
  } cases[] = {
      {"<html>\n<body>\r***CONTENT***\r\n</body>\n</html>\n",
       "<html>\r\n<body>\r\n\r\n</body>\r\n</html>\r\n"},
      {"<html>\n***CONTENT***\n</html>", "<html>\r\n\r\n</html>\r\n"},
      {"<html>***CONTENT***</html>", "<html></html>\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page_template);
    PageSite site;
    WriteFile(site.settings.Style_File, c.page_template);
    WriteFile(site.settings.Image_Style_File, c.page_template);
    PageContext ctx = site.Context({"a.jpg"});
    ASSERT_TRUE(createHTMLImagepage(ctx, site.dir / "a.html", 0, 1, ""));
    ctx.no_thumbnail_mode = true;
    ASSERT_TRUE(createHTMLThumbpage(ctx, site.dir / "Index.html", 1, 1, 0, ""));
    EXPECT_EQ(site.Page("Index.html"), c.thumb_page);
    const std::string image_page = site.Page("a.html");
    EXPECT_TRUE(image_page.ends_with("</html>\r\n")) << image_page;
    for (size_t i = 0; i < image_page.size(); ++i) {
      const bool lone_lf = image_page[i] == '\n' && (i == 0 || image_page[i - 1] != '\r');
      const bool lone_cr =
          image_page[i] == '\r' && (i + 1 == image_page.size() || image_page[i + 1] != '\n');
      EXPECT_FALSE(lone_lf || lone_cr) << "at " << i << " of " << image_page;
    }
  }
}

TEST(ThumbPage, PopupScriptGoesIntoTheHeadForScriptMethods) {
  PageSite site;
  WriteFile(site.settings.Style_File, "<head></head>***CONTENT***");
  site.settings.Image_Display_Method = 3;
  const PageContext ctx = site.Context({"a.jpg"});
  ASSERT_TRUE(createHTMLThumbpage(ctx, site.dir / "Index.html", 1, 1, 0, ""));
  EXPECT_EQ(site.Page("Index.html").rfind("<head><script language=\"JavaScript\">\r\n", 0), 0u);
}

TEST(ThumbPage, EachPageTakesTheNextHeaderAndFooter) {
  PageSite site;
  WriteFile(site.settings.Style_File, "***HEADER***|***CONTENT***|***FOOTER***");
  site.markers.thumbnail = {.content = true, .header = true, .footer = true};
  site.settings.Header_Mode = kHeaderList;
  site.settings.Header_File = site.dir / "headers.txt";
  site.settings.Footer_Mode = kHeaderList;
  site.settings.Footer_File = site.dir / "footers.txt";
  WriteFile(site.settings.Header_File, "h1\r\nh2\r\n");
  WriteFile(site.settings.Footer_File, "f1\r\nf2\r\n");
  PageContext ctx = site.Context({});
  ctx.no_thumbnail_mode = true;
  for (int page = 1; page <= 3; ++page) {
    ASSERT_TRUE(createHTMLThumbpage(ctx, site.dir / "p.html", page, 3, 0, ""));
    const std::string n = page == 2 ? "2" : "1";
    EXPECT_EQ(site.Page("p.html"), "h" + n + "||f" + n + "\r\n") << "page " << page;
  }
}

// The page fails without a message of its own: the build reports the failed page.
TEST(ThumbPage, MissingHeaderListFailsThePageSilently) {
  PageSite site;
  WriteFile(site.settings.Style_File, "***HEADER******CONTENT******FOOTER***");
  site.markers.thumbnail = {.content = true, .header = true, .footer = true};
  site.settings.Header_Mode = kHeaderList;
  site.settings.Header_File = site.dir / "gone.txt";
  site.settings.Footer_Mode = kHeaderList;
  site.settings.Footer_File = site.dir / "gone_too.txt";
  const PageContext ctx = site.Context({"a.jpg"});
  EXPECT_FALSE(createHTMLThumbpage(ctx, site.dir / "Index.html", 1, 1, 0, ""));
  EXPECT_TRUE(site.ui.messages().empty()) << site.ui.texts().front();
  EXPECT_FALSE(FileExists(site.dir / "Index.html"));
}

TEST(ThumbPage, UnreadableTemplateFailsWithoutWriting) {
  PageSite site;
  site.settings.Style_File = site.dir / "missing.htm";
  const PageContext ctx = site.Context({"a.jpg"});
  EXPECT_FALSE(createHTMLThumbpage(ctx, site.dir / "Index.html", 1, 1, 0, ""));
  EXPECT_FALSE(FileExists(site.dir / "Index.html"));
  EXPECT_TRUE(site.ui.messages().empty());
}

TEST(ThumbPage, FailedWriteLeavesTheOldPageWhole) {
  PageSite site;
  WriteFile(site.dir / "Index.html", "the old page");
  const PageContext ctx = site.Context({"a.jpg"});
  FaultyFileSystem faulty(RealFileSystem());
  faulty.FailAll();
  ScopedFileSystem scoped(faulty);
  EXPECT_FALSE(createHTMLThumbpage(ctx, site.dir / "Index.html", 1, 1, 0, ""));
  EXPECT_EQ(faulty.failures(), 1);
  EXPECT_EQ(site.Page("Index.html"), "the old page");
}

TEST(ThumbPage, InvalidThumbCountGivesNoTable) {
  PageSite site;
  site.settings.Vertical_Thumb_Count = 0;
  const PageContext ctx = site.Context({"a.jpg"});
  EXPECT_EQ(CreateThumbGrid(ctx, 1, 0, "", "x", "", "y"), "");
  EXPECT_FALSE(createHTMLThumbpage(ctx, site.dir / "Index.html", 1, 1, 0, ""));
}

}  // namespace
}  // namespace parvel

namespace parvel {
namespace {

// Every kind of line break a template or a user's header may hold ends up as one CR LF.
TEST(WritePage, EveryLineBreakBecomesOneCrLf) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"", ""},
      {"a", "a\r\n"},
      {"a\nb", "a\r\nb\r\n"},
      {"a\rb", "a\r\nb\r\n"},
      {"a\r\nb", "a\r\nb\r\n"},
      {"\n\r", "\r\n\r\n"},
      {"a\n\nb\r\r\n", "a\r\n\r\nb\r\n\r\n"},
      {"end\r", "end\r\n"},
  };
  testing::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    ASSERT_TRUE(WritePage(dir / "page.html", c.in));
    EXPECT_EQ(ReadFile(dir / "page.html"), c.out);
  }
}

// A page whose file holds the same bytes already is not written again (its inode and time stay);
// a changed page is replaced, and a link in the page's place is replaced by the page itself.
TEST(WritePage, AnUnchangedPageIsLeftAsItIs) {
  testing::TempDir dir;
  const std::string page = dir / "page.html";
  ASSERT_TRUE(WritePage(page, "one\ntwo"));
  const auto old_time = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
  std::filesystem::last_write_time(page, old_time);
  const auto inode = [](const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
  };
  const auto first = inode(page);

  ASSERT_TRUE(WritePage(page, "one\r\ntwo"));  // the same bytes once written
  EXPECT_EQ(inode(page), first);
  EXPECT_EQ(std::filesystem::last_write_time(page), old_time);

  ASSERT_TRUE(WritePage(page, "one\nthree"));
  EXPECT_NE(std::filesystem::last_write_time(page), old_time);
  EXPECT_EQ(ReadFile(page), "one\r\nthree\r\n");

  WriteFile(dir / "elsewhere.html", "same\r\n");
  std::filesystem::create_symlink(dir / "elsewhere.html", dir / "linked.html");
  ASSERT_TRUE(WritePage(dir / "linked.html", "same\n"));
  EXPECT_FALSE(std::filesystem::is_symlink(dir / "linked.html"));
  EXPECT_EQ(ReadFile(dir / "linked.html"), "same\r\n");
}

}  // namespace
}  // namespace parvel
