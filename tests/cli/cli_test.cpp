// End-to-end: the real parvel-cli and turnwheel programs on a data directory and sites made in a
// temporary folder; and the help pages shipped with them.

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <tuple>

#include "imaging/pixelgraphic.h"
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
  EXPECT_TRUE(Cli({"new-site", "Holiday", "--path", site_}).output.ends_with("\nSite_1\n"));
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
            "Site_1\tHoliday\t" + site_ + "\n\tCurrent Site  : 0 Images : NOT BUILT\n");
}

TEST_F(CliTest, BuildWritesPagesThumbnailsAndStatus) {
  NewSite("Holiday");
  for (int i = 1; i <= 21; ++i)
    MakeJpeg(site_ + (i < 10 ? "p0" : "p") + std::to_string(i) + ".jpg");
  for (const char* name : {"holiday_thb.jpg", "Page_Button_2.gif"})
    WriteFile(site_ + name, "not an image to build");
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

// Of a tree, the files only (ReadTree lists folders as "/").
Tree FilesOf(Tree tree) {
  std::erase_if(tree, [](const auto& entry) { return entry.second == "/"; });
  return tree;
}

// turnwheel replaces and removes only what it put live (the user's notes and blog stay), and
// refuses a rotation whose files would land on the user's, naming the first ten, changing nothing.
// (What of a rotation goes live, without the temporaries, is the model's live tree tests'.)
TEST_F(CliTest, TurnwheelKeepsWhatTheUserPutInTheLiveFolder) {
  const std::string live = dir_ / "www/live";
  const auto picture = [](int i) { return (i < 10 ? "p0" : "p") + std::to_string(i) + ".jpg"; };
  const Tree one = {{"Index.html", "page 1"}, {"a.jpg", "a"}, {"thumbs/a_thb.jpg", "small a"}};
  Tree two = {{"Index.html", "page 2"}, {"b.jpg", "b"}, {"thumbs/b_thb.jpg", "small b"}};
  for (int i = 1; i <= 12; ++i) two[picture(i)] = "p";
  NewSite("Rotating", 2, live);
  for (const auto& [name, bytes] : one) WriteFile(site_ + "Rotation_1/" + name, bytes);
  for (const auto& [name, bytes] : two) WriteFile(site_ + "Rotation_2/" + name, bytes);
  ASSERT_EQ(Wait(Start("turnwheel", {})).status, 0);
  EXPECT_EQ(FilesOf(ReadTree(live)), one);
  const Tree mine = {{"notes.txt", "my notes"}, {"blog/index.html", "my blog"}};
  for (const auto& [name, bytes] : mine) WriteFile(live + "/" + name, bytes);
  for (Tree expected : {two, one}) {
    expected.insert(mine.begin(), mine.end());
    const Finished run = Wait(Start("turnwheel", {}));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(FilesOf(ReadTree(live)), expected);
  }
  const std::string record = ReadFile(data_ + "Site_1.live");
  EXPECT_EQ(record.find("notes.txt"), std::string::npos) << record;

  // Rotation 2 is due; the user's own p01.jpg ... p12.jpg stand where its pictures go.
  for (int i = 1; i <= 12; ++i) WriteFile(live + "/" + picture(i), "mine");
  const Tree before = ReadTree(live);
  const std::string settings = ReadFile(data_ + "Site_1.ini");
  const Finished run = Wait(Start("turnwheel", {}));
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
  EXPECT_EQ(ReadFile(data_ + "Site_1.ini") + ReadFile(data_ + "Site_1.live"), settings + record);
}

// A build and quick ask before they replace a file they did not make: No (also with no answer and
// no terminal) writes nothing and fails; Yes replaces it and makes it the program's, recorded in
// the data directory. A picture without a thumbnail is left out and the build fails.
TEST_F(CliTest, BuildAndQuickAskAboutUserFilesAndLeaveOutDamagedPictures) {
  NewSite("Holiday");
  for (const char* name : {"p1.jpg", "p2.jpg", "p3.jpg"}) MakeJpeg(site_ + name);
  WriteFile(site_ + "fake.jpg", "a text file named like a picture");
  WriteFile(site_ + "Index.html", "my own page");
  CliOk({"set", "Site_1", "Style_File=" + data_ + "Styles/Sample_No_Index.htm"});
  const std::string question =
      "Confirmation: The build would replace these files that it did not make: Index.html.  "
      "Replace them?\nAnswer: ";
  for (const std::vector<std::string>& refused :
       {std::vector<std::string>{"build", "Site_1", "--no"}, {"build", "Site_1"}}) {
    const Finished run = Cli(refused);
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find(question + "No\n"), std::string::npos) << run.output;
    EXPECT_EQ(ReadFile(site_ + "Index.html"), "my own page");
    EXPECT_FALSE(fs::exists(site_ + "thumbs"));
  }
  const Finished run = Cli({"build", "Site_1", "--yes"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find(question + "Yes\n"), std::string::npos) << run.output;
  EXPECT_TRUE(run.output.ends_with(
      "\nThumbnails: 3 made, 0 kept, 1 left out. Pages: 1 written, 0 unchanged.\n"))
      << run.output;
  EXPECT_EQ(ReadFile(site_ + "Index.html").find("fake"), std::string::npos);
  fs::remove(site_ + "fake.jpg");
  WriteFile(site_ + "Index.html", "edited");
  const Finished again = Cli({"build", "Site_1", "--no"});
  EXPECT_EQ(again.status, 0) << again.output;
  EXPECT_EQ(again.output.find("did not make"), std::string::npos) << again.output;

  const std::string folder = dir_ / "pictures/";
  MakeJpeg(folder + "a.jpg", 300, 200);
  WriteFile(folder + "Index.html", "my own page");
  EXPECT_EQ(Cli({"quick", folder}).status, 1);
  EXPECT_EQ(ReadFile(folder + "Index.html"), "my own page");
  const Finished quick = Cli({"quick", folder, "--yes"});
  ASSERT_EQ(quick.status, 0) << quick.output;
  EXPECT_TRUE(quick.output.ends_with(")\n" + folder + "Index.html\n")) << quick.output;
  EXPECT_TRUE(fs::exists(folder + "thumbs/a_thb.jpg"));
  WriteFile(folder + "Index.html", "edited");
  EXPECT_EQ(Cli({"quick", folder, "--no"}).status, 0);
  // One record for the site, one for the folder, both in the data directory.
  EXPECT_EQ(std::distance(fs::directory_iterator(data_ + "records"), fs::directory_iterator()), 2);
  for (const auto& [name, bytes] : ReadTree(folder))
    EXPECT_EQ(name.find("record"), std::string::npos);
}

// add puts files into a rotation's folder as a drop onto the image list does: unsupported files
// are asked about (Cancel without a terminal), --yes/--no answer the questions, other formats are
// converted, only pictures go in, and the exit status says whether every file went in.
TEST_F(CliTest, AddConvertsAsksAndReportsByItsExitStatus) {
  const std::string from = dir_ / "from/";
  NewSite("Trip");
  WriteFile(from + "notes.txt", "not a picture");  // (makes the folder)
  WriteFile(from + "fake.jpg", "a text file named like a picture");
  PixelGraphic image;
  image.SetSize(40, 30);
  image.SaveToFile(from + "a.bmp");
  image.SaveToFile(from + "c.png");
  MakeJpeg(from + "b.jpg");
  // The words after the site, the summary line (or a part of the refusal), a.jpg afterwards.
  const std::tuple<std::vector<std::string>, const char*, const char*> steps[] = {
      {{"a.bmp", "notes.txt", "b.jpg"}, "1 of 3 files added", ""},
      {{"--yes", "a.bmp", "notes.txt", "b.jpg"}, "2 of 3 files added", ""},
      {{"--yes", "fake.jpg"}, "fake.jpg, is not a supported image format (its content", ""},
      {{"--no", "a.bmp", "c.png"}, "1 of 2 files added", "older"},
      {{"--rotation", "4", "c.png"}, "there is no rotation 4", "older"},
  };
  for (const auto& [words, said, a] : steps) {
    std::vector<std::string> args{"add", "Trip"};
    for (const auto& w : words) args.push_back(w.starts_with("-") || w == "4" ? w : from + w);
    if (*a) WriteFile(site_ + "a.jpg", a);
    const Finished run = Cli(args);
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find(said), std::string::npos) << run.output;
    EXPECT_TRUE(!*a || ReadFile(site_ + "a.jpg") == a);
  }
  EXPECT_FALSE(fs::exists(site_ + "fake.jpg"));
  EXPECT_EQ(ReadFile(site_ + "b.jpg"), ReadFile(from + "b.jpg"));
  EXPECT_NE(ReadFile(site_ + "c.jpg").find("\xFF\xC2"), std::string::npos);  // progressive
}

// --data-dir: a missing folder is made and seeded from the programs' own folder; one that cannot
// be made stops either program with its name and the system's reason.
TEST_F(CliTest, NamedDataDirectoryIsMadeOrNamedWithTheReason) {
  data_ = dir_ / "new/data/";
  ASSERT_EQ(Cli({"sites"}).status, 0);
  EXPECT_EQ(ReadFile(data_ + "help/index.html"),
            ReadFile(std::string(PARVEL_BINARY_DIR) + "/bin/help/index.html"));
  WriteFile(dir_ / "blocker", "a file");
  data_ = dir_ / "blocker/data/";
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"parvel-cli", "sites"}, {"turnwheel"}}) {
    const Finished run = Wait(Start(command[0], {command.begin() + 1, command.end()}));
    EXPECT_EQ(run.status, 1) << command[0];
    EXPECT_NE(
        run.output.find(data_ + " could not be made: " + dir_.path() + "blocker: File exists"),
        std::string::npos)
        << run.output;
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

// The desktop's saves while the real turnwheel and parvel-cli change the same site: Site Options
// opened before a rotation and cancelled (or confirmed) after it, and the site editor's New
// Rotation, Delete Rotation and close around a `set`, never put back what those programs saved.
TEST_F(CliTest, TheDesktopsSavesKeepWhatTurnwheelAndSetSaved) {
  NewSite("Rotating", 2, dir_ / "live");
  for (int r = 1; r <= 2; ++r) {
    MakeJpeg(site_ + "Rotation_" + std::to_string(r) + "/r" + std::to_string(r) + ".jpg");
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
      SiteOptionsForm dialog(ui, catalogue.site(), true);
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

}  // namespace
}  // namespace parvel
