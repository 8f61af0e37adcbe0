#include "model/colour.h"

#include <gtest/gtest.h>

namespace parvel {
namespace {

struct ParseCase {
  const char* name;
  const char* text;
  std::optional<Colour> expected;
};

class ParseColourTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseColourTest, Reads) {
  EXPECT_EQ(ParseColour(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseColourTest,
    ::testing::Values(ParseCase{"default_word", "Default", Colour::Default()},
                      ParseCase{"name", "clRed", Colour::Of(0x000000FF)},
                      ParseCase{"name_any_case", "CLRED", Colour::Of(0x000000FF)},
                      ParseCase{"system_colour_first", "clScrollBar", Colour::Of(0x80000000)},
                      ParseCase{"system_colour_last", "clinfobk", Colour::Of(0x80000018)},
                      ParseCase{"dollar_hex", "$00123456", Colour::Of(0x00123456)},
                      ParseCase{"decimal", "255", Colour::Of(0x000000FF)},
                      ParseCase{"negative", "-1", Colour::Of(0xFFFFFFFF)},
                      ParseCase{"empty", "", std::nullopt},
                      ParseCase{"unknown_name", "clOrange", std::nullopt},
                      ParseCase{"too_long_hex", "$123456789", std::nullopt},
                      ParseCase{"trailing_garbage", "12px", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

struct WriteCase {
  const char* name;
  Colour colour;
  const char* expected;
};

class ColourToStringTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(ColourToStringTest, Writes) {
  EXPECT_EQ(ColourToString(GetParam().colour), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Colours, ColourToStringTest,
    ::testing::Values(WriteCase{"default", Colour::Default(), "Default"},
                      WriteCase{"zero_is_black", Colour::Of(0), "clBlack"},
                      WriteCase{"system", Colour::Of(0x8000000F), "clBtnFace"},
                      WriteCase{"custom", Colour::Of(0x00123456), "$00123456"},
                      WriteCase{"past_system_colours", Colour::Of(0x80000019), "$80000019"},
                      WriteCase{"all_bits", Colour::Of(0xFFFFFFFF), "$FFFFFFFF"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace parvel
