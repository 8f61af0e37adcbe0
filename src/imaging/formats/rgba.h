// Interleaved 8-bit RGB or RGBA rows from a codec into a 24-bit raster, transparency laid on
// white as every reader of the image layer does.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/raster.h"

namespace parvel {

// `out` is allocated 24-bit at its size already; `rows` has `stride` bytes per row.
inline void CopyInterleavedRows(const std::uint8_t* rows, std::size_t stride, bool alpha,
                                Raster& out) {
  const int channels = alpha ? 4 : 3;
  for (std::int32_t y = 0; y < out.height; ++y) {
    const std::uint8_t* in = rows + stride * static_cast<std::size_t>(y);
    std::uint8_t* dst = out.Row(y);
    for (std::int32_t x = 0; x < out.width; ++x, in += channels) {
      const int a = alpha ? in[3] : 255;
      for (int c = 0; c < 3; ++c) {
        *dst++ = static_cast<std::uint8_t>((in[c] * a + 255 * (255 - a) + 127) / 255);
      }
    }
  }
}

}  // namespace parvel
