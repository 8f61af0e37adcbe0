// Hostile and huge inputs, end to end: the real parvel-cli on sites made in a temporary folder.
// Each run is time-bounded (a hang fails the test) and its peak memory is measured.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "imaging/PGraphic.h"
#include "model/inifile.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

struct ChildRun {
  bool finished = false;  // false: killed after the time limit
  bool signalled = false;
  int status = -1;
  long peak_rss_kb = 0;
  std::string out;
  std::string err;
};

// Runs a program with stdin from /dev/null and its output in files, killing it after `limit`.
ChildRun RunProgram(const std::vector<std::string>& argv, const std::string& scratch,
                    std::chrono::seconds limit) {
  const std::string out_path = scratch + "stdout.txt";
  const std::string err_path = scratch + "stderr.txt";
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ChildRun run;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  rusage usage{};
  for (;;) {
    const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
    if (done == pid) {
      run.finished = true;
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::wait4(pid, &status, 0, &usage);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  run.signalled = WIFSIGNALED(status);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.peak_rss_kb = usage.ru_maxrss;
  run.out = ReadFile(out_path);
  run.err = ReadFile(err_path);
  return run;
}

// A run that ended by itself, without a signal, with one of the program's own exit statuses.
::testing::AssertionResult EndedCleanly(const ChildRun& run) {
  if (!run.finished) return ::testing::AssertionFailure() << "killed after the time limit";
  if (run.signalled) return ::testing::AssertionFailure() << "died of a signal\n" << run.err;
  if (run.status < 0 || run.status > 2) {
    return ::testing::AssertionFailure() << "exit status " << run.status << "\n" << run.err;
  }
  return ::testing::AssertionSuccess();
}

class HostileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data_ = dir_ / "data/";
    fs::create_directories(data_);
    const std::string source = std::string(PARVEL_SOURCE_DIR) + "/data/";
    fs::copy(source + "Styles", data_ + "Styles", fs::copy_options::recursive);
    fs::copy(source + "Samples", data_ + "Samples", fs::copy_options::recursive);
  }

  ChildRun Cli(const std::vector<std::string>& args,
               std::chrono::seconds limit = std::chrono::seconds(60)) {
    std::vector<std::string> argv = {std::string(PARVEL_BINARY_DIR) + "/bin/parvel-cli",
                                     "--data-dir", data_};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, dir_.path(), limit);
  }

  // A new site "Site_1" over `folder` whose thumbnail template is `style`.
  void NewSite(const std::string& folder, const std::string& style) {
    fs::create_directories(folder);
    const ChildRun made = Cli({"new-site", "Hostile", "--path", folder});
    ASSERT_TRUE(EndedCleanly(made));
    ASSERT_EQ(made.status, 0) << made.err;
    const ChildRun set = Cli({"set", "Site_1", "Style_File=" + style});
    ASSERT_EQ(set.status, 0) << set.err;
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

  TempDir dir_;
  std::string data_;
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
    const ChildRun build = Cli({"build", "Site_1", "--no"}, std::chrono::seconds(300));
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
    ASSERT_TRUE(EndedCleanly(build));
    ASSERT_EQ(build.status, 0) << build.err.substr(0, 2000);
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
  const ChildRun build = Cli({"build", "Site_1", "--yes"});
  ASSERT_TRUE(EndedCleanly(build));
  EXPECT_EQ(build.status, 0) << build.err;
  EXPECT_LT(build.peak_rss_kb, 300 * 1024);
  EXPECT_TRUE(fs::exists(site + "thumbs/good_thb.jpg")) << build.err;
  EXPECT_TRUE(fs::exists(site + "Index.html"));
  for (const char* name : {"huge.gif", "huge.jpg"}) {
    const std::size_t at = build.err.find(std::string("Creating Thumbnail for ") + name);
    ASSERT_NE(at, std::string::npos) << name << "\n" << build.err;
    EXPECT_EQ(build.err.find("\nWarning: Error encountered creating thumbnail.", at),
              build.err.find('\n', at))
        << name << "\n"
        << build.err;
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
  const ChildRun build = Cli({"build", "Site_1", "--yes"}, std::chrono::seconds(60));
  ASSERT_TRUE(EndedCleanly(build));
  EXPECT_EQ(build.status, 1);
  EXPECT_NE(build.err.find(path), std::string::npos) << build.err;
  EXPECT_FALSE(fs::exists(site + "Index.html"));
}

// ---- A file name of 255 bytes, whose thumbnail name is too long for the file system.

TEST_F(HostileTest, ImageNameOfMaximalLengthGivesAClearMessage) {
  const std::string site = dir_ / "site/";
  NewSite(site, PlainTemplate());
  const std::string name = std::string(251, 'n') + ".jpg";
  MakeJpeg(site + name, 64, 48);
  MakeJpeg(site + "short.jpg", 64, 48);
  const ChildRun build = Cli({"build", "Site_1", "--no"});
  ASSERT_TRUE(EndedCleanly(build));
  EXPECT_EQ(build.status, 1);
  EXPECT_NE(build.err.find("Message: Error encountered creating the thumbnail, " + name + "\n"),
            std::string::npos)
      << build.err;
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
    const ChildRun build = Cli({"build", "Site_1", "--no"});
    ASSERT_TRUE(EndedCleanly(build));
    if (c.with_nul) {
      EXPECT_EQ(build.status, 1);
      // Only the build's own message: the list is not named.
      EXPECT_NE(build.err.find("Error encountered creating your "), std::string::npos) << build.err;
      EXPECT_EQ(build.err.find(list), std::string::npos) << build.err;
    } else {
      EXPECT_EQ(build.status, 0) << build.err;
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
      const ChildRun run = Cli(command);
      EXPECT_TRUE(EndedCleanly(run)) << command[0];
      EXPECT_LT(run.peak_rss_kb, 500 * 1024) << command[0];
      EXPECT_GE(fs::file_size(data_ + c.file), garbage.size()) << command[0];
      // An unreadable catalogue is said, not passed off as an empty one.
      if (std::string(c.file) == "sites.ini") {
        EXPECT_NE(run.err.find("sites.ini cannot be read"), std::string::npos) << command[0];
        if (command[0] == "sites") {
          EXPECT_EQ(run.status, 1);
        }
      }
    }
  }
}

}  // namespace
}  // namespace parvel
