// TGA reading and writing on the plain Raster. Written by hand: no maintained library reads this
// format with the bounds checks the image layer needs. The format has no signature; the registry
// chooses it by extension only.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/raster.h"

namespace parvel {

// Colour-mapped, true-colour and gray images, raw or run-length encoded, any origin: 8-bit
// colour-mapped and gray stay 8-bit indexed, 15, 16, 24 and 32 bits become 24.
// Throws TgaReadError.
Raster ReadTga(std::span<const std::uint8_t> data);
ImageInfo ReadTgaInfo(std::span<const std::uint8_t> data);

// Uncompressed: 8-bit colour-mapped or 24-bit true colour; other depths (and sides over 65535)
// throw TgaWriteError.
std::vector<std::uint8_t> WriteTga(const Raster& image);

}  // namespace parvel
