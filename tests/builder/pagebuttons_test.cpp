#include "builder/pagebuttons.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "imaging/PGraphic.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::TempDir;

constexpr std::int32_t kW = 121, kH = 41;  // odd, so the halving truncates
constexpr Rgb kBand{200, 170, 40}, kBody{30, 60, 120};
constexpr Rgb kRed{255, 0, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255}, kLime{0, 255, 0};

// A background of a band of kBand over kBody, so that a shifted copy would show; 24 bits a JPEG.
std::string MakeBackground(const std::string& path, int bits) {
  TPixelGraphic image;
  image.SetSize(kW, kH);
  image.Canvas().BrushColor = kBody;
  image.Canvas().FillRect({0, 0, kW, kH});
  image.Canvas().BrushColor = kBand;
  image.Canvas().FillRect({0, 0, kW, 4});
  if (bits != 24) image.SetBitCountNum(bits);
  image.SetColorResolutionPrompt(ResolutionPrompt::Convert);
  if (!path.ends_with(".jpg")) image.SaveToFile(path);
  return !path.ends_with(".jpg") || savetojpeg(image, path, 95, false) ? path : "";
}

int Near(Rgb a, Rgb b, int within) {
  return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b) <= within;
}

// Large bold strokes keep the label's own colour even through a JPEG's colour subsampling.
SiteSettings ButtonSettings() {
  SiteSettings s;
  s.Page_Number_Prefix = "Page ";
  s.Index_Image_Font_Size = 20;
  s.Index_Font_Bold = true;
  s.index_image_buttons = true;
  return s;
}

// The label in its colour, centred across, on the background left whole, without the colour of a
// text layer; true colour backgrounds give JPEG buttons, indexed ones GIF.
TEST(Button, LabelInItsColourCentredOnTheBackground) {
  const struct {
    const char* background;
    int bits;
    Rgb colour;
    const char* extension;
  } cases[] = {{"b.jpg", 24, kWhite, ".jpg"},
               {"b.gif", 8, kRed, ".gif"},
               {"b.bmp", 24, kBlue, ".jpg"},
               {"b.bmp", 1, kWhite, ".gif"}};
  for (const auto& c : cases) {
    TempDir dir;
    std::string extension;
    ASSERT_TRUE(createbutton(ButtonSettings(), MakeBackground(dir / c.background, c.bits),
                             dir / "button.xyz", c.colour, "Page 8", &extension));
    TPixelGraphic background;
    background.LoadFromFile(dir / c.background);
    ASSERT_EQ(extension, c.extension);
    TPixelGraphic button;
    button.LoadFromFile(dir / ("button" + extension));
    const Raster& px = button.Pixels();
    ASSERT_EQ(px.width * 1000 + px.height, kW * 1000 + kH);
    const int tolerance = extension == ".jpg" ? 60 : 30;
    int label = 0, layer = 0, left = kW, right = 0, band_kept = 0;
    for (std::int32_t y = 0; y < kH; ++y) {
      for (std::int32_t x = 0; x < kW; ++x) {
        const Rgb at = px.ColorAt(x, y);
        band_kept += y >= 3 || Near(at, background.Pixels().ColorAt(x, y), tolerance);
        layer += Near(at, c.colour == kWhite ? kLime : kWhite, 150);
        if (!Near(at, c.colour, tolerance)) continue;
        ++label;
        left = std::min(left, x);
        right = std::max(right, x + 1);
      }
    }
    EXPECT_EQ(band_kept, kW * kH) << "the background moved";
    EXPECT_GT(label, 15) << c.background;
    EXPECT_EQ(layer, 0) << c.background;
    EXPECT_LE(std::abs(left + right - kW), 4) << "not centred across";
  }
}

}  // namespace
}  // namespace parvel
