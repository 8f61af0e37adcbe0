#include "builder/pagebuttons.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "imaging/PGraphic.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

constexpr std::int32_t kW = 121;  // odd, so the halving truncates
constexpr std::int32_t kH = 41;
constexpr Rgb kBand{200, 170, 40};  // the top rows, so a shifted copy would show
constexpr Rgb kBody{30, 60, 120};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kLime{0, 255, 0};

// A background of kW x kH: a band of kBand over kBody. `bits` 24 saves a JPEG (".jpg"); 8 a GIF
// (".gif"); 1 and 4 an indexed bitmap (".bmp"); "bmp24" a true-colour bitmap.
std::string MakeBackground(const TempDir& dir, const std::string& name, int bits,
                           bool bitmap = false) {
  TPixelGraphic image;
  image.SetSize(kW, kH);
  image.Canvas().BrushColor = kBody;
  image.Canvas().FillRect({0, 0, kW, kH});
  image.Canvas().BrushColor = kBand;
  image.Canvas().FillRect({0, 0, kW, 4});
  const std::string path = dir / name;
  if (bits == 24 && !bitmap) {
    EXPECT_TRUE(savetojpeg(image, path, 95, false));
  } else {
    if (bits != 24) image.SetBitCountNum(bits);
    image.SetColorResolutionPrompt(ResolutionPrompt::Convert);
    image.SaveToFile(path);
  }
  TPixelGraphic check;
  check.LoadFromFile(path);
  EXPECT_EQ(check.BitCountNum(), bits) << path;
  return path;
}

Raster Load(const std::string& path) {
  TPixelGraphic image;
  image.LoadFromFile(path);
  return image.Pixels();
}

double Distance(Rgb a, Rgb b) {
  const double dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
  return std::sqrt(dr * dr + dg * dg + db * db);
}

int CountNear(const Raster& image, Rgb colour, double within) {
  int count = 0;
  for (std::int32_t y = 0; y < image.height; ++y) {
    for (std::int32_t x = 0; x < image.width; ++x)
      count += Distance(image.ColorAt(x, y), colour) <= within;
  }
  return count;
}

// The box of the pixels that differ from the background by more than `tolerance`.
TRect ChangedBox(const Raster& button, const Raster& background, double tolerance) {
  TRect box{button.width, button.height, -1, -1};
  for (std::int32_t y = 0; y < button.height; ++y) {
    for (std::int32_t x = 0; x < button.width; ++x) {
      if (Distance(button.ColorAt(x, y), background.ColorAt(x, y)) <= tolerance) continue;
      box.Left = std::min(box.Left, x);
      box.Top = std::min(box.Top, y);
      box.Right = std::max(box.Right, x + 1);
      box.Bottom = std::max(box.Bottom, y + 1);
    }
  }
  return box;
}

// Large bold strokes keep the label's own colour inside them even through a JPEG's colour
// subsampling.
SiteSettings ButtonSettings() {
  SiteSettings s;
  s.Page_Number_Prefix = "Page ";
  s.Index_Image_Font_Size = 20;
  s.Index_Font_Bold = true;
  s.index_image_buttons = true;
  return s;
}

struct LookCase {
  int bits;
  bool bitmap;
  Rgb colour;
  const char* extension;
};

class ButtonLook : public ::testing::TestWithParam<LookCase> {};

TEST_P(ButtonLook, LabelInItsColourCentredOnTheBackgroundWithoutLayerColour) {
  const LookCase& c = GetParam();
  TempDir dir;
  const std::string background = MakeBackground(dir,
                                                std::string("back") + (c.bitmap       ? ".bmp"
                                                                       : c.bits == 24 ? ".jpg"
                                                                                      : ".gif"),
                                                c.bits, c.bitmap);
  const SiteSettings settings = ButtonSettings();
  std::string extension = "unchanged";
  ASSERT_TRUE(
      createbutton(settings, background, dir / "button.xyz", c.colour, "Page 8", &extension));
  EXPECT_EQ(extension, c.extension);
  const std::string written = dir / (std::string("button") + c.extension);
  EXPECT_EQ(ReadFile(dir / "button.xyz"), "<missing>");

  // The background as the button's format gives it back, so that only the label differs.
  TPixelGraphic plain;
  plain.LoadFromFile(background);
  const std::string reference = dir / (std::string("plain") + c.extension);
  if (std::string(c.extension) == ".jpg") {
    ASSERT_TRUE(savetojpeg(plain, reference, 99, false));
  } else {
    plain.SetColorResolutionPrompt(ResolutionPrompt::Convert);
    plain.SaveToFile(reference);
  }
  const Raster back = Load(reference);
  const Raster button = Load(written);
  ASSERT_EQ(button.width, back.width);
  ASSERT_EQ(button.height, back.height);

  // The label shows in its colour, centred across, inside the button.
  const double tolerance = std::string(c.extension) == ".jpg" ? 40 : 24;
  EXPECT_GT(CountNear(button, c.colour, tolerance), 15);
  const TRect box = ChangedBox(button, back, tolerance);
  EXPECT_TRUE(box.Left > 0 && box.Top > 0 && box.Right < kW && box.Bottom < kH);
  EXPECT_LE(std::abs((box.Left + box.Right) - kW), 4) << "not centred across";

  // No white or lime from a text layer shows anywhere.
  const Rgb layer = c.colour == kWhite ? kLime : kWhite;
  EXPECT_EQ(CountNear(button, layer, 100), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Backgrounds, ButtonLook,
    ::testing::Values(LookCase{24, false, kRed, ".jpg"}, LookCase{24, false, kWhite, ".jpg"},
                      LookCase{8, false, kRed, ".gif"}, LookCase{24, true, kBlue, ".jpg"},
                      LookCase{4, true, kRed, ".gif"}, LookCase{1, true, kWhite, ".gif"}));

// Records what the pass tells the driver; cancels at the checkpoint of `cancel_page`.
struct Driver {
  std::vector<std::string> messages;
  int checkpoints = 0;
  int cancel_page = 0;
  ButtonPassHooks Hooks() {
    return {[this](std::string_view m) { messages.emplace_back(m); },
            [this] { return ++checkpoints != cancel_page; }};
  }
};

TEST(ButtonPass, JpegForTheShownPageAndGifForTheOthersAsTheIndexNamesThem) {
  TempDir dir;
  SiteSettings s = ButtonSettings();
  s.Selected_Page_Index_File = MakeBackground(dir, "on.jpg", 24);
  s.Other_Page_Index_File = MakeBackground(dir, "off.gif", 8);
  const std::string site = dir / "site/";
  WriteFile(site + "keep", "");
  ButtonExtensions extensions;
  Driver driver;
  const ButtonPassResult result = RunButtonPass(s, site, 2, &extensions, driver.Hooks());
  EXPECT_EQ(result.status, ButtonPassResult::Done);
  EXPECT_EQ(extensions.current, ".jpg");
  EXPECT_EQ(extensions.other, ".gif");
  EXPECT_EQ(driver.messages, (std::vector<std::string>{"Creating Buttons for page 1",
                                                       "Creating Buttons for page 2"}));
  EXPECT_EQ(driver.checkpoints, 2);
  for (const char* name :
       {"Page_Button_On_1.jpg", "Page_Button_On_2.jpg", "Page_Button_1.gif", "Page_Button_2.gif"}) {
    EXPECT_NE(ReadFile(site + name), "<missing>") << name;
  }
  for (const char* name : {"Page_Button_On_1.gif", "Page_Button_1.jpg"}) {
    EXPECT_EQ(ReadFile(site + name), "<missing>") << name;
  }
  ScriptedInteraction ui;
  const std::string index = CreateIndex(ui, s, "Index.html", extensions, 1, 2, true);
  EXPECT_NE(index.find("<IMG SRC=\"Page_Button_On_1.jpg\" BORDER=0>"), std::string::npos);
  EXPECT_NE(index.find("<IMG SRC=\"Page_Button_2.gif\" BORDER=0>"), std::string::npos);
}

TEST(ButtonPass, AnUnloadableBackgroundStopsAtPageOne) {
  TempDir dir;
  WriteFile(dir / "broken.gif", "GIF89a but nothing more");
  const std::string good = MakeBackground(dir, "good.jpg", 24);
  struct Case {
    std::string selected, other;
    std::vector<std::string> left;  // buttons already written stay
  } cases[] = {{dir / "missing.jpg", good, {}},
               {dir / "broken.gif", "", {}},
               {good, dir / "broken.gif", {"Page_Button_On_1.jpg"}}};
  for (const Case& c : cases) {
    TempDir site;
    SiteSettings s = ButtonSettings();
    s.Selected_Page_Index_File = c.selected;
    s.Other_Page_Index_File = c.other;
    ButtonExtensions extensions;
    Driver driver;
    const ButtonPassResult result = RunButtonPass(s, site.path(), 3, &extensions, driver.Hooks());
    EXPECT_EQ(result.status, ButtonPassResult::Failed) << c.selected << "|" << c.other;
    EXPECT_EQ(result.page, 1);
    EXPECT_EQ(driver.messages, std::vector<std::string>{"Creating Buttons for page 1"});
    EXPECT_EQ(driver.checkpoints, 0);
    EXPECT_EQ(extensions.other, ".gif");
    for (const std::string& name : c.left) EXPECT_NE(ReadFile(site / name), "<missing>") << name;
    EXPECT_EQ(ReadFile(site / "Page_Button_1.gif"), "<missing>");
    EXPECT_EQ(ReadFile(site / "Page_Button_On_1.gif"), "<missing>");
  }
}

TEST(ButtonPass, CancelledAtACheckpointLeavesTheLaterPagesUndrawn) {
  TempDir dir;
  SiteSettings s = ButtonSettings();
  s.Selected_Page_Index_File = MakeBackground(dir, "on.gif", 8);
  Driver driver;
  driver.cancel_page = 2;
  const ButtonPassResult result = RunButtonPass(s, dir.path(), 3, nullptr, driver.Hooks());
  EXPECT_EQ(result.status, ButtonPassResult::Cancelled);
  EXPECT_EQ(result.page, 2);
  EXPECT_NE(ReadFile(dir / "Page_Button_2.gif"), "<missing>");
  EXPECT_EQ(ReadFile(dir / "Page_Button_On_3.gif"), "<missing>");
  EXPECT_EQ(driver.messages.size(), 2u);
}

}  // namespace
}  // namespace parvel
