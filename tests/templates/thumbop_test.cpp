#include "templates/thumbop.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::TempDir;
using testing::WriteFile;

void HtmlPages(SiteSettings& s, ThumbOptionsChoices& c) {
  s.DisplayAsImage = false;
  ApplyDisplayRule(s, c);
}

// One control's usability for one set of inputs.
TEST(ThumbOptionsRules, EachRule) {
  const struct {
    std::function<void(SiteSettings&, ThumbOptionsChoices&)> inputs;
    const char* control;
    bool usable;
  } cases[] = {
      // clang-format off
      {HtmlPages, "btnTestCompliance", true},  // whatever the template text
      {[](auto& s, auto& c) { ApplyTemplateRule(s, c, "image.htm"); }, "btnTestCompliance", false},
      {[](auto& s, auto& c) { HtmlPages(s, c); s.Image_Header_Mode = ImageHeaderMode::Html; },
       "btnEditHeader", true},
      {HtmlPages, "edtReturnFile", false},
      {[](auto& s, auto& c) { HtmlPages(s, c); s.prev_next_image_buttons = true; },
       "chkSameNavGraphics", false},
      {[](auto& s, auto& c) { HtmlPages(s, c); s.prev_next_image_buttons = s.ImageNavigationBar = true; },
       "chkSameNavGraphics", true},
      {[](auto& s, auto&) { s.index_image_buttons = true; }, "lblIndexFontSize", false},
      // clang-format on
  };
  for (const auto& c : cases) {
    SiteSettings s;
    ThumbOptionsChoices choices;
    c.inputs(s, choices);
    const UsableControls usable = ThumbOptionsUsable(s, choices);
    ASSERT_TRUE(usable.contains(c.control)) << c.control;
    EXPECT_EQ(usable.at(c.control), c.usable) << c.control;
  }
}

// OK: starting from a record that fails all eight checks, each fix reveals the next.
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
    EXPECT_FALSE(ThumbOptionsOk(ui, s));
    EXPECT_EQ(ui.texts(), std::vector<std::string>{step.text});
    step.fix();
  }
  ScriptedInteraction ui;
  EXPECT_TRUE(ThumbOptionsOk(ui, s));
  EXPECT_TRUE(ui.messages().empty());
}

// What the colour box shows and stores after picking or loading.
TEST(ThumbOptionsColours, Choices) {
  const struct {
    std::function<void(ColourChoice&)> act;
    int item;
    std::uint32_t shown;
    const char* text;
  } cases[] = {
      // clang-format off
      {[](auto& c) { PickColourItem(c, kColourOtherItem, 0x000080FF); }, kColourNoItem, 0x000080FF, "#FF8000"},
      {[](auto& c) { PickColourItem(c, 8); PickColourItem(c, kColourOtherItem, std::nullopt); },
       kColourDefaultItem, 0, ""},
      {[](auto& c) { SetDefaultSetColour(c, false, 0x00800000); }, 10, 0x00800000, "#000080"},
      // A loaded picked colour leaves the text box as it was.
      {[](auto& c) { PickColourItem(c, 5); SetDefaultSetColour(c, false, 0x00123456); },
       kColourNoItem, 0x00123456, "#FFFF00"},
      // clang-format on
  };
  for (const auto& c : cases) {
    ColourChoice choice;
    c.act(choice);
    EXPECT_EQ(choice.item, c.item) << c.text;
    EXPECT_EQ(choice.text, c.text);
    EXPECT_EQ(ChoiceColour(choice),
              c.item == kColourDefaultItem ? Colour::Default() : Colour::Of(c.shown));
  }
}

// Opening: the enclosure choice resets, missing navigation images default to the program's.
TEST(ThumbOptionsOpen, DefaultsTemplatesAndNavigationImages) {
  TempDir program;
  WriteFile(program / "navgraph/Next.gif", "GIF89a");
  SiteSettings s;
  s.Link_Enclosure = 9;
  s.Previous_Page_File = "/mine/prev.gif";
  std::vector<std::string> image_templates;
  ThumbOptionsChoices choices;
  OpenThumbOptions(s, image_templates, {"/t/a.htm"}, program.path(), choices);
  EXPECT_EQ(s.Link_Enclosure, 0);
  EXPECT_EQ(image_templates, std::vector<std::string>{"/t/a.htm"});
  EXPECT_EQ(s.Next_Page_File, program / "navgraph/Next.gif");
  EXPECT_EQ(s.Return_To_Index_File, "");
  EXPECT_EQ(s.Previous_Page_File, "/mine/prev.gif");
}

}  // namespace
}  // namespace parvel
