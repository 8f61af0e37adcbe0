#include "model/siteop.h"

#include <gtest/gtest.h>

#include <filesystem>

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
      {"stray_file_other_case", {"Site_1", "Site_2"}, {"site_3.INI"}, "Site_4"},
      {"starts_after_the_count", {"Site_9"}, {}, "Site_2"},
      {"listed_other_case", {"site_2"}, {}, "Site_3"},
      {"other_files_ignored", {}, {"Site_1.txt", "Site_1"}, "Site_1"},
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

TEST_F(CatalogueTest, AddSiteWritesBothFilesAndAppendsTheKey) {
  MakeSites({{"Site_1", "One"}});
  EXPECT_TRUE(cat.addsite("Site_2"));
  EXPECT_EQ(ReadFile(tmp / "Site_2.ini"), "[General]\r\nName=New Site\r\n");
  EXPECT_EQ(ReadFile(tmp / "sites.ini"), "[Sites]\r\nSite_1=One\r\nSite_2=New Site\r\n");
  EXPECT_EQ(cat.keys().back(), "Site_2");
  EXPECT_EQ(cat.names().back(), "New Site");
}

struct LoadCase {
  const char* name;
  const char* general;  // lines of section "General"
  bool result;
  const char* Name;
  const char* Path;  // below the data directory unless absolute
  const char* LivePath;
  bool AutoRotate;
  int CurrentRotationPosition;
  int RotationCount;
  const char* BaseHTMLName;
};

class LoadSiteTest : public CatalogueTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadSiteTest, ReadsGeneralWithItsDefaults) {
  const LoadCase& c = GetParam();
  if (c.general) WriteFile(tmp / "Site_1.ini", std::string("[General]\r\n") + c.general);
  EXPECT_EQ(cat.loadsite("Site_1"), c.result);
  const tsiterecord& site = cat.site();
  EXPECT_EQ(site.SiteKey, "Site_1");
  EXPECT_EQ(site.Name, c.Name);
  const std::string path = c.Path;
  EXPECT_EQ(site.Path, path.empty() || path[0] == '/' ? path : tmp / path);
  EXPECT_EQ(site.LivePath, c.LivePath);
  EXPECT_EQ(site.AutoRotate, c.AutoRotate);
  EXPECT_EQ(site.CurrentRotationPosition, c.CurrentRotationPosition);
  EXPECT_EQ(site.RotationCount, c.RotationCount);
  EXPECT_EQ(site.BaseHTMLName, c.BaseHTMLName);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadSiteTest,
    ::testing::Values(
        LoadCase{"full",
                 "Name=Cats\r\nPath=%/Site_1/\r\nLivePath=/srv/www\r\nAutoRotate=True\r\n"
                 "CurrentRotationPosition=3\r\nBaseHTMLName=home.html\r\nRotationCount=4\r\n",
                 true, "Cats", "Site_1/", "/srv/www", true, 3, 4, "home.html"},
        LoadCase{"no_file", nullptr, false, "Name Error", "", "", false, 1, 10, "Index.html"},
        LoadCase{"missing_path", "Name=New Site\r\n", false, "New Site", "", "", false, 1, 10,
                 "Index.html"},
        LoadCase{"auto_rotate_without_live_path", "Path=/srv/a\r\nAutoRotate=True\r\n", true,
                 "Name Error", "/srv/a/", "", false, 1, 10, "Index.html"},
        LoadCase{"auto_rotate_any_case", "Path=/srv/a\r\nLivePath=/l\r\nAutoRotate=tRUE\r\n", true,
                 "Name Error", "/srv/a/", "/l", true, 1, 10, "Index.html"},
        LoadCase{"auto_rotate_yes_is_false", "Path=/srv/a\r\nLivePath=/l\r\nAutoRotate=Yes\r\n",
                 true, "Name Error", "/srv/a/", "/l", false, 1, 10, "Index.html"},
        LoadCase{"position_not_a_number",
                 "Path=/srv/a\r\nCurrentRotationPosition=x\r\nRotationCount=abc\r\n", true,
                 "Name Error", "/srv/a/", "", false, 1, 10, "Index.html"},
        LoadCase{"negative_count", "Path=/srv/a\r\nRotationCount=-2\r\n", true, "Name Error",
                 "/srv/a/", "", false, 1, 0, "Index.html"},
        LoadCase{"stored_form_with_backslashes", "Path=%\\Site_1\\Pics\r\n", true, "Name Error",
                 "Site_1/Pics/", "", false, 1, 10, "Index.html"}),
    [](const auto& info) { return std::string(info.param.name); });

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
  EXPECT_EQ(cat.names(), std::vector<std::string>{"Two"});
  EXPECT_EQ(cat.selected(), -1);
  EXPECT_TRUE(ui.messages().empty());
}

struct StatusCase {
  const char* name;
  bool selected;
  bool auto_rotate;
  bool use_rotations;
  SelectionStatus expected;
};

class SelectionStatusTest : public CatalogueTest,
                            public ::testing::WithParamInterface<StatusCase> {};

TEST_P(SelectionStatusTest, FillsThePanel) {
  const StatusCase& c = GetParam();
  WriteFile(tmp / "sites.ini", "[Sites]\r\nSite_1=Cats\r\n");
  WriteFile(tmp / "Site_1.ini",
            std::string("[General]\r\nName=Cats\r\nPath=/srv/cats\r\n") +
                "LivePath=/srv/live\r\nAutoRotate=" + (c.auto_rotate ? "True" : "False") +
                "\r\nCurrentRotationPosition=2\r\nRotationCount=5\r\n");
  cat.ReadSites();
  cat.loadsite("Site_1");
  const SelectionStatus status =
      c.selected ? cat.SelectSite(0, c.use_rotations) : cat.doselectionstatus(c.use_rotations);
  const SelectionStatus& e = c.expected;
  EXPECT_EQ(status.site_name, e.site_name);
  EXPECT_EQ(status.location, e.location);
  EXPECT_EQ(status.rotations, e.rotations);
  EXPECT_EQ(status.auto_rotate, e.auto_rotate);
  EXPECT_EQ(status.copy_to, e.copy_to);
  EXPECT_EQ(status.next_rotation, e.next_rotation);
  EXPECT_EQ(status.delete_site_enabled, e.delete_site_enabled);
  EXPECT_EQ(status.site_options_enabled, e.site_options_enabled);
  EXPECT_EQ(status.edit_site_enabled, e.edit_site_enabled);
  EXPECT_EQ(cat.site().SiteKey, c.selected ? "Site_1" : "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectionStatusTest,
    ::testing::Values(StatusCase{"nothing_selected", false, true, true, {}},
                      StatusCase{
                          "rotations_auto",
                          true,
                          true,
                          true,
                          {"Cats", "/srv/cats/", "5", "Yes", "/srv/live", "2", true, true, true}},
                      StatusCase{"rotations_no_auto",
                                 true,
                                 false,
                                 true,
                                 {"Cats", "/srv/cats/", "5", "No", "", "", true, true, true}},
                      StatusCase{"no_rotations_auto_hidden",
                                 true,
                                 true,
                                 false,
                                 {"Cats", "/srv/cats/", "N/A", "No", "", "", true, true, true}}),
    [](const auto& info) { return std::string(info.param.name); });

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
  EXPECT_EQ(seen.BaseHTMLName, "Index.html");
  EXPECT_EQ(seen.CurrentRotationPosition, 1);
  EXPECT_EQ(seen.RotationCount, 0);
  EXPECT_FALSE(seen.AutoRotate);
  EXPECT_EQ(cat.selected(), 1);
  EXPECT_EQ(cat.names(), (std::vector<std::string>{"One", "Dogs"}));
  EXPECT_EQ(status.site_name, "Dogs");
  EXPECT_TRUE(status.edit_site_enabled);
  EXPECT_TRUE(ui.messages().empty());
}

TEST_F(CatalogueTest, NewSiteCancelledRemovesTheSiteAgain) {
  MakeSites({{"Site_1", "One"}});
  const std::string sites_before = ReadFile(tmp / "sites.ini");
  const SelectionStatus status = cat.NewSite(ui, true, [] { return false; });
  EXPECT_FALSE(PathExists(tmp / "Site_2.ini"));
  EXPECT_EQ(ReadFile(tmp / "sites.ini"), sites_before);
  EXPECT_EQ(cat.keys(), std::vector<std::string>{"Site_1"});
  EXPECT_EQ(cat.names(), std::vector<std::string>{"One"});
  EXPECT_EQ(cat.selected(), -1);
  EXPECT_EQ(cat.site().SiteKey, "");
  EXPECT_FALSE(status.delete_site_enabled);
  EXPECT_EQ(status.site_name, "");
}

TEST_F(CatalogueTest, NewSiteCancelledKeepsADirectoryThatWasThereBefore) {
  WriteFile(tmp / "Site_1/keep.jpg", "x");  // left over, not a site
  cat.NewSite(ui, true, [] { return false; });
  EXPECT_TRUE(PathExists(tmp / "Site_1/keep.jpg"));
  EXPECT_FALSE(PathExists(tmp / "Site_1.ini"));
}

TEST_F(CatalogueTest, NewSiteCancelledRemovesTheDirectoryTheOptionsMade) {
  cat.NewSite(ui, true, [&] {
    std::filesystem::create_directories(tmp / "Site_1");
    return false;
  });
  EXPECT_FALSE(PathExists(tmp / "Site_1"));
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

TEST_F(CatalogueTest, DeleteSiteOnYesLeavesNoCurrentSite) {
  MakeSites({{"Site_1", "One"}, {"Site_2", "Two"}});
  WriteFile(tmp / "Site_2/a.jpg", "x");
  cat.SelectSite(1, true);
  ui.QueueAnswer(Answer::Yes);
  const SelectionStatus status = cat.DeleteSite(ui, true);
  EXPECT_FALSE(PathExists(tmp / "Site_2"));
  EXPECT_EQ(cat.keys(), std::vector<std::string>{"Site_1"});
  EXPECT_EQ(cat.selected(), -1);
  EXPECT_EQ(cat.site().SiteKey, "");
  EXPECT_FALSE(status.delete_site_enabled);
}

}  // namespace
}  // namespace parvel
