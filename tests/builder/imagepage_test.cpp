#include "builder/imagepage.h"

#include <gtest/gtest.h>

#include <ostream>

#include "builder/fragments.h"
#include "builder/page_fixture.h"
#include "imaging/PGraphic.h"
#include "support/faulty_filesystem.h"

namespace parvel {
namespace {

using testing::NumberedImages;
using testing::PageSite;
using testing::ReadFile;
using testing::WriteFile;

const std::string kBarStart =
    "<center><table COLS=3 border=\"0\" cellpadding=\"3\" cellspacing=\"4\" width=\"90%\">\r\n"
    "<tr>\r\n";
// The bar ends the content, and so the page: its last line ends in CR LF.
const std::string kBarEnd = "</tr>\r\n</table></center>\r\n";

std::string Bar(const std::string& prev, const std::string& index, const std::string& next) {
  return kBarStart + "<td>" + prev + "</td>\r\n<td><p align=\"center\">" + index +
         "</p></td>\r\n<td><p align=\"right\">" + next + "</p></td>\r\n" + kBarEnd;
}

// Writes an image of the given size through the image layer: a JPEG for ".jpg", else a GIF.
void MakeImage(const std::string& path, std::int32_t width, std::int32_t height) {
  TPixelGraphic image;
  image.SetSize(width, height);
  if (path.ends_with(".jpg")) {
    ASSERT_TRUE(savetojpeg(image, path, 50, false));
  } else {
    image.SetBitCountNum(8);
    image.SaveToFile(path);
  }
}

// The JPEG with an EXIF APP1 segment holding only an orientation tag right after SOI.
std::string WithOrientation(const std::string& jpeg, int orientation) {
  const std::string tiff = std::string("MM\0*\0\0\0\x08", 8) + std::string("\0\x01", 2) +
                           std::string("\x01\x12\0\x03\0\0\0\x01\0", 9) +
                           std::string(1, static_cast<char>(orientation)) + std::string("\0\0", 2) +
                           std::string("\0\0\0\0", 4);
  const std::string payload = std::string("Exif\0\0", 6) + tiff;
  const size_t length = payload.size() + 2;
  std::string segment = "\xFF\xE1";
  segment += static_cast<char>(length >> 8);
  segment += static_cast<char>(length & 0xFF);
  return jpeg.substr(0, 2) + segment + payload + jpeg.substr(2);
}

TEST(ImagePage, OneImageByteForByte) {
  PageSite site;
  site.settings.ImageNavigationBar = true;
  const PageContext ctx = site.Context({"only.jpg"});
  ASSERT_TRUE(createHTMLImagepage(ctx, site.dir / "only.html", 0, 1, ""));
  EXPECT_EQ(site.Page("only.html"),
            KorrinCredits() + "\r\n<CENTER><IMG SRC=\"only.jpg\"></CENTER>\r\n<BR>&nbsp;" +
                Bar("&nbsp;", "<a href=\"Index.html\">Index</a>", "&nbsp;"));
}

TEST(ImagePage, NeighboursRunAcrossThumbnailPages) {
  PageSite site;
  site.settings.ImageNavigationBar = true;
  site.settings.Horizontal_Thumb_Count = 5;
  site.settings.Vertical_Thumb_Count = 2;
  const PageContext ctx = site.Context(NumberedImages(12));
  ASSERT_TRUE(createHTMLImagepage(ctx, site.dir / "img11.html", 10, 2, ""));
  const std::string page = site.Page("img11.html");
  EXPECT_TRUE(page.ends_with(Bar("<a href=\"img10.html\">Previous Image</a>",
                                 "<a href=\"Index2.html\">Index</a>",
                                 "<a href=\"img12.html\">Next Image</a>")))
      << page;
}

TEST(ImagePage, WithoutTheBarThePageStillEndsWithABreak) {
  for (bool promotional : {false, true}) {
    PageSite site;
    site.settings.ImageNavigationBar = false;
    site.settings.KorrinLink = promotional;
    const PageContext ctx = site.Context(NumberedImages(3));
    ASSERT_TRUE(createHTMLImagepage(ctx, site.dir / "img02.html", 1, 1, ""));
    const std::string image_line = "\r\n<CENTER><IMG SRC=\"img02.jpg\"></CENTER>";
    const std::string link_line =
        promotional ? "\r\n<BR>&nbsp;" + GetKorrinLink([] { return 1; }) : "";
    EXPECT_EQ(site.Page("img02.html"),
              KorrinCredits() + image_line + link_line + "\r\n<BR>&nbsp;\r\n")
        << "promotional line " << promotional;
  }
}

TEST(ImagePage, IndexIsATextLinkWhenOnlyItsGraphicIsMissing) {
  PageSite site;
  site.settings.ImageNavigationBar = true;
  site.settings.prev_next_image_buttons = true;
  site.settings.Previous_Page_File = "/graphics/prev.gif";
  site.settings.Next_Page_File = "/graphics/next.gif";
  site.settings.Return_To_Index_File = "";
  site.settings.Link_Enclosure = 3;
  const PageContext ctx = site.Context({"a.jpg", "b.jpg", "c.jpg"});
  ASSERT_TRUE(createHTMLImagepage(ctx, site.dir / "b.html", 1, 1, ""));
  EXPECT_TRUE(site.Page("b.html").ends_with(
      Bar("<a href=\"a.html\"><img SRC=\"prev.gif\" ALT=\"Previous Image\" BORDER=0></a>",
          "[ <a href=\"Index.html\">Index</a> ]",
          "<a href=\"c.html\"><img SRC=\"next.gif\" ALT=\"Next Image\" BORDER=0></a>")));
}

struct HeadingCase {
  const char* name;
  FilenameDisplay display;
  int size;
  std::string expected;
};
void PrintTo(const HeadingCase& c, std::ostream* os) {
  *os << c.name;
}

class ImageHeading : public ::testing::TestWithParam<HeadingCase> {};

TEST_P(ImageHeading, ShowsTheCaptionOrTheWholeName) {
  const HeadingCase& c = GetParam();
  PageSite site;
  site.settings.Image_Heading = true;
  site.settings.Filename_Display = c.display;
  site.settings.Page_Position_Heading_Size = c.size;
  const PageContext ctx = site.Context({"Sunset_over_the_bay.jpg"});
  ASSERT_TRUE(createHTMLImagepage(ctx, site.dir / "s.html", 0, 1, ""));
  EXPECT_EQ(site.Page("s.html").substr(0, KorrinCredits().size() + c.expected.size() + 2),
            KorrinCredits() + c.expected + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Headings, ImageHeading,
    ::testing::Values(HeadingCase{"none_shows_extension", FilenameDisplay::None, 0,
                                  "<center><H1>Sunset_over_the_bay.jpg</H1></center>"},
                      HeadingCase{"hide_ext_shortened", FilenameDisplay::HideExt, 0,
                                  "<center><H1>Sunset_over_...</H1></center>"},
                      HeadingCase{"normal_shortened", FilenameDisplay::Normal, 1,
                                  "<center><H2>Sunset_over_...</H2></center>"},
                      HeadingCase{"size_three_is_h4", FilenameDisplay::None, 3,
                                  "<center><H4>Sunset_over_the_bay.jpg</H4></center>"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ImageHeading, DescriptionIsTheUsersHtml) {
  PageSite site;
  site.settings.Image_Heading = true;
  site.settings.Filename_Display = FilenameDisplay::DescriptionFile;
  site.settings.Description_File = site.dir / "d.ini";
  WriteFile(site.settings.Description_File, "[Descriptions]\r\na.jpg=<i>Dawn</i>, early\r\n");
  DescriptionFile descriptions;
  ASSERT_TRUE(descriptions.Prepare(site.ui, site.settings));
  PageContext ctx = site.Context({"a.jpg"});
  ctx.descriptions = &descriptions;
  ASSERT_TRUE(createHTMLImagepage(ctx, site.dir / "a.html", 0, 1, ""));
  EXPECT_NE(site.Page("a.html").find("<center><H1><i>Dawn</i>, early</H1></center>\r\n"),
            std::string::npos);
}

struct SizeCase {
  const char* name;
  const char* file;
  std::int32_t width, height;
  int orientation;  // 0: no EXIF block
  bool max_size_on;
  std::string expected;
};
void PrintTo(const SizeCase& c, std::ostream* os) {
  *os << c.name;
}

class ImageSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(ImageSize, FitsTheUprightImageIntoTheMaximum) {
  const SizeCase& c = GetParam();
  PageSite site;
  site.settings.max_image_size = c.max_size_on;
  site.settings.Image_Width = 800;
  site.settings.Image_Height = 600;
  const std::string path = site.dir / c.file;
  MakeImage(path, c.width, c.height);
  if (c.orientation != 0) WriteFile(path, WithOrientation(ReadFile(path), c.orientation));
  EXPECT_EQ(ImageSizeAttributes(site.settings, path), c.expected);

  const PageContext ctx = site.Context({c.file});
  ASSERT_TRUE(createHTMLImagepage(ctx, site.dir / "page.html", 0, 1, ""));
  EXPECT_NE(site.Page("page.html")
                .find("<IMG SRC=\"" + std::string(c.file) + "\"" + c.expected + "></CENTER>"),
            std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ImageSize,
    ::testing::Values(
        SizeCase{"fitted", "big.jpg", 1600, 1200, 0, true, " WIDTH=800 HEIGHT=600 "},
        SizeCase{"smaller_kept", "small.jpg", 400, 300, 0, true, " WIDTH=400 HEIGHT=300 "},
        SizeCase{"portrait_fitted", "tall.gif", 1200, 1600, 0, true, " WIDTH=450 HEIGHT=600 "},
        SizeCase{"switch_off", "big.jpg", 1600, 1200, 0, false, ""},
        // Stored 1600x1200, shown upright as 1200x1600.
        SizeCase{"exif_quarter_turn", "turned.jpg", 1600, 1200, 6, true, " WIDTH=450 HEIGHT=600 "},
        SizeCase{"exif_transposed", "turned.jpg", 1600, 1200, 5, true, " WIDTH=450 HEIGHT=600 "},
        SizeCase{"exif_upside_down", "turned.jpg", 1600, 1200, 3, true, " WIDTH=800 HEIGHT=600 "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ImageSize, UnreadableImageDropsTheAttributesOnly) {
  PageSite site;
  site.settings.max_image_size = true;
  WriteFile(site.dir / "broken.jpg", "not a picture");
  EXPECT_EQ(ImageSizeAttributes(site.settings, site.dir / "broken.jpg"), "");
  EXPECT_EQ(ImageSizeAttributes(site.settings, site.dir / "missing.jpg"), "");
  const PageContext ctx = site.Context({"missing.jpg"});
  ASSERT_TRUE(createHTMLImagepage(ctx, site.dir / "missing.html", 0, 1, ""));
  EXPECT_NE(site.Page("missing.html").find("<IMG SRC=\"missing.jpg\"></CENTER>"),
            std::string::npos);
}

TEST(ImagePage, HostileNamesAreEscapedEverywhere) {
  PageSite site;
  site.settings.ImageNavigationBar = true;
  site.settings.Image_Heading = true;
  site.settings.Filename_Display = FilenameDisplay::Normal;
  PageContext ctx = site.Context({"a&b.jpg", "it's a #1 <b>%\xC3\xBC.jpg", "c d.jpg"});
  ctx.base_html_name = "My Index.html";
  ctx.max_filename_length = 999;
  ASSERT_TRUE(createHTMLImagepage(ctx, site.dir / "x.html", 1, 2, ""));
  const std::string page = site.Page("x.html");
  EXPECT_NE(page.find("<center><H1>it's a #1 &lt;b>%&#252;.jpg</H1></center>\r\n"
                      "<CENTER><IMG SRC=\"it's a %231 %3Cb%3E%25%C3%BC.jpg\"></CENTER>"),
            std::string::npos)
      << page;
  EXPECT_TRUE(page.ends_with(Bar("<a href=\"a&amp;b.html\">Previous Image</a>",
                                 "<a href=\"My Index2.html\">Index</a>",
                                 "<a href=\"c d.html\">Next Image</a>")))
      << page;
}

TEST(ImagePage, HeaderThenFooterOfTheImagePageKind) {
  PageSite site;
  WriteFile(site.settings.Image_Style_File, "***HEADER***|***INDEX***|***FOOTER***");
  site.markers.image = {.content = true, .index = true, .header = true, .footer = true};
  site.settings.Image_Header_Mode = kImageHeaderHtml;
  site.settings.Image_Header_HTML = "<b>|head</b>";
  site.settings.Image_Footer_Mode = kImageHeaderList;
  site.settings.Image_Footer_File = site.dir / "footers.txt";
  WriteFile(site.settings.Image_Footer_File, "f1\r\nf2\r\n");
  const PageContext ctx = site.Context(NumberedImages(3));
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(createHTMLImagepage(ctx, site.dir / "p.html", i, 1, "[index]"));
    EXPECT_EQ(site.Page("p.html"),
              std::string("<b>head</b>|[index]|f") + (i == 1 ? "2" : "1") + "\r\n");
  }
}

TEST(ImagePage, FailsWithoutWritingOnBadInput) {
  PageSite site;
  const PageContext ctx = site.Context({"a.jpg"});
  EXPECT_FALSE(createHTMLImagepage(ctx, site.dir / "a.html", 1, 1, ""));
  EXPECT_FALSE(createHTMLImagepage(ctx, site.dir / "a.html", -1, 1, ""));
  site.settings.Image_Style_File = site.dir / "missing.htm";
  EXPECT_FALSE(createHTMLImagepage(ctx, site.dir / "a.html", 0, 1, ""));
  EXPECT_FALSE(FileExists(site.dir / "a.html"));
  EXPECT_TRUE(site.ui.messages().empty());
}

TEST(ImagePage, FailedWriteLeavesTheOldPageWhole) {
  PageSite site;
  WriteFile(site.dir / "a.html", "the old page");
  const PageContext ctx = site.Context({"a.jpg"});
  FaultyFileSystem faulty(RealFileSystem());
  faulty.FailAll();
  ScopedFileSystem scoped(faulty);
  EXPECT_FALSE(createHTMLImagepage(ctx, site.dir / "a.html", 0, 1, ""));
  EXPECT_EQ(faulty.failures(), 1);
  EXPECT_EQ(site.Page("a.html"), "the old page");
}

}  // namespace
}  // namespace parvel
