// HEIC, AVIF and WebP photographs come out of the registry upright in the orientations the adding
// tests do not reach, with their headers' size agreeing; damaged ones are refused with the
// format's error.
#include <gtest/gtest.h>

#include <string>
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

struct PhotoCase {
  const char* name;
  const char* file;  // the extension does not decide: the content does
  int orientation;
  Bytes (*make)(const Raster&, int);
  const char* description;
};

Bytes Heic(const Raster& r, int o) {
  return testing::EncodeHeif(r, heif_compression_HEVC, o);
}
Bytes Avif(const Raster& r, int o) {
  return testing::EncodeHeif(r, heif_compression_AV1, o);
}
Bytes Webp(const Raster& r, int o) {
  return testing::EncodeWebp(r, o);
}
Bytes WebpExifHeaderMM(const Raster& r, int o) {
  return testing::EncodeWebp(r, o, true, true);
}

const PhotoCase kPhotoCases[] = {
    {"HeicMirroredTransposed", "a.heif", 5, Heic, "High Efficiency Image File"},
    {"AvifTurnedBack", "a.dat", 8, Avif, "High Efficiency Image File"},
    {"WebpExifWithHeaderBigEndian", "a.bin", 8, WebpExifHeaderMM, "WebP"},
    {"WebpMirrored", "a.webp", 2, Webp, "WebP"},
};

class Photo : public ::testing::TestWithParam<PhotoCase> {};

TEST_P(Photo, ReadsUprightWithItsSize) {
  const PhotoCase& c = GetParam();
  const Raster original = testing::PhotoLike(48, 32);
  Raster upright = original;
  ApplyOrientation(upright, c.orientation);
  testing::TempDir dir;
  const std::string path = dir / c.file;
  testing::WriteFile(path, testing::AsString(c.make(original, c.orientation)));

  ImageFileInfo info;
  ASSERT_TRUE(ReadImageFileInfo(path, 0, &info));
  EXPECT_EQ(info.width, upright.width);
  EXPECT_EQ(info.height, upright.height);
  EXPECT_EQ(info.description, c.description);

  TPixelGraphic image;
  image.LoadFromFile(path);
  ASSERT_EQ(image.Width(), upright.width);
  ASSERT_EQ(image.Height(), upright.height);
  EXPECT_EQ(image.BitCountNum(), 24);
  // Lossy, but close to the upright original and far from the stored one.
  EXPECT_GT(testing::Psnr(upright, image.Pixels()), 28.0);
  if (c.orientation != 1 && original.width == image.Width()) {
    EXPECT_LT(testing::Psnr(original, image.Pixels()), 20.0);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, Photo, ::testing::ValuesIn(kPhotoCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DamagedPhoto, IsRefusedWithTheFormatsError) {
  Bytes heic = Heic(testing::PhotoLike(16, 16), 1);
  Bytes webp = Webp(testing::PhotoLike(16, 16), 1);
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
