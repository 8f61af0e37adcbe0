#include "model/options.h"

#include <gtest/gtest.h>

#include "model/paths.h"
#include "platform/filesystem.h"
#include "support/faulty_filesystem.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class OptionsTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDataDirectory(tmp.path()); }
  TempDir tmp;
};

struct ReadCase {
  const char* name;
  const char* file;  // nullptr: no options.ini
  int jpeg;
  int max_length;
  bool thumbs;
  bool rotations;
};

class OptionsReadTest : public OptionsTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(OptionsReadTest, ReadsWithDefaults) {
  const ReadCase& c = GetParam();
  if (c.file) WriteFile(tmp / "options.ini", c.file);
  AppOptions options;
  options.DefaultJPEGCompression = 1;  // every value must come from the file or its default
  options.MaxFilenameLength = 1;
  options.UseThumbsDirectory = !c.thumbs;
  options.UseRotations = !c.rotations;
  options.Read();
  EXPECT_EQ(options.DefaultJPEGCompression, c.jpeg);
  EXPECT_EQ(options.MaxFilenameLength, c.max_length);
  EXPECT_EQ(options.UseThumbsDirectory, c.thumbs);
  EXPECT_EQ(options.UseRotations, c.rotations);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OptionsReadTest,
    ::testing::Values(
        ReadCase{"no_file", nullptr, 80, 15, true, false},
        ReadCase{"all_set",
                 "[Options]\r\nDefaultJPEGCompression=65\r\nUseThumbsDirectory=False\r\n"
                 "MaxFilenameLength=999\r\nUseRotations=True\r\n",
                 65, 999, false, true},
        ReadCase{"length_abc", "[Options]\r\nMaxFilenameLength=abc\r\n", 80, 17, true, false},
        ReadCase{"empty_numbers", "[Options]\r\nDefaultJPEGCompression=\r\nMaxFilenameLength=\r\n",
                 80, 17, true, false},
        ReadCase{"beyond_16_bits",
                 "[Options]\r\nDefaultJPEGCompression=40000\r\nMaxFilenameLength=-32769\r\n", 80,
                 17, true, false},
        ReadCase{"thumbs_no_is_true", "[Options]\r\nUseThumbsDirectory=no\r\n", 80, 15, true,
                 false},
        ReadCase{"thumbs_false_any_case", "[Options]\r\nUseThumbsDirectory=fAlSe\r\n", 80, 15,
                 false, false},
        ReadCase{"rotations_yes_is_false", "[Options]\r\nUseRotations=yes\r\n", 80, 15, true,
                 false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OptionsTest, WritesTheFourKeysInOrder) {
  AppOptions options;
  options.DefaultJPEGCompression = 72;
  options.MaxFilenameLength = 999;
  options.UseRotations = true;
  EXPECT_TRUE(options.Write());
  EXPECT_EQ(ReadFile(tmp / "options.ini"),
            "[Options]\r\nDefaultJPEGCompression=72\r\nUseThumbsDirectory=True\r\n"
            "MaxFilenameLength=999\r\nUseRotations=True\r\n");
  AppOptions back;
  back.Read();
  EXPECT_EQ(back.DefaultJPEGCompression, 72);
  EXPECT_EQ(back.MaxFilenameLength, 999);
  EXPECT_TRUE(back.UseRotations);
}

// --- recent template lists

TEST_F(OptionsTest, RecentListsAreReadSortedWithoutDuplicatesIgnoringCase) {
  WriteFile(tmp / "recent_styles.txt", "/w/b.htm\r\n/w/A.htm\r\n/W/B.HTM\r\n\r\n/w/_x.htm\n");
  WriteFile(tmp / "recent_image_styles.txt", "/w/img.htm\r\n");
  RecentTemplates recent;
  recent.Read();
  EXPECT_EQ(recent.styles, (std::vector<std::string>{"/w/_x.htm", "/w/A.htm", "/w/b.htm"}));
  EXPECT_EQ(recent.image_styles, std::vector<std::string>{"/w/img.htm"});
}

TEST_F(OptionsTest, RecentListsAreWrittenOnePathPerLine) {
  RecentTemplates recent;
  addtexttocombolist(recent.styles, "/w/b.htm");
  addtexttocombolist(recent.styles, "/w/a.htm");
  addtexttocombolist(recent.image_styles, "/w/i.htm");
  EXPECT_TRUE(recent.Write());
  EXPECT_EQ(ReadFile(tmp / "recent_styles.txt"), "/w/a.htm\r\n/w/b.htm\r\n");
  EXPECT_EQ(ReadFile(tmp / "recent_image_styles.txt"), "/w/i.htm\r\n");
}

TEST(AddTextToComboList, AddsNewNonEmptyTextInSortedPlace) {
  struct Case {
    const char* text;
    bool added;
    std::vector<std::string> after;
  } cases[] = {
      {"", false, {"/a.htm", "/c.htm"}},
      {"/B.htm", true, {"/a.htm", "/B.htm", "/c.htm"}},
      {"/0.htm", true, {"/0.htm", "/a.htm", "/c.htm"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> list = {"/a.htm", "/c.htm"};
    EXPECT_EQ(addtexttocombolist(list, c.text), c.added) << c.text;
    EXPECT_EQ(list, c.after) << c.text;
  }
}

TEST_F(OptionsTest, SamplesThatExistFillAnEmptyList) {
  WriteFile(tmp / "Styles/Sample_No_Index.htm", "x");
  WriteFile(tmp / "Styles/blue_border_with_index.HTM", "x");  // found without regard to case
  std::vector<std::string> list;
  AddSampleTemplates(list);
  EXPECT_EQ(list, (std::vector<std::string>{tmp / "Styles/blue_border_with_index.HTM",
                                            tmp / "Styles/Sample_No_Index.htm"}));

  std::vector<std::string> used = {"/w/mine.htm"};
  AddSampleTemplates(used);
  EXPECT_EQ(used, std::vector<std::string>{"/w/mine.htm"});
}

// --- the dialog "Options"

struct DialogCase {
  const char* name;
  int stored_length;
  bool truncate;
  int shown_length;
  int length_after_ok;
};

class OptionsDialogTest : public ::testing::TestWithParam<DialogCase> {};

TEST_P(OptionsDialogTest, OpensAndAcceptsTheLengthLimit) {
  const DialogCase& c = GetParam();
  AppOptions options;
  options.MaxFilenameLength = static_cast<std::int16_t>(c.stored_length);
  const OptionsDialogState dialog(options);
  EXPECT_EQ(dialog.truncate(), c.truncate);
  EXPECT_EQ(dialog.max_length_enabled(), c.truncate);
  if (c.truncate) {
    EXPECT_EQ(dialog.max_length(), c.shown_length);
  }
  dialog.Accept(options);
  EXPECT_EQ(options.MaxFilenameLength, c.length_after_ok);
}

INSTANTIATE_TEST_SUITE_P(Cases, OptionsDialogTest,
                         ::testing::Values(DialogCase{"no_limit", 999, false, 0, 999},
                                           DialogCase{"hand_edited_small", 5, true, 10, 10},
                                           DialogCase{"in_range", 42, true, 42, 42},
                                           DialogCase{"hundred", 100, true, 99, 99},
                                           DialogCase{"hundred_and_one", 101, false, 0, 999},
                                           DialogCase{"negative", -3, true, 10, 10}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace parvel
