#include "imaging/formats/pcx.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "imaging/pgerrors.h"

namespace parvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255},
    kBlack{0, 0, 0};

// Sixteen distinct colours for the header's colour map.
Rgb MapColor(int i) {
  return {static_cast<std::uint8_t>(16 * i), static_cast<std::uint8_t>(255 - 16 * i),
          static_cast<std::uint8_t>(i * 5)};
}

Bytes Header(int bits, int planes, int w, int h, int bytes_per_line, int encoding = 1,
             int version = 5) {
  Bytes b(128, 0);
  b[0] = 0x0A;
  b[1] = static_cast<std::uint8_t>(version);
  b[2] = static_cast<std::uint8_t>(encoding);
  b[3] = static_cast<std::uint8_t>(bits);
  auto put16 = [&](std::size_t at, int v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
  };
  put16(4, 10);  // xmin and ymin are not zero, to check the size arithmetic
  put16(6, 20);
  put16(8, 10 + w - 1);
  put16(10, 20 + h - 1);
  for (int i = 0; i < 16; ++i) {
    const Rgb c = MapColor(i);
    b[16 + 3 * i] = c.r;
    b[17 + 3 * i] = c.g;
    b[18 + 3 * i] = c.b;
  }
  b[65] = static_cast<std::uint8_t>(planes);
  put16(66, bytes_per_line);
  return b;
}

// Run-length codes the way a writer does: runs of equal bytes, and single bytes that would look
// like a run count as runs of one.
Bytes Encode(const Bytes& raw) {
  Bytes out;
  for (std::size_t i = 0; i < raw.size();) {
    std::size_t n = 1;
    while (i + n < raw.size() && raw[i + n] == raw[i] && n < 63) ++n;
    if (n > 1 || raw[i] >= 0xC0) out.push_back(static_cast<std::uint8_t>(0xC0 | n));
    out.push_back(raw[i]);
    i += n;
  }
  return out;
}

Bytes EndPalette(std::initializer_list<std::pair<int, Rgb>> entries, std::uint8_t marker = 0x0C) {
  Bytes b(769, 0);
  b[0] = marker;
  for (auto [i, c] : entries) {
    b[1 + 3 * i] = c.r;
    b[2 + 3 * i] = c.g;
    b[3 + 3 * i] = c.b;
  }
  return b;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes b;
  for (const auto& p : parts) b.insert(b.end(), p.begin(), p.end());
  return b;
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
  std::vector<ReadCase> cases;
  // 1 bit, one plane: set bits are white. Lines are padded to the bytes per line.
  cases.push_back(
      {"Mono",
       Cat({Header(1, 1, 10, 2, 2), Encode({0b10110000, 0b01000000, 0xFF, 0b11000000})}),
       10,
       2,
       1,
       {W, K, W, W, K, K, K, K, K, W, W, W, W, W, W, W, W, W, W, W}});
  // Four planes of one bit: plane p holds bit p of the colour map index.
  cases.push_back({"FourPlanes",
                   Cat({Header(1, 4, 3, 1, 2),
                        Encode({0b01100000, 0, 0b00100000, 0, 0b01100000, 0, 0b00100000, 0})}),
                   3,
                   1,
                   4,
                   {MapColor(0), MapColor(5), MapColor(15)}});
  cases.push_back({"ThreePlanes",
                   Cat({Header(1, 3, 2, 1, 2), Encode({0x80, 0, 0x40, 0, 0xC0, 0})}),
                   2,
                   1,
                   4,
                   {MapColor(5), MapColor(6)}});
  cases.push_back({"TwoBits",
                   Cat({Header(2, 1, 5, 1, 2), Encode({0b00011011, 0b01000000})}),
                   5,
                   1,
                   4,
                   {MapColor(0), MapColor(1), MapColor(2), MapColor(3), MapColor(1)}});
  cases.push_back({"FourBits",
                   Cat({Header(4, 1, 3, 1, 2), Encode({0x1E, 0x70})}),
                   3,
                   1,
                   4,
                   {MapColor(1), MapColor(14), MapColor(7)}});
  // 8 bits with the palette after the marker at the end; index 0xC5 must travel as a run.
  cases.push_back({"Palette8",
                   Cat({Header(8, 1, 2, 2, 2), Encode({0, 1, 2, 0xC5}),
                        EndPalette({{0, kRed}, {1, kGreen}, {2, kBlue}, {0xC5, kWhite}})}),
                   2,
                   2,
                   8,
                   {kRed, kGreen, kBlue, kWhite}});
  cases.push_back({"Palette8Uncompressed",
                   Cat({Header(8, 1, 2, 2, 2, 0), Bytes{0, 1, 2, 0xC5},
                        EndPalette({{0, kRed}, {1, kGreen}, {2, kBlue}, {0xC5, kWhite}})}),
                   2,
                   2,
                   8,
                   {kRed, kGreen, kBlue, kWhite}});
  // One run covering both lines.
  cases.push_back({"RunAcrossLines",
                   Cat({Header(8, 1, 2, 2, 2), Bytes{0xC4, 7}, EndPalette({{7, kBlue}})}),
                   2,
                   2,
                   8,
                   {kBlue, kBlue, kBlue, kBlue}});
  // Three planes of 8 bits: each line holds its red, green and blue planes in turn.
  cases.push_back({"TrueColor",
                   Cat({Header(8, 3, 2, 2, 2), Encode({255, 0, 0, 255, 0, 0,  //
                                                       0, 255, 0, 255, 255, 255})}),
                   2,
                   2,
                   24,
                   {kRed, kGreen, kBlue, kWhite}});
  cases.push_back({"TrueColorWithAlphaPlane",
                   Cat({Header(8, 4, 1, 1, 2), Encode({255, 0, 128, 0, 64, 0, 9, 0})}),
                   1,
                   1,
                   24,
                   {{255, 128, 64}}});
  return cases;
}

class PcxReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(PcxReadTest, DecodesEveryVariant) {
  const ReadCase& c = GetParam();
  const Raster r = ReadPcx(c.file);
  EXPECT_EQ(r.width, c.width);
  EXPECT_EQ(r.height, c.height);
  EXPECT_EQ(r.bits, c.bits);
  EXPECT_EQ(r.pixels.size(), r.Stride() * r.height);
  EXPECT_EQ(Colors(r), c.colors);
}

TEST_P(PcxReadTest, EveryTruncationRaisesTheFormatError) {
  const Bytes& file = GetParam().file;
  for (std::size_t n = 0; n < file.size(); ++n) {
    EXPECT_THROW(ReadPcx(std::span(file).first(n)), EPGPCXFileFormatReader) << "length " << n;
  }
}

TEST_P(PcxReadTest, InfoNeedsOnlyTheHeader) {
  const ReadCase& c = GetParam();
  const ImageInfo info = ReadPcxInfo(std::span(c.file).first(128));
  EXPECT_EQ(info.width, c.width);
  EXPECT_EQ(info.height, c.height);
  EXPECT_EQ(info.bits, c.file[3] * c.file[65]);
}

INSTANTIATE_TEST_SUITE_P(Variants, PcxReadTest, ::testing::ValuesIn(ReadCases()),
                         [](const auto& info) { return info.param.name; });

struct ErrorCase {
  std::string name;
  friend void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.name; }
  Bytes file;
  std::string message;
};

std::vector<ErrorCase> ErrorCases() {
  Bytes not_pcx = Header(8, 1, 2, 2, 2);
  not_pcx[0] = 0x0B;
  Bytes inverted = Header(8, 1, 2, 2, 2);
  inverted[8] = 0;  // xmax below xmin
  return {
      {"NotPcx", not_pcx, "PCX: Not a PCX file"},
      {"Inverted", inverted, "PCX: Invalid image size"},
      {"HugeClaim", Cat({Header(8, 1, 65536 - 10, 65536 - 20, 65535), Bytes(800, 0)}),
       "PCX: Image too large"},
      // Accepted size, but far too little data: refused before the image is allocated.
      {"LargeButShort", Cat({Header(8, 3, 10000, 10000, 10000), Bytes(100, 0xC1)}),
       "PCX: Unexpected end of file"},
      {"NoPaletteMarker", Cat({Header(8, 1, 2, 2, 2), Bytes{0, 1, 2, 3}, EndPalette({}, 0x0B)}),
       "PCX: Palette not found"},
      {"TwoPlanesOf8", Cat({Header(8, 2, 2, 2, 2), Bytes(8, 0)}),
       "PCX: Unsupported format: 8 bits in 2 planes"},
      {"ShortLines", Cat({Header(8, 1, 20, 1, 4), Bytes(20, 0)}), "PCX: Invalid bytes per line"},
      {"UnknownEncoding", Header(8, 1, 2, 2, 2, 7), "PCX: Unsupported encoding 7"},
  };
}

class PcxErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(PcxErrorTest, RaisesTheFormatErrorWithItsText) {
  std::string message = "<no error>";
  try {
    ReadPcx(GetParam().file);
  } catch (const EPGPCXFileFormatReader& e) {
    message = e.what();
  }
  EXPECT_EQ(message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Files, PcxErrorTest, ::testing::ValuesIn(ErrorCases()),
                         [](const auto& info) { return info.param.name; });

TEST(PcxSignature, KnowsPcxHeaders) {
  const Bytes h = Header(8, 1, 2, 2, 2);
  EXPECT_TRUE(IsPcxSignature(std::span(h).first(17)));
  EXPECT_TRUE(IsPcxSignature(Header(1, 4, 2, 2, 2, 1, 0)));
  EXPECT_FALSE(IsPcxSignature(Header(8, 1, 2, 2, 2, 1, 1)));  // no version 1
  EXPECT_FALSE(IsPcxSignature(Header(3, 1, 2, 2, 2)));        // no 3-bit pixels
  EXPECT_FALSE(IsPcxSignature(Bytes{'B', 'M', 0, 0}));
  EXPECT_FALSE(IsPcxSignature({}));
}

TEST(PcxInfo, NamesTheEncoding) {
  EXPECT_EQ(ReadPcxInfo(Header(8, 1, 2, 2, 2)).subformat, "RLE");
  EXPECT_EQ(ReadPcxInfo(Header(8, 1, 2, 2, 2, 0)).subformat, "Uncompressed");
}

}  // namespace
}  // namespace parvel
