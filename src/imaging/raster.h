// The plain pixel store that every format reader fills and every writer reads; PixelGraphic
// wraps one. Rows run top-down. 24-bit pixels are three bytes R, G, B; 1-, 4- and 8-bit pixels
// are palette indexes packed from the most significant bit of each byte. Rows are not padded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace parvel {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Readers refuse a file whose header claims more pixels than this, before allocating anything.
inline constexpr std::int64_t kMaxImagePixels = 400'000'000;
// Nor may either side exceed this.
inline constexpr std::int32_t kMaxImageSide = 65'535 * 4;

struct Raster {
  std::int32_t width = 0;
  std::int32_t height = 0;
  int bits = 24;             // 1, 4, 8 or 24
  std::vector<Rgb> palette;  // 1 << bits entries for indexed images, empty for 24-bit
  std::vector<std::uint8_t> pixels;

  std::size_t Stride() const { return (static_cast<std::size_t>(width) * bits + 7) / 8; }
  std::uint8_t* Row(std::int32_t y) {
    return pixels.data() + Stride() * static_cast<std::size_t>(y);
  }
  const std::uint8_t* Row(std::int32_t y) const {
    return pixels.data() + Stride() * static_cast<std::size_t>(y);
  }
  // Sets size and depth and allocates zeroed pixels (and a zeroed palette for indexed depths).
  // The caller has checked the size against kMaxImagePixels.
  void Allocate(std::int32_t w, std::int32_t h, int bit_count) {
    width = w;
    height = h;
    bits = bit_count;
    palette.assign(bit_count == 24 ? 0 : (std::size_t{1} << bit_count), Rgb{});
    pixels.assign(Stride() * static_cast<std::size_t>(h), 0);
  }
  // Palette index of an indexed pixel (no bounds check).
  int IndexAt(std::int32_t x, std::int32_t y) const {
    const std::uint8_t* row = Row(y);
    switch (bits) {
      case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
      case 4:
        return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
      default:
        return row[x];
    }
  }
  // Colour of any pixel (no bounds check; an index past the palette reads as black).
  Rgb ColorAt(std::int32_t x, std::int32_t y) const {
    if (bits == 24) {
      const std::uint8_t* p = Row(y) + 3 * static_cast<std::size_t>(x);
      return {p[0], p[1], p[2]};
    }
    const auto i = static_cast<std::size_t>(IndexAt(x, y));
    return i < palette.size() ? palette[i] : Rgb{};
  }
};

// What a reader tells about a file without decoding its pixels.
struct ImageInfo {
  int image_count = 1;
  std::int32_t width = 0;
  std::int32_t height = 0;
  int bits = 24;          // colour depth as the file stores it (1, 4, 8, 24, or 32 etc.)
  std::string subformat;  // a short text naming the subformat, e.g. "RLE8"
};

// True when a claimed size is positive and within the limits above.
inline bool SizeIsAcceptable(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
         width * height <= kMaxImagePixels;
}

}  // namespace parvel
