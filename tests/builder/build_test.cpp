// The build and its thumbnails: the size rule, the thumbnail pass, rebuilds and what a build
// refuses or leaves out.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/textutil.h"
#include "builder/build_site.h"
#include "builder/pagebuttons.h"
#include "builder/thumbnail.h"
#include "builder/thumbpool.h"
#include "imaging/registry.h"
#include "model/imagefiles.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::Count, testing::DataFile, testing::MakeJpeg, testing::ReadFile, testing::ReadTree,
    testing::Site, testing::TempDir, testing::WriteFile;
using Names = std::vector<std::string>;

// Without images the user may ask for pages without thumbnails; the pages get their buttons.
TEST(PreBuildChecks, NoImagesGivesTheRequestedPagesWithoutThumbnails) {
  Site site;
  site.settings.DisplayAsImage = false;  // even so: no image pages without images
  site.settings.index_image_buttons = true;
  site.settings.Selected_Page_Index_File = site.styles + "button.jpg";
  MakeJpeg(site.settings.Selected_Page_Index_File, {20, 20, 120});
  site.ui.QueueAnswer(Answer::Yes);
  site.ui.QueuePrompt("3");
  ASSERT_TRUE(site.Build());
  EXPECT_EQ(Count(site.Page("Index3.html"), "Page_Button_On_3.jpg"), 1);
  EXPECT_FALSE(site.Exists("Index4.html"));
  EXPECT_EQ(site.Page("Index2.html").find("_thb.jpg"), std::string::npos);
  EXPECT_TRUE(site.ui.unexpected().empty());
}

// Three pages with their headings and an index of buttons (or of text links): the prefix "Set"
// gains its blank, the buttons take the format their background allows (one of fewer than 24
// bits gives GIF buttons) with the label in their middle, and the bar never passes its maximum.
TEST(Build, PageHeadingsButtonsAndProgress) {
  const struct {
    const char* background;  // null: text links
    int bits;
    const char* button;  // page 2's button on the first page
  } cases[] = {{nullptr, 24, nullptr},
               {"background.jpg", 24, "Page_Button_2.jpg"},
               {"background.gif", 8, "Page_Button_2.gif"}};
  const Rgb blue{20, 20, 120};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.background ? c.background : "text links");
    Site site;
    site.AddImages(3);
    auto& s = site.settings;
    s.Horizontal_Thumb_Count = s.Vertical_Thumb_Count = 1;
    s.Page_Position_Heading = true;
    s.Page_Number_Prefix = "Set";
    if (c.background) {
      PixelGraphic background;
      testing::Fill(background, 120, 40, blue);
      background.SetBitCountNum(c.bits);
      background.SaveToFile(site.styles + c.background);
      s.index_image_buttons = true;
      s.Selected_Page_Index_File = s.Other_Page_Index_File = site.styles + c.background;
    }
    ASSERT_TRUE(site.Build());
    EXPECT_NE(site.Page("Index2.html").find("Set 2"), std::string::npos);
    for (const auto& step : site.ui.progress())
      EXPECT_LE(step.position, step.maximum) << step.message;
    if (!c.button) continue;
    EXPECT_EQ(Count(site.Page("Index.html"), c.button), 1);
    // The plan names the same format.
    EXPECT_EQ("Page_Button_2" + ButtonExtensionFor(site.styles + c.background).value_or(""),
              c.button);
    PixelGraphic button;
    button.LoadFromFile(site.site + c.button);
    const Raster& pixels = button.Pixels();
    ASSERT_EQ(std::pair(pixels.width, pixels.height), std::pair(120, 40));
    int label = 0;  // pixels off the background: the label's, none of them near an edge
    for (int at = 0; at < 120 * 40; ++at) {
      const Rgb p = pixels.ColorAt(at % 120, at / 120);
      if (std::abs(p.r - blue.r) + std::abs(p.g - blue.g) + std::abs(p.b - blue.b) < 60) continue;
      ++label;
      EXPECT_TRUE(at % 120 >= 30 && at % 120 < 90) << at % 120 << "," << at / 120;
    }
    EXPECT_GT(label, 0);
  }
}

// A page that would be written over a picture of the site: refused, nothing written. Each row:
// the base page name, the clash (page and picture), display pages or not, and the pictures.
TEST(Build, PageOverAPictureIsRefusedAndNothingIsWritten) {
  const struct {
    const char *base_html_name, *page, *picture;
    bool display_pages;
    std::vector<std::string> pictures;
  } cases[] = {
      {"Gallery.JPG", "Sunset.JPG", "Sunset.jpg", true, {"Sunset.jpg"}},  // any letter case
      {"Index.jpg", "Index2.jpg", "Index2.jpg", false, {"a.jpg", "Index2.jpg"}},
      {"gallery.png", "sunset.png", "sunset.png", true, {"sunset.jpg", "sunset.png"}},
      {"home", "photo.jpg", "photo.jpg", true, {"photo.jpg.jpg", "photo.jpg"}},  // no extension
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.base_html_name);
    Site site;
    site.settings.DisplayAsImage = !c.display_pages;
    site.settings.Horizontal_Thumb_Count = site.settings.Vertical_Thumb_Count = 1;
    site.inputs.base_html_name = c.base_html_name;
    for (const auto& picture : c.pictures) MakeJpeg(site.site + picture);
    const auto before = ReadTree(site.site);
    EXPECT_FALSE(site.Build());
    EXPECT_EQ(site.ui.texts(), Names{"Building would write the page, " + std::string(c.page) +
                                     ", over your picture, " + c.picture +
                                     ", in the site directory!  Please give your first HTML page "
                                     "a name ending in .html under Site Options."});
    EXPECT_EQ(ReadTree(site.site), before);
  }
}

// The image list and the page-name checks of the model know the picture extensions without the
// codecs; the two lists must not drift apart.
TEST(PictureExtensions, EveryExtensionIsAPictureForThePageNameChecks) {
  for (const ImageFormat& format : ImageFormats()) {  // any letter case
    EXPECT_TRUE(HasPictureExtension("PAGE." + UpperAscii(format.extension))) << format.extension;
  }
  EXPECT_FALSE(HasPictureExtension("Index.html"));
}

// Template references whose real path leads out are not published, also a link changed after
// the checks; a link that stays in is copied under the name the template uses. Graphics the site
// copies (in any letter case), thumbnails and page buttons are not offered as images.
TEST(Build, TemplateLinksLeadingOutAreNotPublishedAndGraphicsAreNoImages) {
  Site site;
  site.AddImages(1);
  for (const char* name : {"holiday_thb.jpg", "Page_Button_2.gif", "page_button_on_1.jpg",
                           "NEXT.GIF", "Alias.gif", "b.jpe", "notes.txt"})
    WriteFile(site.site + name, "x");
  site.settings.prev_next_image_buttons = true;
  site.settings.Next_Page_File = site.styles + "next.gif";
  WriteFile(site.settings.Next_Page_File, "next");
  const std::string outside = site.dir / "private/";
  WriteFile(outside + "id_rsa", "secret key");
  WriteFile(outside + "album/x.gif", "private picture");
  WriteFile(site.styles + "real.gif", "logo");
  fs::create_symlink(outside + "id_rsa", site.styles + "logo.gif");
  fs::create_directory_symlink(outside + "album", site.styles + "sub");
  fs::create_symlink("real.gif", site.styles + "alias.gif");
  fs::create_symlink("real.gif", site.styles + "late.gif");
  WriteFile(site.settings.Style_File,
            "<BODY><IMG SRC=\"logo.gif\"><IMG SRC=\"sub/x.gif\">"
            "<IMG SRC=\"alias.gif\"><IMG SRC=\"late.gif\">***CONTENT***</BODY>");
  const auto private_files = ReadTree(outside);
  BuildState state(site.ui, site.settings, site.inputs);
  ASSERT_TRUE(state.PreBuildChecks(true));
  fs::remove(site.styles + "late.gif");
  fs::create_symlink(outside + "id_rsa", site.styles + "late.gif");
  state.FillImageList();
  EXPECT_EQ(state.images(), (Names{"b.jpe", "img01.jpg"}));
  state.image_list().Exclude({0});  // b.jpe holds no picture
  ASSERT_TRUE(state.Start()) << ::testing::PrintToString(site.ui.texts());
  EXPECT_EQ(site.ui.texts(),
            Names{"The file, " + site.styles + "late.gif, lies outside the directory, " +
                  site.styles + ", and will not be copied"});
  EXPECT_FALSE(site.Exists("logo.gif") || site.Exists("x.gif") || site.Exists("late.gif"));
  EXPECT_EQ(site.Page("alias.gif"), "logo");
  EXPECT_EQ(ReadTree(outside), private_files);
}

// Two pages of one image each (a full last page adds none): the image pages take entries 1 and 2
// of each list, and the thumbnail pages start again from entry 1.
TEST(Build, ThumbnailPagesStartTheHeaderAndFooterListsAgain) {
  Site site;
  site.AddImages(2);
  auto& s = site.settings;
  s.DisplayAsImage = false;
  s.Horizontal_Thumb_Count = s.Vertical_Thumb_Count = 1;
  s.Header_Mode = s.Footer_Mode = HeaderMode::List;
  s.Header_File = site.styles + "headers.txt";
  s.Footer_File = site.styles + "footers.txt";
  WriteFile(s.Header_File, "<kbd>H1</kbd>\r\n<kbd>H2</kbd>\r\n<kbd>H3</kbd>\r\n");
  WriteFile(s.Footer_File, "<var>F1</var>\r\n<var>F2</var>\r\n<var>F3</var>\r\n");
  ASSERT_TRUE(site.Build());
  for (const auto& [page, n] :
       {std::pair{"img01.html", 1}, {"img02.html", 2}, {"Index.html", 1}, {"Index2.html", 2}}) {
    SCOPED_TRACE(page);
    const std::string text = site.Page(page);
    EXPECT_EQ(Count(text, "<kbd>H" + std::to_string(n) + "</kbd>"), 1);
    EXPECT_EQ(Count(text, "<var>F" + std::to_string(n) + "</var>"), 1);
  }
  EXPECT_FALSE(site.Exists("Index3.html"));
}

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
    EXPECT_EQ(CalculateDimensions(c.a, c.b, c.w, c.h), c.expected)
        << c.a << "x" << c.b << " in " << c.w << "x" << c.h;
  }
}

// The decoder's scale, the size rule and the EXIF turn (orientation 6 in the second picture)
// together give a progressive thumbnail.
TEST(CreateThumbnail, WritesAProgressiveJpegOfTheRightSize) {
  for (const auto& [source, box, expected] :
       {std::tuple{"1280x960.jpg", 150, ThumbSize{149, 112}},
        {"1600x1200_orientation6.jpg", 100, ThumbSize{75, 100}}}) {
    SCOPED_TRACE(source);
    TempDir dir;
    ScriptedInteraction ui;
    ASSERT_TRUE(
        CreateThumbnail(ui, DataFile("thumbnail/") + source, dir / "s_thb.jpg", box, box, 70));
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
  std::vector<std::string> texts;  // the site folder as {S}
  for (const auto& text : site.ui.texts()) texts.push_back(ReplaceAll(text, site.site, "{S}"));
  return {result, texts, progress, ReadTree(site.site + "thumbs/")};
}

TEST(ParallelThumbnailPass, GivesTheSameThumbnailsProgressAndOrderAsOneJob) {
  const std::string error = ThumbnailCauseQuestion("The file, {S}p14.jpg, is not a picture");
  const std::string cancel(kCancelBuildQuestion);
  const struct {
    int broken, cancel_at;  // 0: no cancel
    std::optional<Answer> answer;
    std::size_t thumbs;
    bool built;
    std::vector<std::string> texts;
  } cases[] = {
      {-1, 0, {}, 10, true, {}},
      {4, 0, Answer::No, 4, false, {error, ThumbnailFailedMessage("p14.jpg")}},
      // The first checkpoint follows the thumbnail folder; the one after image 3 (p13) is the
      // fifth. A cancel the user takes back carries on.
      {-1, 4, Answer::Yes, 4, false, {cancel}},
      {-1, 4, Answer::No, 10, true, {cancel}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "broken " << c.broken << ", cancel at " << c.cancel_at);
    const BuildRun parallel = BuildSite(4, c.broken, c.cancel_at, c.answer);
    EXPECT_EQ(BuildSite(1, c.broken, c.cancel_at, c.answer), parallel);
    EXPECT_EQ(std::get<0>(parallel), c.built);
    EXPECT_EQ(std::get<3>(parallel).size(), c.thumbs);
    EXPECT_EQ(std::get<1>(parallel), c.texts);
  }
}

// Work spread over threads reaches every index once, and a failure on any thread reaches the
// caller after all have stopped.
TEST(ForEachIndex, VisitsEachIndexOnceAndPassesOnAFailure) {
  for (const int threads : {1, 3}) {
    std::vector<std::atomic<int>> visits(100);
    ForEachIndex(visits.size(), threads, [&](std::size_t i) { ++visits[i]; });
    EXPECT_TRUE(std::all_of(visits.begin(), visits.end(), [](auto& v) { return v == 1; }));
    EXPECT_THROW(ForEachIndex(visits.size(), threads,
                              [](std::size_t i) {
                                if (i == 42) throw std::runtime_error("42");
                              }),
                 std::runtime_error);
  }
}

// The pool hands every slot over in order, whether its source is made, has nothing to make, or
// lies beyond a run of empty slots longer than the look-ahead (the workers wait there until the
// build's thread has taken enough of them).
TEST(ThumbnailPool, HandsOverEverySlotPastRunsOfEmptyOnes) {
  const std::vector<std::vector<std::string>> cases = {
      {}, {"", "", ""}, {"a", "b", "c"}, {"", "", "", "", "", "", "", "a", "", "", "", "", "b"}};
  for (const auto& sources : cases) {
    ThumbnailPool pool(sources, 2, 2, [](const std::string& s) {
      return std::vector<std::uint8_t>(s.begin(), s.end());
    });
    for (std::size_t i = 0; i < sources.size(); ++i) {
      ASSERT_TRUE(pool.WaitFor(i, std::chrono::seconds(20))) << "slot " << i;
      const std::vector<std::uint8_t> made = pool.Take(i);
      EXPECT_EQ(std::string(made.begin(), made.end()), sources[i]);
    }
  }
}

// Rebuilds: a thumbnail is kept exactly when it was made from the same photograph with the same
// settings, and a rebuild leaves every file it need not change as it was: its bytes, its time and
// its inode (a replace by rename gives a new one).
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
       [](Site& s) { WriteFile(s.settings.Style_File, "<P>Changed</P>***CONTENT***"); }},
      {{"thumbs/img02_thb.jpg"},
       [](Site& s) {  // the thumbnail of a photograph of the same name
         fs::copy_file(s.site + "thumbs/img01_thb.jpg", s.site + "thumbs/img02_thb.jpg",
                       fs::copy_options::overwrite_existing);
       }},
      {{"thumbs/img03_thb.jpg"},  // a touched photograph
       [](Site& s) {
         fs::last_write_time(s.site + "img03.jpg", fs::file_time_type::clock::now());
       }},
  };
  for (const int jobs : {1, 2}) {
    for (std::size_t row = 0; row < std::size(cases); ++row) {
      SCOPED_TRACE(::testing::Message() << "row " << row << ", " << jobs << " jobs");
      const auto& c = cases[row];
      Site site;  // three photographs, image display pages, buttons and a copied graphic
      site.AddImages(3);
      auto& s = site.settings;
      s.DisplayAsImage = false, s.Horizontal_Thumb_Count = 2, s.Vertical_Thumb_Count = 1;
      MakeJpeg(site.styles + "next.jpg");
      s.prev_next_image_buttons = s.index_image_buttons = true;
      s.Next_Page_File = s.Selected_Page_Index_File = s.Other_Page_Index_File =
          site.styles + "next.jpg";
      // Thumbnails made by a build with `jobs` workers; -1: it failed.
      const auto made = [&] {
        BuildState state(site.ui, site.settings, site.inputs);
        state.set_jobs(jobs);
        return site.Build(state) ? state.counts().thumbnails_made : -1;
      };
      ASSERT_EQ(made(), 3);
      ASSERT_TRUE(site.Exists("next.jpg") && site.Exists("Page_Button_On_2.jpg"));
      c.change(site);
      // Everything the build wrote goes back in time, so that a rewrite cannot keep its time.
      for (const auto& [name, file] : Snapshot(site.site)) {
        const std::string path = site.site + name;
        if (!name.starts_with("img")) fs::last_write_time(path, fs::last_write_time(path) - 24h);
      }
      const auto before = Snapshot(site.site);
      EXPECT_EQ(made(), std::ranges::count_if(c.changed, [](const std::string& name) {
                  return name.starts_with("thumbs/");
                }));
      EXPECT_TRUE(site.ui.messages().empty());
      const auto after = Snapshot(site.site);
      std::set<std::string> changed;
      for (const auto& [name, state] : after)
        if (!before.contains(name) || before.at(name) != state) changed.insert(name);
      EXPECT_EQ(changed, c.changed);
      EXPECT_EQ(before.size(), after.size());
      EXPECT_EQ(made(), 0);  // what was re-made is recorded
    }
  }
}

}  // namespace
}  // namespace parvel
