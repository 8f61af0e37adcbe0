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

struct NameCase {
  Raster image;
  std::string_view name;
};

}  // namespace
}  // namespace parvel
