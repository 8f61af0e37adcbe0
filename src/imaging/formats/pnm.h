// PBM, PGM and PPM reading and writing on the plain Raster. Written by hand: no maintained
// library reads these formats with the bounds checks the image layer needs.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/raster.h"

namespace parvel {

enum class PnmKind { Pbm, Pgm, Ppm };

// True for "P1".."P6" followed by white space or a comment.
bool IsPnmSignature(std::span<const std::uint8_t> head);
// Reads P1..P6, plain and raw: bitmaps become 1-bit (index 0 white, 1 black, as the format
// means), graymaps 8-bit with a gray palette, pixmaps 24-bit; samples scale to 8 bits.
// Throws PnmReadError.
Raster ReadPnm(std::span<const std::uint8_t> data);
ImageInfo ReadPnmInfo(std::span<const std::uint8_t> data);

// The raw form (P4, P5, P6). Pbm needs a 1-bit image (dark palette entries become black), Pgm an
// 8-bit one (each entry's luminance), Ppm a 24-bit one; others throw PnmWriteError.
std::vector<std::uint8_t> WritePnm(const Raster& image, PnmKind kind);

}  // namespace parvel
