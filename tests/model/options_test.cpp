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

// --- recent template lists

TEST_F(OptionsTest, RecentListsAreReadSortedWithoutDuplicatesIgnoringCase) {
  WriteFile(tmp / "recent_styles.txt", "/w/b.htm\r\n/w/A.htm\r\n/W/B.HTM\r\n\r\n/w/_x.htm\n");
  WriteFile(tmp / "recent_image_styles.txt", "/w/img.htm\r\n");
  RecentTemplates recent;
  recent.Read();
  EXPECT_EQ(recent.styles, (std::vector<std::string>{"/w/_x.htm", "/w/A.htm", "/w/b.htm"}));
  EXPECT_EQ(recent.image_styles, std::vector<std::string>{"/w/img.htm"});
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

// --- the dialog "Options"

}  // namespace
}  // namespace parvel
