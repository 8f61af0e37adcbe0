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
bool IsProgressive(const std::string& jpeg) {
  return jpeg.find("\xFF\xC2", 0) != std::string::npos;
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

class AddImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(source_);
    std::filesystem::create_directories(rotation_);
    std::filesystem::create_directory_symlink(rotation_, link_);
  }
  // Placeholders {S}, {R}, {L}: the source folder, the rotation's folder, a link to the latter.
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
  // What each file of the rotation's folder must hold: "OLD" (as it was), "COPY" (the source
  // file of the same name) or "JPEG" (the conversion of the picture).
  Tree Expected(const std::map<std::string, std::string>& files) const {
    Tree tree;
    for (const auto& [name, what] : files) {
      tree[name] = what == "OLD"    ? "OLD " + name
                   : what == "JPEG" ? ExpectedJpeg()
                                    : SourceContent(name);
    }
    return tree;
  }
  std::vector<std::string> Boxes() const {
    std::vector<std::string> boxes;
    for (const auto& m : ui_.messages()) {
      boxes.push_back(std::string(MessageKindName(m.kind)) + "|" + m.text);
    }
    return boxes;
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
  ScriptedInteraction ui_;
};

const std::string kOverwrite =
    "Confirmation|A file by the name of {R}photo.jpg already exists.  Are you sure you want to "
    "overwrite it?";
const std::string kCopyError =
    "!  You may be out of disk space or do not have write access to the directory you are "
    "copying to";

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

struct AddCase {
  const char* name;
  std::string source;                 // in the source folder; made by the test
  std::vector<std::string> existing;  // in the rotation's folder beforehand, holding "OLD name"
  std::vector<Answer> answers;
  bool failing_disk;
  bool go_on;
  bool added;
  std::vector<std::string> boxes;
  std::map<std::string, std::string> after;  // the rotation's folder afterwards
};

const AddCase kAddCases[] = {
    {"BmpBecomesProgressiveJpeg",
     "photo.bmp",
     {},
     {},
     false,
     true,
     true,
     {},
     {{"photo.jpg", "JPEG"}}},
    {"JpegCopiedUnchanged", "photo.jpeg", {}, {}, false, true, true, {}, {{"photo.jpeg", "COPY"}}},
    {"UnsupportedOkGoesOn",
     "notes.txt",
     {},
     {Answer::Ok},
     false,
     true,
     false,
     {"Information|The file, {S}notes.txt, is not a supported image format"},
     {}},
    {"UnsupportedCancelStops",
     "notes.txt",
     {},
     {Answer::Cancel},
     false,
     false,
     false,
     {"Information|The file, {S}notes.txt, is not a supported image format"},
     {}},
    {"ExistingNoSkips",
     "photo.png",
     {"photo.jpg"},
     {Answer::No},
     false,
     true,
     false,
     {kOverwrite},
     {{"photo.jpg", "OLD"}}},
    {"ExistingCancelStops",
     "photo.png",
     {"photo.jpg"},
     {Answer::Cancel},
     false,
     false,
     false,
     {kOverwrite},
     {{"photo.jpg", "OLD"}}},
    {"ExistingYesReplaced",
     "photo.png",
     {"photo.jpg"},
     {Answer::Yes},
     false,
     true,
     true,
     {kOverwrite},
     {{"photo.jpg", "JPEG"}}},
    {"UnreadableSourceKeepsOld",
     "broken.png",
     {"broken.jpg"},
     {Answer::Yes, Answer::Ok},
     false,
     true,
     false,
     {"Confirmation|A file by the name of {R}broken.jpg already exists.  Are you sure you want "
      "to overwrite it?",
      "Warning|Error encountered copying the file, {S}broken.png" + kCopyError},
     {{"broken.jpg", "OLD"}}},
    {"FailedWriteKeepsOld",
     "photo.bmp",
     {"photo.jpg"},
     {Answer::Yes, Answer::Cancel},
     true,
     false,
     false,
     {kOverwrite, "Warning|Error encountered copying the file, {S}photo.bmp" + kCopyError},
     {{"photo.jpg", "OLD"}}},
    {"MissingSourceIsAFailure",
     "gone.jpg",
     {},
     {Answer::Ok},
     false,
     true,
     false,
     {"Warning|Error encountered copying the file, {S}gone.jpg" + kCopyError},
     {}},
    {"FailedCopyKeepsOld",
     "photo.jpg",
     {"photo.jpg"},
     {Answer::Yes, Answer::Ok},
     true,
     true,
     false,
     {kOverwrite, "Warning|An error was encountered copying the file, {S}photo.jpg!",
      "Warning|Error encountered copying the file, {S}photo.jpg" + kCopyError},
     {{"photo.jpg", "OLD"}}},
};

class AddOne : public AddImageTest, public ::testing::WithParamInterface<AddCase> {};

TEST_P(AddOne, AsksCopiesOrConvertsAndNeverLosesTheOldFile) {
  const AddCase& c = GetParam();
  if (c.source != "gone.jpg") WriteFile(source_ + c.source, SourceContent(c.source));
  for (const auto& name : c.existing) WriteFile(rotation_ + name, "OLD " + name);
  for (Answer a : c.answers) ui_.QueueAnswer(a);
  FullDisk full;
  bool added = !c.added;
  {
    ScopedFileSystem scoped(c.failing_disk ? static_cast<FileSystem&>(full) : RealFileSystem());
    EXPECT_EQ(addimage(ui_, source_ + c.source, rotation_ + c.source, kQualityOption, &added),
              c.go_on);
  }
  EXPECT_EQ(added, c.added);
  EXPECT_EQ(Boxes(), ExpandAll(c.boxes));
  EXPECT_TRUE(ui_.unexpected().empty());
  EXPECT_EQ(ui_.unused_answers(), 0u);
  EXPECT_EQ(ReadTree(rotation_), Expected(c.after));  // nothing else: no source, no temporary
  if (c.source != "gone.jpg") {
    EXPECT_EQ(testing::ReadFile(source_ + c.source), SourceContent(c.source));
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, AddOne, ::testing::ValuesIn(kAddCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AddImageTest, TheConversionIsAProgressiveJpeg) {
  ASSERT_TRUE(IsProgressive(ExpectedJpeg()));  // what the table's "JPEG" stands for
}

// The target is the source itself, under another name: nothing may be deleted or rewritten.
TEST_F(AddImageTest, ASourceThatIsItsOwnTargetIsLeftAlone) {
  const std::string photo = SourceContent("photo.jpg");
  WriteFile(rotation_ + "photo.jpg", photo);
  ASSERT_EQ(::link((rotation_ + "photo.jpg").c_str(), (source_ + "hard.jpg").c_str()), 0);
  const Tree before = ReadTree(rotation_);
  for (const std::string& source :
       {rotation_ + "photo.jpg", rotation_ + "./photo.jpg", link_ + "/photo.jpg"}) {
    ui_.Clear();
    EXPECT_FALSE(addimage(ui_, source, rotation_ + "photo.jpg", 80)) << source;
    EXPECT_EQ(Boxes(),
              std::vector<std::string>{"Warning|The destination folder is the same as the source!"})
        << source;
  }
  ui_.Clear();
  EXPECT_FALSE(addimage(ui_, source_ + "hard.jpg", rotation_ + "photo.jpg", 80));
  EXPECT_EQ(ui_.messages().size(), 1u);
  EXPECT_EQ(ReadTree(rotation_), before);
}

struct DropCase {
  const char* name;
  std::vector<std::string> sources;   // made in the source folder
  std::vector<std::string> existing;  // in the rotation's folder, holding "OLD name"
  std::vector<std::string> drop;
  std::vector<Answer> answers;
  std::size_t handled;
  std::size_t added;
  std::vector<std::string> boxes;
  std::map<std::string, std::string> after;
};

const std::string kSameFolder = "Warning|The destination folder is the same as the source!";

const DropCase kDropCases[] = {
    {"InOrderPastAnUnsupportedFile",
     {"a.bmp", "notes.txt", "b.jpg"},
     {},
     {"{S}a.bmp", "{S}notes.txt", "{S}b.jpg"},
     {Answer::Ok},
     3,
     2,
     {"Information|The file, {S}notes.txt, is not a supported image format"},
     {{"a.jpg", "JPEG"}, {"b.jpg", "COPY"}}},
    {"OwnFolderStopsTheDrop",
     {"a.jpg", "b.jpg"},
     {"x.jpg"},
     {"{S}a.jpg", "{R}x.jpg", "{S}b.jpg"},
     {},
     1,
     1,
     {kSameFolder},
     {{"a.jpg", "COPY"}, {"x.jpg", "OLD"}}},
    {"OwnFolderThroughALink",
     {},
     {"x.jpg"},
     {"{L}/x.jpg"},
     {},
     0,
     0,
     {kSameFolder},
     {{"x.jpg", "OLD"}}},
    {"OwnFolderEvenWhenItWouldBeConverted",
     {},
     {"photo.bmp"},
     {"{R}photo.bmp"},
     {},
     0,
     0,
     {kSameFolder},
     {{"photo.bmp", "OLD"}}},
    {"CancelStopsTheDrop",
     {"notes.txt", "b.jpg"},
     {},
     {"{S}notes.txt", "{S}b.jpg"},
     {Answer::Cancel},
     0,
     0,
     {"Information|The file, {S}notes.txt, is not a supported image format"},
     {}},
};

class Drop : public AddImageTest, public ::testing::WithParamInterface<DropCase> {};

TEST_P(Drop, AddsEachFileInOrderUntilStopped) {
  const DropCase& c = GetParam();
  for (const auto& name : c.sources) WriteFile(source_ + name, SourceContent(name));
  for (const auto& name : c.existing) WriteFile(rotation_ + name, "OLD " + name);
  for (Answer a : c.answers) ui_.QueueAnswer(a);
  std::size_t added = 99;
  EXPECT_EQ(DropFiles(ui_, ExpandAll(c.drop), rotation_, kQualityOption, &added), c.handled);
  EXPECT_EQ(added, c.added);
  EXPECT_EQ(Boxes(), ExpandAll(c.boxes));
  EXPECT_EQ(ui_.unused_answers(), 0u);
  EXPECT_EQ(ReadTree(rotation_), Expected(c.after));
}

INSTANTIATE_TEST_SUITE_P(Cases, Drop, ::testing::ValuesIn(kDropCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The photographs of phones and cameras become upright JPEGs of the rotated size.
struct PhotoCase {
  const char* file;
  int orientation;
};

TEST_F(AddImageTest, PhonePhotographsBecomeUprightJpegs) {
  const Raster original = [] {
    Raster r;
    r.Allocate(48, 32, 24);
    for (std::int32_t y = 0; y < r.height; ++y) {
      for (std::int32_t x = 0; x < r.width; ++x) {
        std::uint8_t* p = r.Row(y) + 3 * x;
        p[0] = static_cast<std::uint8_t>(40 + 4 * x);
        p[1] = static_cast<std::uint8_t>(60 + 5 * y);
        p[2] = static_cast<std::uint8_t>(x < 12 && y < 8 ? 250 : 30);
      }
    }
    return r;
  }();
  const PhotoCase cases[] = {{"phone.heic", 6}, {"camera.avif", 3}, {"web.webp", 8}};
  for (const PhotoCase& c : cases) {
    const std::string name = c.file;
    const std::vector<std::uint8_t> bytes =
        name.ends_with(".heic")
            ? testing::EncodeHeif(original, heif_compression_HEVC, c.orientation)
        : name.ends_with(".avif")
            ? testing::EncodeHeif(original, heif_compression_AV1, c.orientation)
            : testing::EncodeWebp(original, c.orientation);
    WriteFile(source_ + name, AsString(bytes));
    ASSERT_TRUE(addimage(ui_, source_ + name, rotation_ + name, 90)) << name;
    const std::string jpeg = testing::ReadFile(rotation_ + changeextension(name, ".jpg"));
    EXPECT_TRUE(IsProgressive(jpeg)) << name;
    EXPECT_FALSE(std::filesystem::exists(rotation_ + name)) << name;
    TPixelGraphic result;
    result.LoadFromFile(rotation_ + changeextension(name, ".jpg"));
    Raster upright = original;
    ApplyOrientation(upright, c.orientation);
    ASSERT_EQ(result.Width(), upright.width) << name;
    ASSERT_EQ(result.Height(), upright.height) << name;
    // The bright corner block is where the upright picture has it.
    double error = 0;
    for (std::size_t i = 0; i < upright.pixels.size(); ++i) {
      error += std::abs(int{upright.pixels[i]} - int{result.Pixels().pixels[i]});
    }
    EXPECT_LT(error / static_cast<double>(upright.pixels.size()), 8.0) << name;
  }
  EXPECT_TRUE(ui_.messages().empty());
}

}  // namespace
}  // namespace parvel
