// The real programs (parvel-cli, turnwheel) end to end on sites made in a temporary folder: under
// hostile and huge inputs, killed in the middle of a build, and running at the same time.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <mutex>
#include <random>
#include <thread>

#include "model/inifile.h"
#include "platform/filelock.h"
#include "platform/filesystem.h"
#include "reliability/programs_support.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using namespace testing;  // the test support

// ---- Hostile and huge inputs: each run is time-bounded (a hang fails the test) and its peak
// memory is measured.

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& b : bytes) b = static_cast<char>(random());
  return bytes;
}

class HostileTest : public testing::ProgramTest {
 public:
  // A fresh "Site_1" over `site` with a plain thumbnail template, holding a.jpg.
  void MakeSite(const std::string& site) {
    for (const char* file : {"sites.ini", "Site_1.ini", "options.ini"}) fs::remove(data_ + file);
    WriteFile(dir_ / "plain.htm",
              "<html><body>***HEADER******CONTENT******FOOTER***</body></html>");
    CliOk({"new-site", "Hostile", "--path", site});
    CliOk({"set", "Site_1", "Style_File=" + dir_ / "plain.htm"});
    MakeJpeg(site + "a.jpg");
  }
};

// The build finishes and its memory does not grow with the image count.
TEST_F(HostileTest, TenThousandImagesBuildWithFlatMemory) {
  std::vector<long> peak_kb;
  for (const int count : {2500, 10000}) {
    const std::string site = dir_ / ("site" + std::to_string(count) + "/");
    MakeSite(site);
    for (int n = 1; n < count; ++n)
      fs::create_hard_link(site + "a.jpg", site + "img" + std::to_string(n) + ".jpg");
    const Finished build = Cli({"build", "Site_1", "--no"});
    ASSERT_EQ(build.status, 0) << build.output.substr(0, 2000);
    EXPECT_TRUE(fs::exists(site + "Index" + std::to_string(count / 20) + ".html"));
    peak_kb.push_back(build.peak_rss_kb);
    RecordProperty("peak_rss_kb_" + std::to_string(count), static_cast<int>(build.peak_rss_kb));
  }
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer holds freed memory back, so peak memory says nothing here";
#endif
  EXPECT_LT(peak_kb[1], 300 * 1024);
  // The list of image names itself grows (a few hundred bytes per image); nothing else may.
  EXPECT_LE(peak_kb[1], peak_kb[0] * 5 / 4 + 4096) << "memory grows with the number of images";
}

struct BuildCase {
  const char* name;
  int status;
  std::vector<std::string> said;  // in the output
  std::string unsaid;             // not in it
  std::function<void(HostileTest&, const std::string& site, const std::string& dir)> make;
};

const BuildCase kBuilds[] = {
    // Huge claimed sizes are reported, with the file, as they come up, and the build goes on
    // when told to, leaving those pictures out of the pages (and so failing).
    {"ImagesClaimingHugeSizes",
     1,
     {"huge.gif (2/4)\nWarning: Error encountered creating thumbnail.",
      "/site/huge.gif, cannot be read (GIF: Image too large (65535 x 65535 pixels)).  Do you",
      "huge.jpg (3/4)\nWarning: Error encountered creating thumbnail.",
      "/site/huge.jpg, cannot be read (JPG: Image too large (65000 x 65000 pixels)).  Do you",
      "2 pictures were left out of the pages because their thumbnails could not be made: "
      "huge.gif, huge.jpg.",
      "Thumbnails: 1 made, 0 kept, 2 left out."},
     "",
     [](HostileTest&, const std::string& site, const std::string&) {
       WriteFile(
           site + "huge.gif",
           std::string("GIF89a\xff\xff\xff\xff\0\0\0,\0\0\0\0\xff\xff\xff\xff\0\x08\x02\0\x01\0;",
                       29));
       // A real small JPEG whose frame header claims 65,000 x 65,000 pixels (libjpeg allows
       // 65,500).
       std::string jpeg = ReadFile(site + "a.jpg");
       WriteFile(site + "huge.jpg", jpeg.replace(jpeg.find("\xFF\xC0") + 5, 4, "\xfd\xe8\xfd\xe8"));
     }},
    {"FiftyMegabyteTemplate",
     1,
     {"/FiftyMegabyteTemplate/huge.htm"},
     "",
     [](HostileTest& t, const std::string&, const std::string& dir) {
       WriteFile(dir + "/huge.htm", "<html><body>***CONTENT***" + std::string(50u << 20, 'x') +
                                        "***INDEX***</body></html>");
       t.CliOk({"set", "Site_1", "Style_File=" + dir + "/huge.htm"});
     }},
    // A 255-byte name whose thumbnail name is too long for the file system.
    {"ImageNameOfMaximalLength",
     1,
     {"Message: Error encountered creating the thumbnail, " + std::string(251, 'n') + ".jpg\n"},
     "",
     [](HostileTest&, const std::string& site, const std::string&) {
       MakeJpeg(site + std::string(251, 'n') + ".jpg");
     }},
    // Binary header lists: with NUL bytes only the build's own message (the list is not named).
    {"BinaryHeaderListWithNul",
     1,
     {"Error encountered creating your "},
     "headers.lst",
     [](HostileTest& t, const std::string&, const std::string& dir) {
       WriteFile(dir + "/headers.lst", RandomBytes(256 * 1024, 7));
       t.CliOk({"set", "Site_1", "Header_File=" + dir + "/headers.lst"});
     }},
    {"BinaryHeaderListWithoutNul",
     0,
     {},
     "headers.lst",
     [](HostileTest& t, const std::string&, const std::string& dir) {
       std::string bytes = RandomBytes(256 * 1024, 7);
       std::replace(bytes.begin(), bytes.end(), '\0', 'z');
       WriteFile(dir + "/headers.lst", bytes);
       t.CliOk({"set", "Site_1", "Header_File=" + dir + "/headers.lst"});
     }},
};

TEST_F(HostileTest, HostileSitesBuildOrFailWithTheirMessageInLittleMemory) {
  for (const BuildCase& c : kBuilds) {
    SCOPED_TRACE(c.name);
    const std::string dir = dir_ / c.name;
    const std::string site = dir + "/site/";
    MakeSite(site);
    c.make(*this, site, dir);
    const bool go_on = std::string(c.name) == "ImagesClaimingHugeSizes" || c.status == 0;
    const Finished build = Cli({"build", "Site_1", go_on ? "--yes" : "--no"});
    ASSERT_EQ(build.status, c.status) << build.output;
    EXPECT_LT(build.peak_rss_kb, 300 * 1024);
    for (const auto& text : c.said)
      EXPECT_NE(build.output.find(text), std::string::npos) << build.output;
    EXPECT_TRUE(c.unsaid.empty() || build.output.find(c.unsaid) == std::string::npos);
    EXPECT_TRUE(!go_on || (fs::exists(site + "thumbs/a_thb.jpg") &&
                           ReadFile(site + "Index.html").ends_with("</body></html>\r\n")));
  }
}

// Settings files of 10 MB of garbage (random bytes, or short "=" lines): every command ends by
// itself in bounded memory, leaves the file alone, and says an unreadable catalogue.
TEST_F(HostileTest, SettingsFilesOfTenMegabytesOfGarbage) {
  for (const char* file : {"Site_1.ini", "sites.ini", "options.ini"}) {
    for (bool dense_lines : {false, true}) {
      SCOPED_TRACE(std::string(file) + (dense_lines ? " (short lines)" : " (random bytes)"));
      MakeSite(dir_ / "site/");
      std::string garbage = RandomBytes(10u << 20, 11);
      for (std::size_t i = 0; dense_lines && i + 1 < garbage.size(); i += 3)
        garbage.replace(i, 2, "\n=");
      WriteFile(data_ + file, garbage);
      for (const std::vector<std::string>& command : {std::vector<std::string>{"sites"},
                                                      {"show", "Site_1"},
                                                      {"set", "Site_1", "Thumb_Width=90"},
                                                      {"build", "Site_1", "--no"}}) {
        const Finished run = Cli(command);
        // Ended by itself, with one of the program's own exit statuses.
        EXPECT_TRUE(run.status >= 0 && run.status <= 2) << command[0] << run.output;
        EXPECT_LT(run.peak_rss_kb, 500 * 1024) << command[0];
        EXPECT_GE(fs::file_size(data_ + file), garbage.size()) << command[0];
        if (std::string(file) == "sites.ini") {
          EXPECT_NE(run.output.find("sites.ini cannot be read"), std::string::npos) << command[0];
          EXPECT_TRUE(command[0] != "sites" || run.status == 1);
        }
      }
    }
  }
}

// ---- Killed builds.
// parvel-cli build killed (SIGKILL) at random moments of a build of a few hundred images: every
// settings file still parses and lists the same sites, every page present is whole, and the next
// build to the end leaves the site as a build that was never stopped would.

constexpr int kImages = 200;
constexpr int kKills = 20;

using KilledBuildTest = testing::ProgramTest;

TEST_F(KilledBuildTest, EveryKillLeavesSettingsAndPagesWhole) {
  NewSite("Interrupted");
  // One small photo, encoded once and copied under every name.
  testing::MakeJpeg(dir_ / "one.jpg", 160, 120);
  for (int i = 1; i <= kImages; ++i)  // img001.jpg ...
    fs::create_hard_link(dir_ / "one.jpg",
                         site_ + "img" + std::to_string(1000 + i).substr(1) + ".jpg");
  // A file of the user's that merely looks a little like a temporary one.
  WriteFile(site_ + ".htaccess.backup", "keep");
  // Image pages with an index, and the page index as buttons.
  CliOk({"set", "Site_1", "Style_File=" + data_ + "Styles/Sample_With_Index.htm",
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
  CliOk({"set", "Site_1", "Header_HTML=saved meanwhile"});
  ASSERT_EQ(Wait(pid, "build").status, 0);
  EXPECT_EQ(Setting("Rotation_1", "Header_HTML"), "saved meanwhile");

  // The reference: a second build, timed to spread the kills over a whole build. Every killed
  // build is such a rebuild, which is quicker than the first (unchanged pages are not written).
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Wait(start_build(), "build").status, 0);
  const auto duration = std::chrono::steady_clock::now() - start;
  const Tree reference = testing::ReadTree(site_);
  ASSERT_TRUE(reference.count("Index.html") && reference.count("img150.html"));

  const char* seed_text = std::getenv("PARVEL_KILL_SEED");
  const unsigned seed = seed_text ? static_cast<unsigned>(std::strtoul(seed_text, nullptr, 10))
                                  : std::random_device{}();
  std::cout << "kill seed: " << seed << " (PARVEL_KILL_SEED), healthy build: "
            << std::chrono::duration_cast<std::chrono::milliseconds>(duration).count() << " ms\n";
  std::mt19937 random(seed);
  std::int64_t latest = std::chrono::duration_cast<std::chrono::microseconds>(duration).count();

  int survived = 0;
  // A build that ends before its moment is no kill: try again, within a bound, no later than
  // that moment (the reference may have been timed on a busier machine).
  for (int attempt = 1; survived < kKills && attempt <= 3 * kKills; ++attempt) {
    const auto delay =
        std::chrono::microseconds(std::uniform_int_distribution<std::int64_t>(0, latest)(random));
    const std::string when =
        "kill " + std::to_string(attempt) + " after " + std::to_string(delay.count()) + " us";
    const pid_t pid = start_build();
    std::this_thread::sleep_for(delay);
    ::kill(pid, SIGKILL);
    const Finished run = Wait(pid, "build");
    survived += run.signal == SIGKILL;  // else the build was done before the kill
    if (run.signal != SIGKILL) latest = delay.count();
    EXPECT_TRUE(run.signal == SIGKILL || run.status == 0) << when << ": " << run.output;
    expect_settings_whole(when);
    // Every file of the site is as the complete build wrote it, or is a write's temporary file.
    for (const auto& [name, contents] : testing::ReadTree(site_)) {
      if (IsWriteTemporaryName(fs::path(name).filename().string())) continue;
      const auto it = reference.find(name);
      EXPECT_TRUE(it != reference.end() && it->second == contents) << when << ": " << name;
    }
    if (HasFailure()) break;
  }
  EXPECT_EQ(survived, kKills);

  // One build to the end: the site is whole again, without the temporaries, also those a stopped
  // build left in the site and the thumbnail folder.
  WriteFile(site_ + ".parvel-tmp-Index3.html.Ab12Cd", "<html><body>half");
  WriteFile(site_ + "thumbs/.parvel-tmp-img001_thb.jpg.xY34zW", "\xff\xd8");
  ASSERT_EQ(Wait(start_build(), "build").status, 0);
  EXPECT_EQ(testing::ReadTree(site_), reference);
  expect_settings_whole("after the last build");
  EXPECT_EQ(Setting("Rotation_1", "Status"), "2");
}

// ---- Concurrent runs.
// The rotation program and settings saves of parvel-cli running at the same time on one site: no
// run of either finds a torn file, no save is lost, and the live directory always holds exactly
// one whole rotation.

constexpr int kRotations = 3;

// A rotation's files: a page naming it, images shared by name with different contents, one
// file of its own, and a thumbnail folder.
Tree RotationTree(int r) {
  const std::string n = std::to_string(r);
  Tree tree{{"Index.html", "<html><body>Rotation " + n + "</body></html>"},
            {"only" + n + ".txt", "rotation " + n},
            {"thumbs", "/"}};
  for (int k = 0; k < 25; ++k) {
    const std::string image = "img" + std::to_string(k) + ".jpg";
    tree[image] = std::string(200 + 37 * k + r, static_cast<char>('a' + r));
    tree["thumbs/" + image] = "thumbnail " + n + "/" + std::to_string(k);
  }
  return tree;
}

// The rotation `tree` is a copy of, 0 for none.
int RotationHolding(const Tree& tree) {
  for (int r = 1; r <= kRotations; ++r)
    if (tree == RotationTree(r)) return r;
  return 0;
}

using ConcurrentRotationTest = testing::ProgramTest;

TEST_F(ConcurrentRotationTest, SavesAndRotationsNeitherTearNorLoseAnything) {
  const std::string live = dir_ / "live";
  NewSite("Spinning", kRotations, live);
  for (int r = 1; r <= kRotations; ++r) {
    const std::string root = site_ + "Rotation_" + std::to_string(r) + "/";
    for (const auto& [name, contents] : RotationTree(r)) {
      if (contents != "/") WriteFile(root + name, contents);  // (makes the folders)
    }
  }
  // A save gives up with a message while another program holds the lock, and goes through once
  // the lock is free.
  const std::string before = testing::ReadFile(data_ + "Site_1.ini");
  ::setenv("PARVEL_LOCK_WAIT_MS", "200", 1);
  Finished refused;
  {
    const FileLock held(data_);
    ASSERT_TRUE(held.held()) << held.error();
    refused = Cli({"set", "Site_1", "Header_HTML=start"});
  }
  ::unsetenv("PARVEL_LOCK_WAIT_MS");
  EXPECT_EQ(std::to_string(refused.status) + refused.output,
            "1" + LockTimeoutMessage(data_) + "\n");
  EXPECT_EQ(testing::ReadFile(data_ + "Site_1.ini"), before);
  CliOk({"set", "Site_1", "Header_HTML=start"});

  // The programs at the same time, from one run that made the live directory.
  ASSERT_EQ(Wait(Start("turnwheel", {})).status, 0);
  std::mutex mutex;
  std::vector<std::string> problems;
  const auto problem = [&](std::string text) {
    std::lock_guard<std::mutex> guard(mutex);
    if (problems.size() < 20) problems.push_back(std::move(text));
  };
  std::atomic<bool> stop{false};
  std::atomic<int> rotations{1}, sets{0}, live_checks{0};
  std::string last_value;

  std::thread wheel([&] {
    for (; !stop; ++rotations) {
      const Finished run = Wait(Start("turnwheel", {}, "turnwheel"), "turnwheel");
      if (run.status != 0) problem("turnwheel failed: " + run.output);
    }
  });
  std::thread setter([&] {
    for (int i = 0; !stop; ++i, ++sets) {
      const std::string value = (i % 2 ? "odd " : "even ") + std::to_string(i);
      const Finished run = Cli({"set", "Site_1", "Header_HTML=" + value});
      if (run.status != 0) problem("set failed: " + run.output);
      // Nothing else writes this key: a different value means a save overwrote this one.
      const std::string stored = Setting("Rotation_1", "Header_HTML");
      if (stored != value) problem("set " + value + " but " + stored + " is stored");
      last_value = value;
    }
  });
  // The moment between two renames is short: one thread does nothing but look for it.
  std::thread prober([&] {
    while (!stop) {
      if (::access(live.c_str(), F_OK) != 0) problem("the live directory was missing");
    }
  });
  std::thread watcher([&] {
    while (!stop) {
      // Read through an open handle, so that a rename of the live directory meanwhile cannot mix
      // two trees; one swapped out and cleared while being read is looked at again.
      const int fd = ::open(live.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd < 0) problem("no live directory");
      const Tree tree = testing::ReadTree("/proc/self/fd/" + std::to_string(fd));
      struct stat held = {}, now = {};
      const bool still_live = ::fstat(fd, &held) == 0 && ::stat(live.c_str(), &now) == 0 &&
                              held.st_ino == now.st_ino && held.st_dev == now.st_dev;
      ::close(fd);
      const int holding = RotationHolding(tree);
      live_checks += holding != 0;
      if (holding == 0 && still_live) {
        problem("the live directory holds no whole rotation (" + std::to_string(tree.size()) +
                " entries)");
      }
      IniFile site(data_ + "Site_1.ini"), sites(data_ + "sites.ini");
      if (!site.Load() || !sites.Load() || site.GetString("General", "Name", "") != "Spinning" ||
          site.GetString("General", "RotationCount", "") != std::to_string(kRotations) ||
          !site.Get("Rotation_1", "Header_HTML") ||
          sites.GetString("Sites", "Site_1", "") != "Spinning") {
        problem("settings read torn:\n" + testing::ReadFile(data_ + "Site_1.ini"));
      }
    }
  });

  // How long the loops run: PARVEL_CONCURRENCY_SECONDS, 30 unless set.
  const char* seconds = std::getenv("PARVEL_CONCURRENCY_SECONDS");
  std::this_thread::sleep_for(std::chrono::seconds(seconds ? std::atoi(seconds) : 30));
  stop = true;
  for (std::thread* thread : {&wheel, &setter, &watcher, &prober}) thread->join();

  std::cout << "turnwheel runs: " << rotations << ", sets: " << sets
            << ", whole live directories seen: " << live_checks << "\n";
  for (const auto& text : problems) ADD_FAILURE() << text;
  EXPECT_TRUE(sets > 0 && rotations > 1 && live_checks > 0);
  // Neither program's last save was lost: the last value set, and the position after every
  // rotation (each run moves it on by one, from 1).
  EXPECT_EQ(Setting("Rotation_1", "Header_HTML"), last_value);
  EXPECT_EQ(Setting("General", "CurrentRotationPosition"),
            std::to_string(rotations % kRotations + 1));
  EXPECT_EQ(RotationHolding(testing::ReadTree(live)), (rotations - 1) % kRotations + 1);
}

}  // namespace
}  // namespace parvel
