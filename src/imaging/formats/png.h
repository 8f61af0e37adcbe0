// PNG reading and writing through libpng. Library errors come back as
// PngError ("PNG: " and the library's text).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/raster.h"

namespace parvel {

// True for the eight-byte PNG signature.
bool IsPngSignature(std::span<const std::uint8_t> head);

// Palette images stay indexed (1, 4 or 8 bits; 2 bits widen to 8), gray images become a gray
// palette (1-bit black and white, 2 and 8 bits 256 grays, 4 bits 16 grays), colour becomes
// 24-bit; 16-bit samples keep their high byte. Transparency is laid on white.
Raster ReadPng(std::span<const std::uint8_t> data);
ImageInfo ReadPngInfo(std::span<const std::uint8_t> data);

// Indexed images as palette PNGs of the same depth, 24-bit as RGB.
std::vector<std::uint8_t> WritePng(const Raster& image);

}  // namespace parvel
