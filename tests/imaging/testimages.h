// Pictures made by the imaging tests, and ways to compare them.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "imaging/raster.h"

namespace parvel::testing {

// A smooth colour wash with a little texture, like a photograph: many distinct colours.
inline Raster PhotoLike(std::int32_t width, std::int32_t height) {
  Raster r;
  r.Allocate(width, height, 24);
  std::uint32_t seed = 12345;
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* p = r.Row(y);
    for (std::int32_t x = 0; x < width; ++x, p += 3) {
      seed = seed * 1103515245u + 12345u;
      const int noise = static_cast<int>((seed >> 16) % 7) - 3;
      const double fx = static_cast<double>(x) / std::max(1, width - 1);
      const double fy = static_cast<double>(y) / std::max(1, height - 1);
      const auto clamp = [](double v) {
        return static_cast<std::uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, v))));
      };
      p[0] = clamp(40 + 180 * fx + noise);
      p[1] = clamp(60 + 150 * fy + noise);
      p[2] = clamp(200 - 120 * fx * fy + 30 * std::sin(fx * 6.28) + noise);
    }
  }
  return r;
}
// An indexed image of `bits` whose palette and indexes use every entry.
inline Raster IndexedPattern(std::int32_t width, std::int32_t height, int bits) {
  Raster r;
  r.Allocate(width, height, bits);
  const int n = 1 << bits;
  for (int i = 0; i < n; ++i) {
    r.palette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i * 37 % 256),
                                              static_cast<std::uint8_t>(255 - i * 11 % 256),
                                              static_cast<std::uint8_t>(i * 101 % 256)};
  }
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {  // the leftmost pixel in the high bits
      r.Row(y)[x * bits / 8] |=
          static_cast<std::uint8_t>(((x * 7 + y * 3) % n) << (8 - bits - x * bits % 8));
    }
  }
  return r;
}

// Peak signal-to-noise ratio of b against a in dB (same size required; infinity when equal).
inline double Psnr(const Raster& a, const Raster& b) {
  double sum = 0;
  for (std::int32_t y = 0; y < a.height; ++y) {
    for (std::int32_t x = 0; x < a.width; ++x) {
      const Rgb p = a.ColorAt(x, y), q = b.ColorAt(x, y);
      sum += (p.r - q.r) * (p.r - q.r) + (p.g - q.g) * (p.g - q.g) + (p.b - q.b) * (p.b - q.b);
    }
  }
  if (sum == 0) return std::numeric_limits<double>::infinity();
  const double mse = sum / (3.0 * a.width * a.height);
  return 10.0 * std::log10(255.0 * 255.0 / mse);
}
// True when both have the same size and every pixel the same colour (depths may differ).
inline bool SameColours(const Raster& a, const Raster& b) {
  return a.width == b.width && a.height == b.height && std::isinf(Psnr(a, b));
}

}  // namespace parvel::testing
