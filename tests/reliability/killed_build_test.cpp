// parvel-cli build killed (SIGKILL) at random moments of a build of a few hundred images: every
// settings file still parses and lists the same sites, every page present is whole, and the next
// build to the end leaves the site as a build that was never stopped would.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <thread>

#include "model/inifile.h"
#include "platform/filesystem.h"
#include "reliability/programs_support.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using namespace testing;  // the test support

constexpr int kImages = 200;
constexpr int kKills = 20;

using KilledBuildTest = testing::ProgramTest;

TEST_F(KilledBuildTest, EveryKillLeavesSettingsAndPagesWhole) {
  const std::string site = dir_ / "site/";
  NewSite("Interrupted", site);
  // One small photo, encoded once and copied under every name.
  testing::MakeJpeg(dir_ / "one.jpg", 160, 120);
  for (int i = 1; i <= kImages; ++i) {  // img001.jpg ...
    WriteFile(site + "img" + std::to_string(1000 + i).substr(1) + ".jpg",
              ReadFile(dir_ / "one.jpg"));
  }
  // A file of the user's that merely looks a little like a temporary one.
  WriteFile(site + ".htaccess.backup", "keep");
  // Image pages with an index, and the page index as buttons.
  Set({"Style_File=" + data_ + "Styles/Sample_With_Index.htm",
       "Image_Style_File=" + data_ + "Styles/Sample_No_Index.htm", "DisplayAsImage=False",
       "IndexInImagePages=True", "Selected_Page_Index_File=" + data_ + "Samples/Previous.gif",
       "Other_Page_Index_File=" + data_ + "Samples/Next.gif"});
  const auto start_build = [&] {
    return Start("parvel-cli", {"build", "Site_1", "--yes", "--remake-thumbnails"}, "build");
  };
  // The catalogue lists exactly Site_1, whose settings read whole.
  const auto expect_settings_whole = [&](const std::string& when) {
    IniFile sites(data_ + "sites.ini");
    EXPECT_TRUE(sites.Load() && sites.Keys("Sites") == std::vector<std::string>{"Site_1"}) << when;
    EXPECT_EQ(Setting("General", "Name") + "/" + Setting("Rotation_1", "DisplayAsImage"),
              "Interrupted/False")
        << when;
  };

  // The first build: a setting saved while it runs is kept, beside the build's own status.
  const pid_t pid = start_build();
  for (int i = 0; i < 2000 && ReadFile(dir_ / "build.out").find("Creating") == std::string::npos;
       ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  Set({"Header_HTML=saved meanwhile"});
  ASSERT_EQ(Wait(pid, "build").status, 0);
  EXPECT_EQ(Setting("Rotation_1", "Header_HTML"), "saved meanwhile");
  EXPECT_EQ(Setting("Rotation_1", "Status"), "2");

  // The reference: a second build, timed to spread the kills over a whole build. Every killed
  // build is such a rebuild, which is quicker than the first (unchanged pages are not written).
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Wait(start_build(), "build").status, 0);
  const auto duration = std::chrono::steady_clock::now() - start;
  const Tree reference = testing::ReadTree(site);
  ASSERT_TRUE(reference.count("Index.html") && reference.count("img150.html"));
  expect_settings_whole("after the healthy build");

  const char* seed_text = std::getenv("PARVEL_KILL_SEED");
  const unsigned seed = seed_text ? static_cast<unsigned>(std::strtoul(seed_text, nullptr, 10))
                                  : std::random_device{}();
  std::cout << "kill seed: " << seed << " (PARVEL_KILL_SEED), healthy build: "
            << std::chrono::duration_cast<std::chrono::milliseconds>(duration).count() << " ms\n";
  std::mt19937 random(seed);
  std::uniform_int_distribution<std::int64_t> moment(
      0, std::chrono::duration_cast<std::chrono::microseconds>(duration).count());

  int survived = 0, finished = 0;
  // A build that ends before its moment is no kill: try again, within a bound.
  for (int attempt = 1; survived < kKills && attempt <= 3 * kKills; ++attempt) {
    const auto delay = std::chrono::microseconds(moment(random));
    const std::string when =
        "kill " + std::to_string(attempt) + " after " + std::to_string(delay.count()) + " us";
    const pid_t pid = start_build();
    std::this_thread::sleep_for(delay);
    ::kill(pid, SIGKILL);
    const Finished run = Wait(pid, "build");
    survived += run.signal == SIGKILL;
    finished += run.signal != SIGKILL;  // the build was done before the kill
    EXPECT_TRUE(run.signal == SIGKILL || run.status == 0) << when << ": " << run.output;
    expect_settings_whole(when);
    // Every file of the site is as the complete build wrote it, or is a write's temporary file.
    for (const auto& [name, contents] : testing::ReadTree(site)) {
      if (IsWriteTemporaryName(fs::path(name).filename().string())) continue;
      const auto it = reference.find(name);
      EXPECT_TRUE(it != reference.end() && it->second == contents) << when << ": " << name;
    }
    if (HasFailure()) break;
  }
  std::cout << "kills survived: " << survived << " (" << finished << " ended first)\n";
  EXPECT_EQ(survived, kKills);

  // One build to the end: the site is whole again, without the temporaries, also those a stopped
  // build left in the site and the thumbnail folder.
  WriteFile(site + ".parvel-tmp-Index3.html.Ab12Cd", "<html><body>half");
  WriteFile(site + "thumbs/.parvel-tmp-img001_thb.jpg.xY34zW", "\xff\xd8");
  ASSERT_EQ(Wait(start_build(), "build").status, 0);
  EXPECT_EQ(testing::ReadTree(site), reference);
  expect_settings_whole("after the last build");
  EXPECT_EQ(Setting("Rotation_1", "Status"), "2");
}

}  // namespace
}  // namespace parvel
