#include "imaging/formats/jpeg.h"

#include <gtest/gtest.h>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>

#include "imaging/testimages.h"

namespace parvel {
namespace {

using testing::AsSpan;
using testing::PhotoLike;
using testing::Psnr;

bool HasMarker(const std::vector<std::uint8_t>& data, std::uint8_t marker) {
  for (std::size_t i = 0; i + 1 < data.size(); ++i) {
    if (data[i] == 0xFF && data[i + 1] == marker) return true;
  }
  return false;
}

TEST(Jpeg, ProgressiveSwitchChoosesTheFrameType) {
  const Raster image = PhotoLike(64, 48);
  const auto progressive = WriteJpeg(image, 70, true);
  const auto baseline = WriteJpeg(image, 70, false);
  EXPECT_TRUE(HasMarker(progressive, 0xC2));
  EXPECT_FALSE(HasMarker(progressive, 0xC0));
  EXPECT_TRUE(HasMarker(baseline, 0xC0));
  EXPECT_FALSE(HasMarker(baseline, 0xC2));
  EXPECT_GT(Psnr(image, ReadJpeg(AsSpan(progressive), {})), 28.0);
}

struct ScaleCase {
  int width, height, scale, want_width, want_height;
};

class JpegScale : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(JpegScale, DecodesAtTheLibrarysReducedSize) {
  const ScaleCase c = GetParam();
  const auto data = WriteJpeg(PhotoLike(c.width, c.height), 75, false);
  const Raster out = ReadJpeg(AsSpan(data), {true, c.scale});
  EXPECT_EQ(out.width, c.want_width);
  EXPECT_EQ(out.height, c.want_height);
  EXPECT_EQ(JpegScaledSide(c.width, c.scale), c.want_width);
  EXPECT_EQ(JpegScaledSide(c.height, c.scale), c.want_height);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, JpegScale,
    ::testing::Values(ScaleCase{1600, 1200, 8, 200, 150}, ScaleCase{1600, 1200, 4, 400, 300},
                      ScaleCase{1600, 1200, 2, 800, 600}, ScaleCase{1600, 1200, 1, 1600, 1200},
                      ScaleCase{1001, 999, 8, 126, 125}, ScaleCase{5, 3, 8, 1, 1}));

TEST(Jpeg, GrayFilesDecodeToTwentyFourBitGray) {
  // A gray file made with the library directly.
  jpeg_compress_struct info{};
  jpeg_error_mgr err{};
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = 16;
  info.image_height = 8;
  info.input_components = 1;
  info.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<std::uint8_t> row(16, 0x80);
  while (info.next_scanline < 8) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&info, &r, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  const std::vector<std::uint8_t> data(buffer, buffer + size);
  free(buffer);

  EXPECT_EQ(ReadJpegInfo(AsSpan(data)).bits, 8);
  const Raster out = ReadJpeg(AsSpan(data), {});
  ASSERT_EQ(out.bits, 24);
  for (std::size_t i = 0; i < out.pixels.size(); ++i) EXPECT_NEAR(out.pixels[i], 0x80, 1);
}

}  // namespace
}  // namespace parvel
