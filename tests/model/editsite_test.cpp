#include "model/editsite.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "model/model_support.h"

namespace parvel {
namespace {

using testing::SiteKey;
using testing::TempDir;
using testing::WriteFile;

// One site's rotation on disk: its section lines and the files of its directory.
struct RotationOnDisk {
  const char* section;             // lines of section Rotation_N
  std::vector<const char*> files;  // below the data directory
};

class SiteEditorTest : public testing::DataDirectoryTest {
 protected:
  // Writes the site Site_1; `text` holds the lines after Path.
  void MakeSite(std::string text, const std::vector<RotationOnDisk>& rotations) {
    for (size_t i = 0; i < rotations.size(); ++i) {
      text += "[Rotation_" + std::to_string(i + 1) + "]\r\n" + rotations[i].section;
      for (const char* file : rotations[i].files) WriteFile(DataDirectory() + file, "x");
    }
    testing::WriteSite("Site_1", "One", text);
  }

  SiteSettings settings;
  AppOptions options;
  std::vector<std::string> styles;
  SiteEditor editor{ui, cat, settings, options, styles};
};

TEST_F(SiteEditorTest, RotationListEntries) {
  struct Case {
    bool use_rotations;
    const char* general;
    std::vector<RotationOnDisk> rotations;
    std::vector<std::string> entries, chooser;
  } cases[] = {
      // clang-format off
      {true, "RotationCount=2\r\nBaseHTMLName=home.html\r\n",
       {{"Rotation_Path=%/Site_1/one\r\n", {"Site_1/one/a.JPG", "Site_1/one/b.gif",
         "Site_1/one/c.jpe", "Site_1/one/d.png", "Site_1/one/home.html", "Site_1/one/e.jpeg"}},
        {"Rotation_Path=%/Site_1/two\r\n", {"Site_1/two/a.jpg", "Site_1/two/Index.html"}}},
       {"Rotation 1 : 4 Images : Built", "Rotation 2 : 1 Images : NOT BUILT"},  // e.jpeg counts
       {"Rotation 1", "Rotation 2"}},
      {true, "RotationCount=2\r\n",
       {{"Rotation_Path=%/Site_1/one\r\n", {"Site_1/one/a.jpg"}},
        {"Rotation_Path=%/Site_1/gone\r\n", {}}},
       {"Rotation 1 : 1 Images : NOT BUILT", "Rotation 2 : ERROR! Not found!"},
       {"Rotation 1", "Rotation 2"}},
      // Without Rotation_Path the folder is the one New Rotation makes: "Rotation_" + N.
      {true, "RotationCount=1\r\n",
       {{"Thumb_Width=90\r\n", {"Site_1/Rotation_1/a.jpg", "Site_1/rotation1/b.jpg"}}},
       {"Rotation 1 : 1 Images : NOT BUILT"}, {"Rotation 1"}},
      // clang-format on
  };
  for (const auto& c : cases) {
    TempDir dir;
    SetDataDirectory(dir.path());
    MakeSite(c.general, c.rotations);
    const RotationList list = loadrotationlist(ui, "Site_1", c.use_rotations);
    EXPECT_EQ(list.entries, c.entries);
    EXPECT_EQ(list.chooser, c.chooser);
    EXPECT_EQ(ui.busy_depth(), 0);
  }
}

// Over three rotations: selecting one saves the current rotation first; only the last may be
// deleted, after a Yes, with its directory; a new rotation copies the settings with its own
// directory and Status 0.
TEST_F(SiteEditorTest, SelectDeleteAndNewRotation) {
  options.UseRotations = true;
  MakeSite("RotationCount=3\r\n",
           {{"Status=2\r\nRotation_Path=%/Site_1/Rotation_1\r\nThumb_Width=110\r\n",
             {"Site_1/Rotation_1/a.jpg"}},
            {"Status=1\r\nRotation_Path=%/Site_1/Rotation_2\r\nThumb_Width=120\r\n",
             {"Site_1/Rotation_2/b.jpg"}},
            {"Status=0\r\nRotation_Path=%/elsewhere/three\r\nThumb_Width=130\r\n",
             {"elsewhere/three/c.gif"}}});
  cat.ReadSites();
  cat.SelectSite(0, true);
  ASSERT_TRUE(editor.Open());
  settings.Thumb_Width = 321;
  settings.Status = RotationStatus::Opened;
  ASSERT_TRUE(editor.SelectRotation(1));
  EXPECT_EQ(SiteKey("Rotation_1", "Thumb_Width") + " " + SiteKey("Rotation_1", "Status"), "321 1");
  EXPECT_EQ(settings.Thumb_Width, 120);
  EXPECT_EQ(editor.rotation_directory(), tmp / "Site_1/Rotation_2");
  EXPECT_FALSE(editor.delete_rotation_enabled());
  EXPECT_FALSE(editor.DeleteRotation());  // not the last: no question, nothing removed

  editor.SelectRotation(2);
  EXPECT_TRUE(editor.delete_rotation_enabled());
  ui.QueueAnswer(Answer::Yes);
  ASSERT_TRUE(editor.DeleteRotation());
  EXPECT_EQ(ui.texts(), std::vector<std::string>{"Are you sure you want to remove Rotation 3 and "
                                                 "delete all files in the directory, " +
                                                 (tmp / "elsewhere/three") + "?"});
  EXPECT_EQ(SiteKey("General", "RotationCount"), "2");
  EXPECT_EQ(SiteKey("Rotation_3", "Rotation_Path"), "<missing>");
  EXPECT_FALSE(std::filesystem::exists(tmp / "elsewhere/three"));
  EXPECT_TRUE(std::filesystem::exists(tmp / "Site_1/Rotation_2/b.jpg"));

  settings.Thumb_Width = 222;
  ASSERT_TRUE(editor.NewRotation());
  EXPECT_TRUE(std::filesystem::is_directory(tmp / "Site_1/Rotation_3"));
  EXPECT_EQ(SiteKey("General", "RotationCount") + " " + SiteKey("Rotation_3", "Thumb_Width") + " " +
                SiteKey("Rotation_3", "Rotation_Path") + " " + SiteKey("Rotation_3", "Status"),
            "3 222 %/Site_1/Rotation_3 0");
  EXPECT_EQ(editor.current_rotation(), 3);
}

// Delete Site and Delete Rotation share their guard: each refuses a directory that holds more
// than the site or rotation, warns without asking and removes nothing.
TEST_F(SiteEditorTest, WholeDirectoryDeletesRefuseFoldersThatHoldMore) {
  // Home, data and the other sites all lie below tmp, so that a failing guard harms nothing else.
  const std::string home = tmp / "home/";
  const std::string outer = tmp / "outer/";
  const std::string data = outer + "data/";
  const std::string two = tmp / "disk/two/";
  const std::string two_r1 = tmp / "elsewhere/r1/";
  struct HomeBack {
    const char* old = std::getenv("HOME");
    std::string saved = old ? old : "";
    ~HomeBack() { old ? ::setenv("HOME", saved.c_str(), 1) : ::unsetenv("HOME"); }
  } home_back;
  ::setenv("HOME", home.c_str(), 1);
  SetDataDirectory(data);
  options.UseRotations = true;
  for (const std::string file : {"home/letter.txt", "outer/blog/post.html", "disk/two/a.jpg",
                                 "elsewhere/r1/b.jpg", "outer/data/Site_1/Rotation_1/c.jpg"}) {
    WriteFile(tmp / file, "bytes of " + file);
  }
  const std::string site_two = "[General]\r\nName=Two\r\nPath=" + two +
                               "\r\nRotationCount=1\r\n[Rotation_1]\r\nRotation_Path=" + two_r1;
  struct Case {
    std::string folder;
    std::string why;
  } cases[] = {
      {home, "is your home directory"},
      {data, "is the data directory"},
      {outer, "holds the data directory, " + data},
      {tmp / "disk/", "holds the directory of the site Two (Site_2), " + two},
      {tmp / "elsewhere/", "holds the directory of Rotation 1 of the site Two (Site_2), " + two_r1},
  };
  for (const auto& c : cases) {
    WriteFile(data + "sites.ini", "[Sites]\r\nSite_1=One\r\nSite_2=Two\r\n");
    WriteFile(data + "Site_2.ini", site_two);
    // Delete Site, the site's directory being the folder.
    WriteFile(data + "Site_1.ini",
              "[General]\r\nName=One\r\nPath=" + c.folder + "\r\nRotationCount=0\r\n");
    ui.Clear();
    cat.ReadSites();
    cat.SelectSite(0, true);
    testing::Tree before = testing::ReadTree(tmp.path());
    cat.DeleteSite(ui, true);
    EXPECT_EQ(testing::ReadTree(tmp.path()), before) << c.folder;
    const std::string its_directory = " its directory, " + c.folder + ", " + c.why + ".";
    EXPECT_EQ(ui.texts(), std::vector{"The site, One, was not deleted:" + its_directory});
    // Delete Rotation, the last rotation's directory being the folder.
    WriteFile(data + "Site_1.ini",
              "[General]\r\nName=One\r\nPath=%/Site_1/\r\nRotationCount=2\r\n[Rotation_1]\r\n"
              "Rotation_Path=%/Site_1/Rotation_1\r\n[Rotation_2]\r\nRotation_Path=" +
                  c.folder + "\r\n");
    ui.Clear();
    cat.SelectSite(0, true);
    SiteEditor rotations{ui, cat, settings, options, styles};
    ASSERT_TRUE(rotations.Open());
    ASSERT_TRUE(rotations.SelectRotation(1)) << c.folder;
    before = testing::ReadTree(tmp.path());
    EXPECT_FALSE(rotations.DeleteRotation());
    EXPECT_EQ(testing::ReadTree(tmp.path()), before) << c.folder;
    EXPECT_EQ(ui.texts(), std::vector{"Rotation 2 was not removed:" + its_directory});
  }
  EXPECT_EQ(WholeDirectoryProblem("/tmp/..", {}), "is the root directory");
}

}  // namespace
}  // namespace parvel
