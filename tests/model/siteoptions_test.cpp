#include "model/siteoptions.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "model/inifile.h"
#include "model/paths.h"
#include "platform/filesystem.h"
#include "support/faulty_filesystem.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class SiteOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDataDirectory(tmp.path());
    WriteFile(tmp / "sites.ini", "[Sites]\r\nSite_1=Cats\r\n");
    WriteFile(tmp / "Site_1.ini",
              "[General]\r\nName=Cats\r\nPath=%/Site_1/\r\nLivePath=/srv/live\r\n"
              "AutoRotate=True\r\nCurrentRotationPosition=2\r\nBaseHTMLName=Index.htm\r\n"
              "RotationCount=3\r\n");
    std::filesystem::create_directory(tmp / "Site_1");
    cat.ReadSites();
    cat.SelectSite(0, true);
  }
  void TearDown() override {
    EXPECT_TRUE(ui.unexpected().empty()) << ui.unexpected().front();
    EXPECT_EQ(ui.unused_answers(), 0u);
  }

  std::string General(const char* key) {
    IniFile ini(tmp / "Site_1.ini");
    EXPECT_TRUE(ini.Load());
    return ini.GetString("General", key, "<missing>");
  }

  TempDir tmp;
  ScriptedInteraction ui;
  Catalogue cat;
};

TEST_F(SiteOptionsTest, FirstPageNameRules) {
  struct Case {
    const char* entered;
    const char* stored;
  } cases[] = {
      {"home", "home.html"},
      {"", "Index.html"},
      {"start.htm", "start.htm"},
      {"a.php", "a.php"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StoredBaseHTMLName(c.entered), c.stored) << c.entered;
    SiteOptionsDialog dialog(ui, cat.site(), true);
    dialog.set_base_html_name(c.entered);
    ASSERT_TRUE(dialog.Accept(cat));
    EXPECT_EQ(cat.site().BaseHTMLName, c.stored);
    EXPECT_EQ(General("BaseHTMLName"), c.stored);
  }
}

TEST_F(SiteOptionsTest, OkChecksInOrderAndStoresNothingOnFailure) {
  struct Case {
    const char* name;
    const char* site_name;
    const char* path;
    bool auto_rotate;
    const char* live;
    std::string message;
    const char* first_page = "Index.html";
  };
  std::vector<Case> cases = {
      {"no_name_first", "", "", true, "", std::string(kNoSiteNameMessage)},
      {"no_directory", "Dogs", "", true, "", std::string(kNoSiteDirectoryMessage)},
      {"no_live_directory", "Dogs", "/tmp", true, "", std::string(kNoLiveDirectoryMessage)},
  };
  // Image display pages take their image's name with the first page's extension: a picture's
  // extension there would write every page over its photograph.
  for (const char* picture : {"Gallery.JPG", "a.Jpe", "c.png"}) {
    cases.push_back({"first_page_like_a_picture", "Dogs", "/tmp", false, "",
                     "The name of the first HTML page, " + std::string(picture) +
                         ", ends in the extension of a picture.  Pages named like pictures would "
                         "be written over your images: please choose a name such as Index.html!",
                     picture});
  }
  const std::string before = ReadFile(tmp / "Site_1.ini");
  for (const auto& c : cases) {
    ui.Clear();
    SiteOptionsDialog dialog(ui, cat.site(), true);
    dialog.set_name(c.site_name);
    dialog.set_path(c.path);
    dialog.set_auto_rotate(c.auto_rotate);
    dialog.set_live_path(c.live);
    dialog.set_base_html_name(c.first_page);
    EXPECT_FALSE(dialog.Accept(cat)) << c.name;
    ASSERT_EQ(ui.messages().size(), 1u) << c.name;
    EXPECT_EQ(ui.messages()[0].text, c.message) << c.name;
    EXPECT_EQ(ui.messages()[0].kind, MessageKind::Information) << c.name;
    EXPECT_EQ(cat.site().Name, "Cats") << c.name;
    EXPECT_EQ(ReadFile(tmp / "Site_1.ini"), before) << c.name;
  }
}

}  // namespace
}  // namespace parvel
