#include "builder/rotheadr.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "builder/descriptions.h"
#include "platform/filesystem.h"
#include "support/faulty_filesystem.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::ReadFile, testing::TempDir, testing::WriteFile;

constexpr MarkerFlags kAll{true, true, true, true};

class RotationTest : public ::testing::Test {
 protected:
  std::string List(const std::string& name, const std::string& text) {
    WriteFile(dir_ / name, text);
    return dir_ / name;
  }
  // One fetch per word of `calls`: H or F for header or footer, t or i for a thumbnail or image
  // page, a leading * sets the rotation back first; `expected` holds what each fetch gives.
  void Run(const std::string& calls, const std::vector<std::string>& expected) {
    HeaderFooterRotation rotation(s_, markers_);
    std::istringstream words(calls);
    std::vector<std::string> got;
    for (std::string w; words >> w;) {
      if (w[0] == '*') rotation.ResetPositions(), w.erase(0, 1);
      got.push_back(
          rotation
              .getnextheaderfooter(w[0] == 'H' ? HeaderOrFooter::Header : HeaderOrFooter::Footer,
                                   w[1] == 't' ? PageKind::Thumbnail : PageKind::Image)
              .value_or("(failed)"));
    }
    EXPECT_EQ(got, expected) << calls;
  }

  TempDir dir_;
  SiteSettings s_;
  TemplateMarkers markers_{kAll, kAll};
};

// Entries lose their bars; any line end counts; header and footer rotate apart and wrap to the
// first entry; a reset starts both again.
TEST_F(RotationTest, EntriesRotatePerListAndWrap) {
  s_.Header_Mode = s_.Footer_Mode = HeaderMode::List;
  s_.Header_File = List("h.txt", "\xEF\xBB\xBFHello|world\r\n\r\n|a||b|\nc\rd");
  s_.Footer_File = List("f.txt", "f1\r\nf2\r\n");
  Run("Ht Ft Ht Ht Ht Ft Ht Ft Ht *Ht Ft",
      {"Helloworld", "f1", "", "ab", "c", "f2", "d", "f1", "Helloworld", "Helloworld", "f1"});
}

// A template without a footer takes no entries; two lists for one kind restart on every switch.
TEST_F(RotationTest, ImagePagesUseTheirOwnListOrTheThumbnailOne) {
  markers_.image.footer = false;
  s_.Footer_Mode = s_.Header_Mode = HeaderMode::List;
  s_.Footer_File = List("f.txt", "f1\r\nf2\r\n");
  s_.Image_Footer_Mode = ImageHeaderMode::SameAsIndex;
  s_.Header_File = List("a.txt", "a1\r\na2\r\n");
  s_.Image_Header_Mode = ImageHeaderMode::List;
  s_.Image_Header_File = List("b.txt", "b1\r\nb2\r\n");
  Run("Fi Ft Fi Ft Hi Hi Ht Hi Ht", {"", "f1", "", "f2", "b1", "b2", "a1", "b1", "a1"});
}

// A comma-separated file becomes a lookup file split at each line's first comma; what cannot be
// read or written fails quietly and leaves no file.
TEST(Descriptions, ConvertSplitsAtTheFirstCommaOrFailsQuietly) {
  TempDir dir;
  ScriptedInteraction ui;
  const std::string csv = dir / "captions.csv", huge = dir / "huge.csv";
  WriteFile(csv, "a.jpg,Sunset\r\nb.jpg,Dawn, early\r\nnotes without comma\nlast,one");
  ASSERT_TRUE(ConvertCSVtoINI(ui, csv, dir / "out.ini"));
  EXPECT_EQ(ReadFile(dir / "out.ini"),
            "[Descriptions]\r\na.jpg=Sunset\r\nb.jpg=Dawn, early\r\nnotes without comma\r\n"
            "last=one\r\n");
  WriteFile(dir / "empty.csv", "");
  WriteFile(huge, "a.jpg,x\r\n");
  std::filesystem::resize_file(huge, kMaxDescriptionFileSize + 1);
  EXPECT_FALSE(ConvertCSVtoINI(ui, dir / "empty.csv", dir / "o.ini"));
  EXPECT_FALSE(ConvertCSVtoINI(ui, huge, dir / "o.ini"));
  EXPECT_FALSE(ConvertCSVtoINI(ui, csv, dir / "no/such/dir/o.ini"));
  FaultyFileSystem faulty(RealFileSystem());
  ScopedFileSystem scope(faulty);
  faulty.FailAll();
  EXPECT_FALSE(ConvertCSVtoINI(ui, csv, dir / "o.ini"));
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_FALSE(PathExists(dir / "o.ini"));
}

// Descriptions of a comma-separated file are looked up through a temporary file, removed at the
// end of the build or by the guard when the build ends early.
TEST(Descriptions, CommaSeparatedFileThroughATemporaryFile) {
  TempDir dir;
  ScriptedInteraction ui;
  SiteSettings s;
  s.Filename_Display = FilenameDisplay::DescriptionFile;
  s.Description_File = dir / "captions.txt";
  WriteFile(s.Description_File, "[2019] a.jpg,Sunset\r\nbeach.jpg,\"A day, at the sea\"\r\n");
  {
    DescriptionFile descriptions;
    ASSERT_TRUE(descriptions.Prepare(ui, s));
    EXPECT_EQ(descriptions.lookup_path(), dir / "~captions.ini");
    for (const auto& [name, show_name, expected] : {std::tuple{"[2019] A.JPG", true, "Sunset"},
                                                    {"beach.jpg", false, "A day, at the sea"},
                                                    {"c.jpg", true, "c.jpg"},
                                                    {"c.jpg", false, ""}}) {
      s.ShowFilenameWhenNoDesc = show_name;
      EXPECT_EQ(descriptions.Describe(name, s), expected) << name;
    }
    EXPECT_TRUE(descriptions.RemoveTemporary());
    EXPECT_FALSE(PathExists(dir / "~captions.ini"));
    EXPECT_EQ(descriptions.Describe("beach.jpg", s), "A day, at the sea") << "lookups last";
    ASSERT_TRUE(descriptions.Prepare(ui, s));
  }
  EXPECT_FALSE(PathExists(dir / "~captions.ini"));
}

}  // namespace
}  // namespace parvel
