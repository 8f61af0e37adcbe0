// Hostile and huge inputs, end to end: the real parvel-cli on sites made in a temporary folder.
// Each run is time-bounded (a hang fails the test) and its peak memory is measured.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "imaging/PGraphic.h"
#include "model/inifile.h"
#include "reliability/programs_support.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::EndedCleanly;
using testing::Finished;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class HostileTest : public testing::ProgramTest {
 protected:
  // Each run is time-bounded: a hang fails the test.
  Finished Cli(const std::vector<std::string>& args,
               std::chrono::seconds limit = std::chrono::seconds(60)) {
    return ProgramTest::Cli(args, limit);
  }

  // A new site "Site_1" over `folder` whose thumbnail template is `style`.
  void NewSite(const std::string& folder, const std::string& style) {
    fs::create_directories(folder);
    ASSERT_EQ(Cli({"new-site", "Hostile", "--path", folder}).status, 0);
    ASSERT_EQ(Cli({"set", "Site_1", "Style_File=" + style}).status, 0);
  }

  std::string PlainTemplate() {
    const std::string path = dir_ / "plain.htm";
    WriteFile(path, "<html><body>***HEADER******CONTENT******FOOTER***</body></html>");
    return path;
  }

  static void MakeJpeg(const std::string& path, int width, int height) {
    TPixelGraphic image;
    image.SetSize(width, height);
    ASSERT_TRUE(savetojpeg(image, path, 80, false));
  }
};

// ---- Many images: the build finishes and its memory does not grow with the image count.

TEST_F(HostileTest, TenThousandImagesBuildWithFlatMemory) {
  const std::string original = dir_ / "one.jpg";
  MakeJpeg(original, 64, 48);
  long peak_kb[2] = {0, 0};
  const int counts[2] = {2500, 10000};
  for (int i = 0; i < 2; ++i) {
    const std::string site = dir_ / ("site" + std::to_string(i) + "/");
    // Each run makes its own catalogue so that both sites are "Site_1".
    fs::remove_all(data_ + "sites.ini");
    fs::remove_all(data_ + "Site_1.ini");
    NewSite(site, data_ + "Styles/Sample_No_Index.htm");
    for (int n = 0; n < counts[i]; ++n) {
      char name[32];
      std::snprintf(name, sizeof(name), "img%05d.jpg", n);
      fs::create_hard_link(original, site + name);
    }
    const auto start = std::chrono::steady_clock::now();
    const Finished build = Cli({"build", "Site_1", "--no"}, std::chrono::seconds(300));
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
    ASSERT_TRUE(EndedCleanly(build));
    ASSERT_EQ(build.status, 0) << build.output.substr(0, 2000);
    std::size_t thumbs = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(site + "thumbs")) ++thumbs;
    EXPECT_EQ(thumbs, static_cast<std::size_t>(counts[i]));
    EXPECT_TRUE(fs::exists(site + "Index.html"));
    EXPECT_TRUE(fs::exists(site + "Index" + std::to_string(counts[i] / 20) + ".html"));
    peak_kb[i] = build.peak_rss_kb;
    std::printf("[ peak RSS ] build of %d images: %ld KB in %.1f s\n", counts[i], peak_kb[i],
                seconds.count());
    RecordProperty("peak_rss_kb_" + std::to_string(counts[i]), static_cast<int>(peak_kb[i]));
  }
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer holds freed memory back, so peak memory says nothing here";
#endif
  EXPECT_LT(peak_kb[1], 300 * 1024);
  // The list of image names itself grows (a few hundred bytes per image); nothing else may.
  EXPECT_LE(peak_kb[1], peak_kb[0] * 5 / 4 + 4096) << "memory grows with the number of images";
}

// ---- Site images whose headers claim the largest sizes their formats can hold (the readers'
// refusal of every format's absurd headers is in the imaging tests).

// A GIF screen and image of 65,535 x 65,535 pixels, the most 16 bits can say.
std::string HugeGif() {
  return std::string("GIF89a\xff\xff\xff\xff\0\0\0,\0\0\0\0\xff\xff\xff\xff\0\x08\x02\0\x01\0;",
                     29);
}

// A real small JPEG whose frame header is made to claim 65,000 x 65,000 pixels.
std::string HugeJpeg() {
  TempDir scratch;
  TPixelGraphic image;
  image.SetSize(16, 16);
  if (!savetojpeg(image, scratch / "small.jpg", 80, false)) return {};
  std::string jpeg = ReadFile(scratch / "small.jpg");
  const std::size_t frame = jpeg.find("\xFF\xC0");
  if (frame == std::string::npos) return {};
  jpeg.replace(frame + 5, 4, "\xfd\xe8\xfd\xe8");  // 65,000 each; libjpeg's own limit is 65,500
  return jpeg;
}

struct HugeImage {
  const char* name;
  std::string (*make)();
};
const HugeImage kHugeImages[] = {{"huge.gif", HugeGif}, {"huge.jpg", HugeJpeg}};

// Each huge image is reported as it comes up, and the build goes on with the others when told
// to, in little memory.
TEST_F(HostileTest, BuildOfImagesClaimingHugeSizesReportsThemAndStaysSmall) {
  const std::string site = dir_ / "site/";
  NewSite(site, PlainTemplate());
  for (const auto& huge : kHugeImages) WriteFile(site + huge.name, huge.make());
  MakeJpeg(site + "good.jpg", 64, 48);
  const Finished build = Cli({"build", "Site_1", "--yes"});
  ASSERT_TRUE(EndedCleanly(build));
  EXPECT_EQ(build.status, 0) << build.output;
  EXPECT_LT(build.peak_rss_kb, 300 * 1024);
  EXPECT_TRUE(fs::exists(site + "thumbs/good_thb.jpg")) << build.output;
  EXPECT_TRUE(fs::exists(site + "Index.html"));
  for (const char* name : {"huge.gif", "huge.jpg"}) {
    const std::size_t at = build.output.find(std::string("Creating Thumbnail for ") + name);
    ASSERT_NE(at, std::string::npos) << name << "\n" << build.output;
    EXPECT_EQ(build.output.find("\nWarning: Error encountered creating thumbnail.", at),
              build.output.find('\n', at))
        << name << "\n"
        << build.output;
    EXPECT_FALSE(fs::exists(site + "thumbs/" + fs::path(name).stem().string() + "_thb.jpg"));
  }
}

// ---- A 50 MB template.

TEST_F(HostileTest, FiftyMegabyteTemplateIsRefusedPromptly) {
  const std::string path = dir_ / "huge.htm";
  std::string text = "<html><body>***CONTENT***";
  text.resize(50u << 20, 'x');
  text += "***INDEX***</body></html>";
  WriteFile(path, text);
  const std::string site = dir_ / "site/";
  NewSite(site, path);
  MakeJpeg(site + "a.jpg", 64, 48);
  const Finished build = Cli({"build", "Site_1", "--yes"}, std::chrono::seconds(60));
  ASSERT_TRUE(EndedCleanly(build));
  EXPECT_EQ(build.status, 1);
  EXPECT_NE(build.output.find(path), std::string::npos) << build.output;
  EXPECT_FALSE(fs::exists(site + "Index.html"));
}

// ---- A file name of 255 bytes, whose thumbnail name is too long for the file system.

TEST_F(HostileTest, ImageNameOfMaximalLengthGivesAClearMessage) {
  const std::string site = dir_ / "site/";
  NewSite(site, PlainTemplate());
  const std::string name = std::string(251, 'n') + ".jpg";
  MakeJpeg(site + name, 64, 48);
  MakeJpeg(site + "short.jpg", 64, 48);
  const Finished build = Cli({"build", "Site_1", "--no"});
  ASSERT_TRUE(EndedCleanly(build));
  EXPECT_EQ(build.status, 1);
  EXPECT_NE(build.output.find("Message: Error encountered creating the thumbnail, " + name + "\n"),
            std::string::npos)
      << build.output;
}

// ---- A header list file of binary bytes.

TEST_F(HostileTest, BinaryHeaderListFile) {
  struct Case {
    const char* what;
    bool with_nul;
  } cases[] = {{"bytes with NUL", true}, {"bytes without NUL", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir scratch;
    const std::string site = scratch / "site/";
    fs::remove_all(data_ + "sites.ini");
    fs::remove_all(data_ + "Site_1.ini");
    NewSite(site, PlainTemplate());
    MakeJpeg(site + "a.jpg", 64, 48);
    std::mt19937 random(7);
    std::string bytes(256 * 1024, '\0');
    for (char& b : bytes) {
      b = static_cast<char>(random());
      if (!c.with_nul && b == '\0') b = 'z';
    }
    const std::string list = scratch / "headers.lst";
    WriteFile(list, bytes);
    ASSERT_EQ(Cli({"set", "Site_1", "Header_File=" + list}).status, 0);
    const Finished build = Cli({"build", "Site_1", "--no"});
    ASSERT_TRUE(EndedCleanly(build));
    if (c.with_nul) {
      EXPECT_EQ(build.status, 1);
      // Only the build's own message: the list is not named.
      EXPECT_NE(build.output.find("Error encountered creating your "), std::string::npos)
          << build.output;
      EXPECT_EQ(build.output.find(list), std::string::npos) << build.output;
    } else {
      EXPECT_EQ(build.status, 0) << build.output;
      const std::string page = ReadFile(site + "Index.html");
      EXPECT_TRUE(page.ends_with("</body></html>\r\n"));
    }
  }
}

// ---- Settings files of 10 MB of garbage.

std::string Garbage(bool dense_lines) {
  std::mt19937 random(11);
  std::string bytes(10u << 20, '\0');
  for (char& b : bytes) b = static_cast<char>(random());
  if (dense_lines) {
    for (std::size_t i = 0; i < bytes.size(); i += 3) bytes[i] = '\n';
    for (std::size_t i = 1; i < bytes.size(); i += 3) bytes[i] = '=';
  }
  return bytes;
}

TEST_F(HostileTest, SettingsFilesOfTenMegabytesOfGarbage) {
  struct Case {
    const char* file;
    bool dense_lines;
  } cases[] = {{"Site_1.ini", false}, {"Site_1.ini", true},   {"sites.ini", false},
               {"sites.ini", true},   {"options.ini", false}, {"options.ini", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + (c.dense_lines ? " (short lines)" : " (random bytes)"));
    TempDir scratch;
    fs::remove_all(data_ + "sites.ini");
    fs::remove_all(data_ + "Site_1.ini");
    fs::remove_all(data_ + "options.ini");
    const std::string site = scratch / "site/";
    NewSite(site, PlainTemplate());
    MakeJpeg(site + "a.jpg", 64, 48);
    const std::string garbage = Garbage(c.dense_lines);
    WriteFile(data_ + c.file, garbage);
    const std::vector<std::vector<std::string>> commands = {{"sites"},
                                                            {"show", "Site_1"},
                                                            {"set", "Site_1", "Thumb_Width=90"},
                                                            {"build", "Site_1", "--no"}};
    for (const auto& command : commands) {
      const Finished run = Cli(command);
      EXPECT_TRUE(EndedCleanly(run)) << command[0];
      EXPECT_LT(run.peak_rss_kb, 500 * 1024) << command[0];
      EXPECT_GE(fs::file_size(data_ + c.file), garbage.size()) << command[0];
      // An unreadable catalogue is said, not passed off as an empty one.
      if (std::string(c.file) == "sites.ini") {
        EXPECT_NE(run.output.find("sites.ini cannot be read"), std::string::npos) << command[0];
        if (command[0] == "sites") {
          EXPECT_EQ(run.status, 1);
        }
      }
    }
  }
}

}  // namespace
}  // namespace parvel
