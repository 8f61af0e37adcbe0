// Adding image files to a rotation's folder: the format lists, AddImage's questions, messages and
// conversion, what a failure or a file that is its own target leaves behind, and a drop. The
// thumbnail grid: layout, selection, keys, the two caches, the shared thumbnail cache and the
// thumbnails made from files.
#include <glib.h>
#include <gtest/gtest.h>
#include <png.h>
#include <utime.h>
#include <zlib.h>

#include <filesystem>
#include <set>
#include <tuple>

#include "addimages/addimage.h"
#include "addimages/thumbgrid.h"
#include "base/fileparts.h"
#include "base/textutil.h"
#include "imaging/convert.h"
#include "imaging/formats/bmp.h"
#include "imaging/formats/jpeg.h"
#include "imaging/formats/png.h"
#include "imaging/formats/tga.h"
#include "imaging/pixelgraphic.h"
#include "imaging/registry.h"
#include "platform/filesystem.h"
#include "support/faulty_filesystem.h"
#include "support/photo_encoders.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::TempDir;
using testing::WriteFile;

// An extension counts only as a whole entry of a list: no prefix of one, however long.
TEST(FormatLists, ExtensionMatchesOnlyAWholeEntry) {
  for (const char* ext : {"JPE", "jpeg", "JPG", "gif"}) {
    EXPECT_TRUE(CheckSupportedFormat(std::string("/p/a.") + ext)) << ext;
    EXPECT_TRUE(checkHTMLsupportedformat(std::string("/p/a.") + ext)) << ext;
  }
  for (const char* ext : {"tiff", "TIF", "heic", "heif", "avif", "webp", "jfif", "jif", "tga"}) {
    EXPECT_TRUE(CheckSupportedFormat(std::string("/p/a.") + ext)) << ext;
    EXPECT_FALSE(checkHTMLsupportedformat(std::string("/p/a.") + ext)) << ext;
  }
  for (const char* path :
       {"/p/.gitconfig", "/p/notes.gitconfig", "/p/corpus.time", "/p/a.gifs", "/p/a.jpgx",
        "/p/a.tiffany", "/p/a.jp", "/p/a.p", "/p.jpg/readme", "/p/a.pn"}) {
    EXPECT_FALSE(CheckSupportedFormat(path)) << path;
    EXPECT_FALSE(checkHTMLsupportedformat(path)) << path;
  }
  // A new extension replaces the file name's own; a dot in a folder name is none.
  for (const auto& [path, changed] : {std::pair{"/p/a.b.bmp", "/p/a.b.jpg"},
                                      {"/p.jpg/readme", "/p.jpg/readme.jpg"},
                                      {"C:\\p.d\\a", "C:\\p.d\\a.jpg"}}) {
    EXPECT_EQ(ChangeExtension(path, ".jpg"), changed) << path;
  }
}

std::string AsString(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// The picture every source file holds; its conversion is the progressive JPEG at quality 63.
Raster Picture() {
  Raster r;
  r.Allocate(12, 8, 24);
  for (std::size_t i = 0; i < r.pixels.size(); ++i) r.pixels[i] = std::uint8_t(i * 37 % 251);
  return r;
}
constexpr int kQualityOption = 0x100 + 63;  // the quality is the option's low byte

// A source file's content by its name: a picture in the format of its extension, except "png-"
// names (a PNG whatever the extension), "gif-" names (a GIF), "tga-" names (a TGA) and "fake"
// names (text).
std::string SourceContent(const std::string& name) {
  if (name.starts_with("fake")) return "not a picture: " + name;
  if (name.starts_with("png-") || name.ends_with(".png")) return AsString(WritePng(Picture()));
  if (name.starts_with("gif-"))
    return AsString(FindWriter("gif")->Write(ConvertBitCount(Picture(), 8), {}));
  if (name.starts_with("tga-") || name.ends_with(".tga")) return AsString(WriteTga(Picture()));
  if (name.ends_with(".bmp")) return AsString(WriteBmp(Picture()));
  if (name.ends_with(".heic"))
    return AsString(testing::EncodeHeif(Picture(), heif_compression_HEVC, 1));
  if (name.ends_with(".jpg") || name.ends_with(".jfif") || name.ends_with(".jif"))
    return AsString(WriteJpeg(Picture(), 90, false));
  return "not a picture: " + name;
}

// A full disk: nothing new can be written, but removing and renaming still work, so a step that
// removed the old file before its successor was written would lose it here.
struct FullDisk : FaultyFileSystem {
  FullDisk() : FaultyFileSystem(RealFileSystem()) {}
  static bool Full(std::string* e) { return e && (*e = "No space left on device").empty(); }
  bool WriteFileAtomic(const std::string&, std::string_view, std::string* e) override {
    return Full(e);
  }
  bool WriteFileReplace(const std::string&, std::string_view, std::string* e) override {
    return Full(e);
  }
  bool CopyFile(const std::string&, const std::string&, std::string* e) override { return Full(e); }
  bool CreateDirectory(const std::string&, std::string* e) override { return Full(e); }
};

// Paths use {S} (the source folder, whose files the test makes), {R} (the rotation's folder) and
// {L} (a link to it). `after` is the rotation's folder afterwards and nothing else: "OLD" as it
// was, "COPY" the source of that name, "JPEG" the conversion.
struct Case {
  const char* name;
  bool drop;  // DropFiles with every path, else AddImage with the one path
  std::vector<std::string> paths, existing;  // existing ones hold "OLD name"
  std::vector<Answer> answers;
  bool full_disk;
  std::size_t result, added;  // AddImage: 1 to go on, 0 to stop; a drop: the paths dealt with
  std::vector<std::string> boxes;
  std::map<std::string, std::string> after;
};

const std::string kCopyError = "Warning|Error encountered copying the file, {S}";
const std::string kCopyErrorEnd =
    "!  You may be out of disk space or do not have write access to the directory you are "
    "copying to";
const std::string kNotes = "Information|The file, {S}notes.txt, is not a supported image format";
std::string NotAPicture(const std::string& name) {
  return "Information|The file, {S}" + name +
         ", is not a supported image format (its content is not a picture)";
}
const std::string kSameFolder = "Warning|The destination folder is the same as the source!";
std::string Overwrite(const std::string& name) {
  return "Confirmation|A file by the name of {R}" + name +
         " already exists.  Are you sure you want to overwrite it?";
}

// clang-format off
const Case kCases[] = {
  {"UnsupportedCancelStops", false, {"{S}notes.txt"}, {}, {Answer::Cancel}, false, 0, 0, {kNotes},
   {}},
  {"ExistingYesReplaced", false, {"{S}photo.png"}, {"photo.jpg"}, {Answer::Yes}, false, 1, 1,
   {Overwrite("photo.jpg")}, {{"photo.jpg", "JPEG"}}},
  // A text named like a picture is refused before anything is asked or written.
  {"TextNamedLikeAPictureKeepsOld", false, {"{S}fake.ppm"}, {"fake.jpg"}, {Answer::Ok}, false, 1,
   0, {NotAPicture("fake.ppm")}, {{"fake.jpg", "OLD"}}},
  {"TextNamedJpgIsNotCopied", false, {"{S}fake.jpg"}, {}, {Answer::Cancel}, false, 0, 0,
   {NotAPicture("fake.jpg")}, {}},
  {"TextNamedTgaFailsItsHeaderCheck", false, {"{S}fake.tga"}, {}, {Answer::Ok}, false, 1, 0,
   {NotAPicture("fake.tga")}, {}},
  {"TgaPassesItsHeaderCheckAndIsConverted", false, {"{S}photo.tga"}, {}, {}, false, 1, 1, {},
   {{"photo.jpg", "JPEG"}}},
  {"HeicIsConverted", false, {"{S}phone.heic"}, {}, {}, false, 1, 1, {}, {{"phone.jpg", "HEIC"}}},
  // A JPEG under a name the rotation's list would not show is copied as it is, as NAME.jpg.
  {"JfifAndJifAreCopiedAsJpg", true, {"{S}x.jfif", "{S}y.jif"}, {}, {}, false, 2, 2, {},
   {{"x.jpg", "COPY"}, {"y.jpg", "COPY"}}},
  // A picture of another format under a browser name becomes the JPEG that name promises.
  {"PngNamedJpgIsConverted", false, {"{S}png-inside.jpg"}, {}, {}, false, 1, 1, {},
   {{"png-inside.jpg", "JPEG"}}},
  {"GifNamedJpgIsCopiedAsGif", false, {"{S}gif-inside.jpg"}, {}, {}, false, 1, 1, {},
   {{"gif-inside.gif", "COPY"}}},
  {"DotfilesAreNoFormat", true, {"{S}.gitconfig", "{S}corpus.time", "{S}b.jpg"}, {},
   {Answer::Ok, Answer::Ok}, false, 3, 1,
   {"Information|The file, {S}.gitconfig, is not a supported image format",
    "Information|The file, {S}corpus.time, is not a supported image format"},
   {{"b.jpg", "COPY"}}},
  {"FullDiskConversionKeepsOld", false, {"{S}photo.bmp"}, {"photo.jpg"},
   {Answer::Yes, Answer::Cancel}, true, 0, 0,
   {Overwrite("photo.jpg"), kCopyError + "photo.bmp" + kCopyErrorEnd}, {{"photo.jpg", "OLD"}}},
  {"FullDiskCopyKeepsOld", false, {"{S}photo.jpg"}, {"photo.jpg"}, {Answer::Yes, Answer::Ok},
   true, 1, 0, {Overwrite("photo.jpg"),
                "Warning|An error was encountered copying the file, {S}photo.jpg!",
                kCopyError + "photo.jpg" + kCopyErrorEnd}, {{"photo.jpg", "OLD"}}},
  // The target is the source itself through a link: it must not be deleted or rewritten.
  {"OwnTargetThroughALink", false, {"{L}/x.jpg"}, {"x.jpg"}, {}, false, 0, 0, {kSameFolder},
   {{"x.jpg", "OLD"}}},
  {"DropInOrderPastAnUnsupportedFile", true, {"{S}a.bmp", "{S}notes.txt", "{S}b.jpg"}, {},
   {Answer::Ok}, false, 3, 2, {kNotes}, {{"a.jpg", "JPEG"}, {"b.jpg", "COPY"}}},
  {"DropOntoItsOwnFolderStops", true, {"{S}a.jpg", "{R}x.jpg", "{S}b.jpg"}, {"x.jpg"}, {}, false,
   1, 1, {kSameFolder}, {{"a.jpg", "COPY"}, {"x.jpg", "OLD"}}},
  // Several files over existing ones: Yes to All and No to All answer for the rest of the drop.
  {"DropYesToAllReplacesTheRest", true, {"{S}a.jpg", "{S}b.jpg", "{S}c.jpg"},
   {"a.jpg", "b.jpg", "c.jpg"}, {Answer::YesToAll}, false, 3, 3, {Overwrite("a.jpg")},
   {{"a.jpg", "COPY"}, {"b.jpg", "COPY"}, {"c.jpg", "COPY"}}},
  {"DropYesThenNoToAll", true, {"{S}a.jpg", "{S}b.jpg", "{S}d.jpg", "{S}c.jpg"},
   {"a.jpg", "b.jpg", "c.jpg"}, {Answer::Yes, Answer::NoToAll}, false, 4, 2,
   {Overwrite("a.jpg"), Overwrite("b.jpg")},
   {{"a.jpg", "COPY"}, {"b.jpg", "OLD"}, {"c.jpg", "OLD"}, {"d.jpg", "COPY"}}},
  {"DropOfOneOverAnExistingFile", true, {"{S}a.jpg"}, {"a.jpg"}, {Answer::No}, false, 1, 0,
   {Overwrite("a.jpg")}, {{"a.jpg", "OLD"}}},
  {"DropCancelStopsTheSeries", true, {"{S}a.jpg", "{S}b.jpg"}, {"a.jpg", "b.jpg"},
   {Answer::Cancel}, false, 0, 0, {Overwrite("a.jpg")}, {{"a.jpg", "OLD"}, {"b.jpg", "OLD"}}},
};
// clang-format on

class AddImageTest : public ::testing::TestWithParam<Case> {
 protected:
  std::string Expand(const std::string& text) const {
    return ReplaceAll(ReplaceAll(ReplaceAll(text, "{S}", source_), "{R}", rotation_), "{L}", link_);
  }
  TempDir dir_;
  std::string source_ = dir_ / "from/", rotation_ = dir_ / "site/Rotation1/", link_ = dir_ / "link";
};

TEST_P(AddImageTest, AsksCopiesOrConvertsAndNeverLosesAFile) {
  const Case& c = GetParam();
  std::filesystem::create_directories(source_);
  std::filesystem::create_directories(rotation_);
  std::filesystem::create_directory_symlink(rotation_, link_);
  std::vector<std::string> paths, boxes, expected_boxes;
  for (const auto& path : c.paths) {
    paths.push_back(Expand(path));
    if (path.starts_with("{S}")) WriteFile(paths.back(), SourceContent(FileNamePart(paths.back())));
  }
  for (const auto& name : c.existing) WriteFile(rotation_ + name, "OLD " + name);
  const testing::Tree sources = testing::ReadTree(source_);
  ScriptedInteraction ui;
  for (Answer a : c.answers) ui.QueueAnswer(a);
  FullDisk full;
  ScopedFileSystem scoped(c.full_disk ? static_cast<FileSystem&>(full) : RealFileSystem());
  std::size_t added = 99;
  bool one = false;
  EXPECT_EQ(c.drop
                ? DropFiles(ui, paths, rotation_, kQualityOption, &added)
                : AddImage(ui, paths[0], rotation_ + FileNamePart(paths[0]), kQualityOption, &one),
            c.result);
  EXPECT_EQ(c.drop ? added : one, c.added);
  for (const auto& m : ui.messages()) {
    boxes.push_back(std::string(MessageKindName(m.kind)) + "|" + m.text);
    // Yes to All and No to All are offered exactly when several files go in one series.
    if (m.kind == MessageKind::Confirmation) {
      EXPECT_EQ(m.buttons, paths.size() > 1 ? Buttons::YesAllNoAllCancel : Buttons::YesNoCancel);
    }
  }
  for (const auto& b : c.boxes) expected_boxes.push_back(Expand(b));
  EXPECT_EQ(boxes, expected_boxes);
  EXPECT_EQ(ui.unused_answers(), 0u);
  testing::Tree expected;
  for (const auto& [name, what] : c.after) {
    if (what == "HEIC") {  // lossy: the conversion of what its reader gives
      const std::string& heic = sources.at("phone.heic");
      const std::vector<std::uint8_t> bytes(heic.begin(), heic.end());
      expected[name] =
          AsString(WriteJpeg(ChooseReader(bytes, "heic")->Read(bytes, 0, {}), 63, true));
      continue;
    }
    expected[name] = what == "OLD"    ? "OLD " + name
                     : what == "JPEG" ? AsString(WriteJpeg(Picture(), 63, true))
                                      : SourceContent(name);
  }
  EXPECT_EQ(testing::ReadTree(rotation_), expected);
  EXPECT_EQ(testing::ReadTree(source_), sources);
}

INSTANTIATE_TEST_SUITE_P(Cases, AddImageTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A failure whose cause is known and is not the disk names the file and the cause in the box; a
// failed write keeps the copying warning's disk-space wording, the system's reason logged for the
// box's details. Nothing is written either way.
TEST(AddImageMessages, NameTheRealCause) {
  TempDir dir;
  const std::string from = dir / "from/", to = dir / "to/";
  WriteFile(from + "a.bmp", SourceContent("a.bmp"));
  WriteFile(from + "broken.png", "\x89PNG\r\n\x1a\n and then no chunks at all");
  std::filesystem::create_directories(to);
  std::string damaged = "<none>";
  try {
    PixelGraphic().LoadFromFile(from + "broken.png");
  } catch (const std::exception& e) {
    damaged = e.what();
  }
  const struct {
    const char* row;
    std::string source, destination;
    bool full_disk;
    std::string reason, log;  // the box says "Error encountered copying the file, SOURCE!  " first
  } cases[] = {
      {"MissingFolder", from + "a.bmp", dir / "gone/a.bmp", false,
       "The folder, " + dir.path() + "gone/, could not be located", ""},
      {"MissingSource", from + "gone.jpg", to + "gone.jpg", false,
       "It could not be read (No such file or directory)", ""},
      {"DamagedPicture", from + "broken.png", to + "broken.png", false,
       "Its picture cannot be read (" + damaged + ")", ""},
      {"FullDisk", from + "a.bmp", to + "a.bmp", true,
       "You may be out of disk space or do not have write access to the directory you are copying "
       "to",
       "Writing " + to + "a.jpg: No space left on device"},
  };
  EXPECT_TRUE(damaged.starts_with("PNG: ")) << damaged;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    ScriptedInteraction ui;
    ui.QueueAnswer(Answer::Ok);
    FullDisk full;
    ScopedFileSystem scoped(c.full_disk ? static_cast<FileSystem&>(full) : RealFileSystem());
    bool added = true;
    EXPECT_TRUE(AddImage(ui, c.source, c.destination, 80, &added));
    EXPECT_FALSE(added);
    ASSERT_EQ(ui.messages().size(), 1u);
    const auto& box = ui.messages()[0];
    EXPECT_EQ(std::tuple(box.kind, box.buttons, box.text),
              std::tuple(MessageKind::Warning, Buttons::OkCancel,
                         "Error encountered copying the file, " + c.source + "!  " + c.reason));
    EXPECT_EQ(ui.logs(),
              c.log.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.log});
    EXPECT_TRUE(std::filesystem::is_empty(to));
  }
}

Raster Solid(int width, int height, Rgb colour) {
  Raster image;
  image.Allocate(width, height, 24);
  for (std::size_t i = 0; i < image.pixels.size(); i += 3) {
    image.pixels[i] = colour.r, image.pixels[i + 1] = colour.g, image.pixels[i + 2] = colour.b;
  }
  return image;
}

// Writes the image in `format` with this modification time.
void WriteImage(const std::string& path, const Raster& image, const char* format,
                std::int64_t mtime) {
  const auto data = FindWriter(format)->Write(image, {});
  testing::WriteFile(path, std::string(data.begin(), data.end()));
  const utimbuf times{static_cast<time_t>(mtime), static_cast<time_t>(mtime)};
  ASSERT_EQ(::utime(path.c_str(), &times), 0);
}

// A grid of `count` files img0.jpg... in `cols` columns.
void Fill(ThumbGrid& grid, int count, int cols = 3) {
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) names.push_back("img" + std::to_string(i) + ".jpg");
  grid.SetColCount(cols);
  grid.SetFileSource({"/p", names}, false, false);
}

std::set<int> SelectedItems(const ThumbGrid& grid) {
  std::set<int> items;
  for (int i = 0; i < grid.ItemCount(); ++i) {
    if (grid.Selected(i)) items.insert(i);
  }
  return items;
}

TEST(ThumbGridLayout, FittingAndCaptions) {
  EXPECT_EQ(FitIntoBox(200, 100, {10, 20, 90, 75}), (GridRect{10, 35, 90, 45}));
  EXPECT_EQ(FitIntoBox(10, 20, {10, 20, 90, 75}), (GridRect{36, 20, 37, 75}));

  const auto one_per_byte = [](std::string_view text) { return static_cast<int>(text.size()); };
  // Two dots, whole letters.
  EXPECT_EQ(ShortenCaption("caf\xC3\xA9s.jpg", 6, one_per_byte), "caf..");
}

TEST(ThumbGridSelection, MouseClicks) {
  // 'p' plain, 'c' Ctrl, 's' Shift, 'b' Ctrl+Shift, 'r' right, 'd' press only; -1 past the end.
  // Each row: the clicks, the selection and the current item after them, multiple selection on.
  const std::tuple<std::vector<std::pair<int, char>>, std::set<int>, int, bool> cases[] = {
      {{{0, 'p'}, {6, 'c'}, {8, 'b'}}, {0, 6, 7, 8}, 8, true},
      {{{0, 'p'}, {7, 'c'}, {0, 'd'}}, {0, 7}, 0, true},  // the release leaves only it
      {{{0, 'p'}, {7, 'c'}, {0, 'p'}}, {0}, 0, true},
      {{{0, 'p'}, {3, 'c'}, {3, 'r'}}, {0, 3}, 3, true},
      {{{1, 'p'}, {-1, 'p'}}, {1}, 1, true},
      {{{1, 'p'}, {4, 'c'}, {6, 's'}}, {6}, 6, false},
  };
  for (const auto& [clicks, selected, current, multiple] : cases) {
    SCOPED_TRACE(::testing::PrintToString(clicks));
    ThumbGrid grid;
    grid.MultipleSelect = multiple;
    Fill(grid, 9);
    for (const auto& [item, how] : clicks) {
      const GridModifiers modifiers{how == 's' || how == 'b', how == 'c' || how == 'b'};
      grid.MouseDown(item, how == 'r' ? GridButton::Right : GridButton::Left, modifiers);
      if (how != 'd') grid.MouseUp(modifiers);
    }
    EXPECT_EQ(std::pair(SelectedItems(grid), grid.Current()), std::pair(selected, current));
  }
}

TEST(ThumbGridSelection, Keys) {
  // 7 files in 3 columns: 0 1 2 / 3 4 5 / 6; to -1: no move.
  using enum GridKey;
  const std::tuple<int, GridKey, int> cases[] = {
      {2, Down, 5}, {5, Down, -1}, {6, Down, 1},     {1, Up, 6},     {0, Up, -1},   {2, Right, 3},
      {3, Left, 2}, {1, End, 6},   {5, PageDown, 6}, {4, PageUp, 1}, {2, Shift, -1}};
  for (const auto& [from, key, to] : cases) {
    SCOPED_TRACE(::testing::Message() << "from " << from << ", key " << int(key));
    ThumbGrid grid;
    grid.DisableComponentKeyEventHandling = false;
    Fill(grid, 7);
    grid.MouseDown(from, GridButton::Left, {});
    grid.MouseUp({});
    grid.TakeScrollTarget();
    EXPECT_EQ(grid.KeyDown(key, {}, 2, 3), to >= 0);
    EXPECT_EQ(grid.Current(), to >= 0 ? to : from);
    EXPECT_EQ(SelectedItems(grid), std::set<int>{grid.Current()});
    EXPECT_EQ(grid.TakeScrollTarget(), to >= 0 ? std::optional<int>(to) : std::nullopt);
  }
}

TEST(ThumbCaches, MemorySlots) {
  // The 101st thumbnail takes the oldest slot.
  ThumbMemoryCache memory(100);
  for (int i = 0; i < 101; ++i)
    EXPECT_EQ(memory.Store({"/p/" + std::to_string(i), 10, i}, Solid(2, 2, {})), i % 100);
  EXPECT_EQ(memory.Find({"/p/0", 10, 0}), nullptr);
  EXPECT_NE(memory.Find({"/p/1", 10, 1}), nullptr);
}

TEST(ThumbMaking, FormatsAndRewrites) {
  TempDir dir;
  WriteImage(dir / "photo.jpg", Solid(300, 200, {255, 0, 0}), "jpg", 1'700'000'000);
  WriteImage(dir / "drawing.png", Solid(40, 40, {0, 0, 255}), "png", 1000);
  testing::WriteFile(dir / "broken.jpg", "not a JPEG at all");
  ThumbGrid grid;
  grid.SetThumbDisplayType(ThumbDisplay::tdtLargeIcon);
  grid.SetFileSource({dir.path(), {"photo.jpg", "drawing.png", "broken.jpg"}}, true, true);
  bool wanted = false;
  for (int i = 0; i < grid.ItemCount(); ++i) {
    if (grid.Thumbnail(i, &wanted); wanted) {
      grid.ThumbnailMade(MakeGridThumbnail(*grid.Stamp(i), grid.Recipe()));
    }
  }
  const Raster* red = grid.Thumbnail(0, &wanted);
  ASSERT_NE(red, nullptr);
  EXPECT_EQ(std::pair(red->width, red->height), std::pair(90, 60));  // fitted into 90 x 75
  // A PNG outside "*.jpg;*.bmp;*.jpeg;" and a damaged JPEG show no image and are not asked for
  // again.
  for (int i : {1, 2}) {
    EXPECT_EQ(grid.Thumbnail(i, &wanted), nullptr);
    EXPECT_FALSE(wanted);
  }

  // The photograph rewritten under its name gets a fresh thumbnail, not the cached one.
  WriteImage(dir / "photo.jpg", Solid(300, 200, {0, 0, 255}), "jpg", 1'700'000'100);
  grid.SetFileSource({dir.path(), {"photo.jpg"}}, true, true);
  EXPECT_EQ(grid.Thumbnail(0, &wanted), nullptr);
  EXPECT_TRUE(wanted);
  EXPECT_GT(MakeGridThumbnail(*grid.Stamp(0), grid.Recipe()).image->ColorAt(45, 30).b, 200);
}

TEST(SharedThumbnails, NamesFreshnessAndRoundTrip) {
  // The example of the thumbnail standard.
  EXPECT_EQ(Md5Hex("file:///home/jens/photos/me.png"), "c6ee772d9e49320e97ec29a7eb5b1697");
  EXPECT_EQ(FileUri("/home/a b/\xC3\xA9t#1.jpg"), "file:///home/a%20b/%C3%A9t%231.jpg");
  EXPECT_EQ(FileUri("relative/a.jpg"), "");
  TempDir dir;
  const SharedThumbnailCache shared(dir / "thumbnails");
  const std::string source = dir / "photo one.jpg";
  const std::string file = shared.ThumbnailPath(source, SharedThumbSize::Normal);
  EXPECT_EQ(file, dir / "thumbnails/normal/" + Md5Hex(FileUri(source)) + ".png");
  ASSERT_TRUE(shared.Write(source, 1000, SharedThumbSize::Normal, Solid(128, 96, {0, 200, 0})));
  // Readable by the user alone.
  EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0600));
  const std::string png = testing::ReadFile(file);  // its keys, as a file manager reads them
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(png.substr(24, 2), std::string("\x08\x06", 2));  // 8 bits a channel, RGBA
  EXPECT_NE(png.find(std::string("tEXtThumb::URI\0", 15) + FileUri(source)), std::string::npos);
  EXPECT_NE(png.find(std::string("tEXtThumb::MTime\0", 17) + "1000"), std::string::npos);
  // A source changed since, or a thumbnail of another file under this name, is stale.
  EXPECT_FALSE(shared.Read(source, 1001, SharedThumbSize::Normal).has_value());
  testing::WriteFile(shared.ThumbnailPath(dir / "other.jpg", SharedThumbSize::Normal), png);
  EXPECT_FALSE(shared.Read(dir / "other.jpg", 1000, SharedThumbSize::Normal).has_value());
  // Too large for its size, or inside the cache itself: not written.
  EXPECT_FALSE(shared.Write(source, 1000, SharedThumbSize::Normal, Solid(129, 10, {})));
  EXPECT_FALSE(shared.Write(file, 1000, SharedThumbSize::Normal, Solid(10, 10, {})));
}

// The URI a file manager hashes keeps every character GLib leaves as it is, so that a photograph
// with one of them in its name finds the thumbnail the file manager made, and the other way round.
TEST(SharedThumbnails, UriAndNameAsFileManagersSpellThem) {
  const SharedThumbnailCache shared("/cache/thumbnails");
  for (const char* path :
       {"/p/IMG (1).jpg", "/p/a!b.jpg", "/p/it's.jpg", "/p/a*b.jpg", "/p/a+b.jpg", "/p/a,b.jpg",
        "/p/a=b.jpg", "/p/a@b.jpg", "/p/a&b.jpg", "/p/a$b.jpg", "/p/a%b.jpg", "/p/a#b?.jpg"}) {
    SCOPED_TRACE(path);
    gchar* glib = g_filename_to_uri(path, nullptr, nullptr);
    ASSERT_NE(glib, nullptr);
    const std::string uri = glib;
    g_free(glib);
    EXPECT_EQ(FileUri(path), uri);
    EXPECT_EQ(shared.ThumbnailPath(path, SharedThumbSize::Large),
              "/cache/thumbnails/large/" + Md5Hex(uri) + ".png");
  }
}

// A white PNG as another program writes it: `format` of libpng's simplified API (grey, RGB,
// RGBA, 8 or 16 bits a channel), with the thumbnail keys of a source last changed at 1000.
std::string ForeignThumbnail(png_uint_32 format, const std::string& uri) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = 40;
  image.height = 30;
  image.format = format;
  const std::vector<std::uint8_t> white(PNG_IMAGE_SIZE(image), 0xFF);
  png_alloc_size_t size = 0;
  EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, white.data(), 0, nullptr));
  std::string png(size, '\0');
  EXPECT_TRUE(png_image_write_to_memory(&image, png.data(), &size, 0, white.data(), 0, nullptr));
  png.resize(size);
  const auto word = [](std::size_t w) {
    return std::string{char(w >> 24), char(w >> 16), char(w >> 8), char(w)};
  };
  std::string chunks;
  for (const auto& [key, value] :
       {std::pair<std::string, std::string>{"Thumb::URI", uri}, {"Thumb::MTime", "1000"}}) {
    const std::string body = "tEXt" + key + '\0' + value;
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()));
    chunks += word(body.size() - 4) + body + word(crc);
  }
  png.insert(33, chunks);  // after the signature and the header chunk
  return png;
}

TEST(SharedThumbnails, AFreshForeignThumbnailIsReadAndNeverReplaced) {
  const std::tuple<const char*, png_uint_32> cases[] = {
      {"8-bit grey", PNG_FORMAT_GRAY},
      {"8-bit RGB", PNG_FORMAT_RGB},
      {"16-bit RGBA", PNG_FORMAT_LINEAR_RGB_ALPHA},
      {"16-bit grey", PNG_FORMAT_LINEAR_Y},
  };
  for (const auto& [name, format] : cases) {
    SCOPED_TRACE(name);
    TempDir dir;
    const SharedThumbnailCache shared(dir / "thumbnails");
    const std::string source = dir / "IMG (1).jpg";
    const std::string file = shared.ThumbnailPath(source, SharedThumbSize::Normal);
    std::filesystem::create_directories(dir / "thumbnails/normal");
    const std::string foreign = ForeignThumbnail(format, FileUri(source));
    WriteFile(file, foreign);
    const auto read = shared.Read(source, 1000, SharedThumbSize::Normal);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(std::tuple(read->bits, read->width, read->ColorAt(5, 5)),
              std::tuple(24, 40, Rgb{255, 255, 255}));
    // Fresh: kept as it is.
    EXPECT_FALSE(shared.Write(source, 1000, SharedThumbSize::Normal, Solid(20, 20, {0, 0, 0})));
    EXPECT_EQ(testing::ReadFile(file), foreign);
    // Stale (the photograph changed since): replaced by ours.
    EXPECT_TRUE(shared.Write(source, 1001, SharedThumbSize::Normal, Solid(20, 20, {10, 20, 30})));
    EXPECT_EQ(shared.Read(source, 1001, SharedThumbSize::Normal)->ColorAt(5, 5), (Rgb{10, 20, 30}));
  }
}

}  // namespace
}  // namespace parvel
