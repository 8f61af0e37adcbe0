#include "builder/pageindex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scripted_interaction.h"

namespace parvel {
namespace {

constexpr std::uint32_t kRed = 0x000000FF;    // 0x00BBGGRR
constexpr std::uint32_t kBlue = 0x00FF0000;   // 0x00BBGGRR
constexpr std::uint32_t kGreen = 0x0000FF00;  // 0x00BBGGRR

SiteSettings Plain(IndexLayout layout) {
  SiteSettings settings;
  settings.Page_Number_Prefix = "Page ";
  settings.Index_Layout = layout;
  return settings;
}

std::string Index(const SiteSettings& settings, int current, int count, bool buttons,
                  const ButtonExtensions& extensions = {}, std::string_view base = "Index.html") {
  ScriptedInteraction ui;
  return CreateIndex(ui, settings, base, extensions, current, count, buttons);
}

// One index made for the whole build gives every page, in any order, exactly the index made for
// that page alone: the current entry never leaks into the entries kept for the other pages.
TEST(PageIndex, OneIndexForEveryPageIsEachPagesOwnIndex) {
  for (const bool buttons : {false, true}) {
    for (const IndexLayout layout : {IndexLayout::Horizontal, IndexLayout::Vertical}) {
      SCOPED_TRACE(std::string(buttons ? "buttons " : "text ") +
                   (layout == IndexLayout::Vertical ? "vertical" : "horizontal"));
      const SiteSettings settings = Plain(layout);
      const ButtonExtensions extensions{".jpg", ".gif"};
      ScriptedInteraction ui;
      const PageIndex index(settings, "My Page.html", extensions, 4, buttons);
      for (const int page : {2, 1, 4, 2, 3}) {
        EXPECT_EQ(index.For(ui, page),
                  Index(settings, page, 4, buttons, extensions, "My Page.html"))
            << "page " << page;
      }
      EXPECT_EQ(ui.statuses().back(), "Creating Index for Page 3");
    }
  }
}

TEST(CreateIndex, VerticalTextIndexOfThreePagesOnPageTwo) {
  EXPECT_EQ(Index(Plain(IndexLayout::Vertical), 2, 3, false),
            "<TABLE>\r\n"
            "<TR>\r\n<TD>\r\n<A HREF=\"Index.html\">Page 1</A>\r\n</TD>\r\n</TR>\r\n"
            "<TR>\r\n<TD>\r\nPage 2\r\n</TD>\r\n</TR>\r\n"
            "<TR>\r\n<TD>\r\n<A HREF=\"Index3.html\">Page 3</A>\r\n</TD>\r\n</TR>\r\n"
            "</TABLE>\r\n");
}

TEST(CreateIndex, HorizontalIndexOfOnePage) {
  EXPECT_EQ(Index(Plain(IndexLayout::Horizontal), 1, 1, false),
            "<TABLE>\r\n<TR>\r\n<TD>\r\nPage 1\r\n</TD>\r\n</TR>\r\n</TABLE>\r\n");
}

TEST(CreateIndex, VerticalButtonIndexOfOnePage) {
  EXPECT_EQ(Index(Plain(IndexLayout::Vertical), 1, 1, true, {".jpg", ".gif"}),
            "<TABLE>\r\n<TR>\r\n<TD>\r\n<IMG SRC=\"Page_Button_On_1.jpg\" BORDER=0>\r\n"
            "</TD>\r\n</TR>\r\n</TABLE>\r\n");
}

// The table around the entries, written out for the layout.
std::string Table(IndexLayout layout, const std::vector<std::string>& entries) {
  const bool vertical = layout == IndexLayout::Vertical;
  std::string text = vertical ? "<TABLE>\r\n" : "<TABLE>\r\n<TR>\r\n";
  for (const std::string& entry : entries) {
    text += vertical ? "<TR>\r\n<TD>\r\n" : "<TD>\r\n";
    text += entry + "\r\n</TD>\r\n";
    if (vertical) text += "</TR>\r\n";
  }
  return text + (vertical ? "</TABLE>\r\n" : "</TR>\r\n</TABLE>\r\n");
}

struct LayoutCase {
  IndexLayout layout;
  bool buttons;
  int current;
  std::vector<std::string> entries;
};

class IndexOfFourPages : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(IndexOfFourPages, ShowsTheCurrentPageWithoutALink) {
  const LayoutCase& c = GetParam();
  EXPECT_EQ(Index(Plain(c.layout), c.current, 4, c.buttons, {".jpg", ".gif"}),
            Table(c.layout, c.entries));
}

const std::string kText[] = {
    "<A HREF=\"Index.html\">Page 1</A>", "<A HREF=\"Index2.html\">Page 2</A>",
    "<A HREF=\"Index3.html\">Page 3</A>", "<A HREF=\"Index4.html\">Page 4</A>"};
const std::string kButton[] = {
    "<A HREF=\"Index.html\"><IMG SRC=\"Page_Button_1.gif\" BORDER=0></A>",
    "<A HREF=\"Index2.html\"><IMG SRC=\"Page_Button_2.gif\" BORDER=0></A>",
    "<A HREF=\"Index3.html\"><IMG SRC=\"Page_Button_3.gif\" BORDER=0></A>",
    "<A HREF=\"Index4.html\"><IMG SRC=\"Page_Button_4.gif\" BORDER=0></A>"};

INSTANTIATE_TEST_SUITE_P(
    FirstMiddleLast, IndexOfFourPages,
    ::testing::Values(
        LayoutCase{IndexLayout::Vertical, false, 1, {"Page 1", kText[1], kText[2], kText[3]}},
        LayoutCase{IndexLayout::Vertical, false, 3, {kText[0], kText[1], "Page 3", kText[3]}},
        LayoutCase{IndexLayout::Vertical, false, 4, {kText[0], kText[1], kText[2], "Page 4"}},
        LayoutCase{IndexLayout::Horizontal, false, 1, {"Page 1", kText[1], kText[2], kText[3]}},
        LayoutCase{IndexLayout::Horizontal, false, 2, {kText[0], "Page 2", kText[2], kText[3]}},
        LayoutCase{IndexLayout::Horizontal, false, 4, {kText[0], kText[1], kText[2], "Page 4"}},
        LayoutCase{
            IndexLayout::Vertical,
            true,
            1,
            {"<IMG SRC=\"Page_Button_On_1.jpg\" BORDER=0>", kButton[1], kButton[2], kButton[3]}},
        LayoutCase{
            IndexLayout::Vertical,
            true,
            2,
            {kButton[0], "<IMG SRC=\"Page_Button_On_2.jpg\" BORDER=0>", kButton[2], kButton[3]}},
        LayoutCase{
            IndexLayout::Vertical,
            true,
            4,
            {kButton[0], kButton[1], kButton[2], "<IMG SRC=\"Page_Button_On_4.jpg\" BORDER=0>"}},
        LayoutCase{
            IndexLayout::Horizontal,
            true,
            1,
            {"<IMG SRC=\"Page_Button_On_1.jpg\" BORDER=0>", kButton[1], kButton[2], kButton[3]}},
        LayoutCase{
            IndexLayout::Horizontal,
            true,
            3,
            {kButton[0], kButton[1], "<IMG SRC=\"Page_Button_On_3.jpg\" BORDER=0>", kButton[3]}},
        LayoutCase{
            IndexLayout::Horizontal,
            true,
            4,
            {kButton[0], kButton[1], kButton[2], "<IMG SRC=\"Page_Button_On_4.jpg\" BORDER=0>"}}));

// Both faces set, the index group styled, an enclosure and every colour set.
SiteSettings Dressed() {
  SiteSettings s = Plain(IndexLayout::Vertical);
  s.Index_Font = "Verdana";
  s.index_font_default = false;
  s.Default_Font = "Georgia,Times";
  s.default_font_default = false;
  s.Index_Font_Size = 2;
  s.Index_Font_Bold = true;
  s.Index_Font_Italics = true;
  s.Default_Font_Size = -1;  // the text group's styles never reach the index
  s.Default_Font_Bold = false;
  s.Default_Font_Italics = false;
  s.Link_Enclosure = 3;
  s.Link_Enclosure_Colour = Colour::Of(kRed);
  s.Displayed_Page_Text_Colour = Colour::Of(kBlue);
  s.Other_Page_Text_Colour = Colour::Of(kGreen);  // buttons only
  return s;
}

TEST(CreateIndex, TextEntriesTakeTheirFaceByColumnAndTheirStylesFromTheIndexGroup) {
  const std::string open_enclosure = "<FONT COLOR=\"#FF0000\">[ </FONT>";
  const std::string close_enclosure = "<FONT COLOR=\"#FF0000\"> ]</FONT>";
  const std::string close_font = "</FONT></B></I></FONT>";
  const std::string current = "<FONT SIZE=+2><I><B><FONT FACE=\"Verdana\">" + open_enclosure +
                              "<FONT COLOR=\"#0000FF\">Page 2</FONT>" + close_enclosure +
                              close_font;
  const std::string first = "<FONT SIZE=+2><I><B><FONT FACE=\"Georgia,Times\">" + open_enclosure +
                            "<A HREF=\"Index.html\">Page 1</A>" + close_enclosure + close_font;
  EXPECT_EQ(Index(Dressed(), 2, 2, false), Table(IndexLayout::Vertical, {first, current}));
}

TEST(CreateIndex, DefaultFaceFlagsDropTheFaceTagOfTheirColumnOnly) {
  SiteSettings s = Dressed();
  s.index_font_default = true;
  s.Index_Font_Size = 0;
  s.Index_Font_Bold = false;
  s.Index_Font_Italics = false;
  s.Link_Enclosure = 0;
  s.Displayed_Page_Text_Colour = Colour::Default();
  EXPECT_EQ(
      Index(s, 1, 2, false),
      Table(IndexLayout::Vertical,
            {"Page 1", "<FONT FACE=\"Georgia,Times\"><A HREF=\"Index2.html\">Page 2</A></FONT>"}));
  s.index_font_default = false;
  s.default_font_default = true;
  EXPECT_EQ(Index(s, 1, 2, false),
            Table(IndexLayout::Vertical,
                  {"<FONT FACE=\"Verdana\">Page 1</FONT>", "<A HREF=\"Index2.html\">Page 2</A>"}));
}

TEST(CreateIndex, EnclosureWithoutColourAroundEveryTextEntry) {
  SiteSettings s = Plain(IndexLayout::Horizontal);
  s.Link_Enclosure = 1;
  EXPECT_EQ(Index(s, 2, 2, false),
            Table(IndexLayout::Horizontal,
                  {"&lt; <A HREF=\"Index.html\">Page 1</A>&gt;", "&lt; Page 2&gt;"}));
}

TEST(CreateIndex, ButtonsCarryNoFontsEnclosuresOrColours) {
  EXPECT_EQ(Index(Dressed(), 1, 2, true),
            Table(IndexLayout::Vertical,
                  {"<IMG SRC=\"Page_Button_On_1.gif\" BORDER=0>",
                   "<A HREF=\"Index2.html\"><IMG SRC=\"Page_Button_2.gif\" BORDER=0></A>"}));
}

TEST(CreateIndex, PageNamesFollowTheMainPageNameAndAreMadeSafeForTheAttribute) {
  EXPECT_EQ(Index(Plain(IndexLayout::Horizontal), 1, 2, false, {}, "home"),
            Table(IndexLayout::Horizontal, {"Page 1", "<A HREF=\"home2\">Page 2</A>"}));
  EXPECT_EQ(Index(Plain(IndexLayout::Horizontal), 2, 2, true, {}, "my \"album\".htm"),
            Table(IndexLayout::Horizontal,
                  {"<A HREF=\"my %22album%22.htm\"><IMG SRC=\"Page_Button_1.gif\" BORDER=0></A>",
                   "<IMG SRC=\"Page_Button_On_2.gif\" BORDER=0>"}));
}

TEST(CreateIndex, TheLabelIsTheUsersOwnHtml) {
  SiteSettings s = Plain(IndexLayout::Vertical);
  s.Page_Number_Prefix = "<b>Seite</b>&nbsp;";
  EXPECT_EQ(Index(s, 2, 2, false),
            Table(IndexLayout::Vertical,
                  {"<A HREF=\"Index.html\"><b>Seite</b>&nbsp;1</A>", "<b>Seite</b>&nbsp;2"}));
}

TEST(CreateIndex, NoPagesGiveAnEmptyTable) {
  EXPECT_EQ(Index(Plain(IndexLayout::Vertical), 1, 0, false), "<TABLE>\r\n</TABLE>\r\n");
  EXPECT_EQ(Index(Plain(IndexLayout::Horizontal), 1, 0, true),
            "<TABLE>\r\n<TR>\r\n</TR>\r\n</TABLE>\r\n");
}

TEST(CreateIndex, ShowsWhichPageItIsFor) {
  ScriptedInteraction ui;
  CreateIndex(ui, Plain(IndexLayout::Vertical), "Index.html", {}, 7, 9, false);
  EXPECT_EQ(ui.statuses(), std::vector<std::string>{"Creating Index for Page 7"});
  EXPECT_TRUE(ui.messages().empty());
}

TEST(ButtonNames, NumberAndExtension) {
  EXPECT_EQ(CurrentPageButtonName(12, ".jpg"), "Page_Button_On_12.jpg");
  EXPECT_EQ(OtherPageButtonName(3, ".gif"), "Page_Button_3.gif");
}

}  // namespace
}  // namespace parvel
