// Bitmap files read and written by hand: no maintained library reads them with the bounds checks
// the image layer needs.
#include "imaging/formats/bmp.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string>

#include "imaging/formats/bytereader.h"
#include "imaging/imageerrors.h"

namespace parvel {
namespace {

using Reader = ByteReader<BmpReadError>;

[[noreturn]] void Fail(std::string_view text) {
  throw BmpReadError(text);
}

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitfields = 3;
constexpr std::uint32_t kAlphaBitfields = 6;
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;

struct DibHeader {
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool top_down = false;
  int bits = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t colors_used = 0;
  bool core = false;                     // three-byte palette entries
  std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha
  std::size_t palette_entries = 0;       // entries stored after the header
};

std::uint32_t Field32(std::span<const std::uint8_t> block, std::size_t offset) {
  // Fields past a short header's end read as zero.
  if (offset + 4 > block.size()) return 0;
  return static_cast<std::uint32_t>(block[offset]) | (block[offset + 1] << 8) |
         (block[offset + 2] << 16) | (static_cast<std::uint32_t>(block[offset + 3]) << 24);
}

std::uint16_t Field16(std::span<const std::uint8_t> block, std::size_t offset) {
  if (offset + 2 > block.size()) return 0;
  return static_cast<std::uint16_t>(block[offset] | (block[offset + 1] << 8));
}

// Windows headers are 40, 52, 56, 108 and 124 bytes; other sizes up to 64 are the second
// generation of the 12-byte header, whose compression numbers 3 and 4 mean something else.
bool IsSecondCoreHeader(std::uint32_t size) {
  return size != 40 && size != 52 && size != 56 && size <= 64;
}

std::string_view CompressionName(std::uint32_t compression) {
  switch (compression) {
    case kRle8:
      return "RLE8";
    case kRle4:
      return "RLE4";
    case kBitfields:
    case kAlphaBitfields:
      return "BITFIELDS";
    default:
      return "RGB";
  }
}

// Reads the info header (and the colour masks that follow a 40-byte one); the reader is left at
// the palette. `icon` halves the height, which counts the image and its mask.
DibHeader ParseInfoHeader(Reader& r, bool icon) {
  DibHeader h;
  const std::uint32_t size = r.U32LE();
  std::int64_t width = 0;
  std::int64_t height = 0;
  if (size == kCoreHeaderSize) {
    h.core = true;
    width = r.U16LE();
    height = r.U16LE();
    r.U16LE();  // planes
    h.bits = r.U16LE();
  } else {
    if (size < 16) Fail("Unsupported header size " + std::to_string(size));
    auto block = r.Bytes(size - 4);  // offsets below are from the header's start, minus 4
    width = static_cast<std::int32_t>(Field32(block, 0));
    height = static_cast<std::int32_t>(Field32(block, 4));
    h.bits = Field16(block, 10);
    h.compression = Field32(block, 12);
    h.colors_used = Field32(block, 28);
    if (IsSecondCoreHeader(size) && (h.compression == 3 || h.compression == 4)) {
      Fail("Unsupported compression");
    }
    if (h.compression == kBitfields || h.compression == kAlphaBitfields) {
      const int count = h.compression == kAlphaBitfields ? 4 : 3;
      if (size >= 52) {
        for (int i = 0; i < 3; ++i) h.masks[i] = Field32(block, 36 + 4 * i);
        if (size >= 56) h.masks[3] = Field32(block, 48);
      } else {
        for (int i = 0; i < count; ++i) h.masks[i] = r.U32LE();
      }
    }
  }
  if (height < 0) {
    h.top_down = true;
    height = -height;
  }
  if (icon) height /= 2;
  if (width <= 0 || height <= 0) Fail(kInvalidImageSize);
  if (!SizeIsAcceptable(width, height)) Fail(kImageTooLarge);
  h.width = static_cast<std::int32_t>(width);
  h.height = static_cast<std::int32_t>(height);

  const int b = h.bits;
  const bool indexed = b == 1 || b == 4 || b == 8;
  if (h.core) {
    if (!indexed && b != 24) Fail("Unsupported bit count " + std::to_string(b));
  } else if (!indexed && b != 16 && b != 24 && b != 32) {
    Fail("Unsupported bit count " + std::to_string(b));
  }
  switch (h.compression) {
    case kRgb:
      if (b == 16) h.masks = {0x7C00, 0x03E0, 0x001F, 0};
      if (b == 32) h.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
      break;
    case kRle8:
    case kRle4:
      if (b != (h.compression == kRle8 ? 8 : 4)) Fail("Invalid bit count for the compression");
      break;
    case kBitfields:
    case kAlphaBitfields:
      if (b != 16 && b != 32) Fail("Invalid bit count for the compression");
      break;
    default:
      Fail("Unsupported compression");
  }
  if (indexed) {
    const std::uint32_t full = 1u << b;
    h.palette_entries = h.colors_used == 0 ? full : std::min(h.colors_used, full);
  } else {
    h.palette_entries = h.colors_used;  // an optional list that true-colour pixels ignore
  }
  return h;
}

// The palette of an indexed image (1 << bits entries, missing ones black), or empty; `room`
// bounds how many entries fit before the pixels.
std::vector<Rgb> ReadPalette(Reader& r, const DibHeader& h, std::size_t room) {
  const std::size_t entry = h.core ? 3 : 4;
  const std::size_t count = std::min(h.palette_entries, room / entry);
  if (h.bits > 8) {
    r.Skip(count * entry);
    return {};
  }
  std::vector<Rgb> palette(std::size_t{1} << h.bits);
  for (std::size_t i = 0; i < count; ++i) {
    auto e = r.Bytes(entry);
    palette[i] = {e[2], e[1], e[0]};
  }
  return palette;
}

void SetIndex(Raster& out, std::int64_t x, std::int32_t y, int index) {
  std::uint8_t* row = out.Row(y);
  switch (out.bits) {
    case 4: {
      std::uint8_t& b = row[x >> 1];
      b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (index & 0x0F))
                  : static_cast<std::uint8_t>((b & 0x0F) | (index << 4));
      break;
    }
    default:
      row[x] = static_cast<std::uint8_t>(index);
  }
}

struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int width = 0;
  std::uint8_t Get(std::uint32_t pixel) const {
    if (width == 0) return 0;
    const std::uint32_t v = (pixel & mask) >> shift;
    if (width >= 8) return static_cast<std::uint8_t>(v >> (width - 8));
    const std::uint32_t max = (1u << width) - 1;
    return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
  }
};

Channel MakeChannel(std::uint32_t mask) {
  Channel c;
  if (mask == 0) return c;
  c.mask = mask;
  c.shift = std::countr_zero(mask);
  c.width = 32 - std::countl_zero(mask) - c.shift;  // gaps in a mask count as bits
  return c;
}

std::int32_t TargetRow(const DibHeader& h, std::int64_t stored_row) {
  return static_cast<std::int32_t>(h.top_down ? stored_row : h.height - 1 - stored_row);
}

void DecodeUncompressed(Reader& r, const DibHeader& h, Raster& out,
                        std::vector<std::uint8_t>* alpha) {
  const std::size_t in_stride = ((static_cast<std::size_t>(h.width) * h.bits + 31) / 32) * 4;
  // A file too short for its pixels is refused before the image is allocated.
  if (in_stride * static_cast<std::size_t>(h.height) > r.Remaining()) Fail(kUnexpectedEnd);
  out.Allocate(h.width, h.height, h.bits <= 8 ? h.bits : 24);
  std::array<Channel, 4> ch;
  for (int i = 0; i < 4; ++i) ch[i] = MakeChannel(h.masks[i]);
  if (alpha && h.bits == 32 && ch[3].width) {
    alpha->assign(static_cast<std::size_t>(h.width) * h.height, 255);
  }
  const std::size_t out_stride = out.Stride();
  const int tail_bits = static_cast<int>((static_cast<std::size_t>(h.width) * h.bits) % 8);
  for (std::int64_t s = 0; s < h.height; ++s) {
    auto in = r.Bytes(in_stride);
    const std::int32_t y = TargetRow(h, s);
    std::uint8_t* row = out.Row(y);
    if (h.bits <= 8) {
      std::copy_n(in.begin(), out_stride, row);
      // Bits past the last pixel are cleared so equal images compare equal.
      if (tail_bits) row[out_stride - 1] &= static_cast<std::uint8_t>(0xFF << (8 - tail_bits));
    } else if (h.bits == 24) {
      for (std::int32_t x = 0; x < h.width; ++x) {
        row[3 * x] = in[3 * x + 2];
        row[3 * x + 1] = in[3 * x + 1];
        row[3 * x + 2] = in[3 * x];
      }
    } else {
      const std::size_t step = h.bits / 8;
      for (std::int32_t x = 0; x < h.width; ++x) {
        const std::uint8_t* p = in.data() + step * x;
        std::uint32_t v = p[0] | (p[1] << 8);
        if (step == 4) v |= (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
        row[3 * x] = ch[0].Get(v);
        row[3 * x + 1] = ch[1].Get(v);
        row[3 * x + 2] = ch[2].Get(v);
        if (alpha && !alpha->empty()) {
          (*alpha)[static_cast<std::size_t>(y) * h.width + x] = ch[3].Get(v);
        }
      }
    }
  }
}

// Run-length pixels: runs, end-of-line, end-of-bitmap and delta escapes. Every step consumes
// input, so the loop ends with the data; pixels that fall outside the image are dropped. Without
// an image the stream is only checked, so a broken one is refused before anything is allocated.
void WalkRle(Reader& r, const DibHeader& h, Raster* out) {
  const bool four = h.compression == kRle4;
  std::int64_t x = 0;
  std::int64_t row = 0;
  auto put = [&](int count, auto index_of) {
    if (!out || row >= h.height) return;
    const std::int32_t y = TargetRow(h, row);
    for (int i = 0; i < count && x + i < h.width; ++i) SetIndex(*out, x + i, y, index_of(i));
  };
  for (;;) {
    const std::uint8_t count = r.U8();
    const std::uint8_t value = r.U8();
    if (count > 0) {
      put(count, [&](int i) { return four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value; });
      x += count;
      continue;
    }
    switch (value) {
      case 0:
        x = 0;
        ++row;
        break;
      case 1:
        return;
      case 2:
        x += r.U8();
        row += r.U8();
        break;
      default: {
        const std::size_t bytes = four ? (value + 1u) / 2 : value;
        auto data = r.Bytes(bytes);
        put(value, [&](int i) {
          return four ? ((i & 1) ? (data[i / 2] & 0x0F) : (data[i / 2] >> 4)) : data[i];
        });
        x += value;
        if (bytes & 1) r.Skip(1);  // absolute runs end on a 16-bit boundary
      }
    }
  }
}

void DecodeRle(Reader& r, const DibHeader& h, Raster& out) {
  Reader check = r;
  WalkRle(check, h, nullptr);
  out.Allocate(h.width, h.height, h.bits);
  WalkRle(r, h, &out);
}

void DecodePixels(Reader& r, const DibHeader& h, Raster& out, std::vector<std::uint8_t>* alpha) {
  if (h.compression == kRle8 || h.compression == kRle4) {
    DecodeRle(r, h, out);
  } else {
    DecodeUncompressed(r, h, out, alpha);
  }
}

struct FileHeader {
  std::uint32_t pixel_offset = 0;
};

FileHeader ParseFileHeader(Reader& r) {
  if (r.Size() < 2 || r.U8() != 'B' || r.U8() != 'M') Fail("Not a BMP file");
  FileHeader f;
  r.U32LE();  // file size, often wrong in the wild
  r.U32LE();  // reserved
  f.pixel_offset = r.U32LE();
  return f;
}

ImageInfo MakeInfo(const DibHeader& h) {
  ImageInfo info;
  info.width = h.width;
  info.height = h.height;
  info.bits = h.bits;
  info.subformat = std::string(CompressionName(h.compression));
  return info;
}

}  // namespace

bool IsBmpSignature(std::span<const std::uint8_t> head) {
  if (head.size() < 2 || head[0] != 'B' || head[1] != 'M') return false;
  if (head.size() < 17) return true;
  const unsigned header_size = head[14];
  return head[15] == 0 && head[16] == 0 && header_size >= kCoreHeaderSize && header_size <= 124;
}

Raster ReadBmp(std::span<const std::uint8_t> data) {
  Reader r(data);
  const FileHeader f = ParseFileHeader(r);
  const DibHeader h = ParseInfoHeader(r, false);
  // The pixel offset, when given, also bounds the palette (short palettes are common).
  const std::size_t offset = f.pixel_offset ? f.pixel_offset : data.size();
  auto palette = ReadPalette(r, h, offset > r.Position() ? offset - r.Position() : 0);
  if (f.pixel_offset) r.Seek(f.pixel_offset);
  Raster out;
  DecodePixels(r, h, out, nullptr);
  if (out.bits != 24) out.palette = std::move(palette);
  return out;
}

ImageInfo ReadBmpInfo(std::span<const std::uint8_t> data) {
  Reader r(data);
  ParseFileHeader(r);
  return MakeInfo(ParseInfoHeader(r, false));
}

IconBitmap ReadIconBitmap(std::span<const std::uint8_t> dib) {
  Reader r(dib);
  const DibHeader h = ParseInfoHeader(r, true);
  auto palette = ReadPalette(r, h, r.Remaining());
  IconBitmap icon;
  DecodePixels(r, h, icon.image, &icon.alpha);
  if (icon.image.bits != 24) icon.image.palette = std::move(palette);
  icon.end = r.Position();
  return icon;
}

ImageInfo ReadIconBitmapInfo(std::span<const std::uint8_t> dib) {
  Reader r(dib);
  return MakeInfo(ParseInfoHeader(r, true));
}

std::vector<std::uint8_t> WriteBmp(const Raster& image) {
  const int bits = image.bits;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) {
    throw BmpWriteError(CannotWriteBitsText(bits));
  }
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() < image.Stride() * static_cast<std::size_t>(image.height)) {
    throw BmpWriteError(kInvalidImageSize);
  }
  const std::uint32_t colors = bits == 24 ? 0 : (1u << bits);
  const std::size_t stride = ((static_cast<std::size_t>(image.width) * bits + 31) / 32) * 4;
  const std::size_t pixel_bytes = stride * static_cast<std::size_t>(image.height);
  const std::size_t offset = kFileHeaderSize + 40 + 4 * colors;
  if (offset + pixel_bytes > 0xFFFFFFFFu) throw BmpWriteError(kImageTooLarge);

  std::vector<std::uint8_t> out;
  out.reserve(offset + pixel_bytes);
  out.push_back('B');
  out.push_back('M');
  AppendLE(out, static_cast<std::uint32_t>(offset + pixel_bytes), 4);
  AppendLE(out, 0, 4);
  AppendLE(out, static_cast<std::uint32_t>(offset), 4);
  AppendLE(out, 40, 4);
  AppendLE(out, static_cast<std::uint32_t>(image.width), 4);
  AppendLE(out, static_cast<std::uint32_t>(image.height), 4);  // positive: bottom-up
  AppendLE(out, 1, 2);
  AppendLE(out, static_cast<std::uint32_t>(bits), 2);
  AppendLE(out, kRgb, 4);
  AppendLE(out, static_cast<std::uint32_t>(pixel_bytes), 4);
  AppendLE(out, 2835, 4);  // 72 dots per inch, in dots per metre
  AppendLE(out, 2835, 4);
  AppendLE(out, colors, 4);
  AppendLE(out, 0, 4);
  for (std::uint32_t i = 0; i < colors; ++i) {
    const Rgb c = i < image.palette.size() ? image.palette[i] : Rgb{};
    out.insert(out.end(), {c.b, c.g, c.r, 0});
  }
  const std::size_t row_bytes = image.Stride();
  for (std::int32_t y = image.height; y-- > 0;) {
    const std::uint8_t* row = image.Row(y);
    if (bits == 24) {
      for (std::int32_t x = 0; x < image.width; ++x) {
        out.insert(out.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
      }
    } else {
      out.insert(out.end(), row, row + row_bytes);
    }
    out.resize(out.size() + (stride - (bits == 24 ? 3 * image.width : row_bytes)), 0);
  }
  return out;
}

}  // namespace parvel
