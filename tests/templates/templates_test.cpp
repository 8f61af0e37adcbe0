// The checks the snippet, list and page settings dialogs make before they close, the page
// settings' rules, and the compliance test of templates.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/scripted_interaction.h"
#include "support/testsupport.h"
#include "templates/compliance.h"
#include "templates/headerfooter.h"
#include "templates/listfile.h"
#include "templates/pagesettings.h"

namespace parvel {
namespace {

using testing::TempDir, testing::WriteFile;
using Names = std::vector<std::string>;
// The cases name only the fields they fill; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
constexpr auto kText = HeaderFooterKind::TextLink, kImage = HeaderFooterKind::ImageLink;

// The snippet maker's OK: the snippet made, or the message that keeps the dialog open. A plain
// text link and the snippet in the HTML editor are the desktop test's.
TEST(Snippet, Finishes) {
  const std::string long_text(1024, 'x');
  const struct {
    HeaderFooterFields fields;
    std::size_t max_length;
    std::string snippet, problem;  // a prefix of the message
  } cases[] = {
      // clang-format off
      {{.html = " <B>Hi</B>|<BR> "}, 0, " <B>Hi</B>|<BR> ", ""},
      {{.kind = kText, .text_link = "   ", .text = " Home "}, 0, " Home ", ""},
      {{.kind = kText, .text = "Home"}, 0, "<A HREF=\"http://\">Home</A>", ""},
      {{.kind = kImage, .image_location = " banner.gif ", .image_link = "", .alt_text = "Logo"}, 0,
       "<img SRC=\"banner.gif\" ALT=\"Logo\" BORDER=0>", ""},
      {{.kind = kImage, .image_location = "a.gif", .image_link = " http://x.org/ ",
        .alt_text = "  ", .border = 3}, 0,
       "<A HREF=\"http://x.org/\"><img SRC=\"a.gif\" BORDER=3></A>", ""},
      {{.text = "ignored"}, 0, "", "You have not entered the HTML you would like to be inserted!"},
      {{.kind = kImage, .html = "ignored"}, 0, "",
       "You have not entered the location of the image you would like to be inserted!"},
      {{.kind = kText}, 0, "", "You have not entered the text that you would like to be inserted!"},
      {{.html = long_text.substr(1)}, 1023, long_text.substr(1), ""},
      {{.html = long_text}, 1023, "", "This Header is 1024 characters long, but a Header kept in "
       "the site's settings holds at most 1023"},
      {{.html = long_text}, 0, long_text, ""},  // a list entry has no limit
      // clang-format on
  };
  for (const auto& c : cases) {
    const HeaderFooterResult result = FinishHeaderFooter(c.fields, true, c.max_length);
    EXPECT_EQ(result.snippet, c.snippet);
    EXPECT_TRUE(result.problem.starts_with(c.problem) &&
                result.problem.empty() == c.problem.empty())
        << result.problem;
  }
}

// The first name that no file or folder (a name ending in /) of the data directory has.
TEST(DefaultListFileName, FirstFreeName) {
  for (const auto& [present, header, expected] :
       {std::tuple<Names, bool, std::string>{{}, true, "Site_3_Headers.txt"},
        {{"Site_3_Headers.txt", "Site_3_Headers2.txt", "Site_3_Headers4.txt"},
         true,
         "Site_3_Headers3.txt"},
        {{"Site_3_Headers.txt", "Site_33_Footers.txt"}, false, "Site_3_Footers.txt"},
        {{"Site_3_Footers.txt/"}, false, "Site_3_Footers2.txt"}}) {
    TempDir dir;
    for (const auto& name : present)
      WriteFile(dir / (name.ends_with('/') ? name + "x" : name), "x");
    EXPECT_EQ(DefaultListFileName(dir.path(), "Site_3", header), dir / expected);
  }
}

// The list editor's operations on A, B, C; moves wrap at both ends.
TEST(HeaderFooterList, Operations) {
  const struct {
    int selected;
    std::function<bool(HeaderFooterList&)> act;
    Names entries;
    int selected_after;
  } cases[] = {
      {1, [](auto& l) { return l.Add("N"), true; }, {"A", "N", "B", "C"}, 2},
      {-1, [](auto& l) { return l.Add("N"), true; }, {"A", "B", "C", "N"}, -1},
      {1, [](auto& l) { return l.MoveUp(); }, {"B", "A", "C"}, 0},
      {0, [](auto& l) { return l.MoveUp(); }, {"B", "C", "A"}, 2},
      {2, [](auto& l) { return l.MoveDown(); }, {"C", "A", "B"}, 0},
      {-1, [](auto& l) { return !l.MoveUp(); }, {"A", "B", "C"}, -1},
      {1, [](auto& l) { return l.Remove(); }, {"A", "C"}, -1},
      {2, [](auto& l) { return l.Modify(""); }, {"A", "B", ""}, 2},
  };
  for (const auto& c : cases) {
    HeaderFooterList list;
    list.Replace({"A", "B", "C"});
    list.Select(c.selected);
    EXPECT_TRUE(c.act(list));
    EXPECT_EQ(std::pair(list.entries(), list.selected()), std::pair(c.entries, c.selected_after));
  }
}

// An entry that is not valid UTF-8 is read as windows-1252 (the five bytes it leaves unassigned
// as the control characters of their number) and encoded back to its very bytes; a text
// windows-1252 cannot hold stays UTF-8; a list holding one such entry is a windows-1252 list.
TEST(ListEntryEncoding, Windows1252RoundTripsByteForByte) {
  struct Case {
    const char* name;
    std::string bytes;
    ListEncoding encoding;
    std::string text;  // UTF-8
  } cases[] = {
      {"ascii", "<b>Hi</b>", ListEncoding::Utf8, "<b>Hi</b>"},
      {"utf-8", "caf\xC3\xA9 \xE2\x82\xAC", ListEncoding::Utf8, "caf\xC3\xA9 \xE2\x82\xAC"},
      {"windows-1252", "Caf\xE9 \x80 10\xA0kg \x93quoted\x94", ListEncoding::Windows1252,
       "Caf\xC3\xA9 \xE2\x82\xAC 10\xC2\xA0kg \xE2\x80\x9Cquoted\xE2\x80\x9D"},
      {"unassigned bytes", "\x81\x8D\x8F\x90\x9D", ListEncoding::Windows1252,
       "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
      {"cut utf-8", "caf\xC3", ListEncoding::Windows1252, "caf\xC3\x83"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(std::tuple(EntryEncoding(c.bytes), ListFileEncoding({"plain", c.bytes}),
                         DecodeListEntry(c.bytes), EncodeListEntry(c.text, c.encoding)),
              std::tuple(c.encoding, c.encoding, c.text, c.bytes));
  }
  EXPECT_EQ(EncodeListEntry("\xE6\x97\xA5 caf\xC3\xA9", ListEncoding::Windows1252),
            "\xE6\x97\xA5 caf\xC3\xA9");
}

// Saving a list refuses a file no one may write, and writes a linked list into its target.
TEST(ListFile, SavingRefusesAReadOnlyFileAndFollowsALink) {
  TempDir dir;
  WriteFile(dir / "lists/Headers.txt", "old\r\n");
  std::filesystem::create_directory(dir / "site");
  std::filesystem::create_symlink("../lists/Headers.txt", dir / "site/Headers.txt");
  ASSERT_TRUE(WriteHeaderFooterList(dir / "site/Headers.txt", {"A", "B"}));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "site/Headers.txt"));
  EXPECT_EQ(testing::ReadFile(dir / "lists/Headers.txt"), "A\r\nB\r\n");
  std::filesystem::permissions(dir / "lists/Headers.txt", std::filesystem::perms(0444));
  std::string error;
  EXPECT_FALSE(WriteHeaderFooterList(dir / "site/Headers.txt", {"C"}, &error));
  EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
  EXPECT_EQ(testing::ReadFile(dir / "lists/Headers.txt"), "A\r\nB\r\n");
}

// OK: starting from a record that fails all eight checks, each fix reveals the next.
TEST(PageSettingsOk, ChecksInOrder) {
  TempDir dir;
  const std::string file = dir / "there.gif";
  WriteFile(file, "x");
  SiteSettings s;
  s.DisplayAsImage = false;
  s.Filename_Display = FilenameDisplay::DescriptionFile;
  s.Description_File = dir / "gone.csv";
  s.Image_Header_Mode = s.Image_Footer_Mode = ImageHeaderMode::Html;
  s.prev_next_image_buttons = s.index_image_buttons = true;
  s.Next_Page_File = s.Selected_Page_Index_File = file;  // the other of each pair is missing
  const std::string elected = "You have elected to ";
  const std::string missing = " or the file cannot be located!";
  const struct {
    std::string text;
    std::function<void()> fix;
  } steps[] = {
      {elected + "create HTML pages, however you have not specified a template file" + missing,
       [&] { s.Image_Style_File = file; }},
      {elected +
           "show descriptions for your thumbnails, however you have not specified a "
           "description file" +
           missing,
       [&] { s.Description_File = file; }},
      // Checks 3 to 6 whatever the display method.
      {elected + "insert a header, but have not provided any HTML!",
       [&] { s.DisplayAsImage = true, s.Image_Header_Mode = ImageHeaderMode::List; }},
      {elected + "insert custom headers, but you have not specified a file to use" + missing,
       [&] { s.Image_Header_File = file; }},
      {elected + "insert a footer, but have not provided any HTML!",
       [&] { s.Image_Footer_Mode = ImageHeaderMode::List; }},
      {elected + "insert custom footers, but you have not specified a file to use" + missing,
       [&] { s.Image_Footer_File = file; }},
      {elected + "use custom previous and next images, however one of the images you have "
                 "entered cannot be located!",
       [&] { s.Previous_Page_File = file; }},
      {elected + "use custom image buttons for your Index, however one of the images you have "
                 "entered cannot be located!",
       [&] { s.Other_Page_Index_File = file; }},
  };
  for (const auto& step : steps) {
    ScriptedInteraction ui;
    EXPECT_FALSE(PageSettingsOk(ui, s));
    EXPECT_EQ(ui.texts(), std::vector<std::string>{step.text});
    step.fix();
  }
  ScriptedInteraction ui;
  EXPECT_TRUE(PageSettingsOk(ui, s));
  EXPECT_TRUE(ui.messages().empty());
}

// The usable controls, one digit each (1 usable) in four groups: enclosure colour, description
// file, image page, Test Compliance | View Page, Edit Header, Edit Footer, Return to Index |
// same graphics, previous/next files, index buttons, index text size | index font, default font,
// image size, display copies. A row's "." leaves that control unchecked.
std::string UsableShown(const UsableControls& u, std::string_view mask) {
  const bool flags[] = {u.enclosure_colour,  u.description_file, u.image_page,    u.test_compliance,
                        u.view_page,         u.edit_header,      u.edit_footer,   u.return_file,
                        u.same_nav_graphics, u.prev_next_files,  u.index_buttons, u.index_font_size,
                        u.index_font,        u.default_font,     u.image_size,    u.web_images};
  std::string out;
  for (std::size_t i = 0, flag = 0; i < mask.size(); ++i) {
    out += mask[i] == ' ' || mask[i] == '.' ? mask[i] : flags[flag] ? '1' : '0';
    flag += mask[i] != ' ';
  }
  return out;
}

// The page settings' rules. Each row starts from a fresh record, sets what it is about and takes
// the dialog's steps through the rules, then names which controls are usable and what the steps
// left in the record.
TEST(PageSettingsRules, SettingsAndStepsToWhatTheDialogShows) {
  TempDir dir;
  const std::string program = dir / "";
  for (const char* name : {"navgraph/Next.gif", "navgraph/Index.gif"})
    WriteFile(program + name, "x");
  struct Dialog {
    SiteSettings s;
    PageSettingsChoices choices;
  };
  auto open = [&program](Dialog& d) {
    std::vector<std::string> image_templates;
    OpenPageSettings(d.s, image_templates, {}, program, d.choices);
  };
  const struct {
    const char* what;
    bool html;  // HTML image pages, else image-only display
    std::function<void(Dialog&)> in;
    const char* usable;
    std::optional<bool> same_nav_graphics = {};              // Image_UseSameNavGraphics afterwards
    std::optional<std::pair<int, int>> web_image_size = {};  // stored, shown
  } rows[] = {
      {"a fresh record", false, [](Dialog&) {}, "0000 0000 0001 0000"},
      {"every option on with HTML image pages and a template", true,
       [&](Dialog& d) {
         d.s.Link_Enclosure = 1;
         d.s.Filename_Display = FilenameDisplay::DescriptionFile;
         d.s.Image_Header_Mode = ImageHeaderMode::Html;
         d.s.Image_Footer_Mode = ImageHeaderMode::List;
         d.s.prev_next_image_buttons = d.s.ImageNavigationBar = d.s.index_image_buttons = true;
         d.s.index_font_default = d.s.default_font_default = false;
         d.s.max_image_size = true;
         d.s.Web_Image_Size = 800;
         ApplyTemplateRule(d.s, d.choices, "page.htm");
       },
       "1111 1111 1110 1111"},
      {"a header list and a footer snippet with HTML pages", true,
       [&](Dialog& d) {
         d.s.Image_Header_Mode = ImageHeaderMode::List;
         d.s.Image_Footer_Mode = ImageHeaderMode::Html;
       },
       ".... .11. .... ...."},
      {"no header and the thumbnail page's footer with HTML pages", true,
       [&](Dialog& d) { d.s.Image_Header_Mode = ImageHeaderMode::None; }, ".... .00. .... ...."},
      {"snippets and image buttons with image-only display", false,
       [](Dialog& d) {
         d.s.Image_Header_Mode = ImageHeaderMode::Html;
         d.s.Image_Footer_Mode = ImageHeaderMode::List;
         d.s.prev_next_image_buttons = d.s.ImageNavigationBar = true;
       },
       ".... .000 01.. ...."},
      {"image buttons on HTML pages without a navigation bar", true,
       [&](Dialog& d) { d.s.prev_next_image_buttons = true; }, ".... ...1 0... ...."},
      {"a navigation bar on HTML pages without image buttons", true,
       [&](Dialog& d) { d.s.ImageNavigationBar = true; }, ".... ...0 00.. ...."},
      {"image buttons for the index", false, [](Dialog& d) { d.s.index_image_buttons = true; },
       ".... .... ..10 ...."},
      {"a template with image-only display", false,
       [](Dialog& d) { ApplyTemplateRule(d.s, d.choices, "page.htm"); }, "...0 0... .... ...."},
      {"an empty template with HTML pages", true,
       [](Dialog& d) { ApplyTemplateRule(d.s, d.choices, ""); }, "...0 0... .... ...."},
      {"the display rule follows the display method alone", true,
       [&](Dialog& d) { ApplyDisplayRule(d.s, d.choices); }, "...1 0... .... ...."},
      {"the display rule greys a tested template's button for image-only display", true,
       [](Dialog& d) {
         ApplyTemplateRule(d.s, d.choices, "page.htm");
         d.s.DisplayAsImage = true;
         ApplyDisplayRule(d.s, d.choices);
       },
       "...0 1... .... ...."},
      {"a test greys Test Compliance until the template changes", true,
       [](Dialog& d) { ApplyTemplateRule(d.s, d.choices, "page.htm"), TemplateTested(d.choices); },
       "...0 1... .... ...."},
      {"opening with HTML pages and no template: the template rule has the last word", true,
       [&](Dialog& d) { open(d); }, "...0 0... .... ...."},
      {"opening with HTML pages and a template", true,
       [&](Dialog& d) { d.s.Image_Style_File = "page.htm", open(d); }, "...1 1... .... ...."},
      {"switching image buttons off clears the same graphics", false,
       [](Dialog& d) { SetPrevNextImageButtons(d.s, true), SetPrevNextImageButtons(d.s, false); },
       ".... .... .0.. ....", false},
      {"switching image buttons on keeps the same graphics", false,
       [](Dialog& d) { SetPrevNextImageButtons(d.s, true); }, ".... .... .1.. ....", true},
      {"display copies switched on take the size shown", false,
       [](Dialog& d) { SetWebImageCopies(d.s, true, 1600); }, ".... .... .... ...1", std::nullopt,
       std::pair{1600, 1600}},
      {"a size typed while display copies are off is not stored", false,
       [](Dialog& d) { SetWebImageSizeShown(d.s, 1600); }, ".... .... .... ...0", std::nullopt,
       std::pair{0, kWebImageSizeDefault}},
      {"display copies switched off store 0 and show the default", false,
       [](Dialog& d) {
         SetWebImageCopies(d.s, true, 1600);
         SetWebImageSizeShown(d.s, 1200);
         SetWebImageCopies(d.s, false, 1200);
       },
       ".... .... .... ...0", std::nullopt, std::pair{0, kWebImageSizeDefault}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Dialog d;
    d.s.DisplayAsImage = !row.html;
    row.in(d);
    EXPECT_EQ(UsableShown(PageSettingsUsable(d.s, d.choices), row.usable), row.usable);
    if (row.same_nav_graphics) {
      EXPECT_EQ(d.s.Image_UseSameNavGraphics, *row.same_nav_graphics);
    }
    if (const auto& size = row.web_image_size) {
      EXPECT_EQ(std::pair(d.s.Web_Image_Size, WebImageSizeShown(d.s)), *size);
    }
  }
  // Opening fills the empty navigation images the program has.
  Dialog d;
  d.s.Return_To_Index_File = "mine.gif";
  open(d);
  EXPECT_EQ(std::tuple(d.s.Next_Page_File, d.s.Previous_Page_File, d.s.Return_To_Index_File),
            std::tuple(program + "navgraph/Next.gif", "", "mine.gif"));
}

// The colour list: what a pick or a stored colour shows, the colour the record stores, and where
// "Other.." starts the colour chooser.
TEST(PageSettingsRules, ColourList) {
  const struct {
    const char* what;
    std::function<void(ColourChoice&)> in;
    int item;
    std::uint32_t colour;
    std::string text;
    Colour stored;
    std::uint32_t chooser_start;
  } rows[] = {
      {"a fixed colour picked", [](ColourChoice& c) { PickColourItem(c, 6); }, 6, 0x00808000,
       "#008080", Colour::Of(0x00808000), 0x00808000},
      {"Other.. picks a colour",
       [](ColourChoice& c) { PickColourItem(c, kColourOtherItem, 0x000080FF); }, kColourNoItem,
       0x000080FF, "#FF8000", Colour::Of(0x000080FF), 0x000080FF},
      {"Other.. cancelled selects Default",
       [](ColourChoice& c) { PickColourItem(c, 5), PickColourItem(c, kColourOtherItem); },
       kColourDefaultItem, 0, "", Colour::Default(), 0x00FFFFFF},
      {"a stored black shows its item",
       [](ColourChoice& c) { SetDefaultSetColour(c, false, 0x00000000); }, 1, 0x00000000, "#000000",
       Colour::Of(0x00000000), 0x00000000},
      {"a stored colour no item has keeps the text box as it was",
       [](ColourChoice& c) { PickColourItem(c, 13), SetDefaultSetColour(c, false, 0x00123456); },
       kColourNoItem, 0x00123456, "#FF00FF", Colour::Of(0x00123456), 0x00123456},
      {"a stored default",
       [](ColourChoice& c) { PickColourItem(c, 2), SetDefaultSetColour(c, true, 0x00FFFFFF); },
       kColourDefaultItem, 0, "", Colour::Default(), 0x00FFFFFF},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ColourChoice c;
    row.in(c);
    EXPECT_EQ(std::tuple(c.item, c.colour, c.text, ChoiceColour(c), OtherColourStart(c)),
              std::tuple(row.item, row.colour, row.text, row.stored, row.chooser_start));
  }
}

const std::string kAllMarkers = "***CONTENT*** ***INDEX*** ***HEADER*** ***FOOTER***";

// Markers are found as written; only the content marker is required. An unreadable template
// warns and keeps the flags of the last good test.
TEST(Compliance, MarkersAreFoundExactlyAndOnlyContentIsRequired) {
  TempDir dir;
  TemplateMarkers markers;
  const std::string page = dir / "page.htm", huge = dir / "huge.htm";
  const std::string missing_content =
      "* The text, ***CONTENT***, could not be located in your HTML file.  This text is required "
      "so that Parvel Pro knows where to insert the thumbnails or image.";
  WriteFile(page, kAllMarkers);
  ComplianceResult r = TestCompliancy(page, PageKind::Thumbnail, markers);
  EXPECT_TRUE(r.result && r.found.index && r.found.header && r.found.footer && r.warnings.empty());
  WriteFile(page, "***content*** ***INDEX***");
  r = TestCompliancy(page, PageKind::Thumbnail, markers);
  EXPECT_FALSE(r.result || r.found.content || r.found.header || r.found.footer);
  EXPECT_EQ(r.warnings, std::vector<std::string>{missing_content});
  EXPECT_TRUE(markers.thumbnail.index && !markers.thumbnail.header);

  WriteFile(page, kAllMarkers);
  TestCompliancy(page, PageKind::Image, markers);
  WriteFile(huge, "***CONTENT***");
  std::filesystem::resize_file(huge, kMaxTemplateSize + 1);
  for (const std::string& path : {dir / "none.htm", dir.path(), huge, std::string("/dev/zero")}) {
    r = TestCompliancy(path, PageKind::Image, markers);
    EXPECT_FALSE(r.loaded || r.result);
    EXPECT_EQ(r.warnings,
              std::vector<std::string>{"* Error encountered loading the HTML file, " + path});
    EXPECT_TRUE(markers.image.header);
  }
}

struct RefCase {
  const char* name;
  std::string body;
  std::vector<std::string> existing;  // files made in the template's folder
  std::vector<std::string> listed = {};
  std::vector<std::string> missing = {};  // references warned about as missing
  std::vector<std::string> outside = {};  // references warned about as outside the folder
  bool complete = true;
};

TEST(Compliance, ReferencesAreListedAndChecked) {
  TemplateMarkers markers;
  const std::string long254(254, 'a'), long255(255, 'b');
  // clang-format off
  const RefCase cases[] = {
      {"background any case, first only",
       "<BODY BACKGROUND=\"Back.GIF\"><td background=\"two.gif\">", {"Back.GIF"}, {"back.gif"}},
      {"web addresses skipped", "<img src=\"pics/a.gif\"><img SRC=\"http://x.org/b.gif\">"
       "<img src=\"HTTPS://y/c.gif\">", {"pics/a.gif"}, {"pics/a.gif"}},
      {"folder and file found in another case", "<img src=\"PICS/A.GIF\">", {"Pics/a.Gif"},
       {"pics/a.gif"}},
      {"missing file", "<img src=\"a.gif\"><script src=\"s.js\">", {"s.js"}, {"a.gif", "s.js"},
       {"a.gif"}},
      {"empty and unquoted references skipped",
       "<img src=\"\"><img src='q.gif'><img src=r.gif><img src = \"s.gif\">", {}, {}},
      {"254 characters is a reference", "<img src=\"" + long254 + "\">", {}, {long254}, {long254}},
      {"a background has no source's length limit",
       "<body background=\"" + long255 + "\"><img src=\"a.gif\">", {long255, "a.gif"},
       {long255, "a.gif"}},
      {"255 characters ends the scan",
       "<img src=\"x.gif\"><img src=\"" + long255 + "\"><img src=\"y.gif\">", {}, {"x.gif"}, {},
       {}, false},
      {"background running into the next attribute",
       "<body background=\"b.gif><img src=\"a.gif\">", {"a.gif"}, {"b.gif><img src=", "a.gif"},
       {"b.gif><img src="}},
      {"leaving the folder",
       "<img src=\"../up.gif\"><img src=\"a/../../x.gif\"><img src=\"/etc/passwd\">"
       "<img src=\"c:\\win\\w.gif\"><img src=\"\\\\server\\s.gif\">", {}, {}, {},
       {"../up.gif", "a/../../x.gif", "/etc/passwd", "c:/win/w.gif", "//server/s.gif"}},
      // "a/../c:x.gif" normalises to "c:x.gif", which a second normalisation takes for a drive
      // letter: a name that is not there, never an empty result dereferenced.
      {"normalising to a drive letter", "<img src=\"a/../c:x.gif\"><img src=\"b.gif\">", {"b.gif"},
       {"a/../c:x.gif", "b.gif"}, {"a/../c:x.gif"}},
      {"staying inside after normalising", "<img src=\"a/../b.gif\"><img src=\"./c/./d.gif\">",
       {"b.gif", "c/d.gif"}, {"a/../b.gif", "./c/./d.gif"}},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string folder = dir / "tpl/";
    for (const auto& f : c.existing) WriteFile(folder + f, "x");
    WriteFile(folder + "page.htm", "***CONTENT***" + c.body);
    const ComplianceResult r = TestCompliancy(folder + "page.htm", PageKind::Thumbnail, markers);
    EXPECT_TRUE(r.result) << "the references never change the result";
    EXPECT_EQ(r.required_files, c.listed);
    std::vector<std::string> warnings;
    for (const auto& ref : c.outside) {
      warnings.push_back("* The file, " + ref + ", lies outside the directory, " + folder +
                         ", and will not be copied");
    }
    for (const auto& ref : c.missing) {
      warnings.push_back("* The file, " + ref + ", could not be located in the directory, " +
                         folder);
    }
    EXPECT_EQ(r.warnings, warnings);

    ComplianceResult direct;
    EXPECT_EQ(GenerateRequiredFilesList("***CONTENT***" + c.body, folder, direct), c.complete);
  }
}

}  // namespace
}  // namespace parvel
