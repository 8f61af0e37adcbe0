#include "imaging/registry.h"

#include <gtest/gtest.h>

#include "base/textutil.h"
#include "imaging/PGraphic.h"
#include "imaging/convert.h"
#include "imaging/formats/gif.h"
#include "imaging/formats/jpeg.h"
#include "imaging/formats/png.h"
#include "imaging/formats/tga.h"
#include "imaging/formats/tiff.h"
#include "imaging/testimages.h"
#include "base/textutil.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::AsSpan;
using testing::AsString;
using testing::IndexedPattern;
using testing::PhotoLike;
using testing::SameColours;
using testing::TempDir;

struct Entry {
  std::string extension;
  std::string description;
  bool signature;
};

TEST(Registry, ReadersInTheirFixedOrder) {
  const std::vector<Entry> want = {
      {"bmp", "Bitmap", true},
      {"dib", "Bitmap", true},
      {"rle", "Bitmap", true},
      {"jpg", "JPEG (JFIF compliant)", true},
      {"jpeg", "JPEG (JFIF compliant)", true},
      {"jif", "JPEG (JFIF compliant)", true},
      {"png", "Portable Network Graphics", true},
      {"pcx", "Paintbrush", true},
      {"pbm", "Portable Bitmap", true},
      {"pgm", "Portable Graymap", true},
      {"ppm", "Portable Pixelmap", true},
      {"tga", "Truevision Targa", false},
      {"tif", "Tagged Image File Format", true},
      {"tiff", "Tagged Image File Format", true},
      {"gif", "GIF", true},
      {"ico", "Windows Icon", true},
      {"wmf", "Windows Metafile", false},
      {"emf", "Enhanced Metafile", false},
  };
  const auto& readers = FileFormatReaders();
  ASSERT_EQ(readers.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(readers[i]->Extension(), want[i].extension);
    EXPECT_EQ(readers[i]->Description(), want[i].description) << want[i].extension;
    EXPECT_EQ(readers[i]->HasSignature(), want[i].signature) << want[i].extension;
  }
  EXPECT_NE(dynamic_cast<const TPxMFileFormatReader*>(readers[9].get()), nullptr);
  EXPECT_NE(dynamic_cast<const TTIFFFileFormatReader*>(readers[13].get()), nullptr);
}

struct WriterEntry {
  std::string extension;
  std::string description;
  std::vector<int> depths;
};

TEST(Registry, WritersInTheirFixedOrderWithTheirDepths) {
  const std::vector<WriterEntry> want = {
      {"bmp", "Bitmap", {1, 4, 8, 24}},
      {"dib", "Bitmap", {1, 4, 8, 24}},
      {"jpg", "JPEG (JFIF compliant)", {24}},
      {"jpeg", "JPEG (JFIF compliant)", {24}},
      {"jif", "JPEG (JFIF compliant)", {24}},
      {"png", "Portable Network Graphics", {1, 4, 8, 24}},
      {"pbm", "Portable Bitmap", {1}},
      {"pgm", "Portable Graymap", {8}},
      {"ppm", "Portable Pixelmap", {24}},
      {"tga", "Truevision Targa", {8, 24}},
      {"tif", "Tagged Image File Format", {1, 4, 8, 24}},
      {"tiff", "Tagged Image File Format", {1, 4, 8, 24}},
      {"gif", "GIF-Format", {8, 4, 1}},
  };
  const auto& writers = FileFormatWriters();
  ASSERT_EQ(writers.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(writers[i]->Extension(), want[i].extension);
    EXPECT_EQ(writers[i]->Description(), want[i].description);
    EXPECT_EQ(writers[i]->CanWriteResolutions(), want[i].depths) << want[i].extension;
  }
  EXPECT_TRUE(FindWriter(".PGM")->ConvertsToGray());
  EXPECT_FALSE(FindWriter("ppm")->ConvertsToGray());
  EXPECT_EQ(FindWriter("xyz"), nullptr);
  EXPECT_EQ(FindWriter(""), nullptr);
}

std::string Content(const std::string& kind) {
  if (kind == "png") return AsString(WritePng(PhotoLike(4, 4)));
  if (kind == "jpeg") return AsString(WriteJpeg(PhotoLike(4, 4), 80, false));
  if (kind == "gif") return AsString(WriteGif(IndexedPattern(4, 4, 8)));
  if (kind == "tiff") return AsString(WriteTiff(PhotoLike(4, 4)));
  if (kind == "tga") return AsString(WriteTga(PhotoLike(4, 4)));
  if (kind == "p1") return "P1\n1 1\n1\n";
  if (kind == "p5") return std::string("P5\n1 1\n255\n\x80", 12);
  if (kind == "p6") return std::string("P6\n1 1\n255\n\x01\x02\x03", 14);
  if (kind == "text") return "This is only text, not a picture.\n";
  return "";
}

struct ChoiceCase {
  std::string content;
  std::string extension;
  std::string chosen;  // the chosen reader's extension, empty for none
};

class ReaderChoice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ReaderChoice, SignatureFirstThenExtension) {
  const ChoiceCase c = GetParam();
  const std::string data = Content(c.content);
  const TFileFormatReader* reader = ChooseReader(AsSpan(data), c.extension);
  EXPECT_EQ(reader ? reader->Extension() : "", c.chosen);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReaderChoice,
    ::testing::Values(ChoiceCase{"png", ".bmp", "png"}, ChoiceCase{"png", "", "png"},
                      ChoiceCase{"jpeg", ".gif", "jpg"}, ChoiceCase{"jpeg", ".jpe", "jpg"},
                      ChoiceCase{"gif", ".jpg", "gif"}, ChoiceCase{"tiff", ".dat", "tif"},
                      ChoiceCase{"p1", ".ppm", "pbm"}, ChoiceCase{"p5", ".pbm", "pgm"},
                      ChoiceCase{"p6", "", "ppm"}, ChoiceCase{"text", ".png", ""},
                      ChoiceCase{"text", "", ""}, ChoiceCase{"tga", ".tga", "tga"},
                      ChoiceCase{"tga", ".TGA", "tga"}, ChoiceCase{"tga", "Tga", "tga"},
                      ChoiceCase{"tga", ".bmp", ""}, ChoiceCase{"tga", "", ""},
                      ChoiceCase{"text", ".wmf", "wmf"}, ChoiceCase{"text", ".EMF", "emf"},
                      ChoiceCase{"text", "..tga", ""}));

TEST(Registry, LoadingFollowsTheChoice) {
  TempDir dir;
  testing::WriteFile(dir / "picture.bmp", Content("png"));
  TPixelGraphic image;
  image.LoadFromFile(dir / "picture.bmp");
  EXPECT_EQ(image.Width(), 4);

  testing::WriteFile(dir / "words.png", Content("text"));
  try {
    image.LoadFromFile(dir / "words.png");
    ADD_FAILURE() << "loaded text";
  } catch (const EPGUnknownFileFormat& e) {
    EXPECT_STREQ(e.what(), "Unknown file format");
  }

  testing::WriteFile(dir / "targa.tga", Content("tga"));
  testing::WriteFile(dir / "targa.TgA", Content("tga"));
  testing::WriteFile(dir / "targa.bmp", Content("tga"));
  EXPECT_NO_THROW(image.LoadFromFile(dir / "targa.tga"));
  EXPECT_NO_THROW(image.LoadFromFile(dir / "targa.TgA"));
  EXPECT_THROW(image.LoadFromFile(dir / "targa.bmp"), EPGUnknownFileFormat);

  testing::WriteFile(dir / "drawing.wmf", Content("text"));
  testing::WriteFile(dir / "drawing.emf", Content("text"));
  try {
    image.LoadFromFile(dir / "drawing.wmf");
    ADD_FAILURE() << "loaded a metafile";
  } catch (const EPGWMFFileFormatReader& e) {
    EXPECT_STREQ(e.what(), "WMF: Windows metafiles cannot be read on this platform");
  }
  EXPECT_THROW(image.LoadFromFile(dir / "drawing.emf"), EPGEMFFileFormatReader);
}

TEST(Registry, TheFilterNamesEveryFormatAsItsReaderDoes) {
  const std::string filter(ImageFileFilter());
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t bar; (bar = filter.find('|', start)) != std::string::npos; start = bar + 1) {
    parts.push_back(filter.substr(start, bar - start));
  }
  parts.push_back(filter.substr(start));
  ASSERT_EQ(parts.size() % 2, 0u);
  EXPECT_EQ(parts.front(), "Image files");
  EXPECT_EQ(parts[parts.size() - 2], "All files");
  int named = 0;
  for (std::size_t i = 2; i + 2 < parts.size(); i += 2) {
    const std::string ext = parts[i + 1].substr(2);
    const TFileFormatReader* reader = nullptr;
    for (const auto& r : FileFormatReaders()) {
      if (r->Extension() == ext) reader = r.get();
    }
    ASSERT_NE(reader, nullptr) << ext;
    EXPECT_EQ(parts[i], UpperAscii(ext) + " - " + reader->Description());
    EXPECT_NE(parts[1].find("*." + ext), std::string::npos) << ext;
    ++named;
  }
  EXPECT_EQ(named, 15);
}

struct RoundTripCase {
  std::string extension;
  int bits;
};

Raster PictureOf(int bits, const std::string& extension) {
  if (extension == "pgm") return ToGray8(PhotoLike(21, 13));
  if (extension == "pbm") {
    Raster r = IndexedPattern(21, 13, 1);
    r.palette = {Rgb{255, 255, 255}, Rgb{0, 0, 0}};
    return r;
  }
  return bits == 24 ? PhotoLike(21, 13) : IndexedPattern(21, 13, bits);
}

class LosslessRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(LosslessRoundTrip, SaveThenLoadGivesTheSamePixels) {
  const RoundTripCase c = GetParam();
  TempDir dir;
  TPixelGraphic image;
  image.SetPixels(PictureOf(c.bits, c.extension));
  image.SetColorResolutionPrompt(3);  // no conversion may be needed
  const std::string path = dir / ("picture." + c.extension);
  image.SaveToFile(path);
  TPixelGraphic back;
  back.LoadFromFile(path);
  EXPECT_TRUE(SameColours(image.Pixels(), back.Pixels()));
  ImageFileInfo info;
  ASSERT_TRUE(ReadImageFileInfo(path, 0, &info));
  EXPECT_EQ(info.width, 21);
  EXPECT_EQ(info.height, 13);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LosslessRoundTrip,
    ::testing::Values(RoundTripCase{"bmp", 1}, RoundTripCase{"bmp", 4}, RoundTripCase{"bmp", 8},
                      RoundTripCase{"bmp", 24}, RoundTripCase{"dib", 8}, RoundTripCase{"png", 1},
                      RoundTripCase{"png", 4}, RoundTripCase{"png", 8}, RoundTripCase{"png", 24},
                      RoundTripCase{"pbm", 1}, RoundTripCase{"pgm", 8}, RoundTripCase{"ppm", 24},
                      RoundTripCase{"tga", 8}, RoundTripCase{"tga", 24}, RoundTripCase{"tif", 1},
                      RoundTripCase{"tif", 4}, RoundTripCase{"tiff", 8}, RoundTripCase{"tiff", 24},
                      RoundTripCase{"gif", 1}, RoundTripCase{"gif", 4}, RoundTripCase{"gif", 8}),
    [](const ::testing::TestParamInfo<RoundTripCase>& info) {
      return info.param.extension + "_" + std::to_string(info.param.bits);
    });

struct ConversionCase {
  std::string extension;
  int from_bits;
  int stored_bits;
};

class WriterConversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(WriterConversion, ADepthTheWriterLacksBecomesItsFirstDepth) {
  const ConversionCase c = GetParam();
  TempDir dir;
  TPixelGraphic image;
  image.SetPixels(c.from_bits == 24 ? PhotoLike(16, 8) : IndexedPattern(16, 8, c.from_bits));
  image.SetColorResolutionPrompt(0);
  const std::string path = dir / ("picture." + c.extension);
  image.SaveToFile(path);
  EXPECT_EQ(image.BitCountNum(), c.from_bits);  // the image itself stays as it was
  TPixelGraphic back;
  back.LoadFromFile(path);
  EXPECT_EQ(back.BitCountNum(), c.stored_bits);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, WriterConversion,
    ::testing::Values(ConversionCase{"pbm", 24, 1}, ConversionCase{"pgm", 4, 8},
                      ConversionCase{"ppm", 8, 24}, ConversionCase{"tga", 4, 8},
                      ConversionCase{"gif", 24, 8}, ConversionCase{"jpg", 1, 24}));

}  // namespace
}  // namespace parvel

namespace parvel {
namespace {

// Damaged files of every library format: each reader either reads the file or raises a member of
// the image layer's family; nothing else may happen (under the sanitizers this also checks every
// read stays in bounds).
class DamagedFiles : public ::testing::TestWithParam<std::string> {};

std::vector<std::uint8_t> SampleOf(const std::string& kind) {
  if (kind == "jpeg") return WriteJpeg(PhotoLike(40, 24), 80, false);
  if (kind == "jpeg-progressive") return WriteJpeg(PhotoLike(40, 24), 80, true);
  if (kind == "png") return WritePng(PhotoLike(40, 24));
  if (kind == "png-palette") return WritePng(IndexedPattern(40, 24, 4));
  if (kind == "gif") return WriteGif(IndexedPattern(40, 24, 8));
  return WriteTiff(kind == "tiff" ? PhotoLike(40, 24) : IndexedPattern(40, 24, 8));
}

TEST_P(DamagedFiles, RaiseOnlyTheImageLayersErrors) {
  const std::vector<std::uint8_t> sample = SampleOf(GetParam());
  const TFileFormatReader* reader = ChooseReader(AsSpan(sample), "");
  ASSERT_NE(reader, nullptr);
  std::uint32_t seed = 2024;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  int refused = 0;
  for (int round = 0; round < 400; ++round) {
    std::vector<std::uint8_t> damaged = sample;
    const int changes = 1 + static_cast<int>(next() % 4);
    for (int c = 0; c < changes; ++c) {
      damaged[next() % damaged.size()] = static_cast<std::uint8_t>(next());
    }
    if (round % 3 == 0) damaged.resize(next() % damaged.size());
    try {
      reader->Info(AsSpan(damaged), 0);
      reader->Read(AsSpan(damaged), 0, {});
    } catch (const EPixelGraphic&) {
      ++refused;
    } catch (const std::exception& e) {
      ADD_FAILURE() << "round " << round << ": " << e.what();
    }
  }
  EXPECT_GT(refused, 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, DamagedFiles,
                         ::testing::Values("jpeg", "jpeg-progressive", "png", "png-palette", "gif",
                                           "tiff", "tiff-palette"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& c : name) {
                             if (c == '-') c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace parvel
