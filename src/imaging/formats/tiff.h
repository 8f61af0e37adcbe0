// TIFF reading and writing through libtiff, from and to memory. Library errors come back as
// TiffReadError or TiffWriteError ("TIFF: " and the library's text).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/raster.h"

namespace parvel {

// True for the little- and big-endian TIFF headers (classic and BigTIFF).
bool IsTiffSignature(std::span<const std::uint8_t> head);

// Image (directory) `index`. One-sample images of 1, 4 or 8 bits in strips stay indexed (gray
// images get a gray palette); everything else is read through the library's RGBA interface into
// 24 bits, transparency laid on white. The pixel store grows with the rows actually read.
Raster ReadTiff(std::span<const std::uint8_t> data, int index = 0);
ImageInfo ReadTiffInfo(std::span<const std::uint8_t> data, int index = 0);

// One LZW-compressed image: indexed depths as palette images (1-bit black and white as a
// bilevel image), 24-bit as RGB.
std::vector<std::uint8_t> WriteTiff(const Raster& image);

}  // namespace parvel
