#include "model/siteop.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "model/model_support.h"
#include "model/siteoptions.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class CatalogueTest : public testing::DataDirectoryTest {
 protected:
  // The site Cats, selected, its directory made.
  void OneSite() {
    testing::WriteSite("Site_1", "Cats", "RotationCount=1\r\n");
    std::filesystem::create_directory(tmp / "Site_1");
    cat.ReadSites();
    cat.SelectSite(0, true);
  }
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
  testing::WriteSite("Site_1", "One", "");
  testing::WriteSite("Site_2", "Two", "");
  cat.ReadSites();
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

// OK checks the name, the directory, the live directory and the first page's name in that order;
// a refusal shows one message and stores nothing, an accepted name is stored in its full form.
// Image display pages take their image's name with the first page's extension: a picture's
// extension there would write every page over its photograph.
TEST_F(CatalogueTest, OkChecksInOrderThenStoresTheFirstPageName) {
  OneSite();
  const std::string site = tmp / "Site_1/";
  const std::string like_a_picture =
      ", ends in the extension of a picture.  Pages named like pictures would be written over "
      "your images: please choose a name such as Index.html!";
  struct Case {
    const char* name;
    std::string path;
    bool auto_rotate;
    const char* first_page;
    std::string result;  // the message, or "=" and the name stored
  } cases[] = {
      {"", "", true, "Index.html", std::string(kNoSiteNameMessage)},
      {"Dogs", "", true, "Index.html", std::string(kNoSiteDirectoryMessage)},
      {"Dogs", "/tmp", true, "Index.html", std::string(kNoLiveDirectoryMessage)},
      {"Dogs", "/tmp", false, "Gallery.JPG",
       "The name of the first HTML page, Gallery.JPG" + like_a_picture},
      {"Dogs", "/tmp", false, "a.Jpe", "The name of the first HTML page, a.Jpe" + like_a_picture},
      {"Cats", site, false, "home", "=home.html"},
      {"Cats", site, false, "", "=Index.html"},
      {"Cats", site, false, "start.htm", "=start.htm"},
      {"Cats", site, false, "a.php", "=a.php"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first_page);
    const std::string before = ReadFile(tmp / "Site_1.ini");
    ui.Clear();
    SiteOptionsDialog dialog(ui, cat.site(), true);
    dialog.set_name(c.name);
    dialog.set_path(c.path);
    dialog.set_auto_rotate(c.auto_rotate);
    dialog.set_live_path("");
    dialog.set_base_html_name(c.first_page);
    const bool stored = c.result.starts_with("=");
    EXPECT_EQ(dialog.Accept(cat), stored);
    EXPECT_EQ(cat.site().Name, "Cats");
    if (!stored) {
      ASSERT_EQ(ui.texts(), std::vector{c.result});
      EXPECT_EQ(ui.messages()[0].kind, MessageKind::Information);
      EXPECT_EQ(ReadFile(tmp / "Site_1.ini"), before);
      continue;
    }
    EXPECT_EQ(cat.site().BaseHTMLName, c.result.substr(1));
    EXPECT_NE(ReadFile(tmp / "Site_1.ini").find("BaseHTMLName" + c.result + "\r\n"),
              std::string::npos);
  }
}

}  // namespace
}  // namespace parvel
