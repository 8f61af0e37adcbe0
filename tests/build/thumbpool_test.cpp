#include "build/thumbpool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "build/build.h"
#include "build/thumbnail.h"
#include "imaging/PGraphic.h"
#include "platform/faulty_filesystem.h"
#include "platform/filesystem.h"
#include "platform/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// ---- The pool on its own.

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

TEST(ThumbnailPool, StoppingEarlyMakesNoMoreThanTheLookAhead) {
  std::atomic<int> made{0};
  {
    ThumbnailPool pool(std::vector<std::string>(1000, "x"), 2, 4, [&](const std::string& s) {
      ++made;
      return Bytes(s);
    });
    pool.Take(0);
    pool.Take(1);
  }
  EXPECT_LE(made.load(), 2 + 4);
}

// ---- The thumbnail pass with workers, against the pass on the build's own thread.

constexpr std::string_view kTemplate =
    "<HTML><BODY>\r\n***HEADER***\r\n***INDEX***\r\n***CONTENT***\r\n***FOOTER***\r\n</BODY></"
    "HTML>";

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

void MakePhoto(const std::string& path, int seed) {
  TPixelGraphic image;
  image.SetSize(160 + seed * 8, 120);
  for (int band = 0; band < 8; ++band) {
    image.Canvas().BrushColor =
        Rgb{static_cast<std::uint8_t>(seed * 37 + band * 20), static_cast<std::uint8_t>(band * 30),
            static_cast<std::uint8_t>(255 - seed * 11)};
    image.Canvas().FillRect({band * 25, 0, band * 25 + 25, 120});
  }
  ASSERT_TRUE(savetojpeg(image, path, 85, seed % 2 == 0));
}

struct BuildRun {
  bool result = false;
  std::vector<std::string> written;
  std::vector<ScriptedInteraction::ProgressStep> progress;
  std::vector<std::string> texts;
  std::map<std::string, std::string> thumbs;  // file name -> bytes
  std::vector<std::string> unexpected;
};

// Builds a site of `count` photographs (the names listed in `broken` hold no picture) with
// `jobs` workers; `script` queues answers and cancels before the build.
BuildRun BuildSite(int jobs, int count, const std::vector<int>& broken,
                   const std::function<void(ScriptedInteraction&)>& script = {},
                   const std::function<void(const std::string& site)>& extra = {}) {
  TempDir dir;
  const std::string site = dir / "site/";
  fs::create_directories(site);
  for (int i = 0; i < count; ++i) {
    const std::string name = site + "p" + std::to_string(10 + i) + ".jpg";
    if (std::find(broken.begin(), broken.end(), i) != broken.end()) {
      WriteFile(name, "not a picture");
    } else {
      MakePhoto(name, i);
    }
  }
  if (extra) extra(site);
  SiteSettings settings;
  settings.Rotation_Path = site;
  settings.Style_File = dir / "thumbs.htm";
  settings.DisplayAsImage = true;
  settings.Thumb_Width = 50;
  settings.Thumb_Height = 50;
  WriteFile(settings.Style_File, kTemplate);
  ScriptedInteraction ui;
  if (script) script(ui);
  RecordingFileSystem files;
  ScopedFileSystem scoped(files);
  BuildState state(ui, settings, BuildInputs{});
  state.set_jobs(jobs);
  BuildRun run;
  if (state.PreBuildChecks(true)) {
    state.FillImageList();
    run.result = state.Start();
  }
  run.written = files.written;
  run.progress = ui.progress();
  run.texts = ui.texts();
  run.unexpected = ui.unexpected();
  const std::string thumbs = site + "thumbs/";
  if (fs::exists(thumbs)) {
    for (const auto& e : fs::directory_iterator(thumbs)) {
      run.thumbs[e.path().filename().string()] = ReadFile(e.path().string());
    }
  }
  return run;
}

void ExpectSameRun(const BuildRun& a, const BuildRun& b) {
  EXPECT_EQ(a.result, b.result);
  EXPECT_EQ(a.written, b.written);
  EXPECT_EQ(a.texts, b.texts);
  EXPECT_EQ(a.thumbs, b.thumbs);
  ASSERT_EQ(a.progress.size(), b.progress.size());
  for (std::size_t i = 0; i < a.progress.size(); ++i) {
    EXPECT_EQ(a.progress[i].message, b.progress[i].message) << i;
    EXPECT_EQ(a.progress[i].position, b.progress[i].position) << i;
  }
}

TEST(ParallelThumbnailPass, GivesTheSameFilesProgressAndOrderAsOneJob) {
  const BuildRun serial = BuildSite(1, 12, {});
  const BuildRun parallel = BuildSite(4, 12, {});
  ASSERT_TRUE(serial.result);
  EXPECT_EQ(serial.thumbs.size(), 12u);
  ExpectSameRun(serial, parallel);
  // Thumbnails are written in list order.
  std::vector<std::string> thumbs;
  for (const auto& w : parallel.written) {
    if (w.find("_thb") != std::string::npos) thumbs.push_back(w);
  }
  ASSERT_EQ(thumbs.size(), 12u);
  EXPECT_TRUE(std::is_sorted(thumbs.begin(), thumbs.end()));
}

TEST(ParallelThumbnailPass, NoToTheContinueQuestionWritesNothingBeyondTheFailingImage) {
  const auto no = [](ScriptedInteraction& ui) { ui.QueueAnswer(Answer::No); };
  const BuildRun serial = BuildSite(1, 10, {4}, no);
  const BuildRun parallel = BuildSite(4, 10, {4}, no);
  EXPECT_FALSE(parallel.result);
  ExpectSameRun(serial, parallel);
  EXPECT_EQ(parallel.thumbs.size(), 4u);
  EXPECT_EQ(parallel.thumbs.count("p13_thb.jpg"), 1u);
  EXPECT_EQ(parallel.thumbs.count("p15_thb.jpg"), 0u);
  EXPECT_TRUE(parallel.unexpected.empty());
  ASSERT_GE(parallel.texts.size(), 2u);
  EXPECT_EQ(parallel.texts[parallel.texts.size() - 2], kThumbnailErrorQuestion);
  EXPECT_EQ(parallel.texts.back(), ThumbnailFailedMessage("p14.jpg"));
}

TEST(ParallelThumbnailPass, ConfirmedCancelStopsAfterTheImageItCameWith) {
  // The first checkpoint follows the thumbnail folder; the one after image 3 (p13) is the fifth.
  const auto cancel = [](ScriptedInteraction& ui) {
    ui.CancelAtCheckpoint(4);
    ui.QueueAnswer(Answer::Yes);
  };
  const BuildRun serial = BuildSite(1, 10, {}, cancel);
  const BuildRun parallel = BuildSite(4, 10, {}, cancel);
  EXPECT_FALSE(parallel.result);
  ExpectSameRun(serial, parallel);
  EXPECT_EQ(parallel.thumbs.size(), 4u);
  EXPECT_EQ(parallel.texts.back(), kCancelBuildQuestion);
}

}  // namespace
}  // namespace parvel
