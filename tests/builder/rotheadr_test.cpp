#include "builder/rotheadr.h"
#include "builder/descriptions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "support/faulty_filesystem.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

constexpr MarkerFlags kAll{true, true, true, true};
constexpr MarkerFlags kNoFooter{true, true, true, false};

// One fetch: header or footer, thumbnail or image page; `reset` sets the rotation back first.
struct Call {
  HeaderOrFooter header;
  PageKind thumb;
  std::string expected;
  bool reset = false;
};
constexpr auto H = HeaderOrFooter::Header, F = HeaderOrFooter::Footer;
constexpr auto Thumb = PageKind::Thumbnail, Image = PageKind::Image;

class RotationTest : public ::testing::Test {
 protected:
  std::string List(const std::string& name, const std::string& text) {
    WriteFile(dir_ / name, text);
    return dir_ / name;
  }
  void Run(const std::vector<Call>& calls) {
    HeaderFooterRotation rotation(s_, markers_);
    for (size_t i = 0; i < calls.size(); ++i) {
      if (calls[i].reset) rotation.ResetPositions();
      const auto got = rotation.getnextheaderfooter(calls[i].header, calls[i].thumb);
      ASSERT_TRUE(got.has_value()) << "call " << i;
      EXPECT_EQ(*got, calls[i].expected) << "call " << i;
    }
    EXPECT_TRUE(ui_.messages().empty());
  }

  TempDir dir_;
  ScriptedInteraction ui_;
  SiteSettings s_;
  TemplateMarkers markers_{kAll, kAll};
};

TEST_F(RotationTest, EntriesAsStored) {
  s_.Header_Mode = HeaderMode::List;
  s_.Header_File = List("h.txt", "Hello|world\r\n\r\n|a||b|\r\n");
  Run({{H, Thumb, "Helloworld"}, {H, Thumb, ""}, {H, Thumb, "ab"}, {H, Thumb, "Helloworld"}});
}

TEST_F(RotationTest, LineEndsOfOtherSystemsAndAByteOrderMark) {
  s_.Header_Mode = HeaderMode::List;
  s_.Header_File = List("h.txt",
                        "\xEF\xBB\xBF"
                        "a\nb\rc");
  Run({{H, Thumb, "a"}, {H, Thumb, "b"}, {H, Thumb, "c"}, {H, Thumb, "a"}});
}

TEST_F(RotationTest, HeaderAndFooterRotateSeparately) {
  s_.Header_Mode = HeaderMode::List;
  s_.Header_File = List("h.txt", "h1\r\nh2\r\n");
  s_.Footer_Mode = HeaderMode::List;
  s_.Footer_File = List("f.txt", "f1\r\nf2\r\nf3\r\n");
  Run({{H, Thumb, "h1"},
       {F, Thumb, "f1"},
       {H, Thumb, "h2"},
       {F, Thumb, "f2"},
       {H, Thumb, "h1"},
       {F, Thumb, "f3"},
       {H, Thumb, "h1", true},
       {F, Thumb, "f1"}});
}

TEST_F(RotationTest, TemplateWithoutFooterConsumesNoFooterEntries) {
  markers_.image = kNoFooter;
  s_.Footer_Mode = HeaderMode::List;
  s_.Footer_File = List("f.txt", "f1\r\nf2\r\n");
  s_.Image_Footer_Mode = ImageHeaderMode::SameAsIndex;
  Run({{F, Image, ""}, {F, Image, ""}, {F, Thumb, "f1"}, {F, Image, ""}, {F, Thumb, "f2"}});
}

TEST_F(RotationTest, TwoListsForOneKindRestartOnEverySwitch) {
  s_.Header_Mode = HeaderMode::List;
  s_.Header_File = List("a.txt", "a1\r\na2\r\n");
  s_.Image_Header_Mode = ImageHeaderMode::List;
  s_.Image_Header_File = List("b.txt", "b1\r\nb2\r\n");
  Run({{H, Image, "b1"}, {H, Image, "b2"}, {H, Thumb, "a1"}, {H, Image, "b1"}, {H, Thumb, "a1"}});
}

TEST_F(RotationTest, WhichHeaderAnImagePageGets) {
  struct Case {
    const char* name;
    HeaderMode mode;
    ImageHeaderMode image_mode;
    bool marker;
    std::string expected;
  } cases[] = {
      {"no image header", HeaderMode::Html, ImageHeaderMode::None, true, ""},
      {"same as thumbnails, which have none", HeaderMode::None, ImageHeaderMode::SameAsIndex, true,
       ""},
      {"same as thumbnails, fixed", HeaderMode::Html, ImageHeaderMode::SameAsIndex, true, "thumb"},
      {"same as thumbnails, list", HeaderMode::List, ImageHeaderMode::SameAsIndex, true, "t1"},
      {"own fixed html", HeaderMode::List, ImageHeaderMode::Html, true, "image"},
      {"own list", HeaderMode::None, ImageHeaderMode::List, true, "i1"},
      {"no marker in the image template", HeaderMode::Html, ImageHeaderMode::Html, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    s_.Header_Mode = c.mode;
    s_.Header_HTML = "th|umb";
    s_.Header_File = List("t.txt", "t1\r\n");
    s_.Image_Header_Mode = c.image_mode;
    s_.Image_Header_HTML = "ima|ge";
    s_.Image_Header_File = List("i.txt", "i1\r\n");
    markers_.image.header = c.marker;
    Run({{H, Image, c.expected}});
  }
}

TEST_F(RotationTest, UnusableListFailsThePageWithoutAMessage) {
  const std::string huge = List("huge.txt", "a\r\n");
  std::filesystem::resize_file(huge, kMaxListFileSize + 1);
  struct Case {
    const char* name;
    std::string path;
    bool header;
  } cases[] = {
      {"missing", dir_ / "none.txt", true},
      {"empty", List("empty.txt", ""), false},
      {"binary", List("bin.txt", std::string("GIF89a\0\0\x01\r\n", 11)), true},
      {"too large", huge, true},
      {"a device", "/dev/zero", true},
      {"a directory", dir_.path(), true},
      {"no name", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedInteraction ui;
    SiteSettings s;
    s.Header_Mode = HeaderMode::List;
    s.Footer_Mode = HeaderMode::List;
    (c.header ? s.Header_File : s.Footer_File) = c.path;
    HeaderFooterRotation rotation(s, markers_);
    EXPECT_EQ(rotation.getnextheaderfooter(c.header ? H : F, Thumb), std::nullopt);
    EXPECT_EQ(rotation.getnextheaderfooter(c.header ? H : F, Image), std::nullopt);
    EXPECT_TRUE(ui.messages().empty());
  }
}

class ListFileTest : public ::testing::Test {
 protected:
  TempDir dir_;
};

TEST_F(ListFileTest, WriteAndReadBack) {
  struct Case {
    std::vector<std::string> entries;
    std::string bytes;
    std::vector<std::string> read_back;
  } cases[] = {
      {{"A", "", "C|D"}, "A\r\n\r\nC|D\r\n", {"A", "", "C|D"}},
      {{""}, "\r\n", {""}},
      {{}, "", {}},
      {{"line one\r\nline two", "a\nb\rc"},
       "line one|line two\r\na|b|c\r\n",
       {"line one|line two", "a|b|c"}},
  };
  for (const auto& c : cases) {
    const std::string path = dir_ / "list.txt";
    ASSERT_TRUE(WriteHeaderFooterList(path, c.entries));
    EXPECT_EQ(ReadFile(path), c.bytes);
    EXPECT_EQ(ReadHeaderFooterList(path), c.read_back);
  }
}

TEST_F(ListFileTest, EveryLineBreakOfAnEntryBecomesOneBar) {
  struct Case {
    std::string entry;
    std::string stored;
  } cases[] = {{"a\r\rb", "a||b"},     {"a\r\r\nb", "a||b"}, {"a\n\rb", "a||b"},
               {"a\r\n\r\nb", "a||b"}, {"a\n\nb", "a||b"},   {"\r", "|"}};
  for (const auto& c : cases) {
    EXPECT_EQ(HeaderFooterListText({c.entry}), c.stored + "\r\n") << c.stored;
  }
}

class DescriptionTest : public ::testing::Test {
 protected:
  std::string Make(const std::string& name, const std::string& text) {
    WriteFile(dir_ / name, text);
    return dir_ / name;
  }
  void UseFile(const std::string& path) {
    s_.Filename_Display = FilenameDisplay::DescriptionFile;
    s_.Description_File = path;
    s_.Rotation_Path = dir_ / "site";
  }

  TempDir dir_;
  ScriptedInteraction ui_;
  SiteSettings s_;
};

TEST_F(DescriptionTest, ConvertKeepsLaterCommasAndLinesWithoutOne) {
  const std::string csv = Make("captions.csv",
                               "a.jpg,Sunset\r\nb.jpg,Dawn, early\r\nbeach.jpg,\"A day, at the "
                               "sea\"\r\nnotes without comma\nlast,one");
  const std::string ini = dir_ / "out.ini";
  ASSERT_TRUE(ConvertCSVtoINI(ui_, csv, ini));
  EXPECT_EQ(ReadFile(ini),
            "[Descriptions]\r\na.jpg=Sunset\r\nb.jpg=Dawn, early\r\nbeach.jpg=\"A day, at the "
            "sea\"\r\nnotes without comma\r\nlast=one\r\n");
  EXPECT_TRUE(ui_.messages().empty());
}

TEST_F(DescriptionTest, ConvertFailsQuietly) {
  const std::string csv = Make("c.csv", "a.jpg,x\r\n");
  const std::string huge = Make("huge.csv", "a.jpg,x\r\n");
  std::filesystem::resize_file(huge, kMaxDescriptionFileSize + 1);
  EXPECT_FALSE(ConvertCSVtoINI(ui_, Make("empty.csv", ""), dir_ / "o.ini"));
  EXPECT_FALSE(ConvertCSVtoINI(ui_, dir_ / "none.csv", dir_ / "o.ini"));
  EXPECT_FALSE(ConvertCSVtoINI(ui_, huge, dir_ / "o.ini"));
  EXPECT_FALSE(ConvertCSVtoINI(ui_, csv, dir_ / "no/such/dir/o.ini"));
  {
    FaultyFileSystem faulty(RealFileSystem());
    ScopedFileSystem scope(faulty);
    faulty.FailAll();
    EXPECT_FALSE(ConvertCSVtoINI(ui_, csv, dir_ / "o.ini"));
  }
  EXPECT_TRUE(ui_.messages().empty());
  EXPECT_FALSE(PathExists(dir_ / "o.ini"));
}

TEST_F(DescriptionTest, ImageNamedInBracketsKeepsItsOwnAndLaterDescriptions) {
  UseFile(Make("captions.csv", "[2019] beach.jpg,Beach\r\nb.jpg,Dawn\r\n"));
  DescriptionFile descriptions;
  ASSERT_TRUE(descriptions.Prepare(ui_, s_));
  EXPECT_EQ(descriptions.Describe("[2019] beach.jpg", s_), "Beach");
  EXPECT_EQ(descriptions.Describe("b.jpg", s_), "Dawn");
}

TEST_F(DescriptionTest, CommaSeparatedFileThroughATemporaryFile) {
  UseFile(Make("captions.txt",
               "a.jpg,Sunset\r\nb.jpg,Dawn, early\r\nbeach.jpg,\"A day, at the sea\"\r\n"));
  const std::string temporary = dir_ / "~captions.ini";
  {
    DescriptionFile descriptions;
    ASSERT_TRUE(descriptions.Prepare(ui_, s_));
    EXPECT_EQ(descriptions.lookup_path(), temporary);
    EXPECT_TRUE(FileExists(temporary));
    struct Case {
      const char* name;
      bool show_name;
      std::string expected;
    } cases[] = {
        {"a.jpg", true, "Sunset"},
        {"A.JPG", true, "Sunset"},
        {"b.jpg", true, "Dawn, early"},
        {"beach.jpg", false, "A day, at the sea"},
        {"c.jpg", true, "c.jpg"},
        {"c.jpg", false, ""},
        {"very_long_name_of_a_file.jpeg", true, "very_long_name_of_a_file.jpeg"},
    };
    for (const auto& c : cases) {
      s_.ShowFilenameWhenNoDesc = c.show_name;
      EXPECT_EQ(descriptions.Describe(c.name, s_), c.expected) << c.name;
    }
    EXPECT_TRUE(descriptions.RemoveTemporary());
    EXPECT_FALSE(PathExists(temporary));
    EXPECT_EQ(descriptions.Describe("a.jpg", s_), "Sunset") << "lookups last for the build";
  }
  {
    DescriptionFile descriptions;  // a build that ends early: the guard removes the file
    ASSERT_TRUE(descriptions.Prepare(ui_, s_));
    EXPECT_TRUE(FileExists(temporary));
  }
  EXPECT_FALSE(PathExists(temporary));
  EXPECT_TRUE(ui_.messages().empty());
}

TEST_F(DescriptionTest, IniFileIsUsedAsItIs) {
  const std::string ini =
      Make("Captions.INI", "\xEF\xBB\xBF[descriptions]\r\n A.JPG = 'Beach' \r\nb.jpg=\r\n" +
                               dir_ / "site/B.JPG" + "=By path\r\n[Other]\r\nc.jpg=no\r\n");
  UseFile(ini);
  DescriptionFile descriptions;
  ASSERT_TRUE(descriptions.Prepare(ui_, s_));
  EXPECT_EQ(descriptions.lookup_path(), ini);
  EXPECT_TRUE(descriptions.temporary_path().empty());
  s_.ShowFilenameWhenNoDesc = false;
  EXPECT_EQ(descriptions.Describe("a.jpg", s_), "Beach");
  EXPECT_EQ(descriptions.Describe("b.jpg", s_), "By path") << "an empty value counts as none";
  EXPECT_EQ(descriptions.Describe("c.jpg", s_), "");
  EXPECT_TRUE(descriptions.RemoveTemporary());
  EXPECT_TRUE(FileExists(ini)) << "the user's own file is never removed";
}

}  // namespace
}  // namespace parvel
