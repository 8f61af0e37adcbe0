#include "imaging/resample.h"

#include <gtest/gtest.h>

#include "imaging/testimages.h"

namespace parvel {
namespace {

using testing::IndexedPattern;
using testing::Solid;

Raster Target(std::int32_t w, std::int32_t h) {
  Raster r;
  r.Allocate(w, h, 24);
  return r;
}

// Black and white pixels alternating in both directions.
Raster Checkerboard(std::int32_t w, std::int32_t h) {
  Raster r;
  r.Allocate(w, h, 24);
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      const std::uint8_t v = ((x + y) & 1) ? 255 : 0;
      std::uint8_t* p = r.Row(y) + 3 * x;
      p[0] = p[1] = p[2] = v;
    }
  }
  return r;
}

// A gray row of the given values.
Raster GrayRow(std::initializer_list<int> values) {
  Raster r;
  r.Allocate(static_cast<std::int32_t>(values.size()), 1, 24);
  std::size_t i = 0;
  for (int v : values) {
    r.pixels[i] = r.pixels[i + 1] = r.pixels[i + 2] = static_cast<std::uint8_t>(v);
    i += 3;
  }
  return r;
}

class AveragingFilters : public ::testing::TestWithParam<ResampleFilter> {};

// Reducing must weigh every source pixel: a fine checkerboard becomes an even gray, never the
// black or white that skipping pixels would give.
TEST_P(AveragingFilters, ReducingAveragesEveryCoveredPixel) {
  for (std::int32_t factor : {2, 4, 8, 13}) {
    const Raster board = Checkerboard(26 * factor, 26 * factor);
    Raster out = Target(26, 26);
    Resample(board, out, GetParam());
    for (std::int32_t y = 3; y < 23; ++y) {
      for (std::int32_t x = 3; x < 23; ++x) {
        EXPECT_NEAR(out.Row(y)[3 * x], 127.5, 12) << "factor " << factor;
      }
    }
  }
}

TEST_P(AveragingFilters, AFlatImageStaysFlatAtAnySize) {
  const Raster flat = Solid(37, 23, {200, 100, 50});
  for (auto [w, h] : {std::pair{5, 3}, std::pair{37, 23}, std::pair{80, 61}, std::pair{1, 1}}) {
    Raster out = Target(w, h);
    Resample(flat, out, GetParam());
    for (std::size_t i = 0; i < out.pixels.size(); i += 3) {
      ASSERT_NEAR(out.pixels[i], 200, 1);
      ASSERT_NEAR(out.pixels[i + 1], 100, 1);
      ASSERT_NEAR(out.pixels[i + 2], 50, 1);
    }
  }
}

TEST_P(AveragingFilters, OneBrightPixelIsNotLost) {
  Raster dark = Solid(16, 16, {0, 0, 0});
  dark.Row(5)[3 * 6] = 255;
  Raster out = Target(2, 2);
  Resample(dark, out, GetParam());
  EXPECT_GT(out.Row(0)[0], 0);
}

INSTANTIATE_TEST_SUITE_P(Filters, AveragingFilters,
                         ::testing::Values(ResampleFilter::Box, ResampleFilter::Lanczos3));

TEST(Resample, BoxReductionIsTheAreaWeightedMean) {
  // Three pixels into two: each target pixel covers one and a half source pixels.
  Raster out = Target(2, 1);
  Resample(GrayRow({0, 90, 180}), out, ResampleFilter::Box);
  EXPECT_EQ(out.pixels[0], 30);   // (0 + 0.5 * 90) / 1.5
  EXPECT_EQ(out.pixels[3], 150);  // (0.5 * 90 + 180) / 1.5
  Raster one = Target(1, 1);
  Resample(GrayRow({0, 0, 0, 255}), one, ResampleFilter::Box);
  EXPECT_EQ(one.pixels[0], 64);
}

TEST(Resample, BoxEnlargingIsBilinear) {
  Raster out = Target(4, 1);
  Resample(GrayRow({0, 200}), out, ResampleFilter::Box);
  EXPECT_EQ(out.pixels[0], 0);
  EXPECT_EQ(out.pixels[3], 50);
  EXPECT_EQ(out.pixels[6], 150);
  EXPECT_EQ(out.pixels[9], 200);
}

TEST(Resample, NearestTakesThePixelUnderEachCentre) {
  Raster out = Target(2, 1);
  Resample(GrayRow({0, 60, 120, 180}), out, ResampleFilter::Nearest);
  EXPECT_EQ(out.pixels[0], 60);
  EXPECT_EQ(out.pixels[3], 180);
  Raster wide = Target(4, 1);
  Resample(GrayRow({10, 250}), wide, ResampleFilter::Nearest);
  EXPECT_EQ(wide.pixels[3], 10);
  EXPECT_EQ(wide.pixels[6], 250);
}

TEST(Resample, LanczosKeepsAnEdgeSharperThanTheBox) {
  // Enlarging a step: the windowed sinc gives a steeper middle than the bilinear ramp.
  Raster lanczos = Target(16, 1), box = Target(16, 1);
  Resample(GrayRow({0, 0, 255, 255}), lanczos, ResampleFilter::Lanczos3);
  Resample(GrayRow({0, 0, 255, 255}), box, ResampleFilter::Box);
  const int lanczos_step = lanczos.pixels[3 * 9] - lanczos.pixels[3 * 6];
  const int box_step = box.pixels[3 * 9] - box.pixels[3 * 6];
  EXPECT_GT(lanczos_step, box_step);
}

TEST(Resample, IndexedSourcesAreReadThroughTheirPalette) {
  const Raster indexed = IndexedPattern(8, 8, 4);
  Raster out = Target(8, 8);
  Resample(indexed, out, ResampleFilter::Box);
  EXPECT_TRUE(testing::SameColours(indexed, out));
}

}  // namespace
}  // namespace parvel
