#include "model/colour.h"

#include <gtest/gtest.h>

namespace parvel {
namespace {

TEST(Colour, ReadsAndWritesTheStoredForms) {
  const struct {
    const char* text;
    std::optional<Colour> colour;
  } reads[] = {{"Default", Colour::Default()},
               {"CLRED", Colour::Of(0x000000FF)},
               {"clScrollBar", Colour::Of(0x80000000)},
               {"clinfobk", Colour::Of(0x80000018)},
               {"$00123456", Colour::Of(0x00123456)},
               {"-1", Colour::Of(0xFFFFFFFF)},
               {"255", Colour::Of(0x000000FF)},
               {"", std::nullopt},
               {"clOrange", std::nullopt},
               {"$123456789", std::nullopt},
               {"12px", std::nullopt}};
  for (const auto& c : reads) EXPECT_EQ(ParseColour(c.text), c.colour) << c.text;
  const struct {
    Colour colour;
    const char* text;
  } writes[] = {{Colour::Default(), "Default"},
                {Colour::Of(0), "clBlack"},
                {Colour::Of(0x8000000F), "clBtnFace"},
                {Colour::Of(0x00123456), "$00123456"},
                {Colour::Of(0x80000019), "$80000019"}};
  for (const auto& c : writes) EXPECT_EQ(ColourToString(c.colour), c.text) << c.text;
}

}  // namespace
}  // namespace parvel
