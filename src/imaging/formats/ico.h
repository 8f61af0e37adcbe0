// Icon file reading on the plain Raster. Written by hand: no maintained library reads these files
// with the bounds checks the image layer needs.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/raster.h"

namespace parvel {

// True when the first (up to 17) bytes start an icon directory.
bool IsIcoSignature(std::span<const std::uint8_t> head);
// Decodes the first icon of the file. Pixels that the mask (or a 32-bit icon's alpha) makes
// transparent are laid on white, which turns an indexed icon with such pixels into 24 bits.
// Icons stored as PNG throw "ICO: PNG icons are not supported". Throws EPGICOFileFormatReader.
Raster ReadIco(std::span<const std::uint8_t> data);
// The icon count of the file and the size and depth of the first icon.
ImageInfo ReadIcoInfo(std::span<const std::uint8_t> data);

}  // namespace parvel
