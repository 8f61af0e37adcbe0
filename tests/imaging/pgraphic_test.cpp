#include "imaging/PGraphic.h"

#include <gtest/gtest.h>

#include <thread>

#include "imaging/convert.h"
#include "imaging/formats/jpeg.h"
#include "imaging/formats/png.h"
#include "imaging/testimages.h"
#include "support/faulty_filesystem.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::AsSpan;
using testing::AsString;
using testing::IndexedPattern;
using testing::PhotoLike;
using testing::Psnr;
using testing::SameColours;
using testing::Solid;
using testing::TempDir;

std::string JpegFile(const TempDir& dir, const std::string& name, std::int32_t w, std::int32_t h) {
  const std::string path = dir / name;
  testing::WriteFile(path, AsString(WriteJpeg(PhotoLike(w, h), 90, false)));
  return path;
}

// The JPEG with an EXIF block (orientation only) right after its start marker.
std::string WithOrientation(const std::string& jpeg, int orientation) {
  const std::string tiff = std::string("II*\0\x08\0\0\0", 8) + std::string("\x01\0", 2) +
                           std::string("\x12\x01\x03\0\x01\0\0\0", 8) +
                           std::string(1, static_cast<char>(orientation)) +
                           std::string("\0\0\0\0\0\0", 6);
  const std::string body = std::string("Exif\0\0", 6) + tiff;
  const std::size_t length = body.size() + 2;
  const std::string segment = std::string("\xFF\xE1", 2) + static_cast<char>(length >> 8) +
                              static_cast<char>(length & 0xFF) + body;
  return jpeg.substr(0, 2) + segment + jpeg.substr(2);
}

TEST(PixelGraphic, ANewImageHasTheDocumentedDefaults) {
  TPixelGraphic image;
  EXPECT_EQ(image.Width(), 0);
  EXPECT_EQ(image.Height(), 0);
  EXPECT_EQ(image.BitCountNum(), 24);
  EXPECT_EQ(image.StretchMode(), smPrecise);
  EXPECT_FALSE(image.FastJPEGDecode());
  EXPECT_EQ(image.ColorResolutionPrompt(), 2);
}

class InvalidBitCount : public ::testing::TestWithParam<int> {};

TEST_P(InvalidBitCount, IsRefusedWithItsMessage) {
  TPixelGraphic image;
  try {
    image.SetBitCountNum(GetParam());
    ADD_FAILURE() << "accepted " << GetParam();
  } catch (const EPGInvalidBitCountNum& e) {
    EXPECT_STREQ(e.what(), "Invalid value for BitCountNum");
  }
  EXPECT_EQ(image.BitCountNum(), 24);
}

INSTANTIATE_TEST_SUITE_P(Values, InvalidBitCount, ::testing::Values(-1, 0, 2, 3, 16, 32));

TEST(PixelGraphic, ChangingTheDepthConvertsThePixels) {
  TPixelGraphic image;
  image.SetPixels(IndexedPattern(9, 7, 4));
  const Raster before = image.Pixels();
  image.SetBitCountNum(24);
  EXPECT_TRUE(SameColours(before, image.Pixels()));
  image.SetBitCountNum(8);
  EXPECT_EQ(image.BitCountNum(), 8);
  EXPECT_TRUE(SameColours(before, image.Pixels()));
  TPixelGraphic empty;
  empty.SetBitCountNum(1);
  EXPECT_EQ(empty.Pixels().palette, DefaultPalette(1));
}

TEST(PixelGraphic, ResizingKeepsThePixelsThatStayInside) {
  TPixelGraphic image;
  image.SetPixels(PhotoLike(10, 10));
  const Raster before = image.Pixels();
  image.SetWidth(6);
  image.SetHeight(12);
  EXPECT_EQ(image.Width(), 6);
  EXPECT_EQ(image.Height(), 12);
  EXPECT_EQ(image.Pixels().ColorAt(5, 9), before.ColorAt(5, 9));
  EXPECT_EQ(image.Pixels().ColorAt(5, 11), (Rgb{0, 0, 0}));
  EXPECT_THROW(image.SetWidth(-1), EPixelGraphic);
  EXPECT_THROW(image.SetSize(100000, 100000), EPixelGraphic);
  EXPECT_THROW(image.SetColorResolutionPrompt(4), EPixelGraphic);
}

TEST(PixelGraphic, AssignCopiesSizeDepthPaletteAndPixels) {
  TPixelGraphic a, b;
  a.SetPixels(IndexedPattern(5, 3, 8));
  a.SetStretchMode(smFast);
  b.Assign(a);
  EXPECT_EQ(b.Pixels().pixels, a.Pixels().pixels);
  EXPECT_EQ(b.Pixels().palette, a.Pixels().palette);
  EXPECT_EQ(b.BitCountNum(), 8);
  EXPECT_EQ(b.StretchMode(), smPrecise);
}

TEST(PixelGraphic, LoadingAMissingFileRaises) {
  TempDir dir;
  TPixelGraphic image;
  EXPECT_THROW(image.LoadFromFile(dir / "absent.png"), EPixelGraphic);
  EXPECT_THROW(image.LoadFromFile(dir.path()), EPixelGraphic);
}

TEST(PixelGraphic, FastJpegDecodeChoosesTheDct) {
  TempDir dir;
  const std::string path = JpegFile(dir, "photo.jpg", 64, 48);
  const std::string data = testing::ReadFile(path);
  for (bool fast : {false, true}) {
    TPixelGraphic image;
    image.SetFastJPEGDecode(fast);
    image.LoadFromFile(path);
    EXPECT_EQ(image.Pixels().pixels, ReadJpeg(AsSpan(data), {fast, 1}).pixels);
  }
}

TEST(PixelGraphic, SavingToAnUnknownExtensionRaises) {
  TempDir dir;
  TPixelGraphic image;
  image.SetPixels(PhotoLike(4, 4));
  try {
    image.SaveToFile(dir / "picture.xyz");
    ADD_FAILURE() << "saved";
  } catch (const EPGUnknownExtension& e) {
    EXPECT_STREQ(e.what(), "Unknown file extension \"xyz\"");
  }
  EXPECT_THROW(image.SaveToFile(dir / "picture"), EPGUnknownExtension);
}

// The prompt table: what a 24-bit image saved as GIF does under each setting.
struct PromptCase {
  int prompt;
  bool with_ui;
  std::optional<Answer> answer;
  bool saved;
  bool box_shown;
  Buttons buttons;
};

class ColorResolutionPromptCase : public ::testing::TestWithParam<PromptCase> {};

TEST_P(ColorResolutionPromptCase, GovernsTheConversion) {
  const PromptCase c = GetParam();
  TempDir dir;
  ScriptedInteraction ui;
  if (c.answer) ui.QueueAnswer(*c.answer);
  TPixelGraphic image;
  image.SetPixels(PhotoLike(12, 12));
  image.SetColorResolutionPrompt(c.prompt);
  const std::string path = dir / "picture.gif";
  try {
    image.SaveToFile(path, c.with_ui ? &ui : nullptr);
    EXPECT_TRUE(c.saved);
  } catch (const EPGCannotWriteColorRes& e) {
    EXPECT_FALSE(c.saved);
    EXPECT_STREQ(e.what(),
                 "The graphic cannot be saved with to a GIF-Format file with the current color "
                 "resolution (16.7 million colors)");
  }
  EXPECT_EQ(FileExists(path), c.saved);
  ASSERT_EQ(ui.messages().size(), c.box_shown ? 1u : 0u);
  if (c.box_shown) {
    EXPECT_EQ(ui.messages()[0].kind, MessageKind::Warning);
    EXPECT_EQ(ui.messages()[0].buttons, c.buttons);
    EXPECT_EQ(ui.messages()[0].text,
              "The graphic cannot be saved to a GIF-Format file with the current color resolution "
              "(16.7 million colors).\n\nThe graphic will be saved with a different color "
              "resolution (256 colors).");
  }
  EXPECT_TRUE(ui.unexpected().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ColorResolutionPromptCase,
    ::testing::Values(PromptCase{0, true, std::nullopt, true, false, Buttons::Ok},
                      PromptCase{1, true, std::nullopt, true, true, Buttons::Ok},
                      PromptCase{2, true, Answer::Ok, true, true, Buttons::OkCancel},
                      PromptCase{2, true, Answer::Cancel, false, true, Buttons::OkCancel},
                      PromptCase{3, true, std::nullopt, false, false, Buttons::Ok},
                      PromptCase{2, false, std::nullopt, true, false, Buttons::Ok},
                      PromptCase{1, false, std::nullopt, true, false, Buttons::Ok}));

TEST(PixelGraphic, TwentyFourBitsSaveAsGifSilentlyWithExactColoursWhenFew) {
  TempDir dir;
  Raster picture = Solid(10, 10, {255, 255, 255});
  for (std::int32_t x = 0; x < 10; ++x) {
    std::uint8_t* p = picture.Row(4) + 3 * x;
    p[0] = 200;
    p[1] = 17;
    p[2] = 3;
  }
  TPixelGraphic image;
  image.SetPixels(picture);
  image.SetColorResolutionPrompt(0);
  image.SaveToFile(dir / "button.gif");
  TPixelGraphic back;
  back.LoadFromFile(dir / "button.gif");
  EXPECT_NE(back.BitCountNum(), 24);
  EXPECT_TRUE(SameColours(picture, back.Pixels()));
}

class IndexedToJpeg : public ::testing::TestWithParam<int> {};

TEST_P(IndexedToJpeg, SavesWithoutAnyPrompt) {
  TempDir dir;
  // Blocks of one palette entry each, which JPEG keeps well.
  Raster blocks = IndexedPattern(32, 32, GetParam());
  for (std::int32_t y = 0; y < 32; ++y) {
    for (std::int32_t x = 0; x < 32; ++x) {
      SetIndexAt(blocks, x, y, (x / 8 + y / 8) % static_cast<int>(blocks.palette.size()));
    }
  }
  TPixelGraphic image;
  image.SetPixels(blocks);
  ASSERT_EQ(image.ColorResolutionPrompt(), 2);
  ASSERT_TRUE(savetojpeg(image, dir / "thumb.jpg", 95, false));
  EXPECT_EQ(image.ColorResolutionPrompt(), 0);
  EXPECT_EQ(image.BitCountNum(), GetParam());
  TPixelGraphic back;
  back.LoadFromFile(dir / "thumb.jpg");
  EXPECT_EQ(back.BitCountNum(), 24);
  EXPECT_GT(Psnr(ToBits24(image.Pixels()), back.Pixels()), 25.0);
}

INSTANTIATE_TEST_SUITE_P(Depths, IndexedToJpeg, ::testing::Values(1, 4, 8));

TEST(SaveToJpeg, ReportsFailureInsteadOfRaising) {
  TempDir dir;
  TPixelGraphic image;
  image.SetPixels(PhotoLike(8, 8));
  EXPECT_FALSE(savetojpeg(image, dir / "no/such/folder/thumb.jpg", 80, true));
  FaultyFileSystem faulty(RealFileSystem());
  faulty.FailAll();
  {
    ScopedFileSystem swap(faulty);
    EXPECT_FALSE(savetojpeg(image, dir / "thumb.jpg", 80, true));
  }
  EXPECT_FALSE(FileExists(dir / "thumb.jpg"));
  TPixelGraphic empty;
  EXPECT_FALSE(savetojpeg(empty, dir / "empty.jpg", 80, true));
}

TEST(SaveToJpeg, SetsTheProcessWideSettingsThatOtherSavesUse) {
  TempDir dir;
  TPixelGraphic image;
  image.SetPixels(PhotoLike(40, 30));
  ASSERT_TRUE(savetojpeg(image, dir / "a.jpg", 33, true));
  EXPECT_EQ(JPEGSaveQuality.load(), 33);
  EXPECT_TRUE(JPEGSaveProgressive.load());
  EXPECT_EQ(testing::ReadFile(dir / "a.jpg"), AsString(WriteJpeg(image.Pixels(), 33, true)));
  // A save that does not go through savetojpeg takes what the settings hold now.
  image.SaveToFile(dir / "b.jpg");
  EXPECT_EQ(testing::ReadFile(dir / "b.jpg"), AsString(WriteJpeg(image.Pixels(), 33, true)));
  ASSERT_TRUE(savetojpeg(image, dir / "c.jpg", 250, false));
  EXPECT_EQ(JPEGSaveQuality.load(), 100);
  JPEGSaveQuality = 80;
  JPEGSaveProgressive = false;
}

TEST(SaveToJpeg, SavesOnTwoThreadsKeepTheirOwnSettings) {
  TempDir dir;
  struct Job {
    int quality;
    bool progressive;
    std::string path;
    TPixelGraphic image;
    std::string expected;
    int mismatches = 0;
  };
  Job jobs[2];
  jobs[0].quality = 20;
  jobs[0].progressive = false;
  jobs[1].quality = 95;
  jobs[1].progressive = true;
  for (int i = 0; i < 2; ++i) {
    jobs[i].path = dir / ("thread" + std::to_string(i) + ".jpg");
    jobs[i].image.SetPixels(PhotoLike(48, 32));
    jobs[i].expected =
        AsString(WriteJpeg(jobs[i].image.Pixels(), jobs[i].quality, jobs[i].progressive));
  }
  auto run = [](Job* job) {
    for (int n = 0; n < 40; ++n) {
      if (!savetojpeg(job->image, job->path, job->quality, job->progressive) ||
          testing::ReadFile(job->path) != job->expected) {
        ++job->mismatches;
      }
    }
  };
  std::thread a(run, &jobs[0]), b(run, &jobs[1]);
  a.join();
  b.join();
  EXPECT_EQ(jobs[0].mismatches, 0);
  EXPECT_EQ(jobs[1].mismatches, 0);
  JPEGSaveQuality = 80;
  JPEGSaveProgressive = false;
}

struct ScaleChoice {
  int width, height, box_width, box_height, scale;
};

class JpegScaleChoice : public ::testing::TestWithParam<ScaleChoice> {};

TEST_P(JpegScaleChoice, TakesTheSmallerFactorOfTheTwoSides) {
  const ScaleChoice c = GetParam();
  EXPECT_EQ(ChooseJPEGScale(c.width, c.height, c.box_width, c.box_height), c.scale);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JpegScaleChoice,
    ::testing::Values(ScaleChoice{1600, 1200, 100, 75, 8}, ScaleChoice{800, 600, 100, 75, 8},
                      ScaleChoice{1000, 1000, 250, 250, 4}, ScaleChoice{800, 600, 600, 400, 1},
                      ScaleChoice{4000, 500, 120, 120, 4}, ScaleChoice{1600, 1200, 100, 100, 8},
                      ScaleChoice{1280, 960, 150, 150, 4}, ScaleChoice{200, 200, 100, 100, 2},
                      ScaleChoice{400, 100, 100, 100, 1}, ScaleChoice{1000, 1000, 251, 251, 2},
                      ScaleChoice{1000, 1000, 126, 126, 4}, ScaleChoice{1000, 1000, 125, 125, 8},
                      ScaleChoice{1000, 1000, 501, 501, 1}));

TEST(IsJpegFileName, KnowsTheThreeExtensionsInAnyCase) {
  const std::pair<const char*, bool> cases[] = {
      {"a.jpg", true},      {"B.JPG", true},         {"c.jpeg", true}, {"d.JpE", true},
      {"dir/e.jpe", true},  {"f.jif", false},        {"g.gif", false}, {"jpg", false},
      {"h.jpg.png", false}, {"dir.jpg/file", false}, {"", false}};
  for (const auto& [path, want] : cases) EXPECT_EQ(IsJPEGFileName(path), want) << path;
}

TEST(LoadJpegScaled, DecodesStraightAtTheReducedScale) {
  TempDir dir;
  const std::string path = JpegFile(dir, "big.jpg", 1600, 1200);
  TPixelGraphic target;
  LoadJPEGScaled(path, 100, 75, target);
  EXPECT_EQ(target.Width(), 200);
  EXPECT_EQ(target.Height(), 150);
  EXPECT_EQ(target.BitCountNum(), 24);
  EXPECT_EQ(target.StretchMode(), smMedium);
  EXPECT_EQ(target.Pixels().pixels, ReadJpeg(AsSpan(testing::ReadFile(path)), {true, 8}).pixels);

  TPixelGraphic grid;  // the grid's form keeps the target's mode
  grid.SetStretchMode(smFast);
  grid.SetPixels(IndexedPattern(3, 3, 8));
  LoadJPEGScaled(path, 600, 400, grid, false);
  EXPECT_EQ(grid.StretchMode(), smFast);
  EXPECT_EQ(grid.BitCountNum(), 24);
  EXPECT_EQ(grid.Width(), 800);
  EXPECT_EQ(grid.Height(), 600);
}

TEST(LoadJpegScaled, DecodesIntoTheTargetsOwnPixelStore) {
  TempDir dir;
  TJPEGImage jpeg;
  jpeg.LoadFromFile(JpegFile(dir, "big.jpg", 800, 600));
  jpeg.SetDecodeScale(4);
  TPixelGraphic target;
  target.SetSize(jpeg.Width(), jpeg.Height());
  const std::uint8_t* store = target.Pixels().pixels.data();
  target.Canvas().StretchDraw({0, 0, target.Width(), target.Height()}, jpeg);
  EXPECT_EQ(target.Pixels().pixels.data(), store);  // no decoded copy was moved in
  EXPECT_EQ(target.Pixels().pixels, jpeg.Decode().pixels);
}

TEST(LoadJpegScaled, ATurnedPhotographComesUpright) {
  TempDir dir;
  const std::string path = dir / "turned.jpg";
  testing::WriteFile(path, WithOrientation(AsString(WriteJpeg(PhotoLike(160, 80), 90, false)), 6));
  TPixelGraphic target;
  LoadJPEGScaled(path, 10, 10, target);
  EXPECT_EQ(target.Width(), 10);
  EXPECT_EQ(target.Height(), 20);
  TPixelGraphic full;
  full.LoadFromFile(path);
  EXPECT_EQ(full.Width(), 80);
  EXPECT_EQ(full.Height(), 160);
  ImageFileInfo info;
  ASSERT_TRUE(ReadImageFileInfo(path, 0, &info));
  EXPECT_EQ(info.width, 80);
  EXPECT_EQ(info.height, 160);
}

TEST(JpegImage, ReportsTheScaledSizeAndRefusesOtherScales) {
  TempDir dir;
  TJPEGImage jpeg;
  jpeg.LoadFromFile(JpegFile(dir, "p.jpg", 1001, 750));
  EXPECT_EQ(jpeg.Width(), 1001);
  jpeg.SetDecodeScale(4);
  EXPECT_EQ(jpeg.Width(), 251);
  EXPECT_EQ(jpeg.Height(), 188);
  EXPECT_THROW(jpeg.SetDecodeScale(3), EPixelGraphic);
  EXPECT_EQ(jpeg.DecodeScale(), 4);
  EXPECT_FALSE(jpeg.DecodeFast());
  const Raster decoded = jpeg.Decode();
  EXPECT_EQ(decoded.width, 251);

  testing::WriteFile(dir / "fake.jpg", AsString(WritePng(PhotoLike(4, 4))));
  EXPECT_THROW(jpeg.LoadFromFile(dir / "fake.jpg"), EPGJPGFileFormatReaderWriter);
  EXPECT_EQ(jpeg.Width(), 251);  // a failed load leaves the image as it was
}

TEST(ReadImageFileInfo, ReadsTheHeaderOrAnswersFalse) {
  TempDir dir;
  testing::WriteFile(dir / "p.png", AsString(WritePng(IndexedPattern(30, 20, 4))));
  testing::WriteFile(dir / "words.png", "not a picture");
  ImageFileInfo info;
  ASSERT_TRUE(ReadImageFileInfo(dir / "p.png", 0, &info));
  EXPECT_EQ(info.width, 30);
  EXPECT_EQ(info.height, 20);
  EXPECT_EQ(info.bits, 4);
  EXPECT_EQ(info.description, "Portable Network Graphics");
  EXPECT_FALSE(ReadImageFileInfo(dir / "missing.png", 0, &info));
  EXPECT_FALSE(ReadImageFileInfo(dir / "words.png", 0, &info));
  EXPECT_FALSE(ReadImageFileInfo(dir.path(), 0, &info));
  EXPECT_FALSE(ReadImageFileInfo("", 0, &info));
  EXPECT_FALSE(ReadImageFileInfo(dir / "p.png", 1, &info));
}

TEST(ResampleFrom, FillsTheTargetAtItsOwnSize) {
  TPixelGraphic source, target;
  source.SetPixels(Solid(40, 40, {10, 200, 30}));
  target.SetBitCountNum(8);
  target.SetSize(7, 5);
  target.SetStretchMode(smMedium);
  ResampleFrom(target, source);
  EXPECT_EQ(target.Width(), 7);
  EXPECT_EQ(target.Height(), 5);
  EXPECT_EQ(target.BitCountNum(), 24);
  EXPECT_EQ(target.Pixels().ColorAt(6, 4), (Rgb{10, 200, 30}));
  TPixelGraphic empty;
  EXPECT_THROW(ResampleFrom(target, empty), EPixelGraphic);
}

TEST(Canvas, FillsClipsAndDraws) {
  TPixelGraphic image, stamp;
  image.SetSize(10, 10);
  image.Canvas().BrushColor = {0, 0, 255};
  image.Canvas().FillRect({-5, -5, 3, 2});
  EXPECT_EQ(image.Pixels().ColorAt(2, 1), (Rgb{0, 0, 255}));
  EXPECT_EQ(image.Pixels().ColorAt(3, 1), (Rgb{0, 0, 0}));
  EXPECT_EQ(image.Pixels().ColorAt(2, 2), (Rgb{0, 0, 0}));

  stamp.SetPixels(IndexedPattern(4, 4, 4));
  image.Canvas().Draw(8, 8, stamp);
  EXPECT_EQ(image.Pixels().ColorAt(9, 9), stamp.Pixels().ColorAt(1, 1));

  image.Canvas().StretchDraw({0, 0, 10, 10}, stamp);
  EXPECT_EQ(image.Pixels().ColorAt(0, 0), stamp.Pixels().ColorAt(0, 0));
}

TEST(Canvas, CopyRectStretchesAndMayCopyOntoItself) {
  TPixelGraphic image;
  image.SetPixels(Solid(8, 8, {0, 0, 0}));
  image.Canvas().BrushColor = {255, 0, 0};
  image.Canvas().FillRect({0, 0, 2, 2});
  image.Canvas().CopyRect({4, 4, 8, 8}, image.Canvas(), {0, 0, 2, 2});
  EXPECT_EQ(image.Pixels().ColorAt(7, 7), (Rgb{255, 0, 0}));
  EXPECT_EQ(image.Pixels().ColorAt(3, 3), (Rgb{0, 0, 0}));
}

TEST(Canvas, DrawTransparentLeavesTheKeyColourOut) {
  TPixelGraphic back, layer;
  back.SetPixels(Solid(3, 1, {9, 9, 9}));
  layer.SetPixels(Solid(3, 1, {0, 255, 0}));
  layer.MutablePixels().pixels[3] = 200;
  back.Canvas().DrawTransparent(0, 0, layer, {0, 255, 0});
  EXPECT_EQ(back.Pixels().ColorAt(0, 0), (Rgb{9, 9, 9}));
  EXPECT_EQ(back.Pixels().ColorAt(1, 0), (Rgb{200, 255, 0}));
}

TEST(Canvas, DrawingOnAnIndexedImageUsesItsPalette) {
  TPixelGraphic image;
  image.SetBitCountNum(4);
  image.SetSize(4, 4);
  image.Canvas().BrushColor = {250, 5, 5};
  image.Canvas().FillRect({0, 0, 4, 4});
  EXPECT_EQ(image.BitCountNum(), 4);
  EXPECT_EQ(image.Pixels().ColorAt(3, 3), (Rgb{255, 0, 0}));
  TPixelGraphic green;
  green.SetPixels(Solid(2, 2, {0, 120, 0}));
  image.Canvas().Draw(0, 0, green);
  EXPECT_EQ(image.Pixels().ColorAt(1, 1), (Rgb{0, 128, 0}));
}

TEST(Canvas, DrawsAJpegStraightOrStretched) {
  TempDir dir;
  TJPEGImage jpeg;
  jpeg.LoadFromFile(JpegFile(dir, "p.jpg", 64, 32));
  TPixelGraphic exact, stretched;
  exact.SetSize(64, 32);
  exact.Canvas().Draw(0, 0, jpeg);
  EXPECT_EQ(exact.Pixels().pixels, jpeg.Decode().pixels);
  stretched.SetSize(32, 16);
  stretched.SetStretchMode(smMedium);
  stretched.Canvas().StretchDraw({0, 0, 32, 16}, jpeg);
  EXPECT_GT(Psnr(stretched.Pixels(),
                 [&] {
                   TPixelGraphic t;
                   t.SetSize(32, 16);
                   t.SetStretchMode(smMedium);
                   ResampleFrom(t, exact);
                   return t.Pixels();
                 }()),
            60.0);
}

TEST(Canvas, WritesAndMeasuresText) {
  TPixelGraphic image;
  image.SetPixels(Solid(80, 30, {255, 255, 255}));
  image.Canvas().Font.points = 14;
  image.Canvas().Font.colour = {0, 0, 0};
  const TextExtent size = image.Canvas().TextSize("Page 1");
  EXPECT_GT(size.width, 0);
  EXPECT_GT(size.height, 0);
  EXPECT_EQ(image.Canvas().TextWidth(""), 0);
  image.Canvas().TextOut(2, 2, "Page 1");
  int dark = 0;
  for (std::size_t i = 0; i < image.Pixels().pixels.size(); i += 3) {
    if (image.Pixels().pixels[i] < 128) ++dark;
  }
  EXPECT_GT(dark, 10);
}

}  // namespace
}  // namespace parvel
