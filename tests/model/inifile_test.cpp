#include "model/inifile.h"

#include <gtest/gtest.h>

namespace parvel {
namespace {

struct ReadCase {
  const char* name;
  std::string text;
  const char* section;
  const char* key;
  std::optional<std::string> expected;
};

class IniReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniReadTest, ReadsValue) {
  IniFile ini;
  ini.Parse(GetParam().text);
  EXPECT_EQ(ini.Get(GetParam().section, GetParam().key), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniReadTest,
    ::testing::Values(
        ReadCase{"plain", "[A]\r\nk=v\r\n", "A", "k", "v"},
        ReadCase{"section_case", "[Rotation_1]\nKey=1\n", "ROTATION_1", "key", "1"},
        ReadCase{"blanks_around", "  [ S ]  \n  a key  =  a value  \n", "S", "a key", "a value"},
        ReadCase{"double_quotes", "[S]\nk=\"  x \"\n", "S", "k", "  x "},
        ReadCase{"single_quotes", "[S]\nk='x'\n", "S", "k", "x"},
        ReadCase{"one_pair_only", "[S]\nk=\"\"x\"\"\n", "S", "k", "\"x\""},
        ReadCase{"unmatched_quote_kept", "[S]\nk=\"x'\n", "S", "k", "\"x'"},
        ReadCase{"lone_quote_kept", "[S]\nk=\"\n", "S", "k", "\""},
        ReadCase{"empty_value", "[S]\nk=\n", "S", "k", ""},
        ReadCase{"missing_key", "[S]\nk=1\n", "S", "j", std::nullopt},
        ReadCase{"missing_section", "[S]\nk=1\n", "T", "k", std::nullopt},
        ReadCase{"key_in_other_section", "[S]\nk=1\n[T]\nj=2\n", "S", "j", std::nullopt},
        ReadCase{"first_of_duplicates", "[S]\nk=1\nk=2\n", "S", "k", "1"},
        ReadCase{"equals_in_value", "[S]\nk=a=b\n", "S", "k", "a=b"},
        ReadCase{"lone_cr_lines", "[S]\rk=1\rj=2\r", "S", "j", "2"},
        ReadCase{"no_equals_ignored", "[S]\ngarbage\nk=1\n", "S", "k", "1"},
        ReadCase{"key_before_any_section", "k=1\n[S]\n", "S", "k", std::nullopt},
        ReadCase{"key_opening_with_bracket", "[S]\n[2019] a.jpg=x\n", "S", "[2019] a.jpg", "x"},
        ReadCase{"bracketed_key_hides_no_later_key", "[S]\n[a]=x\nk=1\n", "S", "k", "1"},
        ReadCase{"equals_inside_brackets_is_a_section", "[a=b]\nk=1\n", "a=b", "k", "1"},
        ReadCase{"unclosed_bracket_without_equals_is_a_section", "[S\nk=1\n", "S", "k", "1"},
        ReadCase{"long_value_cut", "[S]\nk=" + std::string(5000, 'x'), "S", "k",
                 std::string(1023, 'x')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniFile, SetKeepsOrderAndAppendsAtSectionEnd) {
  IniFile ini;
  ini.Parse("; kept\r\n[A]\r\na=1\r\nb=2\r\n\r\n[B]\r\nc=3\r\n");
  ini.Set("a", "B", "20");   // existing key: replaced in place, old spelling kept
  ini.Set("A", "new", "x");  // new key: after the last line of A, before the blank line
  ini.Set("C", "d", "4");    // new section: at the end
  EXPECT_EQ(ini.Serialize(),
            "; kept\r\n[A]\r\na=1\r\nb=20\r\nnew=x\r\n\r\n[B]\r\nc=3\r\n[C]\r\nd=4\r\n");
}

}  // namespace
}  // namespace parvel
