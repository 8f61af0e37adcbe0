#include "model/datadir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// (The installed layout, seeding from share/parvel-pro, is checked by tests/cli/install_check.sh.)
TEST(DataDirectoryTest, SeedsWhatIsMissingAndLeavesTheRestAlone) {
  TempDir tmp;
  const std::string from = tmp / "share/";
  WriteFile(from + "Styles/more/deep.htm", "deep");
  WriteFile(from + "help/index.html", "new help");
  WriteFile(from + "sites.ini", "not seeded");
  const std::string dir = tmp / "data/";
  WriteFile(dir + "help/index.html", "the user's own");

  std::string error;
  ASSERT_TRUE(PrepareDataDirectory(dir, from, &error)) << error;
  EXPECT_EQ(ReadFile(dir + "Styles/more/deep.htm"), "deep");
  EXPECT_EQ(ReadFile(dir + "help/index.html"), "the user's own");
  EXPECT_FALSE(std::filesystem::exists(dir + "Samples"));  // nothing to copy it from
  EXPECT_FALSE(std::filesystem::exists(dir + "sites.ini"));
  // Styles and help, and no temporary left beside them.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);

  // A folder that cannot be made is an error, not a silent fallback.
  WriteFile(tmp / "blocker", "x");
  EXPECT_FALSE(PrepareDataDirectory(tmp / "blocker/parvel-pro/", from, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace parvel
