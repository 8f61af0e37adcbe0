#include "base/textutil.h"

#include <gtest/gtest.h>

#include <cctype>

namespace parvel {
namespace {

struct IntCase {
  const char* text;
  std::optional<std::int32_t> expected;
};

class ParseIntTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(ParseIntTest, Parses) {
  EXPECT_EQ(ParseInt(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseIntTest,
    ::testing::Values(IntCase{"70", 70}, IntCase{"-2", -2}, IntCase{"+4", 4}, IntCase{"$FF", 255},
                      IntCase{"0x10", 16}, IntCase{"$80000000", INT32_MIN},
                      IntCase{"$FFFFFFFF", -1}, IntCase{"2147483647", INT32_MAX},
                      IntCase{"-2147483648", INT32_MIN}, IntCase{"2147483648", std::nullopt},
                      IntCase{"$100000000", std::nullopt}, IntCase{"", std::nullopt},
                      IntCase{"$", std::nullopt}, IntCase{" 1", std::nullopt},
                      IntCase{"1 ", std::nullopt}, IntCase{"1.5", std::nullopt},
                      IntCase{"12a", std::nullopt}, IntCase{"99999999999999999999", std::nullopt}),
    [](const auto& info) {
      std::string name = "case" + std::to_string(info.index) + "_";
      for (char c : std::string(info.param.text))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST(TextUtil, TrimRemovesBlanksAndControls) {
  EXPECT_EQ(Trim(" \t\r\n x y \x01"), "x y");
  EXPECT_EQ(Trim("   "), "");
}

TEST(TextUtil, LinesSplitOnEveryLineEnd) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
  EXPECT_EQ(JoinLinesCrLf({"a", "b"}), "a\r\nb\r\n");
}

}  // namespace
}  // namespace parvel
