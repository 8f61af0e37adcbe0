#include "model/inifile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/faulty_filesystem.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

struct ReadCase {
  const char* name;
  const char* text;
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
        ReadCase{"unclosed_bracket_without_equals_is_a_section", "[S\nk=1\n", "S", "k", "1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniFile, CutsLongValuesTo1023Characters) {
  IniFile ini;
  ini.Parse("[S]\nk=" + std::string(5000, 'x') + "\n");
  EXPECT_EQ(ini.Get("S", "k")->size(), 1023u);
}

TEST(IniFile, SetKeepsOrderAndAppendsAtSectionEnd) {
  IniFile ini;
  ini.Parse("; kept\r\n[A]\r\na=1\r\nb=2\r\n\r\n[B]\r\nc=3\r\n");
  ini.Set("a", "B", "20");   // existing key: replaced in place, old spelling kept
  ini.Set("A", "new", "x");  // new key: after the last line of A, before the blank line
  ini.Set("C", "d", "4");    // new section: at the end
  EXPECT_EQ(ini.Serialize(),
            "; kept\r\n[A]\r\na=1\r\nb=20\r\nnew=x\r\n\r\n[B]\r\nc=3\r\n[C]\r\nd=4\r\n");
}

TEST(IniFile, SetKeepsValueOnOneLine) {
  IniFile ini;
  ini.Set("S", "k", "a\r\nb\nc");
  ini.Set("S", "j", "1");
  IniFile back;
  back.Parse(ini.Serialize());
  EXPECT_EQ(back.Get("S", "k"), "a  b c");
  EXPECT_EQ(back.Get("S", "j"), "1");
}

TEST(IniFile, EraseSectionAndKey) {
  IniFile ini;
  ini.Parse("[A]\na=1\n[B]\nb=2\nc=3\n[C]\nd=4\n");
  EXPECT_TRUE(ini.EraseSection("b"));
  EXPECT_FALSE(ini.EraseSection("b"));
  EXPECT_TRUE(ini.EraseKey("C", "D"));
  EXPECT_FALSE(ini.EraseKey("C", "D"));
  EXPECT_EQ(ini.Serialize(), "[A]\r\na=1\r\n[C]\r\n");
  EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"A", "C"}));
}

TEST(IniFile, KeysOfAHugeSectionComeInLinearTime) {
  std::string text = "[Sites]\n";
  for (int i = 0; i < 300000; ++i) text += "Site_" + std::to_string(i) + "=x\n";
  text += "SITE_7=again\n";
  IniFile ini;
  ini.Parse(text);
  const auto keys = ini.Keys("Sites");
  ASSERT_EQ(keys.size(), 300000u);
  EXPECT_EQ(keys.back(), "Site_299999");
}

TEST(IniFile, SaveAndLoadRoundTrip) {
  TempDir dir;
  IniFile ini(dir / "x.ini");
  ASSERT_TRUE(ini.Load());  // missing file: empty document
  ini.Set("General", "Name", "My Site");
  ASSERT_TRUE(ini.Save());
  EXPECT_EQ(ReadFile(dir / "x.ini"), "[General]\r\nName=My Site\r\n");
  IniFile back(dir / "x.ini");
  ASSERT_TRUE(back.Load());
  EXPECT_EQ(back.Get("general", "name"), "My Site");
}

TEST(IniFile, RefusesAbsurdlyLargeFile) {
  TempDir dir;
  WriteFile(dir / "big.ini", "[S]\nk=v\n");
  std::filesystem::resize_file(dir / "big.ini", IniFile::kMaxFileSize + 1);
  IniFile ini(dir / "big.ini");
  EXPECT_FALSE(ini.Load());
  EXPECT_FALSE(ini.Get("S", "k"));
}

}  // namespace
}  // namespace parvel
