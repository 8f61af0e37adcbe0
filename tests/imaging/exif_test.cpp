// The EXIF orientation: read from JPEG files, applied at every depth, and honoured by the HEIC,
// AVIF and WebP readers in the orientations the adding tests do not reach.
#include "imaging/exif.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "imaging/convert.h"
#include "imaging/formats/jpeg.h"
#include "imaging/pixelgraphic.h"
#include "imaging/testimages.h"
#include "support/photo_encoders.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& b, std::uint32_t v, int size, bool big) {
  for (int i = 0; i < size; ++i)
    b.push_back(static_cast<std::uint8_t>(v >> 8 * (big ? size - 1 - i : i)));
}

// A real JPEG with an EXIF APP1 segment after its APP0, whose first IFD holds the orientation.
Bytes JpegWithOrientation(unsigned orientation, bool big) {
  Bytes exif = {0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0};
  exif.insert(exif.end(), 2, big ? 'M' : 'I');
  // The TIFF mark, the first IFD at 8 with one entry (tag, SHORT, count 1, the value), no next.
  const std::pair<std::uint32_t, int> fields[] = {
      {42, 2}, {8, 4}, {1, 2}, {0x0112, 2}, {3, 2}, {1, 4}, {orientation, 2}, {0, 2}, {0, 4}};
  for (const auto& [value, size] : fields) Put(exif, value, size, big);
  Bytes jpeg = WriteJpeg(testing::PhotoLike(8, 4), 80, false);
  jpeg.insert(jpeg.begin() + 4 + ((jpeg[4] << 8) | jpeg[5]), exif.begin(), exif.end());
  return jpeg;
}

TEST(ReadJpegOrientation, EveryValueInBothByteOrdersAndEveryTruncationSafe) {
  for (unsigned value = 1; value <= 8; ++value) {
    for (bool big : {true, false}) {
      SCOPED_TRACE(std::to_string(value) + (big ? " big-endian" : " little-endian"));
      const Bytes jpeg = JpegWithOrientation(value, big);
      ASSERT_EQ(ReadJpegInfo(jpeg).width, 8);  // still a valid JPEG file
      EXPECT_EQ(ReadJpegOrientation(jpeg), static_cast<int>(value));
    }
  }
  const Bytes valid = JpegWithOrientation(3, false);
  for (std::size_t keep = 0; keep <= valid.size(); ++keep) {
    const int orientation = ReadJpegOrientation(Bytes(valid.begin(), valid.begin() + keep));
    EXPECT_TRUE(orientation == 1 || orientation == 3) << keep;
  }
}

// The letters ABC over DEF, each one distinct colour whose red is the letter's number; at 8 and
// 4 bits the same colours through a palette.
Raster Letters(int bits) {
  Raster r;
  r.Allocate(3, 2, 24);
  for (int i = 0; i < 6; ++i)
    r.pixels[3 * i] = i, r.pixels[3 * i + 1] = 100 + i, r.pixels[3 * i + 2] = 200 + i;
  return bits == 24 ? r : ToIndexed(r, bits);
}

TEST(ApplyOrientation, TurnsTheImageUprightAtEveryDepth) {
  const std::pair<int, std::vector<std::string>> cases[] = {
      {1, {"ABC", "DEF"}},     {2, {"CBA", "FED"}},     {3, {"FED", "CBA"}},
      {4, {"DEF", "ABC"}},     {5, {"AD", "BE", "CF"}}, {6, {"DA", "EB", "FC"}},
      {7, {"FC", "EB", "DA"}}, {8, {"CF", "BE", "AD"}}, {0, {"ABC", "DEF"}},
      {9, {"ABC", "DEF"}},     {-1, {"ABC", "DEF"}}};
  for (const auto& [orientation, upright] : cases) {
    for (int bits : {24, 8, 4}) {
      SCOPED_TRACE(std::to_string(orientation) + " at " + std::to_string(bits) + " bits");
      Raster image = Letters(bits);
      const std::vector<Rgb> palette = image.palette;
      ApplyOrientation(image, orientation);
      std::vector<std::string> rows;
      for (int y = 0; y < image.height; ++y) {
        rows.emplace_back();
        for (int x = 0; x < image.width; ++x) rows.back() += char('A' + image.ColorAt(x, y).r);
      }
      EXPECT_EQ(rows, upright);
      EXPECT_EQ(OrientationSwapsSides(orientation), image.width != 3);
      EXPECT_EQ(std::pair(image.bits, image.palette), std::pair(bits, palette));
    }
  }
}

// A HEIF file of this compression, or a WebP file (heif 0) whose EXIF chunk may have its own
// header and big-endian byte order. The extension does not decide: the content does.
TEST(Photo, ReadsUprightWithItsSize) {
  const struct {
    const char* file;
    int orientation, heif;
    bool exif_header;
    const char* description;
  } cases[] = {
      // Orientation 5: mirrored and turned.
      {"a.heif", 5, heif_compression_HEVC, false, "High Efficiency Image File"},
      {"a.dat", 8, heif_compression_AV1, false, "High Efficiency Image File"},
      {"a.bin", 8, 0, true, "WebP"},
      {"a.webp", 2, 0, false, "WebP"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const Raster original = testing::PhotoLike(48, 32);
    Raster upright = original;
    ApplyOrientation(upright, c.orientation);
    testing::TempDir dir;
    const std::string path = dir / c.file;
    const Bytes file =
        c.heif != 0 ? testing::EncodeHeif(original, heif_compression_format(c.heif), c.orientation)
                    : testing::EncodeWebp(original, c.orientation, c.exif_header, c.exif_header);
    testing::WriteFile(path, std::string(file.begin(), file.end()));

    ImageFileInfo info;
    ASSERT_TRUE(ReadImageFileInfo(path, 0, &info));
    EXPECT_EQ(std::tuple(info.width, info.height, info.description),
              std::tuple(upright.width, upright.height, std::string(c.description)));

    PixelGraphic image;
    image.LoadFromFile(path);
    ASSERT_EQ(std::tuple(image.Width(), image.Height(), image.BitCountNum()),
              std::tuple(upright.width, upright.height, 24));
    // Lossy, but close to the upright original and far from the stored one.
    EXPECT_GT(testing::Psnr(upright, image.Pixels()), 28.0);
    if (c.orientation != 1 && original.width == image.Width()) {
      EXPECT_LT(testing::Psnr(original, image.Pixels()), 20.0);
    }
  }
}

}  // namespace
}  // namespace parvel
