#include "model/editsite.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

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

// One site's rotation on disk: its section lines and the files of its directory.
struct RotationOnDisk {
  const char* section;             // lines of section Rotation_N; nullptr: no section
  std::vector<const char*> files;  // below the data directory
};

class SiteEditorTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDataDirectory(tmp.path()); }
  void TearDown() override {
    EXPECT_TRUE(ui.unexpected().empty()) << ui.unexpected().front();
    EXPECT_EQ(ui.unused_answers(), 0u);
  }

  // Writes a site's settings file and catalogue line in the data directory. `general` holds
  // the lines after Path.
  void MakeSite(const std::string& key, const std::string& general,
                const std::vector<RotationOnDisk>& rotations = {}) {
    const std::string data = DataDirectory();
    std::string text = "[General]\r\nName=" + key + " name\r\nPath=%/" + key + "/\r\n" + general;
    for (size_t i = 0; i < rotations.size(); ++i) {
      if (rotations[i].section) {
        text += "[Rotation_" + std::to_string(i + 1) + "]\r\n" + rotations[i].section;
      }
      for (const char* file : rotations[i].files) WriteFile(data + file, "x");
    }
    WriteFile(data + key + ".ini", text);
    const std::string line = key + "=" + key + " name\r\n";
    if (sites_.find(line) == std::string::npos) sites_ += line;
    WriteFile(data + "sites.ini", sites_);
  }

  // Three rotations with their own directories, Status and widths; Site_1 current.
  void MakeThreeRotations() {
    MakeSite("Site_1", "RotationCount=3\r\n",
             {{"Status=2\r\nRotation_Path=%/Site_1/Rotation_1\r\nThumb_Width=110\r\n",
               {"Site_1/Rotation_1/a.jpg"}},
              {"Status=1\r\nRotation_Path=%/Site_1/Rotation_2\r\nThumb_Width=120\r\n",
               {"Site_1/Rotation_2/b.jpg"}},
              {"Status=0\r\nRotation_Path=%/elsewhere/three\r\nThumb_Width=130\r\n",
               {"elsewhere/three/c.gif"}}});
    SelectSite(0);
  }

  void SelectSite(int index) {
    cat.ReadSites();
    cat.SelectSite(index, options.UseRotations);
  }

  IniFile Settings(const std::string& key) {
    IniFile ini(tmp / (key + ".ini"));
    EXPECT_TRUE(ini.Load());
    return ini;
  }
  std::string Key(const std::string& site, const std::string& section, const std::string& key) {
    return Settings(site).GetString(section, key, "<missing>");
  }

  TempDir tmp;
  ScriptedInteraction ui;
  Catalogue cat;
  SiteSettings settings;
  AppOptions options;
  std::vector<std::string> styles;
  SiteEditor editor{ui, cat, settings, options, styles};
  std::string sites_ = "[Sites]\r\n";
};

TEST_F(SiteEditorTest, NewSiteGetsItsFirstRotationAtOnce) {
  struct Case {
    bool use_rotations;
    const char* directory;  // below the data directory
    const char* stored_path;
    const char* entry;
    const char* title;
  } cases[] = {
      {true, "Site_1/Rotation_1", "%/Site_1/Rotation_1", "Rotation 1 : 0 Images : NOT BUILT",
       "Rotation 1"},
      {false, "Site_1/", "%/Site_1/", "Current Site  : 0 Images : NOT BUILT", "Current Site"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    SetDataDirectory(dir.path());
    WriteFile(dir / "sites.ini", "[Sites]\r\nSite_1=New\r\n");
    WriteFile(dir / "Site_1.ini", "[General]\r\nName=New\r\nPath=%/Site_1/\r\nRotationCount=0\r\n");
    std::filesystem::create_directory(dir / "Site_1");
    options.UseRotations = c.use_rotations;
    Catalogue fresh;
    fresh.ReadSites();
    fresh.SelectSite(0, c.use_rotations);
    SiteSettings record;
    SiteEditor open(ui, fresh, record, options, styles);

    ASSERT_TRUE(open.Open());
    EXPECT_TRUE(std::filesystem::is_directory(dir / c.directory)) << c.directory;
    IniFile ini(dir / "Site_1.ini");
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(ini.GetString("General", "RotationCount", ""), "1");
    EXPECT_EQ(ini.GetString("Rotation_1", "Rotation_Path", ""), c.stored_path);
    EXPECT_EQ(ini.GetString("Rotation_1", "Status", ""), "0");
    EXPECT_EQ(open.rotation_list(), std::vector<std::string>{c.entry});
    EXPECT_EQ(open.title(), c.title);
  }
}

TEST_F(SiteEditorTest, RotationListEntries) {
  struct Case {
    const char* name;
    bool use_rotations;
    const char* general;
    std::vector<RotationOnDisk> rotations;
    std::vector<std::string> entries;
    std::vector<std::string> chooser;
  } cases[] = {
      // clang-format off
      {"built_and_counted", true, "RotationCount=2\r\nBaseHTMLName=home.html\r\n",
       {{"Rotation_Path=%/Site_1/one\r\n", {"Site_1/one/a.JPG", "Site_1/one/b.gif",
         "Site_1/one/c.jpe", "Site_1/one/d.png", "Site_1/one/home.html", "Site_1/one/e.jpeg"}},
        {"Rotation_Path=%/Site_1/two\r\n", {"Site_1/two/a.jpg", "Site_1/two/Index.html"}}},
       {"Rotation 1 : 4 Images : Built", "Rotation 2 : 1 Images : NOT BUILT"},  // e.jpeg counts
       {"Rotation 1", "Rotation 2"}},
      {"missing_directory", true, "RotationCount=2\r\n",
       {{"Rotation_Path=%/Site_1/one\r\n", {"Site_1/one/a.jpg"}},
        {"Rotation_Path=%/Site_1/gone\r\n", {}}},
       {"Rotation 1 : 1 Images : NOT BUILT", "Rotation 2 : ERROR! Not found!"},
       {"Rotation 1", "Rotation 2"}},
      // Without Rotation_Path the folder is the one New Rotation makes: "Rotation_" + N.
      {"default_directory", true, "RotationCount=1\r\n",
       {{"Thumb_Width=90\r\n", {"Site_1/Rotation_1/a.jpg", "Site_1/rotation1/b.jpg"}}},
       {"Rotation 1 : 1 Images : NOT BUILT"}, {"Rotation 1"}},
      {"rotations_off_show_one_entry", false, "RotationCount=4\r\n",
       {{"Rotation_Path=%/Site_1/\r\n", {"Site_1/a.jpg", "Site_1/b.jpg", "Site_1/Index.html"}},
        {"Rotation_Path=%/Site_1/two\r\n", {"Site_1/two/a.jpg"}}},
       {"Current Site  : 2 Images : Built"}, {"Current Site"}},
      {"rotations_off_default_is_the_site_directory", false, "RotationCount=1\r\n",
       {{nullptr, {"Site_1/a.jpg"}}}, {"Current Site  : 1 Images : NOT BUILT"}, {"Current Site"}},
      {"no_rotations", true, "RotationCount=0\r\n", {}, {}, {}},
      // clang-format on
  };
  for (const auto& c : cases) {
    TempDir dir;
    SetDataDirectory(dir.path());
    sites_ = "[Sites]\r\n";
    MakeSite("Site_1", c.general, c.rotations);
    const RotationList list = loadrotationlist(ui, "Site_1", c.use_rotations);
    EXPECT_EQ(list.entries, c.entries) << c.name;
    EXPECT_EQ(list.chooser, c.chooser) << c.name;
    EXPECT_EQ(ui.busy_depth(), 0);
  }
}

TEST_F(SiteEditorTest, HugeRotationCountIsCapped) {
  IniFile ini;
  ini.Parse("[General]\r\nRotationCount=2000000000\r\n");
  EXPECT_EQ(ListedRotationCount(ini, true), kMaxRotations);
  ini.Parse("[General]\r\nRotationCount=-3\r\n");
  EXPECT_EQ(ListedRotationCount(ini, true), 0);
}

TEST_F(SiteEditorTest, SelectingSavesTheCurrentRotationFirst) {
  options.UseRotations = true;
  MakeThreeRotations();
  ASSERT_TRUE(editor.Open());
  settings.Thumb_Width = 321;
  settings.Status = RotationStatus::Opened;
  ASSERT_TRUE(editor.SelectRotation(1));
  EXPECT_EQ(Key("Site_1", "Rotation_1", "Thumb_Width"), "321");
  EXPECT_EQ(Key("Site_1", "Rotation_1", "Status"), "1");
  EXPECT_EQ(settings.Thumb_Width, 120);
  EXPECT_EQ(editor.rotation_directory(), tmp / "Site_1/Rotation_2");
}

TEST_F(SiteEditorTest, SelectingAMissingDirectoryKeepsThePreviousRotation) {
  options.UseRotations = true;
  MakeThreeRotations();
  std::filesystem::remove_all(tmp / "elsewhere");
  ASSERT_TRUE(editor.Open());
  EXPECT_FALSE(editor.SelectRotation(2));
  EXPECT_EQ(editor.status_line(),
            "Error!  The directory, " + (tmp / "elsewhere/three") + ", could not be located!");
  EXPECT_EQ(editor.current_rotation(), 1);
  EXPECT_EQ(settings.Thumb_Width, 110);
}

TEST_F(SiteEditorTest, DeleteRotationIsEnabledOnlyOnTheLastOfThree) {
  options.UseRotations = true;
  MakeThreeRotations();
  ASSERT_TRUE(editor.Open());
  editor.SelectRotation(1);
  EXPECT_FALSE(editor.delete_rotation_enabled());
  EXPECT_FALSE(editor.DeleteRotation());  // not the last: no question, nothing removed
  editor.SelectRotation(2);
  EXPECT_TRUE(editor.delete_rotation_enabled());

  EXPECT_EQ(editor.DeleteQuestion(),
            "Are you sure you want to remove Rotation 3 and delete all files in the directory, " +
                (tmp / "elsewhere/three") + "?");
  ui.QueueAnswer(Answer::Yes);
  ASSERT_TRUE(editor.DeleteRotation());
  const IniFile ini = Settings("Site_1");
  EXPECT_EQ(ini.GetString("General", "RotationCount", ""), "2");
  EXPECT_FALSE(ini.HasSection("Rotation_3"));
  EXPECT_TRUE(ini.HasSection("Rotation_2"));
  EXPECT_FALSE(std::filesystem::exists(tmp / "elsewhere/three"));
  EXPECT_TRUE(std::filesystem::exists(tmp / "Site_1/Rotation_2/b.jpg"));
  EXPECT_EQ(cat.site().RotationCount, 2);
  EXPECT_EQ(editor.rotation_list().size(), 2u);
}

TEST_F(SiteEditorTest, DeletingALastRotationThatDidNotLoadRemovesOnlyItsSection) {
  options.UseRotations = true;
  MakeThreeRotations();
  std::filesystem::remove_all(tmp / "elsewhere");
  ASSERT_TRUE(editor.Open());
  editor.SelectRotation(1);
  EXPECT_FALSE(editor.SelectRotation(2));
  ASSERT_TRUE(editor.delete_rotation_enabled());
  // The question names the selected rotation's own directory, not the loaded rotation's.
  EXPECT_EQ(editor.DeleteQuestion(),
            "Are you sure you want to remove Rotation 3 and delete all files in the directory, " +
                (tmp / "elsewhere/three") + "?");
  ui.QueueAnswer(Answer::Yes);
  ASSERT_TRUE(editor.DeleteRotation());
  EXPECT_TRUE(std::filesystem::exists(tmp / "Site_1/Rotation_2/b.jpg"));
  const IniFile ini = Settings("Site_1");
  EXPECT_FALSE(ini.HasSection("Rotation_3"));
  EXPECT_EQ(ini.GetString("General", "RotationCount", ""), "2");
}

TEST_F(SiteEditorTest, NewRotationCopiesTheSettingsWithItsOwnDirectoryAndStatusZero) {
  options.UseRotations = true;
  MakeThreeRotations();
  ASSERT_TRUE(editor.Open());
  settings.Thumb_Width = 222;
  ASSERT_TRUE(editor.NewRotation());
  EXPECT_TRUE(std::filesystem::is_directory(tmp / "Site_1/Rotation_4"));
  const IniFile ini = Settings("Site_1");
  EXPECT_EQ(ini.GetString("General", "RotationCount", ""), "4");
  EXPECT_EQ(ini.GetString("Rotation_4", "Thumb_Width", ""), "222");
  EXPECT_EQ(ini.GetString("Rotation_4", "Rotation_Path", ""), "%/Site_1/Rotation_4");
  EXPECT_EQ(ini.GetString("Rotation_4", "Status", ""), "0");
  // The rotation being edited was saved first, with its own path and status.
  EXPECT_EQ(ini.GetString("Rotation_1", "Thumb_Width", ""), "222");
  EXPECT_EQ(ini.GetString("Rotation_1", "Status", ""), "2");
  EXPECT_EQ(editor.current_rotation(), 4);
  EXPECT_EQ(editor.rotation_list().back(), "Rotation 4 : 0 Images : NOT BUILT");
}

TEST_F(SiteEditorTest, NewRotationStopsWhenItsDirectoryCannotBeMade) {
  options.UseRotations = true;
  MakeSite("Site_1", "RotationCount=0\r\n");
  SelectSite(0);
  FaultyFileSystem faulty(RealFileSystem());
  ScopedFileSystem scope(faulty);
  faulty.FailAll();
  ASSERT_TRUE(editor.Open());
  ASSERT_EQ(ui.messages().size(), 2u);
  EXPECT_EQ(ui.messages()[0].kind, MessageKind::Warning);  // the directory helper's own
  EXPECT_EQ(ui.messages()[1].kind, MessageKind::Information);
  EXPECT_EQ(ui.messages()[1].text, kNewRotationFailedMessage);
  EXPECT_EQ(cat.site().RotationCount, 0);
  EXPECT_TRUE(editor.rotation_list().empty());
}

TEST_F(SiteEditorTest, CopySettingsFromAnotherSiteThenCloseKeepsPathAndStatus) {
  options.UseRotations = true;
  MakeSite("Site_1", "RotationCount=1\r\n",
           {{"Status=2\r\nRotation_Path=%/Site_1/Rotation_1\r\nThumb_Width=110\r\n"
             "Page_Number_Prefix=Mine\r\n",
             {"Site_1/Rotation_1/a.jpg"}}});
  MakeSite("Site_2", "RotationCount=2\r\n",
           {{"Status=2\r\nRotation_Path=%/Site_2/Rotation_1\r\nThumb_Width=200\r\n",
             {"Site_2/Rotation_1/a.jpg"}},
            {"Status=0\r\nRotation_Path=%/Site_2/Rotation_2\r\nThumb_Width=250\r\n"
             "Page_Number_Prefix=Theirs\r\n",
             {"Site_2/Rotation_2/a.jpg"}}});
  SelectSite(0);
  ASSERT_TRUE(editor.Open());

  CopySettingsDialog dialog = editor.CopySettings();
  EXPECT_EQ(dialog.site_names(), (std::vector<std::string>{"Site_1 name", "Site_2 name"}));
  dialog.ChooseSite(ui, 1, options.UseRotations);
  EXPECT_EQ(dialog.rotations(), (std::vector<std::string>{"Rotation 1 : 1 Images : NOT BUILT",
                                                          "Rotation 2 : 1 Images : NOT BUILT"}));
  EXPECT_FALSE(dialog.Accept(ui, settings, options.UseRotations));
  EXPECT_EQ(ui.texts(), std::vector<std::string>{std::string(kNoRotationSelectedMessage)});
  EXPECT_EQ(settings.Thumb_Width, 110);

  dialog.SelectRotation(1);
  ASSERT_TRUE(dialog.Accept(ui, settings, options.UseRotations));
  EXPECT_EQ(settings.Thumb_Width, 250);
  ASSERT_TRUE(editor.Close());

  const IniFile ini = Settings("Site_1");
  EXPECT_EQ(ini.GetString("Rotation_1", "Thumb_Width", ""), "250");
  EXPECT_EQ(ini.GetString("Rotation_1", "Page_Number_Prefix", ""), "Theirs");
  EXPECT_EQ(ini.GetString("Rotation_1", "Rotation_Path", ""), "%/Site_1/Rotation_1");
  EXPECT_EQ(ini.GetString("Rotation_1", "Status", ""), "2");
  EXPECT_EQ(Key("Site_2", "Rotation_2", "Status"), "0");
}

TEST_F(SiteEditorTest, BuildAllBuildsEachRotationInTurnAndRefreshesTheList) {
  options.UseRotations = true;
  MakeThreeRotations();
  ASSERT_TRUE(editor.Open());
  struct Built {
    int rotation;
    std::string directory;
    bool unattended;
  };
  std::vector<Built> built;
  editor.BuildAll([&] {
    built.push_back(
        {editor.current_rotation(), editor.rotation_directory(), editor.unattended_build()});
    WriteFile(fixpath(editor.rotation_directory(), true) + "Index.html", "<html>");
    settings.Status = RotationStatus::Built;
    return true;
  });
  ASSERT_EQ(built.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(built[i].rotation, i + 1);
    EXPECT_TRUE(built[i].unattended);
  }
  EXPECT_EQ(built[2].directory, tmp / "elsewhere/three");
  EXPECT_EQ(editor.rotation_list(), (std::vector<std::string>{"Rotation 1 : 1 Images : Built",
                                                              "Rotation 2 : 1 Images : Built",
                                                              "Rotation 3 : 1 Images : Built"}));
  // Each build's Status reached its section when the next rotation was selected.
  EXPECT_EQ(Key("Site_1", "Rotation_2", "Status"), "2");
}

TEST_F(SiteEditorTest, CloseSavesTheRotationAndTheSite) {
  options.UseRotations = true;
  MakeThreeRotations();
  ASSERT_TRUE(editor.Open());
  editor.SelectRotation(1);
  settings.Thumb_Width = 777;
  cat.site().Name = "Renamed";
  ASSERT_TRUE(editor.Close());
  EXPECT_EQ(Key("Site_1", "Rotation_2", "Thumb_Width"), "777");
  EXPECT_EQ(Key("Site_1", "General", "Name"), "Renamed");
  EXPECT_NE(ReadFile(tmp / "sites.ini").find("Site_1=Renamed"), std::string::npos);
}

// ---- Write failures: each is reported once, and the settings file stays whole.

// Apply to All writes every rotation, each keeping its own path and status, or none: a failure at
// any of the first three writes never leaves some rotations changed and others not.
TEST_F(SiteEditorTest, ApplyToAllChangesEveryRotationOrNone) {
  options.UseRotations = true;
  MakeThreeRotations();
  ASSERT_TRUE(editor.Open());
  const std::string before = ReadFile(tmp / "Site_1.ini");
  settings.Thumb_Width = 555;
  settings.Status = RotationStatus::Opened;
  settings.Rotation_Path = "/nowhere";
  for (int fail_at = 0; fail_at <= 3; ++fail_at) {
    WriteFile(tmp / "Site_1.ini", before);
    ui.Clear();
    FaultyFileSystem faulty(RealFileSystem());
    ScopedFileSystem scope(faulty);
    if (fail_at) faulty.FailAt(fail_at, "Permission denied");
    const bool applied = editor.ApplyToAll();
    EXPECT_TRUE(applied || fail_at) << fail_at;
    if (!applied) {
      EXPECT_EQ(ReadFile(tmp / "Site_1.ini"), before) << fail_at;
      EXPECT_EQ(ui.texts(), std::vector<std::string>{std::string(kSaveRotationWarning)});
      continue;
    }
    const IniFile ini = Settings("Site_1");
    const char* paths[] = {"%/Site_1/Rotation_1", "%/Site_1/Rotation_2", "%/elsewhere/three"};
    for (int n = 1; n <= 3; ++n) {
      const std::string section = "Rotation_" + std::to_string(n);
      EXPECT_EQ(ini.GetString(section, "Thumb_Width", ""), "555") << section << fail_at;
      EXPECT_EQ(ini.GetString(section, "Rotation_Path", ""), paths[n - 1]) << section;
      EXPECT_EQ(ini.GetString(section, "Status", ""), std::to_string(3 - n)) << section;
    }
  }
}

// Select (every write fails), New Rotation (the site's file fails after rotation 1 was saved and
// the directory made) and Delete Rotation (the directory goes, the file fails): each keeps the
// rotations as they were and says so once; the first two keep the current rotation's edits.
TEST_F(SiteEditorTest, AFailedWriteKeepsTheRotationsAndSaysSo) {
  options.UseRotations = true;
  struct Case {
    int select, fail_at;  // fail_at 0: every write
    std::function<bool(SiteEditor&)> act;
    std::vector<std::string> texts;
  } cases[] = {
      {0,
       0,
       [](SiteEditor& e) { return e.SelectRotation(1); },
       {std::string(kSaveRotationWarning)}},
      {0, 3, [](SiteEditor& e) { return e.NewRotation(); }, {std::string(kSaveSiteFailedMessage)}},
      {2,
       2,
       [](SiteEditor& e) { return e.DeleteRotation(); },
       {"Are you sure you want to remove Rotation 3 and delete all files in the directory, " +
            (tmp / "elsewhere/three") + "?",
        std::string(kSaveSiteFailedMessage)}},
  };
  for (const auto& c : cases) {
    MakeThreeRotations();
    ASSERT_TRUE(editor.Open());
    editor.SelectRotation(c.select);
    settings.Thumb_Width = 444;
    ui.Clear();
    if (c.texts.size() > 1) ui.QueueAnswer(Answer::Yes);
    FaultyFileSystem faulty(RealFileSystem());
    ScopedFileSystem scope(faulty);
    c.fail_at ? faulty.FailAt(c.fail_at) : faulty.FailAll();
    EXPECT_FALSE(c.act(editor)) << c.texts.back();
    EXPECT_EQ(ui.texts(), c.texts);
    if (c.select == 0) {  // (a delete, done or not, opens the editor afresh)
      EXPECT_EQ(editor.current_rotation(), 1);
      EXPECT_EQ(settings.Thumb_Width, 444);
    }
    EXPECT_EQ(cat.site().RotationCount, 3);
    EXPECT_EQ(editor.rotation_list().size(), 3u);
    EXPECT_EQ(Key("Site_1", "General", "RotationCount"), "3");
  }
}

// Delete Site and Delete Rotation share their guard: each refuses a directory that holds more
// than the site or rotation, warns and removes nothing, even after a Yes.
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
    ScriptedInteraction site_ui;
    site_ui.QueueAnswer(Answer::Yes);
    Catalogue catalogue;
    catalogue.ReadSites();
    catalogue.SelectSite(0, true);
    testing::Tree before = testing::ReadTree(tmp.path());
    catalogue.DeleteSite(site_ui, true);
    EXPECT_EQ(testing::ReadTree(tmp.path()), before) << c.folder;
    EXPECT_EQ(site_ui.texts(), std::vector<std::string>{"The site, One, was not deleted: its "
                                                        "directory, " +
                                                        c.folder + ", " + c.why + "."});
    // Delete Rotation, the last rotation's directory being the folder.
    WriteFile(data + "Site_1.ini",
              "[General]\r\nName=One\r\nPath=%/Site_1/\r\nRotationCount=2\r\n[Rotation_1]\r\n"
              "Rotation_Path=%/Site_1/Rotation_1\r\n[Rotation_2]\r\nRotation_Path=" +
                  c.folder + "\r\n");
    ScriptedInteraction rotation_ui;
    rotation_ui.QueueAnswer(Answer::Yes);
    catalogue.SelectSite(0, true);
    SiteEditor rotations{rotation_ui, catalogue, settings, options, styles};
    ASSERT_TRUE(rotations.Open());
    ASSERT_TRUE(rotations.SelectRotation(1)) << c.folder;
    before = testing::ReadTree(tmp.path());
    EXPECT_FALSE(rotations.DeleteRotation());
    EXPECT_EQ(testing::ReadTree(tmp.path()), before) << c.folder;
    EXPECT_EQ(rotation_ui.texts(), std::vector<std::string>{"Rotation 2 was not removed: its "
                                                            "directory, " +
                                                            c.folder + ", " + c.why + "."});
  }
  EXPECT_EQ(WholeDirectoryProblem("/tmp/..", {}), "is the root directory");
}

}  // namespace
}  // namespace parvel
