#include "imaging/convert.h"

#include <gtest/gtest.h>

#include <set>

#include "imaging/testimages.h"

namespace parvel {
namespace {

using testing::IndexedPattern;
using testing::PhotoLike;
using testing::SameColours;
using testing::Solid;

struct ExactCase {
  int bits;
  int colours;
};

class ConvertExact : public ::testing::TestWithParam<ExactCase> {};

// An image with no more colours than the depth holds keeps every colour exactly.
TEST_P(ConvertExact, KeepsEveryColourWhenTheyFit) {
  const ExactCase c = GetParam();
  Raster image;
  image.Allocate(50, 20, 24);
  for (std::int32_t y = 0; y < 20; ++y) {
    for (std::int32_t x = 0; x < 50; ++x) {
      const int k = (x + 50 * y) % c.colours;
      std::uint8_t* p = image.Row(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(k * 7);
      p[1] = static_cast<std::uint8_t>(255 - k);
      p[2] = static_cast<std::uint8_t>(k * 13 % 256);
    }
  }
  const Raster out = ToIndexed(image, c.bits);
  EXPECT_EQ(out.bits, c.bits);
  EXPECT_EQ(out.palette.size(), std::size_t{1} << c.bits);
  EXPECT_TRUE(SameColours(image, out));
}

INSTANTIATE_TEST_SUITE_P(Depths, ConvertExact,
                         ::testing::Values(ExactCase{1, 2}, ExactCase{4, 16}, ExactCase{8, 256},
                                           ExactCase{8, 3}));

double MeanError(const Raster& a, const Raster& b) {
  double sum = 0;
  for (std::int32_t y = 0; y < a.height; ++y) {
    for (std::int32_t x = 0; x < a.width; ++x) {
      const Rgb p = a.ColorAt(x, y), q = b.ColorAt(x, y);
      sum += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
    }
  }
  return sum / (3.0 * a.width * a.height);
}

TEST(Convert, ManyColoursAreQuantisedClosely) {
  const Raster photo = PhotoLike(120, 80);
  const Raster eight = ToIndexed(photo, 8);
  EXPECT_EQ(eight.bits, 8);
  EXPECT_LT(MeanError(photo, eight), 7.0);
  const Raster four = ToIndexed(photo, 4);
  EXPECT_EQ(four.bits, 4);
  EXPECT_LT(MeanError(photo, four), 16.0);
  EXPECT_GT(MeanError(photo, four), MeanError(photo, eight));
}

TEST(Convert, QuantisingKeepsFullComponentValues) {
  // Pure white among many other colours must not come back as a darker gray.
  Raster photo = PhotoLike(64, 64);
  for (std::int32_t x = 0; x < 64; ++x) {
    std::uint8_t* p = photo.Row(0) + 3 * x;
    p[0] = p[1] = p[2] = 255;
  }
  const Raster out = ToIndexed(photo, 8);
  EXPECT_EQ(out.ColorAt(5, 0), (Rgb{255, 255, 255}));
}

TEST(Convert, OneBitThresholdsLuminance) {
  Raster image;
  image.Allocate(3, 1, 24);
  image.pixels = {10, 10, 10, 200, 200, 200, 255, 0, 0};  // dark, light, red (luminance 76)
  const Raster out = ToIndexed(image, 1);
  EXPECT_EQ(out.ColorAt(0, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(out.ColorAt(1, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(out.ColorAt(2, 0), (Rgb{0, 0, 0}));
}

TEST(Convert, IndexedToTwentyFourBitsAndBack) {
  for (int bits : {1, 4, 8}) {
    const Raster indexed = IndexedPattern(17, 9, bits);
    const Raster rgb = ToBits24(indexed);
    EXPECT_EQ(rgb.bits, 24);
    EXPECT_TRUE(SameColours(indexed, rgb));
    EXPECT_TRUE(SameColours(indexed, ConvertBitCount(rgb, bits)));
  }
}

TEST(Convert, GrayUsesLuminanceAndAGrayRamp) {
  Raster image;
  image.Allocate(2, 1, 24);
  image.pixels = {255, 0, 0, 0, 0, 255};
  const Raster gray = ConvertBitCount(image, 8, true);
  EXPECT_TRUE(HasGrayRamp(gray));
  EXPECT_EQ(gray.Row(0)[0], 76);
  EXPECT_EQ(gray.Row(0)[1], 29);
  EXPECT_FALSE(HasGrayRamp(IndexedPattern(2, 2, 8)));
}

TEST(Convert, MapToPaletteTakesTheNearestEntry) {
  const std::vector<Rgb> palette = {{0, 0, 0}, {250, 0, 0}, {0, 0, 250}};
  const Raster out = MapToPalette(Solid(2, 2, {200, 30, 20}), palette, 4);
  EXPECT_EQ(out.IndexAt(1, 1), 1);
  EXPECT_EQ(MapToPalette(Solid(1, 1, {10, 10, 90}), palette, 8).IndexAt(0, 0), 0);
}

TEST(Convert, DefaultPalettesHaveDistinctColours) {
  for (int bits : {1, 4, 8}) {
    const auto palette = DefaultPalette(bits);
    EXPECT_EQ(palette.size(), std::size_t{1} << bits);
    std::set<std::tuple<int, int, int>> distinct;
    for (Rgb c : palette) distinct.insert({c.r, c.g, c.b});
    EXPECT_EQ(distinct.size(), palette.size());
  }
}

struct NameCase {
  Raster image;
  std::string_view name;
};

TEST(Convert, ColourResolutionNames) {
  Raster bw;
  bw.Allocate(1, 1, 1);
  bw.palette = {{255, 255, 255}, {0, 0, 0}};
  Raster two = IndexedPattern(1, 1, 1);
  Raster gray16;
  gray16.Allocate(1, 1, 4);
  for (int i = 0; i < 16; ++i) {
    const auto v = static_cast<std::uint8_t>(i * 17);
    gray16.palette[static_cast<std::size_t>(i)] = {v, v, v};
  }
  Raster system16;
  system16.Allocate(1, 1, 4);
  system16.palette = DefaultPalette(4);
  const NameCase cases[] = {{bw, "black and white"},
                            {two, "2 colors"},
                            {gray16, "16 shades of gray"},
                            {system16, "16 system colors"},
                            {IndexedPattern(1, 1, 4), "16 colors"},
                            {ToGray8(Solid(1, 1, {})), "256 shades of gray"},
                            {IndexedPattern(1, 1, 8), "256 colors"},
                            {Solid(1, 1, {}), "16.7 million colors"}};
  for (const NameCase& c : cases) EXPECT_EQ(ColorResolutionName(c.image), c.name);
  EXPECT_EQ(ColorResolutionName(1, false), "black and white");
  EXPECT_EQ(ColorResolutionName(4, false), "16 colors");
  EXPECT_EQ(ColorResolutionName(8, false), "256 colors");
  EXPECT_EQ(ColorResolutionName(8, true), "256 shades of gray");
  EXPECT_EQ(ColorResolutionName(24, false), "16.7 million colors");
}

}  // namespace
}  // namespace parvel
