// Every image format through one skeleton: the reader the registry picks, the pixels, the
// header-only information, every truncation, damaged and absurd headers with their messages, the
// round trip through each writer at each depth it stores, and the depths a writer refuses.
#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "imaging/convert.h"
#include "imaging/formats/jpeg.h"
#include "imaging/imageerrors.h"
#include "imaging/registry.h"
#include "imaging/testimages.h"
#include "support/photo_encoders.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::IndexedPattern;
using testing::PhotoLike;
using testing::Psnr;
using testing::SameColours;

Bytes Seed(const std::string& name) {
  const std::string text =
      testing::ReadFile(std::string(PARVEL_SOURCE_DIR) + "/tests/fuzz/corpus/" + name);
  return Bytes(text.begin(), text.end());
}

// The message prefix of each reader's and writer's errors.
std::string PrefixOf(const std::string& extension) {
  if (extension == "pbm" || extension == "pgm" || extension == "ppm") return "PBM, PGM, PPM: ";
  if (extension == "tif") return "TIFF: ";
  if (extension == "dib") return "BMP: ";
  if (extension == "jpeg" || extension == "jif") return "JPG: ";
  std::string upper = extension;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper + ": ";
}

// Every pixel's colour, "rrggbb" each, or for more than 16 pixels a checksum of them.
std::string Colours(const Raster& r) {
  std::string out;
  std::uint32_t sum = 2166136261u;
  char text[8];
  for (std::int32_t y = 0; y < r.height; ++y) {
    for (std::int32_t x = 0; x < r.width; ++x) {
      const Rgb c = r.ColorAt(x, y);
      std::snprintf(text, sizeof text, "%02x%02x%02x", c.r, c.g, c.b);
      out += (out.empty() ? "" : " ") + std::string(text);
      for (std::uint8_t v : {c.r, c.g, c.b}) sum = (sum ^ v) * 16777619u;
    }
  }
  if (static_cast<std::int64_t>(r.width) * r.height <= 16) return out;
  std::snprintf(text, sizeof text, "#%06x", sum & 0xFFFFFFu);
  return text;
}

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ImageError& e) {
    return e.what();
  } catch (const std::exception& e) {
    return std::string("foreign error: ") + e.what();
  }
  return "<no error>";
}

const ImageFormat& ReaderFor(const Bytes& file, const std::string& extension) {
  const ImageFormat* reader = ChooseReader(file, extension);
  if (reader == nullptr) throw std::runtime_error("no reader for ." + extension);
  return *reader;
}

// Every shorter prefix of `file` is refused with the reader's own error, or (where the format
// allows a file to end early, as after the first icon) reads as the whole file does. `exact`
// false accepts any picture of the same size: a plain file cut inside its last number still
// holds a number, and the TIFF library reads a palette cut short without complaint.
void ExpectEveryTruncationRefusedOrWhole(const Bytes& file, const std::string& extension,
                                         const Raster& whole, bool exact = true) {
  const ImageFormat& reader = ReaderFor(file, extension);
  const std::string prefix = PrefixOf(std::string(reader.extension));
  for (std::size_t n = 0; n < file.size(); ++n) {
    const auto part = std::span(file).first(n);
    Raster read;
    const std::string error = ErrorOf([&] { read = reader.Read(part, 0, {}); });
    if (error == "<no error>") {
      EXPECT_TRUE(exact ? SameColours(read, whole)
                        : read.width == whole.width && read.height == whole.height)
          << extension << " cut to " << n;
    } else {
      EXPECT_EQ(error.rfind(prefix, 0), 0u) << extension << " cut to " << n << ": " << error;
    }
  }
}

struct SeedCase {
  const char* file;  // in tests/fuzz/corpus
  int width, height, bits, stored_bits;
  const char* subformat;
  const char* colours;  // top-down, as Colours() writes them
};

// The fuzzers' seed files: every variant each hand-written reader knows.
const SeedCase kSeeds[] = {
    {"bmp_fuzz/bits1.bmp", 9, 3, 1, 1, "RGB", "#fc442a"},
    {"bmp_fuzz/bits4.bmp", 7, 5, 4, 4, "RGB", "#ad8afd"},
    {"bmp_fuzz/bits16_565.bmp", 3, 2, 24, 16, "BITFIELDS",
     "ff0000 00ff00 0000ff ffffff 000000 1045a5"},
    {"bmp_fuzz/bits24.bmp", 3, 2, 24, 24, "RGB", "ff0000 00ff00 0000ff ffffff 000000 808080"},
    {"bmp_fuzz/topdown24.bmp", 3, 2, 24, 24, "RGB", "ff0000 00ff00 0000ff ffffff 000000 808080"},
    {"bmp_fuzz/v5_bits32.bmp", 2, 2, 24, 32, "BITFIELDS", "ff0000 00ff00 0000ff ffffff"},
    {"bmp_fuzz/os2core8.bmp", 2, 2, 8, 8, "RGB", "ff0000 00ff00 0000ff ffffff"},
    {"bmp_fuzz/rle4.bmp", 4, 3, 4, 4, "RLE4",
     "000000 00ff00 0000ff 00ff00 000000 000000 000000 000000 ff0000 00ff00 0000ff ff0000"},
    {"bmp_fuzz/rle8.bmp", 4, 3, 8, 8, "RLE8",
     "000000 000000 0000ff 0000ff 00ff00 0000ff 00ff00 000000 ff0000 ff0000 ff0000 ff0000"},
    {"tga_fuzz/gray16.tga", 2, 2, 8, 16, "Gray", "000000 555555 aaaaaa ffffff"},
    {"tga_fuzz/gray_rle.tga", 2, 2, 8, 8, "Gray RLE", "0a0a0a 636363 636363 636363"},
    {"tga_fuzz/mapped16.tga", 2, 2, 8, 8, "Colour-mapped", "ff0000 00ff00 0000ff ffffff"},
    {"tga_fuzz/mapped_rle.tga", 2, 2, 8, 8, "Colour-mapped RLE", "ff0000 ff0000 0000ff 0000ff"},
    {"tga_fuzz/raw16.tga", 2, 2, 24, 16, "True colour", "ff0000 00ff00 0000ff ffffff"},
    {"tga_fuzz/raw24_bl.tga", 2, 2, 24, 24, "True colour", "ff0000 00ff00 0000ff ffffff"},
    {"tga_fuzz/raw24_br.tga", 2, 2, 24, 24, "True colour", "ff0000 00ff00 0000ff ffffff"},
    {"tga_fuzz/raw24_tl.tga", 2, 2, 24, 24, "True colour", "ff0000 00ff00 0000ff ffffff"},
    {"tga_fuzz/raw24_tr.tga", 2, 2, 24, 24, "True colour", "ff0000 00ff00 0000ff ffffff"},
    {"tga_fuzz/raw32.tga", 2, 2, 24, 32, "True colour", "ff0000 00ff00 0000ff ffffff"},
    {"tga_fuzz/rle24_runs.tga", 3, 2, 24, 24, "True colour RLE",
     "0000ff ff0000 ff0000 00ff00 0000ff 0000ff"},
    {"pcx_fuzz/mono.pcx", 10, 2, 1, 1, "RLE", "#d9db3f"},
    {"pcx_fuzz/bits2.pcx", 5, 1, 4, 2, "RLE", "00ff00 10ef07 20df0e 30cf15 10ef07"},
    {"pcx_fuzz/bits4.pcx", 3, 2, 4, 4, "RLE", "10ef07 e01f62 708f31 50af23 50af23 50af23"},
    {"pcx_fuzz/planes4.pcx", 3, 2, 4, 4, "RLE", "00ff00 50af23 f00f69 00ff00 50af23 f00f69"},
    {"pcx_fuzz/palette8.pcx", 4, 3, 8, 8, "RLE",
     "00ff00 00ff00 00ff00 633a01 07fe0d 0efd1a 15fc27 15fc27 3ff675 3ff675 3ff675 3ff675"},
    {"pcx_fuzz/palette8_raw.pcx", 2, 2, 8, 8, "Uncompressed", "00ff00 07fe0d 0efd1a 633a01"},
    {"pcx_fuzz/rgb24.pcx", 2, 2, 24, 24, "RLE", "ff0000 00ff00 0000ff ffffff"},
    {"pnm_fuzz/plain.pbm", 3, 2, 1, 1, "Plain PBM", "000000 ffffff 000000 ffffff 000000 ffffff"},
    {"pnm_fuzz/raw.pbm", 10, 2, 1, 1, "Raw PBM", "#ed62ff"},
    {"pnm_fuzz/plain.pgm", 2, 2, 8, 8, "Plain PGM", "000000 ffffff 777777 888888"},
    {"pnm_fuzz/raw16.pgm", 3, 1, 8, 16, "Raw PGM", "000000 808080 ffffff"},
    {"pnm_fuzz/plain.ppm", 2, 2, 24, 24, "Plain PPM", "ff0000 00ff00 0000ff ffffff"},
    {"pnm_fuzz/raw.ppm", 2, 2, 24, 24, "Raw PPM", "ff0000 00ff00 0000ff ffffff"},
    {"pnm_fuzz/raw16.ppm", 1, 1, 24, 48, "Raw PPM", "ff8000"},
    {"ico_fuzz/indexed1.ico", 3, 2, 24, 1, "RGB", "ff0000 000000 ff0000 000000 ff0000 ffffff"},
    {"ico_fuzz/indexed4_mask.ico", 3, 2, 24, 4, "RGB", "ffffff 00ff00 0000ff 0000ff 000000 ffffff"},
    {"ico_fuzz/true24.ico", 2, 2, 24, 24, "RGB", "ff0000 00ff00 0000ff ffffff"},
    {"ico_fuzz/alpha32.ico", 2, 2, 24, 32, "RGB", "ff0000 ffffff ff7f7f 0000ff"},
    {"ico_fuzz/png.ico", 2, 2, 24, 32, "RGBA", "ff0000 7fff7f ffffff 090909"},
    {"ico_fuzz/two.ico", 1, 1, 8, 8, "RGB", "00ff00"},
};

class SeedFile : public ::testing::TestWithParam<SeedCase> {};

TEST_P(SeedFile, ReadsTheVariantAndRefusesEveryTruncation) {
  const SeedCase& c = GetParam();
  SCOPED_TRACE(c.file);
  const Bytes file = Seed(c.file);
  const std::string extension = std::string(c.file).substr(std::string(c.file).rfind('.') + 1);
  const ImageFormat& reader = ReaderFor(file, extension);
  // Formats with a signature are known by it alone; the rest by the extension.
  const ImageFormat* by_content = ChooseReader(file, "");
  EXPECT_EQ(by_content == nullptr ? "" : by_content->extension,
            reader.HasSignature() ? reader.extension : "");
  EXPECT_EQ(reader.extension, extension);

  const Raster r = reader.Read(file, 0, {});
  EXPECT_EQ(std::tuple(r.width, r.height, r.bits, Colours(r)),
            std::tuple(c.width, c.height, c.bits, std::string(c.colours)));
  EXPECT_EQ(r.pixels.size(), r.Stride() * static_cast<std::size_t>(r.height));
  const ImageInfo info = reader.Info(file, 0);
  EXPECT_EQ(std::tuple(info.width, info.height, info.bits, info.subformat),
            std::tuple(c.width, c.height, c.stored_bits, std::string(c.subformat)));
  ExpectEveryTruncationRefusedOrWhole(file, extension, r,
                                      !std::string(c.subformat).starts_with("Plain"));
}

INSTANTIATE_TEST_SUITE_P(Corpus, SeedFile, ::testing::ValuesIn(kSeeds));

// ---- Writers.

// Each writer gives back through its reader what it stores (the JPEG family within its quality),
// at the same depth, and every truncation of the written file is refused; a depth it does not
// store, or no pixels, raises its own error.
TEST(Writers, GiveBackEachDepthTheyStoreAndRefuseTheRest) {
  for (const ImageFormat& writer : ImageFormats()) {
    if (!writer.Writes()) continue;
    const std::string extension(writer.extension), prefix = PrefixOf(extension);
    const std::span<const int> depths = writer.codec->write_depths;
    for (int bits : {1, 4, 8, 24}) {
      SCOPED_TRACE(extension + std::to_string(bits));
      Raster picture = bits == 24 ? PhotoLike(13, 7) : IndexedPattern(13, 7, bits);
      if (std::find(depths.begin(), depths.end(), bits) == depths.end()) {
        const std::string error = ErrorOf([&] { writer.Write(picture, {}); });
        EXPECT_EQ(error.rfind(prefix.substr(0, 3), 0), 0u) << error;
        continue;
      }
      if (writer.codec->write_gray) picture = ToGray8(picture);
      if (bits == 1) picture.palette = {Rgb{255, 255, 255}, Rgb{0, 0, 0}};
      const Bytes file = writer.Write(picture, {});
      const Raster back = ReaderFor(file, extension).Read(file, 0, {});
      if (prefix == "JPG: ") {
        EXPECT_GT(Psnr(picture, back), 30.0);
      } else {
        EXPECT_TRUE(SameColours(picture, back));
        EXPECT_EQ(back.bits, bits);
      }
      const ImageInfo info = ReaderFor(file, extension).Info(file, 0);
      EXPECT_EQ(std::pair(info.width, info.height), std::pair(13, 7));
      ExpectEveryTruncationRefusedOrWhole(file, extension, back, prefix != "TIFF: " || bits != 8);
    }
    Raster empty;
    empty.bits = depths.front();
    EXPECT_NE(ErrorOf([&] { writer.Write(empty, {}); }), "<no error>") << extension;
  }
}

// ---- Damaged and absurd files.

Bytes Text(std::string_view s) {
  return Bytes(s.begin(), s.end());
}

// `file` with `value` written over `size` bytes (little-endian unless `big`) at each offset.
Bytes Patch(Bytes file, std::initializer_list<std::size_t> at, std::uint32_t value, int size,
            bool big = false) {
  for (std::size_t offset : at) {
    for (int i = 0; i < size; ++i)
      file[offset + std::size_t(i)] = std::uint8_t(value >> 8 * (big ? size - 1 - i : i));
  }
  return file;
}

Bytes PngOf(std::uint32_t side) {
  const Bytes b = Patch(FindWriter("png")->Write(PhotoLike(8, 8), {}), {16, 20}, side, 4, true);
  return Patch(b, {29}, static_cast<std::uint32_t>(crc32(0, b.data() + 12, 17)), 4, true);
}

// A JPEG whose frame header claims `side` x `side` pixels.
Bytes JpegOf(std::uint32_t side, bool progressive) {
  const Bytes b = WriteJpeg(PhotoLike(16, 16), 80, progressive);
  std::size_t i = 2;
  while (!(b[i] == 0xFF && (b[i + 1] == 0xC0 || b[i + 1] == 0xC2))) ++i;
  return Patch(b, {i + 5, i + 7}, side, 2, true);
}

const ImageFormat& ReaderByExtension(const std::string& extension) {
  for (const ImageFormat& format : ImageFormats()) {
    if (format.extension == extension) return format;
  }
  throw std::runtime_error("no reader for ." + extension);
}

// Huge claimed sizes are refused from the header, before any pixel memory is taken; a large but
// possible size in a short file fails on the missing data, not on memory. A message ending in
// ": " is the prefix of a library's own text.
TEST(DamagedFile, IsRefusedWithItsMessage) {
  const Bytes heic = testing::EncodeHeif(PhotoLike(16, 16), heif_compression_HEVC, 1);
  const Bytes webp = testing::EncodeWebp(PhotoLike(16, 16), 1);
  const Bytes bmp = Seed("bmp_fuzz/bits24.bmp"), tga = Seed("tga_fuzz/raw24_tl.tga"),
              ico = Seed("ico_fuzz/true24.ico");
  const Bytes pcx = Seed("pcx_fuzz/rgb24.pcx"),
              gif = FindWriter("gif")->Write(IndexedPattern(4, 4, 8), {});
  const std::size_t icon = ico[18] | ico[19] << 8;  // where the icon's header starts
  const struct {
    Bytes file;
    const char* extension;
    std::string message;
  } cases[] = {
      {Patch(bmp, {18, 22}, 100000, 4), "bmp", "BMP: Image too large"},
      {Patch(bmp, {18, 22}, 0, 4), "bmp", "BMP: Invalid image size"},
      {Patch(bmp, {28}, 2, 2), "bmp", "BMP: Unsupported bit count 2"},
      {Patch(bmp, {30}, 4, 4), "bmp", "BMP: Unsupported compression"},
      {Patch(bmp, {14}, 8, 4), "bmp", "BMP: Unsupported header size 8"},
      {Patch(bmp, {0}, 'X', 1), "bmp", "BMP: Not a BMP file"},
      {Patch(tga, {12, 14}, 65535, 2), "tga", "TGA: Image too large"},
      {Patch(tga, {12, 14}, 0, 2), "tga", "TGA: Invalid image size"},
      {Patch(tga, {2}, 5, 1), "tga", "TGA: Not a TGA file"},
      {Patch(tga, {16}, 12, 1), "tga", "TGA: Unsupported pixel depth 12"},
      {Patch(Patch(pcx, {8, 10}, 64999, 2), {66}, 65000, 2), "pcx", "PCX: Image too large"},
      {Patch(pcx, {2}, 7, 1), "pcx", "PCX: Unsupported encoding 7"},
      {Text("P6\n100000 100000\n255\n"), "ppm", "PBM, PGM, PPM: Image too large"},
      {Text("P5 99999999999999999999 1 255\n"), "pgm", "PBM, PGM, PPM: Image too large"},
      {Text("P6\n10000 10000\n255\nabc"), "ppm", "PBM, PGM, PPM: Unexpected end of file"},
      {Text("P5 1 1 0\n\n"), "pgm", "PBM, PGM, PPM: Invalid maximum value"},
      {Text("P1 2 1 0 2"), "pbm", "PBM, PGM, PPM: Invalid character in the file"},
      {Text("P7\n1 1\n"), "pbm", "PBM, PGM, PPM: Not a PBM, PGM or PPM file"},
      {Patch(Patch(ico, {icon + 4}, 100000, 4), {icon + 8}, 200000, 4), "ico",
       "ICO: Image too large"},
      {PngOf(100000), "png", "PNG: Image too large (100000 x 100000 pixels)"},
      {PngOf(15000), "png", "PNG: The file is too short for its image size"},
      {JpegOf(60000, false), "jpg", "JPG: Image too large (60000 x 60000 pixels)"},
      {JpegOf(60000, true), "jpg", "JPG: Image too large (60000 x 60000 pixels)"},
      {JpegOf(20000, false), "jpg", "JPG: "},
      {JpegOf(0, false), "jpg", "JPG: "},
      {Patch(gif, {6, 8}, 65535, 2), "gif", "GIF: "},
      {Bytes(heic.begin(), heic.begin() + heic.size() / 2), "heic", "HEIF: "},
      {Bytes(heic.begin(), heic.begin() + 24), "heic", "HEIF: "},  // the brand and nothing more
      {Bytes(webp.begin(), webp.end() - 10), "webp", "WebP: "},
      {Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'E', 'B', 'P'}, "webp", "WebP: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.extension + (" " + c.message));
    const std::string error = ErrorOf([&] { ReaderByExtension(c.extension).Read(c.file, 0, {}); });
    if (c.message.ends_with(": ")) {
      EXPECT_EQ(error.rfind(c.message, 0), 0u) << error;
    } else {
      EXPECT_EQ(error, c.message);
    }
  }
}

// Whether a file is a picture, from its first bytes and its name: a signature under any name; a
// TGA, which has none, only under its own extension and when its header check passes; a metafile
// is named but cannot be decoded; a file that cannot be read gives the system's reason, and a
// pipe is not waited on.
TEST(IdentifyPicture, SignatureFirstThenTheHeaderCheckOfTheNamedReader) {
  testing::TempDir dir;
  const Bytes heic = testing::EncodeHeif(PhotoLike(16, 16), heif_compression_HEVC, 1);
  const Bytes jpeg = Seed("jpegscan_fuzz/baseline_420.jpg");
  const Bytes tga = Seed("tga_fuzz/raw24_tl.tga");
  const struct {
    const char* name;
    Bytes content;  // empty: nothing is written (the name is made below, or missing)
    PictureVerdict verdict;
    const char* reader;  // its extension, for a picture; else the reason, "" when none
  } cases[] = {
      {"photo.jpg", jpeg, PictureVerdict::Picture, "jpg"},
      {"photo.jfif", jpeg, PictureVerdict::Picture, "jpg"},
      {"photo.png", jpeg, PictureVerdict::Picture, "jpg"},  // by content, whatever the name
      {"phone.heic", heic, PictureVerdict::Picture, "heic"},
      {"raw.tga", tga, PictureVerdict::Picture, "tga"},
      {"RAW.TGA", Seed("tga_fuzz/mapped_rle.tga"), PictureVerdict::Picture, "tga"},
      {"raw.jpg", tga, PictureVerdict::NotPicture, ""},  // no signature, not its name
      {"fake.jpg", Text("a text file named like a picture\n"), PictureVerdict::NotPicture, ""},
      {"fake.tga", Text("a text file named like a picture\n"), PictureVerdict::NotPicture, ""},
      {"bad.tga", Patch(tga, {2}, 5, 1), PictureVerdict::NotPicture, ""},  // fails the check
      {"short.tga", Bytes(tga.begin(), tga.begin() + 10), PictureVerdict::NotPicture, ""},
      {"empty.jpg", Text(""), PictureVerdict::NotPicture, ""},
      {".gitconfig", Text("[user]\n\tname = x\n"), PictureVerdict::NotPicture, ""},
      {"drawing.wmf", Text("anything"), PictureVerdict::Undecodable,
       "WMF: Windows metafiles cannot be read on this platform"},
      {"missing.jpg", {}, PictureVerdict::Unreadable, "No such file or directory"},
      {"folder.jpg", {}, PictureVerdict::Unreadable, "it is a folder"},
      {"pipe.jpg", {}, PictureVerdict::Unreadable, "it is not a regular file"},
  };
  std::filesystem::create_directory(dir / "folder.jpg");
  ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.content.empty() || std::string_view(c.name).starts_with("empty")) {
      testing::WriteFile(dir / c.name, std::string(c.content.begin(), c.content.end()));
    }
    const PictureIdentity identity = IdentifyPictureFile(dir / c.name);
    EXPECT_EQ(identity.verdict, c.verdict);
    EXPECT_EQ(identity.reader != nullptr, c.verdict == PictureVerdict::Picture);
    EXPECT_EQ(identity.reader ? identity.reader->extension : std::string_view(identity.reason),
              c.reader);
  }
}

// The file chooser's filter is made from the registry: the offered extensions together, then one
// entry per format, both in extension order.
TEST(ImageFileFilter, ListsTheOfferedFormatsInExtensionOrder) {
  EXPECT_EQ(
      ImageFileFilter(),
      "Image files|*.bmp; *.dib; *.gif; *.jif; *.jpeg; *.jpg; *.pbm; *.pcx; *.pgm; *.png; "
      "*.ppm; *.rle; *.tga; *.tif; *.tiff|BMP - Bitmap|*.bmp|DIB - Bitmap|*.dib|GIF - "
      "GIF|*.gif|JIF - JPEG (JFIF compliant)|*.jif|JPEG - JPEG (JFIF compliant)|*.jpeg|JPG - "
      "JPEG (JFIF compliant)|*.jpg|PBM - Portable Bitmap|*.pbm|PCX - Paintbrush|*.pcx|PGM - "
      "Portable Graymap|*.pgm|PNG - Portable Network Graphics|*.png|PPM - Portable "
      "Pixelmap|*.ppm|RLE - Bitmap|*.rle|TGA - Truevision Targa|*.tga|TIF - Tagged Image File "
      "Format|*.tif|TIFF - Tagged Image File Format|*.tiff|All files|*.*");
}

}  // namespace
}  // namespace parvel
