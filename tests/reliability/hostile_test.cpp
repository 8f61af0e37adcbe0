// Hostile and huge inputs, end to end: the real parvel-cli on sites made in a temporary folder.
// Each run is time-bounded (a hang fails the test) and its peak memory is measured.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "reliability/programs_support.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using namespace testing;  // the test support

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
    NewSite("Hostile", site);
    Set({"Style_File=" + dir_ / "plain.htm"});
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
    // Huge claimed sizes are reported as they come up, and the build goes on when told to.
    {"ImagesClaimingHugeSizes",
     0,
     {"huge.gif (2/4)\nWarning: Error encountered creating thumbnail.",
      "/site/huge.gif: GIF: Image too large (65535 x 65535 pixels)\n",
      "huge.jpg (3/4)\nWarning: Error encountered creating thumbnail.",
      "/site/huge.jpg: JPG: Image too large (65000 x 65000 pixels)\n"},
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
       t.Set({"Style_File=" + dir + "/huge.htm"});
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
       t.Set({"Header_File=" + dir + "/headers.lst"});
     }},
    {"BinaryHeaderListWithoutNul",
     0,
     {},
     "headers.lst",
     [](HostileTest& t, const std::string&, const std::string& dir) {
       std::string bytes = RandomBytes(256 * 1024, 7);
       std::replace(bytes.begin(), bytes.end(), '\0', 'z');
       WriteFile(dir + "/headers.lst", bytes);
       t.Set({"Header_File=" + dir + "/headers.lst"});
     }},
};

TEST_F(HostileTest, HostileSitesBuildOrFailWithTheirMessageInLittleMemory) {
  for (const BuildCase& c : kBuilds) {
    SCOPED_TRACE(c.name);
    const std::string dir = dir_ / c.name;
    const std::string site = dir + "/site/";
    MakeSite(site);
    c.make(*this, site, dir);
    const Finished build = Cli({"build", "Site_1", c.status == 0 ? "--yes" : "--no"});
    ASSERT_EQ(build.status, c.status) << build.output;
    EXPECT_LT(build.peak_rss_kb, 300 * 1024);
    for (const auto& text : c.said) {
      EXPECT_NE(build.output.find(text), std::string::npos) << build.output;
    }
    EXPECT_TRUE(c.unsaid.empty() || build.output.find(c.unsaid) == std::string::npos);
    EXPECT_TRUE(c.status != 0 || (fs::exists(site + "thumbs/a_thb.jpg") &&
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
      for (std::size_t i = 0; dense_lines && i + 1 < garbage.size(); i += 3) {
        garbage.replace(i, 2, "\n=");
      }
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

}  // namespace
}  // namespace parvel
