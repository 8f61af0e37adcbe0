// Rebuilds: a thumbnail is kept exactly when it was made from the same photograph with the same
// settings, and a rebuild of an unchanged site leaves every other file of the site folder as it
// was: its bytes, its time and its inode (a replace by rename gives a new one).
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>

#include "builder/build.h"
#include "builder/build_site.h"
#include "builder/thumbnail.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::Site;
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

void SetTime(const std::string& path, std::chrono::seconds shift) {
  fs::last_write_time(path, fs::last_write_time(path) + shift);
}

TEST(Rebuild, MakesExactlyTheThumbnailsThatAreOutOfDate) {
  const std::set<std::string> all_thumbs = {"thumbs/img01_thb.jpg", "thumbs/img02_thb.jpg",
                                            "thumbs/img03_thb.jpg"};
  const struct {
    std::function<void(Site&)> change;
    bool no_recreate;
    std::set<std::string> changed;  // every other file stays as it was
  } cases[] = {
      {[](Site&) {}, true, {}},
      {[](Site& s) { SetTime(s.site + "img02.jpg", std::chrono::seconds(5)); },
       true,
       {"thumbs/img02_thb.jpg"}},
      {[](Site& s) { s.settings.Thumb_JPEG_Quality = 50; }, true, all_thumbs},
      {[](Site& s) { testing::WriteFile(s.settings.Style_File, "<P>Changed</P>***CONTENT***"); },
       true,
       {"Index.html", "Index2.html"}},
      {[](Site& s) {  // the thumbnail of a photograph of the same name
         fs::copy_file(s.site + "thumbs/img01_thb.jpg", s.site + "thumbs/img02_thb.jpg",
                       fs::copy_options::overwrite_existing);
       },
       true,
       {"thumbs/img02_thb.jpg"}},
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
        if (!name.starts_with("img")) SetTime(site.site + name, -std::chrono::hours(24));
      }
      const auto before = Snapshot(site.site);
      BuildState again(site.ui, site.settings, site.inputs);
      again.set_jobs(jobs);
      again.set_no_recreate(c.no_recreate);
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
      // Whatever was made again carries the record of the photograph as it is now.
      for (const char* image : {"img01.jpg", "img02.jpg", "img03.jpg"}) {
        EXPECT_EQ(CheckThumbnail(site.site + image, site.site + "thumbs/" + ThumbnailName(image),
                                 site.settings.Thumb_Width, site.settings.Thumb_Height,
                                 site.settings.Thumb_JPEG_Quality),
                  ThumbnailState::UpToDate);
      }
    }
  }
}

}  // namespace
}  // namespace parvel
