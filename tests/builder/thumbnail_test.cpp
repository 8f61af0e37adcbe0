#include "builder/thumbnail.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <tuple>
#include <vector>

#include "imaging/PGraphic.h"
#include "imaging/raster.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

struct SizeCase {
  std::int32_t a, b, w, h;
  ThumbSize expected;
};

class CalculateDimensions : public ::testing::TestWithParam<SizeCase> {};

TEST_P(CalculateDimensions, GivesTheThumbnailSize) {
  const auto& c = GetParam();
  EXPECT_EQ(calculatedimensions(c.a, c.b, c.w, c.h), c.expected)
      << c.a << "x" << c.b << " in " << c.w << "x" << c.h;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, CalculateDimensions,
    ::testing::Values(SizeCase{1600, 1200, 100, 100, {100, 75}},
                      SizeCase{600, 900, 100, 100, {66, 100}},
                      SizeCase{80, 60, 100, 100, {80, 60}},    // strictly smaller: kept
                      SizeCase{100, 50, 100, 100, {100, 50}},  // as wide as the box: scaled
                      // Exactly the box, or as high as it: not strictly smaller, so scaled by
                      // the quotients, which give the source size back.
                      SizeCase{100, 100, 100, 100, {100, 100}},
                      SizeCase{60, 150, 150, 150, {60, 150}},
                      SizeCase{150, 149, 150, 150, {150, 149}},
                      SizeCase{149, 149, 150, 150, {149, 149}},   // strictly smaller: kept
                      SizeCase{1280, 960, 150, 150, {149, 112}},  // extended precision
                      SizeCase{320, 240, 150, 150, {149, 112}},   // the same at 1/4
                      SizeCase{200, 200, 100, 100, {100, 100}},
                      SizeCase{400, 100, 100, 100, {100, 25}}, SizeCase{50, 40, 100, 100, {50, 40}},
                      SizeCase{1, 1000, 100, 100, {1, 100}},  // a sliver keeps one pixel
                      SizeCase{0, 10, 100, 100, {0, 0}}, SizeCase{10, 10, 0, 100, {0, 0}}));

// A JPEG of the given size with a gradient, written through the image layer.
void MakeJpeg(const std::string& path, std::int32_t width, std::int32_t height) {
  TPixelGraphic image;
  image.SetSize(width, height);
  Raster& px = image.MutablePixels();
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint8_t* p = px.Row(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(x * 255 / width);
      p[1] = static_cast<std::uint8_t>(y * 255 / height);
      p[2] = 128;
    }
  }
  ASSERT_TRUE(savetojpeg(image, path, 90, false));
}

// Inserts an EXIF APP1 segment holding only an orientation tag right after SOI.
std::string WithOrientation(const std::string& jpeg, int orientation) {
  const std::string tiff = std::string("MM\0*\0\0\0\x08", 8) + std::string("\0\x01", 2) +
                           std::string("\x01\x12\0\x03\0\0\0\x01\0", 9) +
                           std::string(1, static_cast<char>(orientation)) + std::string("\0\0", 2) +
                           std::string("\0\0\0\0", 4);
  const std::string payload = std::string("Exif\0\0", 6) + tiff;
  const size_t length = payload.size() + 2;
  std::string segment = "\xFF\xE1";
  segment += static_cast<char>(length >> 8);
  segment += static_cast<char>(length & 0xFF);
  return jpeg.substr(0, 2) + segment + payload + jpeg.substr(2);
}

ThumbSize JpegSize(const std::string& path) {
  ImageFileInfo info;
  if (!ReadImageFileInfo(path, 0, &info)) return {};
  return {info.width, info.height};
}

struct ThumbCase {
  const char* name;
  std::int32_t width, height, box;
  ThumbSize expected;
};

class CreateThumbnail : public ::testing::TestWithParam<ThumbCase> {};

TEST_P(CreateThumbnail, WritesAProgressiveJpegOfTheRightSize) {
  const auto& c = GetParam();
  TempDir dir;
  MakeJpeg(dir / "source.jpg", c.width, c.height);
  ScriptedInteraction ui;
  ASSERT_TRUE(createthumbnail(ui, dir / "source.jpg", dir / "source_thb.jpg", c.box, c.box, 70));
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_EQ(ui.busy_depth(), 0);
  EXPECT_EQ(JpegSize(dir / "source_thb.jpg"), c.expected);
  const std::string bytes = ReadFile(dir / "source_thb.jpg");
  EXPECT_NE(bytes.find("\xFF\xC2"), std::string::npos) << "not progressive";
}

INSTANTIATE_TEST_SUITE_P(Sizes, CreateThumbnail,
                         ::testing::Values(ThumbCase{"eighth", 1600, 1200, 100, {100, 75}},
                                           ThumbCase{"quarter", 1280, 960, 150, {149, 112}},
                                           ThumbCase{"half_exact", 200, 200, 100, {100, 100}},
                                           ThumbCase{"full_scale", 400, 100, 100, {100, 25}},
                                           ThumbCase{"small_kept", 60, 40, 100, {60, 40}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CreateThumbnail, NonJpegSourceKeepsItsSizeInsideTheBox) {
  TempDir dir;
  TPixelGraphic gif;
  gif.SetSize(50, 40);
  gif.SetBitCountNum(8);
  gif.SaveToFile(dir / "small.gif");
  ScriptedInteraction ui;
  ASSERT_TRUE(createthumbnail(ui, dir / "small.gif", dir / "small_thb.jpg", 100, 100, 70));
  EXPECT_EQ(JpegSize(dir / "small_thb.jpg"), (ThumbSize{50, 40}));
}

TEST(CreateThumbnail, TurnsAnExifRotatedPhotoUpright) {
  TempDir dir;
  MakeJpeg(dir / "plain.jpg", 1600, 1200);
  WriteFile(dir / "portrait.jpg", WithOrientation(ReadFile(dir / "plain.jpg"), 6));
  ScriptedInteraction ui;
  ASSERT_TRUE(createthumbnail(ui, dir / "portrait.jpg", dir / "portrait_thb.jpg", 100, 100, 70));
  EXPECT_EQ(JpegSize(dir / "portrait_thb.jpg"), (ThumbSize{75, 100}));
}

// An unreadable source or an unwritable target asks whether to go on; the answer is the result
// and no thumbnail is left behind.
TEST(CreateThumbnail, FailureAsksWhetherToGoOn) {
  TempDir dir;
  WriteFile(dir / "broken.jpg", "this is not a picture");
  MakeJpeg(dir / "source.jpg", 300, 200);
  for (const auto& [source, target, answer] :
       {std::tuple{"broken.jpg", "broken_thb.jpg", Answer::Yes},
        std::tuple{"broken.jpg", "broken_thb.jpg", Answer::No},
        std::tuple{"source.jpg", "missing/x_thb.jpg", Answer::No}}) {
    SCOPED_TRACE(std::string(source) + (answer == Answer::Yes ? " yes" : " no"));
    ScriptedInteraction ui;
    ui.QueueAnswer(answer);
    EXPECT_EQ(createthumbnail(ui, dir / source, dir / target, 100, 100, 70), answer == Answer::Yes);
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].text, kThumbnailErrorQuestion);
    EXPECT_EQ(ui.messages()[0].kind, MessageKind::Warning);
    EXPECT_EQ(ui.messages()[0].buttons, Buttons::YesNo);
    EXPECT_EQ(ReadFile(dir / target), "<missing>");
    EXPECT_EQ(ui.busy_depth(), 0);
  }
}

// The estimate is the file's size and the decode's bytes; `decode` and `up_to` bound the latter.
struct EstimateCase {
  const char* what;
  std::function<void(const std::string&)> make;  // writes the file
  std::uint64_t decode, up_to;
};

TEST(EstimateThumbnailMemory, CountsTheFileAndTheDecodeFromTheHeaders) {
  const auto save = [](const char* ext, bool progressive, int orientation) {
    return [=](const std::string& path) {
      TPixelGraphic image;
      image.SetSize(ext[0] == 'j' ? 1600 : 1000, ext[0] == 'j' ? 1200 : 800);
      image.Canvas().BrushColor = Rgb{10, 120, 200};
      image.Canvas().FillRect({0, 0, 600, 500});
      if (ext[0] == 'j') {
        ASSERT_TRUE(savetojpeg(image, path, 90, progressive));
        if (orientation != 1) WriteFile(path, WithOrientation(ReadFile(path), orientation));
      } else {
        // Noise, so that the pixels before a TIFF's trailing directory fill more than 256 KiB.
        std::uint32_t state = 1;
        for (std::uint8_t& byte : image.MutablePixels().pixels) {
          state = state * 1664525u + 1013904223u;
          byte = static_cast<std::uint8_t>(state >> 24);
        }
        image.SaveToFile(path);
      }
    };
  };
  constexpr std::uint64_t kUnknown = kMaxImagePixels * std::uint64_t{4};
  const std::vector<EstimateCase> cases = {
      // 1/8 scale: 200 x 150, three bytes a pixel.
      {"baseline.jpg", save("jpg", false, 1), 90'000, 90'000},
      // Turned upright: the scale is chosen on 1200 x 1600 and the decode is copied once.
      {"turned.jpg", save("jpg", false, 6), 180'000, 180'000},
      // Every coefficient kept: 1.5 a pixel at 4:2:0, two bytes each, and a little padding.
      {"progressive.jpg", save("jpg", true, 1), 90'000 + 5'760'000, 90'000 + 6'048'000},
      {"photo.png", save("png", false, 1), 3'200'000, 3'200'000},
      // Uncompressed, its directory after the pixels: the headers are found in the whole file.
      {"photo.tif", save("tif", false, 1), 3'200'000, 3'200'000},
      {"damaged.png", [](const std::string& p) { WriteFile(p, "\x89PNG\r\n\x1A\n garbage"); },
       kUnknown, kUnknown},
  };
  TempDir dir;
  for (const EstimateCase& c : cases) {
    const std::string path = dir / c.what;
    c.make(path);
    const std::uint64_t size = ReadFile(path).size();
    const std::uint64_t got = EstimateThumbnailMemory(path, 100, 100);
    EXPECT_GE(got, size + c.decode) << c.what;
    EXPECT_LE(got, size + c.up_to) << c.what;
  }
  // The case above reaches the fallback only when the TIFF's first directory lies past 256 KiB.
  const std::string tiff = ReadFile(dir / "photo.tif");
  ASSERT_GE(tiff.size(), 8u);
  std::uint32_t directory = 0;
  for (int k = 0; k < 4; ++k) {
    const int at = tiff[0] == 'I' ? 7 - k : 4 + k;
    directory = directory << 8 | static_cast<std::uint8_t>(tiff[static_cast<std::size_t>(at)]);
  }
  EXPECT_GT(directory, 256u * 1024);
  EXPECT_EQ(EstimateThumbnailMemory(dir / "missing.png", 100, 100), 0u);
}

}  // namespace
}  // namespace parvel
