// Rebuilds: a thumbnail is kept exactly when it was made from the same photograph with the same
// settings, and a rebuild of an unchanged site leaves every file of the site folder as it was.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "builder/build.h"
#include "builder/build_site.h"
#include "builder/thumbnail.h"
#include "imaging/PGraphic.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::Site;
using testing::WriteFile;

// What identifies a file's state: its bytes, its modification time and its inode (a replace by
// rename gives a new one even within one tick of the clock).
using FileState = std::tuple<std::string, std::int64_t, std::uint64_t>;

std::map<std::string, FileState> Snapshot(const std::string& root) {
  std::map<std::string, FileState> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    struct stat st {};
    EXPECT_EQ(::stat(entry.path().c_str(), &st), 0);
    files[fs::relative(entry.path(), root).string()] = {
        ReadFile(entry.path().string()), st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec,
        st.st_ino};
  }
  return files;
}

// A site of three photographs with every kind of output: thumbnails in thumbs/, image display
// pages, page buttons and a copied navigation graphic.
struct RebuildSite : Site {
  RebuildSite() {
    AddImages(3);
    settings.DisplayAsImage = false;
    settings.Horizontal_Thumb_Count = 2;
    settings.Vertical_Thumb_Count = 1;
    const std::string nav = styles + "next.gif";
    TPixelGraphic arrow;
    arrow.SetSize(12, 12);
    arrow.SetBitCountNum(8);
    arrow.SaveToFile(nav);
    settings.prev_next_image_buttons = true;
    settings.Next_Page_File = nav;
    settings.index_image_buttons = true;
    settings.Selected_Page_Index_File = nav;
    settings.Other_Page_Index_File = nav;
  }

  // A build with the switch as given; its counts.
  BuildCounts Rebuild(bool no_recreate, int jobs) {
    BuildState state(ui, settings, inputs);
    state.set_jobs(jobs);
    state.set_no_recreate(no_recreate);
    EXPECT_TRUE(Build(state));
    return state.counts();
  }
};

void SetTime(const std::string& path, std::chrono::seconds shift) {
  fs::last_write_time(path, fs::last_write_time(path) + shift);
}

struct Case {
  const char* what;
  std::function<void(RebuildSite&)> change;
  bool no_recreate;
  int made;
  // Files (relative to the site folder) that may change; every other file must stay as it was.
  // Null: not checked.
  std::optional<std::set<std::string>> changed;
};

const std::set<std::string> kAll = {"img01.jpg", "img02.jpg", "img03.jpg"};
const std::set<std::string> kAllThumbs = {"thumbs/img01_thb.jpg", "thumbs/img02_thb.jpg",
                                          "thumbs/img03_thb.jpg"};

class RebuildTest : public ::testing::TestWithParam<std::tuple<Case, int>> {};

TEST_P(RebuildTest, MakesExactlyTheThumbnailsThatAreOutOfDate) {
  const auto& [c, jobs] = GetParam();
  RebuildSite site;
  const BuildCounts first = site.Rebuild(true, jobs);
  EXPECT_EQ(first.thumbnails_made, 3);
  EXPECT_EQ(first.thumbnails_kept, 0);
  EXPECT_EQ(first.pages.written, 5);  // two thumbnail pages and three image display pages
  ASSERT_TRUE(site.Exists("next.gif") && site.Exists("Page_Button_On_2.gif"));
  c.change(site);
  // Everything the build wrote goes back in time, so that a rewrite cannot keep its time.
  for (const auto& entry : fs::recursive_directory_iterator(site.site)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && !kAll.contains(name)) {
      SetTime(entry.path().string(), -std::chrono::hours(24));
    }
  }
  const auto before = Snapshot(site.site);

  const BuildCounts counts = site.Rebuild(c.no_recreate, jobs);

  EXPECT_EQ(counts.thumbnails_made, c.made);
  EXPECT_EQ(counts.thumbnails_kept, 3 - c.made);
  EXPECT_EQ(counts.pages.written + counts.pages.unchanged, 5);
  EXPECT_TRUE(site.ui.messages().empty());
  const auto after = Snapshot(site.site);
  if (c.changed) {
    std::set<std::string> changed;
    for (const auto& [name, state] : after) {
      const auto old = before.find(name);
      if (old == before.end() || old->second != state) changed.insert(name);
    }
    EXPECT_EQ(changed, *c.changed);
    EXPECT_EQ(before.size(), after.size());
  }
  // Whatever was made again carries the record of the photograph as it is now.
  for (const auto& image : kAll) {
    EXPECT_EQ(CheckThumbnail(site.site + image, site.site + "thumbs/" + ThumbnailName(image),
                             site.settings.Thumb_Width, site.settings.Thumb_Height,
                             site.settings.Thumb_JPEG_Quality),
              ThumbnailState::UpToDate)
        << image;
  }
}

const Case kCases[] = {
    {"nothing changed", [](RebuildSite&) {}, true, 0, std::set<std::string>{}},
    {"one photograph touched",
     [](RebuildSite& s) { SetTime(s.site + "img02.jpg", std::chrono::seconds(5)); }, true, 1,
     std::set<std::string>{"thumbs/img02_thb.jpg"}},
    {"one photograph retouched",
     [](RebuildSite& s) {
       TPixelGraphic portrait;  // another size: another length whatever the clock's tick
       portrait.SetSize(30, 50);
       ASSERT_TRUE(savetojpeg(portrait, s.site + "img03.jpg", 80, false));
     },
     true, 1, std::set<std::string>{"thumbs/img03_thb.jpg"}},
    {"thumbnail width changed", [](RebuildSite& s) { s.settings.Thumb_Width = 40; }, true, 3,
     std::nullopt},
    {"thumbnail quality changed", [](RebuildSite& s) { s.settings.Thumb_JPEG_Quality = 50; }, true,
     3, kAllThumbs},
    {"page template changed",
     [](RebuildSite& s) {
       WriteFile(s.settings.Style_File, "<P>Changed</P>\r\n" + std::string(testing::kTemplate));
     },
     true, 0, std::set<std::string>{"Index.html", "Index2.html"}},
    {"thumbnail made before records were kept",
     [](RebuildSite& s) {
       // A thumbnail without a record, and not what this photograph would give.
       TPixelGraphic old;
       old.SetSize(20, 15);
       ASSERT_TRUE(savetojpeg(old, s.site + "thumbs/img01_thb.jpg", 80, false));
     },
     true, 0, std::set<std::string>{}},
    {"thumbnail of a photograph of the same name",
     [](RebuildSite& s) {
       fs::copy_file(s.site + "thumbs/img01_thb.jpg", s.site + "thumbs/img02_thb.jpg",
                     fs::copy_options::overwrite_existing);
     },
     true, 1, std::set<std::string>{"thumbs/img02_thb.jpg"}},
    {"switch off", [](RebuildSite&) {}, false, 3, kAllThumbs},
};

INSTANTIATE_TEST_SUITE_P(Changes, RebuildTest,
                         ::testing::Combine(::testing::ValuesIn(kCases), ::testing::Values(1, 2)),
                         [](const auto& info) {
                           std::string name = std::get<0>(info.param).what;
                           for (char& ch : name) {
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name + "_jobs" + std::to_string(std::get<1>(info.param));
                         });

}  // namespace
}  // namespace parvel
