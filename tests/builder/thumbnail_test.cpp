#include "builder/thumbnail.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "builder/build_site.h"
#include "builder/thumbpool.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::DataFile, testing::ReadFile, testing::ReadTree, testing::Site, testing::TempDir,
    testing::WriteFile;

TEST(CalculateDimensions, GivesTheThumbnailSize) {
  const struct {
    std::int32_t a, b, w, h;
    ThumbSize expected;
  } cases[] = {{1600, 1200, 100, 100, {100, 75}}, {600, 900, 100, 100, {66, 100}},
               {80, 60, 100, 100, {80, 60}},    // strictly smaller: kept
               {100, 50, 100, 100, {100, 50}},  // as wide as the box: scaled, which gives it back
               {60, 150, 150, 150, {60, 150}},  // as high as the box: the same
               {100, 100, 100, 100, {100, 100}},  {149, 149, 150, 150, {149, 149}},
               {1280, 960, 150, 150, {149, 112}},  // the 80-bit quotient; a double gives 150
               {320, 240, 150, 150, {149, 112}},  {400, 100, 100, 100, {100, 25}},
               {1, 1000, 100, 100, {1, 100}},  // a sliver keeps one pixel
               {0, 10, 100, 100, {0, 0}},         {10, 10, 0, 100, {0, 0}}};
  for (const auto& c : cases) {
    EXPECT_EQ(calculatedimensions(c.a, c.b, c.w, c.h), c.expected)
        << c.a << "x" << c.b << " in " << c.w << "x" << c.h;
  }
}

// The decoder's scale, the size rule and the EXIF turn (orientation 6 in the second picture)
// together give a progressive thumbnail.
TEST(CreateThumbnail, WritesAProgressiveJpegOfTheRightSize) {
  for (const auto& [source, box, expected] :
       {std::tuple{"1280x960.jpg", 150, ThumbSize{149, 112}},
        {"1600x1200_orientation6.jpg", 100, ThumbSize{75, 100}}}) {
    TempDir dir;
    ScriptedInteraction ui;
    ASSERT_TRUE(
        createthumbnail(ui, DataFile("thumbnail/") + source, dir / "s_thb.jpg", box, box, 70));
    ImageFileInfo info;
    ASSERT_TRUE(ReadImageFileInfo(dir / "s_thb.jpg", 0, &info));
    EXPECT_EQ((ThumbSize{info.width, info.height}), expected) << source;
    EXPECT_NE(ReadFile(dir / "s_thb.jpg").find("\xFF\xC2"), std::string::npos) << "progressive";
    EXPECT_EQ(ui.busy_depth(), 0);
  }
}

// The thumbnail pass with workers gives the thumbnails, progress, messages and order of the pass
// on the build's own thread: a whole build, No to the continue question after a broken image
// (nothing beyond it is written), a confirmed cancel (it stops after the image it came with) and
// a cancel taken back. The result, messages, progress steps and thumbnails of a build of the ten
// photographs of tests/data/pool (the `broken` one holding no picture) with `jobs` workers:
using BuildRun =
    std::tuple<bool, std::vector<std::string>, std::vector<std::string>, testing::Tree>;

BuildRun BuildSite(int jobs, int broken, int cancel_at, std::optional<Answer> answer) {
  Site site;
  site.settings.Thumb_Width = site.settings.Thumb_Height = 50;
  for (int i = 0; i < 10; ++i) {
    const std::string name = "p" + std::to_string(10 + i) + ".jpg";
    WriteFile(site.site + name, i == broken ? "not a picture" : ReadFile(DataFile("pool/") + name));
    // Thumbnails record their photograph's time: runs compared must have the same times.
    fs::last_write_time(site.site + name, fs::file_time_type(std::chrono::hours(1000 + i)));
  }
  if (cancel_at) site.ui.CancelAtCheckpoint(cancel_at);
  if (answer) site.ui.QueueAnswer(*answer);
  BuildState state(site.ui, site.settings, site.inputs);
  state.set_jobs(jobs);
  const bool result = site.Build(state);
  std::vector<std::string> progress;
  for (const auto& step : site.ui.progress())
    progress.push_back(step.message + "@" + std::to_string(step.position));
  EXPECT_TRUE(site.ui.unexpected().empty());
  return {result, site.ui.texts(), progress, ReadTree(site.site + "thumbs/")};
}

TEST(ParallelThumbnailPass, GivesTheSameThumbnailsProgressAndOrderAsOneJob) {
  const struct {
    int broken, cancel_at;  // 0: no cancel
    std::optional<Answer> answer;
    std::size_t thumbs;
    bool built;
    std::vector<std::string> texts;
  } cases[] = {
      {-1, 0, {}, 10, true, {}},
      {4,
       0,
       Answer::No,
       4,
       false,
       {std::string(kThumbnailErrorQuestion), ThumbnailFailedMessage("p14.jpg")}},
      // The first checkpoint follows the thumbnail folder; the one after image 3 (p13) is the
      // fifth. A cancel the user takes back carries on.
      {-1, 4, Answer::Yes, 4, false, {std::string(kCancelBuildQuestion)}},
      {-1, 4, Answer::No, 10, true, {std::string(kCancelBuildQuestion)}},
  };
  for (const auto& c : cases) {
    const BuildRun parallel = BuildSite(4, c.broken, c.cancel_at, c.answer);
    EXPECT_EQ(BuildSite(1, c.broken, c.cancel_at, c.answer), parallel);
    EXPECT_EQ(std::get<0>(parallel), c.built);
    EXPECT_EQ(std::get<3>(parallel).size(), c.thumbs);
    EXPECT_EQ(std::get<1>(parallel), c.texts);
  }
}

// Rebuilds: a thumbnail is kept exactly when it was made from the same photograph with the same
// settings, and a rebuild leaves every file it need not change as it was: its bytes, its time and
// its inode (a replace by rename gives a new one). An unchanged site and a touched photograph are
// the command line test's rebuilds.
using FileState = std::tuple<std::string, std::int64_t, std::uint64_t>;

std::map<std::string, FileState> Snapshot(const std::string& root) {
  std::map<std::string, FileState> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    struct stat st {};
    if (!entry.is_regular_file() || ::stat(entry.path().c_str(), &st) != 0) continue;
    files[fs::relative(entry.path(), root).string()] = {
        ReadFile(entry.path().string()), st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec,
        st.st_ino};
  }
  return files;
}

TEST(Rebuild, MakesExactlyTheThumbnailsThatAreOutOfDate) {
  const struct {
    std::set<std::string> changed;  // every other file stays as it was
    std::function<void(Site&)> change;
  } cases[] = {
      {{"thumbs/img01_thb.jpg", "thumbs/img02_thb.jpg", "thumbs/img03_thb.jpg"},
       [](Site& s) { s.settings.Thumb_JPEG_Quality = 50; }},
      {{"Index.html", "Index2.html"},
       [](Site& s) { testing::WriteFile(s.settings.Style_File, "<P>Changed</P>***CONTENT***"); }},
      {{"thumbs/img02_thb.jpg"},
       [](Site& s) {  // the thumbnail of a photograph of the same name
         fs::copy_file(s.site + "thumbs/img01_thb.jpg", s.site + "thumbs/img02_thb.jpg",
                       fs::copy_options::overwrite_existing);
       }},
  };
  for (const int jobs : {1, 2}) {
    for (const auto& c : cases) {
      Site site;  // three photographs, image display pages, buttons and a copied graphic
      site.AddImages(3);
      site.settings.DisplayAsImage = false;
      site.settings.Horizontal_Thumb_Count = 2;
      site.settings.Vertical_Thumb_Count = 1;
      testing::MakeJpeg(site.styles + "next.jpg");
      site.settings.prev_next_image_buttons = site.settings.index_image_buttons = true;
      site.settings.Next_Page_File = site.settings.Selected_Page_Index_File =
          site.settings.Other_Page_Index_File = site.styles + "next.jpg";
      BuildState state(site.ui, site.settings, site.inputs);
      state.set_jobs(jobs);
      ASSERT_TRUE(site.Build(state));
      ASSERT_TRUE(site.Exists("next.jpg") && site.Exists("Page_Button_On_2.jpg"));
      c.change(site);
      // Everything the build wrote goes back in time, so that a rewrite cannot keep its time.
      for (const auto& [name, file] : Snapshot(site.site)) {
        const std::string path = site.site + name;
        if (!name.starts_with("img")) fs::last_write_time(path, fs::last_write_time(path) - 24h);
      }
      const auto before = Snapshot(site.site);
      BuildState again(site.ui, site.settings, site.inputs);
      again.set_jobs(jobs);
      again.set_no_recreate(true);
      ASSERT_TRUE(site.Build(again));
      EXPECT_EQ(again.counts().thumbnails_made,
                std::count_if(c.changed.begin(), c.changed.end(),
                              [](const std::string& name) { return name.starts_with("thumbs/"); }));
      EXPECT_TRUE(site.ui.messages().empty());
      const auto after = Snapshot(site.site);
      std::set<std::string> changed;
      for (const auto& [name, state] : after) {
        if (!before.contains(name) || before.at(name) != state) changed.insert(name);
      }
      EXPECT_EQ(changed, c.changed) << jobs;
      EXPECT_EQ(before.size(), after.size());
    }
  }
}

}  // namespace
}  // namespace parvel
