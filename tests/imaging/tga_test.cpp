#include "imaging/formats/tga.h"

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

struct Head {
  int map_type = 0, type = 2, map_first = 0, map_length = 0, map_bits = 0;
  int width = 2, height = 2, depth = 24, descriptor = 0;
  std::string id;
};

Bytes Header(const Head& h) {
  Bytes b = {static_cast<std::uint8_t>(h.id.size()), static_cast<std::uint8_t>(h.map_type),
             static_cast<std::uint8_t>(h.type)};
  auto put16 = [&](int v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  put16(h.map_first);
  put16(h.map_length);
  b.push_back(static_cast<std::uint8_t>(h.map_bits));
  put16(0);
  put16(0);
  put16(h.width);
  put16(h.height);
  b.push_back(static_cast<std::uint8_t>(h.depth));
  b.push_back(static_cast<std::uint8_t>(h.descriptor));
  b.insert(b.end(), h.id.begin(), h.id.end());
  return b;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes b;
  for (const auto& p : parts) b.insert(b.end(), p.begin(), p.end());
  return b;
}

Bytes Bgr(std::initializer_list<Rgb> colors) {
  Bytes b;
  for (Rgb c : colors) b.insert(b.end(), {c.b, c.g, c.r});
  return b;
}

// Run-length codes stored pixels of `size` bytes: equal neighbours as runs, the rest as raw
// packets. Packets run across rows, as many writers make them.
Bytes Rle(const Bytes& pixels, std::size_t size) {
  Bytes out;
  const std::size_t count = pixels.size() / size;
  auto same = [&](std::size_t a, std::size_t b) {
    return std::equal(pixels.begin() + a * size, pixels.begin() + (a + 1) * size,
                      pixels.begin() + b * size);
  };
  for (std::size_t i = 0; i < count;) {
    std::size_t n = 1;
    while (i + n < count && n < 128 && same(i, i + n)) ++n;
    if (n > 1) {
      out.push_back(static_cast<std::uint8_t>(0x80 | (n - 1)));
      out.insert(out.end(), pixels.begin() + i * size, pixels.begin() + (i + 1) * size);
    } else {
      std::size_t m = 1;
      while (i + m < count && m < 128 && !(i + m + 1 < count && same(i + m, i + m + 1))) ++m;
      out.push_back(static_cast<std::uint8_t>(m - 1));
      out.insert(out.end(), pixels.begin() + i * size, pixels.begin() + (i + m) * size);
      n = m;
    }
    i += n;
  }
  return out;
}

std::vector<Rgb> Colors(const Raster& r) {
  std::vector<Rgb> out;
  for (std::int32_t y = 0; y < r.height; ++y) {
    for (std::int32_t x = 0; x < r.width; ++x) out.push_back(r.ColorAt(x, y));
  }
  return out;
}

Rgb Gray(int v) {
  const auto g = static_cast<std::uint8_t>(v);
  return {g, g, g};
}

struct ReadCase {
  std::string name;
  friend void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }
  Bytes file;
  int width, height, bits;
  std::vector<Rgb> colors;
};

std::vector<ReadCase> ReadCases() {
  std::vector<ReadCase> cases;
  // The same 2x2 picture (red, green above blue, white) stored from each corner.
  const std::vector<Rgb> rgbw = {kRed, kGreen, kBlue, kWhite};
  const struct {
    const char* name;
    int descriptor;
    std::initializer_list<Rgb> stored;
  } origins[] = {{"BottomLeft", 0x00, {kBlue, kWhite, kRed, kGreen}},
                 {"BottomRight", 0x10, {kWhite, kBlue, kGreen, kRed}},
                 {"TopLeft", 0x20, {kRed, kGreen, kBlue, kWhite}},
                 {"TopRight", 0x30, {kGreen, kRed, kWhite, kBlue}}};
  for (const auto& o : origins) {
    Head h;
    h.descriptor = o.descriptor;
    cases.push_back(
        {std::string("Raw24") + o.name, Cat({Header(h), Bgr(o.stored)}), 2, 2, 24, rgbw});
  }
  // A 3x2 picture with runs (blue red red above green blue blue), stored from each corner; the
  // blue run crosses a row when stored from the bottom left.
  const std::vector<Rgb> runs = {kBlue, kRed, kRed, kGreen, kBlue, kBlue};
  const struct {
    const char* name;
    int descriptor;
    std::initializer_list<Rgb> stored;
  } run_origins[] = {{"BottomLeft", 0x00, {kGreen, kBlue, kBlue, kBlue, kRed, kRed}},
                     {"BottomRight", 0x10, {kBlue, kBlue, kGreen, kRed, kRed, kBlue}},
                     {"TopLeft", 0x20, {kBlue, kRed, kRed, kGreen, kBlue, kBlue}},
                     {"TopRight", 0x30, {kRed, kRed, kBlue, kBlue, kBlue, kGreen}}};
  for (const auto& o : run_origins) {
    Head h;
    h.type = 10;
    h.width = 3;
    h.descriptor = o.descriptor;
    cases.push_back(
        {std::string("Rle24") + o.name, Cat({Header(h), Rle(Bgr(o.stored), 3)}), 3, 2, 24, runs});
  }
  {
    Head h;
    h.depth = 32;
    h.descriptor = 0x28;  // top-left, 8 alpha bits
    Bytes px;
    for (Rgb c : rgbw) px.insert(px.end(), {c.b, c.g, c.r, 0x40});
    cases.push_back({"Raw32", Cat({Header(h), px}), 2, 2, 24, rgbw});
    h.type = 10;
    cases.push_back({"Rle32", Cat({Header(h), Rle(px, 4)}), 2, 2, 24, rgbw});
  }
  for (int depth : {15, 16}) {
    Head h;
    h.depth = depth;
    h.descriptor = 0x20;
    const Bytes px = {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x80, 0xFF, 0x7F};  // 0x8000 is attribute
    cases.push_back({"Raw" + std::to_string(depth), Cat({Header(h), px}), 2, 2, 24, rgbw});
  }
  {
    // Colour-mapped: the map starts at index 2, so stored index 2 is the map's first entry.
    Head h;
    h.map_type = 1;
    h.type = 1;
    h.map_first = 2;
    h.map_length = 4;
    h.map_bits = 24;
    h.depth = 8;
    h.descriptor = 0x20;
    h.id = "hello";
    const Bytes map = Bgr({kRed, kGreen, kBlue, kWhite});
    cases.push_back({"Mapped", Cat({Header(h), map, Bytes{2, 3, 4, 5}}), 2, 2, 8, rgbw});
    // An index below the map reads as black.
    cases.push_back({"MappedIndexOutsideMap",
                     Cat({Header(h), map, Bytes{2, 3, 4, 0}}),
                     2,
                     2,
                     8,
                     {kRed, kGreen, kBlue, kBlack}});
    h.type = 9;
    h.descriptor = 0;
    cases.push_back({"MappedRle",
                     Cat({Header(h), map, Bytes{0x81, 4, 0x81, 2}}),
                     2,
                     2,
                     8,
                     {kRed, kRed, kBlue, kBlue}});
    h.type = 1;
    h.map_bits = 16;
    h.descriptor = 0x20;
    cases.push_back(
        {"Mapped16BitEntries",
         Cat({Header(h), Bytes{0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0xFF, 0x7F}, Bytes{2, 3, 4, 5}}),
         2, 2, 8, rgbw});
  }
  {
    Head h;
    h.type = 3;
    h.depth = 8;
    h.descriptor = 0x20;
    cases.push_back({"Gray",
                     Cat({Header(h), Bytes{0, 85, 170, 255}}),
                     2,
                     2,
                     8,
                     {Gray(0), Gray(85), Gray(170), Gray(255)}});
    h.type = 11;
    // The last packet asks for more pixels than are left; the rest is cut.
    cases.push_back({"GrayRle",
                     Cat({Header(h), Bytes{0x00, 10, 0x85, 99}}),
                     2,
                     2,
                     8,
                     {Gray(10), Gray(99), Gray(99), Gray(99)}});
    h.type = 3;
    h.depth = 16;
    cases.push_back({"GrayWithAlpha",
                     Cat({Header(h), Bytes{0, 9, 85, 9, 170, 9, 255, 9}}),
                     2,
                     2,
                     8,
                     {Gray(0), Gray(85), Gray(170), Gray(255)}});
  }
  return cases;
}

class TgaReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(TgaReadTest, DecodesEveryVariant) {
  const ReadCase& c = GetParam();
  const Raster r = ReadTga(c.file);
  EXPECT_EQ(r.width, c.width);
  EXPECT_EQ(r.height, c.height);
  EXPECT_EQ(r.bits, c.bits);
  EXPECT_EQ(r.pixels.size(), r.Stride() * r.height);
  EXPECT_EQ(Colors(r), c.colors);
}

TEST_P(TgaReadTest, EveryTruncationRaisesTheFormatError) {
  const Bytes& file = GetParam().file;
  for (std::size_t n = 0; n < file.size(); ++n) {
    EXPECT_THROW(ReadTga(std::span(file).first(n)), EPGTGAFileFormatReader) << "length " << n;
  }
}

TEST_P(TgaReadTest, InfoNeedsOnlyTheHeader) {
  const ReadCase& c = GetParam();
  const ImageInfo info = ReadTgaInfo(std::span(c.file).first(18 + c.file[0]));
  EXPECT_EQ(info.width, c.width);
  EXPECT_EQ(info.height, c.height);
  EXPECT_EQ(info.bits, c.file[16]);
}

INSTANTIATE_TEST_SUITE_P(Variants, TgaReadTest, ::testing::ValuesIn(ReadCases()),
                         [](const auto& info) { return info.param.name; });

TEST(TgaInfo, NamesTheImageType) {
  Head h;
  EXPECT_EQ(ReadTgaInfo(Header(h)).subformat, "True colour");
  h.type = 10;
  EXPECT_EQ(ReadTgaInfo(Header(h)).subformat, "True colour RLE");
  h.type = 11;
  h.depth = 8;
  EXPECT_EQ(ReadTgaInfo(Header(h)).subformat, "Gray RLE");
}

TEST(TgaRoundTrip, ColourMappedKeepsPixelsAndPalette) {
  Raster in;
  in.Allocate(5, 3, 8);
  for (int i = 0; i < 256; ++i) {
    in.palette[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 3),
                     static_cast<std::uint8_t>(255 - i)};
  }
  for (std::size_t i = 0; i < in.pixels.size(); ++i)
    in.pixels[i] = static_cast<std::uint8_t>(i * 17);
  const Bytes file = WriteTga(in);
  EXPECT_EQ(file[1], 1);  // colour map present
  EXPECT_EQ(file[2], 1);  // uncompressed colour-mapped
  EXPECT_EQ(file.size(), 18u + 768 + 15);
  const Raster out = ReadTga(file);
  EXPECT_EQ(out.bits, 8);
  EXPECT_EQ(out.palette, in.palette);
  EXPECT_EQ(out.pixels, in.pixels);
}

TEST(TgaRoundTrip, TrueColourKeepsPixels) {
  Raster in;
  in.Allocate(4, 3, 24);
  for (std::size_t i = 0; i < in.pixels.size(); ++i)
    in.pixels[i] = static_cast<std::uint8_t>(i * 11);
  const Bytes file = WriteTga(in);
  EXPECT_EQ(file[2], 2);
  EXPECT_EQ(file.size(), 18u + 36);
  // Stored from the bottom row up, blue first.
  EXPECT_EQ(file[18], in.Row(2)[2]);
  const Raster out = ReadTga(file);
  EXPECT_EQ(out.bits, 24);
  EXPECT_EQ(out.pixels, in.pixels);
}

TEST(TgaWrite, RefusesWhatItCannotStore) {
  for (int bits : {1, 4}) {
    Raster r;
    r.Allocate(2, 2, bits);
    EXPECT_THROW(WriteTga(r), EPGTGAFileFormatWriter) << bits;
  }
  Raster wide;
  wide.Allocate(65536, 1, 8);
  EXPECT_THROW(WriteTga(wide), EPGTGAFileFormatWriter);
}

struct ErrorCase {
  std::string name;
  friend void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.name; }
  Head head;
  Bytes rest;
  std::string message;
};

Head With(std::initializer_list<std::pair<int Head::*, int>> fields) {
  Head h;
  for (auto [field, value] : fields) h.*field = value;
  return h;
}

class TgaErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(TgaErrorTest, RaisesTheFormatErrorWithItsText) {
  std::string message = "<no error>";
  try {
    ReadTga(Cat({Header(GetParam().head), GetParam().rest}));
  } catch (const EPGTGAFileFormatReader& e) {
    message = e.what();
  }
  EXPECT_EQ(message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Files, TgaErrorTest,
    ::testing::Values(
        ErrorCase{"MapTypeTwo", With({{&Head::map_type, 2}}), Bytes(12, 0), "TGA: Not a TGA file"},
        ErrorCase{"TypeFive", With({{&Head::type, 5}}), Bytes(12, 0), "TGA: Not a TGA file"},
        ErrorCase{"TypeSixteen", With({{&Head::type, 16}}), Bytes(12, 0), "TGA: Not a TGA file"},
        ErrorCase{"NoImage", With({{&Head::type, 0}}), {}, "TGA: Unsupported image type 0"},
        ErrorCase{"Depth12", With({{&Head::depth, 12}}), Bytes(12, 0),
                  "TGA: Unsupported pixel depth 12"},
        ErrorCase{"MappedWithoutMap", With({{&Head::type, 1}, {&Head::depth, 8}}), Bytes(4, 0),
                  "TGA: Colour map missing"},
        ErrorCase{"Mapped16BitIndexes",
                  With({{&Head::type, 1},
                        {&Head::map_type, 1},
                        {&Head::map_bits, 24},
                        {&Head::depth, 16}}),
                  Bytes(8, 0), "TGA: Unsupported pixel depth 16"},
        ErrorCase{
            "MapEntries8Bits",
            With({{&Head::type, 1}, {&Head::map_type, 1}, {&Head::map_bits, 8}, {&Head::depth, 8}}),
            Bytes(4, 0), "TGA: Unsupported colour map entry size 8"},
        ErrorCase{"ZeroHeight", With({{&Head::height, 0}}), {}, "TGA: Invalid image size"},
        // Refused before any pixel memory is taken.
        ErrorCase{"HugeClaim", With({{&Head::width, 65535}, {&Head::height, 65535}}), Bytes(12, 0),
                  "TGA: Image too large"},
        ErrorCase{"LargeButShort", With({{&Head::width, 10000}, {&Head::height, 10000}}),
                  Bytes(12, 0), "TGA: Unexpected end of file"},
        ErrorCase{"LargeRleButShort",
                  With({{&Head::type, 10}, {&Head::width, 10000}, {&Head::height, 10000}}),
                  Bytes{0xFF, 1, 2, 3}, "TGA: Unexpected end of file"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace parvel
