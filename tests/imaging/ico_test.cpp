#include "imaging/formats/ico.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "imaging/formats/png.h"
#include "imaging/pgerrors.h"

namespace parvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255},
    kBlack{0, 0, 0};

void Put(Bytes& out, std::uint32_t v, int n) {
  for (int i = 0; i < n; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Packs rows given top-down as a bitmap stores them: bottom-up, padded to 4 bytes.
Bytes Rows(int bits, const std::vector<std::vector<std::uint32_t>>& rows) {
  Bytes b;
  const std::size_t stride = ((rows[0].size() * bits + 31) / 32) * 4;
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    Bytes packed(stride, 0);
    for (std::size_t x = 0; x < it->size(); ++x) {
      const std::uint32_t v = (*it)[x];
      if (bits >= 8) {
        for (int k = 0; k < bits / 8; ++k)
          packed[x * bits / 8 + k] = static_cast<std::uint8_t>(v >> (8 * k));
      } else {
        const std::size_t bit = x * bits;
        packed[bit / 8] |= static_cast<std::uint8_t>(v << (8 - bits - bit % 8));
      }
    }
    b.insert(b.end(), packed.begin(), packed.end());
  }
  return b;
}

// The bitmap of one icon: header with doubled height, palette, colour rows, mask rows.
Bytes IconBitmap(int bits, std::initializer_list<Rgb> palette,
                 const std::vector<std::vector<std::uint32_t>>& pixels,
                 const std::vector<std::vector<std::uint32_t>>& mask) {
  Bytes b;
  const auto w = static_cast<std::uint32_t>(pixels[0].size());
  const auto h = static_cast<std::uint32_t>(pixels.size());
  Put(b, 40, 4);
  Put(b, w, 4);
  Put(b, 2 * h, 4);
  Put(b, 1, 2);
  Put(b, static_cast<std::uint32_t>(bits), 2);
  Put(b, 0, 4);
  Put(b, 0, 4);
  Put(b, 0, 4);
  Put(b, 0, 4);
  Put(b, static_cast<std::uint32_t>(palette.size()), 4);
  Put(b, 0, 4);
  for (Rgb c : palette) b.insert(b.end(), {c.b, c.g, c.r, 0});
  const Bytes colour = Rows(bits, pixels);
  const Bytes and_mask = Rows(1, mask);
  b.insert(b.end(), colour.begin(), colour.end());
  b.insert(b.end(), and_mask.begin(), and_mask.end());
  return b;
}

Bytes Icon(std::initializer_list<Bytes> images, int type = 1) {
  Bytes b;
  Put(b, 0, 2);
  Put(b, static_cast<std::uint32_t>(type), 2);
  Put(b, static_cast<std::uint32_t>(images.size()), 2);
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (const Bytes& image : images) {
    b.insert(b.end(), {16, 16, 0, 0});
    Put(b, 1, 2);
    Put(b, 32, 2);
    Put(b, static_cast<std::uint32_t>(image.size()), 4);
    Put(b, offset, 4);
    offset += static_cast<std::uint32_t>(image.size());
  }
  for (const Bytes& image : images) b.insert(b.end(), image.begin(), image.end());
  return b;
}

std::uint32_t Bgr(Rgb c) {
  return c.b | (c.g << 8) | (c.r << 16);
}
std::uint32_t Bgra(Rgb c, std::uint32_t alpha) {
  return Bgr(c) | (alpha << 24);
}

std::vector<Rgb> Colors(const Raster& r) {
  std::vector<Rgb> out;
  for (std::int32_t y = 0; y < r.height; ++y) {
    for (std::int32_t x = 0; x < r.width; ++x) out.push_back(r.ColorAt(x, y));
  }
  return out;
}

const std::vector<std::vector<std::uint32_t>> kOpaque2x2 = {{0, 0}, {0, 0}};
const std::vector<std::vector<std::uint32_t>> kCornerClear = {{1, 0}, {0, 0}};

struct ReadCase {
  std::string name;
  friend void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }
  Bytes file;
  int width, height, bits;
  std::vector<Rgb> colors;
};

std::vector<ReadCase> ReadCases() {
  const auto rgbk = {kRed, kGreen, kBlue, kBlack};
  return {
      // Without transparent pixels an indexed icon keeps its depth.
      {"Indexed4Opaque",
       Icon({IconBitmap(4, rgbk, {{0, 1}, {2, 3}}, kOpaque2x2)}),
       2,
       2,
       4,
       {kRed, kGreen, kBlue, kBlack}},
      // A set mask bit lays the pixel on white, so the icon becomes true colour.
      {"Indexed4Masked",
       Icon({IconBitmap(4, rgbk, {{0, 1}, {2, 3}}, kCornerClear)}),
       2,
       2,
       24,
       {kWhite, kGreen, kBlue, kBlack}},
      {"Indexed1Masked",
       Icon({IconBitmap(1, {kBlack, kRed}, {{1, 0, 1}, {0, 1, 0}}, {{0, 0, 0}, {0, 0, 1}})}),
       3,
       2,
       24,
       {kRed, kBlack, kRed, kBlack, kRed, kWhite}},
      {"Indexed8",
       Icon({IconBitmap(8, rgbk, {{3, 2}, {1, 0}}, kOpaque2x2)}),
       2,
       2,
       8,
       {kBlack, kBlue, kGreen, kRed}},
      {"TrueColor24Masked",
       Icon({IconBitmap(24, {}, {{Bgr(kRed), Bgr(kGreen)}, {Bgr(kBlue), Bgr(kBlack)}},
                        {{0, 0}, {0, 1}})}),
       2,
       2,
       24,
       {kRed, kGreen, kBlue, kWhite}},
      // Alpha, when the icon has any, decides instead of the mask.
      {"Alpha32",
       Icon({IconBitmap(32, {},
                        {{Bgra(kRed, 255), Bgra(kGreen, 0)}, {Bgra(kRed, 128), Bgra(kBlue, 255)}},
                        kCornerClear)}),
       2,
       2,
       24,
       {kRed, kWhite, {255, 127, 127}, kBlue}},
      {"Alpha32AllZeroUsesMask",
       Icon({IconBitmap(32, {}, {{Bgr(kRed), Bgr(kGreen)}, {Bgr(kBlue), Bgr(kBlack)}},
                        kCornerClear)}),
       2,
       2,
       24,
       {kWhite, kGreen, kBlue, kBlack}},
      {"Png",
       Icon({[] {
         Raster image;
         image.Allocate(2, 2, 24);
         image.pixels = {255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0};
         return WritePng(image);
       }()}),
       2,
       2,
       24,
       {kRed, kGreen, kBlue, kBlack}},
      {"FirstOfTwo",
       Icon({IconBitmap(8, rgbk, {{1}}, {{0}}), IconBitmap(8, rgbk, {{2, 2}, {2, 2}}, kOpaque2x2)}),
       1,
       1,
       8,
       {kGreen}},
  };
}

class IcoReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IcoReadTest, DecodesTheFirstIcon) {
  const ReadCase& c = GetParam();
  const Raster r = ReadIco(c.file);
  EXPECT_EQ(r.width, c.width);
  EXPECT_EQ(r.height, c.height);
  EXPECT_EQ(r.bits, c.bits);
  EXPECT_EQ(r.pixels.size(), r.Stride() * r.height);
  EXPECT_EQ(Colors(r), c.colors);
}

std::uint32_t Le32(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// Cutting the file anywhere before the first icon's end is refused; later icons are not read.
TEST_P(IcoReadTest, EveryTruncationRaisesTheFormatError) {
  const Bytes& file = GetParam().file;
  const std::size_t first_end = Le32(file, 18) + Le32(file, 14);
  for (std::size_t n = 0; n < first_end; ++n) {
    EXPECT_THROW(ReadIco(std::span(file).first(n)), EPGICOFileFormatReader) << "length " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Variants, IcoReadTest, ::testing::ValuesIn(ReadCases()),
                         [](const auto& info) { return info.param.name; });

TEST(IcoInfo, GivesTheCountAndTheFirstIconsSizeFromTheHeaders) {
  const Bytes file =
      Icon({IconBitmap(8, {kRed}, {{0, 0, 0}}, {{0, 0, 0}}), IconBitmap(4, {kRed}, {{0}}, {{0}})});
  ImageInfo info = ReadIcoInfo(file);
  EXPECT_EQ(info.image_count, 2);
  EXPECT_EQ(info.width, 3);
  EXPECT_EQ(info.height, 1);
  EXPECT_EQ(info.bits, 8);
}

std::string MessageOf(const Bytes& file, bool info = false) {
  try {
    if (info) {
      ReadIcoInfo(file);
    } else {
      ReadIco(file);
    }
  } catch (const EPGICOFileFormatReader& e) {
    return e.what();
  }
  return "<no error>";
}

TEST(IcoRead, ReportsPngErrorsUnderItsOwnPrefix) {
  const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  for (bool info : {false, true}) {
    const std::string message = MessageOf(Icon({png}), info);
    EXPECT_EQ(message.rfind("ICO: ", 0), 0u) << message;
    EXPECT_EQ(message.find("PNG: "), std::string::npos) << message;
  }
}

TEST(IcoInfo, ReadsAPngIconsHeader) {
  Raster image;
  image.Allocate(5, 3, 24);
  const Bytes file = Icon({WritePng(image), WritePng(image)});
  const ImageInfo info = ReadIcoInfo(file);
  EXPECT_EQ(info.image_count, 2);
  EXPECT_EQ(info.width, 5);
  EXPECT_EQ(info.height, 3);
}

TEST(IcoRead, ReportsBitmapErrorsUnderItsOwnPrefix) {
  const Bytes file = Icon({IconBitmap(2, {}, {{0, 0}}, {{0, 0}})});
  EXPECT_EQ(MessageOf(file), "ICO: Unsupported bit count 2");
  EXPECT_EQ(MessageOf(file, true), "ICO: Unsupported bit count 2");
}

TEST(IcoRead, RefusesAHugeClaimBeforeAllocating) {
  Bytes bitmap = IconBitmap(24, {}, {{0}}, {{0}});
  bitmap[4] = 0xA0;  // width 100000
  bitmap[5] = 0x86;
  bitmap[6] = 0x01;
  bitmap[8] = 0x40;  // height 2 * 100000
  bitmap[9] = 0x0D;
  bitmap[10] = 0x03;
  EXPECT_EQ(MessageOf(Icon({bitmap})), "ICO: Image too large");
}

TEST(IcoRead, RefusesBrokenDirectories) {
  Bytes no_icons = Icon({});
  EXPECT_EQ(MessageOf(no_icons), "ICO: No icons in the file");
  const Bytes bitmap = IconBitmap(8, {kRed}, {{0}}, {{0}});
  EXPECT_EQ(MessageOf(Icon({bitmap}, 2)), "ICO: Not an ICO file");
  Bytes far = Icon({bitmap});
  far[18] = 0xFF;  // the icon's offset points past the end
  EXPECT_EQ(MessageOf(far), "ICO: Unexpected end of file");
}

TEST(IcoSignature, KnowsIconDirectories) {
  const Bytes file = Icon({IconBitmap(8, {kRed}, {{0}}, {{0}})});
  EXPECT_TRUE(IsIcoSignature(std::span(file).first(17)));
  EXPECT_TRUE(IsIcoSignature(std::span(file).first(6)));
  EXPECT_FALSE(IsIcoSignature(Icon({})));
  // An uncompressed true-colour TGA starts 00 00 02 00: no cursor type is taken.
  EXPECT_FALSE(IsIcoSignature(Bytes{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24}));
  Bytes odd_depth = file;
  odd_depth[12] = 3;
  EXPECT_FALSE(IsIcoSignature(std::span(odd_depth).first(17)));
}

}  // namespace
}  // namespace parvel
