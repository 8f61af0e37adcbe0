// GIF reading and writing through giflib. Errors come back as GifError
// ("GIF: " and a text).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/raster.h"

namespace parvel {

// True for "GIF87a" and "GIF89a".
bool IsGifSignature(std::span<const std::uint8_t> head);

// Image `index` (0 for the first) laid on the logical screen, which is filled with the
// background colour and grows to hold an image that reaches past it. The depth follows the colour
// table: 2 entries give 1 bit, up to 16 give 4 bits, more 8 bits. Transparent pixels keep the
// background.
Raster ReadGif(std::span<const std::uint8_t> data, int index = 0);
// Screen size, depth of the first image's colour table and the number of images, without
// decoding any pixels.
ImageInfo ReadGifInfo(std::span<const std::uint8_t> data);

// One image with the image's own palette (1, 4 or 8 bits); other depths throw.
std::vector<std::uint8_t> WriteGif(const Raster& image);

}  // namespace parvel
