#include "imaging/exif.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace parvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A small real JPEG file as libjpeg writes it: SOI, the JFIF APP0 segment, then the image.
Bytes EncodeJpeg() {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = 8;
  cinfo.image_height = 4;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(8 * 3, 128);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
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

// The test files must stay valid JPEG files, or the reader is tested on something no camera makes.
bool DecodesAsJpeg(const Bytes& data) {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
  const bool ok = jpeg_read_header(&cinfo, TRUE) == JPEG_HEADER_OK && cinfo.image_width == 8;
  jpeg_destroy_decompress(&cinfo);
  return ok;
}

TEST(ReadJpegOrientation, ReadsEveryValueInBothByteOrders) {
  for (unsigned value = 1; value <= 8; ++value) {
    for (bool big : {true, false}) {
      const Bytes jpeg = JpegWithOrientation(value, big);
      ASSERT_TRUE(DecodesAsJpeg(jpeg));
      EXPECT_EQ(ReadJpegOrientation(jpeg), static_cast<int>(value)) << value << " big=" << big;
    }
  }
}

TEST(ReadJpegOrientation, FindsTheTagAmongOthersAndAfterAnXmpSegment) {
  const std::string xmp_text = "http://ns.adobe.com/xap/1.0/";
  Bytes xmp(xmp_text.begin(), xmp_text.end());
  xmp.push_back(0);
  const Bytes exif =
      ExifPayload({{0x010F, 4, 0}, {0x0112, 3, 6}, {0x011A, 4, 0}, {0x0128, 3, 2}}, false);
  EXPECT_EQ(ReadJpegOrientation(JpegWith({Segment(0xE1, xmp), Segment(0xE1, exif)})), 6);
  EXPECT_EQ(ReadJpegOrientation(JpegWith({Segment(0xFE, xmp), Segment(0xE1, exif)})), 6);
}

struct UprightCase {
  const char* name;
  Bytes file;
};

class ReadJpegOrientationGivesOne : public ::testing::TestWithParam<UprightCase> {};

TEST_P(ReadJpegOrientationGivesOne, ForThisFile) {
  EXPECT_EQ(ReadJpegOrientation(GetParam().file), 1);
}

Bytes Truncated(Bytes b, std::size_t keep) {
  b.resize(keep);
  return b;
}

Bytes WithSegmentLength(Bytes b, unsigned length) {
  // The APP1 marker follows SOI and the 18-byte JFIF APP0 of libjpeg.
  const std::size_t at = 4 + ((std::size_t{b[4]} << 8) | b[5]);
  b[at + 2] = static_cast<std::uint8_t>(length >> 8);
  b[at + 3] = static_cast<std::uint8_t>(length);
  return b;
}

Bytes Garbage(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes b = {'E', 'x', 'i', 'f', 0, 0};
  while (b.size() < size) b.push_back(static_cast<std::uint8_t>(random()));
  return b;
}

std::vector<UprightCase> UprightCases() {
  const Bytes valid = JpegWithOrientation(6);
  const std::string xmp_text = "http://ns.adobe.com/xap/1.0/ orientation 6";
  return {
      {"empty", {}},
      {"not_a_jpeg", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}},
      {"no_exif", EncodeJpeg()},
      {"no_orientation_tag", JpegWith({Segment(0xE1, ExifPayload({{0x011A, 4, 72}}, true))})},
      {"orientation_zero", JpegWithOrientation(0)},
      {"orientation_nine", JpegWithOrientation(9)},
      {"orientation_huge", JpegWithOrientation(0xFFFF, false)},
      {"orientation_as_long", JpegWith({Segment(0xE1, ExifPayload({{0x0112, 4, 6}}, true))})},
      {"xmp_only", JpegWith({Segment(0xE1, Bytes(xmp_text.begin(), xmp_text.end()))})},
      {"exif_header_only", JpegWith({Segment(0xE1, {'E', 'x', 'i', 'f', 0, 0})})},
      {"garbage_block_1", JpegWith({Segment(0xE1, Garbage(200, 1))})},
      {"garbage_block_2", JpegWith({Segment(0xE1, Garbage(3000, 2))})},
      {"cut_inside_app1", Truncated(valid, 30)},
      {"segment_longer_than_file", WithSegmentLength(valid, 0xFFF0)},
      {"segment_length_one", WithSegmentLength(valid, 1)},
      {"exif_after_the_image_starts",
       [] {
         Bytes b = EncodeJpeg();
         const Bytes s = Segment(0xE1, ExifPayload({{0x0112, 3, 6}}, true));
         b.insert(b.end() - 2, s.begin(), s.end());
         return b;
       }()},
  };
}

INSTANTIATE_TEST_SUITE_P(Files, ReadJpegOrientationGivesOne, ::testing::ValuesIn(UprightCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReadJpegOrientation, EveryTruncationOfAValidFileIsSafe) {
  const Bytes valid = JpegWithOrientation(3, false);
  for (std::size_t keep = 0; keep <= valid.size(); ++keep) {
    const Bytes cut(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(keep));
    const int orientation = ReadJpegOrientation(cut);
    EXPECT_TRUE(orientation == 1 || orientation == 3) << keep;
  }
}

TEST(ReadJpegOrientation, RandomDamageInsideTheBlockIsSafe) {
  const Bytes valid = JpegWithOrientation(8);
  std::mt19937 random(7);
  for (int round = 0; round < 500; ++round) {
    Bytes damaged = valid;
    for (int hit = 0; hit < 4; ++hit) {
      // Bytes 20..60 are the APP1 segment after SOI and APP0.
      damaged[20 + random() % 40] = static_cast<std::uint8_t>(random());
    }
    const int orientation = ReadJpegOrientation(damaged);
    EXPECT_TRUE(orientation >= 1 && orientation <= 8);
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

// One bit has only two values, so each stored pixel is lit alone and followed to its new place.
TEST_P(ApplyOrientationTest, TurnsAOneBitImageUpright) {
  const OrientationCase& c = GetParam();
  for (int lit = 0; lit < 6; ++lit) {
    Raster image;
    image.Allocate(3, 2, 1);
    image.palette = {Rgb{0, 0, 0}, Rgb{255, 255, 255}};
    image.Row(lit / 3)[0] = static_cast<std::uint8_t>(0x80 >> (lit % 3));
    ApplyOrientation(image, c.orientation);
    const char letter = static_cast<char>('A' + lit);
    ASSERT_EQ(image.height, static_cast<std::int32_t>(c.upright.size()));
    ASSERT_EQ(image.width, static_cast<std::int32_t>(c.upright[0].size()));
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) {
        const bool expect_lit =
            c.upright[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == letter;
        EXPECT_EQ(image.IndexAt(x, y), expect_lit ? 1 : 0) << letter << " at " << x << "," << y;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Orientations, ApplyOrientationTest,
                         ::testing::ValuesIn(OrientationCases()), [](const auto& info) {
                           const int o = info.param.orientation;
                           return o < 0 ? std::string("minus") + std::to_string(-o)
                                        : std::to_string(o);
                         });

// Packed depths across byte boundaries: every depth must agree with the 24-bit result.
TEST(ApplyOrientation, PackedDepthsAgreeWithTrueColourOnOddSizes) {
  std::mt19937 random(11);
  for (int bits : {1, 4, 8}) {
    Raster indexed;
    indexed.Allocate(13, 5, bits);
    for (std::size_t i = 0; i < indexed.palette.size(); ++i) {
      indexed.palette[i] = Rgb{static_cast<std::uint8_t>(i * 37), static_cast<std::uint8_t>(i), 9};
    }
    for (auto& byte : indexed.pixels) byte = static_cast<std::uint8_t>(random());
    Raster truecolour;
    truecolour.Allocate(13, 5, 24);
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 13; ++x) {
        const Rgb c = indexed.ColorAt(x, y);
        std::uint8_t* p = truecolour.Row(y) + 3 * x;
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
      }
    }
    for (int orientation = 1; orientation <= 8; ++orientation) {
      Raster a = indexed, b = truecolour;
      ApplyOrientation(a, orientation);
      ApplyOrientation(b, orientation);
      ASSERT_EQ(a.width, b.width);
      ASSERT_EQ(a.height, b.height);
      for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
          ASSERT_EQ(a.ColorAt(x, y), b.ColorAt(x, y))
              << bits << " bits, orientation " << orientation << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST(ApplyOrientation, LeavesAnInconsistentRasterAlone) {
  Raster image;
  image.Allocate(3, 2, 24);
  image.height = 50;  // claims more rows than it holds
  const Bytes before = image.pixels;
  ApplyOrientation(image, 6);
  EXPECT_EQ(image.width, 3);
  EXPECT_EQ(image.pixels, before);

  Raster empty;
  ApplyOrientation(empty, 6);
  EXPECT_TRUE(empty.pixels.empty());
}

}  // namespace
}  // namespace parvel
