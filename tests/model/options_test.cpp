#include "model/options.h"

#include <gtest/gtest.h>

#include <filesystem>

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

// Each value comes from the file or its default (the record starts with other values).
TEST_F(OptionsTest, ReadsWithDefaults) {
  struct Case {
    const char* file;  // the lines after [Options]; nullptr: no options.ini
    int jpeg, max_length;
    bool thumbs, rotations;
  } cases[] = {
      // clang-format off
      {nullptr, 80, 15, true, false},
      {"DefaultJPEGCompression=65\r\nUseThumbsDirectory=False\r\nMaxFilenameLength=999\r\n"
       "UseRotations=True\r\n", 65, 999, false, true},
      {"MaxFilenameLength=abc\r\n", 80, 17, true, false},
      {"DefaultJPEGCompression=\r\nMaxFilenameLength=\r\n", 80, 17, true, false},
      {"DefaultJPEGCompression=40000\r\nMaxFilenameLength=-32769\r\n", 80, 17, true, false},
      {"UseThumbsDirectory=no\r\n", 80, 15, true, false},
      {"UseThumbsDirectory=fAlSe\r\n", 80, 15, false, false},
      {"UseRotations=yes\r\n", 80, 15, true, false},
      // clang-format on
  };
  for (const auto& c : cases) {
    std::filesystem::remove(tmp / "options.ini");
    if (c.file) WriteFile(tmp / "options.ini", std::string("[Options]\r\n") + c.file);
    AppOptions options;
    options.DefaultJPEGCompression = options.MaxFilenameLength = 1;
    options.UseThumbsDirectory = !c.thumbs;
    options.UseRotations = !c.rotations;
    options.Read();
    const std::string trace = c.file ? c.file : "no file";
    EXPECT_EQ(options.DefaultJPEGCompression, c.jpeg) << trace;
    EXPECT_EQ(options.MaxFilenameLength, c.max_length) << trace;
    EXPECT_EQ(options.UseThumbsDirectory, c.thumbs) << trace;
    EXPECT_EQ(options.UseRotations, c.rotations) << trace;
  }
}

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

// The dialog "Options" shows the length limit within its field, or none; OK stores what it shows.
TEST(OptionsDialogTest, OpensAndAcceptsTheLengthLimit) {
  struct Case {
    int stored;
    bool truncate;
    int shown, after_ok;
  } cases[] = {{999, false, 0, 999}, {5, true, 10, 10},    {42, true, 42, 42},
               {100, true, 99, 99},  {101, false, 0, 999}, {-3, true, 10, 10}};
  for (const auto& c : cases) {
    AppOptions options;
    options.MaxFilenameLength = static_cast<std::int16_t>(c.stored);
    const OptionsDialogState dialog(options);
    EXPECT_EQ(dialog.truncate(), c.truncate) << c.stored;
    EXPECT_EQ(dialog.max_length_enabled(), c.truncate) << c.stored;
    EXPECT_EQ(c.truncate ? dialog.max_length() : 0, c.shown) << c.stored;
    dialog.Accept(options);
    EXPECT_EQ(options.MaxFilenameLength, c.after_ok) << c.stored;
  }
}

}  // namespace
}  // namespace parvel
