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

}  // namespace
}  // namespace parvel
