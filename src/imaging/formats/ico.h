// Icon file reading on the plain Raster. Written by hand: no maintained library reads these files
// with the bounds checks the image layer needs.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/raster.h"

namespace parvel {

// True when the first (up to 17) bytes start an icon directory.
bool IsIcoSignature(std::span<const std::uint8_t> head);
// Decodes the first icon of the file, a bitmap or a PNG image. Pixels that the mask (or the
// alpha) makes transparent are laid on white, which turns an indexed bitmap icon with such pixels
// into 24 bits. Throws IcoReadError, also for errors in the embedded image.
Raster ReadIco(std::span<const std::uint8_t> data);
// The icon count of the file and the size and depth of the first icon.
ImageInfo ReadIcoInfo(std::span<const std::uint8_t> data);

}  // namespace parvel
