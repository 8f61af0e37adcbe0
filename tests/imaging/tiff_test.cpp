#include "imaging/formats/tiff.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <chrono>
#include <functional>

#include "imaging/pgerrors.h"
#include "imaging/testimages.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::AsSpan;
using testing::IndexedPattern;
using testing::PhotoLike;
using testing::SameColours;

template <class Error, class F>
void ExpectTiffError(F&& f) {
  try {
    f();
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("TIFF: ", 0), 0u) << e.what();
  }
}

// A TIFF made with the library directly; `fill` sets the tags and writes the data of each
// directory it is called for.
std::string LibraryTiff(int directories, const std::function<void(TIFF*, int)>& fill) {
  testing::TempDir dir;
  const std::string path = dir / "made.tif";
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  EXPECT_NE(tif, nullptr);
  for (int d = 0; d < directories; ++d) {
    fill(tif, d);
    TIFFWriteDirectory(tif);
  }
  TIFFClose(tif);
  return testing::ReadFile(path);
}

void SetRgbTags(TIFF* tif, std::uint32_t w, std::uint32_t h, std::uint16_t spp, std::uint16_t bps) {
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spp);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bps);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
}

struct TiffCase {
  int bits;
  bool black_and_white;
};

class TiffRoundTrip : public ::testing::TestWithParam<TiffCase> {};

TEST_P(TiffRoundTrip, GivesBackTheSamePixelsAndDepth) {
  const TiffCase c = GetParam();
  Raster image = c.bits == 24 ? PhotoLike(41, 29) : IndexedPattern(41, 29, c.bits);
  if (c.black_and_white) image.palette = {Rgb{0, 0, 0}, Rgb{255, 255, 255}};
  const auto data = WriteTiff(image);
  ASSERT_TRUE(IsTiffSignature(AsSpan(data)));
  const Raster back = ReadTiff(AsSpan(data));
  EXPECT_EQ(back.bits, c.bits);
  EXPECT_TRUE(SameColours(image, back));
  const ImageInfo info = ReadTiffInfo(AsSpan(data));
  EXPECT_EQ(info.width, 41);
  EXPECT_EQ(info.height, 29);
  EXPECT_EQ(info.subformat, "LZW");
}

INSTANTIATE_TEST_SUITE_P(Depths, TiffRoundTrip,
                         ::testing::Values(TiffCase{1, false}, TiffCase{1, true},
                                           TiffCase{4, false}, TiffCase{8, false},
                                           TiffCase{24, false}));

TEST(Tiff, AlphaIsLaidOnWhite) {
  const std::string data = LibraryTiff(1, [](TIFF* tif, int) {
    SetRgbTags(tif, 2, 1, 4, 8);
    const std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    std::uint8_t row[] = {0, 0, 255, 255, 0, 0, 255, 0};
    TIFFWriteScanline(tif, row, 0, 0);
  });
  const Raster out = ReadTiff(AsSpan(data));
  EXPECT_EQ(out.bits, 24);
  EXPECT_EQ(out.ColorAt(0, 0), (Rgb{0, 0, 255}));
  EXPECT_EQ(out.ColorAt(1, 0), (Rgb{255, 255, 255}));
}

TEST(Tiff, SixteenBitTiledImagesAreRead) {
  const std::string data = LibraryTiff(1, [](TIFF* tif, int) {
    SetRgbTags(tif, 40, 20, 3, 16);
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
    std::vector<std::uint16_t> tile(16 * 16 * 3);
    for (std::uint32_t ty = 0; ty < 20; ty += 16) {
      for (std::uint32_t tx = 0; tx < 40; tx += 16) {
        for (std::size_t i = 0; i < tile.size(); i += 3) {
          tile[i] = static_cast<std::uint16_t>(tx * 1000);
          tile[i + 1] = 0xFFFF;
          tile[i + 2] = 0;
        }
        TIFFWriteTile(tif, tile.data(), tx, ty, 0, 0);
      }
    }
  });
  const Raster out = ReadTiff(AsSpan(data));
  ASSERT_EQ(out.width, 40);
  ASSERT_EQ(out.height, 20);
  EXPECT_EQ(out.ColorAt(0, 19), (Rgb{0, 255, 0}));
  EXPECT_EQ(out.ColorAt(39, 0), (Rgb{32000 >> 8, 255, 0}));
  EXPECT_EQ(ReadTiffInfo(AsSpan(data)).bits, 48);
}

TEST(Tiff, ABottomUpImageIsTurnedUpright) {
  const std::string data = LibraryTiff(1, [](TIFF* tif, int) {
    SetRgbTags(tif, 1, 2, 3, 8);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_BOTLEFT);
    std::uint8_t red[] = {255, 0, 0}, blue[] = {0, 0, 255};
    TIFFWriteScanline(tif, red, 0, 0);
    TIFFWriteScanline(tif, blue, 1, 0);
  });
  const Raster out = ReadTiff(AsSpan(data));
  EXPECT_EQ(out.ColorAt(0, 0), (Rgb{0, 0, 255}));
  EXPECT_EQ(out.ColorAt(0, 1), (Rgb{255, 0, 0}));
}

TEST(Tiff, GrayImagesGetAGrayPalette) {
  const std::string data = LibraryTiff(1, [](TIFF* tif, int) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 3);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    std::uint8_t row[] = {0, 100, 255};
    TIFFWriteScanline(tif, row, 0, 0);
  });
  const Raster out = ReadTiff(AsSpan(data));
  EXPECT_EQ(out.bits, 8);
  EXPECT_EQ(out.ColorAt(0, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(out.ColorAt(1, 0), (Rgb{155, 155, 155}));
  EXPECT_EQ(out.ColorAt(2, 0), (Rgb{0, 0, 0}));
}

TEST(Tiff, LaterDirectoriesAreCountedAndReadByNumber) {
  const std::string data = LibraryTiff(2, [](TIFF* tif, int d) {
    SetRgbTags(tif, static_cast<std::uint32_t>(3 + d), 1, 3, 8);
    std::vector<std::uint8_t> row(9 + 3 * d, static_cast<std::uint8_t>(d ? 200 : 10));
    TIFFWriteScanline(tif, row.data(), 0, 0);
  });
  EXPECT_EQ(ReadTiffInfo(AsSpan(data)).image_count, 2);
  EXPECT_EQ(ReadTiffInfo(AsSpan(data), 1).width, 4);
  EXPECT_EQ(ReadTiff(AsSpan(data), 1).ColorAt(0, 0), (Rgb{200, 200, 200}));
  ExpectTiffError<EPGTIFFileFormatReader>([&] { ReadTiff(AsSpan(data), 2); });
}

TEST(Tiff, TruncatedAndCorruptFilesRaiseTheReaderError) {
  const auto whole = WriteTiff(PhotoLike(64, 64));
  for (std::size_t keep : {std::size_t{0}, std::size_t{4}, std::size_t{8}, std::size_t{100},
                           whole.size() / 2, whole.size() - 8}) {
    std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(keep));
    ExpectTiffError<EPGTIFFileFormatReader>([&] { ReadTiff(AsSpan(cut)); });
  }
  std::vector<std::uint8_t> bad_directory = whole;
  bad_directory[4] = bad_directory[5] = bad_directory[6] = bad_directory[7] = 0xFF;
  ExpectTiffError<EPGTIFFileFormatReader>([&] { ReadTiff(AsSpan(bad_directory)); });
}

TEST(Tiff, AHugeClaimedSizeIsRefusedAtOnce) {
  const std::string data = LibraryTiff(1, [](TIFF* tif, int) {
    SetRgbTags(tif, 1, 1, 3, 8);
    std::uint8_t row[] = {1, 2, 3};
    TIFFWriteScanline(tif, row, 0, 0);
  });
  // Patch the width and length entries of the one directory.
  std::string patched = data;
  const std::uint32_t ifd =
      static_cast<std::uint8_t>(patched[4]) | static_cast<std::uint8_t>(patched[5]) << 8 |
      static_cast<std::uint8_t>(patched[6]) << 16 | static_cast<std::uint8_t>(patched[7]) << 24;
  const int entries = static_cast<std::uint8_t>(patched[ifd]);
  for (int e = 0; e < entries; ++e) {
    const std::size_t at = ifd + 2 + 12 * static_cast<std::size_t>(e);
    const int tag =
        static_cast<std::uint8_t>(patched[at]) | static_cast<std::uint8_t>(patched[at + 1]) << 8;
    if (tag == TIFFTAG_IMAGEWIDTH || tag == TIFFTAG_IMAGELENGTH) {
      patched[at + 2] = 4;  // LONG
      patched[at + 3] = 0;
      patched[at + 8] = static_cast<char>(0xA0);  // 100000
      patched[at + 9] = static_cast<char>(0x86);
      patched[at + 10] = 0x01;
      patched[at + 11] = 0;
    }
  }
  const auto start = std::chrono::steady_clock::now();
  ExpectTiffError<EPGTIFFileFormatReader>([&] { ReadTiff(AsSpan(patched)); });
  ExpectTiffError<EPGTIFFileFormatReader>([&] { ReadTiffInfo(AsSpan(patched)); });
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(Tiff, WriterRefusesWhatItCannotStore) {
  Raster empty;
  ExpectTiffError<EPGTIFFileFormatWriter>([&] { WriteTiff(empty); });
}

}  // namespace
}  // namespace parvel
