#include "builder/fragments.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace parvel {
namespace {

constexpr std::uint32_t kRedValue = 0x000000FF;  // 0x00BBGGRR

TEST(FragmentsTest, FontSizeText) {
  const std::pair<int, const char*> cases[] = {{-2, "-2"}, {-1, "-1"}, {0, ""},  {1, "+1"},
                                               {2, "+2"},  {3, "+3"},  {4, "+4"}};
  for (const auto& [size, text] : cases) EXPECT_EQ(FontSizeText(size), text) << size;
}

struct Group {
  int size;
  bool bold;
  bool italic;
};

SiteSettings WithGroups(Group text, Group index) {
  SiteSettings settings;
  settings.Default_Font_Size = text.size;
  settings.Default_Font_Bold = text.bold;
  settings.Default_Font_Italics = text.italic;
  settings.Index_Font_Size = index.size;
  settings.Index_Font_Bold = index.bold;
  settings.Index_Font_Italics = index.italic;
  return settings;
}

TEST(FragmentsTest, FontTagsOfOneGroup) {
  struct Case {
    Group group;
    const char* face;
    bool default_font;
    bool face_only;
    const char* opening;
    const char* closing;
  } cases[] = {
      {{0, false, false}, "", false, false, "", ""},
      {{0, false, false}, "Arial", true, false, "", ""},
      {{0, false, false}, "Arial", false, false, "<FONT FACE=\"Arial\">", "</FONT>"},
      {{0, true, false}, "", false, false, "<B>", "</B>"},
      {{0, false, true}, "", false, false, "<I>", "</I>"},
      {{-2, false, false}, "", false, false, "<FONT SIZE=-2>", "</FONT>"},
      {{-1, false, false}, "", false, false, "<FONT SIZE=-1>", "</FONT>"},
      {{1, false, false}, "", false, false, "<FONT SIZE=+1>", "</FONT>"},
      {{4, false, false}, "", false, false, "<FONT SIZE=+4>", "</FONT>"},
      {{2, true, true},
       "Arial,Helvetica",
       false,
       false,
       "<FONT SIZE=+2><I><B><FONT FACE=\"Arial,Helvetica\">",
       "</FONT></B></I></FONT>"},
      {{2, true, true}, "Arial,Helvetica", true, false, "<FONT SIZE=+2><I><B>", "</B></I></FONT>"},
      {{3, true, false},
       "Verdana",
       false,
       false,
       "<FONT SIZE=+3><B><FONT FACE=\"Verdana\">",
       "</FONT></B></FONT>"},
      {{-1, false, true}, "", true, false, "<FONT SIZE=-1><I>", "</I></FONT>"},
      // A heading or other face-only use never gets size or style tags.
      {{2, true, true}, "Arial", false, true, "<FONT FACE=\"Arial\">", "</FONT>"},
      {{2, true, true}, "Arial", true, true, "", ""},
      // A size with no valid choice writes no size tag.
      {{9, false, false}, "", false, false, "", ""},
      {{-3, true, false}, "", false, false, "<B>", "</B>"},
  };
  const Group plain{0, false, false};
  for (const auto& c : cases) {
    for (bool index_group : {false, true}) {
      // The other group is plain, so tags can only come from the chosen one.
      const SiteSettings settings =
          index_group ? WithGroups(plain, c.group) : WithGroups(c.group, plain);
      EXPECT_EQ(getfontstr(settings, c.face, c.default_font, true, c.face_only, index_group),
                c.opening)
          << c.face << " index " << index_group << " size " << c.group.size;
      EXPECT_EQ(getfontstr(settings, c.face, c.default_font, false, c.face_only, index_group),
                c.closing)
          << c.face << " index " << index_group << " size " << c.group.size;
    }
  }
}

TEST(FragmentsTest, FontTagsTakeTheChosenGroupsStyleAndTheGivenFace) {
  const SiteSettings settings = WithGroups({1, true, false}, {-2, false, true});
  EXPECT_EQ(getfontstr(settings, "Courier", false, true, false, false),
            "<FONT SIZE=+1><B><FONT FACE=\"Courier\">");
  EXPECT_EQ(getfontstr(settings, "Courier", false, true, false, true),
            "<FONT SIZE=-2><I><FONT FACE=\"Courier\">");
}

std::vector<std::string> Tags(const std::string& text) {
  std::vector<std::string> tags;
  for (size_t at = text.find('<'); at != std::string::npos; at = text.find('<', at + 1)) {
    tags.push_back(text.substr(at, text.find('>', at) - at + 1));
  }
  return tags;
}

std::string CloserOf(const std::string& tag) {
  if (tag.rfind("<FONT", 0) == 0) return "</FONT>";
  return "</" + tag.substr(1);
}

TEST(FragmentsTest, ClosingTagsNestInsideOutForEveryCombination) {
  for (int size = -2; size <= 4; ++size) {
    for (int flags = 0; flags < 8; ++flags) {
      const bool bold = flags & 1, italic = flags & 2, face = flags & 4;
      const SiteSettings settings = WithGroups({size, bold, italic}, {size, bold, italic});
      for (bool index_group : {false, true}) {
        const std::string opening =
            getfontstr(settings, face ? "Arial" : "", false, true, false, index_group);
        const std::string closing =
            getfontstr(settings, face ? "Arial" : "", false, false, false, index_group);
        const std::vector<std::string> open_tags = Tags(opening);
        EXPECT_EQ(open_tags.size(), (size != 0) + bold + italic + face);
        std::string expected_closing;
        for (auto it = open_tags.rbegin(); it != open_tags.rend(); ++it) {
          expected_closing += CloserOf(*it);
        }
        EXPECT_EQ(closing, expected_closing) << opening;
      }
    }
  }
}

TEST(FragmentsTest, FaceIsEscapedForItsAttribute) {
  const SiteSettings settings;
  EXPECT_EQ(getfontstr(settings, "Odd\"Face<&>", false, true, true, false),
            "<FONT FACE=\"Odd&quot;Face<&amp;>\">");
}

TEST(FragmentsTest, ColourToHtmlHex) {
  const std::pair<std::uint32_t, const char*> cases[] = {
      {0x000080FF, "#FF8000"}, {0x00FF0000, "#0000FF"}, {0x00C0C0C0, "#C0C0C0"},
      {0x00000080, "#800000"}, {0x00000000, "#000000"}, {0x00FFFFFF, "#FFFFFF"},
      {0x00123456, "#563412"}, {0x0000FF00, "#00FF00"}, {0xAB0A0B0C, "#0C0B0A"},
      {0x80000018, "#180000"},
  };
  for (const auto& [value, hex] : cases) EXPECT_EQ(colortohtmlhex(value), hex) << value;
}

TEST(FragmentsTest, ColourTags) {
  EXPECT_EQ(getcolourstr(Colour::Default(), true), "");
  EXPECT_EQ(getcolourstr(Colour::Default(), false), "");
  EXPECT_EQ(getcolourstr(Colour::Of(0x000080FF), true), "<FONT COLOR=\"#FF8000\">");
  EXPECT_EQ(getcolourstr(Colour::Of(0x000080FF), false), "</FONT>");
  // Black is a colour of its own, not the default.
  EXPECT_EQ(getcolourstr(Colour::Of(0), true), "<FONT COLOR=\"#000000\">");
}

TEST(FragmentsTest, EnclosureCharacters) {
  struct Case {
    int enclosure;
    const char* opening;
    const char* closing;
  } cases[] = {
      {0, "", ""},     {1, "&lt; ", "&gt;"}, {2, "&gt;", " &lt;"}, {3, "[ ", " ]"},
      {4, "- ", " -"}, {-1, "", ""},         {5, "", ""},
  };
  for (const auto& c : cases) {
    SiteSettings settings;
    settings.Link_Enclosure = c.enclosure;
    EXPECT_EQ(getEnclosurecharacter(settings, true), c.opening) << c.enclosure;
    EXPECT_EQ(getEnclosurecharacter(settings, false), c.closing) << c.enclosure;

    settings.Link_Enclosure_Colour = Colour::Of(kRedValue);
    const std::string red = "<FONT COLOR=\"#FF0000\">";
    const std::string open = *c.opening ? red + c.opening + "</FONT>" : "";
    const std::string close = *c.closing ? red + c.closing + "</FONT>" : "";
    EXPECT_EQ(getEnclosurecharacter(settings, true), open) << c.enclosure;
    EXPECT_EQ(getEnclosurecharacter(settings, false), close) << c.enclosure;
  }
}

TEST(FragmentsTest, EnclosureAroundALink) {
  SiteSettings settings;
  settings.Link_Enclosure = 1;
  EXPECT_EQ(getEnclosurecharacter(settings, true) + "link" + getEnclosurecharacter(settings, false),
            "&lt; link&gt;");
}

TEST(FragmentsTest, CreditsAreTwoCommentLines) {
  const std::string credits = KorrinCredits();
  const std::string first =
      "<!-- HTML created with Parvel Pro Rapid Parvel Creation software -->\r\n";
  ASSERT_EQ(credits.compare(0, first.size(), first), 0) << credits;
  const std::string second = credits.substr(first.size());
  EXPECT_EQ(second.rfind("<!-- ", 0), 0u) << second;
  ASSERT_GE(second.size(), 6u);
  EXPECT_EQ(second.substr(second.size() - 6), " -->\r\n");
  EXPECT_EQ(second.find('\n'), second.size() - 1);
  EXPECT_NE(second.find(kMakerSiteUrl), std::string::npos);
}

TEST(FragmentsTest, PromotionalLineByDraw) {
  const std::string head = "<CENTER><B><FONT FACE=\"Times New Roman,Times\"><FONT SIZE=-1>";
  const std::string tail = "</FONT></FONT></B></CENTER>";
  const std::string anchor = "<A HREF=\"" + std::string(kMakerSiteUrl) + "\" target=\"_blank\">";
  std::vector<std::string> lines;
  for (int draw = 0; draw <= 4; ++draw) {
    const std::string line = GetKorrinLink([draw] { return draw; });
    ASSERT_GT(line.size(), head.size() + tail.size());
    EXPECT_EQ(line.substr(0, head.size()), head);
    EXPECT_EQ(line.substr(line.size() - tail.size()), tail);
    const size_t at = line.find(anchor);
    ASSERT_NE(at, std::string::npos) << line;
    EXPECT_EQ(line.find("<A ", at + 1), std::string::npos) << "one link only: " << line;
    EXPECT_NE(line.find("</A>", at), std::string::npos);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
    lines.push_back(line);
  }
  // 1 the first sentence, 3 the second, 4 the third, 0 and 2 the fourth.
  EXPECT_EQ(lines[0], lines[2]);
  EXPECT_EQ(std::set<std::string>({lines[0], lines[1], lines[3], lines[4]}).size(), 4u);
}

TEST(FragmentsTest, ClockDrawsCoverZeroToFour) {
  std::set<int> seen;
  for (int i = 0; i < 2000; ++i) {
    const int draw = DrawFromClock();
    ASSERT_GE(draw, 0);
    ASSERT_LE(draw, 4);
    seen.insert(draw);
  }
  EXPECT_EQ(seen.size(), 5u);
  std::set<std::string> possible;
  for (int draw = 0; draw <= 4; ++draw) possible.insert(GetKorrinLink([draw] { return draw; }));
  EXPECT_EQ(possible.count(GetKorrinLink()), 1u);
}

TEST(FragmentsTest, Headings) {
  struct Case {
    int size;
    bool colour;
    bool face;
    const char* heading;
  } cases[] = {
      {0, false, false, "<center><H1>Page 2</H1></center>"},
      {1, false, false, "<center><H2>Page 2</H2></center>"},
      {2, false, false, "<center><H3>Page 2</H3></center>"},
      {3, false, false, "<center><H4>Page 2</H4></center>"},
      {0, true, false, "<center><H1><FONT COLOR=\"#FF0000\">Page 2</FONT></H1></center>"},
      {3, false, true, "<center><H4><FONT FACE=\"Verdana\">Page 2</FONT></H4></center>"},
      {1, true, true,
       "<center><H2><FONT COLOR=\"#FF0000\"><FONT FACE=\"Verdana\">Page 2</FONT></FONT></H2>"
       "</center>"},
      // A size with no valid choice is the largest heading, as the settings default.
      {7, false, false, "<center><H1>Page 2</H1></center>"},
      {-1, false, false, "<center><H1>Page 2</H1></center>"},
  };
  for (const auto& c : cases) {
    // The text group's size and style never reach a heading.
    SiteSettings settings = WithGroups({2, true, true}, {3, true, true});
    settings.Page_Position_Heading_Size = c.size;
    if (c.colour) settings.Heading_Colour = Colour::Of(kRedValue);
    settings.Default_Font = "Verdana";
    settings.default_font_default = !c.face;
    EXPECT_EQ(CreateHeading(settings, "Page 2"), c.heading) << c.size << c.colour << c.face;
  }
}

std::string Bar(const std::string& prev, const std::string& index, const std::string& next) {
  return "<center><table COLS=3 border=\"0\" cellpadding=\"3\" cellspacing=\"4\" "
         "width=\"90%\">\r\n<tr>\r\n<td>" +
         prev + "</td>\r\n<td><p align=\"center\">" + index +
         "</p></td>\r\n<td><p align=\"right\">" + next + "</p></td>\r\n</tr>\r\n</table></center>";
}

std::string Nav(const SiteSettings& settings, bool force) {
  return getnavigationstring(settings, {"a.html", "Previous Image", "Index2.html", "Index",
                                        "c.html", "Next Image", force});
}

TEST(NavigationBarTest, ThumbnailPageBarIsForcedWithAnEmptyIndexCell) {
  const SiteSettings settings;  // ImageNavigationBar off
  EXPECT_EQ(getnavigationstring(settings, {"", "First 10 Thumbnails", "", "", "Index2.html",
                                           "Next 10 Thumbnails", true}),
            "<center><table COLS=3 border=\"0\" cellpadding=\"3\" cellspacing=\"4\" "
            "width=\"90%\">\r\n"
            "<tr>\r\n"
            "<td>&nbsp;</td>\r\n"
            "<td><p align=\"center\">&nbsp;</p></td>\r\n"
            "<td><p align=\"right\"><a href=\"Index2.html\">Next 10 Thumbnails</a></p></td>\r\n"
            "</tr>\r\n"
            "</table></center>");
}

TEST(NavigationBarTest, ShownWhenSwitchedOnOrForced) {
  SiteSettings settings;
  const std::string text_bar =
      Bar("<a href=\"a.html\">Previous Image</a>", "<a href=\"Index2.html\">Index</a>",
          "<a href=\"c.html\">Next Image</a>");
  EXPECT_EQ(Nav(settings, false), "");
  EXPECT_EQ(Nav(settings, true), text_bar);
  settings.ImageNavigationBar = true;
  EXPECT_EQ(Nav(settings, false), text_bar);
  EXPECT_EQ(Nav(settings, true), text_bar);
}

TEST(NavigationBarTest, EmptyLinksGiveBlankCells) {
  SiteSettings settings;
  settings.ImageNavigationBar = true;
  settings.Link_Enclosure = 3;
  settings.prev_next_image_buttons = true;
  settings.Previous_Page_File = "/g/Prev.gif";
  settings.Next_Page_File = "/g/Next.gif";
  settings.Return_To_Index_File = "/g/Index.gif";
  EXPECT_EQ(
      getnavigationstring(settings, {"", "Previous Image", "", "Index", "", "Next Image", false}),
      Bar("&nbsp;", "&nbsp;", "&nbsp;"));
}

TEST(NavigationBarTest, ImageButtons) {
  SiteSettings settings;
  settings.ImageNavigationBar = true;
  settings.prev_next_image_buttons = true;
  settings.Previous_Page_File = "/opt/app/navgraph/Prev.gif";
  settings.Next_Page_File = "C:\\Nav\\Next.gif";
  settings.Return_To_Index_File = "/opt/app/navgraph/Up.gif";
  settings.Link_Enclosure = 3;
  EXPECT_EQ(Nav(settings, false),
            Bar("<a href=\"a.html\"><img SRC=\"Prev.gif\" ALT=\"Previous Image\" BORDER=0></a>",
                "<a href=\"Index2.html\"><img SRC=\"Up.gif\" ALT=\"Index\" BORDER=0></a>",
                "<a href=\"c.html\"><img SRC=\"Next.gif\" ALT=\"Next Image\" BORDER=0></a>"));

  // Without a graphic of its own the index cell is a text link inside the enclosure.
  settings.Return_To_Index_File.clear();
  EXPECT_EQ(Nav(settings, false),
            Bar("<a href=\"a.html\"><img SRC=\"Prev.gif\" ALT=\"Previous Image\" BORDER=0></a>",
                "[ <a href=\"Index2.html\">Index</a> ]",
                "<a href=\"c.html\"><img SRC=\"Next.gif\" ALT=\"Next Image\" BORDER=0></a>"));

  // With the buttons switched off the graphics are not used.
  settings.prev_next_image_buttons = false;
  EXPECT_EQ(Nav(settings, false),
            Bar("<a href=\"a.html\">Previous Image</a>", "[ <a href=\"Index2.html\">Index</a> ]",
                "<a href=\"c.html\">Next Image</a>"));
}

TEST(NavigationBarTest, GraphicNamesAreMadeSafe) {
  SiteSettings settings;
  settings.prev_next_image_buttons = true;
  settings.Previous_Page_File = "/g/my \"prev\" & <back>.gif";
  settings.Next_Page_File =
      "/g/n\xC3\xA4"
      "chste:1.gif";
  EXPECT_EQ(getnavigationstring(settings, {"a.html", "Previous", "", "", "c.html", "Next", true}),
            Bar("<a href=\"a.html\"><img SRC=\"my %22prev%22 &amp; %3Cback%3E.gif\" "
                "ALT=\"Previous\" BORDER=0></a>",
                "&nbsp;",
                "<a href=\"c.html\"><img SRC=\"n%C3%A4chste%3A1.gif\" ALT=\"Next\" BORDER=0></a>"));
}

TEST(NavigationBarTest, TextCellsUseTheTextFontAndTheIndexCellTheEnclosure) {
  SiteSettings settings = WithGroups({1, true, false}, {-2, false, true});
  settings.ImageNavigationBar = true;
  settings.Default_Font = "Verdana";
  settings.default_font_default = false;
  settings.Index_Font = "Courier";
  settings.index_font_default = false;
  settings.Link_Enclosure = 2;
  settings.Link_Enclosure_Colour = Colour::Of(kRedValue);
  const std::string open = "<FONT SIZE=+1><B><FONT FACE=\"Verdana\">";
  const std::string close = "</FONT></B></FONT>";
  EXPECT_EQ(Nav(settings, false),
            Bar("<a href=\"a.html\">" + open + "Previous Image" + close + "</a>",
                open + "<FONT COLOR=\"#FF0000\">&gt;</FONT><a href=\"Index2.html\">Index</a>" +
                    "<FONT COLOR=\"#FF0000\"> &lt;</FONT>" + close,
                "<a href=\"c.html\">" + open + "Next Image" + close + "</a>"));

  // The face's default flag switches only the face tag off.
  settings.default_font_default = true;
  EXPECT_EQ(getnavigationstring(settings, {"a.html", "P", "", "", "", "", false}),
            Bar("<a href=\"a.html\"><FONT SIZE=+1><B>P</B></FONT></a>", "&nbsp;", "&nbsp;"));
}

}  // namespace
}  // namespace parvel
