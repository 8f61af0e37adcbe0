// Depth conversion, resampling and the decode scale: the pixel rules thumbnails rest on.
#include <gtest/gtest.h>

#include "imaging/PGraphic.h"
#include "imaging/convert.h"
#include "imaging/formats/jpeg.h"
#include "imaging/resample.h"
#include "imaging/testimages.h"

namespace parvel {
namespace {

using testing::PhotoLike;

TEST(Convert, KeepsColoursThatFitAndQuantisesTheRestClosely) {
  for (int bits : {1, 4, 8}) {
    const Raster fits = testing::IndexedPattern(20, 9, bits);
    const Raster out = ToIndexed(ConvertBitCount(fits, 24, false), bits);
    EXPECT_EQ(out.bits, bits);
    EXPECT_TRUE(testing::SameColours(fits, out)) << bits;
  }
  const Raster photo = PhotoLike(120, 80);
  EXPECT_GT(testing::Psnr(photo, ToIndexed(photo, 8)), 30.0);
  Raster colours;
  colours.Allocate(2, 1, 24);
  colours.pixels = {255, 0, 0, 0, 0, 255};
  const Raster luma = ConvertBitCount(colours, 8, true);
  EXPECT_TRUE(HasGrayRamp(luma));
  EXPECT_EQ(luma.Row(0)[0], 76);
  EXPECT_EQ(luma.Row(0)[1], 29);
  EXPECT_FALSE(HasGrayRamp(testing::IndexedPattern(2, 2, 8)));
}

// Reducing weighs every source pixel: a fine checkerboard becomes an even gray, and a box
// reduction is the area-weighted mean.
TEST(Resample, ReducingAveragesEveryCoveredPixel) {
  for (ResampleFilter filter : {ResampleFilter::Box, ResampleFilter::Lanczos3}) {
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
  EXPECT_EQ(out.pixels[0], 30);
  EXPECT_EQ(out.pixels[3], 150);
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
    EXPECT_EQ(ChooseJPEGScale(c.width, c.height, c.box, c.box), c.scale) << c.width << " " << c.box;
  }
  const auto data = WriteJpeg(PhotoLike(1001, 999), 75, false);
  const Raster out = ReadJpeg(testing::AsSpan(data), {true, 8});
  EXPECT_EQ(out.width, 126);
  EXPECT_EQ(out.height, 125);
  EXPECT_EQ(JpegScaledSide(5, 8), 1);
}

}  // namespace
}  // namespace parvel
