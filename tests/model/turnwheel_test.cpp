#include "model/turnwheel.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "model/inifile.h"
#include "model/paths.h"
#include "model/siteop.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class TurnwheelTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDataDirectory(tmp.path()); }

  // A site with `count` built rotations in Site_N/Rotation_K, each holding Index.html and
  // a.jpg with the rotation's number, and the given General lines.
  void MakeSite(int number, int count, const std::string& general) {
    const std::string key = "Site_" + std::to_string(number);
    std::string text = "[General]\r\nName=Site " + std::to_string(number) + "\r\nPath=%/" + key +
                       "/\r\nRotationCount=" + std::to_string(count) + "\r\n" + general;
    for (int k = 1; k <= count; ++k) {
      const std::string dir = key + "/Rotation_" + std::to_string(k);
      WriteFile(Data(dir + "/Index.html"), "page " + std::to_string(k));
      WriteFile(Data(dir + "/a.jpg"), "image " + std::to_string(k));
      text += "[Rotation_" + std::to_string(k) + "]\r\nRotation_Path=%/" + dir + "\r\n";
    }
    WriteFile(Data(key + ".ini"), text);
    sites_ += key + "=Site " + std::to_string(number) + "\r\n";
    WriteFile(Data("sites.ini"), sites_);
  }

  static std::string Data(const std::string& name) { return DataDirectory() + name; }

  // Due for rotation into tmp/live<number>, next position `position`.
  std::string Due(int number, int position) {
    return "LivePath=" + Live(number) +
           "\r\nAutoRotate=True\r\nCurrentRotationPosition=" + std::to_string(position) + "\r\n";
  }
  std::string Live(int number) { return Data("live" + std::to_string(number)); }

  std::string Position(int number) {
    IniFile ini(Data("Site_" + std::to_string(number) + ".ini"));
    EXPECT_TRUE(ini.Load());
    return ini.GetString("General", "CurrentRotationPosition", "<missing>");
  }

  TempDir tmp;
  std::string sites_ = "[Sites]\r\n";
};

TEST_F(TurnwheelTest, DueRotationGoesLiveAndThePositionMovesOnWrappingAtTheEnd) {
  struct Case {
    int position;
    int count;
    int live;
    const char* next;
  } cases[] = {
      {2, 3, 2, "3"}, {3, 3, 3, "1"}, {7, 3, 1, "2"}, {0, 3, 1, "2"}, {1, 1, 1, "1"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    SetDataDirectory(dir.path());
    sites_ = "[Sites]\r\n";
    MakeSite(1, c.count, Due(1, c.position));
    const TurnwheelResult result = RotateSites();
    ASSERT_EQ(result.sites.size(), 1u);
    const SiteRotation& site = result.sites[0];
    EXPECT_TRUE(result.ok) << site.line;
    EXPECT_EQ(site.outcome, RotationOutcome::Live) << c.position;
    EXPECT_EQ(site.rotation, c.live) << c.position;
    EXPECT_EQ(ReadFile(Live(1) + "/Index.html"), "page " + std::to_string(c.live)) << c.position;
    EXPECT_EQ(Position(1), c.next) << c.position;
    EXPECT_EQ(std::to_string(site.next_rotation), c.next);
    EXPECT_EQ(site.line, "Site_1 (Site 1): Rotation " + std::to_string(c.live) + " is live in " +
                             Live(1) + "; next rotation: " + c.next);
  }
}

TEST_F(TurnwheelTest, LiveDirectoryThatWouldSwallowTheSiteIsRefused) {
  struct Case {
    const char* name;
    std::string live;
  } cases[] = {
      {"the_rotation_itself", tmp / "Site_1/Rotation_1"},
      {"another_rotation", tmp / "Site_1/Rotation_2/"},
      {"the_data_directory", tmp.path()},
      {"relative", "live"},
  };
  for (const auto& c : cases) {
    sites_ = "[Sites]\r\n";
    MakeSite(1, 2, "LivePath=" + c.live + "\r\nAutoRotate=True\r\nCurrentRotationPosition=1\r\n");
    const TurnwheelResult result = RotateSites();
    EXPECT_FALSE(result.ok) << c.name;
    ASSERT_EQ(result.sites.size(), 1u) << c.name;
    EXPECT_EQ(result.sites[0].outcome, RotationOutcome::Refused) << c.name;
    EXPECT_EQ(ReadFile(tmp / "Site_1/Rotation_2/a.jpg"), "image 2") << c.name;
    EXPECT_EQ(ReadFile(tmp / "Site_1/Rotation_1/a.jpg"), "image 1") << c.name;
    EXPECT_EQ(Position(1), "1") << c.name;
  }
}

TEST_F(TurnwheelTest, ALiveDirectoryTurnwheelDidNotFillIsLeftAlone) {
  struct Case {
    const char* name;
    testing::Tree live;  // files in the live directory before the run
    bool replaced;
  } cases[] = {
      {"a_blog", {{"index.php", "blog"}, {"posts/1.html", "first post"}}, false},
      {"rotation_2_changed", {{"Index.html", "page 2"}, {"a.jpg", "edited"}}, false},
      {"a_copy_of_rotation_2", {{"Index.html", "page 2"}, {"a.jpg", "image 2"}}, true},
  };
  for (const auto& c : cases) {
    TempDir dir;
    SetDataDirectory(dir.path());
    sites_ = "[Sites]\r\n";
    MakeSite(1, 2, Due(1, 1));
    fs::create_directories(Live(1));
    for (const auto& [name, content] : c.live) WriteFile(Live(1) + "/" + name, content);
    const testing::Tree before = testing::ReadTree(Live(1));
    const TurnwheelResult result = RotateSites();
    ASSERT_EQ(result.sites.size(), 1u);
    const SiteRotation& site = result.sites[0];
    if (c.replaced) {
      EXPECT_EQ(site.outcome, RotationOutcome::Live) << c.name << ": " << site.line;
      EXPECT_EQ(ReadFile(Live(1) + "/a.jpg"), "image 1") << c.name;
      continue;
    }
    EXPECT_EQ(site.outcome, RotationOutcome::Refused) << c.name;
    EXPECT_EQ(testing::ReadTree(Live(1)), before) << c.name;
    EXPECT_EQ(Position(1), "1") << c.name;
    EXPECT_NE(site.line.find("holds files that turnwheel did not put there"), std::string::npos);
  }
}

}  // namespace
}  // namespace parvel
