#include "model/siteop.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "model/paths.h"
#include "model/siteoptions.h"
#include "platform/filesystem.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class CatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDataDirectory(tmp.path()); }
  void TearDown() override {
    EXPECT_TRUE(ui.unexpected().empty()) << ui.unexpected().front();
    EXPECT_EQ(ui.unused_answers(), 0u);
  }

  // A catalogue whose sites.ini lists `sites` (key, name) and whose settings files hold Path.
  void MakeSites(std::initializer_list<std::pair<const char*, const char*>> sites) {
    std::string text = "[Sites]\r\n";
    for (const auto& [key, name] : sites) {
      text += std::string(key) + "=" + name + "\r\n";
      WriteFile(tmp / (std::string(key) + ".ini"), std::string("[General]\r\nName=") + name +
                                                       "\r\nPath=%/" + key +
                                                       "/\r\nRotationCount=1\r\n");
    }
    WriteFile(tmp / "sites.ini", text);
    cat.ReadSites();
  }
  // The site Cats, selected, its directory made.
  void OneSite() {
    MakeSites({{"Site_1", "Cats"}});
    std::filesystem::create_directory(tmp / "Site_1");
    cat.SelectSite(0, true);
  }

  TempDir tmp;
  ScriptedInteraction ui;
  Catalogue cat;
};

TEST_F(CatalogueTest, NewSiteKeySkipsListedKeysAndStrayFiles) {
  struct Case {
    const char* name;
    std::vector<const char*> listed;
    std::vector<const char*> files;
    const char* expected;
  } cases[] = {
      {"empty", {}, {}, "Site_1"},
      {"stray_file", {"Site_1", "Site_2"}, {"Site_3.ini"}, "Site_4"},
      {"starts_after_the_count", {"Site_9"}, {}, "Site_2"},
      {"listed_other_case", {"site_2"}, {}, "Site_3"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    SetDataDirectory(dir.path());
    std::string text = "[Sites]\r\n";
    for (const char* key : c.listed) text += std::string(key) + "=x\r\n";
    WriteFile(dir / "sites.ini", text);
    for (const char* file : c.files) WriteFile(dir / file, "");
    Catalogue fresh;
    fresh.ReadSites();
    EXPECT_EQ(fresh.generatenewsitename(), c.expected) << c.name;
  }
}

TEST_F(CatalogueTest, SaveWritesGeneralInItsOrderAndTheNameToTheCatalogue) {
  ASSERT_TRUE(cat.addsite("Site_1"));
  WriteFile(tmp / "Site_1.ini",
            ReadFile(tmp / "Site_1.ini") + "[Rotation_1]\r\nThumb_Width=120\r\n");
  tsiterecord& site = cat.site();
  site = {"Site_1", "Cats", tmp / "Site_1/", "/srv/live", true, 2, 3, "Index.htm"};
  EXPECT_TRUE(cat.savecurrentsite());
  EXPECT_EQ(ReadFile(tmp / "Site_1.ini"),
            "[General]\r\nName=Cats\r\nPath=%/Site_1/\r\nLivePath=/srv/live\r\n"
            "AutoRotate=True\r\nCurrentRotationPosition=2\r\nBaseHTMLName=Index.htm\r\n"
            "RotationCount=3\r\n[Rotation_1]\r\nThumb_Width=120\r\n");
  EXPECT_EQ(ReadFile(tmp / "sites.ini"), "[Sites]\r\nSite_1=Cats\r\n");
}

TEST_F(CatalogueTest, DeleteCurrentSiteRemovesItsFilesDirectoryAndEntry) {
  MakeSites({{"Site_1", "One"}, {"Site_2", "Two"}});
  WriteFile(tmp / "Site_1/photo.jpg", "x");
  WriteFile(tmp / "Site_1/notes.txt", "x");
  WriteFile(tmp / "Site_1/Rotation_1/page.html", "x");
  WriteFile(tmp / "elsewhere/Rotation_2/a.jpg", "x");  // a rotation outside the site directory
  WriteFile(tmp / "Site_2/b.jpg", "x");
  cat.SelectSite(0, true);
  EXPECT_TRUE(cat.deletecurrentsite(ui, true));
  EXPECT_FALSE(PathExists(tmp / "Site_1"));
  EXPECT_FALSE(PathExists(tmp / "Site_1.ini"));
  EXPECT_TRUE(PathExists(tmp / "elsewhere/Rotation_2/a.jpg"));
  EXPECT_TRUE(PathExists(tmp / "Site_2/b.jpg"));
  EXPECT_EQ(ReadFile(tmp / "sites.ini"), "[Sites]\r\nSite_2=Two\r\n");
  EXPECT_EQ(cat.keys(), std::vector<std::string>{"Site_2"});
  EXPECT_EQ(cat.selected(), -1);
}

TEST_F(CatalogueTest, FirstPageNameRules) {
  OneSite();
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
    EXPECT_NE(ReadFile(tmp / "Site_1.ini").find(std::string("BaseHTMLName=") + c.stored + "\r\n"),
              std::string::npos);
  }
}

TEST_F(CatalogueTest, OkChecksInOrderAndStoresNothingOnFailure) {
  OneSite();
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
