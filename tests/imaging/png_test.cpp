#include "imaging/formats/png.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <chrono>

#include "imaging/pgerrors.h"
#include "imaging/testimages.h"

namespace parvel {
namespace {

using testing::AsSpan;
using testing::IndexedPattern;
using testing::PhotoLike;
using testing::SameColours;

// A PNG made by the library's simplified writer from 8-bit samples of the given format.
std::vector<std::uint8_t> LibraryPng(std::uint32_t width, std::uint32_t height,
                                     std::uint32_t format, const std::vector<std::uint8_t>& samples,
                                     const std::vector<std::uint8_t>& colormap = {},
                                     int colormap_entries = 0) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = format;
  image.colormap_entries = static_cast<png_uint_32>(colormap_entries);
  png_alloc_size_t size = 0;
  EXPECT_TRUE(png_image_write_get_memory_size(image, size, 0, samples.data(), 0,
                                              colormap.empty() ? nullptr : colormap.data()));
  std::vector<std::uint8_t> out(size);
  EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, samples.data(), 0,
                                        colormap.empty() ? nullptr : colormap.data()));
  out.resize(size);
  return out;
}

template <class F>
void ExpectPngError(F&& f, const std::string& text = "") {
  try {
    f();
    ADD_FAILURE() << "no error";
  } catch (const EPGPNGFileFormatReaderWriter& e) {
    EXPECT_EQ(std::string(e.what()).rfind("PNG: ", 0), 0u) << e.what();
    if (!text.empty()) {
      EXPECT_EQ(e.what(), "PNG: " + text);
    }
  }
}

// Rewrites the IHDR size and its checksum.
void SetHeaderSize(std::vector<std::uint8_t>& png, std::uint32_t width, std::uint32_t height) {
  for (int i = 0; i < 4; ++i) {
    png[16 + i] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
    png[20 + i] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
  }
  const uLong crc = crc32(0, png.data() + 12, 17);
  for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
}

class PngRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(PngRoundTrip, GivesBackTheSamePixelsAndDepth) {
  const int bits = GetParam();
  const Raster image = bits == 24 ? PhotoLike(37, 23) : IndexedPattern(37, 23, bits);
  const auto data = WritePng(image);
  ASSERT_TRUE(IsPngSignature(AsSpan(data)));
  const Raster back = ReadPng(AsSpan(data));
  EXPECT_EQ(back.bits, bits);
  EXPECT_TRUE(SameColours(image, back));
  const ImageInfo info = ReadPngInfo(AsSpan(data));
  EXPECT_EQ(info.width, 37);
  EXPECT_EQ(info.height, 23);
  EXPECT_EQ(info.subformat, bits == 24 ? "RGB" : "palette");
}

INSTANTIATE_TEST_SUITE_P(Depths, PngRoundTrip, ::testing::Values(1, 4, 8, 24));

TEST(Png, AlphaIsLaidOnWhite) {
  // Red fully opaque, red half transparent, anything fully transparent.
  const std::vector<std::uint8_t> rgba = {255, 0, 0, 255, 255, 0, 0, 128, 10, 20, 30, 0};
  const Raster out = ReadPng(AsSpan(LibraryPng(3, 1, PNG_FORMAT_RGBA, rgba)));
  ASSERT_EQ(out.bits, 24);
  EXPECT_EQ(out.ColorAt(0, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(out.ColorAt(1, 0), (Rgb{255, 127, 127}));
  EXPECT_EQ(out.ColorAt(2, 0), (Rgb{255, 255, 255}));
}

TEST(Png, GrayWithAlphaBecomesGrayOnWhite) {
  const std::vector<std::uint8_t> ga = {0, 255, 0, 0, 100, 255};
  const Raster out = ReadPng(AsSpan(LibraryPng(3, 1, PNG_FORMAT_GA, ga)));
  ASSERT_EQ(out.bits, 8);
  EXPECT_EQ(out.ColorAt(0, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(out.ColorAt(1, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(out.ColorAt(2, 0), (Rgb{100, 100, 100}));
}

TEST(Png, EightBitGrayGetsAGrayPalette) {
  const std::vector<std::uint8_t> gray = {0, 17, 200, 255};
  const Raster out = ReadPng(AsSpan(LibraryPng(2, 2, PNG_FORMAT_GRAY, gray)));
  ASSERT_EQ(out.bits, 8);
  EXPECT_EQ(out.ColorAt(1, 0), (Rgb{17, 17, 17}));
  EXPECT_EQ(out.ColorAt(0, 1), (Rgb{200, 200, 200}));
}

TEST(Png, TransparentPaletteEntriesAreLaidOnWhite) {
  const std::vector<std::uint8_t> colormap = {0, 0, 255, 255, 0, 0, 255, 0};  // RGBA entries
  const std::vector<std::uint8_t> indexes = {0, 1, 1, 0};
  const Raster out =
      ReadPng(AsSpan(LibraryPng(2, 2, PNG_FORMAT_RGBA_COLORMAP, indexes, colormap, 2)));
  ASSERT_NE(out.bits, 24);
  EXPECT_EQ(out.ColorAt(0, 0), (Rgb{0, 0, 255}));
  EXPECT_EQ(out.ColorAt(1, 0), (Rgb{255, 255, 255}));
}

TEST(Png, SixteenBitSamplesKeepTheirHighByte) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = 2;
  image.height = 1;
  image.format = PNG_FORMAT_LINEAR_RGB;
  const std::vector<std::uint16_t> samples = {65535, 0, 0, 0, 65535, 0};
  png_alloc_size_t size = 0;
  ASSERT_TRUE(png_image_write_get_memory_size(image, size, 0, samples.data(), 0, nullptr));
  std::vector<std::uint8_t> data(size);
  ASSERT_TRUE(png_image_write_to_memory(&image, data.data(), &size, 0, samples.data(), 0, nullptr));
  data.resize(size);
  EXPECT_EQ(ReadPngInfo(AsSpan(data)).bits, 48);
  const Raster out = ReadPng(AsSpan(data));
  EXPECT_EQ(out.ColorAt(0, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(out.ColorAt(1, 0), (Rgb{0, 255, 0}));
}

TEST(Png, InterlacedFilesAreRead) {
  const Raster image = PhotoLike(19, 13);
  std::vector<std::uint8_t> data;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &data,
      [](png_structp p, png_bytep bytes, png_size_t n) {
        auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(p));
        out->insert(out->end(), bytes, bytes + n);
      },
      nullptr);
  png_set_IHDR(png, info, 19, 13, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_ADAM7,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_bytep> rows;
  for (int y = 0; y < 13; ++y) rows.push_back(const_cast<png_bytep>(image.Row(y)));
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);

  EXPECT_EQ(ReadPngInfo(AsSpan(data)).subformat, "RGB interlaced");
  EXPECT_TRUE(SameColours(image, ReadPng(AsSpan(data))));
}

TEST(Png, TruncatedAndCorruptFilesRaiseThePngError) {
  const auto whole = WritePng(PhotoLike(64, 64));
  for (std::size_t keep : {std::size_t{0}, std::size_t{7}, std::size_t{20}, std::size_t{40},
                           whole.size() / 2, whole.size() - 13}) {
    std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(keep));
    ExpectPngError([&] { ReadPng(AsSpan(cut)); });
  }
  std::vector<std::uint8_t> bad_crc = whole;
  bad_crc[30] ^= 0xFF;
  ExpectPngError([&] { ReadPng(AsSpan(bad_crc)); });
  std::vector<std::uint8_t> bad_data = whole;
  for (std::size_t i = 60; i < 90; ++i) bad_data[i] ^= 0x5A;
  ExpectPngError([&] { ReadPng(AsSpan(bad_data)); });
}

TEST(Png, AHugeClaimedSizeIsRefusedAtOnce) {
  auto data = WritePng(PhotoLike(8, 8));
  SetHeaderSize(data, 100000, 100000);
  const auto start = std::chrono::steady_clock::now();
  ExpectPngError([&] { ReadPng(AsSpan(data)); }, "Image too large (100000 x 100000 pixels)");
  ExpectPngError([&] { ReadPngInfo(AsSpan(data)); });
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(Png, AShortFileCannotClaimMoreThanItCouldHold) {
  auto data = WritePng(PhotoLike(8, 8));
  SetHeaderSize(data, 15000, 15000);
  const auto start = std::chrono::steady_clock::now();
  ExpectPngError([&] { ReadPng(AsSpan(data)); }, "The file is too short for its image size");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(Png, WriterRefusesWhatItCannotStore) {
  Raster empty;
  ExpectPngError([&] { WritePng(empty); });
  Raster odd;
  odd.Allocate(2, 2, 24);
  odd.bits = 16;
  ExpectPngError([&] { WritePng(odd); });
}

}  // namespace
}  // namespace parvel
