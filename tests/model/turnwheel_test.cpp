#include "model/turnwheel.h"

#include <gtest/gtest.h>

#include "base/textutil.h"
#include "model/model_support.h"

namespace parvel {
namespace {

using testing::ReadTree;
using testing::TempDir;
using testing::Tree;
using testing::WriteFile;

// A site due for rotation at `position` into `live`, with `count` built rotations in
// Site_1/Rotation_K, each holding Index.html and a.jpg with the rotation's number.
void MakeSite(int position, int count, const std::string& live) {
  std::string text = "RotationCount=" + std::to_string(count) + "\r\nLivePath=" + live +
                     "\r\nAutoRotate=True\r\nCurrentRotationPosition=" + std::to_string(position) +
                     "\r\n";
  for (int k = 1; k <= count; ++k) {
    const std::string dir = "Site_1/Rotation_" + std::to_string(k);
    WriteFile(DataDirectory() + dir + "/Index.html", "page " + std::to_string(k));
    WriteFile(DataDirectory() + dir + "/a.jpg", "image " + std::to_string(k));
    text += "[Rotation_" + std::to_string(k) + "]\r\nRotation_Path=%/" + dir + "\r\n";
  }
  testing::WriteSite("Site_1", "Site 1", text);
}

// The due rotation goes live and the position moves on, wrapping at the end; a live directory
// that would swallow the site, or that holds files turnwheel did not put there, is refused and
// nothing on disk changes.
TEST(TurnwheelTest, PutsTheDueRotationLiveOrRefusesAndChangesNothing) {
  struct Case {
    int position, count;
    const char* live;  // {D}: the data directory
    Tree before;       // the live directory's files before the run
    int rotation;      // put live; 0: refused
    const char* says;  // in the report line
  } cases[] = {
      {3, 3, "{D}live", {}, 3, "; next rotation: 1"},
      {7, 3, "{D}live", {}, 1, "; next rotation: 2"},
      {0, 3, "{D}live", {}, 1, "; next rotation: 2"},
      {1, 2, "{D}live", {{"Index.html", "page 2"}, {"a.jpg", "image 2"}}, 1, "next rotation: 2"},
      {1, 2, "{D}Site_1/Rotation_1", {}, 0, "is the directory of Rotation 1"},
      {1, 2, "{D}Site_1/Rotation_2/", {}, 0, "lies inside the directory of Rotation 2"},
      {1, 2, "{D}", {}, 0, "is the data directory"},
      {1, 2, "live", {}, 0, "is not an absolute path"},
      {1, 2, "{D}live", {{"index.php", "blog"}, {"posts/1.html", "first post"}}, 0, "did not put"},
      {1, 2, "{D}live", {{"Index.html", "page 2"}, {"a.jpg", "edited"}}, 0, "did not put there"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    SetDataDirectory(dir.path());
    const std::string live = ReplaceAll(c.live, "{D}", dir.path());
    SCOPED_TRACE(live + " at " + std::to_string(c.position));
    MakeSite(c.position, c.count, live);
    for (const auto& [name, content] : c.before) WriteFile(live + "/" + name, content);
    const Tree before = ReadTree(dir.path());
    const TurnwheelResult result = RotateSites();
    ASSERT_EQ(result.sites.size(), 1u);
    const SiteRotation& site = result.sites[0];
    EXPECT_NE(site.line.find(c.says), std::string::npos) << site.line;
    EXPECT_EQ(result.ok, c.rotation > 0);
    if (c.rotation == 0) {
      EXPECT_EQ(site.outcome, RotationOutcome::Refused);
      EXPECT_EQ(ReadTree(dir.path()), before);
      continue;
    }
    const std::string k = std::to_string(c.rotation);
    EXPECT_EQ(site.outcome, RotationOutcome::Live);
    EXPECT_EQ(site.rotation, c.rotation);
    EXPECT_EQ(ReadTree(live), (Tree{{"Index.html", "page " + k}, {"a.jpg", "image " + k}}));
    IniFile ini(dir / "Site_1.ini");
    ASSERT_TRUE(ini.Load());
    EXPECT_TRUE(site.line.ends_with("; next rotation: " +
                                    ini.GetString("General", "CurrentRotationPosition", "")));
  }
}

}  // namespace
}  // namespace parvel
