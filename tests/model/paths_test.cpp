#include "model/paths.h"

#include <gtest/gtest.h>

namespace parvel {
namespace {

class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDataDirectory("/opt/App/"); }
};

TEST_F(PathsTest, StoredFormRoundTrip) {
  struct Case {
    const char* full;
    const char* stored;
    const char* expanded;
  } cases[] = {
      {"/opt/App/Site_1/", "%/Site_1/", "/opt/App/Site_1/"},
      // Another folder, whose name differs in letter case only, keeps its own path.
      {"/opt/app/Site_1/", "/opt/app/Site_1/", "/opt/app/Site_1/"},
      {"  /opt/App/Styles/a.htm ", "%/Styles/a.htm", "/opt/App/Styles/a.htm"},
      {"/opt/App/", "%/", "/opt/App/"},
      {"/srv/web/", "/srv/web/", "/srv/web/"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(truncatepath(c.full), c.stored) << c.full;
    EXPECT_EQ(expandpath(c.stored), c.expanded) << c.stored;
  }
}

}  // namespace
}  // namespace parvel
