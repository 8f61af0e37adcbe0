#include "imaging/PGraphic.h"

#include <gtest/gtest.h>

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

// The prompt table: what a 24-bit image saved as GIF does under each setting.
struct PromptCase {
  ResolutionPrompt prompt;
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
    ::testing::Values(
        PromptCase{ResolutionPrompt::Convert, true, std::nullopt, true, false, Buttons::Ok},
        PromptCase{ResolutionPrompt::Warn, true, std::nullopt, true, true, Buttons::Ok},
        PromptCase{ResolutionPrompt::Ask, true, Answer::Ok, true, true, Buttons::OkCancel},
        PromptCase{ResolutionPrompt::Ask, true, Answer::Cancel, false, true, Buttons::OkCancel},
        PromptCase{ResolutionPrompt::Refuse, true, std::nullopt, false, false, Buttons::Ok},
        PromptCase{ResolutionPrompt::Ask, false, std::nullopt, true, false, Buttons::Ok},
        PromptCase{ResolutionPrompt::Warn, false, std::nullopt, true, false, Buttons::Ok}));

class IndexedToJpeg : public ::testing::TestWithParam<int> {};

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

}  // namespace
}  // namespace parvel
