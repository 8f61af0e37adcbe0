// parvel-cli build killed (SIGKILL) at random moments of a build of a few hundred images: every
// settings file still parses and lists the same sites, every page present is whole, and the next
// build to the end leaves the site as a build that was never stopped would.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <thread>

#include "imaging/PGraphic.h"
#include "model/inifile.h"
#include "platform/filesystem.h"
#include "reliability/programs_support.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::Finished;
using testing::ReadFile;
using testing::TempDir;
using testing::Tree;
using testing::WriteFile;

constexpr int kImages = 200;
constexpr int kKills = 20;

class KilledBuildTest : public testing::ProgramTest {
 protected:
  void SetUp() override {
    const Finished made = Cli({"new-site", "Interrupted", "--path", site_});
    ASSERT_EQ(made.status, 0) << made.output;
    // One small photo, encoded once and copied under every name.
    TPixelGraphic image;
    image.SetSize(160, 120);
    ASSERT_TRUE(savetojpeg(image, dir_ / "one.jpg", 80, false));
    const std::string jpeg = ReadFile(dir_ / "one.jpg");
    for (int i = 1; i <= kImages; ++i) {
      char name[32];
      std::snprintf(name, sizeof(name), "img%03d.jpg", i);
      WriteFile(site_ + name, jpeg);
    }
    // Image pages with an index, and the page index as buttons.
    const Finished set =
        Cli({"set", "Site_1", "Style_File=" + data_ + "Styles/Sample_With_Index.htm",
             "Image_Style_File=" + data_ + "Styles/Sample_No_Index.htm", "DisplayAsImage=False",
             "IndexInImagePages=True", "Selected_Page_Index_File=" + data_ + "Samples/Previous.gif",
             "Other_Page_Index_File=" + data_ + "Samples/Next.gif"});
    ASSERT_EQ(set.status, 0) << set.output;
  }

  std::vector<std::string> BuildArguments() const {
    return {"--data-dir", data_, "build", "Site_1", "--yes", "--remake-thumbnails"};
  }

  // Every settings file of the data directory parses; the catalogue lists exactly Site_1.
  void ExpectSettingsWhole(const std::string& when) {
    for (const auto& entry : fs::directory_iterator(data_)) {
      IniFile ini(entry.path().string());
      EXPECT_TRUE(entry.path().extension() != ".ini" || ini.Load()) << when << entry.path();
    }
    IniFile sites(data_ + "sites.ini");
    IniFile site(data_ + "Site_1.ini");
    ASSERT_TRUE(sites.Load() && site.Load()) << when;
    EXPECT_EQ(sites.Keys("Sites"), std::vector<std::string>{"Site_1"}) << when;
    EXPECT_EQ(site.GetString("General", "Name", ""), "Interrupted") << when;
    EXPECT_EQ(site.GetString("Rotation_1", "DisplayAsImage", ""), "False") << when;
  }

  // Every file of the site is as the complete build wrote it, or is a write's temporary file.
  void ExpectFilesWhole(const Tree& reference, const std::string& when) {
    Tree now;
    EXPECT_TRUE(testing::ReadTreeAt(site_, &now)) << when;
    for (const auto& [name, contents] : now) {
      if (IsWriteTemporaryName(fs::path(name).filename().string())) continue;
      const auto it = reference.find(name);
      EXPECT_TRUE(it != reference.end() && it->second == contents) << when << ": " << name;
    }
  }

  std::string site_ = dir_ / "site/";
};

TEST_F(KilledBuildTest, EveryKillLeavesSettingsAndPagesWhole) {
  // The reference: one build to the end, then a second one timed to spread the kills over a
  // whole build. Every killed build is such a rebuild, which is quicker than the first build of
  // the site (unchanged pages are not written again).
  const Finished first = testing::RunProgram("parvel-cli", BuildArguments(), dir_ / "build.out");
  ASSERT_EQ(first.status, 0) << first.output;
  const auto start = std::chrono::steady_clock::now();
  const Finished healthy = testing::RunProgram("parvel-cli", BuildArguments(), dir_ / "build.out");
  const auto duration = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(healthy.status, 0) << healthy.output;
  Tree reference;
  ASSERT_TRUE(testing::ReadTreeAt(site_, &reference));
  ASSERT_TRUE(reference.count("Index.html"));
  ASSERT_TRUE(reference.count("img150.html"));  // an image page
  ExpectSettingsWhole("after the healthy build");

  const char* seed_text = std::getenv("PARVEL_KILL_SEED");
  const unsigned seed = seed_text ? static_cast<unsigned>(std::strtoul(seed_text, nullptr, 10))
                                  : std::random_device{}();
  std::cout << "kill seed: " << seed << " (PARVEL_KILL_SEED), healthy build: "
            << std::chrono::duration_cast<std::chrono::milliseconds>(duration).count() << " ms\n";
  std::mt19937 random(seed);
  const auto longest = std::chrono::duration_cast<std::chrono::microseconds>(duration);
  std::uniform_int_distribution<std::int64_t> moment(0, longest.count());

  int survived = 0;
  int finished = 0;
  // A build that ends before its moment is no kill: try again, within a bound.
  for (int attempt = 1; survived < kKills && attempt <= 3 * kKills; ++attempt) {
    const std::string when = "attempt " + std::to_string(attempt);
    const auto delay = std::chrono::microseconds(moment(random));
    const pid_t pid = testing::StartProgram("parvel-cli", BuildArguments(), dir_ / "build.out");
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(delay);
    ::kill(pid, SIGKILL);
    const Finished run = testing::WaitProgram(pid, dir_ / "build.out");
    if (run.signal == SIGKILL) {
      ++survived;
    } else {
      ++finished;  // the build was done before the kill
      EXPECT_EQ(run.status, 0) << when << ": " << run.output;
    }
    ExpectSettingsWhole(when);
    ExpectFilesWhole(reference, when);
    if (HasFailure()) {
      std::cout << when << " after " << delay.count() << " us\n";
      break;
    }
  }
  std::cout << "kills survived: " << survived << " (" << finished << " ended first)\n";
  EXPECT_EQ(survived, kKills);

  // One build to the end: the site is whole again, without the temporaries.
  const Finished last = testing::RunProgram("parvel-cli", BuildArguments(), dir_ / "build.out");
  ASSERT_EQ(last.status, 0) << last.output;
  Tree now;
  ASSERT_TRUE(testing::ReadTreeAt(site_, &now));
  EXPECT_EQ(now, reference);
  ExpectSettingsWhole("after the last build");
  IniFile site(data_ + "Site_1.ini");
  ASSERT_TRUE(site.Load());
  EXPECT_EQ(site.GetString("Rotation_1", "Status", ""), "2");
}

TEST_F(KilledBuildTest, ABuildClearsTheTemporariesAStoppedBuildLeft) {
  const std::string stale_page = site_ + ".parvel-tmp-Index3.html.Ab12Cd";
  const std::string stale_thumb = site_ + "thumbs/.parvel-tmp-img001_thb.jpg.xY34zW";
  WriteFile(stale_page, "<html><body>half");
  WriteFile(stale_thumb, "\xff\xd8");
  // A file of the user's that merely looks a little like one stays.
  WriteFile(site_ + ".htaccess.backup", "keep");
  const Finished build = testing::RunProgram("parvel-cli", BuildArguments(), dir_ / "build.out");
  ASSERT_EQ(build.status, 0) << build.output;
  EXPECT_FALSE(fs::exists(stale_page));
  EXPECT_FALSE(fs::exists(stale_thumb));
  EXPECT_EQ(ReadFile(site_ + ".htaccess.backup"), "keep");
  EXPECT_TRUE(fs::exists(site_ + "Index.html"));
}

TEST_F(KilledBuildTest, ASettingSavedDuringABuildIsKept) {
  const pid_t pid = testing::StartProgram("parvel-cli", BuildArguments(), dir_ / "build.out");
  ASSERT_GT(pid, 0);
  // Once the build is under way (or over), the same rotation's settings are saved.
  for (int i = 0; i < 2000 && ReadFile(dir_ / "build.out").find("Creating") == std::string::npos;
       ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const Finished set = Cli({"set", "Site_1", "Header_HTML=saved meanwhile"});
  EXPECT_EQ(set.status, 0) << set.output;
  const Finished build = testing::WaitProgram(pid, dir_ / "build.out");
  ASSERT_EQ(build.status, 0) << build.output;
  IniFile site(data_ + "Site_1.ini");
  ASSERT_TRUE(site.Load());
  EXPECT_EQ(site.GetString("Rotation_1", "Header_HTML", ""), "saved meanwhile");
  EXPECT_EQ(site.GetString("Rotation_1", "Status", ""), "2");
}

}  // namespace
}  // namespace parvel
