// Adding image files to a rotation's folder: the format lists, addimage's questions, messages and
// conversion, what a failure or a file that is its own target leaves behind, and a drop.
#include "images/addimage.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/fileparts.h"
#include "base/textutil.h"
#include "imaging/formats/bmp.h"
#include "imaging/formats/jpeg.h"
#include "imaging/formats/png.h"
#include "support/faulty_filesystem.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::TempDir;
using testing::WriteFile;

TEST(FormatLists, ExtensionMatchesAWholeEntryOrItsLongForm) {
  const std::tuple<const char*, bool, bool> cases[] = {
      {"/p/PHOTO.JPE", true, true},    {"/p/a.jpeg", true, true}, {"/p/a.tiff", true, false},
      {"/p/a.heic", true, false},      {"/p/a.jp", false, false}, {"/p/a.p", false, false},
      {"/p.jpg/readme", false, false}, {"/p/a.pn", false, false}};
  for (const auto& [path, supported, html] : cases) {
    EXPECT_EQ(checksupportedformat(path), supported) << path;
    EXPECT_EQ(checkHTMLsupportedformat(path), html) << path;
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

std::string SourceContent(const std::string& name) {
  if (name.ends_with(".bmp")) return AsString(WriteBmp(Picture()));
  if (name == "photo.png") return AsString(WritePng(Picture()));
  if (name.ends_with(".jpg")) return AsString(WriteJpeg(Picture(), 90, false));
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
  bool drop;  // DropFiles with every path, else addimage with the one path
  std::vector<std::string> paths, existing;  // existing ones hold "OLD name"
  std::vector<Answer> answers;
  bool full_disk;
  std::size_t result, added;  // addimage: 1 to go on, 0 to stop; a drop: the paths dealt with
  std::vector<std::string> boxes;
  std::map<std::string, std::string> after;
};

const std::string kOverwrite =
    "Confirmation|A file by the name of {R}photo.jpg already exists.  Are you sure you want to "
    "overwrite it?";
const std::string kCopyError = "Warning|Error encountered copying the file, {S}";
const std::string kCopyErrorEnd =
    "!  You may be out of disk space or do not have write access to the directory you are "
    "copying to";
const std::string kNotes = "Information|The file, {S}notes.txt, is not a supported image format";
const std::string kSameFolder = "Warning|The destination folder is the same as the source!";

// clang-format off
const Case kCases[] = {
  {"UnsupportedCancelStops", false, {"{S}notes.txt"}, {}, {Answer::Cancel}, false, 0, 0, {kNotes},
   {}},
  {"ExistingYesReplaced", false, {"{S}photo.png"}, {"photo.jpg"}, {Answer::Yes}, false, 1, 1,
   {kOverwrite}, {{"photo.jpg", "JPEG"}}},
  {"UnreadableSourceKeepsOld", false, {"{S}photo.ppm"}, {"photo.jpg"}, {Answer::Yes, Answer::Ok},
   false, 1, 0, {kOverwrite, kCopyError + "photo.ppm" + kCopyErrorEnd}, {{"photo.jpg", "OLD"}}},
  {"FullDiskConversionKeepsOld", false, {"{S}photo.bmp"}, {"photo.jpg"},
   {Answer::Yes, Answer::Cancel}, true, 0, 0,
   {kOverwrite, kCopyError + "photo.bmp" + kCopyErrorEnd}, {{"photo.jpg", "OLD"}}},
  {"FullDiskCopyKeepsOld", false, {"{S}photo.jpg"}, {"photo.jpg"}, {Answer::Yes, Answer::Ok},
   true, 1, 0, {kOverwrite, "Warning|An error was encountered copying the file, {S}photo.jpg!",
                kCopyError + "photo.jpg" + kCopyErrorEnd}, {{"photo.jpg", "OLD"}}},
  // The target is the source itself through a link: it must not be deleted or rewritten.
  {"OwnTargetThroughALink", false, {"{L}/x.jpg"}, {"x.jpg"}, {}, false, 0, 0, {kSameFolder},
   {{"x.jpg", "OLD"}}},
  {"DropInOrderPastAnUnsupportedFile", true, {"{S}a.bmp", "{S}notes.txt", "{S}b.jpg"}, {},
   {Answer::Ok}, false, 3, 2, {kNotes}, {{"a.jpg", "JPEG"}, {"b.jpg", "COPY"}}},
  {"DropOntoItsOwnFolderStops", true, {"{S}a.jpg", "{R}x.jpg", "{S}b.jpg"}, {"x.jpg"}, {}, false,
   1, 1, {kSameFolder}, {{"a.jpg", "COPY"}, {"x.jpg", "OLD"}}},
};
// clang-format on

class AddImage : public ::testing::TestWithParam<Case> {
 protected:
  std::string Expand(const std::string& text) const {
    return ReplaceAll(ReplaceAll(ReplaceAll(text, "{S}", source_), "{R}", rotation_), "{L}", link_);
  }
  TempDir dir_;
  std::string source_ = dir_ / "from/", rotation_ = dir_ / "site/Rotation1/", link_ = dir_ / "link";
};

TEST_P(AddImage, AsksCopiesOrConvertsAndNeverLosesAFile) {
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
                : addimage(ui, paths[0], rotation_ + FileNamePart(paths[0]), kQualityOption, &one),
            c.result);
  EXPECT_EQ(c.drop ? added : one, c.added);
  for (const auto& m : ui.messages())
    boxes.push_back(std::string(MessageKindName(m.kind)) + "|" + m.text);
  for (const auto& b : c.boxes) expected_boxes.push_back(Expand(b));
  EXPECT_EQ(boxes, expected_boxes);
  EXPECT_EQ(ui.unused_answers(), 0u);
  testing::Tree expected;
  for (const auto& [name, what] : c.after) {
    expected[name] = what == "OLD"    ? "OLD " + name
                     : what == "JPEG" ? AsString(WriteJpeg(Picture(), 63, true))
                                      : SourceContent(name);
  }
  EXPECT_EQ(testing::ReadTree(rotation_), expected);
  EXPECT_EQ(testing::ReadTree(source_), sources);
}

INSTANTIATE_TEST_SUITE_P(Cases, AddImage, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace parvel
