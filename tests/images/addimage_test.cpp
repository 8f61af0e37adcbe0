// Adding image files to a rotation's folder: the format checks, the questions and messages of
// addimage, its conversion, and what a failure or a file that is its own target leaves behind;
// then a drop of several files.
#include "images/addimage.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/fileparts.h"
#include "imaging/PGraphic.h"
#include "imaging/exif.h"
#include "imaging/formats/bmp.h"
#include "imaging/formats/jpeg.h"
#include "imaging/formats/png.h"
#include "platform/filesystem.h"
#include "support/photo_encoders.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::ReadTree;
using testing::TempDir;
using testing::Tree;
using testing::WriteFile;

struct ListCase {
  const char* path;
  bool supported;
  bool html;
};

const ListCase kListCases[] = {
    {"/p/photo.jpg", true, true},     {"/p/PHOTO.JPE", true, true},
    {"/p/a.jpeg", true, true},   // ".JP" begins "*.JPE"
    {"/p/a.tiff", true, false},  // ".TI" begins "*.TIF"
    {"/p/a.gif", true, true},         {"/p/a.png", true, false},
    {"/p/a.ppm", true, false},        {"/p/a.heic", true, false},
    {"/p/a.HEIF", true, false},       {"/p/a.avif", true, false},
    {"/p/a.webp", true, false},       {"/p/a.jp", false, false},
    {"/p/a.p", false, false},         {"/p/a.", false, false},
    {"/p/noextension", false, false}, {"/p.jpg/readme", false, false},
    {"/p/notes.txt", false, false},   {"/p/a.pn", false, false},
};

TEST(FormatLists, ExtensionMatchesAWholeEntryOrItsLongForm) {
  for (const ListCase& c : kListCases) {
    EXPECT_EQ(checksupportedformat(c.path), c.supported) << c.path;
    EXPECT_EQ(checkHTMLsupportedformat(c.path), c.html) << c.path;
  }
}

std::string AsString(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// The picture every source file holds, and the JPEG its conversion must give.
Raster Picture() {
  Raster r;
  r.Allocate(12, 8, 24);
  for (std::size_t i = 0; i < r.pixels.size(); ++i) {
    r.pixels[i] = static_cast<std::uint8_t>(i * 37 % 251);
  }
  return r;
}
constexpr int kQualityOption = 0x100 + 63;  // the quality is the option's low byte
std::string ExpectedJpeg() {
  return AsString(WriteJpeg(Picture(), 63, true));
}

std::string SourceContent(const std::string& name) {
  if (name.ends_with(".bmp")) return AsString(WriteBmp(Picture()));
  if (name.ends_with(".png") && name != "broken.png") {
    return AsString(WritePng(Picture()));
  }
  if (name.ends_with(".jpeg") || name.ends_with(".jpg")) {
    return AsString(WriteJpeg(Picture(), 90, false));
  }
  return "not a picture: " + name;
}

// A full disk: nothing new can be written, but removing and renaming still work, so a step that
// removed the old file before its successor was written would lose it here.
class FullDisk : public FileSystem {
 public:
  bool WriteFileAtomic(const std::string&, std::string_view, std::string* e) override {
    return Full(e);
  }
  bool WriteFileReplace(const std::string&, std::string_view, std::string* e) override {
    return Full(e);
  }
  bool CopyFile(const std::string&, const std::string&, std::string* e) override { return Full(e); }
  bool CreateDirectory(const std::string&, std::string* e) override { return Full(e); }
  bool Remove(const std::string& p, std::string* e) override { return disk_.Remove(p, e); }
  bool RemoveAll(const std::string& p, std::string* e) override { return disk_.RemoveAll(p, e); }
  bool MakeWritable(const std::string& p, std::string* e) override {
    return disk_.MakeWritable(p, e);
  }
  bool Rename(const std::string& a, const std::string& b, std::string* e) override {
    return disk_.Rename(a, b, e);
  }

 private:
  static bool Full(std::string* e) {
    if (e != nullptr) *e = "No space left on device";
    return false;
  }
  FileSystem& disk_ = RealFileSystem();
};

// Paths use {S} (the source folder: such files are made by the test, except "gone" ones), {R}
// (the rotation's folder) and {L} (a link to it).
struct Case {
  const char* name;
  bool drop;  // DropFiles with every path, else addimage with the one path
  std::vector<std::string> paths;
  std::vector<std::string> existing;  // in the rotation's folder beforehand, holding "OLD name"
  std::vector<Answer> answers;
  bool full_disk;
  std::size_t result;  // addimage: 1 to go on, 0 to stop; a drop: the paths dealt with
  std::size_t added;
  std::vector<std::string> boxes;
  // The rotation's folder afterwards, and nothing else: "OLD" as it was, "COPY" the source of
  // the same name, "JPEG" the progressive conversion of the picture.
  std::map<std::string, std::string> after;
};

const std::string kOverwrite =
    "Confirmation|A file by the name of {R}photo.jpg already exists.  Are you sure you want to "
    "overwrite it?";
const std::string kOverwriteBroken =
    "Confirmation|A file by the name of {R}broken.jpg already exists.  Are you sure you want to "
    "overwrite it?";
const std::string kCopyError = "Warning|Error encountered copying the file, {S}";
const std::string kCopyErrorEnd =
    "!  You may be out of disk space or do not have write access to the directory you are "
    "copying to";
const std::string kNotes = "Information|The file, {S}notes.txt, is not a supported image format";
const std::string kSameFolder = "Warning|The destination folder is the same as the source!";

// clang-format off
const Case kCases[] = {
  {"BmpBecomesProgressiveJpeg", false, {"{S}photo.bmp"}, {}, {}, false, 1, 1, {},
   {{"photo.jpg", "JPEG"}}},
  {"JpegCopiedUnchanged", false, {"{S}photo.jpeg"}, {}, {}, false, 1, 1, {},
   {{"photo.jpeg", "COPY"}}},
  {"UnsupportedOkGoesOn", false, {"{S}notes.txt"}, {}, {Answer::Ok}, false, 1, 0, {kNotes}, {}},
  {"UnsupportedCancelStops", false, {"{S}notes.txt"}, {}, {Answer::Cancel}, false, 0, 0,
   {kNotes}, {}},
  {"ExistingNoSkips", false, {"{S}photo.png"}, {"photo.jpg"}, {Answer::No}, false, 1, 0,
   {kOverwrite}, {{"photo.jpg", "OLD"}}},
  {"ExistingCancelStops", false, {"{S}photo.png"}, {"photo.jpg"}, {Answer::Cancel}, false, 0, 0,
   {kOverwrite}, {{"photo.jpg", "OLD"}}},
  {"ExistingYesReplaced", false, {"{S}photo.png"}, {"photo.jpg"}, {Answer::Yes}, false, 1, 1,
   {kOverwrite}, {{"photo.jpg", "JPEG"}}},
  {"UnreadableSourceKeepsOld", false, {"{S}broken.png"}, {"broken.jpg"}, {Answer::Yes, Answer::Ok},
   false, 1, 0, {kOverwriteBroken, kCopyError + "broken.png" + kCopyErrorEnd},
   {{"broken.jpg", "OLD"}}},
  {"FullDiskConversionKeepsOld", false, {"{S}photo.bmp"}, {"photo.jpg"},
   {Answer::Yes, Answer::Cancel}, true, 0, 0,
   {kOverwrite, kCopyError + "photo.bmp" + kCopyErrorEnd}, {{"photo.jpg", "OLD"}}},
  {"FullDiskCopyKeepsOld", false, {"{S}photo.jpg"}, {"photo.jpg"}, {Answer::Yes, Answer::Ok},
   true, 1, 0, {kOverwrite, "Warning|An error was encountered copying the file, {S}photo.jpg!",
                kCopyError + "photo.jpg" + kCopyErrorEnd}, {{"photo.jpg", "OLD"}}},
  {"MissingSourceFails", false, {"{S}gone.jpg"}, {}, {Answer::Ok}, false, 1, 0,
   {kCopyError + "gone.jpg" + kCopyErrorEnd}, {}},
  // The target is the source itself under another name: it must not be deleted or rewritten.
  {"OwnTargetByAnotherSpelling", false, {"{R}./x.jpg"}, {"x.jpg"}, {}, false, 0, 0,
   {kSameFolder}, {{"x.jpg", "OLD"}}},
  {"OwnTargetThroughALink", false, {"{L}/x.jpg"}, {"x.jpg"}, {}, false, 0, 0, {kSameFolder},
   {{"x.jpg", "OLD"}}},
  {"DropInOrderPastAnUnsupportedFile", true, {"{S}a.bmp", "{S}notes.txt", "{S}b.jpg"}, {},
   {Answer::Ok}, false, 3, 2, {kNotes}, {{"a.jpg", "JPEG"}, {"b.jpg", "COPY"}}},
  {"DropOntoItsOwnFolderStops", true, {"{S}a.jpg", "{R}x.jpg", "{S}b.jpg"}, {"x.jpg"}, {}, false,
   1, 1, {kSameFolder}, {{"a.jpg", "COPY"}, {"x.jpg", "OLD"}}},
  {"DropOntoItsOwnFolderThroughALinkEvenToConvert", true, {"{L}/photo.bmp"}, {"photo.bmp"}, {},
   false, 0, 0, {kSameFolder}, {{"photo.bmp", "OLD"}}},
  {"DropStoppedByCancel", true, {"{S}notes.txt", "{S}b.jpg"}, {}, {Answer::Cancel}, false, 0, 0,
   {kNotes}, {}},
};
// clang-format on

class AddImage : public ::testing::TestWithParam<Case> {
 protected:
  std::string Expand(std::string text) const {
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"{S}", source_},
                                     {"{R}", rotation_},
                                     {"{L}", link_}}) {
      for (std::size_t at; (at = text.find(key)) != std::string::npos;) {
        text.replace(at, key.size(), value);
      }
    }
    return text;
  }
  std::vector<std::string> ExpandAll(const std::vector<std::string>& texts) const {
    std::vector<std::string> out;
    for (const auto& t : texts) out.push_back(Expand(t));
    return out;
  }

  TempDir dir_;
  std::string source_ = dir_ / "from/";
  std::string rotation_ = dir_ / "site/Rotation1/";
  std::string link_ = dir_ / "link";
};

TEST_P(AddImage, AsksCopiesOrConvertsAndNeverLosesAFile) {
  const Case& c = GetParam();
  std::filesystem::create_directories(source_);
  std::filesystem::create_directories(rotation_);
  std::filesystem::create_directory_symlink(rotation_, link_);
  for (const auto& path : c.paths) {
    const std::string name = FileNamePart(Expand(path));
    if (path.starts_with("{S}") && !name.starts_with("gone")) {
      WriteFile(source_ + name, SourceContent(name));
    }
  }
  for (const auto& name : c.existing) WriteFile(rotation_ + name, "OLD " + name);
  ScriptedInteraction ui;
  for (Answer a : c.answers) ui.QueueAnswer(a);
  const std::vector<std::string> paths = ExpandAll(c.paths);

  FullDisk full;
  std::size_t result = 0, added = 99;
  {
    ScopedFileSystem scoped(c.full_disk ? static_cast<FileSystem&>(full) : RealFileSystem());
    if (c.drop) {
      result = DropFiles(ui, paths, rotation_, kQualityOption, &added);
    } else {
      bool one = false;
      result = addimage(ui, paths[0], rotation_ + FileNamePart(paths[0]), kQualityOption, &one);
      added = one;
    }
  }
  EXPECT_EQ(result, c.result);
  EXPECT_EQ(added, c.added);
  std::vector<std::string> boxes;
  for (const auto& m : ui.messages()) {
    boxes.push_back(std::string(MessageKindName(m.kind)) + "|" + m.text);
  }
  EXPECT_EQ(boxes, ExpandAll(c.boxes));
  EXPECT_EQ(ui.unused_answers(), 0u);
  Tree expected;
  for (const auto& [name, what] : c.after) {
    expected[name] = what == "OLD"    ? "OLD " + name
                     : what == "JPEG" ? ExpectedJpeg()
                                      : SourceContent(name);
  }
  EXPECT_EQ(ReadTree(rotation_), expected);
  for (const auto& path : c.paths) {
    const std::string name = FileNamePart(Expand(path));
    if (path.starts_with("{S}") && !name.starts_with("gone")) {
      EXPECT_EQ(testing::ReadFile(source_ + name), SourceContent(name));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, AddImage, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Phones' and cameras' photographs become upright progressive JPEGs of the turned size.
TEST(AddPhoto, HeicAvifAndWebpBecomeUprightJpegs) {
  Raster original;
  original.Allocate(48, 32, 24);
  for (std::int32_t y = 0; y < original.height; ++y) {
    for (std::int32_t x = 0; x < original.width; ++x) {
      std::uint8_t* p = original.Row(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(40 + 4 * x);
      p[1] = static_cast<std::uint8_t>(60 + 5 * y);
      p[2] = static_cast<std::uint8_t>(x < 12 && y < 8 ? 250 : 30);
    }
  }
  const std::pair<const char*, int> cases[] = {
      {"phone.heic", 6}, {"camera.avif", 3}, {"web.webp", 8}};
  TempDir dir;
  ScriptedInteraction ui;
  for (const auto& [file, orientation] : cases) {
    const std::string name = file;
    const std::string jpeg = dir / changeextension(name, ".jpg");
    WriteFile(dir / ("in/" + name),
              AsString(name.ends_with(".heic")
                           ? testing::EncodeHeif(original, heif_compression_HEVC, orientation)
                       : name.ends_with(".avif")
                           ? testing::EncodeHeif(original, heif_compression_AV1, orientation)
                           : testing::EncodeWebp(original, orientation)));
    ASSERT_TRUE(addimage(ui, dir / ("in/" + name), dir / name, 90)) << name;
    EXPECT_FALSE(std::filesystem::exists(dir / name)) << name;
    EXPECT_NE(testing::ReadFile(jpeg).find("\xFF\xC2"), std::string::npos) << name;
    TPixelGraphic result;
    result.LoadFromFile(jpeg);
    Raster upright = original;
    ApplyOrientation(upright, orientation);
    ASSERT_EQ(result.Width(), upright.width) << name;
    ASSERT_EQ(result.Height(), upright.height) << name;
    double error = 0;  // small only where the bright corner block stands where it should
    for (std::size_t i = 0; i < upright.pixels.size(); ++i) {
      error += std::abs(int{upright.pixels[i]} - int{result.Pixels().pixels[i]});
    }
    EXPECT_LT(error / static_cast<double>(upright.pixels.size()), 8.0) << name;
  }
  EXPECT_TRUE(ui.messages().empty());
}

}  // namespace
}  // namespace parvel
