// WebP pictures read through libwebp: still images, and the first frame of an animation. The
// EXIF orientation of the file's "EXIF" chunk is applied.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/raster.h"

namespace parvel {

// True for "RIFF", a size and "WEBP".
bool IsWebpSignature(std::span<const std::uint8_t> head);

// A 24-bit raster, upright by its EXIF orientation; transparency is laid on white. Throws
// WebpReadError.
Raster ReadWebp(std::span<const std::uint8_t> data);
// The upright size.
ImageInfo ReadWebpInfo(std::span<const std::uint8_t> data);

}  // namespace parvel
