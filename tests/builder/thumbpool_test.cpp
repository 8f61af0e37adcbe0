#include "builder/thumbpool.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "builder/build.h"
#include "builder/build_site.h"
#include "builder/thumbnail.h"
#include "support/faulty_filesystem.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::ReadTree;
using testing::WriteFile;

// The thumbnail pass with workers gives the files, progress, messages and order of the pass
// on the build's own thread: a whole build, No to the continue question after a broken image
// (nothing beyond it is written), and a confirmed cancel (it stops after the image it came with).

// Records the files written, in order.
class RecordingFileSystem : public FaultyFileSystem {
 public:
  RecordingFileSystem() : FaultyFileSystem(RealFileSystem()) {}
  bool WriteFileReplace(const std::string& path, std::string_view contents,
                        std::string* error) override {
    written.push_back(fs::path(path).filename().string());
    return FaultyFileSystem::WriteFileReplace(path, contents, error);
  }
  std::vector<std::string> written;
};

// The result, files written, messages, progress steps and thumbnails of a build of ten
// photographs (the `broken` one holding no picture) with `jobs` workers.
using BuildRun = std::tuple<bool, std::vector<std::string>, std::vector<std::string>,
                            std::vector<std::string>, testing::Tree>;

BuildRun BuildSite(int jobs, int broken, const std::function<void(ScriptedInteraction&)>& script) {
  testing::Site site;
  site.settings.Thumb_Width = site.settings.Thumb_Height = 50;
  for (int i = 0; i < 10; ++i) {
    const std::string name = site.site + "p" + std::to_string(10 + i) + ".jpg";
    TPixelGraphic image;
    image.SetSize(160 + i * 8, 120);
    image.Canvas().BrushColor = Rgb{static_cast<std::uint8_t>(i * 37), 90, 200};
    image.Canvas().FillRect({0, 0, 25 + i * 10, 120});
    EXPECT_TRUE(savetojpeg(image, name, 85, i % 2 == 0));
    if (i == broken) WriteFile(name, "not a picture");
    // Thumbnails record their photograph's time: runs compared must have the same times.
    fs::last_write_time(name, fs::file_time_type(std::chrono::hours(1000 + i)));
  }
  if (script) script(site.ui);
  RecordingFileSystem files;
  ScopedFileSystem scoped(files);
  BuildState state(site.ui, site.settings, site.inputs);
  state.set_jobs(jobs);
  const bool result = site.Build(state);
  std::vector<std::string> progress;
  for (const auto& step : site.ui.progress())
    progress.push_back(step.message + "@" + std::to_string(step.position));
  EXPECT_TRUE(site.ui.unexpected().empty());
  return {result, files.written, site.ui.texts(), progress, ReadTree(site.site + "thumbs/")};
}

TEST(ParallelThumbnailPass, GivesTheSameFilesProgressAndOrderAsOneJob) {
  const struct {
    int broken;
    std::function<void(ScriptedInteraction&)> script;
    std::size_t thumbs;
    std::vector<std::string> last_texts;
  } cases[] = {
      {-1, {}, 10, {}},
      {4,
       [](auto& ui) { ui.QueueAnswer(Answer::No); },
       4,
       {std::string(kThumbnailErrorQuestion), ThumbnailFailedMessage("p14.jpg")}},
      // The first checkpoint follows the thumbnail folder; the one after image 3 (p13) is the
      // fifth.
      {-1,
       [](auto& ui) { ui.CancelAtCheckpoint(4), ui.QueueAnswer(Answer::Yes); },
       4,
       {std::string(kCancelBuildQuestion)}},
  };
  for (const auto& c : cases) {
    const BuildRun parallel = BuildSite(4, c.broken, c.script);
    EXPECT_EQ(BuildSite(1, c.broken, c.script), parallel);
    EXPECT_EQ(std::get<0>(parallel), c.last_texts.empty());
    EXPECT_EQ(std::get<4>(parallel).size(), c.thumbs);
    const auto& texts = std::get<2>(parallel);
    ASSERT_GE(texts.size(), c.last_texts.size());
    EXPECT_EQ(std::vector<std::string>(texts.end() - c.last_texts.size(), texts.end()),
              c.last_texts);
  }
}

}  // namespace
}  // namespace parvel
