// The line parvel-cli build ends with, over a series of rebuilds of one site.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "imaging/PGraphic.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;

// Runs parvel-cli on `data` and gives the last line it printed on stdout, or "<failed>".
std::string LastLine(const std::string& data, const std::vector<std::string>& args) {
  std::string command =
      "'" + std::string(PARVEL_BINARY_DIR) + "/bin/parvel-cli' --data-dir '" + data + "'";
  for (const auto& a : args) command += " '" + a + "'";
  command += " </dev/null 2>/dev/null";
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, n);
  const int status = ::pclose(pipe);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "<failed>";
  if (!out.empty() && out.back() == '\n') out.pop_back();
  return out.substr(out.rfind('\n') + 1);
}

TEST(BuildSummary, CountsThumbnailsMadeAndKeptAndPagesWrittenAndUnchanged) {
  testing::TempDir dir;
  const std::string data = dir / "data/";
  const std::string site = dir / "site/";
  fs::create_directories(data);
  fs::copy(std::string(PARVEL_SOURCE_DIR) + "/data/Styles", data + "Styles",
           fs::copy_options::recursive);
  ASSERT_EQ(LastLine(data, {"new-site", "Trip", "--path", site}), "Site_1");
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
    TPixelGraphic image;
    image.SetSize(64, 48);
    ASSERT_TRUE(savetojpeg(image, site + name, 80, false));
  }
  ASSERT_EQ(LastLine(data, {"set", "Site_1", "Style_File=" + data + "Styles/Sample_With_Index.htm",
                            "DisplayAsImage=True"}),
            "");
  struct Step {
    const char* what;
    std::function<void()> before;
    std::vector<std::string> options;
    std::string line;
  };
  const Step steps[] = {
      {"first build", [] {}, {}, "Thumbnails: 3 made, 0 kept. Pages: 1 written, 0 unchanged."},
      {"unchanged", [] {}, {}, "Thumbnails: 0 made, 3 kept. Pages: 0 written, 1 unchanged."},
      {"one photograph touched",
       [&] {
         fs::last_write_time(site + "b.jpg",
                             fs::last_write_time(site + "b.jpg") + std::chrono::seconds(3));
       },
       {},
       "Thumbnails: 1 made, 2 kept. Pages: 0 written, 1 unchanged."},
      {"remade",
       [] {},
       {"--remake-thumbnails"},
       "Thumbnails: 3 made, 0 kept. Pages: 0 written, 1 unchanged."},
  };
  for (const Step& step : steps) {
    step.before();
    std::vector<std::string> args = {"build", "Site_1", "--no"};
    args.insert(args.end(), step.options.begin(), step.options.end());
    EXPECT_EQ(LastLine(data, args), step.line) << step.what;
  }
}

}  // namespace
}  // namespace parvel
