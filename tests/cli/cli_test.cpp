// End-to-end: the real parvel-cli and turnwheel programs on a data directory and sites made in a
// temporary folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "imaging/PGraphic.h"
#include "model/inifile.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::ReadFile;
using testing::WriteFile;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& word) {
  std::string q = "'";
  for (char c : word) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data_ = dir_ / "data/";
    std::filesystem::create_directories(data_);
    const std::string source = std::string(PARVEL_SOURCE_DIR) + "/data/";
    std::filesystem::copy(source + "Styles", data_ + "Styles",
                          std::filesystem::copy_options::recursive);
  }

  Outcome Cli(const std::string& program, const std::vector<std::string>& args) {
    std::string command =
        Quote(std::string(PARVEL_BINARY_DIR) + "/bin/" + program) + " --data-dir " + Quote(data_);
    for (const auto& a : args) command += " " + Quote(a);
    command += " </dev/null 2>" + Quote(dir_ / "stderr.txt");
    Outcome run;
    FILE* pipe = ::popen(command.c_str(), "r");
    for (int c; (c = std::fgetc(pipe)) != EOF;) run.out += static_cast<char>(c);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = ReadFile(dir_ / "stderr.txt");
    return run;
  }
  Outcome Cli(const std::vector<std::string>& args) { return Cli("parvel-cli", args); }

  // A site made with new-site whose folder holds `images` small JPEGs named p01.jpg, ...
  std::string NewSite(const std::string& name, const std::string& folder, int images) {
    const Outcome run = Cli({"new-site", name, "--path", folder});
    EXPECT_EQ(run.status, 0) << run.err;
    for (int i = 1; i <= images; ++i) {
      MakeJpeg(folder + (i < 10 ? "p0" : "p") + std::to_string(i) + ".jpg", 64, 48);
    }
    return run.out.substr(0, run.out.find('\n'));
  }

  static void MakeJpeg(const std::string& path, int width, int height) {
    TPixelGraphic image;
    image.SetSize(width, height);
    ASSERT_TRUE(savetojpeg(image, path, 80, false));
  }

  std::string Setting(const std::string& key, const std::string& section, const std::string& name) {
    IniFile ini(data_ + key + ".ini");
    ini.Load();
    return ini.GetString(section, name, "<missing>");
  }

  testing::TempDir dir_;
  std::string data_;
};

TEST_F(CliTest, NewSiteSetShowAndSites) {
  const std::string site = dir_ / "site/";
  EXPECT_EQ(NewSite("Holiday", site, 0), "Site_1");
  Outcome run = Cli({"set", "holiday", "Header_HTML=<b>Hi</b>", "Thumb_Width=5000"});
  ASSERT_EQ(run.status, 0) << run.err;
  run = Cli({"show", "Site_1"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("[Rotation_1]\n"), std::string::npos);
  EXPECT_NE(run.out.find("\nHeader_File=\nHeader_HTML=<b>Hi</b>\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\nThumb_Width=900\n"), std::string::npos);  // clamped as a load does
  run = Cli({"sites"});
  EXPECT_EQ(run.out, "Site_1\tHoliday\t" + site + "\n\tCurrent Site  : 0 Images : NOT BUILT\n");
}

TEST_F(CliTest, AFailedNewSiteLeavesTheNamedFolderAlone) {
  // A catalogue that can be neither read nor written, whoever runs this: a folder stands where
  // sites.ini belongs.
  std::filesystem::create_directory(data_ + "sites.ini");
  const std::string pictures = dir_ / "Pictures/";
  WriteFile(pictures + "sunset.jpg", "sunset bytes");
  WriteFile(pictures + "2024/notes.txt", "notes");
  const testing::Tree before = testing::ReadTree(pictures);
  const Outcome run = Cli({"new-site", "Holiday", "--path", pictures});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(testing::ReadTree(pictures), before);
  EXPECT_NE(run.err.find("saving the settings for the current site"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(data_ + "Site_1.ini"));
}

TEST_F(CliTest, SetRefusesUnknownKeysAndBadValuesAndSavesNothing) {
  NewSite("Holiday", dir_ / "site/", 0);
  const std::string before = ReadFile(data_ + "Site_1.ini");
  const std::pair<const char*, const char*> cases[] = {
      {"Thumb_Widht=100", "Unknown settings key: Thumb_Widht"},
      {"Thumb_Width=wide", "The value of Thumb_Width, wide, is not a whole number"},
      {"DisplayAsImage=maybe", "DisplayAsImage"}};
  for (const auto& c : cases) {
    const Outcome run = Cli({"set", "Site_1", "Thumb_Height=50", c.first});
    EXPECT_EQ(run.status, 2) << c.first;
    EXPECT_NE(run.err.find(c.second), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(data_ + "Site_1.ini"), before);
  }
  for (const std::vector<std::string>& usage : std::vector<std::vector<std::string>>{
           {"build", "Nowhere"}, {"frobnicate"}, {"build"}, {"sites", "--bogus"}}) {
    EXPECT_EQ(Cli(usage).status, 2) << usage[0];
  }
}

TEST_F(CliTest, BuildWritesPagesThumbnailsAndStatus) {
  const std::string site = dir_ / "site/";
  NewSite("Holiday", site, 21);
  WriteFile(site + "holiday_thb.jpg", "not an image to build");
  WriteFile(site + "Page_Button_2.gif", "not an image to build");
  ASSERT_EQ(Cli({"set", "Site_1", "Style_File=" + data_ + "Styles/Sample_With_Index.htm",
                 "DisplayAsImage=True"})
                .status,
            0);
  // The line a build ends with: a thumbnail for each of the 21 photographs (neither the old
  // thumbnail nor the page button) and two pages at 5 x 4; then kept unless asked.
  const auto summary = [&](std::vector<std::string> args) {
    const std::string out = Cli(args).out;
    return out.substr(out.rfind('\n', out.size() - 2) + 1);
  };
  EXPECT_EQ(summary({"build", "Site_1", "--no"}),
            "Thumbnails: 21 made, 0 kept. Pages: 2 written, 0 unchanged.\n");
  EXPECT_EQ(Setting("Site_1", "Rotation_1", "Status"), "2");
  EXPECT_EQ(summary({"build", "Site_1", "--no"}),
            "Thumbnails: 0 made, 21 kept. Pages: 0 written, 2 unchanged.\n");
  std::filesystem::last_write_time(
      site + "p02.jpg",
      std::filesystem::last_write_time(site + "p02.jpg") + std::chrono::seconds(3));
  EXPECT_EQ(summary({"build", "Site_1", "--no"}),
            "Thumbnails: 1 made, 20 kept. Pages: 0 written, 2 unchanged.\n");
  EXPECT_EQ(summary({"build", "Site_1", "--no", "--remake-thumbnails"}),
            "Thumbnails: 21 made, 0 kept. Pages: 0 written, 2 unchanged.\n");
}

TEST_F(CliTest, BuildAllAndTurnwheel) {
  WriteFile(data_ + "options.ini", "[Options]\r\nUseRotations=True\r\n");
  const std::string site = dir_ / "site/";
  NewSite("Rotating", site, 0);
  const std::string live = dir_ / "live";
  // Three rotations: the editor makes the first.
  IniFile general(data_ + "Site_1.ini");
  general.Load();
  general.Set("General", "RotationCount", "3");
  general.Set("General", "AutoRotate", "True");
  general.Set("General", "LivePath", live);
  general.Set("General", "CurrentRotationPosition", "3");
  ASSERT_TRUE(general.Save());
  for (int r = 1; r <= 3; ++r) {
    const std::string dir = site + "Rotation_" + std::to_string(r) + "/";
    std::filesystem::create_directories(dir);
    MakeJpeg(dir + "r" + std::to_string(r) + ".jpg", 40, 30);
    ASSERT_EQ(Cli({"set", "Site_1", "--rotation", std::to_string(r),
                   "Style_File=" + data_ + "Styles/Sample_No_Index.htm"})
                  .status,
              0);
  }
  // Rotation 3 is not built yet: turnwheel refuses it and keeps it due.
  Outcome run = Cli("turnwheel", {});
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_FALSE(std::filesystem::exists(live + "/Index.html"));
  EXPECT_EQ(Setting("Site_1", "General", "CurrentRotationPosition"), "3");

  run = Cli({"build", "Site_1", "--all", "--no"});
  ASSERT_EQ(run.status, 0) << run.err;
  for (int r = 1; r <= 3; ++r) {
    EXPECT_EQ(Setting("Site_1", "Rotation_" + std::to_string(r), "Status"), "2") << r;
  }
  // rotate puts rotation 3 live, and the position wraps to 1.
  run = Cli({"rotate"});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(std::filesystem::exists(live + "/r3.jpg"));
  EXPECT_EQ(Setting("Site_1", "General", "CurrentRotationPosition"), "1");
}

TEST_F(CliTest, QuickBuildsAFolderWithoutTheCatalogue) {
  const std::string folder = dir_ / "pictures/";
  std::filesystem::create_directories(folder);
  MakeJpeg(folder + "a.jpg", 300, 200);
  const Outcome run = Cli({"quick", folder, "--yes"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, folder + "Index.html\n");
  EXPECT_TRUE(std::filesystem::exists(folder + "thumbs/a_thb.jpg"));
  EXPECT_FALSE(std::filesystem::exists(data_ + "sites.ini"));
}

// add puts files into a rotation's folder as a drop onto the image list does: unsupported files
// are asked about (Cancel without a terminal), --yes/--no answer the questions, other formats are
// converted, and the exit status says whether every file went in.
TEST_F(CliTest, AddConvertsAsksAndReportsByItsExitStatus) {
  const std::string site = dir_ / "site/";
  const std::string from = dir_ / "from/";
  NewSite("Trip", site, 0);
  WriteFile(from + "notes.txt", "not a picture");  // (makes the folder)
  TPixelGraphic image;
  image.SetSize(40, 30);
  image.SaveToFile(from + "a.bmp");
  image.SaveToFile(from + "c.png");
  MakeJpeg(from + "b.jpg", 40, 30);
  const struct {
    std::vector<std::string> args;
    int status;
    const char* out;  // the summary line, or a part of stderr for a refusal
    const char* a;    // a.jpg afterwards
  } steps[] = {
      {{"a.bmp", "notes.txt", "b.jpg"}, 1, "1 of 3 files added", ""},
      {{"--yes", "a.bmp", "notes.txt", "b.jpg"}, 1, "2 of 3 files added", ""},
      {{"--no", "a.bmp", "c.png"}, 1, "1 of 2 files added", "older"},
      {{"--rotation", "4", "c.png"}, 1, "there is no rotation 4", "older"},
  };
  for (const auto& step : steps) {
    std::vector<std::string> args{"add", "Trip"};
    for (const auto& a : step.args) args.push_back(a.starts_with("-") || a == "4" ? a : from + a);
    if (*step.a) WriteFile(site + "a.jpg", step.a);
    const Outcome run = Cli(args);
    EXPECT_EQ(run.status, step.status) << run.err;
    EXPECT_NE((run.out + run.err).find(step.out), std::string::npos) << run.out << run.err;
    if (*step.a) {
      EXPECT_EQ(ReadFile(site + "a.jpg"), step.a);
    }
  }
  EXPECT_EQ(ReadFile(site + "b.jpg"), ReadFile(from + "b.jpg"));
  EXPECT_NE(ReadFile(site + "c.jpg").find("\xFF\xC2"), std::string::npos);  // progressive
}

}  // namespace
}  // namespace parvel
