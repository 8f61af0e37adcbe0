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

TEST_F(SiteOptionsTest, AutoRotateWithRotationsOffIsTurnedOffAndSavedOff) {
  SiteOptionsDialog dialog(ui, cat.site(), false);
  EXPECT_EQ(ui.texts(), std::vector<std::string>{std::string(kRotationsDisabledMessage)});
  EXPECT_EQ(ui.messages()[0].kind, MessageKind::Information);
  EXPECT_FALSE(dialog.auto_rotate());
  EXPECT_FALSE(dialog.live_fields_enabled());
  dialog.set_auto_rotate(true);  // switching it on again meets the same rule
  EXPECT_EQ(ui.messages().size(), 2u);
  EXPECT_FALSE(dialog.auto_rotate());
  ASSERT_TRUE(dialog.Accept(cat));
  EXPECT_FALSE(cat.site().AutoRotate);
  EXPECT_EQ(General("AutoRotate"), "False");
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

TEST_F(SiteOptionsTest, MissingDirectoryIsCreatedOnlyAfterYes) {
  const std::string dir = tmp / "new/place";
  SiteOptionsDialog dialog(ui, cat.site(), true);
  dialog.set_path(dir);
  ui.QueueAnswer(Answer::No);
  EXPECT_FALSE(dialog.Accept(cat));
  EXPECT_EQ(ui.texts(), std::vector<std::string>{CreateSiteDirectoryQuestion(dir)});
  EXPECT_EQ(ui.texts()[0],
            "The directory, " + dir + ", does not exist.  Would you like to create it?");
  EXPECT_FALSE(std::filesystem::exists(dir));
  EXPECT_EQ(cat.site().Path, tmp / "Site_1/");

  ui.QueueAnswer(Answer::Yes);
  ASSERT_TRUE(dialog.Accept(cat));
  EXPECT_TRUE(std::filesystem::is_directory(dir));
  EXPECT_EQ(cat.site().Path, dir);  // as typed
  EXPECT_EQ(General("Path"), "%/new/place");
}

TEST_F(SiteOptionsTest, OkStoresEveryFieldSavesAndRereadsTheNames) {
  SiteOptionsDialog dialog(ui, cat.site(), true);
  dialog.set_name("Dogs");
  dialog.set_live_path("/srv/dogs");
  dialog.set_next_rotation(3);
  dialog.set_base_html_name("start");
  ASSERT_TRUE(dialog.Accept(cat));
  const tsiterecord& site = cat.site();
  EXPECT_EQ(site.BaseHTMLName, "start.html");
  EXPECT_EQ(General("Name"), "Dogs");
  EXPECT_EQ(General("LivePath"), "/srv/dogs");
  EXPECT_EQ(General("CurrentRotationPosition"), "3");
  EXPECT_EQ(General("RotationCount"), "3");
  EXPECT_EQ(cat.names(), std::vector<std::string>{"Dogs"});
  EXPECT_TRUE(ui.messages().empty());
}

TEST_F(SiteOptionsTest, MainWindowActionSavesWhetherConfirmedOrNot) {
  for (bool confirmed : {true, false}) {
    cat.site().Name = confirmed ? "Confirmed" : "Cancelled";
    const auto status = SiteOptionsAction(ui, cat, true, [&] { return confirmed; });
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->site_name, cat.site().Name);
    EXPECT_EQ(General("Name"), cat.site().Name);
  }
}

}  // namespace
}  // namespace parvel
