#include "imaging/formats/bmp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "imaging/pgerrors.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255},
    kBlack{0, 0, 0};

void Put(Bytes& out, std::uint32_t v, int n) {
  for (int i = 0; i < n; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Append(Bytes& out, const Bytes& more) {
  out.insert(out.end(), more.begin(), more.end());
}

// An info header of `size` bytes (40, 108, 124, or 12 for the old core form).
Bytes InfoHeader(std::int32_t w, std::int32_t h, int bits, std::uint32_t compression = 0,
                 std::uint32_t colors_used = 0, std::uint32_t size = 40,
                 std::initializer_list<std::uint32_t> masks = {}) {
  Bytes b;
  Put(b, size, 4);
  if (size == 12) {
    Put(b, static_cast<std::uint32_t>(w), 2);
    Put(b, static_cast<std::uint32_t>(h), 2);
    Put(b, 1, 2);
    Put(b, static_cast<std::uint32_t>(bits), 2);
    return b;
  }
  Put(b, static_cast<std::uint32_t>(w), 4);
  Put(b, static_cast<std::uint32_t>(h), 4);
  Put(b, 1, 2);
  Put(b, static_cast<std::uint32_t>(bits), 2);
  Put(b, compression, 4);
  Put(b, 0, 4);
  Put(b, 2835, 4);
  Put(b, 2835, 4);
  Put(b, colors_used, 4);
  Put(b, 0, 4);
  for (std::uint32_t m : masks) Put(b, m, 4);
  b.resize(size, 0);
  return b;
}

Bytes Palette(std::initializer_list<Rgb> colors, bool core = false) {
  Bytes b;
  for (Rgb c : colors) {
    b.insert(b.end(), {c.b, c.g, c.r});
    if (!core) b.push_back(0);
  }
  return b;
}

// A file: file header, then info header and palette, then pixels at the offset after them.
Bytes File(const Bytes& header_and_palette, const Bytes& pixels) {
  Bytes b = {'B', 'M'};
  const auto offset = static_cast<std::uint32_t>(14 + header_and_palette.size());
  Put(b, offset + static_cast<std::uint32_t>(pixels.size()), 4);
  Put(b, 0, 4);
  Put(b, offset, 4);
  Append(b, header_and_palette);
  Append(b, pixels);
  return b;
}

// Packs indexed rows (given top-down) as stored: bottom-up unless top_down, padded to 4 bytes.
Bytes Rows(int bits, const std::vector<std::vector<int>>& rows, bool top_down = false) {
  Bytes b;
  const std::size_t stride = ((rows[0].size() * bits + 31) / 32) * 4;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const auto& row = rows[top_down ? k : rows.size() - 1 - k];
    Bytes packed(stride, 0);
    for (std::size_t x = 0; x < row.size(); ++x) {
      const std::size_t bit = x * bits;
      packed[bit / 8] |= static_cast<std::uint8_t>(row[x] << (8 - bits - bit % 8));
    }
    Append(b, packed);
  }
  return b;
}

std::vector<Rgb> Colors(const Raster& r) {
  std::vector<Rgb> out;
  for (std::int32_t y = 0; y < r.height; ++y) {
    for (std::int32_t x = 0; x < r.width; ++x) out.push_back(r.ColorAt(x, y));
  }
  return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes b;
  for (const auto& p : parts) Append(b, p);
  return b;
}

// The 2x2 picture most cases store: red, green on top; blue, white below.
const std::vector<Rgb> kRgbw = {kRed, kGreen, kBlue, kWhite};

struct ReadCase {
  std::string name;
  friend void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }
  Bytes file;
  int width, height, bits;
  std::vector<Rgb> colors;  // top-down
};

std::vector<ReadCase> ReadCases() {
  const Bytes bgr_bottom_up = {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};
  const Bytes bgr_top_down = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
  std::vector<ReadCase> cases;
  cases.push_back({"Bits24BottomUp", File(InfoHeader(2, 2, 24), bgr_bottom_up), 2, 2, 24, kRgbw});
  cases.push_back({"Bits24TopDown", File(InfoHeader(2, -2, 24), bgr_top_down), 2, 2, 24, kRgbw});
  cases.push_back({"Bits8",
                   File(Cat({InfoHeader(2, 2, 8), Palette({kRed, kGreen, kBlue, kWhite})}),
                        Rows(8, {{0, 1}, {2, 3}})),
                   2, 2, 8, kRgbw});
  cases.push_back({"Bits8ShortPalette",
                   File(Cat({InfoHeader(2, 2, 8, 0, 4), Palette({kRed, kGreen, kBlue, kWhite})}),
                        Rows(8, {{0, 1}, {2, 3}})),
                   2, 2, 8, kRgbw});
  cases.push_back({"Bits4",
                   File(Cat({InfoHeader(3, 2, 4, 0, 4), Palette({kRed, kGreen, kBlue, kWhite})}),
                        Rows(4, {{0, 1, 3}, {2, 3, 0}})),
                   3,
                   2,
                   4,
                   {kRed, kGreen, kWhite, kBlue, kWhite, kRed}});
  cases.push_back({"Bits1",
                   File(Cat({InfoHeader(9, 1, 1), Palette({kBlack, kWhite})}),
                        Rows(1, {{1, 0, 0, 1, 1, 0, 0, 0, 1}})),
                   9,
                   1,
                   1,
                   {kWhite, kBlack, kBlack, kWhite, kWhite, kBlack, kBlack, kBlack, kWhite}});
  cases.push_back(
      {"CoreHeader4",
       File(Cat({InfoHeader(2, 2, 4, 0, 0, 12),
                 Palette({kRed, kGreen, kBlue, kWhite, kBlack, kBlack, kBlack, kBlack, kBlack,
                          kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack},
                         true)}),
            Rows(4, {{0, 1}, {2, 3}})),
       2, 2, 4, kRgbw});
  cases.push_back(
      {"CoreHeader24", File(InfoHeader(2, 2, 24, 0, 0, 12), bgr_bottom_up), 2, 2, 24, kRgbw});
  // 16 bits: 5-5-5 when uncompressed, the masks' layout (here 5-6-5) with bit fields.
  Bytes p555, p565;
  for (std::uint32_t v : {0x001Fu, 0x7FFFu, 0x7C00u, 0x03E0u}) Put(p555, v, 2);
  for (std::uint32_t v : {0x001Fu, 0xFFFFu, 0xF800u, 0x07E0u}) Put(p565, v, 2);
  cases.push_back({"Bits16Default", File(InfoHeader(2, 2, 16), p555), 2, 2, 24, kRgbw});
  cases.push_back({"Bits16Bitfields565",
                   File(Cat({InfoHeader(2, 2, 16, 3),
                             [] {
                               Bytes m;
                               for (std::uint32_t v : {0xF800u, 0x07E0u, 0x001Fu}) Put(m, v, 4);
                               return m;
                             }()}),
                        p565),
                   2, 2, 24, kRgbw});
  cases.push_back({"Bits16V4Header565",
                   File(InfoHeader(2, 2, 16, 3, 0, 108, {0xF800, 0x07E0, 0x001F, 0}), p565), 2, 2,
                   24, kRgbw});
  Bytes bgra;
  for (Rgb c : {kBlue, kWhite, kRed, kGreen}) bgra.insert(bgra.end(), {c.b, c.g, c.r, 0x80});
  cases.push_back({"Bits32", File(InfoHeader(2, 2, 32), bgra), 2, 2, 24, kRgbw});
  Bytes rgba;
  for (Rgb c : {kBlue, kWhite, kRed, kGreen}) rgba.insert(rgba.end(), {c.r, c.g, c.b, 0xFF});
  cases.push_back(
      {"Bits32V5HeaderMasks",
       File(InfoHeader(2, 2, 32, 3, 0, 124, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}), rgba), 2, 2, 24,
       kRgbw});

  // Run-length 8: a run longer than the row (cut), an odd absolute run with its pad byte,
  // end-of-line, a delta, end-of-bitmap. Rows are stored bottom-up.
  const Bytes rle8 = {6, 1, 0, 0,               // bottom row: red x4 (6 asked)
                      0, 3, 2, 3, 2, 0, 0, 0,   // middle: green blue green, pad, EOL
                      0, 2, 2, 0, 2, 3, 0, 1};  // top: skip 2, blue x2, EOB
  cases.push_back(
      {"Rle8",
       File(Cat({InfoHeader(4, 3, 8, 1, 4), Palette({kBlack, kRed, kGreen, kBlue})}), rle8),
       4,
       3,
       8,
       {kBlack, kBlack, kBlue, kBlue, kGreen, kBlue, kGreen, kBlack, kRed, kRed, kRed, kRed}});
  // Run-length 4: an absolute run, a run, a delta that moves down a row, a cut run.
  const Bytes rle4 = {0, 3,    0x12, 0x30, 1, 0x10, 0, 0,  // bottom: red green blue red, EOL
                      0, 2,    1,    1,                    // middle: delta (1, 1) into the top row
                      5, 0x23, 0,    1};                   // top from x=1: green blue green, EOB
  cases.push_back(
      {"Rle4",
       File(Cat({InfoHeader(4, 3, 4, 2, 4), Palette({kBlack, kRed, kGreen, kBlue})}), rle4),
       4,
       3,
       4,
       {kBlack, kGreen, kBlue, kGreen, kBlack, kBlack, kBlack, kBlack, kRed, kGreen, kBlue, kRed}});
  return cases;
}

class BmpReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(BmpReadTest, DecodesEveryVariant) {
  const ReadCase& c = GetParam();
  const Raster r = ReadBmp(c.file);
  EXPECT_EQ(r.width, c.width);
  EXPECT_EQ(r.height, c.height);
  EXPECT_EQ(r.bits, c.bits);
  EXPECT_EQ(r.pixels.size(), r.Stride() * r.height);
  EXPECT_EQ(Colors(r), c.colors);
}

// Every shorter prefix of a valid file is refused with the format's own error.
TEST_P(BmpReadTest, EveryTruncationRaisesTheFormatError) {
  const Bytes& file = GetParam().file;
  for (std::size_t n = 0; n < file.size(); ++n) {
    EXPECT_THROW(ReadBmp(std::span(file).first(n)), EPGBMPFileFormatReader) << "length " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Variants, BmpReadTest, ::testing::ValuesIn(ReadCases()),
                         [](const auto& info) { return info.param.name; });

Raster Pattern(int bits, std::int32_t w, std::int32_t h) {
  Raster r;
  r.Allocate(w, h, bits);
  for (std::size_t i = 0; i < r.palette.size(); ++i) {
    r.palette[i] = {static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(255 - i),
                    static_cast<std::uint8_t>(i * 13)};
  }
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      const int v = (x * 5 + y * 3 + x * y) & 0xFF;
      std::uint8_t* row = r.Row(y);
      switch (bits) {
        case 1:
          row[x >> 3] |= static_cast<std::uint8_t>((v & 1) << (7 - (x & 7)));
          break;
        case 4:
          row[x >> 1] |= static_cast<std::uint8_t>((v & 15) << ((x & 1) ? 0 : 4));
          break;
        case 8:
          row[x] = static_cast<std::uint8_t>(v);
          break;
        default:
          row[3 * x] = static_cast<std::uint8_t>(v);
          row[3 * x + 1] = static_cast<std::uint8_t>(x);
          row[3 * x + 2] = static_cast<std::uint8_t>(255 - y);
      }
    }
  }
  return r;
}

struct Size {
  int bits;
  std::int32_t w, h;
};

class BmpRoundTripTest : public ::testing::TestWithParam<Size> {};

TEST_P(BmpRoundTripTest, GivesBackTheSamePixelsAndPalette) {
  const auto [bits, w, h] = GetParam();
  const Raster in = Pattern(bits, w, h);
  const Bytes file = WriteBmp(in);
  const std::size_t stride = ((static_cast<std::size_t>(w) * bits + 31) / 32) * 4;
  const std::size_t colors = bits == 24 ? 0 : std::size_t{1} << bits;
  EXPECT_EQ(file.size(), 54 + 4 * colors + stride * h);
  const Raster out = ReadBmp(file);
  EXPECT_EQ(out.width, w);
  EXPECT_EQ(out.height, h);
  EXPECT_EQ(out.bits, bits);
  EXPECT_EQ(out.palette, in.palette);
  EXPECT_EQ(out.pixels, in.pixels);
}

INSTANTIATE_TEST_SUITE_P(Depths, BmpRoundTripTest,
                         ::testing::Values(Size{1, 1, 1}, Size{1, 13, 3}, Size{1, 33, 2},
                                           Size{4, 5, 4}, Size{4, 1, 1}, Size{8, 7, 5},
                                           Size{8, 4, 1}, Size{24, 5, 3}, Size{24, 1, 7}),
                         [](const auto& info) {
                           return "Bits" + std::to_string(info.param.bits) + "_" +
                                  std::to_string(info.param.w) + "x" + std::to_string(info.param.h);
                         });

TEST(BmpWrite, WritesBottomUpWithPaddedRows) {
  Raster in;
  in.Allocate(1, 2, 24);
  in.pixels = {1, 2, 3, 4, 5, 6};  // top (1,2,3), bottom (4,5,6)
  const Bytes file = WriteBmp(in);
  ASSERT_EQ(file.size(), 54u + 8);
  EXPECT_EQ(Bytes(file.begin() + 54, file.end()), (Bytes{6, 5, 4, 0, 3, 2, 1, 0}));
}

TEST(BmpWrite, RefusesDepthsItCannotStore) {
  for (int bits : {2, 16, 32}) {
    Raster r;
    r.width = r.height = 1;
    r.bits = bits;
    r.pixels.assign(4, 0);
    EXPECT_THROW(WriteBmp(r), EPGBMPFileFormatWriter) << bits;
  }
}

TEST(BmpWrite, RefusesAnImageWithoutPixels) {
  Raster r;
  r.width = 4;
  r.height = 4;
  EXPECT_THROW(WriteBmp(r), EPGBMPFileFormatWriter);
}

std::string MessageOf(const Bytes& file) {
  try {
    ReadBmp(file);
  } catch (const EPGBMPFileFormatReader& e) {
    return e.what();
  }
  return "<no error>";
}

struct ErrorCase {
  std::string name;
  friend void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.name; }
  Bytes file;
  std::string message;
};

std::vector<ErrorCase> ErrorCases() {
  const Bytes pixels(16, 0);
  return {
      {"NotBitmap", {'X', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "BMP: Not a BMP file"},
      {"HeaderOnly", File(InfoHeader(2, 2, 24), {}), "BMP: Unexpected end of file"},
      // Refused before any pixel memory is taken.
      {"HugeClaim", File(InfoHeader(100000, 100000, 24), pixels), "BMP: Image too large"},
      {"HugeTopDown", File(InfoHeader(1, INT32_MIN, 24), pixels), "BMP: Image too large"},
      {"LargeButShort", File(InfoHeader(20000, 20000, 24), pixels), "BMP: Unexpected end of file"},
      {"ZeroWidth", File(InfoHeader(0, 2, 24), pixels), "BMP: Invalid image size"},
      {"TwoBits", File(InfoHeader(2, 2, 2), pixels), "BMP: Unsupported bit count 2"},
      {"Jpeg", File(InfoHeader(2, 2, 24, 4), pixels), "BMP: Unsupported compression"},
      {"Rle8With4Bits", File(InfoHeader(2, 2, 4, 1), pixels),
       "BMP: Invalid bit count for the compression"},
      {"TinyHeader", File(InfoHeader(2, 2, 24, 0, 0, 8), pixels), "BMP: Unsupported header size 8"},
      // A broken run-length stream is refused before the large image is allocated.
      {"LargeRleWithoutEnd", File(InfoHeader(20000, 20000, 8, 1), {255, 1, 0, 0}),
       "BMP: Unexpected end of file"},
      {"RleWithoutEnd", File(InfoHeader(2, 2, 8, 1), {2, 1, 0, 0, 2, 1}),
       "BMP: Unexpected end of file"},
  };
}

class BmpErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(BmpErrorTest, RaisesTheFormatErrorWithItsText) {
  EXPECT_EQ(MessageOf(GetParam().file), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Files, BmpErrorTest, ::testing::ValuesIn(ErrorCases()),
                         [](const auto& info) { return info.param.name; });

TEST(BmpRead, RleDeltaFarOutsideTheImageIsIgnored) {
  const Bytes rle = {0, 2, 255, 255, 0, 2, 255, 255, 3, 1, 0, 0, 0, 3, 1, 1, 1, 0, 0, 1};
  const Raster r = ReadBmp(File(Cat({InfoHeader(2, 1, 8, 1), Palette({kRed, kBlue})}), rle));
  EXPECT_EQ(Colors(r), (std::vector<Rgb>{kRed, kRed}));
}

struct InfoCase {
  std::string name;
  friend void PrintTo(const InfoCase& c, std::ostream* os) { *os << c.name; }
  Bytes headers;  // without pixels: the info must not need them
  int width, height, bits;
  std::string subformat;
};

class BmpInfoTest : public ::testing::TestWithParam<InfoCase> {};

TEST_P(BmpInfoTest, ReadsTheHeadersOnly) {
  const InfoCase& c = GetParam();
  const ImageInfo info = ReadBmpInfo(File(c.headers, {}));
  EXPECT_EQ(info.image_count, 1);
  EXPECT_EQ(info.width, c.width);
  EXPECT_EQ(info.height, c.height);
  EXPECT_EQ(info.bits, c.bits);
  EXPECT_EQ(info.subformat, c.subformat);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, BmpInfoTest,
    ::testing::Values(InfoCase{"Rgb", InfoHeader(640, 480, 24), 640, 480, 24, "RGB"},
                      InfoCase{"TopDown", InfoHeader(3, -7, 32), 3, 7, 32, "RGB"},
                      InfoCase{"Rle8", InfoHeader(100, 50, 8, 1), 100, 50, 8, "RLE8"},
                      InfoCase{"Rle4", InfoHeader(9, 2, 4, 2), 9, 2, 4, "RLE4"},
                      InfoCase{"Bitfields", InfoHeader(5, 6, 16, 3, 0, 124), 5, 6, 16, "BITFIELDS"},
                      InfoCase{"Core", InfoHeader(300, 200, 8, 0, 0, 12), 300, 200, 8, "RGB"}),
    [](const auto& info) { return info.param.name; });

TEST(BmpSignature, KnowsBitmapFilesByTheirStart) {
  const Bytes bmp = File(InfoHeader(2, 2, 24), Bytes(16, 0));
  EXPECT_TRUE(IsBmpSignature(std::span(bmp).first(17)));
  EXPECT_TRUE(IsBmpSignature(std::span(bmp).first(2)));
  const Bytes core = File(InfoHeader(2, 2, 24, 0, 0, 12), Bytes(16, 0));
  EXPECT_TRUE(IsBmpSignature(std::span(core).first(17)));
  Bytes odd = bmp;
  odd[14] = 200;  // no header is that long
  EXPECT_FALSE(IsBmpSignature(std::span(odd).first(17)));
  const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_FALSE(IsBmpSignature(png));
  EXPECT_FALSE(IsBmpSignature({}));
}

}  // namespace
}  // namespace parvel
