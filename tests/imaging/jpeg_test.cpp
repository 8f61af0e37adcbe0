#include "imaging/formats/jpeg.h"

#include <gtest/gtest.h>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <chrono>

#include "imaging/pgerrors.h"
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

// The offset of the start-of-frame segment's height field.
std::size_t FrameSizeOffset(const std::vector<std::uint8_t>& data) {
  for (std::size_t i = 0; i + 9 < data.size(); ++i) {
    if (data[i] == 0xFF && (data[i + 1] == 0xC0 || data[i + 1] == 0xC2)) return i + 5;
  }
  return 0;
}

void SetFrameSize(std::vector<std::uint8_t>& data, int width, int height) {
  const std::size_t at = FrameSizeOffset(data);
  ASSERT_NE(at, 0u);
  data[at] = static_cast<std::uint8_t>(height >> 8);
  data[at + 1] = static_cast<std::uint8_t>(height);
  data[at + 2] = static_cast<std::uint8_t>(width >> 8);
  data[at + 3] = static_cast<std::uint8_t>(width);
}

template <class F>
void ExpectJpegError(F&& f) {
  try {
    f();
    ADD_FAILURE() << "no error";
  } catch (const EPGJPGFileFormatReaderWriter& e) {
    EXPECT_EQ(std::string(e.what()).rfind("JPG: ", 0), 0u) << e.what();
  }
}

TEST(Jpeg, RoundTripKeepsThePictureWithinTheQuality) {
  const Raster image = PhotoLike(96, 64);
  const auto data = WriteJpeg(image, 90, false);
  const Raster back = ReadJpeg(AsSpan(data), {});
  ASSERT_EQ(back.width, 96);
  ASSERT_EQ(back.height, 64);
  EXPECT_EQ(back.bits, 24);
  EXPECT_GT(Psnr(image, back), 32.0);
}

TEST(Jpeg, LowerQualityGivesASmallerFile) {
  const Raster image = PhotoLike(128, 128);
  EXPECT_LT(WriteJpeg(image, 10, false).size(), WriteJpeg(image, 95, false).size());
  // Out-of-range qualities are clamped, not refused.
  EXPECT_EQ(WriteJpeg(image, 150, false), WriteJpeg(image, 100, false));
  EXPECT_NO_THROW(WriteJpeg(image, -5, false));
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

TEST(Jpeg, DecodeIntoFillsTheGivenPixels) {
  const Raster image = PhotoLike(160, 120);
  const auto data = WriteJpeg(image, 90, false);
  Raster target;
  target.Allocate(20, 15, 24);
  DecodeJpegInto(AsSpan(data), {true, 8}, target);
  const Raster reference = ReadJpeg(AsSpan(data), {true, 8});
  EXPECT_EQ(target.pixels, reference.pixels);
  Raster wrong;
  wrong.Allocate(21, 15, 24);
  ExpectJpegError([&] { DecodeJpegInto(AsSpan(data), {true, 8}, wrong); });
}

TEST(Jpeg, FastDctIsReallyUsed) {
  const auto data = WriteJpeg(PhotoLike(128, 96), 95, false);
  const Raster fast = ReadJpeg(AsSpan(data), {true, 1});
  const Raster accurate = ReadJpeg(AsSpan(data), {false, 1});
  EXPECT_NE(fast.pixels, accurate.pixels);
  EXPECT_GT(Psnr(fast, accurate), 35.0);
}

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

TEST(Jpeg, InvertedCmykFilesDecodeToRgb) {
  jpeg_compress_struct info{};
  jpeg_error_mgr err{};
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = 8;
  info.image_height = 8;
  info.input_components = 4;
  info.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  jpeg_start_compress(&info, TRUE);
  // Red (no cyan, full magenta and yellow, no black), stored inverted as with the Adobe marker.
  std::vector<std::uint8_t> row;
  for (int x = 0; x < 8; ++x) row.insert(row.end(), {255, 0, 0, 255});
  while (info.next_scanline < 8) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&info, &r, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  const std::vector<std::uint8_t> data(buffer, buffer + size);
  free(buffer);

  const Raster out = ReadJpeg(AsSpan(data), {});
  EXPECT_NEAR(out.pixels[0], 255, 3);
  EXPECT_NEAR(out.pixels[1], 0, 3);
  EXPECT_NEAR(out.pixels[2], 0, 3);
}

TEST(Jpeg, InfoReadsTheHeadersOnly) {
  const auto data = WriteJpeg(PhotoLike(333, 170), 80, true);
  std::vector<std::uint8_t> head(data.begin(), data.begin() + static_cast<long>(data.size() / 3));
  const ImageInfo info = ReadJpegInfo(AsSpan(head));
  EXPECT_EQ(info.width, 333);
  EXPECT_EQ(info.height, 170);
  EXPECT_EQ(info.bits, 24);
  EXPECT_EQ(info.subformat, "progressive YCbCr");
}

class JpegDamage : public ::testing::TestWithParam<bool> {};

TEST_P(JpegDamage, TruncatedAndCorruptFilesRaiseTheJpegError) {
  const auto whole = WriteJpeg(PhotoLike(64, 64), 80, GetParam());
  for (std::size_t keep :
       {std::size_t{0}, std::size_t{2}, std::size_t{20}, whole.size() / 2, whole.size() - 40}) {
    std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(keep));
    ExpectJpegError([&] { ReadJpeg(AsSpan(cut), {}); });
  }
  std::vector<std::uint8_t> garbage = {0xFF, 0xD8, 0xFF, 0x12, 0x34, 0x56, 0x78};
  ExpectJpegError([&] { ReadJpeg(AsSpan(garbage), {}); });
  std::vector<std::uint8_t> no_size = whole;
  SetFrameSize(no_size, 0, 0);
  ExpectJpegError([&] { ReadJpeg(AsSpan(no_size), {}); });
  std::vector<std::uint8_t> text = {'h', 'e', 'l', 'l', 'o'};
  ExpectJpegError([&] { ReadJpegInfo(AsSpan(text)); });
}

INSTANTIATE_TEST_SUITE_P(BaselineAndProgressive, JpegDamage, ::testing::Bool());

TEST(Jpeg, AHugeClaimedSizeIsRefusedAtOnce) {
  for (bool progressive : {false, true}) {
    auto data = WriteJpeg(PhotoLike(16, 16), 80, progressive);
    SetFrameSize(data, 60000, 60000);
    const auto start = std::chrono::steady_clock::now();
    try {
      ReadJpeg(AsSpan(data), {});
      ADD_FAILURE() << "no error";
    } catch (const EPGJPGFileFormatReaderWriter& e) {
      EXPECT_EQ(std::string(e.what()), "JPG: Image too large (60000 x 60000 pixels)");
    }
    EXPECT_THROW(ReadJpegInfo(AsSpan(data)), EPGJPGFileFormatReaderWriter);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  }
}

TEST(Jpeg, AShortFileClaimingALargeSizeFailsWithoutTakingItsSize) {
  // Within the pixel limit, but the data ends at once: progressive files would need gigabytes
  // of coefficients, baseline files fail on their first rows.
  for (bool progressive : {false, true}) {
    auto data = WriteJpeg(PhotoLike(16, 16), 80, progressive);
    SetFrameSize(data, 20000, 20000);
    const auto start = std::chrono::steady_clock::now();
    ExpectJpegError([&] { ReadJpeg(AsSpan(data), {}); });
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  }
}

TEST(Jpeg, WriterRefusesWhatItCannotStore) {
  Raster indexed;
  indexed.Allocate(4, 4, 8);
  ExpectJpegError([&] { WriteJpeg(indexed, 80, false); });
  Raster empty;
  ExpectJpegError([&] { WriteJpeg(empty, 80, false); });
}

}  // namespace
}  // namespace parvel
