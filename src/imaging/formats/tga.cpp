// TGA files read and written by hand: no maintained library reads them with the bounds checks
// the image layer needs.
#include "imaging/formats/tga.h"

#include <algorithm>
#include <string>

#include "imaging/formats/bytereader.h"
#include "imaging/imageerrors.h"

namespace parvel {
namespace {

using Reader = ByteReader<TgaReadError>;

[[noreturn]] void Fail(std::string_view text) {
  throw TgaReadError(text);
}

constexpr int kMapped = 1;
constexpr int kTrueColor = 2;
constexpr int kGray = 3;
constexpr int kRle = 8;  // added to the three types above
constexpr std::uint8_t kTopOrigin = 0x20;
constexpr std::uint8_t kRightOrigin = 0x10;

struct Header {
  int type = 0;  // without the RLE flag
  bool rle = false;
  int map_first = 0;
  int map_length = 0;
  int map_bits = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  int depth = 0;
  bool top = false;
  bool right = false;
  std::size_t BytesPerPixel() const { return (depth + 7) / 8; }
};

// Leaves the reader at the colour map (after the image ID).
Header ParseHeader(Reader& r) {
  Header h;
  const std::uint8_t id_length = r.U8();
  const std::uint8_t map_type = r.U8();
  const std::uint8_t type = r.U8();
  h.map_first = r.U16LE();
  h.map_length = r.U16LE();
  h.map_bits = r.U8();
  r.Skip(4);  // screen origin
  h.width = r.U16LE();
  h.height = r.U16LE();
  h.depth = r.U8();
  const std::uint8_t descriptor = r.U8();
  r.Skip(id_length);

  if (map_type > 1) Fail("Not a TGA file");
  if (type == 0 || type == 32 || type == 33) Fail("Unsupported image type " + std::to_string(type));
  h.rle = type >= kRle;
  h.type = type & 7;
  if ((type & ~kRle) > kGray || h.type == 0) Fail("Not a TGA file");
  h.top = descriptor & kTopOrigin;
  h.right = descriptor & kRightOrigin;
  if (map_type == 1 && h.map_bits != 15 && h.map_bits != 16 && h.map_bits != 24 &&
      h.map_bits != 32) {
    Fail("Unsupported colour map entry size " + std::to_string(h.map_bits));
  }
  if (map_type == 0) h.map_length = 0;
  bool depth_ok = false;
  switch (h.type) {
    case kMapped:
      if (map_type != 1) Fail("Colour map missing");
      depth_ok = h.depth == 8;
      break;
    case kTrueColor:
      depth_ok = h.depth == 15 || h.depth == 16 || h.depth == 24 || h.depth == 32;
      break;
    default:
      depth_ok = h.depth == 8 || h.depth == 16;
  }
  if (!depth_ok) Fail("Unsupported pixel depth " + std::to_string(h.depth));
  if (h.width == 0 || h.height == 0) Fail(kInvalidImageSize);
  if (!SizeIsAcceptable(h.width, h.height)) Fail(kImageTooLarge);
  return h;
}

std::uint8_t Five(unsigned v) {
  return static_cast<std::uint8_t>((v & 31) * 255 / 31);
}

// A stored colour (colour map entry or true-colour pixel) as RGB; the alpha byte is dropped.
Rgb ColorOf(const std::uint8_t* p, int bits) {
  if (bits <= 16) {
    const unsigned v = p[0] | (p[1] << 8);
    return {Five(v >> 10), Five(v >> 5), Five(v)};
  }
  return {p[2], p[1], p[0]};
}

std::vector<Rgb> ReadColorMap(Reader& r, const Header& h) {
  const std::size_t entry = (h.map_bits + 7) / 8;
  auto bytes = r.Bytes(entry * h.map_length);
  if (h.type != kMapped) return {};
  std::vector<Rgb> palette(256);
  for (int i = 0; i < h.map_length && h.map_first + i < 256; ++i) {
    palette[h.map_first + i] = ColorOf(bytes.data() + entry * i, h.map_bits);
  }
  return palette;
}

// Places the stored pixels in file order, which starts at the origin the descriptor names.
class PixelSink {
 public:
  PixelSink(const Header& h, Raster& out) : h_(h), out_(out) {}
  void Put(const std::uint8_t* p) {
    const std::int32_t col = static_cast<std::int32_t>(next_ % h_.width);
    const std::int32_t row = static_cast<std::int32_t>(next_ / h_.width);
    const std::int32_t x = h_.right ? h_.width - 1 - col : col;
    const std::int32_t y = h_.top ? row : h_.height - 1 - row;
    ++next_;
    if (out_.bits == 8) {
      out_.Row(y)[x] = p[0];  // an index, or the gray level (before any alpha byte)
      return;
    }
    const Rgb c = ColorOf(p, h_.depth);
    std::uint8_t* q = out_.Row(y) + 3 * static_cast<std::size_t>(x);
    q[0] = c.r;
    q[1] = c.g;
    q[2] = c.b;
  }
  std::uint64_t Left() const { return total_ - next_; }

 private:
  const Header& h_;
  Raster& out_;
  std::uint64_t next_ = 0;
  std::uint64_t total_ = static_cast<std::uint64_t>(h_.width) * h_.height;
};

// Packets may run across rows; a packet longer than the pixels left is cut short. Every packet
// consumes input, so the loop ends with the data.
void DecodeRle(Reader& r, std::size_t bpp, PixelSink& sink) {
  while (sink.Left() > 0) {
    const std::uint8_t packet = r.U8();
    const std::uint64_t count = std::min<std::uint64_t>((packet & 0x7F) + 1u, sink.Left());
    if (packet & 0x80) {
      const std::uint8_t* p = r.Bytes(bpp).data();
      for (std::uint64_t i = 0; i < count; ++i) sink.Put(p);
    } else {
      for (std::uint64_t i = 0; i < count; ++i) sink.Put(r.Bytes(bpp).data());
    }
  }
}

std::string_view TypeName(const Header& h) {
  switch (h.type) {
    case kMapped:
      return h.rle ? "Colour-mapped RLE" : "Colour-mapped";
    case kTrueColor:
      return h.rle ? "True colour RLE" : "True colour";
    default:
      return h.rle ? "Gray RLE" : "Gray";
  }
}

}  // namespace

ImageInfo ReadTgaInfo(std::span<const std::uint8_t> data) {
  Reader r(data);
  const Header h = ParseHeader(r);
  ImageInfo info;
  info.width = h.width;
  info.height = h.height;
  info.bits = h.depth;
  info.subformat = std::string(TypeName(h));
  return info;
}

Raster ReadTga(std::span<const std::uint8_t> data) {
  Reader r(data);
  const Header h = ParseHeader(r);
  std::vector<Rgb> palette = ReadColorMap(r, h);

  // A file too short for its claimed size is refused before the image is allocated: a packet
  // of 1 + bpp bytes gives at most 128 pixels.
  const std::uint64_t pixels = static_cast<std::uint64_t>(h.width) * h.height;
  const std::size_t bpp = h.BytesPerPixel();
  const std::uint64_t least = h.rle ? (pixels + 127) / 128 * (1 + bpp) : pixels * bpp;
  if (least > r.Remaining()) Fail(kUnexpectedEnd);

  Raster out;
  out.Allocate(h.width, h.height, h.type == kTrueColor ? 24 : 8);
  if (h.type == kMapped) {
    out.palette = std::move(palette);
  } else if (h.type == kGray) {
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<std::uint8_t>(i);
      out.palette[i] = {v, v, v};
    }
  }
  PixelSink sink(h, out);
  if (h.rle) {
    DecodeRle(r, bpp, sink);
  } else {
    auto bytes = r.Bytes(pixels * bpp);
    for (std::uint64_t i = 0; i < pixels; ++i) sink.Put(bytes.data() + i * bpp);
  }
  return out;
}

std::vector<std::uint8_t> WriteTga(const Raster& image) {
  if (image.bits != 8 && image.bits != 24) {
    throw TgaWriteError(CannotWriteBitsText(image.bits));
  }
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() < image.Stride() * static_cast<std::size_t>(image.height)) {
    throw TgaWriteError(kInvalidImageSize);
  }
  if (image.width > 65535 || image.height > 65535) throw TgaWriteError(kImageTooLarge);
  const bool mapped = image.bits == 8;
  std::vector<std::uint8_t> out;
  out.reserve(18 + 768 + image.pixels.size());
  out.push_back(0);  // no image ID
  out.push_back(mapped ? 1 : 0);
  out.push_back(static_cast<std::uint8_t>(mapped ? kMapped : kTrueColor));
  AppendLE(out, 0, 2);
  AppendLE(out, mapped ? 256 : 0, 2);
  out.push_back(mapped ? 24 : 0);
  AppendLE(out, 0, 4);
  AppendLE(out, static_cast<std::uint32_t>(image.width), 2);
  AppendLE(out, static_cast<std::uint32_t>(image.height), 2);
  out.push_back(static_cast<std::uint8_t>(image.bits));
  out.push_back(0);  // bottom-left origin, no alpha
  if (mapped) {
    for (std::size_t i = 0; i < 256; ++i) {
      const Rgb c = i < image.palette.size() ? image.palette[i] : Rgb{};
      out.insert(out.end(), {c.b, c.g, c.r});
    }
  }
  for (std::int32_t y = image.height; y-- > 0;) {
    const std::uint8_t* row = image.Row(y);
    if (mapped) {
      out.insert(out.end(), row, row + image.width);
    } else {
      for (std::int32_t x = 0; x < image.width; ++x) {
        out.insert(out.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
      }
    }
  }
  return out;
}

}  // namespace parvel
