// End-to-end: the real parvel-cli and turnwheel programs on a data directory and sites made in a
// temporary folder; and the help pages shipped with them.

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <tuple>

#include "imaging/PGraphic.h"
#include "reliability/programs_support.h"

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
      {"DisplayAsImage=maybe", "DisplayAsImage"}};
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

TEST_F(CliTest, QuickBuildsAFolderWithoutTheCatalogue) {
  const std::string folder = dir_ / "pictures/";
  MakeJpeg(folder + "a.jpg", 300, 200);
  const Finished run = Cli({"quick", folder, "--yes"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.output.ends_with(")\n" + folder + "Index.html\n")) << run.output;
  EXPECT_TRUE(fs::exists(folder + "thumbs/a_thb.jpg"));
  EXPECT_FALSE(fs::exists(data_ + "sites.ini"));
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
