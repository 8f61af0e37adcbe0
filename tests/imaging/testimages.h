// Pictures made by the imaging tests, and ways to compare them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/raster.h"

namespace parvel::testing {

// A smooth colour wash with a little texture, like a photograph: many distinct colours.
Raster PhotoLike(std::int32_t width, std::int32_t height);
// An indexed image of `bits` whose palette and indexes use every entry.
Raster IndexedPattern(std::int32_t width, std::int32_t height, int bits);

// True when both have the same size and every pixel the same colour (depths may differ).
bool SameColours(const Raster& a, const Raster& b);
// Peak signal-to-noise ratio of b against a in dB (same size required; infinity when equal).
double Psnr(const Raster& a, const Raster& b);

inline std::span<const std::uint8_t> AsSpan(const std::vector<std::uint8_t>& v) {
  return v;
}
inline std::span<const std::uint8_t> AsSpan(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}
inline std::string AsString(const std::vector<std::uint8_t>& v) {
  return std::string(v.begin(), v.end());
}

}  // namespace parvel::testing
