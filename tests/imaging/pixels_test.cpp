// The pixel rules thumbnails rest on (depth conversion, resampling, the decode scale), text
// drawn into a picture, and the colour-resolution prompt of saving.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "imaging/convert.h"
#include "imaging/formats/jpeg.h"
#include "imaging/pixelgraphic.h"
#include "imaging/resample.h"
#include "imaging/testimages.h"
#include "imaging/text.h"
#include "platform/filesystem.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::PhotoLike;
using testing::TempDir;

TEST(Convert, KeepsColoursThatFitAndQuantisesTheRestClosely) {
  for (int bits : {1, 4, 8}) {
    SCOPED_TRACE(bits);
    const Raster fits = testing::IndexedPattern(20, 9, bits);
    const Raster out = ToIndexed(ConvertBitCount(fits, 24, false), bits);
    EXPECT_EQ(out.bits, bits);
    EXPECT_TRUE(testing::SameColours(fits, out));
  }
  const Raster photo = PhotoLike(120, 80);
  EXPECT_GT(testing::Psnr(photo, ToIndexed(photo, 8)), 30.0);
  Raster colours;
  colours.Allocate(2, 1, 24);
  colours.pixels = {255, 0, 0, 0, 0, 255};
  const Raster luma = ConvertBitCount(colours, 8, true);
  EXPECT_TRUE(HasGrayRamp(luma));
  EXPECT_EQ(luma.pixels, (std::vector<std::uint8_t>{76, 29}));
  EXPECT_FALSE(HasGrayRamp(testing::IndexedPattern(2, 2, 8)));
}

// Reducing weighs every source pixel: a fine checkerboard becomes an even gray, and a box
// reduction is the area-weighted mean.
TEST(Resample, ReducingAveragesEveryCoveredPixel) {
  for (ResampleFilter filter : {ResampleFilter::Box, ResampleFilter::Lanczos3}) {
    SCOPED_TRACE(static_cast<int>(filter));
    Raster board;
    board.Allocate(26 * 13, 26 * 13, 24);
    for (std::int32_t y = 0; y < board.height; ++y) {
      for (std::int32_t x = 0; x < board.width * 3; ++x)
        board.Row(y)[x] = (x / 3 + y) & 1 ? 255 : 0;
    }
    Raster out;
    out.Allocate(26, 26, 24);
    Resample(board, out, filter);
    for (std::int32_t y = 3; y < 23; ++y) EXPECT_NEAR(out.Row(y)[3 * y], 127.5, 12);
  }
  Raster row, out;
  row.Allocate(3, 1, 24);
  row.pixels = {0, 0, 0, 90, 90, 90, 180, 180, 180};
  out.Allocate(2, 1, 24);
  Resample(row, out, ResampleFilter::Box);
  EXPECT_EQ(out.pixels, (std::vector<std::uint8_t>{30, 30, 30, 150, 150, 150}));
}

// The Lanczos-3 reduction and enlargement of odd sizes match a plain double-precision reference
// (normalised taps, widened by the reduction factor) within rounding, at every pixel and edge.
double LanczosReference(const Raster& src, std::int32_t dw, std::int32_t dh, std::int32_t x,
                        std::int32_t y, int channel) {
  auto taps = [](int n, int d, int i) {
    const double scale = static_cast<double>(n) / d, stretch = std::max(scale, 1.0);
    const double centre = (i + 0.5) * scale;
    std::vector<std::pair<int, double>> out;
    double sum = 0;
    for (int s = 0; s < n; ++s) {
      const double t = std::abs(s + 0.5 - centre) / stretch;
      const double w =
          t < 1e-9 ? 1.0
          : t >= 3 ? 0.0
                   : 3 * std::sin(M_PI * t) * std::sin(M_PI * t / 3) / (M_PI * M_PI * t * t);
      if (w != 0) out.emplace_back(s, w);
      sum += w;
    }
    for (auto& [s, w] : out) w /= sum;
    return out;
  };
  double value = 0;
  for (const auto& [sy, wy] : taps(src.height, dh, y)) {
    for (const auto& [sx, wx] : taps(src.width, dw, x))
      value += wy * wx * src.Row(sy)[3 * sx + channel];
  }
  return std::clamp(value, 0.0, 255.0);
}

TEST(Resample, LanczosMatchesAReferenceAtOddSizes) {
  const Raster photo = PhotoLike(37, 23);
  for (const auto& [w, h] : {std::pair{13, 9}, {31, 21}, {5, 17}, {50, 29}}) {
    Raster out;
    out.Allocate(w, h, 24);
    Resample(photo, out, ResampleFilter::Lanczos3);
    for (std::int32_t y = 0; y < h; ++y) {
      for (std::int32_t x = 0; x < w; ++x) {
        for (int c = 0; c < 3; ++c) {
          ASSERT_NEAR(out.Row(y)[3 * x + c], LanczosReference(photo, w, h, x, y, c), 0.51)
              << w << "x" << h << " at " << x << "," << y;
        }
      }
    }
  }
}

// The decode scale is the larger power of two both sides allow (box <= side / scale), and a
// scaled side rounds up as the library's decode does.
TEST(DecodeScale, BoundariesAndTheSmallerSide) {
  struct Case {
    int width, height, box, scale;
  } const cases[] = {{1000, 1000, 125, 8}, {1000, 1000, 126, 4}, {1000, 1000, 250, 4},
                     {1000, 1000, 251, 2}, {1000, 1000, 500, 2}, {1000, 1000, 501, 1},
                     {4000, 500, 120, 4},  {400, 100, 100, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " in " << c.box);
    EXPECT_EQ(ChooseJPEGScale(c.width, c.height, c.box, c.box), c.scale);
  }
  const auto data = WriteJpeg(PhotoLike(1001, 999), 75, false);
  const Raster out = ReadJpeg(data, {true, 8});
  EXPECT_EQ(std::pair(out.width, out.height), std::pair(126, 125));
  EXPECT_EQ(JpegScaledSide(5, 8), 1);
}

struct Box {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;  // inclusive
};

Box ChangedPixels(const Raster& before, const Raster& after) {
  Box box;
  for (int y = 0; y < before.height; ++y) {
    for (int x = 0; x < before.width; ++x) {
      if (before.ColorAt(x, y) == after.ColorAt(x, y)) continue;
      box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
             std::max(box.bottom, y)};
    }
  }
  return box;
}

TEST(DrawText, PaintsOnlyInsideTheMeasuredCellAtThePoint) {
  const std::string label = "Page 12";
  const Raster before = testing::PhotoLike(240, 120);  // no pixel the text's black
  const int x = 17, y = 9;
  for (const TextStyle& style : {TextStyle{"DejaVu Sans", 10, false, false, {}, true},
                                 TextStyle{"DejaVu Sans", 18, true, true, {}, true},
                                 TextStyle{"DejaVu Sans", 10, false, false, {}, false}}) {
    SCOPED_TRACE(::testing::Message() << style.points << (style.italic ? " italic" : ""));
    const TextExtent extent = MeasureText(style, label);
    Raster after = before;
    DrawText(after, x, y, style, label);
    const Box box = ChangedPixels(before, after);
    ASSERT_NE(box.left, INT_MAX) << "nothing drawn";
    EXPECT_GE(box.left, x);
    EXPECT_LT(box.right, x + extent.width + (style.italic ? 2 : 0));
    EXPECT_GE(box.top, y);
    EXPECT_LT(box.bottom, y + extent.height);
    // The ink fills most of the cell (up to the side bearings of the first and last glyph): the
    // text is not drawn at a much smaller size or elsewhere.
    const int bearing = std::max(3, extent.height / 8);
    EXPECT_LE(box.left, x + bearing);
    EXPECT_GE(box.right, x + extent.width - bearing);
    EXPECT_GE(box.bottom - box.top + 1, extent.height / 2);
  }
}

// The prompt table: what a 24-bit image saved as GIF does under each setting.
TEST(ColorResolutionPrompt, GovernsTheConversion) {
  const struct {
    ResolutionPrompt prompt;
    bool with_ui;
    std::optional<Answer> answer;
    bool saved;
    std::optional<Buttons> box;  // the warning's buttons, when one is shown
  } cases[] = {
      {ResolutionPrompt::Convert, true, std::nullopt, true, std::nullopt},
      {ResolutionPrompt::Warn, true, std::nullopt, true, Buttons::Ok},
      {ResolutionPrompt::Ask, true, Answer::Ok, true, Buttons::OkCancel},
      {ResolutionPrompt::Ask, true, Answer::Cancel, false, Buttons::OkCancel},
      {ResolutionPrompt::Refuse, true, std::nullopt, false, std::nullopt},
      {ResolutionPrompt::Ask, false, std::nullopt, true, std::nullopt},
      {ResolutionPrompt::Warn, false, std::nullopt, true, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << int(c.prompt) << (c.with_ui ? " with a window" : ""));
    TempDir dir;
    ScriptedInteraction ui;
    if (c.answer) ui.QueueAnswer(*c.answer);
    PixelGraphic image;
    image.SetPixels(PhotoLike(12, 12));
    image.SetColorResolutionPrompt(c.prompt);
    const std::string path = dir / "picture.gif";
    try {
      image.SaveToFile(path, c.with_ui ? &ui : nullptr);
      EXPECT_TRUE(c.saved);
    } catch (const CannotWriteColorRes& e) {
      EXPECT_FALSE(c.saved);
      EXPECT_STREQ(e.what(),
                   "The graphic cannot be saved with to a GIF-Format file with the current color "
                   "resolution (16.7 million colors)");
    }
    EXPECT_EQ(FileExists(path), c.saved);
    ASSERT_EQ(ui.messages().size(), c.box ? 1u : 0u);
    if (c.box) {
      const auto& box = ui.messages()[0];
      EXPECT_EQ(std::tuple(box.kind, box.buttons, box.text),
                std::tuple(MessageKind::Warning, *c.box,
                           "The graphic cannot be saved to a GIF-Format file with the current "
                           "color resolution (16.7 million colors).\n\nThe graphic will be saved "
                           "with a different color resolution (256 colors)."));
    }
    EXPECT_TRUE(ui.unexpected().empty());
  }
}

}  // namespace
}  // namespace parvel
