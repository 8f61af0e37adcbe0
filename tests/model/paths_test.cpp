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

TEST_F(PathsTest, ExpandsStoredFormsWrittenOnWindows) {
  EXPECT_EQ(expandpath("%\\Site_1\\"), "/opt/App/Site_1/");
  EXPECT_EQ(expandpath("%\\Samples\\Next.gif"), "/opt/App/Samples/Next.gif");
  EXPECT_EQ(expandpath("%"), "/opt/App/");
}

TEST_F(PathsTest, FixPath) {
  struct Case {
    const char* in;
    bool sep;
    const char* out;
  } cases[] = {
      {" /srv/Web/ ", false, "/srv/Web"},
      {"/srv/Web", true, "/srv/Web/"},
      {"/srv/Web\\", false, "/srv/Web"},
      {"/srv/Web\\", true, "/srv/Web\\"},
      {"", true, ""},
      {"%/Site_2", true, "/opt/App/Site_2/"},
  };
  for (const auto& c : cases) EXPECT_EQ(fixpath(c.in, c.sep), c.out) << c.in << " " << c.sep;
}

TEST_F(PathsTest, ChangeExtension) {
  EXPECT_EQ(changeextension("/pics/photo.bmp", ".jpg"), "/pics/photo.jpg");
  EXPECT_EQ(changeextension("/pics.old/photo", ".jpg"), "/pics.old/photo.jpg");
  EXPECT_EQ(changeextension("C:\\Pics.old\\photo", ".jpg"), "C:\\Pics.old\\photo.jpg");
  EXPECT_EQ(changeextension("a.tar.gz", ".jpg"), "a.tar.jpg");
}

}  // namespace
}  // namespace parvel
