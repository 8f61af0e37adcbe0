// The thumbnail grid: layout, selection, keys, the two caches, the shared thumbnail cache and
// the thumbnails made from files.
#include "images/XThumbGrid.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <set>

#include "images/addimage.h"
#include "imaging/formats/jpeg.h"
#include "imaging/registry.h"
#include "platform/filesystem.h"
#include "support/photo_encoders.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::TempDir;

Raster Solid(int width, int height, Rgb colour) {
  Raster image;
  image.Allocate(width, height, 24);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = image.Row(y) + 3 * x;
      p[0] = colour.r;
      p[1] = colour.g;
      p[2] = colour.b;
    }
  }
  return image;
}

void WriteImage(const std::string& path, const Raster& image, const char* format) {
  const auto data = FindWriter(format)->Write(image, {});
  testing::WriteFile(path, std::string(data.begin(), data.end()));
}

// Sets a file's modification time (whole seconds).
void SetMTime(const std::string& path, std::int64_t seconds) {
  const utimbuf times{static_cast<time_t>(seconds), static_cast<time_t>(seconds)};
  ASSERT_EQ(::utime(path.c_str(), &times), 0);
}

std::vector<std::string> Names(int count) {
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) names.push_back("img" + std::to_string(i) + ".jpg");
  return names;
}

std::set<int> SelectedItems(const TXThumbGrid& grid) {
  std::set<int> items;
  for (int i = 0; i < grid.ItemCount(); ++i) {
    if (grid.Selected(i)) items.insert(i);
  }
  return items;
}

TEST(ThumbGridLayout, RowsCellSizesAndFitting) {
  struct RowCase {
    int files, cols, rows;
  };
  for (const RowCase c : {RowCase{7, 3, 3}, {6, 3, 2}, {2, 3, 1}, {0, 3, 1}, {1, 1, 1}}) {
    TXThumbGrid grid;
    grid.SetColCount(c.cols);
    grid.SetFileSource({"/p", Names(c.files)}, true, true);
    EXPECT_EQ(grid.RowCount(), c.rows) << c.files << " files";
    EXPECT_EQ(grid.SelectedCount(), c.files > 0 ? 1 : 0);
    if (c.files > 0) {
      EXPECT_EQ(grid.Path(0), "/p/img0.jpg");
    }
  }

  struct SizeCase {
    TThumbDisplayType type;
    int col_width, row_height;
  };
  for (const SizeCase c : {SizeCase{TThumbDisplayType::tdtLargeIcon, 106, 13 + 10 + 75 + 11},
                           {TThumbDisplayType::tdtIconInfo, 10 + 8 + 45 + 70, 10 + 6 + 37},
                           {TThumbDisplayType::tdtFilename, 80, 23}}) {
    TXThumbGrid grid;
    grid.SetTextHeight(13);
    grid.SetThumbDisplayType(c.type);
    EXPECT_EQ(grid.ColWidth(), c.col_width);
    EXPECT_EQ(grid.RowHeight(), c.row_height);
  }

  struct FitCase {
    int width, height;
    GridRect fitted;
  };
  for (const FitCase c : {FitCase{200, 100, {10, 35, 90, 45}},  // reduced, centred vertically
                          {10, 20, {36, 20, 37, 75}},           // enlarged
                          {90, 75, {10, 20, 90, 75}}}) {
    EXPECT_EQ(FitIntoBox(c.width, c.height, {10, 20, 90, 75}), c.fitted) << c.width;
  }
}

TEST(ThumbGridLayout, WideningKeepsSelectionAndCurrentFile) {
  TXThumbGrid grid;
  grid.SetTextHeight(11);
  grid.SetThumbDisplayType(TThumbDisplayType::tdtLargeIcon);
  ASSERT_EQ(grid.ColWidth(), 106);
  grid.SetFileSource({"/p", Names(10)}, true, true);
  ASSERT_TRUE(grid.Resize(20 + 3 * 106 + 5));
  ASSERT_EQ(grid.ColCount(), 3);
  grid.MouseDown(7, GridButton::Left, {});
  grid.MouseUp({});
  grid.MouseDown(2, GridButton::Left, {false, true});
  grid.MouseUp({false, true});
  EXPECT_FALSE(grid.Resize(20 + 3 * 106 + 50));  // still three columns
  ASSERT_TRUE(grid.Resize(20 + 4 * 106));
  EXPECT_EQ(grid.ColCount(), 4);
  EXPECT_EQ(grid.RowCount(), 3);
  std::vector<std::string> selected;
  EXPECT_EQ(grid.GetSelectedFiles(selected), 2);
  EXPECT_EQ(selected, (std::vector<std::string>{"/p/img2.jpg", "/p/img7.jpg"}));
  EXPECT_EQ(grid.Path(grid.Current()), "/p/img2.jpg");
  EXPECT_EQ(grid.TakeScrollTarget(), std::optional<int>(2));
  EXPECT_EQ(grid.Resize(0), true);  // never fewer than one column
  EXPECT_EQ(grid.ColCount(), 1);
}

TEST(ThumbGridSelection, MouseClicks) {
  struct Click {
    int item;
    char how;  // 'p' plain, 'c' Ctrl, 's' Shift, 'b' Ctrl+Shift, 'r' right, 'd' press only
  };
  struct Case {
    const char* name;
    std::vector<Click> clicks;
    std::set<int> selected;
    int current;
    bool multiple = true;
  };
  const std::vector<Case> cases = {
      {"ctrl adds", {{2, 'p'}, {5, 'c'}}, {2, 5}, 5},
      {"ctrl on a selected item deselects only it",
       {{2, 'p'}, {5, 'c'}, {7, 'c'}, {5, 'c'}},
       {2, 7},
       5},
      {"shift after a plain click selects the run in reading order",
       {{1, 'p'}, {4, 's'}},
       {1, 2, 3, 4},
       4},
      {"shift backwards from the anchor", {{5, 'p'}, {2, 's'}}, {2, 3, 4, 5}, 2},
      {"shift after ctrl replaces the selection, from the ctrl-clicked anchor",
       {{0, 'p'}, {8, 'c'}, {5, 's'}},
       {5, 6, 7, 8},
       5},
      {"ctrl+shift adds the run", {{0, 'p'}, {6, 'c'}, {8, 'b'}}, {0, 6, 7, 8}, 8},
      {"a plain press on a selected item keeps the selection until release",
       {{0, 'p'}, {7, 'c'}, {0, 'd'}},
       {0, 7},
       0},
      {"and the release leaves only it", {{0, 'p'}, {7, 'c'}, {0, 'p'}}, {0}, 0},
      {"a right click on a selected item keeps everything",
       {{0, 'p'}, {3, 'c'}, {3, 'r'}},
       {0, 3},
       3},
      {"a right click elsewhere selects that item alone", {{0, 'p'}, {3, 'c'}, {4, 'r'}}, {4}, 4},
      {"a press past the last item changes nothing", {{1, 'p'}, {-1, 'p'}}, {1}, 1},
      {"single selection ignores ctrl and shift", {{1, 'p'}, {4, 'c'}, {6, 's'}}, {6}, 6, false},
  };
  for (const Case& c : cases) {
    TXThumbGrid grid;
    grid.MultipleSelect = c.multiple;
    grid.SetColCount(3);
    grid.SetFileSource({"/p", Names(9)}, false, false);
    for (const Click& click : c.clicks) {
      const GridModifiers modifiers{click.how == 's' || click.how == 'b',
                                    click.how == 'c' || click.how == 'b'};
      grid.MouseDown(click.item, click.how == 'r' ? GridButton::Right : GridButton::Left,
                     modifiers);
      if (click.how != 'd') grid.MouseUp(modifiers);
    }
    EXPECT_EQ(SelectedItems(grid), c.selected) << c.name;
    EXPECT_EQ(grid.Current(), c.current) << c.name;
  }
}

TEST(ThumbGridSelection, Keys) {
  struct Case {
    int from;
    GridKey key;
    int to;  // -1: no move
  };
  // 7 files in 3 columns: 0 1 2 / 3 4 5 / 6
  for (const Case c : {Case{2, GridKey::Down, 5},
                       {5, GridKey::Down, -1},
                       {6, GridKey::Down, 1},
                       {3, GridKey::Up, 0},
                       {1, GridKey::Up, 6},
                       {0, GridKey::Up, -1},
                       {2, GridKey::Right, 3},
                       {3, GridKey::Left, 2},
                       {6, GridKey::Right, -1},
                       {4, GridKey::Home, 0},
                       {1, GridKey::End, 6},
                       {0, GridKey::PageDown, 3},
                       {5, GridKey::PageDown, 6},
                       {4, GridKey::PageUp, 1},
                       {2, GridKey::PageUp, 0},
                       {2, GridKey::Shift, -1}}) {
    TXThumbGrid grid;
    grid.DisableComponentKeyEventHandling = false;
    grid.SetColCount(3);
    grid.SetFileSource({"/p", Names(7)}, false, false);
    grid.MouseDown(c.from, GridButton::Left, {});
    grid.MouseUp({});
    grid.TakeScrollTarget();
    const bool moved = grid.KeyDown(c.key, {}, 2, 3);
    EXPECT_EQ(moved, c.to >= 0) << c.from << " key " << static_cast<int>(c.key);
    EXPECT_EQ(grid.Current(), c.to >= 0 ? c.to : c.from);
    EXPECT_EQ(SelectedItems(grid), std::set<int>{grid.Current()});
    if (moved) {
      EXPECT_EQ(grid.TakeScrollTarget(), std::optional<int>(c.to));
    }
  }
  TXThumbGrid off;  // the initial setting leaves the keys to the owner
  off.SetFileSource({"/p", Names(7)}, true, true);
  EXPECT_FALSE(off.KeyDown(GridKey::End, {}, 2, 3));
  EXPECT_EQ(off.Current(), 0);
}

TEST(ThumbGridCaption, ShortenedWithTwoDots) {
  const auto one_per_byte = [](std::string_view text) { return static_cast<int>(text.size()); };
  struct Case {
    const char* caption;
    int room;
    const char* shown;
  };
  for (const Case c : {Case{"abcdef", 6, "abcdef"},
                       {"abcdefgh", 6, "abcd.."},
                       {"abcdefgh", 2, "a.."},
                       {"caf\xC3\xA9s.jpg", 6, "caf.."},
                       {"caf\xC3\xA9s.jpg", 7, "caf\xC3\xA9.."}}) {
    EXPECT_EQ(ShortenCaption(c.caption, c.room, one_per_byte), c.shown) << c.caption;
  }
  TXThumbGrid grid;
  grid.SetFileSource({"", {"/a/b/Photo.one.JPG", "/a/noext"}}, false, false);
  EXPECT_EQ(grid.Caption(0), "Photo.one.JPG");
  grid.HideFileExtensions = true;
  EXPECT_EQ(grid.Caption(0), "Photo.one");
  EXPECT_EQ(grid.Caption(1), "noext");
}

TEST(ThumbCaches, FileNamesAndMemorySlots) {
  struct Case {
    const char* path;
    const char* name;
  };
  // Worked out independently from the rule: h1 the 31-multiplier hash of the bytes in 27 bits,
  // h2 the folded sum of the little-endian words from the end.
  for (const Case c : {Case{"A", "~x65F16640.jpg"},
                       {"a", "~x97F24832.jpg"},
                       {"AB", "~x2081F16961.jpg"},
                       {"ABCDE", "~x62061635F50438.jpg"},
                       {"/home/u/Photos/IMG_0001.JPG", "~x98799043F16524.jpg"},
                       {"", "~x0F0.jpg"}}) {
    EXPECT_EQ(ThumbCacheFileName(c.path, ".jpg"), c.name) << c.path;
  }

  TThumbMemoryCache memory(100);
  EXPECT_EQ(memory.SlotName(0), "nil");
  std::vector<SourceStamp> stamps;
  for (int i = 0; i < 101; ++i) {
    stamps.push_back({"/p/" + std::to_string(i) + ".jpg", 10, i});
    EXPECT_EQ(memory.Store(stamps.back(), Solid(2, 2, {})), i % 100);
  }
  EXPECT_EQ(memory.SlotName(0), "/p/100.jpg");
  EXPECT_EQ(memory.Find(stamps[0]), nullptr);
  EXPECT_NE(memory.Find(stamps[1]), nullptr);
  EXPECT_NE(memory.Find(stamps[100]), nullptr);
  // The exact path, size and time: another case or a rewritten file is another thumbnail.
  EXPECT_EQ(memory.Find({"/P/1.jpg", 10, 1}), nullptr);
  EXPECT_EQ(memory.Find({"/p/1.jpg", 11, 1}), nullptr);
  EXPECT_EQ(memory.Find({"/p/1.jpg", 10, 2}), nullptr);
  TThumbMemoryCache off(0);
  EXPECT_EQ(off.Store(stamps[0], Solid(2, 2, {})), -1);
}

TEST(ThumbCaches, DiskCacheKeepsItsLimitAndIndex) {
  TempDir dir;
  std::string error;
  {
    TThumbDiskCache cache;
    EXPECT_FALSE(cache.SetDirectory(dir / "missing", &error));
    EXPECT_EQ(error, kNoCacheDirectoryError);
    EXPECT_FALSE(cache.enabled());
    ASSERT_TRUE(cache.SetDirectory(dir.path(), &error));
    ASSERT_TRUE(cache.enabled());
    std::vector<SourceStamp> stamps;
    for (int i = 0; i < 301; ++i) {
      stamps.push_back({"/photos/p" + std::to_string(i) + ".jpg", 100, 7});
      ASSERT_TRUE(cache.Add(stamps.back(), Solid(4, 3, {200, 0, 0})));
      if (i == 0) {
        EXPECT_TRUE(testing::ReadFile(dir / ThumbCacheFileName(stamps[0].path, ".jpg"))
                        .starts_with("\xFF\xD8"));
      }
    }
    // The 301st entry took the oldest one's place, file and all.
    EXPECT_FALSE(FileExists(dir / ThumbCacheFileName(stamps[0].path, ".jpg")));
    EXPECT_TRUE(FileExists(dir / ThumbCacheFileName(stamps[1].path, ".jpg")));
    const auto paths = cache.IndexedPaths();
    ASSERT_EQ(paths.size(), 300u);
    EXPECT_EQ(paths.front(), stamps[1].path);
    // Written after more than 30 additions already.
    EXPECT_TRUE(FileExists(dir / std::string(kThumbCacheIndexName)));
    // A hit becomes the newest entry; a file of another size or time is a miss.
    const auto hit = cache.Load(stamps[1]);
    ASSERT_TRUE(hit.has_value());
    EXPECT_EQ(hit->width, 4);
    EXPECT_EQ(cache.IndexedPaths().back(), stamps[1].path);
    EXPECT_FALSE(cache.Load({stamps[2].path, 101, 7}).has_value());
    // A cache file that cannot be read is a miss and leaves the index.
    testing::WriteFile(dir / ThumbCacheFileName(stamps[3].path, ".jpg"), "broken");
    EXPECT_FALSE(cache.Load(stamps[3]).has_value());
    EXPECT_EQ(cache.IndexedPaths().size(), 299u);
  }
  // The index written at the end is read by the next cache on that folder.
  TThumbDiskCache again;
  ASSERT_TRUE(again.SetDirectory(dir.path(), &error));
  EXPECT_EQ(again.IndexedPaths().size(), 299u);
  EXPECT_EQ(again.IndexedPaths().back(), "/photos/p1.jpg");
  EXPECT_TRUE(again.Load({"/photos/p300.jpg", 100, 7}).has_value());
}

TEST(ThumbMaking, FilesFormatsAndRewrites) {
  TempDir dir;
  const std::string photo = dir / "photo.jpg";
  WriteImage(photo, Solid(300, 200, {255, 0, 0}), "jpg");
  SetMTime(photo, 1'700'000'000);
  WriteImage(dir / "drawing.png", Solid(40, 40, {0, 0, 255}), "png");
  WriteImage(dir / "other.bmp", Solid(40, 40, {0, 255, 0}), "bmp");
  testing::WriteFile(dir / "broken.jpg", "not a JPEG at all");
  TempDir cache_dir;

  TXThumbGrid grid;
  grid.SetThumbDisplayType(TThumbDisplayType::tdtLargeIcon);
  std::string error;
  ASSERT_TRUE(grid.SetDiskCacheDirectory(cache_dir.path(), &error));
  grid.SetFileSource({dir.path(), {"photo.jpg", "drawing.png", "broken.jpg", "other.bmp"}}, true,
                     true);
  const auto make_all = [&] {
    for (int i = 0; i < grid.ItemCount(); ++i) {
      bool wanted = false;
      grid.Thumbnail(i, &wanted);
      if (wanted) grid.ThumbnailMade(MakeGridThumbnail(*grid.Stamp(i), grid.Recipe()));
    }
  };
  make_all();
  bool wanted = true;
  const Raster* red = grid.Thumbnail(0, &wanted);
  ASSERT_NE(red, nullptr);
  EXPECT_FALSE(wanted);
  EXPECT_EQ(red->width, 90);  // fitted into the 90 x 75 box
  EXPECT_EQ(red->height, 60);
  EXPECT_GT(red->ColorAt(45, 30).r, 200);
  // A PNG outside "*.jpg;*.bmp;*.jpeg;" and a damaged JPEG show no image and are not asked for
  // again; neither goes into a cache.
  EXPECT_EQ(grid.Thumbnail(1, &wanted), nullptr);
  EXPECT_FALSE(wanted);
  EXPECT_EQ(grid.Thumbnail(2, &wanted), nullptr);
  EXPECT_FALSE(wanted);
  ASSERT_NE(grid.Thumbnail(3, &wanted), nullptr);
  EXPECT_EQ(grid.disk_cache().IndexedPaths(),
            (std::vector<std::string>{dir / "photo.jpg", dir / "other.bmp"}));

  // The stand-in images of the two properties.
  ThumbRecipe recipe = grid.Recipe();
  recipe.non_supported_thumb = dir / "other.bmp";
  const auto png = MakeGridThumbnail(*StampFile(dir / "drawing.png"), recipe);
  ASSERT_TRUE(png.image.has_value());
  EXPECT_GT(png.image->ColorAt(10, 10).g, 200);
  recipe.load_error_thumb = dir / "drawing.png";
  const auto broken = MakeGridThumbnail(*StampFile(dir / "broken.jpg"), recipe);
  ASSERT_TRUE(broken.image.has_value());
  EXPECT_GT(broken.image->ColorAt(10, 10).b, 200);

  // A phone's WebP, stored on its side: upright in the grid of the add-images formats.
  const auto webp = testing::EncodeWebp(Solid(300, 200, {255, 0, 0}), 6);
  testing::WriteFile(dir / "phone.webp", std::string(webp.begin(), webp.end()));
  recipe = grid.Recipe();
  recipe.supported_formats = SupportedImageFormats();
  const auto upright = MakeGridThumbnail(*StampFile(dir / "phone.webp"), recipe);
  ASSERT_TRUE(upright.image.has_value());
  EXPECT_EQ(upright.image->width, 50);
  EXPECT_EQ(upright.image->height, 75);

  // The photograph rewritten under its name gets a fresh thumbnail: neither the memory cache nor
  // the disk cache gives the old one.
  WriteImage(photo, Solid(300, 200, {0, 0, 255}), "jpg");
  SetMTime(photo, 1'700'000'100);
  grid.SetFileSource({dir.path(), {"photo.jpg"}}, true, true);
  EXPECT_EQ(grid.Thumbnail(0, &wanted), nullptr);
  EXPECT_TRUE(wanted);
  const ThumbResult fresh = MakeGridThumbnail(*grid.Stamp(0), grid.Recipe());
  ASSERT_TRUE(fresh.image.has_value());
  EXPECT_GT(fresh.image->ColorAt(45, 30).b, 200);
  EXPECT_LT(fresh.image->ColorAt(45, 30).r, 50);
}

TEST(SharedThumbnails, NamesFreshnessAndRoundTrip) {
  // The example of the thumbnail standard.
  EXPECT_EQ(Md5Hex("file:///home/jens/photos/me.png"), "c6ee772d9e49320e97ec29a7eb5b1697");
  EXPECT_EQ(FileUri("/home/a b/\xC3\xA9t\xC3\xA9#1.jpg"),
            "file:///home/a%20b/%C3%A9t%C3%A9%231.jpg");

  TempDir dir;
  const SharedThumbnailCache shared(dir / "thumbnails");
  const std::string source = dir / "photo one.jpg";
  EXPECT_EQ(shared.ThumbnailPath(source, SharedThumbSize::Normal),
            dir / "thumbnails/normal/" + Md5Hex(FileUri(source)) + ".png");
  EXPECT_FALSE(shared.Read(source, 1000, SharedThumbSize::Normal).has_value());
  ASSERT_TRUE(shared.Write(source, 1000, SharedThumbSize::Normal, Solid(128, 96, {0, 200, 0})));
  const std::string file = shared.ThumbnailPath(source, SharedThumbSize::Normal);
  struct stat info {};
  ASSERT_EQ(::stat((dir / "thumbnails/normal").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  // Its keys, as a file manager reads them.
  const std::string png = testing::ReadFile(file);
  EXPECT_NE(png.find(std::string("tEXtThumb::URI\0", 15) + FileUri(source)), std::string::npos);
  EXPECT_NE(png.find(std::string("tEXtThumb::MTime\0", 17) + "1000"), std::string::npos);

  const auto read = shared.Read(source, 1000, SharedThumbSize::Normal);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->width, 128);
  EXPECT_EQ(read->height, 96);
  EXPECT_EQ(read->ColorAt(5, 5), (Rgb{0, 200, 0}));
  // A source changed since, or a thumbnail of another file under this name, is stale.
  EXPECT_FALSE(shared.Read(source, 1001, SharedThumbSize::Normal).has_value());
  testing::WriteFile(shared.ThumbnailPath(dir / "other.jpg", SharedThumbSize::Normal), png);
  EXPECT_FALSE(shared.Read(dir / "other.jpg", 1000, SharedThumbSize::Normal).has_value());
  // Too large for its size, or inside the cache itself: not written.
  EXPECT_FALSE(shared.Write(source, 1000, SharedThumbSize::Normal, Solid(129, 10, {})));
  EXPECT_FALSE(shared.Write(file, 1000, SharedThumbSize::Normal, Solid(10, 10, {})));

  // The grid reads a fresh one without touching the source, and writes the ones it makes.
  WriteImage(source, Solid(640, 480, {250, 250, 0}), "jpg");
  SetMTime(source, 1000);
  ThumbRecipe recipe;
  recipe.shared = &shared;
  const auto from_cache = MakeGridThumbnail(*StampFile(source), recipe);
  ASSERT_TRUE(from_cache.image.has_value());
  EXPECT_EQ(from_cache.image->ColorAt(40, 30), (Rgb{0, 200, 0}));
  SetMTime(source, 2000);
  const auto made = MakeGridThumbnail(*StampFile(source), recipe);
  ASSERT_TRUE(made.image.has_value());
  EXPECT_GT(made.image->ColorAt(40, 30).r, 200);
  const auto written = shared.Read(source, 2000, SharedThumbSize::Normal);
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(written->width, 128);
  EXPECT_EQ(written->height, 96);
}

}  // namespace
}  // namespace parvel
