// PBM, PGM and PPM files read and written by hand: no maintained library reads them with the
// bounds checks the image layer needs.
#include "imaging/formats/pnm.h"

#include <algorithm>
#include <string>

#include "imaging/formats/bytereader.h"
#include "imaging/imageerrors.h"

namespace parvel {
namespace {

using Reader = ByteReader<PnmReadError>;

[[noreturn]] void Fail(std::string_view text) {
  throw PnmReadError(text);
}

bool IsSpace(std::uint8_t c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(std::uint8_t c) {
  return c >= '0' && c <= '9';
}

// Skips white space and "#" comments (which run to the end of the line).
void SkipSpace(Reader& r) {
  while (!r.AtEnd()) {
    const std::uint8_t c = r.PeekU8();
    if (c == '#') {
      while (!r.AtEnd() && r.PeekU8() != '\n' && r.PeekU8() != '\r') r.U8();
    } else if (IsSpace(c)) {
      r.U8();
    } else {
      return;
    }
  }
}

// A decimal number after optional space; values beyond any valid field saturate.
std::uint32_t Number(Reader& r) {
  SkipSpace(r);
  if (!IsDigit(r.PeekU8())) Fail("Invalid character in the file");
  std::uint64_t v = 0;
  while (!r.AtEnd() && IsDigit(r.PeekU8()))
    v = std::min<std::uint64_t>(v * 10 + (r.U8() - '0'), 1u << 31);
  return static_cast<std::uint32_t>(v);
}

struct Header {
  int type = 0;  // 1..6
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint32_t maxval = 1;
  bool Plain() const { return type <= 3; }
  bool Bitmap() const { return type == 1 || type == 4; }
  bool Pixmap() const { return type == 3 || type == 6; }
};

// Leaves the reader at the first sample.
Header ParseHeader(Reader& r) {
  if (r.Size() < 2 || r.U8() != 'P') Fail("Not a PBM, PGM or PPM file");
  Header h;
  const std::uint8_t digit = r.U8();
  if (digit < '1' || digit > '6') Fail("Not a PBM, PGM or PPM file");
  h.type = digit - '0';
  const std::uint32_t width = Number(r);
  const std::uint32_t height = Number(r);
  if (!h.Bitmap()) {
    h.maxval = Number(r);
    if (h.maxval == 0 || h.maxval > 65535) Fail("Invalid maximum value");
  }
  // Raw samples start after exactly one white-space character.
  if (!h.Plain() && !IsSpace(r.U8())) Fail("Invalid character in the file");
  if (width == 0 || height == 0) Fail(kInvalidImageSize);
  if (!SizeIsAcceptable(width, height)) Fail(kImageTooLarge);
  h.width = static_cast<std::int32_t>(width);
  h.height = static_cast<std::int32_t>(height);
  return h;
}

std::uint8_t Scale(std::uint32_t v, std::uint32_t maxval) {
  v = std::min(v, maxval);  // out-of-range samples are taken as the maximum
  return static_cast<std::uint8_t>((v * 255 + maxval / 2) / maxval);
}

void ReadBitmap(Reader& r, const Header& h, Raster& out) {
  if (h.Plain()) {
    for (std::int32_t y = 0; y < h.height; ++y) {
      std::uint8_t* row = out.Row(y);
      for (std::int32_t x = 0; x < h.width; ++x) {
        SkipSpace(r);
        const std::uint8_t c = r.U8();
        if (c != '0' && c != '1') Fail("Invalid character in the file");
        if (c == '1') row[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
      }
    }
    return;
  }
  const std::size_t stride = out.Stride();
  for (std::int32_t y = 0; y < h.height; ++y) {
    auto in = r.Bytes(stride);
    std::uint8_t* row = out.Row(y);
    std::copy(in.begin(), in.end(), row);
    if (h.width & 7) row[stride - 1] &= static_cast<std::uint8_t>(0xFF << (8 - (h.width & 7)));
  }
}

void ReadSamples(Reader& r, const Header& h, Raster& out) {
  const int channels = h.Pixmap() ? 3 : 1;
  const std::size_t count = static_cast<std::size_t>(h.width) * channels;
  const bool wide = h.maxval > 255;
  for (std::int32_t y = 0; y < h.height; ++y) {
    std::uint8_t* row = out.Row(y);
    if (h.Plain()) {
      for (std::size_t i = 0; i < count; ++i) row[i] = Scale(Number(r), h.maxval);
      continue;
    }
    auto in = r.Bytes(count * (wide ? 2 : 1));
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint32_t v = wide ? (in[2 * i] << 8) | in[2 * i + 1] : in[i];
      row[i] = Scale(v, h.maxval);
    }
  }
}

int Luminance(Rgb c) {
  return (299 * c.r + 587 * c.g + 114 * c.b + 500) / 1000;
}

}  // namespace

bool IsPnmSignature(std::span<const std::uint8_t> head) {
  return head.size() >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '6' &&
         (IsSpace(head[2]) || head[2] == '#');
}

ImageInfo ReadPnmInfo(std::span<const std::uint8_t> data) {
  Reader r(data);
  const Header h = ParseHeader(r);
  static constexpr const char* kNames[] = {"",        "Plain PBM", "Plain PGM", "Plain PPM",
                                           "Raw PBM", "Raw PGM",   "Raw PPM"};
  ImageInfo info;
  info.width = h.width;
  info.height = h.height;
  const int sample_bits = h.maxval > 255 ? 16 : 8;
  info.bits = h.Bitmap() ? 1 : h.Pixmap() ? 3 * sample_bits : sample_bits;
  info.subformat = kNames[h.type];
  return info;
}

Raster ReadPnm(std::span<const std::uint8_t> data) {
  Reader r(data);
  const Header h = ParseHeader(r);
  // A file too short for its claimed size is refused before the image is allocated: a plain
  // sample takes at least one character and a separator, a raw one its bytes.
  const std::uint64_t pixels = static_cast<std::uint64_t>(h.width) * h.height;
  std::uint64_t least = 0;
  if (h.Bitmap()) {
    least = h.Plain() ? pixels : static_cast<std::uint64_t>((h.width + 7) / 8) * h.height;
  } else {
    const std::uint64_t samples = pixels * (h.Pixmap() ? 3 : 1);
    least = h.Plain() ? 2 * samples - 1 : samples * (h.maxval > 255 ? 2 : 1);
  }
  if (least > r.Remaining()) Fail(kUnexpectedEnd);

  Raster out;
  out.Allocate(h.width, h.height, h.Bitmap() ? 1 : h.Pixmap() ? 24 : 8);
  if (h.Bitmap()) {
    out.palette = {{255, 255, 255}, {0, 0, 0}};
    ReadBitmap(r, h, out);
  } else {
    if (!h.Pixmap()) {
      for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        out.palette[i] = {v, v, v};
      }
    }
    ReadSamples(r, h, out);
  }
  return out;
}

std::vector<std::uint8_t> WritePnm(const Raster& image, PnmKind kind) {
  static constexpr int kDepth[] = {1, 8, 24};
  const int depth = kDepth[static_cast<int>(kind)];
  if (image.bits != depth) {
    throw PnmWriteError(CannotWriteBitsText(image.bits));
  }
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() < image.Stride() * static_cast<std::size_t>(image.height)) {
    throw PnmWriteError(kInvalidImageSize);
  }
  const char* magic = kind == PnmKind::Pbm ? "P4" : kind == PnmKind::Pgm ? "P5" : "P6";
  std::string header = std::string(magic) + "\n" + std::to_string(image.width) + " " +
                       std::to_string(image.height) + "\n";
  if (kind != PnmKind::Pbm) header += "255\n";
  std::vector<std::uint8_t> out(header.begin(), header.end());
  out.reserve(out.size() + image.pixels.size());

  // Palette entries missing from a short palette read as black, as everywhere else.
  auto entry = [&](std::size_t i) { return i < image.palette.size() ? image.palette[i] : Rgb{}; };
  const std::size_t stride = image.Stride();
  if (kind == PnmKind::Ppm) {
    out.insert(out.end(), image.pixels.begin(), image.pixels.begin() + stride * image.height);
  } else if (kind == PnmKind::Pgm) {
    std::uint8_t gray[256];
    for (std::size_t i = 0; i < 256; ++i) gray[i] = static_cast<std::uint8_t>(Luminance(entry(i)));
    for (std::size_t i = 0; i < stride * image.height; ++i) out.push_back(gray[image.pixels[i]]);
  } else {
    // A set bit is black: dark entries map to 1, light ones to 0.
    const bool dark0 = Luminance(entry(0)) < 128;
    const bool dark1 = Luminance(entry(1)) < 128;
    const auto table = static_cast<std::uint8_t>(dark1 ? 0xFF : 0x00);
    const auto table0 = static_cast<std::uint8_t>(dark0 ? 0xFF : 0x00);
    for (std::int32_t y = 0; y < image.height; ++y) {
      const std::uint8_t* row = image.Row(y);
      for (std::size_t i = 0; i < stride; ++i) {
        // Each bit picks between the two entries' outputs.
        out.push_back(static_cast<std::uint8_t>((row[i] & table) | (~row[i] & table0)));
      }
      if (image.width & 7) out.back() &= static_cast<std::uint8_t>(0xFF << (8 - (image.width & 7)));
    }
  }
  return out;
}

}  // namespace parvel
