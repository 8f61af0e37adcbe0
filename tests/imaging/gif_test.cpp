#include "imaging/formats/gif.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <chrono>

#include "imaging/pgerrors.h"
#include "imaging/testimages.h"

namespace parvel {
namespace {

using testing::AsSpan;
using testing::IndexedPattern;
using testing::SameColours;

template <class F>
void ExpectGifError(F&& f) {
  try {
    f();
    ADD_FAILURE() << "no error";
  } catch (const EPGGIFFileFormatReaderWriter& e) {
    EXPECT_EQ(std::string(e.what()).rfind("GIF: ", 0), 0u) << e.what();
  }
}

// One frame as the test describes it.
struct Frame {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlace = false;
  int transparent = -1;
  std::vector<std::uint8_t> pixels;  // row-major, top-down
};

// A GIF made with the library directly: a 4-colour global table (black, red, green, blue).
std::vector<std::uint8_t> LibraryGif(int screen_width, int screen_height, int background,
                                     const std::vector<Frame>& frames) {
  std::vector<std::uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(
      &out,
      [](GifFileType* g, const GifByteType* data, int n) {
        auto* v = static_cast<std::vector<std::uint8_t>*>(g->UserData);
        v->insert(v->end(), data, data + n);
        return n;
      },
      &error);
  GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  ColorMapObject* map = GifMakeMapObject(4, colours);
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, screen_width, screen_height, 2, background, map);
  for (const Frame& f : frames) {
    if (f.transparent >= 0) {
      GraphicsControlBlock gcb{};
      gcb.TransparentColor = f.transparent;
      GifByteType ext[4];
      EGifGCBToExtension(&gcb, ext);
      EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext);
    }
    EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlace, nullptr);
    std::vector<int> order;
    if (f.interlace) {
      for (int pass = 0; pass < 4; ++pass) {
        const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        for (int y = start[pass]; y < f.height; y += step[pass]) order.push_back(y);
      }
    } else {
      for (int y = 0; y < f.height; ++y) order.push_back(y);
    }
    for (int y : order) {
      std::vector<GifPixelType> line(f.pixels.begin() + y * f.width,
                                     f.pixels.begin() + (y + 1) * f.width);
      EGifPutLine(gif, line.data(), f.width);
    }
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

Frame Stripes(int width, int height, bool interlace = false) {
  Frame f;
  f.width = width;
  f.height = height;
  f.interlace = interlace;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) f.pixels.push_back(static_cast<std::uint8_t>(y % 4));
  }
  return f;
}

class GifRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(GifRoundTrip, GivesBackTheSamePixelsAndDepth) {
  const int bits = GetParam();
  const Raster image = IndexedPattern(45, 31, bits);
  const auto data = WriteGif(image);
  ASSERT_TRUE(IsGifSignature(AsSpan(data)));
  const Raster back = ReadGif(AsSpan(data));
  EXPECT_EQ(back.bits, bits);
  EXPECT_TRUE(SameColours(image, back));
}

INSTANTIATE_TEST_SUITE_P(Depths, GifRoundTrip, ::testing::Values(1, 4, 8));

TEST(Gif, InterlacedRowsComeBackInPlace) {
  const Frame f = Stripes(5, 19, true);
  const Raster out = ReadGif(AsSpan(LibraryGif(5, 19, 0, {f})));
  ASSERT_EQ(out.height, 19);
  EXPECT_EQ(out.bits, 4);
  for (int y = 0; y < 19; ++y) EXPECT_EQ(out.IndexAt(2, y), y % 4) << "row " << y;
}

TEST(Gif, AFrameLiesOnTheBackgroundAndTransparentPixelsKeepIt) {
  Frame f;
  f.left = 2;
  f.top = 1;
  f.width = 2;
  f.height = 1;
  f.transparent = 3;
  f.pixels = {1, 3};
  const Raster out = ReadGif(AsSpan(LibraryGif(6, 3, 2, {f})));
  ASSERT_EQ(out.width, 6);
  ASSERT_EQ(out.height, 3);
  EXPECT_EQ(out.ColorAt(0, 0), (Rgb{0, 255, 0}));  // background
  EXPECT_EQ(out.ColorAt(2, 1), (Rgb{255, 0, 0}));
  EXPECT_EQ(out.ColorAt(3, 1), (Rgb{0, 255, 0}));  // transparent
}

TEST(Gif, AFrameReachingPastTheScreenGrowsIt) {
  Frame f = Stripes(8, 4);
  f.left = 3;
  const Raster out = ReadGif(AsSpan(LibraryGif(4, 2, 0, {f})));
  EXPECT_EQ(out.width, 11);
  EXPECT_EQ(out.height, 4);
  EXPECT_EQ(out.IndexAt(10, 3), 3);
}

TEST(Gif, LaterImagesAreCountedAndReadByNumber) {
  Frame second = Stripes(4, 4);
  for (auto& p : second.pixels) p = 3;
  const auto data = LibraryGif(4, 4, 0, {Stripes(4, 4), second, Stripes(4, 4)});
  const ImageInfo info = ReadGifInfo(AsSpan(data));
  EXPECT_EQ(info.image_count, 3);
  EXPECT_EQ(info.width, 4);
  EXPECT_EQ(info.bits, 2);
  EXPECT_EQ(info.subformat, "89a");
  EXPECT_EQ(ReadGif(AsSpan(data), 1).IndexAt(0, 0), 3);
  EXPECT_EQ(ReadGif(AsSpan(data), 0).IndexAt(0, 1), 1);
  ExpectGifError([&] { ReadGif(AsSpan(data), 3); });
}

TEST(Gif, TruncatedAndCorruptFilesRaiseTheGifError) {
  const auto whole = WriteGif(IndexedPattern(64, 64, 8));
  for (std::size_t keep : {std::size_t{0}, std::size_t{6}, std::size_t{12}, std::size_t{800},
                           whole.size() / 2, whole.size() - 10}) {
    std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(keep));
    ExpectGifError([&] { ReadGif(AsSpan(cut)); });
  }
  std::vector<std::uint8_t> no_image = LibraryGif(4, 4, 0, {});
  ExpectGifError([&] { ReadGif(AsSpan(no_image)); });
  ExpectGifError([&] { ReadGifInfo(AsSpan(no_image)); });
}

TEST(Gif, AHugeScreenIsRefusedAtOnce) {
  for (int side : {65535, 20000}) {
    auto data = LibraryGif(4, 4, 0, {Stripes(4, 4)});
    data[6] = data[8] = static_cast<std::uint8_t>(side & 0xFF);
    data[7] = data[9] = static_cast<std::uint8_t>(side >> 8);
    const auto start = std::chrono::steady_clock::now();
    ExpectGifError([&] { ReadGif(AsSpan(data)); });
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  }
}

TEST(Gif, WriterRefusesWhatItCannotStore) {
  ExpectGifError([] { WriteGif(testing::PhotoLike(4, 4)); });
  Raster empty;
  empty.bits = 8;
  ExpectGifError([&] { WriteGif(empty); });
}

}  // namespace
}  // namespace parvel
