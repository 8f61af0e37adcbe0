#include "model/siteop.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/textutil.h"
#include "model/inifile.h"
#include "model/paths.h"
#include "model/siteoptions.h"
#include "platform/filesystem.h"
#include "support/faulty_filesystem.h"
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

// The record's fields joined by "|": key, name, path, live path, auto-rotate, position, count,
// first page; "<data>/" stands for the data directory.
std::string Fields(const tsiterecord& s) {
  return s.SiteKey + "|" + s.Name + "|" + s.Path + "|" + s.LivePath + "|" +
         (s.AutoRotate ? "auto" : "") + "|" + std::to_string(s.CurrentRotationPosition) + "|" +
         std::to_string(s.RotationCount) + "|" + s.BaseHTMLName;
}

TEST_F(CatalogueTest, LoadSiteReadsGeneralWithItsDefaults) {
  struct Case {
    const char* general;  // lines of section "General"; nullptr: no file
    bool result;
    const char* fields;
  } cases[] = {
      {"Name=Cats\r\nPath=%/Site_1/\r\nLivePath=/srv/www\r\nAutoRotate=True\r\n"
       "CurrentRotationPosition=3\r\nBaseHTMLName=home.html\r\nRotationCount=4\r\n",
       true, "Site_1|Cats|<data>/Site_1/|/srv/www|auto|3|4|home.html"},
      {nullptr, false, "Site_1|Name Error||||1|10|Index.html"},
      {"Name=New Site\r\n", false, "Site_1|New Site||||1|10|Index.html"},
      {"Path=/srv/a\r\nAutoRotate=True\r\n", true, "Site_1|Name Error|/srv/a/|||1|10|Index.html"},
      {"Path=/srv/a\r\nLivePath=/l\r\nAutoRotate=Yes\r\n", true,
       "Site_1|Name Error|/srv/a/|/l||1|10|Index.html"},
      {"Path=/srv/a\r\nRotationCount=-2\r\n", true, "Site_1|Name Error|/srv/a/|||1|0|Index.html"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(tmp / "Site_1.ini");
    if (c.general) WriteFile(tmp / "Site_1.ini", std::string("[General]\r\n") + c.general);
    Catalogue fresh;
    EXPECT_EQ(fresh.loadsite("Site_1"), c.result) << c.fields;
    EXPECT_EQ(Fields(fresh.site()), ReplaceAll(c.fields, "<data>/", tmp.path()));
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

// The main window's panel: name, location, rotations, auto-rotate, copy-to, next rotation and
// whether Delete Site, Site Options and Edit Site are usable.
TEST_F(CatalogueTest, SelectionStatusFillsThePanel) {
  WriteFile(tmp / "sites.ini", "[Sites]\r\nSite_1=Cats\r\n");
  struct Case {
    bool selected, auto_rotate, use_rotations;
    const char* panel;
  } cases[] = {
      {false, true, true, "||||||000"},
      {true, true, true, "Cats|/srv/cats/|5|Yes|/srv/live|2|111"},
      {true, false, true, "Cats|/srv/cats/|5|No|||111"},
      {true, true, false, "Cats|/srv/cats/|N/A|No|||111"},
  };
  for (const auto& c : cases) {
    WriteFile(tmp / "Site_1.ini",
              std::string("[General]\r\nName=Cats\r\nPath=/srv/cats\r\n") +
                  "LivePath=/srv/live\r\nAutoRotate=" + (c.auto_rotate ? "True" : "False") +
                  "\r\nCurrentRotationPosition=2\r\nRotationCount=5\r\n");
    Catalogue fresh;
    fresh.ReadSites();
    fresh.loadsite("Site_1");
    const SelectionStatus s = c.selected ? fresh.SelectSite(0, c.use_rotations)
                                         : fresh.doselectionstatus(c.use_rotations);
    EXPECT_EQ(s.site_name + "|" + s.location + "|" + s.rotations + "|" + s.auto_rotate + "|" +
                  s.copy_to + "|" + s.next_rotation + "|" + std::to_string(s.delete_site_enabled) +
                  std::to_string(s.site_options_enabled) + std::to_string(s.edit_site_enabled),
              c.panel);
    EXPECT_EQ(fresh.site().SiteKey, c.selected ? "Site_1" : "");
  }
}

TEST_F(CatalogueTest, NewSiteConfirmedIsSelectedAndSaved) {
  MakeSites({{"Site_1", "One"}});
  tsiterecord seen;
  const SelectionStatus status = cat.NewSite(ui, true, [&] {
    seen = cat.site();
    cat.site().Name = "Dogs";
    cat.savecurrentsite();
    cat.rebuildSiteNameList();
    return true;
  });
  EXPECT_EQ(seen.SiteKey, "Site_2");
  EXPECT_EQ(seen.Name, "New Site");
  EXPECT_EQ(seen.Path, tmp / "Site_2/");
  EXPECT_EQ(seen.RotationCount, 0);
  EXPECT_EQ(cat.selected(), 1);
  EXPECT_EQ(cat.names(), (std::vector<std::string>{"One", "Dogs"}));
  EXPECT_EQ(status.site_name, "Dogs");
  EXPECT_TRUE(status.edit_site_enabled);
  EXPECT_TRUE(ui.messages().empty());
}

// A cancelled new site is taken out again with the directory its options made, but never with a
// directory that was there before.
TEST_F(CatalogueTest, NewSiteCancelledRemovesTheSiteAgain) {
  MakeSites({{"Site_1", "One"}});
  const std::string sites_before = ReadFile(tmp / "sites.ini");
  const SelectionStatus status = cat.NewSite(
      ui, true, [&] { return std::filesystem::create_directories(tmp / "Site_2"), false; });
  EXPECT_FALSE(PathExists(tmp / "Site_2.ini"));
  EXPECT_FALSE(PathExists(tmp / "Site_2"));
  EXPECT_EQ(ReadFile(tmp / "sites.ini"), sites_before);
  EXPECT_EQ(cat.keys(), std::vector<std::string>{"Site_1"});
  EXPECT_EQ(cat.selected(), -1);
  EXPECT_FALSE(status.delete_site_enabled);
  WriteFile(tmp / "Site_2/keep.jpg", "x");
  cat.NewSite(ui, true, [] { return false; });
  EXPECT_TRUE(PathExists(tmp / "Site_2/keep.jpg"));
}

TEST_F(CatalogueTest, AFailedNewSiteKeepsTheFolderTheUserNamed) {
  // A data directory below a regular file: no write reaches it, also not as root.
  WriteFile(tmp / "blocker", "a file");
  const std::string data = tmp / "blocker/data/";
  SetDataDirectory(data);
  WriteFile(tmp / "Pictures/sunset.jpg", "sunset bytes");
  WriteFile(tmp / "Pictures/2024/notes.txt", "notes");
  const std::string created =
      "Error encountered creating new site!  Ensure you have write "
      "access and sufficient disk space for your data directory, " +
      data + "!";
  struct Case {
    const char* folder;
    bool exists;  // else the OK makes it, and takes it away again with the failed save
  } cases[] = {{"Pictures/", true}, {"New Album/", false}};
  for (const auto& c : cases) {
    const testing::Tree before = testing::ReadTree(tmp.path());
    ui.Clear();
    if (!c.exists) ui.QueueAnswer(Answer::Yes);
    Catalogue fresh;
    tsiterecord after_ok;
    fresh.NewSite(ui, true, [&] {
      SiteOptionsDialog dialog(ui, fresh.site(), true);
      dialog.set_name("Holiday");
      dialog.set_path(tmp / c.folder);
      const bool ok = dialog.Accept(fresh);
      after_ok = fresh.site();
      return ok;
    });
    EXPECT_EQ(testing::ReadTree(tmp.path()), before) << c.folder;
    // The failed OK left the record as it was: the new site's own default directory.
    EXPECT_EQ(after_ok.Path, data + "Site_1/") << c.folder;
    EXPECT_EQ(after_ok.Name, "New Site") << c.folder;
    std::vector<std::string> expected = {created, std::string(kSaveSiteFailedMessage)};
    if (!c.exists)
      expected.insert(expected.begin() + 1, CreateSiteDirectoryQuestion(tmp / c.folder));
    EXPECT_EQ(ui.texts(), expected) << c.folder;
  }
}

}  // namespace
}  // namespace parvel
