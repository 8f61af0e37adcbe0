// PCX files read by hand: no maintained library reads them with the bounds checks the image
// layer needs.
#include "imaging/formats/pcx.h"

#include <algorithm>
#include <string>
#include <vector>

#include "imaging/formats/bytereader.h"
#include "imaging/imageerrors.h"

namespace parvel {
namespace {

using Reader = ByteReader<PcxReadError>;

[[noreturn]] void Fail(std::string_view text) {
  throw PcxReadError(text);
}

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kPaletteSize = 769;  // the 0x0C marker and 256 RGB entries
constexpr std::uint8_t kPaletteMarker = 0x0C;

struct Header {
  int version = 0;
  bool rle = true;
  int bits = 0;  // per pixel and plane
  int planes = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::size_t bytes_per_line = 0;  // per plane
  std::vector<Rgb> colormap;       // the 16 entries in the header
};

Header ParseHeader(std::span<const std::uint8_t> data) {
  Reader r(data);
  if (r.Size() < 1 || r.U8() != 0x0A) Fail("Not a PCX file");
  Header h;
  h.version = r.U8();
  const std::uint8_t encoding = r.U8();
  if (encoding > 1) Fail("Unsupported encoding " + std::to_string(encoding));
  h.rle = encoding == 1;
  h.bits = r.U8();
  const std::int32_t xmin = r.U16LE();
  const std::int32_t ymin = r.U16LE();
  const std::int32_t xmax = r.U16LE();
  const std::int32_t ymax = r.U16LE();
  r.Skip(4);  // resolution
  for (int i = 0; i < 16; ++i) {
    auto e = r.Bytes(3);
    h.colormap.push_back({e[0], e[1], e[2]});
  }
  r.Skip(1);
  h.planes = r.U8();
  h.bytes_per_line = r.U16LE();
  r.Seek(kHeaderSize);  // the rest of the header carries nothing needed

  if (xmax < xmin || ymax < ymin) Fail(kInvalidImageSize);
  h.width = xmax - xmin + 1;
  h.height = ymax - ymin + 1;
  if (!SizeIsAcceptable(h.width, h.height)) Fail(kImageTooLarge);
  const bool supported =
      (h.planes == 1 && (h.bits == 1 || h.bits == 2 || h.bits == 4 || h.bits == 8)) ||
      (h.bits == 1 && h.planes >= 2 && h.planes <= 4) ||
      (h.bits == 8 && (h.planes == 3 || h.planes == 4));
  if (!supported) {
    Fail("Unsupported format: " + std::to_string(h.bits) + " bits in " + std::to_string(h.planes) +
         " planes");
  }
  if (h.bytes_per_line * 8 < static_cast<std::size_t>(h.width) * h.bits) {
    Fail("Invalid bytes per line");
  }
  return h;
}

// The run-length stream, decoded a line at a time; a run may carry over to the next line.
class LineDecoder {
 public:
  LineDecoder(Reader& r, bool rle) : r_(r), rle_(rle) {}
  void Next(std::vector<std::uint8_t>& line) {
    std::size_t i = 0;
    while (i < line.size()) {
      if (run_ == 0) {
        const std::uint8_t c = r_.U8();
        if (rle_ && (c & 0xC0) == 0xC0) {
          run_ = c & 0x3F;
          value_ = r_.U8();
        } else {
          run_ = 1;
          value_ = c;
        }
      }
      while (run_ > 0 && i < line.size()) {
        line[i++] = value_;
        --run_;
      }
    }
  }

 private:
  Reader& r_;
  bool rle_;
  int run_ = 0;
  std::uint8_t value_ = 0;
};

std::vector<Rgb> ReadEndPalette(std::span<const std::uint8_t> data) {
  if (data.size() < kHeaderSize + kPaletteSize) Fail(kUnexpectedEnd);
  const std::size_t at = data.size() - kPaletteSize;
  if (data[at] != kPaletteMarker) Fail("Palette not found");
  std::vector<Rgb> palette(256);
  for (std::size_t i = 0; i < 256; ++i) {
    palette[i] = {data[at + 1 + 3 * i], data[at + 2 + 3 * i], data[at + 3 + 3 * i]};
  }
  return palette;
}

void SetNibble(std::uint8_t* row, std::int32_t x, int value) {
  std::uint8_t& b = row[x >> 1];
  b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | value)
              : static_cast<std::uint8_t>((b & 0x0F) | (value << 4));
}

int BitAt(const std::uint8_t* bytes, std::int32_t x) {
  return (bytes[x >> 3] >> (7 - (x & 7))) & 1;
}

}  // namespace

bool IsPcxSignature(std::span<const std::uint8_t> head) {
  if (head.size() < 4 || head[0] != 0x0A) return false;
  const int version = head[1];
  const int bits = head[3];
  return (version == 0 || (version >= 2 && version <= 5)) && head[2] <= 1 &&
         (bits == 1 || bits == 2 || bits == 4 || bits == 8);
}

ImageInfo ReadPcxInfo(std::span<const std::uint8_t> data) {
  const Header h = ParseHeader(data);
  ImageInfo info;
  info.width = h.width;
  info.height = h.height;
  info.bits = h.bits * h.planes;
  info.subformat = h.rle ? "RLE" : "Uncompressed";
  return info;
}

Raster ReadPcx(std::span<const std::uint8_t> data) {
  const Header h = ParseHeader(data);
  const bool paletted8 = h.bits == 8 && h.planes == 1;
  std::vector<Rgb> palette;
  std::size_t end = data.size();
  if (paletted8) {
    palette = ReadEndPalette(data);
    end -= kPaletteSize;
  }
  Reader r(data.first(end));
  r.Seek(kHeaderSize);
  std::vector<std::uint8_t> line(h.bytes_per_line * h.planes);
  // Each input byte yields at most 63 (in a run of two bytes, 31.5 each), so a file too short
  // for its claimed size is refused before the image is allocated.
  const std::size_t yield = h.rle ? 32 : 1;
  if (std::uint64_t{line.size()} * static_cast<std::uint64_t>(h.height) >
      std::uint64_t{r.Remaining()} * yield) {
    Fail(kUnexpectedEnd);
  }

  Raster out;
  const int out_bits = h.planes == 1 && (h.bits == 1 || h.bits == 8) ? h.bits
                       : h.bits == 8                                 ? 24
                                                                     : 4;
  out.Allocate(h.width, h.height, out_bits);
  if (paletted8) {
    out.palette = palette;
  } else if (out_bits == 1) {
    out.palette = {{0, 0, 0}, {255, 255, 255}};
  } else if (out_bits == 4) {
    std::copy(h.colormap.begin(), h.colormap.end(), out.palette.begin());
  }

  LineDecoder decoder(r, h.rle);
  for (std::int32_t y = 0; y < h.height; ++y) {
    decoder.Next(line);
    std::uint8_t* row = out.Row(y);
    const std::uint8_t* plane0 = line.data();
    if (out_bits == 1 || paletted8) {
      std::copy_n(plane0, out.Stride(), row);
      if (out_bits == 1 && (h.width & 7)) {
        row[out.Stride() - 1] &= static_cast<std::uint8_t>(0xFF << (8 - (h.width & 7)));
      }
    } else if (out_bits == 24) {
      for (std::int32_t x = 0; x < h.width; ++x) {
        for (int c = 0; c < 3; ++c) row[3 * x + c] = line[c * h.bytes_per_line + x];
      }
    } else if (h.bits == 1) {
      for (std::int32_t x = 0; x < h.width; ++x) {
        int index = 0;
        for (int p = 0; p < h.planes; ++p) {
          index |= BitAt(plane0 + p * h.bytes_per_line, x) << p;
        }
        SetNibble(row, x, index);
      }
    } else if (h.bits == 2) {
      for (std::int32_t x = 0; x < h.width; ++x) {
        SetNibble(row, x, (plane0[x >> 2] >> (6 - 2 * (x & 3))) & 3);
      }
    } else {
      std::copy_n(plane0, out.Stride(), row);
      if (h.width & 1) row[out.Stride() - 1] &= 0xF0;
    }
  }
  return out;
}

}  // namespace parvel
