// BMP (also named .dib and .rle) reading and writing on the plain Raster. Written by hand: no
// maintained library reads these bitmaps with the bounds checks the image layer needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/raster.h"

namespace parvel {

// True when the first (up to 17) bytes look like a bitmap file. DIB and RLE files are bitmap
// files too, so this one test serves all three extensions.
bool IsBmpSignature(std::span<const std::uint8_t> head);

// Decodes the whole file: 1, 4 and 8 bits stay indexed, 16 and 32 bits become 24.
// Throws BmpReadError.
Raster ReadBmp(std::span<const std::uint8_t> data);
// Size, stored depth and compression ("RGB", "RLE8", "RLE4", "BITFIELDS") from the headers.
ImageInfo ReadBmpInfo(std::span<const std::uint8_t> data);

// A BMP file (info header, uncompressed, bottom-up) of a 1, 4, 8 or 24-bit image; other depths
// throw BmpWriteError.
std::vector<std::uint8_t> WriteBmp(const Raster& image);

// A bitmap without file header (info header, palette, pixels right after), as an icon holds it;
// the header's height counts the image and its mask, so it is halved. Throws
// BmpReadError.
struct IconBitmap {
  Raster image;
  std::size_t end = 0;              // offset just past the colour pixels, where the mask starts
  std::vector<std::uint8_t> alpha;  // top-down, one byte a pixel; only for 32-bit pixels
};
IconBitmap ReadIconBitmap(std::span<const std::uint8_t> dib);
ImageInfo ReadIconBitmapInfo(std::span<const std::uint8_t> dib);

}  // namespace parvel
