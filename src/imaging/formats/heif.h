// HEIF photographs (HEIC, with HEVC pictures, and AVIF, with AV1 pictures) read through libheif.
// The container's rotation and mirroring are applied, so the picture stands as it was taken.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/raster.h"

namespace parvel {

// True for an "ftyp" box whose brand libheif decodes (heic, heix, mif1, avif, ...).
bool IsHeifSignature(std::span<const std::uint8_t> head);

// Top-level image `index` (0: the primary image) as a 24-bit raster; transparency is laid on
// white. Throws HeifReadError with libheif's text.
Raster ReadHeif(std::span<const std::uint8_t> data, int index);
ImageInfo ReadHeifInfo(std::span<const std::uint8_t> data, int index);

}  // namespace parvel
