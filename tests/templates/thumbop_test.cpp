#include "templates/thumbop.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::TempDir;
using testing::WriteFile;

// ---- Input rules: one control's usability for one set of inputs.

struct RuleCase {
  const char* name;
  std::function<void(SiteSettings&, ThumbOptionsChoices&)> inputs;
  const char* control;
  bool usable;
};

void HtmlPages(SiteSettings& s, ThumbOptionsChoices& c) {
  s.DisplayAsImage = false;
  ApplyDisplayRule(s, c);
}

// clang-format off
const RuleCase kRules[] = {
    // The display rule sets Test Compliance whatever the text; View Page stays as it was.
    {"html_test_empty_text", HtmlPages, "btnTestCompliance", true},
    {"template_text_html",
     [](auto& s, auto& c) { s.DisplayAsImage = false; ApplyTemplateRule(s, c, "image.htm"); },
     "btnViewPage", true},
    {"template_text_image_only", [](auto& s, auto& c) { ApplyTemplateRule(s, c, "image.htm"); },
     "btnTestCompliance", false},
    {"edit_header_item_2",
     [](auto& s, auto& c) { HtmlPages(s, c); s.Image_Header_Mode = ImageHeaderMode::Html; },
     "btnEditHeader", true},
    {"return_html_without_buttons", HtmlPages, "edtReturnFile", false},
    {"return_html_with_buttons",
     [](auto& s, auto& c) { HtmlPages(s, c); s.prev_next_image_buttons = true; },
     "lblReturnNote", true},
    {"same_graphics_all_three",
     [](auto& s, auto& c) { HtmlPages(s, c); s.prev_next_image_buttons = s.ImageNavigationBar = true; },
     "chkSameNavGraphics", true},
    {"same_graphics_no_bar",
     [](auto& s, auto& c) { HtmlPages(s, c); s.prev_next_image_buttons = true; },
     "chkSameNavGraphics", false},
    {"index_buttons_off_button_size", [](auto&, auto&) {}, "spnButtonTextSize", false},
    {"index_buttons_on_size", [](auto& s, auto&) { s.index_image_buttons = true; },
     "lblIndexFontSize", false},
};
// clang-format on

TEST(ThumbOptionsRules, EachRule) {
  for (const RuleCase& c : kRules) {
    SiteSettings s;
    ThumbOptionsChoices choices;
    c.inputs(s, choices);
    const UsableControls usable = ThumbOptionsUsable(s, choices);
    ASSERT_TRUE(usable.contains(c.control)) << c.name;
    EXPECT_EQ(usable.at(c.control), c.usable) << c.name;
  }
}

TEST(ThumbOptionsRules, PrevNextOffClearsSameGraphics) {
  SiteSettings s;
  SetPrevNextImageButtons(s, true);
  EXPECT_TRUE(s.Image_UseSameNavGraphics);
  SetPrevNextImageButtons(s, false);
  EXPECT_FALSE(s.Image_UseSameNavGraphics);
}

// ---- OK: starting from a record that fails all eight checks, each fix reveals the next.

TEST(ThumbOptionsOk, ChecksInOrder) {
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

  using enum MessageKind;
  const struct {
    MessageKind kind;
    const char* text;
    std::function<void(SiteSettings&)> fix;
  } steps[] = {
      {Warning,
       "You have elected to create HTML pages, however you have not specified a template file "
       "or the file cannot be located!",
       [&](auto& s) { s.Image_Style_File = file; }},
      {Warning,
       "You have elected to show descriptions for your thumbnails, however you have not "
       "specified a description file or the file cannot be located!",
       [&](auto& s) { s.Description_File = file; }},
      // Checks 3 to 6 whatever the display method.
      {Information, "You have elected to insert a header, but have not provided any HTML!",
       [](auto& s) {
         s.DisplayAsImage = true;
         s.Image_Header_Mode = ImageHeaderMode::List;
       }},
      {Warning,
       "You have elected to insert custom headers, but you have not specified a file to use or "
       "the file cannot be located!",
       [&](auto& s) { s.Image_Header_File = file; }},
      {Information, "You have elected to insert a footer, but have not provided any HTML!",
       [](auto& s) { s.Image_Footer_Mode = ImageHeaderMode::List; }},
      {Warning,
       "You have elected to insert custom footers, but you have not specified a file to use or "
       "the file cannot be located!",
       [&](auto& s) { s.Image_Footer_File = file; }},
      {Warning,
       "You have elected to use custom previous and next images, however one of the images you "
       "have entered cannot be located!",
       [&](auto& s) { s.Previous_Page_File = file; }},
      {Warning,
       "You have elected to use custom image buttons for your Index, however one of the images "
       "you have entered cannot be located!",
       [&](auto& s) { s.Other_Page_Index_File = file; }},
  };
  for (const auto& step : steps) {
    ScriptedInteraction ui;
    EXPECT_FALSE(ThumbOptionsOk(ui, s)) << step.text;
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].kind, step.kind) << step.text;
    EXPECT_EQ(ui.messages()[0].text, step.text);
    step.fix(s);
  }
  ScriptedInteraction ui;
  EXPECT_TRUE(ThumbOptionsOk(ui, s));
  EXPECT_TRUE(ui.messages().empty());
}

// ---- Colour choices.

// What the colour box shows and what is stored after picking or loading; the stored colour is the
// one shown unless the item is Default.
TEST(ThumbOptionsColours, Choices) {
  struct Case {
    const char* name;
    std::function<void(ColourChoice&)> act;
    int item;
    std::uint32_t shown;  // IsColour
    const char* text;
  };
  // clang-format off
  const Case cases[] = {
      {"red_item", [](auto& c) { PickColourItem(c, 8); }, 8, 0x000000FF, "#FF0000"},
      {"picked_orange", [](auto& c) { PickColourItem(c, kColourOtherItem, 0x000080FF); },
       kColourNoItem, 0x000080FF, "#FF8000"},
      {"other_cancelled",
       [](auto& c) { PickColourItem(c, 8); PickColourItem(c, kColourOtherItem, std::nullopt); },
       kColourDefaultItem, 0, ""},
      {"load_default", [](auto& c) { PickColourItem(c, 2); SetDefaultSetColour(c, true, 0xFFFFFF); },
       kColourDefaultItem, 0, ""},
      {"load_fixed", [](auto& c) { SetDefaultSetColour(c, false, 0x00800000); }, 10, 0x00800000,
       "#000080"},
      // A loaded picked colour leaves the text box as it was.
      {"load_picked_keeps_text",
       [](auto& c) { PickColourItem(c, 5); SetDefaultSetColour(c, false, 0x00123456); },
       kColourNoItem, 0x00123456, "#FFFF00"},
      {"no_item_changes_nothing",
       [](auto& c) { PickColourItem(c, 12); PickColourItem(c, kColourNoItem); }, 12, 0x00FF0000,
       "#0000FF"},
  };
  // clang-format on
  for (const Case& c : cases) {
    ColourChoice choice;
    c.act(choice);
    EXPECT_EQ(choice.item, c.item) << c.name;
    EXPECT_EQ(IsDefault(choice), c.item == kColourDefaultItem) << c.name;
    EXPECT_EQ(IsColour(choice), c.shown) << c.name;
    EXPECT_EQ(choice.text, c.text) << c.name;
    EXPECT_EQ(ChoiceColour(choice),
              c.item == kColourDefaultItem ? Colour::Default() : Colour::Of(c.shown))
        << c.name;
  }
}

// ---- Opening.

TEST(ThumbOptionsOpen, DefaultsTemplatesAndNavigationImages) {
  for (const bool with_files : {false, true}) {
    TempDir program;
    if (with_files) {
      for (const char* name : {"Next.gif", "Previous.gif", "Index.gif"}) {
        WriteFile(program / "navgraph/" + name, "GIF89a");
      }
    }
    SiteSettings s;
    s.Link_Enclosure = 9;
    s.Previous_Page_File = "/mine/prev.gif";
    s.DisplayAsImage = false;
    s.Image_Style_File = "/mine/image.htm";
    std::vector<std::string> image_templates;
    ThumbOptionsChoices choices;
    OpenThumbOptions(s, image_templates, {"/t/a.htm", "/t/b.htm"}, program.path(), choices);
    EXPECT_EQ(s.Link_Enclosure, 0);
    EXPECT_EQ(image_templates, (std::vector<std::string>{"/t/a.htm", "/t/b.htm"}));
    EXPECT_EQ(s.Next_Page_File, with_files ? program / "navgraph/Next.gif" : "");
    EXPECT_EQ(s.Return_To_Index_File, with_files ? program / "navgraph/Index.gif" : "");
    EXPECT_EQ(s.Previous_Page_File, "/mine/prev.gif");
    EXPECT_TRUE(choices.test_compliance && choices.view_page);

    std::vector<std::string> kept = {"/t/own.htm"};
    OpenThumbOptions(s, kept, {"/t/a.htm"}, program.path(), choices);
    EXPECT_EQ(kept, std::vector<std::string>{"/t/own.htm"});
  }
}

}  // namespace
}  // namespace parvel
