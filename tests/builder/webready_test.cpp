// Web-ready sites: display copies (sized, upright, without EXIF, kept and removed by the rules),
// 2x thumbnails with their srcset, lazy attributes and the notice about GPS positions.
#include <libexif/exif-data.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "builder/build.h"
#include "builder/build_site.h"
#include "builder/messages.h"
#include "builder/thumbnail.h"
#include "builder/webcopy.h"
#include "builder/writeplan.h"
#include "imaging/exif.h"
#include "imaging/formats/jpeg.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::Count, testing::ReadFile, testing::ReadTree, testing::Site, testing::WriteFile;
using Bytes = std::vector<std::uint8_t>;

Bytes FileBytes(const std::string& path) {
  const std::string text = ReadFile(path);
  return Bytes(text.begin(), text.end());
}

// An EXIF block (with its "Exif\0\0" header) made by libexif: the orientation and, when asked,
// a GPS latitude and longitude.
Bytes ExifBlock(int orientation, bool gps) {
  ExifData* data = exif_data_new();
  ExifMem* mem = exif_mem_new_default();
  const ExifByteOrder order = EXIF_BYTE_ORDER_INTEL;
  exif_data_set_byte_order(data, order);
  auto add = [&](ExifIfd ifd, ExifTag tag, ExifFormat format, unsigned components) {
    ExifEntry* entry = exif_entry_new_mem(mem);
    entry->tag = tag;
    entry->format = format;
    entry->components = components;
    entry->size = exif_format_get_size(format) * components;
    entry->data = static_cast<unsigned char*>(exif_mem_alloc(mem, entry->size));
    exif_content_add_entry(data->ifd[ifd], entry);
    exif_entry_unref(entry);
    return entry;
  };
  exif_set_short(add(EXIF_IFD_0, EXIF_TAG_ORIENTATION, EXIF_FORMAT_SHORT, 1)->data, order,
                 static_cast<ExifShort>(orientation));
  if (gps) {
    for (const ExifTag tag : {static_cast<ExifTag>(EXIF_TAG_GPS_LATITUDE),
                              static_cast<ExifTag>(EXIF_TAG_GPS_LONGITUDE)}) {
      ExifEntry* entry = add(EXIF_IFD_GPS, tag, EXIF_FORMAT_RATIONAL, 3);
      for (unsigned i = 0; i < 3; ++i) {
        exif_set_rational(entry->data + 8 * i, order, ExifRational{52 + i, 1});
      }
    }
  }
  unsigned char* saved = nullptr;
  unsigned int size = 0;
  exif_data_save_data(data, &saved, &size);
  Bytes block(saved, saved + size);
  free(saved);
  exif_mem_unref(mem);
  exif_data_unref(data);
  return block;
}

// A profile that names RGB data: only its header is looked at.
Bytes RgbProfile() {
  Bytes profile(200, 7);
  std::memcpy(profile.data() + 16, "RGB ", 4);
  return profile;
}

// A photograph of `width` x `height` stored pixels: red in the stored top-left quarter, blue
// elsewhere, with an EXIF block after its JFIF header and a colour profile.
void MakePhoto(const std::string& path, std::int32_t width, std::int32_t height, int orientation,
               bool gps) {
  Raster r;
  r.Allocate(width, height, 24);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      const bool red = x < width / 2 && y < height / 2;
      std::uint8_t* p = r.Row(y) + 3 * x;
      p[0] = red ? 220 : 20, p[1] = 20, p[2] = red ? 20 : 220;
    }
  }
  Bytes jpeg = WriteJpeg(r, 90, false, {}, RgbProfile());
  const Bytes exif = ExifBlock(orientation, gps);
  Bytes segment = {0xFF, 0xE1, static_cast<std::uint8_t>((exif.size() + 2) >> 8),
                   static_cast<std::uint8_t>((exif.size() + 2) & 0xFF)};
  segment.insert(segment.end(), exif.begin(), exif.end());
  jpeg.insert(jpeg.begin() + 4 + ((jpeg[4] << 8) | jpeg[5]), segment.begin(), segment.end());
  WriteFile(path, std::string(jpeg.begin(), jpeg.end()));
}

// A site of three pictures: big.jpg (1200 x 800 stored, turned a quarter by its EXIF, with a GPS
// position), small.jpg (150 x 100) and anim.gif (a GIF of 300 x 200).
struct WebSite : Site {
  WebSite() {
    MakePhoto(site + "big.jpg", 1200, 800, 6, true);
    MakePhoto(site + "small.jpg", 150, 100, 1, false);
    PixelGraphic gif;
    gif.SetSize(300, 200);
    gif.Canvas().BrushColor = {10, 200, 10};
    gif.Canvas().FillRect({0, 0, 300, 200});
    gif.SaveToFile(site + "anim.gif");
    settings.Horizontal_Thumb_Count = 3;
    settings.Vertical_Thumb_Count = 1;
  }
};

TEST(DisplayCopies, FitTheBoxUprightWithOnlyTheProfileAndTheRecord) {
  WebSite site;
  site.settings.Web_Image_Size = 400;
  site.settings.Web_Image_Quality = 80;
  ASSERT_TRUE(site.Build());
  EXPECT_TRUE(site.ui.messages().empty());

  const Bytes copy = FileBytes(site.site + "web/big.jpg");
  const ImageInfo info = ReadJpegInfo(copy);
  EXPECT_EQ(info.width, 266);  // 800 x 1200 upright in a 400 box
  EXPECT_EQ(info.height, 400);
  EXPECT_EQ(info.subformat.rfind("progressive", 0), 0u) << info.subformat;
  // Upright: the stored top-left quarter turns a quarter clockwise to the top right.
  const Raster pixels = ReadJpeg(copy, {});
  EXPECT_GT(pixels.ColorAt(250, 10).r, 180);
  EXPECT_LT(pixels.ColorAt(10, 10).r, 60);
  EXPECT_LT(pixels.ColorAt(250, 390).r, 60);
  // No EXIF block at all (libexif finds nothing), the profile kept, the record present.
  ExifData* exif = exif_data_new_from_data(copy.data(), static_cast<unsigned int>(copy.size()));
  ASSERT_NE(exif, nullptr);
  for (int ifd = 0; ifd < EXIF_IFD_COUNT; ++ifd) EXPECT_EQ(exif->ifd[ifd]->count, 0u) << ifd;
  exif_data_unref(exif);
  EXPECT_EQ(ReadJpegIccProfile(copy), RgbProfile());

  // A picture within the box keeps its size; a GIF gets no copy and is linked as it is.
  const ImageInfo small = ReadJpegInfo(FileBytes(site.site + "web/small.jpg"));
  EXPECT_EQ(small.width, 150);
  EXPECT_EQ(small.height, 100);
  EXPECT_FALSE(site.Exists("web/anim.gif") || site.Exists("web/anim.jpg"));
  const std::string page = site.Page("Index.html");
  EXPECT_EQ(Count(page, "href=\"web/big.jpg\""), 2);
  EXPECT_EQ(Count(page, "href=\"web/small.jpg\""), 2);
  EXPECT_EQ(Count(page, "href=\"anim.gif\""), 2);
  EXPECT_EQ(Count(page, "\"big.jpg\""), 0);
  // Copies on: no notice about GPS positions.
  for (const auto& line : site.ui.statuses()) EXPECT_EQ(line.find("GPS"), std::string::npos);
  site.settings.Image_Display_Method = DisplayMethod::NewWindowScript;
  ASSERT_TRUE(site.Build());
  EXPECT_NE(site.Page("Index.html").find("openWin('web/big.jpg'"), std::string::npos);
}

// What a rebuild does with the copies, from a built site with copies at 400.
TEST(DisplayCopies, AreKeptAndRemovedByTheRules) {
  const struct {
    const char* name;
    int size, quality;  // 0: the quality as built
    bool remove_small, user_file;
    std::vector<std::string> copies;  // in web/ afterwards (absent: no folder)
    std::int64_t made, kept, removed;
  } cases[] = {
      {"unchanged", 400, 0, false, false, {"big.jpg", "small.jpg"}, 0, 2, 0},
      {"picture removed", 400, 0, true, false, {"big.jpg"}, 0, 1, 1},
      {"size changed", 300, 0, false, false, {"big.jpg", "small.jpg"}, 2, 0, 0},
      {"quality changed", 400, 60, false, false, {"big.jpg", "small.jpg"}, 2, 0, 0},
      {"option off", 0, 0, false, false, {}, 0, 0, 2},
      {"a file of the user's stays", 0, 0, false, true, {"notes.jpg"}, 0, 0, 2},
  };
  // The records are read on each job's thread: one job and several see the same.
  for (const int jobs : {1, 4}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", jobs " + std::to_string(jobs));
      WebSite site;
      site.settings.Web_Image_Size = 400;
      ASSERT_TRUE(site.Build());
      const std::string big_before = ReadFile(site.site + "web/big.jpg");
      const auto time_before = fs::last_write_time(site.site + "web/big.jpg");
      site.settings.Web_Image_Size = c.size;
      if (c.quality) site.settings.Web_Image_Quality = c.quality;
      if (c.remove_small) fs::remove(site.site + "small.jpg");
      if (c.user_file) WriteFile(site.site + "web/notes.jpg", "mine");
      BuildState again(site.ui, site.settings, site.inputs);
      again.set_no_recreate(true);
      again.set_jobs(jobs);
      ASSERT_TRUE(site.Build(again));
      EXPECT_EQ(again.counts().copies_made, c.made);
      EXPECT_EQ(again.counts().copies_kept, c.kept);
      EXPECT_EQ(again.counts().copies_removed, c.removed);
      std::vector<std::string> copies;
      for (const auto& [name, bytes] : ReadTree(site.site + "web")) copies.push_back(name);
      EXPECT_EQ(copies, c.copies);
      if (c.kept == 2) {  // nothing written
        EXPECT_EQ(ReadFile(site.site + "web/big.jpg"), big_before);
        EXPECT_EQ(fs::last_write_time(site.site + "web/big.jpg"), time_before);
      }
      EXPECT_TRUE(site.ui.messages().empty());
    }
  }
}

// 2x thumbnails only for pictures twice the thumbnail, with their srcset; with copies off, a line
// (never a box) names the pictures that carry a GPS position, known on a rebuild from the
// thumbnail's record alone.
TEST(ThumbnailPass, MakesHiDpiThumbnailsAndNamesGpsPicturesFromTheRecords) {
  WebSite site;
  site.settings.HiDPI_Thumbnails = true;
  ASSERT_TRUE(site.Build());
  // big.jpg: 800 x 1200 upright, thumbnail 66 x 100, so 2x 133 x 200; anim.gif 300 x 200:
  // thumbnail 100 x 66, 2x 200 x 133; small.jpg 150 x 100 is less than twice 100 x 66.
  const ImageInfo big = ReadJpegInfo(FileBytes(site.site + "thumbs/big_thb@2x.jpg"));
  EXPECT_EQ(big.width, 133);
  EXPECT_EQ(big.height, 200);
  EXPECT_TRUE(site.Exists("thumbs/anim_thb@2x.jpg"));
  EXPECT_FALSE(site.Exists("thumbs/small_thb@2x.jpg"));
  EXPECT_EQ(Count(site.Page("Index.html"), "srcset="), 2);
  const std::string notice = LocationNotice(1, {"big.jpg"});
  EXPECT_EQ(notice,
            "1 picture carries the GPS position where it was taken (big.jpg), and the site "
            "publishes it with it.  Display copies (Web_Image_Size) would publish it without it.");
  EXPECT_EQ(site.ui.statuses().back(), notice);
  EXPECT_TRUE(site.ui.messages().empty());
  EXPECT_EQ(LocationNotice(3, {"a.jpg", "b.jpg", "c.jpg"}).substr(0, 60),
            "3 pictures carry the GPS position where they were taken (a.j");

  // big.jpg loses its EXIF block without a change to its length or time: everything is kept.
  const auto time = fs::last_write_time(site.site + "big.jpg");
  std::string bytes = ReadFile(site.site + "big.jpg");
  bytes.replace(bytes.find("Exif"), 4, "Exix");
  WriteFile(site.site + "big.jpg", bytes);
  fs::last_write_time(site.site + "big.jpg", time);
  ASSERT_FALSE(JpegHasGpsPosition(FileBytes(site.site + "big.jpg")));
  BuildState again(site.ui, site.settings, site.inputs);
  again.set_no_recreate(true);
  ASSERT_TRUE(site.Build(again));
  EXPECT_EQ(again.counts().copies_kept, 2);
  EXPECT_EQ(again.counts().copies_made + again.counts().thumbnails_made, 0);
  EXPECT_EQ(again.counts().gps_names, std::vector<std::string>{"big.jpg"});
  // Turned off: removed, and the pages lose their srcset.
  site.settings.HiDPI_Thumbnails = false;
  ASSERT_TRUE(site.Build());
  EXPECT_FALSE(site.Exists("thumbs/big_thb@2x.jpg") || site.Exists("thumbs/anim_thb@2x.jpg"));
  EXPECT_EQ(Count(site.Page("Index.html"), "srcset="), 0);
  // A srcset splits at blanks and commas: a name with them is encoded.
  fs::rename(site.site + "big.jpg", site.site + "big, wide.jpg");
  site.settings.HiDPI_Thumbnails = true;
  ASSERT_TRUE(site.Build());
  EXPECT_NE(site.Page("Index.html").find("srcset=\"./thumbs/big%2C%20wide_thb@2x.jpg 2x\""),
            std::string::npos);
}

// The display tag carries the size of the file it shows: the picture, or the copy fitted to the
// page's size.
TEST(LazyLoading, TagsCarryTheSizesOfTheFilesTheyShow) {
  WebSite site;
  site.settings.Lazy_Loading = true;
  site.settings.DisplayAsImage = false;
  site.settings.Image_Width = site.settings.Image_Height = 200;
  for (const char* tag : {"<IMG SRC=\"big.jpg\" WIDTH=800 HEIGHT=1200 loading=\"lazy\"",
                          "<IMG SRC=\"web/big.jpg\" WIDTH=133 HEIGHT=200 loading=\"lazy\""}) {
    ASSERT_TRUE(site.Build());
    EXPECT_NE(site.Page("big.html").find(tag), std::string::npos) << site.Page("big.html");
    site.settings.Web_Image_Size = 400;
    site.settings.max_image_size = true;
  }
}

TEST(WebCopySizes, EighthsCoverTheCopyAndSmallPicturesKeepTheirSize) {
  const struct {
    std::int32_t w, h, box;
    ThumbSize size;
    int eighths;
  } cases[] = {
      {6000, 4000, 2048, {2048, 1365}, 3},  // 2250 x 1500 covers 2048 x 1365
      {4000, 6000, 2048, {1365, 2048}, 3}, {4096, 2048, 2048, {2048, 1024}, 4},  // exactly half
      {2048, 1536, 2048, {2048, 1536}, 8},  // fits: decoded whole, never resampled
      {300, 200, 2048, {300, 200}, 8},     {8000, 100, 400, {400, 5}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    const ThumbSize size = WebCopySize(c.w, c.h, c.box);
    EXPECT_EQ(size, c.size);
    EXPECT_EQ(ChooseJpegEighths(c.w, c.h, size.width, size.height), c.eighths);
    EXPECT_GE(JpegEighthsSide(c.w, c.eighths), size.width);
    EXPECT_GE(JpegEighthsSide(c.h, c.eighths), size.height);
  }
  EXPECT_EQ(WebCopyName("a.b.JPEG"), "web/a.b.jpg");
  EXPECT_EQ(HiDpiThumbnailName("Beach.JPG"), "Beach_thb@2x.jpg");
  EXPECT_TRUE(TakesHiDpiThumbnail(200, 150, 100, 100));
  EXPECT_FALSE(TakesHiDpiThumbnail(199, 150, 100, 100));
}

}  // namespace
}  // namespace parvel
