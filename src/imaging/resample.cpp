// Written by hand: separable filters are short, and none of the libraries the program already
// uses offers area-averaging or Lanczos scaling of an RGB buffer.
#include "imaging/resample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "imaging/convert.h"

namespace parvel {
namespace {

// For one axis: target pixel i takes weights[offset[i] ..] over source pixels first[i] ..
struct AxisWeights {
  std::vector<int> first;
  std::vector<int> count;
  std::vector<std::size_t> offset;
  std::vector<float> weights;
};

double Lanczos3(double x) {
  x = std::abs(x);
  if (x < 1e-9) return 1.0;
  if (x >= 3.0) return 0.0;
  const double px = std::numbers::pi * x;
  return 3.0 * std::sin(px) * std::sin(px / 3.0) / (px * px);
}

void AddPixel(AxisWeights& w, int first, const std::vector<double>& taps) {
  double sum = 0;
  for (double t : taps) sum += t;
  w.first.push_back(first);
  w.count.push_back(static_cast<int>(taps.size()));
  w.offset.push_back(w.weights.size());
  for (double t : taps) w.weights.push_back(static_cast<float>(sum != 0 ? t / sum : t));
}

// Exact coverage of [lo, hi) by each source pixel when reducing; bilinear when enlarging.
AxisWeights BoxWeights(int src, int dst) {
  AxisWeights w;
  const double scale = static_cast<double>(src) / dst;
  std::vector<double> taps;
  for (int i = 0; i < dst; ++i) {
    taps.clear();
    if (scale >= 1.0) {
      const double lo = i * scale, hi = (i + 1) * scale;
      const int first = static_cast<int>(std::floor(lo));
      const int last = std::min(src, static_cast<int>(std::ceil(hi)));
      for (int s = first; s < last; ++s)
        taps.push_back(std::min(hi, s + 1.0) - std::max(lo, 1.0 * s));
      AddPixel(w, first, taps);
    } else {
      const double centre = (i + 0.5) * scale - 0.5;
      int left = static_cast<int>(std::floor(centre));
      const double frac = centre - left;
      if (left < 0) {
        AddPixel(w, 0, {1.0});
      } else if (left >= src - 1) {
        AddPixel(w, src - 1, {1.0});
      } else {
        AddPixel(w, left, {1.0 - frac, frac});
      }
    }
  }
  return w;
}

AxisWeights LanczosWeights(int src, int dst) {
  AxisWeights w;
  const double scale = static_cast<double>(src) / dst;
  const double stretch = std::max(scale, 1.0);
  const double support = 3.0 * stretch;
  std::vector<double> taps;
  for (int i = 0; i < dst; ++i) {
    const double centre = (i + 0.5) * scale;
    const int first = std::max(0, static_cast<int>(std::floor(centre - support)));
    const int last = std::min(src, static_cast<int>(std::ceil(centre + support)));
    taps.clear();
    for (int s = first; s < last; ++s) taps.push_back(Lanczos3((s + 0.5 - centre) / stretch));
    AddPixel(w, first, taps);
  }
  return w;
}

AxisWeights Weights(int src, int dst, ResampleFilter filter) {
  return filter == ResampleFilter::Box ? BoxWeights(src, dst) : LanczosWeights(src, dst);
}

// Rounds half away from zero and clamps to 0..255, as lround and a clamp would, without the
// library call (a tenth of a small photograph's thumbnail time): a float plus 0.5 is exact in
// double, so truncating it is lround for every value above zero.
std::uint8_t Clamp(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 255.0f) return 255;
  return static_cast<std::uint8_t>(static_cast<int>(static_cast<double>(v) + 0.5));
}

void Nearest(const Raster& src, Raster& dst) {
  std::vector<std::int32_t> xs(static_cast<std::size_t>(dst.width));
  for (std::int32_t x = 0; x < dst.width; ++x) {
    xs[static_cast<std::size_t>(x)] = std::min<std::int32_t>(
        src.width - 1, static_cast<std::int32_t>((x + 0.5) * src.width / dst.width));
  }
  for (std::int32_t y = 0; y < dst.height; ++y) {
    const auto sy = std::min<std::int32_t>(
        src.height - 1, static_cast<std::int32_t>((y + 0.5) * src.height / dst.height));
    const std::uint8_t* in = src.Row(sy);
    std::uint8_t* out = dst.Row(y);
    for (std::int32_t x = 0; x < dst.width; ++x, out += 3) {
      const std::uint8_t* p = in + 3 * static_cast<std::size_t>(xs[static_cast<std::size_t>(x)]);
      out[0] = p[0];
      out[1] = p[1];
      out[2] = p[2];
    }
  }
}

// Two separable passes: across every source row into floats, then down every target column.
void Filtered(const Raster& src, Raster& dst, ResampleFilter filter) {
  const AxisWeights wx = Weights(src.width, dst.width, filter);
  const AxisWeights wy = Weights(src.height, dst.height, filter);
  const std::size_t row_floats = 3 * static_cast<std::size_t>(dst.width);
  std::vector<float> across(row_floats * static_cast<std::size_t>(src.height));
  for (std::int32_t y = 0; y < src.height; ++y) {
    const std::uint8_t* in = src.Row(y);
    float* out = across.data() + row_floats * static_cast<std::size_t>(y);
    for (std::int32_t x = 0; x < dst.width; ++x) {
      const auto ix = static_cast<std::size_t>(x);
      const std::uint8_t* p = in + 3 * static_cast<std::size_t>(wx.first[ix]);
      const float* k = wx.weights.data() + wx.offset[ix];
      float r = 0, g = 0, b = 0;
      for (int t = 0; t < wx.count[ix]; ++t, p += 3) {
        r += k[t] * p[0];
        g += k[t] * p[1];
        b += k[t] * p[2];
      }
      out[3 * ix] = r;
      out[3 * ix + 1] = g;
      out[3 * ix + 2] = b;
    }
  }
  std::vector<float> sum(row_floats);
  for (std::int32_t y = 0; y < dst.height; ++y) {
    const auto iy = static_cast<std::size_t>(y);
    std::fill(sum.begin(), sum.end(), 0.0f);
    const float* k = wy.weights.data() + wy.offset[iy];
    for (int t = 0; t < wy.count[iy]; ++t) {
      const float* in = across.data() + row_floats * static_cast<std::size_t>(wy.first[iy] + t);
      for (std::size_t i = 0; i < row_floats; ++i) sum[i] += k[t] * in[i];
    }
    std::uint8_t* out = dst.Row(y);
    for (std::size_t i = 0; i < row_floats; ++i) out[i] = Clamp(sum[i]);
  }
}

}  // namespace

void Resample(const Raster& source, Raster& target, ResampleFilter filter) {
  if (target.width <= 0 || target.height <= 0 || source.width <= 0 || source.height <= 0) return;
  const Raster converted = source.bits == 24 ? Raster{} : ToBits24(source);
  const Raster& src = source.bits == 24 ? source : converted;
  if (filter == ResampleFilter::Nearest) {
    Nearest(src, target);
  } else {
    Filtered(src, target, filter);
  }
}

}  // namespace parvel
