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

constexpr std::int32_t kW = 121;  // odd, so the halving truncates
constexpr std::int32_t kH = 41;
constexpr Rgb kBand{200, 170, 40};  // the top rows, so a shifted copy would show
constexpr Rgb kBody{30, 60, 120};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kLime{0, 255, 0};

// A background of kW x kH: a band of kBand over kBody, saved with `bits` bits a pixel.
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

INSTANTIATE_TEST_SUITE_P(Backgrounds, ButtonLook,
                         ::testing::Values(LookCase{24, false, kWhite, ".jpg"},
                                           LookCase{8, false, kRed, ".gif"},
                                           LookCase{24, true, kBlue, ".jpg"},
                                           LookCase{1, true, kWhite, ".gif"}));

// The pass tells the driver each page; a cancel at a checkpoint leaves the later pages undrawn.
TEST(ButtonPass, CancelledAtACheckpointLeavesTheLaterPagesUndrawn) {
  TempDir dir;
  SiteSettings s = ButtonSettings();
  s.Selected_Page_Index_File = MakeBackground(dir, "on.gif", 8);
  std::vector<std::string> messages;
  int checkpoints = 0;
  const ButtonPassResult result = RunButtonPass(
      s, dir.path(), 3, nullptr,
      {[&](std::string_view m) { messages.emplace_back(m); }, [&] { return ++checkpoints != 2; }});
  EXPECT_EQ(result.status, ButtonPassResult::Cancelled);
  EXPECT_EQ(result.page, 2);
  EXPECT_NE(ReadFile(dir / "Page_Button_2.gif"), "<missing>");
  EXPECT_EQ(ReadFile(dir / "Page_Button_On_3.gif"), "<missing>");
  EXPECT_EQ(messages, (std::vector<std::string>{"Creating Buttons for page 1",
                                                "Creating Buttons for page 2"}));
}

}  // namespace
}  // namespace parvel
