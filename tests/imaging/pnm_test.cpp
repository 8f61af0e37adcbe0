#include "imaging/formats/pnm.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/pgerrors.h"

namespace parvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255},
    kBlack{0, 0, 0};

Bytes B(std::string_view s) {
  return Bytes(s.begin(), s.end());
}
Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Rgb Gray(int v) {
  const auto g = static_cast<std::uint8_t>(v);
  return {g, g, g};
}

std::vector<Rgb> Colors(const Raster& r) {
  std::vector<Rgb> out;
  for (std::int32_t y = 0; y < r.height; ++y) {
    for (std::int32_t x = 0; x < r.width; ++x) out.push_back(r.ColorAt(x, y));
  }
  return out;
}

struct ReadCase {
  std::string name;
  friend void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }
  Bytes file;
  int width, height, bits;
  std::vector<Rgb> colors;
};

std::vector<ReadCase> ReadCases() {
  const Rgb W = kWhite, K = kBlack;
  return {
      {"PlainBitmapWithComments",
       B("P1\n# made by hand\n3 # width\n2\n1 0 1\n0 1 0\n"),
       3,
       2,
       1,
       {K, W, K, W, K, W}},
      {"PlainBitmapPackedDigits", B("P1 3 2 101010"), 3, 2, 1, {K, W, K, W, K, W}},
      {"PlainGraymapMaxval15",
       B("P2\n2 2\n# before maxval\n15\n0 15\n# in the data\n7 8\n"),
       2,
       2,
       8,
       {Gray(0), Gray(255), Gray(119), Gray(136)}},
      {"PlainGraymapMaxval65535",
       B("P2 3 1 65535 0 32768 65535"),
       3,
       1,
       8,
       {Gray(0), Gray(128), Gray(255)}},
      {"PlainGraymapSampleAboveMaxval", B("P2 1 1 100 200"), 1, 1, 8, {Gray(255)}},
      {"PlainPixmap",
       B("P3\n2 2\n255\n255 0 0  0 255 0\n0 0 255  255 255 255\n"),
       2,
       2,
       24,
       {kRed, kGreen, kBlue, kWhite}},
      {"RawBitmap",
       Cat(B("P4\n# c\n10 2\n"), {0b10110000, 0b01000000, 0xFF, 0b11000000}),
       10,
       2,
       1,
       {K, W, K, K, W, W, W, W, W, K, K, K, K, K, K, K, K, K, K, K}},
      {"RawGraymap",
       Cat(B("P5 2 2 255\n"), {0, 255, 17, 200}),
       2,
       2,
       8,
       {Gray(0), Gray(255), Gray(17), Gray(200)}},
      {"RawGraymapMaxval65535",
       Cat(B("P5 3 1 65535\n"), {0, 0, 0x80, 0x00, 0xFF, 0xFF}),
       3,
       1,
       8,
       {Gray(0), Gray(128), Gray(255)}},
      {"RawGraymapSampleAboveMaxval", Cat(B("P5 1 1 100\n"), {200}), 1, 1, 8, {Gray(255)}},
      {"RawPixmap",
       Cat(B("P6\n2 2\n255\n"), {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}),
       2,
       2,
       24,
       {kRed, kGreen, kBlue, kWhite}},
      {"RawPixmapMaxval65535",
       Cat(B("P6 1 1 65535\t"), {0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00}),
       1,
       1,
       24,
       {{255, 128, 0}}},
  };
}

class PnmReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(PnmReadTest, DecodesEveryVariant) {
  const ReadCase& c = GetParam();
  const Raster r = ReadPnm(c.file);
  EXPECT_EQ(r.width, c.width);
  EXPECT_EQ(r.height, c.height);
  EXPECT_EQ(r.bits, c.bits);
  EXPECT_EQ(r.pixels.size(), r.Stride() * r.height);
  EXPECT_EQ(Colors(r), c.colors);
}

// Where the last sample starts: a plain file cut inside it is still a valid (smaller) number.
std::size_t CompleteFrom(const Bytes& file) {
  if (file[1] >= '4') return file.size();
  std::size_t end = file.size();
  while (end > 0 && std::isspace(file[end - 1])) --end;
  if (file[1] == '1') return end - 1;
  while (end > 0 && std::isdigit(file[end - 1])) --end;
  return end;
}

TEST_P(PnmReadTest, EveryTruncationRaisesTheFormatError) {
  const Bytes& file = GetParam().file;
  for (std::size_t n = 0; n <= CompleteFrom(file); ++n) {
    if (n == file.size()) break;
    EXPECT_THROW(ReadPnm(std::span(file).first(n)), EPGPxMFileFormatReader) << "length " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Variants, PnmReadTest, ::testing::ValuesIn(ReadCases()),
                         [](const auto& info) { return info.param.name; });

Raster Indexed(int bits, std::int32_t w, std::int32_t h, std::vector<Rgb> palette) {
  Raster r;
  r.Allocate(w, h, bits);
  for (std::size_t i = 0; i < palette.size(); ++i) r.palette[i] = palette[i];
  for (std::size_t i = 0; i < r.pixels.size(); ++i) {
    r.pixels[i] = static_cast<std::uint8_t>(i * 37 + 11);
  }
  if (bits == 1 && (w & 7)) {  // no stray bits past the last pixel
    for (std::int32_t y = 0; y < h; ++y) r.Row(y)[r.Stride() - 1] &= 0xFF << (8 - (w & 7));
  }
  return r;
}

TEST(PnmRoundTrip, BitmapKeepsPixelsAndPalette) {
  const Raster in = Indexed(1, 13, 3, {kWhite, kBlack});
  const Bytes file = WritePnm(in, PnmKind::Pbm);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 8), "P4\n13 3\n");
  EXPECT_EQ(file.size(), 8u + 2 * 3);
  const Raster out = ReadPnm(file);
  EXPECT_EQ(out.bits, 1);
  EXPECT_EQ(out.palette, in.palette);
  EXPECT_EQ(out.pixels, in.pixels);
}

TEST(PnmRoundTrip, BitmapWithBlackFirstKeepsItsColours) {
  const Raster in = Indexed(1, 9, 2, {kBlack, kWhite});
  const Raster out = ReadPnm(WritePnm(in, PnmKind::Pbm));
  EXPECT_EQ(Colors(out), Colors(in));
}

TEST(PnmRoundTrip, BitmapMapsDarkEntriesToBlack) {
  const Raster in = Indexed(1, 8, 1, {{200, 220, 210}, {30, 0, 90}});
  const Raster out = ReadPnm(WritePnm(in, PnmKind::Pbm));
  for (std::int32_t x = 0; x < 8; ++x) {
    EXPECT_EQ(out.ColorAt(x, 0), in.IndexAt(x, 0) ? kBlack : kWhite) << x;
  }
}

TEST(PnmRoundTrip, GraymapKeepsGrayPixels) {
  std::vector<Rgb> grays;
  for (int i = 0; i < 256; ++i) grays.push_back(Gray(i));
  const Raster in = Indexed(8, 7, 5, grays);
  const Bytes file = WritePnm(in, PnmKind::Pgm);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 11), "P5\n7 5\n255\n");
  const Raster out = ReadPnm(file);
  EXPECT_EQ(out.bits, 8);
  EXPECT_EQ(out.palette, in.palette);
  EXPECT_EQ(out.pixels, in.pixels);
}

TEST(PnmRoundTrip, GraymapStoresEachEntrysLuminance) {
  Raster in;
  in.Allocate(4, 1, 8);
  in.palette[0] = kRed;
  in.palette[1] = kGreen;
  in.palette[2] = kBlue;
  in.palette[3] = kWhite;
  in.pixels = {0, 1, 2, 3};
  const Raster out = ReadPnm(WritePnm(in, PnmKind::Pgm));
  EXPECT_EQ(Colors(out), (std::vector<Rgb>{Gray(76), Gray(150), Gray(29), Gray(255)}));
}

TEST(PnmRoundTrip, PixmapKeepsPixels) {
  Raster in;
  in.Allocate(5, 3, 24);
  for (std::size_t i = 0; i < in.pixels.size(); ++i)
    in.pixels[i] = static_cast<std::uint8_t>(i * 7);
  const Bytes file = WritePnm(in, PnmKind::Ppm);
  EXPECT_EQ(file.size(), 11u + 45);
  const Raster out = ReadPnm(file);
  EXPECT_EQ(out.bits, 24);
  EXPECT_EQ(out.pixels, in.pixels);
}

struct RefusedDepth {
  PnmKind kind;
  int bits;
};

class PnmWriterRefusesTest : public ::testing::TestWithParam<RefusedDepth> {};

TEST_P(PnmWriterRefusesTest, DepthsTheKindCannotStore) {
  Raster r;
  r.Allocate(2, 2, GetParam().bits);
  EXPECT_THROW(WritePnm(r, GetParam().kind), EPGPxMFileFormatWriter);
}

INSTANTIATE_TEST_SUITE_P(
    Depths, PnmWriterRefusesTest,
    ::testing::Values(RefusedDepth{PnmKind::Pbm, 4}, RefusedDepth{PnmKind::Pbm, 8},
                      RefusedDepth{PnmKind::Pbm, 24}, RefusedDepth{PnmKind::Pgm, 1},
                      RefusedDepth{PnmKind::Pgm, 4}, RefusedDepth{PnmKind::Pgm, 24},
                      RefusedDepth{PnmKind::Ppm, 1}, RefusedDepth{PnmKind::Ppm, 4},
                      RefusedDepth{PnmKind::Ppm, 8}));

struct ErrorCase {
  std::string name;
  friend void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.name; }
  Bytes file;
  std::string message;
};

class PnmErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(PnmErrorTest, RaisesTheFormatErrorWithItsText) {
  std::string message = "<no error>";
  try {
    ReadPnm(GetParam().file);
  } catch (const EPGPxMFileFormatReader& e) {
    message = e.what();
  }
  EXPECT_EQ(message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Files, PnmErrorTest,
    ::testing::Values(
        ErrorCase{"SevenIsNotRead", B("P7\n1 1\n"), "PBM, PGM, PPM: Not a PBM, PGM or PPM file"},
        ErrorCase{"NoP", B("Q6 1 1 255\n"), "PBM, PGM, PPM: Not a PBM, PGM or PPM file"},
        ErrorCase{"HugeClaim", B("P6\n100000 100000\n255\n"), "PBM, PGM, PPM: Image too large"},
        ErrorCase{"EnormousNumber", B("P5 99999999999999999999 1 255\n"),
                  "PBM, PGM, PPM: Image too large"},
        ErrorCase{"LargeButShort", B("P6\n10000 10000\n255\nabc"),
                  "PBM, PGM, PPM: Unexpected end of file"},
        ErrorCase{"ZeroWidth", B("P5 0 1 255\n"), "PBM, PGM, PPM: Invalid image size"},
        ErrorCase{"MaxvalZero", B("P5 1 1 0\n\n"), "PBM, PGM, PPM: Invalid maximum value"},
        ErrorCase{"MaxvalTooBig", B("P5 1 1 65536\n\n\n"), "PBM, PGM, PPM: Invalid maximum value"},
        ErrorCase{"BitmapDigitTwo", B("P1 2 1 0 2"),
                  "PBM, PGM, PPM: Invalid character in the file"},
        ErrorCase{"LetterInPixmap", B("P3 1 1 255 1 a 2"),
                  "PBM, PGM, PPM: Invalid character in the file"},
        ErrorCase{"NoSpaceBeforeRaw", B("P5 1 1 255#\x01"),
                  "PBM, PGM, PPM: Invalid character in the file"}),
    [](const auto& info) { return info.param.name; });

TEST(PnmInfo, ReadsTheHeaderOnly) {
  struct Case {
    std::string header;
    int width, height, bits;
    std::string subformat;
  };
  for (const Case& c :
       {Case{"P1 7 3", 7, 3, 1, "Plain PBM"}, Case{"P4\n7 3\n", 7, 3, 1, "Raw PBM"},
        Case{"P2 640 480 255", 640, 480, 8, "Plain PGM"},
        Case{"P5 640 480 65535\n", 640, 480, 16, "Raw PGM"},
        Case{"P3 1 2 255", 1, 2, 24, "Plain PPM"}, Case{"P6 1 2 1000\n", 1, 2, 48, "Raw PPM"}}) {
    const ImageInfo info = ReadPnmInfo(B(c.header));
    EXPECT_EQ(info.width, c.width) << c.header;
    EXPECT_EQ(info.height, c.height) << c.header;
    EXPECT_EQ(info.bits, c.bits) << c.header;
    EXPECT_EQ(info.subformat, c.subformat) << c.header;
  }
}

TEST(PnmSignature, KnowsTheSixMagicNumbers) {
  for (const char* head : {"P1\n", "P2 ", "P3\t", "P4\r\n", "P5#", "P6\n1 1"}) {
    EXPECT_TRUE(IsPnmSignature(B(head))) << head;
  }
  for (const char* head : {"P7\n", "P0\n", "P6x", "p6\n", "P6", ""}) {
    EXPECT_FALSE(IsPnmSignature(B(head))) << head;
  }
}

}  // namespace
}  // namespace parvel
