// End-to-end: the real parvel-cli and turnwheel programs on a data directory and sites made in a
// temporary folder; and the help pages shipped with them.

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <tuple>

#include "imaging/PGraphic.h"
#include "model/editsite.h"
#include "model/paths.h"
#include "model/siteoptions.h"
#include "reliability/programs_support.h"
#include "support/scripted_interaction.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using namespace testing;  // the test support

using CliTest = testing::ProgramTest;

TEST_F(CliTest, AFailedNewSiteLeavesTheNamedFolderAlone) {
  // A catalogue that can be neither read nor written, whoever runs this: a folder stands where
  // sites.ini belongs.
  fs::create_directory(data_ + "sites.ini");
  const std::string pictures = dir_ / "Pictures/";
  WriteFile(pictures + "sunset.jpg", "sunset bytes");
  WriteFile(pictures + "2024/notes.txt", "notes");
  const testing::Tree before = testing::ReadTree(pictures);
  const Finished run = Cli({"new-site", "Holiday", "--path", pictures});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(testing::ReadTree(pictures), before);
  EXPECT_NE(run.output.find("saving the settings for the current site"), std::string::npos);
  EXPECT_FALSE(fs::exists(data_ + "Site_1.ini"));
}

// set checks every assignment before it saves any; show and sites list what was saved.
TEST_F(CliTest, NewSiteSetShowAndSites) {
  const std::string site = dir_ / "site/";
  EXPECT_TRUE(Cli({"new-site", "Holiday", "--path", site}).output.ends_with("\nSite_1\n"));
  const std::string before = ReadFile(data_ + "Site_1.ini");
  const std::pair<const char*, const char*> cases[] = {
      {"Thumb_Widht=100", "Unknown settings key: Thumb_Widht"},
      {"Thumb_Width=wide", "The value of Thumb_Width, wide, is not a whole number"},
      {"DisplayAsImage=maybe", "DisplayAsImage"},
      {"Web_Image_Size=199", "The value of Web_Image_Size, 199, is not 0 (off) or 200 to 8192"},
      {"Web_Image_Size=8193", "Web_Image_Size, 8193, is not 0 (off) or 200 to 8192"},
      {"Web_Image_Size=-1", "Web_Image_Size, -1, is not 0 (off)"},
      {"Web_Image_Quality=9", "The value of Web_Image_Quality, 9, is not 10 to 100"},
      {"Web_Image_Quality=101", "Web_Image_Quality, 101, is not 10 to 100"},
      {"HiDPI_Thumbnails=yes", "HiDPI_Thumbnails, yes, is not True or False"}};
  for (const auto& [assignment, said] : cases) {
    const Finished run = Cli({"set", "Site_1", "Thumb_Height=50", assignment});
    EXPECT_EQ(run.status, 2) << assignment;
    EXPECT_NE(run.output.find(said), std::string::npos) << run.output;
    EXPECT_EQ(ReadFile(data_ + "Site_1.ini"), before);
  }
  for (const std::vector<std::string>& usage : std::vector<std::vector<std::string>>{
           {"build", "Nowhere"}, {"frobnicate"}, {"build"}, {"sites", "--bogus"}}) {
    EXPECT_EQ(Cli(usage).status, 2) << usage[0];
  }
  ASSERT_EQ(Cli({"set", "holiday", "Header_HTML=<b>Hi</b>", "Thumb_Width=5000"}).status, 0);
  const Finished run = Cli({"show", "Site_1"});
  EXPECT_TRUE(run.output.starts_with("[Rotation_1]\n"));
  EXPECT_NE(run.output.find("\nHeader_File=\nHeader_HTML=<b>Hi</b>\n"), std::string::npos);
  EXPECT_NE(run.output.find("\nThumb_Width=900\n"), std::string::npos);  // clamped as a load does
  // The web-ready keys come last, with their defaults, and take their limits and off.
  EXPECT_TRUE(run.output.ends_with(
      "\nWeb_Image_Size=0\nWeb_Image_Quality=85\nHiDPI_Thumbnails=False\nLazy_Loading=False\n"))
      << run.output;
  ASSERT_EQ(Cli({"set", "Site_1", "Web_Image_Size=8192", "Web_Image_Quality=10",
                 "HiDPI_Thumbnails=true", "Lazy_Loading=TRUE"})
                .status,
            0);
  EXPECT_TRUE(Cli({"show", "Site_1"})
                  .output.ends_with("\nWeb_Image_Size=8192\nWeb_Image_Quality=10\n"
                                    "HiDPI_Thumbnails=True\nLazy_Loading=True\n"));
  ASSERT_EQ(Cli({"set", "Site_1", "Web_Image_Size=200"}).status, 0);
  EXPECT_NE(Cli({"show", "Site_1"}).output.find("\nWeb_Image_Size=200\n"), std::string::npos);
  EXPECT_EQ(Cli({"sites"}).output,
            "Site_1\tHoliday\t" + site + "\n\tCurrent Site  : 0 Images : NOT BUILT\n");
}

TEST_F(CliTest, BuildWritesPagesThumbnailsAndStatus) {
  const std::string site = dir_ / "site/";
  CliOk({"new-site", "Holiday", "--path", site});
  for (int i = 1; i <= 21; ++i) MakeJpeg(site + (i < 10 ? "p0" : "p") + std::to_string(i) + ".jpg");
  WriteFile(site + "holiday_thb.jpg", "not an image to build");
  WriteFile(site + "Page_Button_2.gif", "not an image to build");
  CliOk({"set", "Site_1", "Style_File=" + data_ + "Styles/Sample_With_Index.htm",
         "DisplayAsImage=True"});
  // The line a build ends with: a thumbnail for each of the 21 photographs (neither the old
  // thumbnail nor the page button) and two pages at 5 x 4; then all made again when asked.
  const auto summary = [&](const std::vector<std::string>& args) {
    const std::string out = Cli(args).output;
    return out.substr(out.rfind('\n', out.size() - 2) + 1);
  };
  EXPECT_EQ(summary({"build", "Site_1", "--no"}),
            "Thumbnails: 21 made, 0 kept. Pages: 2 written, 0 unchanged.\n");
  EXPECT_EQ(Setting("Rotation_1", "Status"), "2");
  EXPECT_EQ(summary({"build", "Site_1", "--no", "--remake-thumbnails"}),
            "Thumbnails: 21 made, 0 kept. Pages: 0 written, 2 unchanged.\n");
}

TEST_F(CliTest, BuildAllAndTurnwheel) {
  WriteFile(data_ + "options.ini", "[Options]\r\nUseRotations=True\r\n");
  const std::string site = dir_ / "site/";
  const std::string live = dir_ / "live";
  CliOk({"new-site", "Rotating", "--path", site});
  Rotate(3, live, 3);
  for (int r = 1; r <= 3; ++r) {
    MakeJpeg(site + "Rotation_" + std::to_string(r) + "/r" + std::to_string(r) + ".jpg");
    CliOk({"set", "Site_1", "--rotation", std::to_string(r),
           "Style_File=" + data_ + "Styles/Sample_No_Index.htm"});
  }
  // Rotation 3 is not built yet: turnwheel refuses it and keeps it due.
  EXPECT_EQ(Wait(Start("turnwheel", {})).status, 1);
  EXPECT_FALSE(fs::exists(live + "/Index.html"));
  EXPECT_EQ(Setting("General", "CurrentRotationPosition"), "3");

  ASSERT_EQ(Cli({"build", "Site_1", "--all", "--no"}).status, 0);
  for (const char* r : {"1", "2", "3"})
    EXPECT_EQ(Setting(std::string("Rotation_") + r, "Status"), "2");
  // rotate puts rotation 3 live.
  ASSERT_EQ(Cli({"rotate"}).status, 0);
  EXPECT_TRUE(fs::exists(live + "/r3.jpg"));
}

// The desktop's saves while the real turnwheel and parvel-cli change the same site: Site Options
// opened before a rotation and cancelled (or confirmed) after it, and the site editor's New
// Rotation, Delete Rotation and close around a `set`, never put back what those programs saved.
TEST_F(CliTest, TheDesktopsSavesKeepWhatTurnwheelAndSetSaved) {
  WriteFile(data_ + "options.ini", "[Options]\r\nUseRotations=True\r\n");
  const std::string site = dir_ / "site/";
  const std::string live = dir_ / "live";
  CliOk({"new-site", "Rotating", "--path", site});
  Rotate(2, live, 1);
  for (int r = 1; r <= 2; ++r) {
    MakeJpeg(site + "Rotation_" + std::to_string(r) + "/r" + std::to_string(r) + ".jpg");
    CliOk({"set", "Site_1", "--rotation", std::to_string(r),
           "Style_File=" + data_ + "Styles/Sample_No_Index.htm"});
  }
  CliOk({"build", "Site_1", "--all", "--no"});

  SetDataDirectory(data_);
  ScriptedInteraction ui;
  Catalogue catalogue;
  ASSERT_TRUE(catalogue.ReadSites());
  catalogue.SelectSite(0, true);
  ASSERT_EQ(catalogue.site().CurrentRotationPosition, 1);
  // Cancel, then OK with another name: turnwheel runs while the dialog is open.
  for (const bool ok : {false, true}) {
    SCOPED_TRACE(ok ? "OK" : "Cancel");
    const std::string due = Setting("General", "CurrentRotationPosition");
    const std::string next = due == "1" ? "2" : "1";
    SiteOptionsAction(ui, catalogue, true, [&] {
      SiteOptionsDialog dialog(ui, catalogue.site(), true);
      EXPECT_EQ(Wait(Start("turnwheel", {})).status, 0);
      EXPECT_EQ(Setting("General", "CurrentRotationPosition"), next);
      dialog.set_name("Renamed");
      return ok && dialog.Accept(catalogue);
    });
    EXPECT_EQ(Setting("General", "CurrentRotationPosition"), next);
    EXPECT_EQ(catalogue.site().CurrentRotationPosition, std::stoi(next));
    EXPECT_EQ(Setting("General", "Name"), ok ? "Renamed" : "Rotating");
  }

  SiteSettings settings;
  AppOptions options;
  options.UseRotations = true;
  std::vector<std::string> styles;
  SiteEditor editor(ui, catalogue, settings, options, styles);
  ASSERT_TRUE(editor.Open());
  CliOk({"set", "Site_1", "--rotation", "1", "Thumb_Width=150"});
  ASSERT_TRUE(editor.NewRotation());
  EXPECT_EQ(Setting("Rotation_1", "Thumb_Width"), "150");
  ASSERT_EQ(Wait(Start("turnwheel", {})).status, 0);
  const std::string due = Setting("General", "CurrentRotationPosition");
  CliOk({"set", "Site_1", "--rotation", "1", "Thumb_Height=60"});
  ui.QueueAnswer(Answer::Yes);
  ASSERT_TRUE(editor.DeleteRotation());
  EXPECT_EQ(Setting("General", "RotationCount"), "2");
  CliOk({"set", "Site_1", "--rotation", "1", "Cell_Padding=4"});
  ASSERT_EQ(Wait(Start("turnwheel", {})).status, 0);
  const std::string after = Setting("General", "CurrentRotationPosition");
  EXPECT_NE(after, due);
  ASSERT_TRUE(editor.Close());
  EXPECT_EQ(Setting("Rotation_1", "Thumb_Width") + " " + Setting("Rotation_1", "Thumb_Height") +
                " " + Setting("Rotation_1", "Cell_Padding") + " " + Setting("Rotation_1", "Status"),
            "150 60 4 2");
  EXPECT_EQ(Setting("General", "CurrentRotationPosition"), after);
  EXPECT_EQ(ui.unexpected(), std::vector<std::string>{});
}

// A site on the rotation schedule, made by hand: `rotations[k]` is rotation k+1's folder (relative
// to the test's folder) and its files; `live` the live folder; `position` the rotation due.
void MakeRotatingSite(const std::string& data, const std::string& root,
                      const std::vector<std::pair<std::string, Tree>>& rotations,
                      const std::string& live, int position) {
  WriteFile(data + "options.ini", "[Options]\r\nUseRotations=True\r\n");
  WriteFile(data + "sites.ini", "[Sites]\r\nSite_1=Rotating\r\n");
  std::string ini = "[General]\r\nName=Rotating\r\nPath=" + root + "site/\r\nLivePath=" + live +
                    "\r\nAutoRotate=True\r\nCurrentRotationPosition=" + std::to_string(position) +
                    "\r\nRotationCount=" + std::to_string(rotations.size()) + "\r\n";
  for (size_t k = 0; k < rotations.size(); ++k) {
    const auto& [folder, files] = rotations[k];
    ini += "[Rotation_" + std::to_string(k + 1) + "]\r\nRotation_Path=" + root + folder + "\r\n";
    for (const auto& [name, bytes] : files) WriteFile(root + folder + "/" + name, bytes);
  }
  WriteFile(data + "Site_1.ini", ini);
}

// Of a tree, the files only (ReadTree lists folders as "/").
Tree FilesOf(Tree tree) {
  std::erase_if(tree, [](const auto& entry) { return entry.second == "/"; });
  return tree;
}

const Tree kOne = {{"Index.html", "page 1"}, {"a.jpg", "a"}, {"thumbs/a_thb.jpg", "small a"}};
const Tree kTwo = {{"Index.html", "page 2"}, {"b.jpg", "b"}, {"thumbs/b_thb.jpg", "small b"}};

// turnwheel replaces and removes only what it put live: the user's notes and blog stay through
// every rotation. A rotation whose files would land on the user's is refused, naming the first
// ten of them and how many there are, and nothing changes.
TEST_F(CliTest, TurnwheelKeepsWhatTheUserPutInTheLiveFolder) {
  const std::string live = dir_ / "www/live";
  Tree two = kTwo;
  for (int i = 1; i <= 12; ++i)
    two["p" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".jpg"] = "p";
  MakeRotatingSite(data_, dir_.path(), {{"site/Rotation_1", kOne}, {"site/Rotation_2", two}}, live,
                   1);
  ASSERT_EQ(Wait(Start("turnwheel", {})).status, 0);
  EXPECT_EQ(FilesOf(ReadTree(live)), kOne);
  const Tree mine = {{"notes.txt", "my notes"}, {"blog/index.html", "my blog"}};
  for (const auto& [name, bytes] : mine) WriteFile(live + "/" + name, bytes);

  Tree expected = two;
  expected.insert(mine.begin(), mine.end());
  Finished run = Wait(Start("turnwheel", {}));
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("Rotation 2 is live in " + live), std::string::npos) << run.output;
  EXPECT_EQ(FilesOf(ReadTree(live)), expected);
  expected = kOne;
  expected.insert(mine.begin(), mine.end());
  ASSERT_EQ(Wait(Start("turnwheel", {})).status, 0);
  EXPECT_EQ(FilesOf(ReadTree(live)), expected);
  const std::string record = ReadFile(data_ + "Site_1.live");
  EXPECT_NE(record.find("\r\nthumbs/a_thb.jpg\r\n"), std::string::npos) << record;
  EXPECT_EQ(record.find("notes.txt"), std::string::npos) << record;

  // Rotation 2 is due; the user's own p01.jpg ... p12.jpg stand where its pictures go.
  for (int i = 12; i >= 1; --i) {
    WriteFile(live + "/p" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".jpg", "mine");
  }
  const Tree before = ReadTree(live);
  const std::string settings = ReadFile(data_ + "Site_1.ini");
  run = Wait(Start("turnwheel", {}));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(
      run.output.find("Rotation 2 was not copied: these files in the live directory, " + live +
                      ", were not put there by turnwheel and the rotation would replace "
                      "them: p01.jpg, p02.jpg, p03.jpg, p04.jpg, p05.jpg, p06.jpg, p07.jpg, "
                      "p08.jpg, p09.jpg, p10.jpg and 2 more (12 files); the live directory "
                      "is unchanged"),
      std::string::npos)
      << run.output;
  EXPECT_EQ(ReadTree(live), before);
  EXPECT_EQ(ReadFile(data_ + "Site_1.ini"), settings);
  EXPECT_EQ(ReadFile(data_ + "Site_1.live"), record);
}

// A live folder filled before turnwheel kept its record: what matches the rotation that went live
// last, path and bytes, is turnwheel's; anything else is the user's.
TEST_F(CliTest, TurnwheelTellsItsOwnFilesInALiveFolderFilledBeforeItsRecord) {
  const struct {
    const char* name;
    Tree live;         // before the run (rotation 2 went live last)
    int status;        // turnwheel's exit status
    const char* says;  // in its output
  } cases[] = {
      {"no live folder yet", {}, 0, "Rotation 1 is live"},
      {"rotation 2 and the user's files",
       {{"Index.html", "page 2"},
        {"b.jpg", "b"},
        {"thumbs/b_thb.jpg", "small b"},
        {"notes.txt", "mine"},
        {"blog/index.html", "my blog"}},
       0,
       "Rotation 1 is live"},
      {"an edited page",
       {{"Index.html", "my page"}, {"b.jpg", "b"}},
       1,
       "replace them: Index.html (1 file);"},
      {"a file where a folder goes",
       {{"Index.html", "page 2"}, {"thumbs", "my thumbs"}},
       1,
       "replace them: thumbs (1 file);"},
      {"a picture of another rotation",
       {{"a.jpg", "a"}, {"b.jpg", "b"}},
       1,
       "replace them: a.jpg (1 file);"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string live = dir_ / c.name;
    MakeRotatingSite(data_, dir_.path(), {{"site/Rotation_1", kOne}, {"site/Rotation_2", kTwo}},
                     live, 1);
    std::filesystem::remove(data_ + "Site_1.live");
    for (const auto& [name, bytes] : c.live) WriteFile(live + "/" + name, bytes);
    const Finished run = Wait(Start("turnwheel", {}));
    EXPECT_EQ(run.status, c.status) << run.output;
    EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
    if (c.status != 0) {
      EXPECT_EQ(FilesOf(ReadTree(live)), c.live);
      EXPECT_EQ(Setting("General", "CurrentRotationPosition"), "1");
      continue;
    }
    Tree expected = kOne;
    for (const auto& [name, bytes] : c.live) {
      if (!kTwo.contains(name)) expected[name] = bytes;
    }
    EXPECT_EQ(FilesOf(ReadTree(live)), expected);
    EXPECT_FALSE(std::filesystem::exists(live + "/thumbs/b_thb.jpg"));
  }
}

// A site built without rotations holds rotation 2's folder inside rotation 1's (the site folder):
// rotation 1's live copy leaves it out, and the program's temporary files too.
TEST_F(CliTest, TurnwheelCopiesARotationWithoutTheOthersOrTemporaries) {
  const std::string live = dir_ / "live";
  Tree one = kOne;
  one[".parvel-tmp-Index.html.Ab12Cd"] = "half a page";
  one[".a.jpg.turnwheel-part"] = "half a picture";
  MakeRotatingSite(data_, dir_.path(), {{"site", one}, {"site/Rotation_2", kTwo}}, live, 1);
  ASSERT_EQ(Wait(Start("turnwheel", {})).status, 0);
  EXPECT_EQ(ReadTree(live), (Tree{{"Index.html", "page 1"},
                                  {"a.jpg", "a"},
                                  {"thumbs", "/"},
                                  {"thumbs/a_thb.jpg", "small a"}}));
  // Rotation 2 replaces it whole: nothing of rotation 1 stays.
  ASSERT_EQ(Wait(Start("turnwheel", {})).status, 0);
  EXPECT_EQ(FilesOf(ReadTree(live)), kTwo);
}

TEST_F(CliTest, QuickBuildsAFolderWithoutTheCatalogue) {
  const std::string folder = dir_ / "pictures/";
  MakeJpeg(folder + "a.jpg", 300, 200);
  const Finished run = Cli({"quick", folder, "--yes"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.output.ends_with(")\n" + folder + "Index.html\n")) << run.output;
  EXPECT_TRUE(fs::exists(folder + "thumbs/a_thb.jpg"));
  EXPECT_FALSE(fs::exists(data_ + "sites.ini"));
}

// A build asks before it replaces a file it did not make: No (also with no answer and no
// terminal) writes nothing and fails; Yes replaces it and makes it the program's. A picture
// whose thumbnail cannot be made is left out of the page and counted, and the build fails.
TEST_F(CliTest, BuildAsksAboutUserFilesAndLeavesOutDamagedPictures) {
  const std::string site = dir_ / "site/";
  CliOk({"new-site", "Holiday", "--path", site});
  for (const char* name : {"p1.jpg", "p2.jpg", "p3.jpg"}) MakeJpeg(site + name);
  WriteFile(site + "fake.jpg", "a text file named like a picture");
  WriteFile(site + "Index.html", "my own page");
  CliOk({"set", "Site_1", "Style_File=" + data_ + "Styles/Sample_No_Index.htm"});
  const std::string question =
      "Confirmation: The build would replace these files that it did not make: Index.html.  "
      "Replace them?\nAnswer: ";
  for (const std::vector<std::string>& refused :
       {std::vector<std::string>{"build", "Site_1", "--no"}, {"build", "Site_1"}}) {
    const Finished run = Cli(refused);
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find(question + "No\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("The build was stopped before writing anything."), std::string::npos);
    EXPECT_EQ(ReadFile(site + "Index.html"), "my own page");
    EXPECT_FALSE(fs::exists(site + "thumbs"));
    EXPECT_NE(Setting("Rotation_1", "Status"), "2");
  }
  const Finished run = Cli({"build", "Site_1", "--yes"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find(question + "Yes\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("1 picture was left out of the pages because its thumbnail could "
                            "not be made: fake.jpg."),
            std::string::npos)
      << run.output;
  EXPECT_TRUE(run.output.ends_with(
      "\nThumbnails: 3 made, 0 kept, 1 left out. Pages: 1 written, 0 unchanged.\n"))
      << run.output;
  const std::string page = ReadFile(site + "Index.html");
  EXPECT_NE(page.find("p3_thb.jpg"), std::string::npos);
  EXPECT_EQ(page.find("fake"), std::string::npos);
  // The record is in the data directory; the page is the program's now.
  EXPECT_TRUE(fs::exists(data_ + "records/build-site-site_1-rotation-1.txt"));
  fs::remove(site + "fake.jpg");
  WriteFile(site + "Index.html", "edited");
  const Finished again = Cli({"build", "Site_1", "--no"});
  EXPECT_EQ(again.status, 0) << again.output;
  EXPECT_EQ(again.output.find("did not make"), std::string::npos) << again.output;
  EXPECT_TRUE(
      again.output.ends_with("\nThumbnails: 0 made, 3 kept. Pages: 1 written, 0 unchanged.\n"));
}

// Build All asks once for each rotation that would replace a file the program did not make.
TEST_F(CliTest, BuildAllAsksOncePerRotation) {
  WriteFile(data_ + "options.ini", "[Options]\r\nUseRotations=True\r\n");
  const std::string site = dir_ / "site/";
  CliOk({"new-site", "Rotating", "--path", site});
  Rotate(3, dir_ / "live", 1);
  for (int r = 1; r <= 3; ++r) {
    const std::string folder = site + "Rotation_" + std::to_string(r) + "/";
    MakeJpeg(folder + "r.jpg");
    if (r != 2) WriteFile(folder + "Index.html", "mine");
    CliOk({"set", "Site_1", "--rotation", std::to_string(r),
           "Style_File=" + data_ + "Styles/Sample_No_Index.htm"});
  }
  const auto questions = [](const std::string& output) {
    const std::string asked = "these files that it did not make: Index.html.  Replace them?";
    int count = 0;
    for (size_t at = output.find(asked); at != std::string::npos; at = output.find(asked, at + 1))
      ++count;
    return count;
  };
  const Finished run = Cli({"build", "Site_1", "--all", "--yes"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(questions(run.output), 2) << run.output;
  EXPECT_NE(ReadFile(site + "Rotation_3/Index.html"), "mine");
  EXPECT_EQ(questions(Cli({"build", "Site_1", "--all", "--no"}).output), 0);
}

// quick keeps its record per folder in the data directory and asks the same way.
TEST_F(CliTest, QuickAsksBeforeReplacingAndKeepsItsRecord) {
  const std::string folder = dir_ / "pictures/";
  MakeJpeg(folder + "a.jpg");
  WriteFile(folder + "Index.html", "my own page");
  const Finished refused = Cli({"quick", folder});
  EXPECT_EQ(refused.status, 1) << refused.output;
  EXPECT_EQ(ReadFile(folder + "Index.html"), "my own page");
  EXPECT_EQ(Cli({"quick", folder, "--yes"}).status, 0);
  EXPECT_NE(ReadFile(folder + "Index.html"), "my own page");
  WriteFile(folder + "Index.html", "edited");
  EXPECT_EQ(Cli({"quick", folder, "--no"}).status, 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(data_ + "records"), fs::directory_iterator()), 1);
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    EXPECT_EQ(entry.path().string().find("record"), std::string::npos);
  }
}

// add puts files into a rotation's folder as a drop onto the image list does: unsupported files
// are asked about (Cancel without a terminal), --yes/--no answer the questions, other formats are
// converted, and the exit status says whether every file went in.
TEST_F(CliTest, AddConvertsAsksAndReportsByItsExitStatus) {
  const std::string site = dir_ / "site/";
  const std::string from = dir_ / "from/";
  CliOk({"new-site", "Trip", "--path", site});
  WriteFile(from + "notes.txt", "not a picture");  // (makes the folder)
  TPixelGraphic image;
  image.SetSize(40, 30);
  image.SaveToFile(from + "a.bmp");
  image.SaveToFile(from + "c.png");
  MakeJpeg(from + "b.jpg");
  // The words after the site, the summary line (or a part of the refusal), a.jpg afterwards.
  const std::tuple<std::vector<std::string>, const char*, const char*> steps[] = {
      {{"a.bmp", "notes.txt", "b.jpg"}, "1 of 3 files added", ""},
      {{"--yes", "a.bmp", "notes.txt", "b.jpg"}, "2 of 3 files added", ""},
      {{"--no", "a.bmp", "c.png"}, "1 of 2 files added", "older"},
      {{"--rotation", "4", "c.png"}, "there is no rotation 4", "older"},
  };
  for (const auto& [words, said, a] : steps) {
    std::vector<std::string> args{"add", "Trip"};
    for (const auto& w : words) args.push_back(w.starts_with("-") || w == "4" ? w : from + w);
    if (*a) WriteFile(site + "a.jpg", a);
    const Finished run = Cli(args);
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find(said), std::string::npos) << run.output;
    EXPECT_TRUE(!*a || ReadFile(site + "a.jpg") == a);
  }
  EXPECT_EQ(ReadFile(site + "b.jpg"), ReadFile(from + "b.jpg"));
  EXPECT_NE(ReadFile(site + "c.jpg").find("\xFF\xC2"), std::string::npos);  // progressive
}

// Only pictures go in: a text named like a picture is refused for its content, a name whose
// extension merely begins like a format's for its name, each with the reason and nothing
// written; a rotation whose folder is missing is named.
TEST_F(CliTest, AddTakesOnlyPicturesAndNamesAMissingFolder) {
  const std::string site = dir_ / "site/";
  const std::string from = dir_ / "from/";
  CliOk({"new-site", "Trip", "--path", site});
  WriteFile(from + "fake.jpg", "a text file named like a picture");
  WriteFile(from + "notes.gitconfig", "[user]\n");
  WriteFile(from + "corpus.time", "12.5 s\n");
  const testing::Tree before = testing::ReadTree(site);
  Finished run = Cli(
      {"add", "Trip", "--yes", from + "fake.jpg", from + "notes.gitconfig", from + "corpus.time"});
  EXPECT_EQ(run.status, 1);
  for (const std::string& said :
       {"The file, " + from +
            "fake.jpg, is not a supported image format (its content is not a "
            "picture)",
        "The file, " + from + "notes.gitconfig, is not a supported image format\n",
        "The file, " + from + "corpus.time, is not a supported image format\n",
        std::string("0 of 3 files added")}) {
    EXPECT_NE(run.output.find(said), std::string::npos) << said << "\n" << run.output;
  }
  EXPECT_EQ(testing::ReadTree(site), before);

  fs::remove_all(site);
  MakeJpeg(from + "b.jpg");
  run = Cli({"add", "Trip", from + "b.jpg"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("Error!  The directory, " + site + ", could not be located!"),
            std::string::npos)
      << run.output;
  EXPECT_FALSE(fs::exists(site));
}

// --data-dir in both programs: a missing folder is made and given the sample folders, the help
// pages and the icon from the programs' own folder, as are an empty folder and a data directory;
// a folder of other things is used as it is; one that cannot be made stops the program with its
// name and the system's reason.
TEST_F(CliTest, NamedDataDirectoryIsMadeAndSeededInBothPrograms) {
  WriteFile(dir_ / "blocker", "a file");
  const std::string shipped = std::string(PARVEL_BINARY_DIR) + "/bin/help/index.html";
  const struct {
    const char* row;
    const char* folder;
    std::map<std::string, std::string> before;  // "-": the folder is not there
    int status;
    bool seeded;
    const char* said;
  } cases[] = {
      {"Missing", "new/data", {{"-", ""}}, 0, true, ""},
      {"Empty", "empty", {}, 0, true, ""},
      {"HoldsSitesIni", "catalogue", {{"sites.ini", "[Sites]\r\n"}}, 0, true, ""},
      {"HoldsStyles", "styles", {{"Styles/mine.htm", "mine"}}, 0, true, ""},
      {"HoldsOtherThings", "pictures", {{"holiday.jpg", "a photograph"}}, 0, false, ""},
      {"CannotBeMade", "blocker/data", {{"-", ""}}, 1, false, "could not be made: "},
  };
  for (const char* program : {"parvel-cli", "turnwheel"}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(program) + " " + c.row);
      const std::string folder = dir_ / (std::string(program) + "-" + c.folder + "/");
      data_ = std::string(c.row) == "CannotBeMade" ? dir_ / "blocker/data/" : folder;
      if (!c.before.contains("-")) {
        fs::create_directories(data_);
        for (const auto& [name, content] : c.before) WriteFile(data_ + name, content);
      }
      const Finished run = Wait(Start(program, program == std::string("parvel-cli")
                                                   ? std::vector<std::string>{"sites"}
                                                   : std::vector<std::string>{}));
      EXPECT_EQ(run.status, c.status) << run.output;
      EXPECT_NE(run.output.find(c.said), std::string::npos) << run.output;
      if (c.status != 0) {
        EXPECT_NE(
            run.output.find(data_ + " could not be made: " + dir_.path() + "blocker: File exists"),
            std::string::npos)
            << run.output;
        continue;
      }
      for (const char* seeded : {"Samples/Next.gif", "navgraph/Next.gif", "icons/parvel.png"}) {
        EXPECT_EQ(fs::exists(data_ + seeded), c.seeded) << seeded;
      }
      EXPECT_EQ(ReadFile(data_ + "help/index.html"), c.seeded ? ReadFile(shipped) : "<missing>");
      for (const auto& [name, content] : c.before) {
        if (name != "-") {
          EXPECT_EQ(ReadFile(data_ + name), content);
        }
      }
    }
  }
}

// ---- The help pages shipped in data/help: one page per help topic the dialogs open, each a
// complete page on the shared style sheet, every link leading to a file (and anchor) that is
// there, and every file reachable from the contents.

const std::string kHelp = std::string(PARVEL_SOURCE_DIR) + "/data/help/";

// The values of href and src attributes inside tags (text that merely shows an attribute, such
// as <code>src="..."</code>, is no link).
std::vector<std::string> Links(const std::string& html) {
  std::vector<std::string> links;
  for (size_t open = html.find('<'); open != std::string::npos; open = html.find('<', open + 1)) {
    if (open + 1 >= html.size() || !std::isalpha(static_cast<unsigned char>(html[open + 1]))) {
      continue;
    }
    const size_t close = html.find('>', open);
    if (close == std::string::npos) break;
    const std::string tag = html.substr(open, close - open);
    for (const std::string name : {" href=\"", " src=\""}) {
      const size_t at = tag.find(name);
      if (at == std::string::npos) continue;
      const size_t start = at + name.size();
      links.push_back(tag.substr(start, tag.find('"', start) - start));
    }
  }
  return links;
}

TEST(HelpPagesTest, EveryTopicHasAPageAndNoLinkIsDead) {
  std::set<std::string> files, reached = {"index.html"};
  for (const auto& entry : fs::directory_iterator(kHelp)) files.insert(entry.path().filename());
  for (const int topic : {25, 26, 27, 31, 32, 33, 34, 36}) {
    EXPECT_TRUE(files.contains("topic-" + std::to_string(topic) + ".html")) << topic;
  }
  for (const std::string& page : files) {
    if (!page.ends_with(".html")) continue;
    SCOPED_TRACE(page);
    const std::vector<std::string> links = Links(ReadFile(kHelp + page));
    EXPECT_NE(std::find(links.begin(), links.end(), "help.css"), links.end());
    for (const std::string& link : links) {
      ASSERT_EQ(link.find(':'), std::string::npos) << "a link out of the help: " << link;
      const size_t hash = link.find('#');
      const std::string target = hash == 0 ? page : link.substr(0, hash);
      ASSERT_TRUE(files.contains(target)) << link;
      reached.insert(target);
      if (hash != std::string::npos) {
        const std::string id = "id=\"" + link.substr(hash + 1) + "\"";
        EXPECT_NE(ReadFile(kHelp + target).find(id), std::string::npos) << link;
      }
    }
  }
  EXPECT_EQ(reached, files);  // no file is left without a way to it
}

}  // namespace
}  // namespace parvel
