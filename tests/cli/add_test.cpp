// End-to-end: `parvel-cli add` puts files into a rotation's folder as a drop onto the site
// editor's image list does, its questions answered by --yes/--no, its exit status telling a
// script whether every file went in.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/PGraphic.h"
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

Outcome Cli(const testing::TempDir& dir, const std::vector<std::string>& args) {
  const auto quote = [](const std::string& word) {
    std::string q = "'";
    for (char c : word) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return q + "'";
  };
  std::string command = quote(std::string(PARVEL_BINARY_DIR) + "/bin/parvel-cli") + " --data-dir " +
                        quote(dir / "data");
  for (const auto& a : args) command += " " + quote(a);
  command += " </dev/null 2>" + quote(dir / "stderr.txt");
  Outcome run;
  FILE* pipe = ::popen(command.c_str(), "r");
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0;) run.out.append(buffer, n);
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = ReadFile(dir / "stderr.txt");
  return run;
}

void SavePicture(const std::string& path, bool jpeg) {
  TPixelGraphic image;
  image.SetSize(40, 30);
  image.Canvas().BrushColor = Rgb{200, 40, 40};
  image.Canvas().FillRect({0, 0, 20, 15});
  if (jpeg) {
    ASSERT_TRUE(savetojpeg(image, path, 80, false));
  } else {
    image.SaveToFile(path);
  }
}

struct Step {
  bool older_a_first;             // a.jpg is rewritten with other content before the run
  std::vector<std::string> args;  // after "add Trip"; "{S}" is the source folder
  int status;
  const char* out;                 // the summary line, or a part of stderr for a refusal
  std::vector<std::string> after;  // the site folder's files afterwards (sorted)
};

TEST(CliAdd, AddsConvertsAsksAndReportsByItsExitStatus) {
  testing::TempDir dir;
  std::filesystem::create_directories(dir / "data");
  const std::string site = dir / "site/";
  const std::string source = dir / "from/";
  std::filesystem::create_directories(source);
  ASSERT_EQ(Cli(dir, {"new-site", "Trip", "--path", site}).status, 0);
  SavePicture(source + "a.bmp", false);
  SavePicture(source + "b.jpg", true);
  SavePicture(source + "c.png", false);
  WriteFile(source + "notes.txt", "not a picture");
  const std::string old_a = "an older a.jpg";

  const Step steps[] = {
      // Without a terminal nor --yes, the unsupported file's question is answered Cancel.
      {false, {"{S}a.bmp", "{S}notes.txt", "{S}b.jpg"}, 1, "1 of 3 files added", {"a.jpg"}},
      // --yes goes on past it and replaces a.jpg.
      {false,
       {"--yes", "{S}a.bmp", "{S}notes.txt", "{S}b.jpg"},
       1,
       "2 of 3 files added",
       {"a.jpg", "b.jpg"}},
      // --no keeps the existing a.jpg; c.png comes in.
      {true,
       {"--no", "{S}a.bmp", "{S}c.png"},
       1,
       "1 of 2 files added",
       {"a.jpg", "b.jpg", "c.jpg"}},
      {false, {"{S}c.png", "--yes"}, 0, "1 of 1 file added", {"a.jpg", "b.jpg", "c.jpg"}},
      {false,
       {"--rotation", "4", "{S}c.png"},
       1,
       "there is no rotation 4",
       {"a.jpg", "b.jpg", "c.jpg"}},
      {false, {}, 2, "wrong number of arguments", {"a.jpg", "b.jpg", "c.jpg"}},
  };
  for (const Step& step : steps) {
    std::vector<std::string> args{"add", "Trip"};
    std::string shown = "add Trip";
    for (std::string a : step.args) {
      if (a.starts_with("{S}")) a = source + a.substr(3);
      args.push_back(a);
      shown += " " + a;
    }
    if (step.older_a_first) WriteFile(site + "a.jpg", old_a);
    const Outcome run = Cli(dir, args);
    EXPECT_EQ(run.status, step.status) << shown << "\n" << run.err;
    EXPECT_NE((run.out + run.err).find(step.out), std::string::npos) << shown << "\n" << run.out;
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(site)) {
      const std::string name = entry.path().filename().string();
      if (name.ends_with(".jpg")) files.push_back(name);
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, step.after) << shown;
  }
  EXPECT_EQ(ReadFile(site + "a.jpg"), old_a);  // --no kept it
  EXPECT_EQ(ReadFile(site + "b.jpg"), ReadFile(source + "b.jpg"));
  const std::string c = ReadFile(site + "c.jpg");
  EXPECT_NE(c.find("\xFF\xC2"), std::string::npos);  // converted, progressive
  TPixelGraphic converted;
  converted.LoadFromFile(site + "c.jpg");
  EXPECT_EQ(converted.Width(), 40);
  EXPECT_EQ(converted.Height(), 30);

  const Outcome help = Cli(dir, {"--help"});
  EXPECT_NE(help.out.find("add SITE [--rotation N] [--yes | --no] FILE..."), std::string::npos);
}

}  // namespace
}  // namespace parvel
