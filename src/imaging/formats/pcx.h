// PCX reading on the plain Raster. Written by hand: no maintained library reads this format with
// the bounds checks the image layer needs.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/raster.h"

namespace parvel {

// True when the first (up to 17) bytes look like a PCX header.
bool IsPcxSignature(std::span<const std::uint8_t> head);
// 1-bit, 1-bit planar (2 to 4 planes) and 2 or 4-bit packed become 1 or 4-bit indexed; 8-bit
// uses the 256-colour palette at the end; 3 or 4 planes of 8 bits become 24-bit.
// Throws PcxReadError.
Raster ReadPcx(std::span<const std::uint8_t> data);
ImageInfo ReadPcxInfo(std::span<const std::uint8_t> data);

}  // namespace parvel
