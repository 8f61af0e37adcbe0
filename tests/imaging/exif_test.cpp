#include "imaging/exif.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "imaging/formats/jpeg.h"
#include "imaging/testimages.h"

namespace parvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A small real JPEG file: SOI, the JFIF APP0 segment, then the image.
Bytes EncodeJpeg() {
  return WriteJpeg(testing::PhotoLike(8, 4), 80, false);
}

void Put16(Bytes& b, unsigned v, bool big) {
  if (big) {
    b.push_back(static_cast<std::uint8_t>(v >> 8));
    b.push_back(static_cast<std::uint8_t>(v));
  } else {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
  }
}

void Put32(Bytes& b, std::uint32_t v, bool big) {
  Put16(b, big ? v >> 16 : v & 0xFFFF, big);
  Put16(b, big ? v & 0xFFFF : v >> 16, big);
}

struct Tag {
  unsigned id;
  unsigned type;  // 3 SHORT, 4 LONG
  std::uint32_t value;
};

// The payload of an EXIF APP1 segment: "Exif\0\0" and a TIFF block whose first IFD holds the tags.
Bytes ExifPayload(const std::vector<Tag>& tags, bool big_endian) {
  Bytes b = {'E', 'x', 'i', 'f', 0, 0};
  b.push_back(big_endian ? 'M' : 'I');
  b.push_back(big_endian ? 'M' : 'I');
  Put16(b, 42, big_endian);
  Put32(b, 8, big_endian);
  Put16(b, static_cast<unsigned>(tags.size()), big_endian);
  for (const Tag& t : tags) {
    Put16(b, t.id, big_endian);
    Put16(b, t.type, big_endian);
    Put32(b, 1, big_endian);
    if (t.type == 3) {
      Put16(b, t.value, big_endian);
      Put16(b, 0, big_endian);
    } else {
      Put32(b, t.value, big_endian);
    }
  }
  Put32(b, 0, big_endian);
  return b;
}

Bytes Segment(std::uint8_t marker, const Bytes& payload) {
  Bytes s = {0xFF, marker};
  Put16(s, static_cast<unsigned>(payload.size() + 2), true);
  s.insert(s.end(), payload.begin(), payload.end());
  return s;
}

// The JPEG with the given segments placed after its APP0, where cameras put their EXIF block.
Bytes JpegWith(const std::vector<Bytes>& segments) {
  Bytes jpeg = EncodeJpeg();
  const std::size_t app0_end = 4 + ((std::size_t{jpeg[4]} << 8) | jpeg[5]);
  Bytes inserted;
  for (const Bytes& s : segments) inserted.insert(inserted.end(), s.begin(), s.end());
  jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(app0_end), inserted.begin(),
              inserted.end());
  return jpeg;
}

Bytes JpegWithOrientation(unsigned orientation, bool big_endian = true) {
  return JpegWith({Segment(0xE1, ExifPayload({{0x0112, 3, orientation}}, big_endian))});
}

TEST(ReadJpegOrientation, ReadsEveryValueInBothByteOrders) {
  for (unsigned value = 1; value <= 8; ++value) {
    for (bool big : {true, false}) {
      const Bytes jpeg = JpegWithOrientation(value, big);
      ASSERT_EQ(ReadJpegInfo(jpeg).width, 8);  // still a valid JPEG file
      EXPECT_EQ(ReadJpegOrientation(jpeg), static_cast<int>(value)) << value << " big=" << big;
    }
  }
}

TEST(ReadJpegOrientation, EveryTruncationOfAValidFileIsSafe) {
  const Bytes valid = JpegWithOrientation(3, false);
  for (std::size_t keep = 0; keep <= valid.size(); ++keep) {
    const Bytes cut(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(keep));
    const int orientation = ReadJpegOrientation(cut);
    EXPECT_TRUE(orientation == 1 || orientation == 3) << keep;
  }
}

// Images of 3 by 2 pixels written as rows of letters; each letter is one distinct pixel value.
struct OrientationCase {
  int orientation;
  std::vector<std::string> upright;
};

const std::vector<std::string> kStored = {"ABC", "DEF"};

std::vector<OrientationCase> OrientationCases() {
  return {
      {1, {"ABC", "DEF"}},     {2, {"CBA", "FED"}},     {3, {"FED", "CBA"}},
      {4, {"DEF", "ABC"}},     {5, {"AD", "BE", "CF"}}, {6, {"DA", "EB", "FC"}},
      {7, {"FC", "EB", "DA"}}, {8, {"CF", "BE", "AD"}}, {0, {"ABC", "DEF"}},
      {9, {"ABC", "DEF"}},     {-1, {"ABC", "DEF"}},
  };
}

class ApplyOrientationTest : public ::testing::TestWithParam<OrientationCase> {};

Raster FromLetters(const std::vector<std::string>& rows, int bits) {
  Raster r;
  r.Allocate(static_cast<std::int32_t>(rows[0].size()), static_cast<std::int32_t>(rows.size()),
             bits);
  for (std::size_t i = 0; i < r.palette.size(); ++i) {
    r.palette[i] = Rgb{static_cast<std::uint8_t>(i), 0, 0};
  }
  for (int y = 0; y < r.height; ++y) {
    for (int x = 0; x < r.width; ++x) {
      const int letter = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] - 'A';
      if (bits == 24) {
        std::uint8_t* p = r.Row(y) + 3 * x;
        p[0] = static_cast<std::uint8_t>(letter);
        p[1] = static_cast<std::uint8_t>(100 + letter);
        p[2] = static_cast<std::uint8_t>(200 + letter);
      } else if (bits == 8) {
        r.Row(y)[x] = static_cast<std::uint8_t>(letter);
      } else {  // 4 bits
        std::uint8_t& b = r.Row(y)[x / 2];
        b = static_cast<std::uint8_t>(x % 2 ? (b & 0xF0) | letter : (b & 0x0F) | (letter << 4));
      }
    }
  }
  return r;
}

std::vector<std::string> ToLetters(const Raster& r) {
  std::vector<std::string> rows;
  for (int y = 0; y < r.height; ++y) {
    std::string row;
    for (int x = 0; x < r.width; ++x) row += static_cast<char>('A' + r.ColorAt(x, y).r);
    rows.push_back(row);
  }
  return rows;
}

TEST_P(ApplyOrientationTest, TurnsTheImageUpright) {
  const OrientationCase& c = GetParam();
  for (int bits : {24, 8, 4}) {
    Raster image = FromLetters(kStored, bits);
    const std::vector<Rgb> palette = image.palette;
    ApplyOrientation(image, c.orientation);
    EXPECT_EQ(ToLetters(image), c.upright) << bits << " bits";
    EXPECT_EQ(OrientationSwapsSides(c.orientation), image.width != 3);
    EXPECT_EQ(image.pixels.size(), image.Stride() * static_cast<std::size_t>(image.height));
    EXPECT_EQ(image.bits, bits);
    EXPECT_EQ(image.palette, palette);
  }
}

INSTANTIATE_TEST_SUITE_P(Orientations, ApplyOrientationTest,
                         ::testing::ValuesIn(OrientationCases()), [](const auto& info) {
                           const int o = info.param.orientation;
                           return o < 0 ? std::string("minus") + std::to_string(-o)
                                        : std::to_string(o);
                         });

}  // namespace
}  // namespace parvel
