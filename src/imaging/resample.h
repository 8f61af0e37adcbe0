// Scaling one raster into another of a given size.
#pragma once

#include <cstdint>
#include <memory>

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

// The same scaling for a picture whose rows arrive one at a time, top first (a decode): only the
// source rows that target rows still need are held. Each target row of `target` (24-bit, of the
// wanted size, alive as long as this object) is filled once its source rows are in; every row is
// once the last source row is. The pixels are those Resample gives.
class RowResampler {
 public:
  RowResampler(std::int32_t source_width, std::int32_t source_height, Raster& target,
               ResampleFilter filter);
  ~RowResampler();
  RowResampler(const RowResampler&) = delete;
  RowResampler& operator=(const RowResampler&) = delete;

  // The next source row: source_width pixels of 3 bytes. Rows past source_height are ignored.
  void Push(const std::uint8_t* row);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace parvel
