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
                      ParseCase{"default_any_case", "dEFAULT", Colour::Default()},
                      ParseCase{"name", "clRed", Colour::Of(0x000000FF)},
                      ParseCase{"name_any_case", "CLRED", Colour::Of(0x000000FF)},
                      ParseCase{"black_is_a_colour", "clBlack", Colour::Of(0)},
                      ParseCase{"system_colour_first", "clScrollBar", Colour::Of(0x80000000)},
                      ParseCase{"system_colour_digit", "cl3DDkShadow", Colour::Of(0x80000015)},
                      ParseCase{"system_colour_last", "clinfobk", Colour::Of(0x80000018)},
                      ParseCase{"dollar_hex", "$00123456", Colour::Of(0x00123456)},
                      ParseCase{"dollar_hex_lower", "$00abcdef", Colour::Of(0x00ABCDEF)},
                      ParseCase{"decimal", "255", Colour::Of(0x000000FF)},
                      ParseCase{"negative", "-1", Colour::Of(0xFFFFFFFF)},
                      ParseCase{"high_bit_hex", "$80000005", Colour::Of(0x80000005)},
                      ParseCase{"empty", "", std::nullopt},
                      ParseCase{"html_form", "#FF0000", std::nullopt},
                      ParseCase{"plain_word", "red", std::nullopt},
                      ParseCase{"unknown_name", "clOrange", std::nullopt},
                      ParseCase{"dollar_only", "$", std::nullopt},
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
                      WriteCase{"named", Colour::Of(0x00FF00FF), "clFuchsia"},
                      WriteCase{"system", Colour::Of(0x8000000F), "clBtnFace"},
                      WriteCase{"orange", Colour::Of(0x000080FF), "$000080FF"},
                      WriteCase{"custom", Colour::Of(0x00123456), "$00123456"},
                      WriteCase{"upper_case_digits", Colour::Of(0x00ABCDEF), "$00ABCDEF"},
                      WriteCase{"past_system_colours", Colour::Of(0x80000019), "$80000019"},
                      WriteCase{"all_bits", Colour::Of(0xFFFFFFFF), "$FFFFFFFF"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Colour, CustomValuesRoundTrip) {
  for (std::uint32_t value :
       {0x00000001u, 0x00123456u, 0x00FEDCBAu, 0x7FFFFFFFu, 0x80000019u, 0xFFFFFFFFu}) {
    EXPECT_EQ(ParseColour(ColourToString(Colour::Of(value))), Colour::Of(value)) << value;
  }
}

TEST(Colour, ChannelsFollowTheBlueGreenRedLayout) {
  const Colour c = Colour::Of(0x00123456);
  EXPECT_EQ(c.Red(), 0x56);
  EXPECT_EQ(c.Green(), 0x34);
  EXPECT_EQ(c.Blue(), 0x12);
}

}  // namespace
}  // namespace parvel
