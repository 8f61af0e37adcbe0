// Scaling one raster into another of a given size.
#pragma once

#include "imaging/raster.h"

namespace parvel {

enum class ResampleFilter {
  Nearest,   // the source pixel under each target pixel's centre
  Box,       // reducing: the area-weighted mean of every source pixel a target pixel covers;
             // enlarging: bilinear
  Lanczos3,  // windowed sinc over three lobes, widened by the reduction factor when reducing
};

// Fills `target`, a 24-bit raster of the wanted size, with the whole of `source` (any depth,
// not empty) scaled to that size. Box and Lanczos3 weigh every source pixel when reducing, so no
// detail is skipped.
void Resample(const Raster& source, Raster& target, ResampleFilter filter);

}  // namespace parvel
