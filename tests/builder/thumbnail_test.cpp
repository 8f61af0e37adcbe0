#include "builder/thumbnail.h"

#include <gtest/gtest.h>

#include <string>

#include "imaging/PGraphic.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(CalculateDimensions, GivesTheThumbnailSize) {
  const struct {
    std::int32_t a, b, w, h;
    ThumbSize expected;
  } cases[] = {{1600, 1200, 100, 100, {100, 75}}, {600, 900, 100, 100, {66, 100}},
               {80, 60, 100, 100, {80, 60}},    // strictly smaller: kept
               {100, 50, 100, 100, {100, 50}},  // as wide as the box: scaled, which gives it back
               {60, 150, 150, 150, {60, 150}},  // as high as the box: the same
               {100, 100, 100, 100, {100, 100}},  {149, 149, 150, 150, {149, 149}},
               {1280, 960, 150, 150, {149, 112}},  // the 80-bit quotient; a double gives 150
               {320, 240, 150, 150, {149, 112}},  {400, 100, 100, 100, {100, 25}},
               {1, 1000, 100, 100, {1, 100}},  // a sliver keeps one pixel
               {0, 10, 100, 100, {0, 0}},         {10, 10, 0, 100, {0, 0}}};
  for (const auto& c : cases) {
    EXPECT_EQ(calculatedimensions(c.a, c.b, c.w, c.h), c.expected)
        << c.a << "x" << c.b << " in " << c.w << "x" << c.h;
  }
}

// A JPEG source with an EXIF orientation tag (0 for none) right after SOI.
std::string Jpeg(std::int32_t width, std::int32_t height, int orientation) {
  TempDir dir;
  TPixelGraphic image;
  image.SetSize(width, height);
  EXPECT_TRUE(savetojpeg(image, dir / "a.jpg", 90, false));
  const std::string jpeg = ReadFile(dir / "a.jpg");
  if (orientation == 0) return jpeg;
  const std::string payload =
      std::string("Exif\0\0MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0", 25) +
      char(orientation) + std::string(6, '\0');
  return jpeg.substr(0, 2) + "\xFF\xE1" + char(0) + char(payload.size() + 2) + payload +
         jpeg.substr(2);
}

// The decoder's scale, the size rule and the EXIF turn together give a progressive thumbnail.
TEST(CreateThumbnail, WritesAProgressiveJpegOfTheRightSize) {
  const struct {
    std::int32_t width, height, box, orientation;
    ThumbSize expected;
  } cases[] = {{1600, 1200, 100, 0, {100, 75}},
               {1280, 960, 150, 0, {149, 112}},
               {1600, 1200, 100, 6, {75, 100}}};
  for (const auto& c : cases) {
    TempDir dir;
    WriteFile(dir / "s.jpg", Jpeg(c.width, c.height, c.orientation));
    ScriptedInteraction ui;
    ASSERT_TRUE(createthumbnail(ui, dir / "s.jpg", dir / "s_thb.jpg", c.box, c.box, 70));
    ImageFileInfo info;
    ASSERT_TRUE(ReadImageFileInfo(dir / "s_thb.jpg", 0, &info));
    EXPECT_EQ((ThumbSize{info.width, info.height}), c.expected) << c.width;
    EXPECT_NE(ReadFile(dir / "s_thb.jpg").find("\xFF\xC2"), std::string::npos) << "progressive";
    EXPECT_EQ(ui.busy_depth(), 0);
  }
}

}  // namespace
}  // namespace parvel
