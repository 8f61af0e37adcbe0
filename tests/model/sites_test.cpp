#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "base/textutil.h"
#include "model/catalogue.h"
#include "model/editsite.h"
#include "model/model_support.h"
#include "model/rotatenow.h"
#include "model/siteoptions.h"
#include "model/turnwheel.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

using testing::ReadFile;
using testing::ReadTree;
using testing::SiteKey;
using testing::TempDir;
using testing::Tree;
using testing::WriteFile;

using CatalogueTest = testing::DataDirectoryTest;

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
    EXPECT_EQ(fresh.GenerateNewSiteName(), c.expected) << c.name;
  }
}

TEST_F(CatalogueTest, SaveWritesGeneralInItsOrderAndTheNameToTheCatalogue) {
  ASSERT_TRUE(cat.AddSite("Site_1"));
  WriteFile(tmp / "Site_1.ini",
            ReadFile(tmp / "Site_1.ini") + "[Rotation_1]\r\nThumb_Width=120\r\n");
  SiteRecord& site = cat.site();
  site = {"Site_1", "Cats", tmp / "Site_1/", "/srv/live", true, 2, 3, "Index.htm", ""};
  EXPECT_TRUE(cat.SaveCurrentSite());
  EXPECT_EQ(ReadFile(tmp / "Site_1.ini"),
            "[General]\r\nName=Cats\r\nPath=%/Site_1/\r\nLivePath=/srv/live\r\n"
            "AutoRotate=True\r\nCurrentRotationPosition=2\r\nBaseHTMLName=Index.htm\r\n"
            "RotationCount=3\r\n[Rotation_1]\r\nThumb_Width=120\r\n");
  EXPECT_EQ(ReadFile(tmp / "sites.ini"), "[Sites]\r\nSite_1=Cats\r\n");
}

// A save writes the fields changed here since the site was read and keeps, and takes over, what
// another program saved meanwhile; a key the file lacks is written.
TEST_F(CatalogueTest, SaveWritesOnlyWhatChangedHereAndKeepsTheRest) {
  struct Case {
    const char* name;
    std::function<void(SiteRecord&)> here;
    const char* there_key;
    const char* there_value;
    const char* expected;  // Name LivePath CurrentRotationPosition RotationCount, in the file
  } cases[] = {
      {"nothing here", [](SiteRecord&) {}, "CurrentRotationPosition", "3", "Cats /srv/live 3 2"},
      {"another field here", [](SiteRecord& s) { s.Name = "Dogs"; }, "CurrentRotationPosition", "3",
       "Dogs /srv/live 3 2"},
      {"the same field here", [](SiteRecord& s) { s.CurrentRotationPosition = 5; },
       "CurrentRotationPosition", "3", "Cats /srv/live 5 2"},
      {"a count here", [](SiteRecord& s) { s.RotationCount += 1; }, "LivePath", "/srv/other",
       "Cats /srv/other 1 3"},
      {"a missing key", [](SiteRecord&) {}, "RotationCount", nullptr, "Cats /srv/live 1 2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    OpenSite("Cats",
             "LivePath=/srv/live\r\nAutoRotate=True\r\nCurrentRotationPosition=1\r\n"
             "BaseHTMLName=Index.html\r\nRotationCount=2\r\n");
    IniFile other(tmp / "Site_1.ini");
    ASSERT_TRUE(other.Load());
    if (c.there_value) {
      other.Set("General", c.there_key, c.there_value);
    } else {
      other.EraseKey("General", c.there_key);
    }
    ASSERT_TRUE(other.Save());
    c.here(cat.site());
    ASSERT_TRUE(cat.SaveCurrentSite());
    EXPECT_EQ(SiteKey("General", {"Name", "LivePath", "CurrentRotationPosition", "RotationCount"}),
              c.expected);
    const SiteRecord& site = cat.site();
    EXPECT_EQ(site.Name + " " + site.LivePath + " " + std::to_string(site.CurrentRotationPosition) +
                  " " + std::to_string(site.RotationCount),
              c.expected);
    std::filesystem::remove(tmp / "sites.ini");
  }
  // A site file without RotationCount reads as ten rotations.
  OpenSite("Cats", "BaseHTMLName=Index.html\r\n");
  EXPECT_EQ(cat.site().RotationCount, 10);
}

// OK's steps run name, location, live directory, the location's folder: each row fails at one
// step while every later step would fail too, so the one message shown names the first. The
// location's own checks (a full path, a first page that is no picture's) come before its folder
// is made, so a relative folder is never created; a location that is a file says so once. A
// refusal stores nothing; an accepted first page name is stored in its full form (pages named like
// pictures would be written over the photographs).
TEST_F(CatalogueTest, OkRunsItsStepsInOrderAndMakesNoFolderBeforeTheLast) {
  OpenSite("Cats", "RotationCount=1\r\n");
  std::filesystem::create_directory(tmp / "Site_1");
  const std::string missing = tmp / "new/site", file = tmp / "a-file";
  WriteFile(file, "x");
  const auto kInfo = MessageKind::Information, kWarn = MessageKind::Warning,
             kAsk = MessageKind::Confirmation;
  const std::string site = tmp / "Site_1/";
  const auto picture = [](const std::string& page) {
    return "The name of the first HTML page, " + page +
           ", ends in the extension of a picture.  Pages named like pictures would be written over "
           "your images: please choose a name such as Index.html!";
  };
  const std::string not_a_dir =
      "turnwheel would not copy a rotation there: the live directory, " + file + ", is not a";
  const std::string a_file = "An error was encountered creating the directory ," + file +
                             "!  A file of that name is there.";
  const struct {
    const char* row;
    const char* name;
    std::string path;
    const char* first_page;
    bool auto_rotate;
    std::string live;
    MessageKind kind;
    std::string shown;        // the start of the one message, if any
    const char* stored = "";  // the first page's name stored; empty: refused
  } cases[] = {
      // clang-format off
      {"home", "Cats", site, "home", false, "", kInfo, "", "home.html"},
      {"none", "Cats", site, "", false, "", kInfo, "", "Index.html"},
      {"htm", "Cats", site, "start.htm", false, "", kInfo, "", "start.htm"},
      {"php", "Cats", site, "a.php", false, "", kInfo, "", "a.php"},
      {"name", "", "", "x.jpg", true, "", kInfo, std::string(kNoSiteNameMessage)},
      {"location empty", "Dogs", "", "x.jpg", true, "", kInfo, std::string(kNoSiteDirectoryMessage)},
      {"location relative", "Dogs", "rel-site/deep", "x.jpg", true, "", kInfo,
       RelativeSiteLocationMessage("rel-site/deep")},
      {"first page", "Dogs", missing, "x.jpg", true, "", kInfo, picture("x.jpg")},
      {"jpe", "Dogs", missing, "a.Jpe", false, "", kInfo, picture("a.Jpe")},
      {"live empty", "Dogs", missing, "", true, "", kInfo, std::string(kNoLiveDirectoryMessage)},
      {"live relative", "Dogs", missing, "", true, "rel-live", kInfo,
       RelativeLiveDirectoryMessage("rel-live")},
      {"live refused", "Dogs", missing, "", true, file, kWarn, not_a_dir},
      {"location a file", "Dogs", file, "", false, "", kWarn, a_file},
      {"folder declined", "Dogs", missing, "", false, "", kAsk, CreateSiteDirectoryQuestion(missing)},
      {"folder made", "Dogs", missing, "", false, "", kAsk, CreateSiteDirectoryQuestion(missing),
       "Index.html"},
      // clang-format on
  };
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(tmp.path());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    const bool accepted = std::string_view(c.stored) != "";
    const std::string before = ReadFile(tmp / "Site_1.ini");
    ui.Clear();
    SiteOptionsForm dialog(ui, cat.site(), true);
    dialog.set_name(c.name);
    dialog.set_path(c.path);
    dialog.set_base_html_name(c.first_page);
    dialog.set_auto_rotate(c.auto_rotate);
    dialog.set_live_path(c.live);
    // Every question would be answered Yes (the declined row: No): only the order stops them.
    ui.QueueAnswer(std::string_view(c.row) == "folder declined" ? Answer::No : Answer::Yes);
    EXPECT_EQ(dialog.Accept(cat), accepted);
    ASSERT_EQ(ui.messages().size(), c.shown.empty() ? 0u : 1u);
    if (!c.shown.empty()) {
      EXPECT_EQ(ui.messages()[0].kind, c.kind);
      EXPECT_TRUE(ui.messages()[0].text.starts_with(c.shown)) << ui.messages()[0].text;
    }
    EXPECT_EQ(ui.unused_answers(), c.kind == kAsk ? 0u : 1u);
    while (ui.unused_answers() > 0) ui.Message(kAsk, "drain", Buttons::YesNo);
    EXPECT_FALSE(PathExists(tmp / "rel-site") || PathExists(tmp / "rel-live"));
    EXPECT_EQ(DirectoryExists(missing), accepted && c.path == missing);
    EXPECT_TRUE(FileExists(file));
    if (!accepted) {
      EXPECT_EQ(ReadFile(tmp / "Site_1.ini"), before);
      EXPECT_EQ(cat.site().Name, "Cats");
      continue;
    }
    EXPECT_EQ(cat.site().BaseHTMLName, c.stored);
    EXPECT_EQ(SiteKey("General", "BaseHTMLName"), c.stored);
  }
  std::filesystem::current_path(cwd);
  EXPECT_EQ(cat.site().Path, missing);
}

// One site's rotation on disk: its section lines and the files of its directory.
struct RotationOnDisk {
  const char* section;             // lines of section Rotation_N
  std::vector<const char*> files;  // below the data directory
};

class SiteEditorTest : public testing::DataDirectoryTest {
 protected:
  // Writes and selects the site Site_1; `text` holds the lines after Path.
  void MakeSite(std::string text, const std::vector<RotationOnDisk>& rotations) {
    for (size_t i = 0; i < rotations.size(); ++i) {
      text += "[Rotation_" + std::to_string(i + 1) + "]\r\n" + rotations[i].section;
      for (const char* file : rotations[i].files) WriteFile(DataDirectory() + file, "x");
    }
    OpenSite("One", text);
  }

  SiteSettings settings;
  AppOptions options;
  std::vector<std::string> styles;
  SiteEditor editor{ui, cat, settings, options, styles};
};

TEST_F(SiteEditorTest, RotationListEntries) {
  // A site without RotationCount lists ten rotations; here the first is on disk.
  std::vector<std::string> ten{"Rotation 1 : 1 Images : NOT BUILT"}, ten_chosen{"Rotation 1"};
  for (int i = 2; i <= 10; ++i) {
    ten.push_back("Rotation " + std::to_string(i) + " : ERROR! Not found!");
    ten_chosen.push_back("Rotation " + std::to_string(i));
  }
  struct Case {
    const char* general;
    std::vector<RotationOnDisk> rotations;
    std::vector<std::string> entries, chooser;
  } cases[] = {
      // clang-format off
      {"RotationCount=2\r\nBaseHTMLName=home.html\r\n",
       {{"Rotation_Path=%/Site_1/one\r\n", {"Site_1/one/a.JPG", "Site_1/one/b.gif",
         "Site_1/one/c.jpe", "Site_1/one/d.png", "Site_1/one/home.html", "Site_1/one/e.jpeg"}},
        {"Rotation_Path=%/Site_1/two\r\n", {"Site_1/two/a.jpg", "Site_1/two/Index.html"}}},
       {"Rotation 1 : 4 Images : Built", "Rotation 2 : 1 Images : NOT BUILT"},  // e.jpeg counts
       {"Rotation 1", "Rotation 2"}},
      {"RotationCount=2\r\n",
       {{"Rotation_Path=%/Site_1/one\r\n", {"Site_1/one/a.jpg"}},
        {"Rotation_Path=%/Site_1/gone\r\n", {}}},
       {"Rotation 1 : 1 Images : NOT BUILT", "Rotation 2 : ERROR! Not found!"},
       {"Rotation 1", "Rotation 2"}},
      // Without Rotation_Path the folder is the one New Rotation makes: "Rotation_" + N.
      {"RotationCount=1\r\n",
       {{"Thumb_Width=90\r\n", {"Site_1/Rotation_1/a.jpg", "Site_1/rotation1/b.jpg"}}},
       {"Rotation 1 : 1 Images : NOT BUILT"}, {"Rotation 1"}},
      {"BaseHTMLName=home.html\r\n",
       {{"Rotation_Path=%/Site_1/one\r\n", {"Site_1/one/a.jpg"}}}, ten, ten_chosen},
      // clang-format on
  };
  for (const auto& c : cases) {
    TempDir dir;
    SetDataDirectory(dir.path());
    MakeSite(c.general, c.rotations);
    const RotationList list = LoadRotationList(ui, "Site_1", true);
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
  ASSERT_TRUE(editor.Open());
  settings.Thumb_Width = 321;
  settings.Status = RotationStatus::Opened;
  ASSERT_TRUE(editor.SelectRotation(1));
  EXPECT_EQ(SiteKey("Rotation_1", {"Thumb_Width", "Status"}), "321 1");
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
  EXPECT_EQ(SiteKey("General", "RotationCount"), "3");
  EXPECT_EQ(SiteKey("Rotation_3", {"Thumb_Width", "Rotation_Path", "Status"}),
            "222 %/Site_1/Rotation_3 0");
  EXPECT_EQ(editor.current_rotation(), 3);
}

// The first rotation of a new site copies the page settings edited last, but not that site's
// headers and footers: no text, no list file, modes at none (an image header or footer that is
// the thumbnail pages' own stays so).
TEST_F(SiteEditorTest, ANewSiteLeavesTheOtherSitesHeadersAndFootersBehind) {
  options.UseRotations = true;
  OpenSite("New", "RotationCount=0\r\n");
  settings.Thumb_Width = 150;
  settings.Header_Mode = HeaderMode::Html;
  settings.Header_HTML = "Welcome to our Summer Holiday";
  settings.Footer_Mode = HeaderMode::List;
  settings.Footer_File = tmp / "Site_9_Footers.txt";
  settings.DisplayAsImage = false;
  settings.Image_Header_Mode = ImageHeaderMode::List;
  settings.Image_Header_Same_As_Index = false;
  settings.Image_Header_File = tmp / "Site_9_Headers.txt";
  settings.Image_Footer_Mode = ImageHeaderMode::SameAsIndex;
  settings.Image_Footer_HTML = "left over";
  ASSERT_TRUE(editor.Open());
  std::string keys;
  for (const char* key : {"Header_File", "Header_HTML", "Footer_File", "Footer_HTML",
                          "Image_Header_Same_As_Index", "Image_Header_File", "Image_Header_HTML",
                          "Image_Footer_Same_As_Index", "Thumb_Width", "DisplayAsImage"}) {
    keys += std::string(key) + "=" + SiteKey("Rotation_1", key) + " ";
  }
  EXPECT_EQ(keys,
            "Header_File= Header_HTML= Footer_File= Footer_HTML= Image_Header_Same_As_Index=False "
            "Image_Header_File= Image_Header_HTML= Image_Footer_Same_As_Index=True "
            "Thumb_Width=150 DisplayAsImage=False ");
  EXPECT_EQ(settings.Header_Mode, HeaderMode::None);
  EXPECT_EQ(settings.Footer_Mode, HeaderMode::None);
  EXPECT_EQ(settings.Image_Header_Mode, ImageHeaderMode::None);
  EXPECT_EQ(settings.Image_Footer_Mode, ImageHeaderMode::SameAsIndex);
  EXPECT_EQ(settings.Image_Footer_HTML, "");
}

// Copy settings..: another site's rotation gives its page settings; the rotation being edited keeps
// its number, folder and status, so a later save cannot point it at the other site's folder.
TEST_F(SiteEditorTest, CopySettingsTakesPageSettingsOnly) {
  options.UseRotations = true;
  MakeSite("RotationCount=1\r\n",
           {{"Status=2\r\nRotation_Path=%/Site_1/one\r\n", {"Site_1/one/a.jpg"}}});
  testing::WriteSite("Site_2", "Two",
                     "RotationCount=2\r\n[Rotation_2]\r\nStatus=0\r\nRotation_Path=%/Site_2/b\r\n"
                     "Thumb_Width=77\r\n");
  cat.ReadSites();
  cat.SelectSite(0, true);
  ASSERT_TRUE(editor.Open());
  CopySettingsForm copy = editor.CopySettings();
  EXPECT_EQ(copy.chosen_site(), 0);
  copy.ChooseSite(ui, 1, true);
  EXPECT_FALSE(copy.Accept(ui, settings, true));  // no rotation chosen yet (the message table's)
  copy.SelectRotation(1);
  ASSERT_TRUE(copy.Accept(ui, settings, true));
  EXPECT_EQ(settings.Thumb_Width, 77);
  EXPECT_EQ(settings.Rotation_Path + " " + std::to_string(int(settings.Status)) + " " +
                std::to_string(editor.current_rotation()),
            tmp / "Site_1/one" + " 2 1");
}

// Delete Site and Delete Rotation share their guard: each refuses a directory that holds more
// than the site or rotation, warns without asking and removes nothing.
TEST_F(SiteEditorTest, WholeDirectoryDeletesRefuseFoldersThatHoldMore) {
  // Home, data and the other sites all lie below tmp, so that a failing guard harms nothing else.
  const std::string home = tmp / "home/", outer = tmp / "outer/", data = outer + "data/";
  const std::string two = tmp / "disk/two/", two_r1 = tmp / "elsewhere/r1/";
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
  // The refused deletes change no file: the catalogue and the other site are written once.
  WriteFile(data + "sites.ini", "[Sites]\r\nSite_1=One\r\nSite_2=Two\r\n");
  WriteFile(data + "Site_2.ini",
            "[General]\r\nName=Two\r\nPath=" + two +
                "\r\nRotationCount=1\r\n[Rotation_1]\r\nRotation_Path=" + two_r1);
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
    // Delete Site, the site's directory being the folder.
    WriteFile(data + "Site_1.ini",
              "[General]\r\nName=One\r\nPath=" + c.folder + "\r\nRotationCount=0\r\n");
    ui.Clear();
    cat.ReadSites();
    cat.SelectSite(0, true);
    Tree before = testing::ReadTree(tmp.path());
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

// A site due for rotation at `position` into `live`, with `count` built rotations in
// Site_1/Rotation_K, each holding Index.html and a.jpg with the rotation's number.
void MakeDueSite(int position, int count, const std::string& live) {
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

// The due rotation goes live and the position moves on, wrapping at the end; the user's files in
// the live directory stay. A live directory that would swallow the site, or where a file of the
// rotation would land on one turnwheel did not put there, is refused and nothing on disk changes.
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
      {1, 2, "{D}live", {{"index.php", "blog"}, {"posts/1.html", "first post"}}, 1, "next rot"},
      {1, 2, "{D}live", {{"Index.html", "page 2"}, {"a.jpg", "edited"}}, 0, "them: a.jpg (1 file)"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    SetDataDirectory(dir.path());
    const std::string live = ReplaceAll(c.live, "{D}", dir.path());
    SCOPED_TRACE(live + " at " + std::to_string(c.position));
    MakeDueSite(c.position, c.count, live);
    for (const auto& [name, content] : c.before) WriteFile(live + "/" + name, content);
    const Tree before = ReadTree(dir.path());
    const TurnwheelResult result = RotateSites();
    ASSERT_EQ(result.sites.size(), 1u);
    const SiteRotation& site = result.sites[0];
    EXPECT_NE(site.line.find(c.says), std::string::npos) << site.line;
    EXPECT_EQ(result.ok, c.rotation > 0);
    EXPECT_EQ(site.outcome, c.rotation ? RotationOutcome::Live : RotationOutcome::Refused);
    if (c.rotation == 0) {
      EXPECT_EQ(ReadTree(dir.path()), before);
      continue;
    }
    const std::string k = std::to_string(c.rotation);
    EXPECT_EQ(site.rotation, c.rotation);
    Tree expected = {{"Index.html", "page " + k}, {"a.jpg", "image " + k}};
    for (const auto& [name, content] : c.before) {
      if (name.find('/') != std::string::npos) expected[name.substr(0, name.find('/'))] = "/";
      if (!expected.contains(name)) expected[name] = content;
    }
    EXPECT_EQ(ReadTree(live), expected);
    IniFile ini(dir / "Site_1.ini");
    ASSERT_TRUE(ini.Load());
    EXPECT_TRUE(site.line.ends_with("; next rotation: " +
                                    ini.GetString("General", "CurrentRotationPosition", "")));
  }
}

// A file that is no program is reported as a missing one is (the message table shows that one).
TEST_F(CatalogueTest, RotateNowReportsAFileThatIsNoProgramPlainly) {
  OpenSite("Cats", "RotationCount=1\r\n");
  WriteFile(tmp / "turnwheel", "not a program");
  EXPECT_EQ(RotateNow(ui, cat, true).site_name, "Cats");
  ASSERT_EQ(ui.texts(), std::vector{"Could not load " + tmp.path() + "turnwheel!"});
  EXPECT_EQ(ui.messages()[0].kind, MessageKind::Plain);
}

}  // namespace
}  // namespace parvel
