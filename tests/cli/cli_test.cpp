// End-to-end: the real parvel-cli and turnwheel programs on a data directory and sites made in a
// temporary folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "imaging/PGraphic.h"
#include "reliability/programs_support.h"
#include "support/testsupport.h"

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
  NewSite("Holiday", site);
  for (int i = 1; i <= 21; ++i) MakeJpeg(site + (i < 10 ? "p0" : "p") + std::to_string(i) + ".jpg");
  WriteFile(site + "holiday_thb.jpg", "not an image to build");
  WriteFile(site + "Page_Button_2.gif", "not an image to build");
  Set({"Style_File=" + data_ + "Styles/Sample_With_Index.htm", "DisplayAsImage=True"});
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
  NewSite("Rotating", site);
  Rotate(3, live, 3);
  for (int r = 1; r <= 3; ++r) {
    MakeJpeg(site + "Rotation_" + std::to_string(r) + "/r" + std::to_string(r) + ".jpg");
    Set({"--rotation", std::to_string(r), "Style_File=" + data_ + "Styles/Sample_No_Index.htm"});
  }
  // Rotation 3 is not built yet: turnwheel refuses it and keeps it due.
  EXPECT_EQ(Run("turnwheel", {}).status, 1);
  EXPECT_FALSE(fs::exists(live + "/Index.html"));
  EXPECT_EQ(Setting("General", "CurrentRotationPosition"), "3");

  ASSERT_EQ(Cli({"build", "Site_1", "--all", "--no"}).status, 0);
  for (const char* r : {"1", "2", "3"})
    EXPECT_EQ(Setting(std::string("Rotation_") + r, "Status"), "2");
  // rotate puts rotation 3 live, and the position wraps to 1.
  ASSERT_EQ(Cli({"rotate"}).status, 0);
  EXPECT_TRUE(fs::exists(live + "/r3.jpg"));
  EXPECT_EQ(Setting("General", "CurrentRotationPosition"), "1");
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
  NewSite("Trip", site);
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

}  // namespace
}  // namespace parvel
