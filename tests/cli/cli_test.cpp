// End-to-end: the real parvel-cli and turnwheel programs on a data directory and sites made in a
// temporary folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "imaging/PGraphic.h"
#include "model/inifile.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::ReadFile;
using testing::TempDir;
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
    std::filesystem::copy(source + "Samples", data_ + "Samples",
                          std::filesystem::copy_options::recursive);
  }

  Outcome Cli(const std::string& program, const std::vector<std::string>& args) {
    std::string command =
        Quote(std::string(PARVEL_BINARY_DIR) + "/bin/" + program) + " --data-dir " + Quote(data_);
    for (const auto& a : args) command += " " + Quote(a);
    command += " </dev/null 2>" + Quote(dir_ / "stderr.txt");
    Outcome run;
    FILE* pipe = ::popen(command.c_str(), "r");
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) run.out.append(buffer, n);
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
      char file[32];
      std::snprintf(file, sizeof(file), "p%02d.jpg", i);
      MakeJpeg(folder + file, 64, 48);
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

  TempDir dir_;
  std::string data_;
};

TEST_F(CliTest, NewSiteSetShowAndSites) {
  const std::string site = dir_ / "site/";
  const std::string key = NewSite("Holiday", site, 0);
  EXPECT_EQ(key, "Site_1");
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
  EXPECT_NE(run.err.find("Error encountered saving the settings for the current site."),
            std::string::npos)
      << run.err;
  EXPECT_FALSE(std::filesystem::exists(data_ + "Site_1.ini"));
}

TEST_F(CliTest, SetRefusesUnknownKeysAndBadValuesAndSavesNothing) {
  NewSite("Holiday", dir_ / "site/", 0);
  const std::string before = ReadFile(data_ + "Site_1.ini");
  struct Case {
    const char* assignment;
    const char* message;
  } cases[] = {{"Thumb_Widht=100", "Unknown settings key: Thumb_Widht"},
               {"Thumb_Width=wide", "The value of Thumb_Width, wide, is not a whole number"},
               {"DisplayAsImage=maybe", "DisplayAsImage"}};
  for (const auto& c : cases) {
    const Outcome run = Cli({"set", "Site_1", "Thumb_Height=50", c.assignment});
    EXPECT_EQ(run.status, 2) << c.assignment;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(data_ + "Site_1.ini"), before);
  }
  for (const std::vector<std::string>& usage : std::vector<std::vector<std::string>>{
           {"build", "Nowhere"}, {"frobnicate"}, {"build"}, {"sites", "--bogus"}}) {
    EXPECT_EQ(Cli(usage).status, 2) << usage[0];
  }
}

TEST_F(CliTest, HelpAndVersionAnswerOnStdoutAndTouchNothing) {
  for (const char* program : {"parvel-cli", "turnwheel"}) {
    SCOPED_TRACE(program);
    const Outcome version = Cli(program, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string(program) + " (Parvel Pro) 1.01\n");
    const Outcome help = Cli(program, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: " + std::string(program) + " [--data-dir DIR]"),
              std::string::npos)
        << help.out;
  }
  EXPECT_FALSE(std::filesystem::exists(data_ + "sites.ini"));
}

TEST_F(CliTest, BuildWritesPagesThumbnailsAndStatus) {
  const std::string site = dir_ / "site/";
  NewSite("Holiday", site, 21);
  WriteFile(site + "holiday_thb.jpg", "not an image to build");
  WriteFile(site + "Page_Button_2.gif", "not an image to build");
  ASSERT_EQ(Cli({"set", "Site_1", "Style_File=" + data_ + "Styles/Sample_With_Index.htm"}).status,
            0);
  Outcome run = Cli({"build", "Site_1", "--no"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(site + "Index.html"));
  EXPECT_TRUE(std::filesystem::exists(site + "Index2.html"));  // 21 images at 5 x 4
  EXPECT_FALSE(std::filesystem::exists(site + "Index3.html"));
  int thumbs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(site + "thumbs")) {
    ++thumbs;
    EXPECT_EQ(entry.path().filename().string().find("holiday"), std::string::npos);
  }
  EXPECT_EQ(thumbs, 21);
  EXPECT_EQ(Setting("Site_1", "Rotation_1", "Status"), "2");
  EXPECT_NE(run.err.find("Confirmation: Your build has been completed.  Would you like to preview "
                         "it now?\nAnswer: No\n"),
            std::string::npos)
      << run.err;

  // A second build leaves existing thumbnails alone unless asked to remake them.
  std::filesystem::last_write_time(
      site + "thumbs/p01_thb.jpg",
      std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  const auto old_time = std::filesystem::last_write_time(site + "thumbs/p01_thb.jpg");
  ASSERT_EQ(Cli({"build", "Site_1", "--no"}).status, 0);
  EXPECT_EQ(std::filesystem::last_write_time(site + "thumbs/p01_thb.jpg"), old_time);
  ASSERT_EQ(Cli({"build", "Site_1", "--no", "--remake-thumbnails"}).status, 0);
  EXPECT_NE(std::filesystem::last_write_time(site + "thumbs/p01_thb.jpg"), old_time);
}

// A progressive photograph whose later luma scan names a Huffman table the file never defines:
// a thumbnail-sized decode leaves that scan out and succeeds; --whole-scans decodes every scan,
// so the same build fails on that photograph.
TEST_F(CliTest, WholeScansDecodesTheScansAThumbnailLeavesOut) {
  const std::string site = dir_ / "site/";
  NewSite("Scans", site, 0);
  TPixelGraphic photo;
  photo.SetSize(1600, 1200);
  ASSERT_TRUE(savetojpeg(photo, site + "photo.jpg", 80, true));
  std::string bytes = ReadFile(site + "photo.jpg");
  // The second scan of the luma's coefficients after the first (Ss > 0) gets AC table 3.
  int luma_ac_scans = 0;
  bool damaged = false;
  for (std::size_t at = bytes.find("\xFF\xDA"); at != std::string::npos && !damaged;
       at = bytes.find("\xFF\xDA", at + 2)) {
    const auto components = static_cast<unsigned char>(bytes[at + 4]);
    const std::size_t spectral_start = at + 5 + 2 * components;
    if (components == 1 && bytes[at + 5] == 1 && bytes[spectral_start] != 0 &&
        ++luma_ac_scans == 2) {
      bytes[at + 6] = 0x03;
      damaged = true;
    }
  }
  ASSERT_TRUE(damaged) << "the encoder's script has fewer luma AC scans than expected";
  WriteFile(site + "photo.jpg", bytes);
  ASSERT_EQ(Cli({"set", "Site_1", "Style_File=" + data_ + "Styles/Sample_With_Index.htm",
                 "Thumb_Width=150", "Thumb_Height=150"})
                .status,
            0);

  const Outcome skipping = Cli({"build", "Site_1", "--jobs", "1", "--no"});
  EXPECT_EQ(skipping.err.find("Error encountered creating the thumbnail"), std::string::npos)
      << skipping.err;
  EXPECT_TRUE(std::filesystem::exists(site + "thumbs/photo_thb.jpg"));

  std::filesystem::remove(site + "thumbs/photo_thb.jpg");
  const Outcome whole = Cli({"build", "Site_1", "--jobs", "1", "--whole-scans", "--no"});
  EXPECT_NE(whole.err.find("Error encountered creating the thumbnail, photo.jpg"),
            std::string::npos)
      << whole.err;
  EXPECT_FALSE(std::filesystem::exists(site + "thumbs/photo_thb.jpg"));
}

TEST_F(CliTest, FailingCheckIsReportedAndExitsOne) {
  NewSite("Holiday", dir_ / "site/", 2);
  const Outcome run = Cli({"build", "Site_1", "--yes"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Information: You have not specified a HTML template file for your "
                         "thumbnail page or the file cannot be located!\n"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(Setting("Site_1", "Rotation_1", "Status"), "0");
}

TEST_F(CliTest, PagesWithoutImages) {
  const std::string site = dir_ / "site/";
  NewSite("Empty", site, 0);
  ASSERT_EQ(Cli({"set", "Site_1", "Style_File=" + data_ + "Styles/Sample_No_Index.htm"}).status, 0);
  EXPECT_EQ(Cli({"build", "Site_1", "--no"}).status, 1);  // the question answered No
  const Outcome run = Cli({"build", "Site_1", "--pages", "3", "--no"});
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* page : {"Index.html", "Index2.html", "Index3.html"}) {
    EXPECT_TRUE(std::filesystem::exists(site + page)) << page;
  }
  EXPECT_FALSE(std::filesystem::exists(site + "Index4.html"));
  EXPECT_FALSE(std::filesystem::exists(site + "thumbs"));
}

TEST_F(CliTest, BuildAllAndTurnwheel) {
  WriteFile(data_ + "options.ini", "[Options]\r\nUseRotations=True\r\n");
  const std::string site = dir_ / "site/";
  NewSite("Rotating", site, 0);
  const std::string live = dir_ / "live";
  // Three rotations: the editor makes the first; set --rotation N beyond the count is refused.
  EXPECT_NE(Cli({"set", "Site_1", "--rotation", "2", "Thumb_Width=90"}).status, 0);
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
  run = Cli({"sites"});
  EXPECT_NE(run.out.find("\tRotation 3 : 1 Images : Built\n"), std::string::npos) << run.out;

  // Rotation 3 goes live, then the position wraps to 1; the next run puts rotation 1 live.
  run = Cli("turnwheel", {});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(std::filesystem::exists(live + "/r3.jpg"));
  EXPECT_EQ(Setting("Site_1", "General", "CurrentRotationPosition"), "1");
  run = Cli({"rotate"});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(std::filesystem::exists(live + "/r1.jpg"));
  EXPECT_FALSE(std::filesystem::exists(live + "/r3.jpg"));
  EXPECT_EQ(Setting("Site_1", "General", "CurrentRotationPosition"), "2");
}

TEST_F(CliTest, QuickBuildsAFolderWithoutTheCatalogue) {
  const std::string folder = dir_ / "pictures/";
  std::filesystem::create_directories(folder);
  MakeJpeg(folder + "a.jpg", 300, 200);
  MakeJpeg(folder + "b.jpg", 200, 300);
  const Outcome run = Cli({"quick", folder, "--yes"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, folder + "Index.html\n");
  EXPECT_TRUE(std::filesystem::exists(folder + "thumbs/a_thb.jpg"));
  EXPECT_FALSE(std::filesystem::exists(data_ + "sites.ini"));
}

}  // namespace
}  // namespace parvel
