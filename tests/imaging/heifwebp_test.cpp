// HEIC, AVIF and WebP photographs come out of the registry upright in the orientations the adding
// tests do not reach, with their headers' size agreeing; damaged ones are refused with the
// format's error.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "imaging/PGraphic.h"
#include "imaging/exif.h"
#include "imaging/testimages.h"
#include "support/photo_encoders.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A HEIF file of this compression, or a WebP file (compression 0) whose EXIF chunk may have its
// own header and big-endian byte order.
Bytes Encode(const Raster& r, int orientation, int heif, bool exif_header = false) {
  if (heif != 0) return testing::EncodeHeif(r, heif_compression_format(heif), orientation);
  return testing::EncodeWebp(r, orientation, exif_header, exif_header);
}

struct PhotoCase {
  const char* file;  // the extension does not decide: the content does
  int orientation;
  int heif;
  bool exif_header;
  const char* description;
};

const PhotoCase kPhotoCases[] = {
    {"a.heif", 5, heif_compression_HEVC, false, "High Efficiency Image File"},  // mirrored, turned
    {"a.dat", 8, heif_compression_AV1, false, "High Efficiency Image File"},
    {"a.bin", 8, 0, true, "WebP"},
    {"a.webp", 2, 0, false, "WebP"},
};

class Photo : public ::testing::TestWithParam<PhotoCase> {};

TEST_P(Photo, ReadsUprightWithItsSize) {
  const PhotoCase& c = GetParam();
  SCOPED_TRACE(c.file);
  const Raster original = testing::PhotoLike(48, 32);
  Raster upright = original;
  ApplyOrientation(upright, c.orientation);
  testing::TempDir dir;
  const std::string path = dir / c.file;
  testing::WriteFile(path,
                     testing::AsString(Encode(original, c.orientation, c.heif, c.exif_header)));

  ImageFileInfo info;
  ASSERT_TRUE(ReadImageFileInfo(path, 0, &info));
  EXPECT_EQ(std::tuple(info.width, info.height, info.description),
            std::tuple(upright.width, upright.height, std::string(c.description)));

  TPixelGraphic image;
  image.LoadFromFile(path);
  ASSERT_EQ(std::tuple(image.Width(), image.Height(), image.BitCountNum()),
            std::tuple(upright.width, upright.height, 24));
  // Lossy, but close to the upright original and far from the stored one.
  EXPECT_GT(testing::Psnr(upright, image.Pixels()), 28.0);
  if (c.orientation != 1 && original.width == image.Width()) {
    EXPECT_LT(testing::Psnr(original, image.Pixels()), 20.0);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, Photo, ::testing::ValuesIn(kPhotoCases));

TEST(DamagedPhoto, IsRefusedWithTheFormatsError) {
  const Bytes heic = Encode(testing::PhotoLike(16, 16), 1, heif_compression_HEVC);
  const Bytes webp = Encode(testing::PhotoLike(16, 16), 1, 0);
  const std::pair<Bytes, const char*> cases[] = {
      {Bytes(heic.begin(), heic.begin() + heic.size() / 2), "HEIF: "},
      {Bytes(heic.begin(), heic.begin() + 24), "HEIF: "},  // the brand and nothing more
      {Bytes(webp.begin(), webp.end() - 10), "WebP: "},
      {Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'E', 'B', 'P'}, "WebP: "},
  };
  testing::TempDir dir;
  for (const auto& [bytes, prefix] : cases) {
    testing::WriteFile(dir / "damaged.img", testing::AsString(bytes));
    TPixelGraphic image;
    try {
      image.LoadFromFile(dir / "damaged.img");
      ADD_FAILURE() << "read a damaged " << prefix << "file";
    } catch (const EPixelGraphic& e) {
      EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << e.what();
    }
  }
}

}  // namespace
}  // namespace parvel
