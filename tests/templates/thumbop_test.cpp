#include "templates/thumbop.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::TempDir;
using testing::WriteFile;

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

}  // namespace
}  // namespace parvel
