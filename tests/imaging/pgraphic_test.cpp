#include "imaging/PGraphic.h"

#include <gtest/gtest.h>

#include "imaging/testimages.h"
#include "platform/filesystem.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::PhotoLike;
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

}  // namespace
}  // namespace parvel
