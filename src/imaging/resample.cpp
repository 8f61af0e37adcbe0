// Written by hand: separable filters are short, and none of the libraries the program already
// uses offers area-averaging or Lanczos scaling of an RGB buffer.
#include "imaging/resample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
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

// The same weights with every pixel's taps made as many as the widest's by zeros after its own
// (a zero weight adds an exact zero, so the sums stay the same to the last bit); the taps then
// read up to that many pixels past the source row's end. Returns the tap count.
int PadToWidest(AxisWeights& w) {
  const int taps = w.count.empty() ? 0 : *std::max_element(w.count.begin(), w.count.end());
  std::vector<float> padded(w.count.size() * static_cast<std::size_t>(taps), 0.0f);
  for (std::size_t i = 0; i < w.count.size(); ++i) {
    std::copy_n(w.weights.begin() + static_cast<std::ptrdiff_t>(w.offset[i]), w.count[i],
                padded.begin() + static_cast<std::ptrdiff_t>(i * static_cast<std::size_t>(taps)));
    w.count[i] = taps;
    w.offset[i] = i * static_cast<std::size_t>(taps);
  }
  w.weights = std::move(padded);
  return taps;
}

// Four floats, one pixel's three channels and a spare lane, so that a tap is one multiply-add
// however the compiler targets the machine (SSE, NEON or plain scalars). Four sums run side by
// side: each is a chain of additions, whose latency one alone would wait out at every tap.
using Lanes = float __attribute__((vector_size(16)));
using Doubles = double __attribute__((vector_size(32)));
using Ints = std::int32_t __attribute__((vector_size(16)));
using ByteLanes = std::uint8_t __attribute__((vector_size(4)));

Lanes Load(const float* p) {
  Lanes v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void Store(float* p, Lanes v) {
  std::memcpy(p, &v, sizeof v);
}

// Rounds half away from zero and clamps to 0..255, as lround and a clamp would, four lanes at
// once: a float plus 0.5 is exact in double, so truncating it is lround for every value above
// zero, and a NaN falls to 0. Writes the first `count` (at most 4).
void StoreBytes(std::uint8_t* out, Lanes v, std::size_t count) {
  const Lanes low = {0, 0, 0, 0};
  const Lanes high = {255, 255, 255, 255};
  v = v > low ? v : low;
  v = v < high ? v : high;
  const Ints rounded = __builtin_convertvector(__builtin_convertvector(v, Doubles) + 0.5, Ints);
  if (count == 4) {
    const ByteLanes bytes = __builtin_convertvector(rounded, ByteLanes);
    std::memcpy(out, &bytes, sizeof bytes);
    return;
  }
  for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>(rounded[i]);
}

// The floats a row of `pixels` RGB pixels takes with `spare` floats after it, rounded up to whole
// groups of four Lanes.
std::size_t PaddedFloats(std::int32_t pixels, std::size_t spare) {
  return (3 * static_cast<std::size_t>(pixels) + spare + 15) / 16 * 16;
}

}  // namespace

// Two separable passes: each source row across into floats as it arrives, kept in a ring of as
// many rows as a target row's filter spans, then each target row down those rows.
struct RowResampler::State {
  Raster& target;
  ResampleFilter filter;
  std::int32_t source_width;
  std::int32_t source_height;
  std::int32_t pushed = 0;  // source rows in
  std::int32_t filled = 0;  // target rows done
  AxisWeights wx, wy;
  std::size_t taps_x = 0;  // every target pixel's taps across (padded with zero weights)
  std::vector<std::int32_t> nearest_x, nearest_y;
  std::size_t ring_rows = 0;
  std::size_t ring_stride = 0;
  std::vector<float> ring;
  std::vector<const float*> tap_rows;  // the ring rows of a target row's taps, in order
  std::vector<float> source_row;

  State(std::int32_t width, std::int32_t height, Raster& out, ResampleFilter f)
      : target(out), filter(f), source_width(width), source_height(height) {
    if (width <= 0 || height <= 0 || target.width <= 0 || target.height <= 0) {
      source_height = 0;  // nothing to do: every row is ignored
      return;
    }
    if (filter == ResampleFilter::Nearest) {
      nearest_x.resize(static_cast<std::size_t>(target.width));
      for (std::int32_t x = 0; x < target.width; ++x) {
        nearest_x[static_cast<std::size_t>(x)] = std::min<std::int32_t>(
            width - 1, static_cast<std::int32_t>((x + 0.5) * width / target.width));
      }
      nearest_y.resize(static_cast<std::size_t>(target.height));
      for (std::int32_t y = 0; y < target.height; ++y) {
        nearest_y[static_cast<std::size_t>(y)] = std::min<std::int32_t>(
            height - 1, static_cast<std::int32_t>((y + 0.5) * height / target.height));
      }
      return;
    }
    wx = Weights(width, target.width, filter);
    taps_x = static_cast<std::size_t>(PadToWidest(wx));
    wy = Weights(height, target.height, filter);
    ring_rows = static_cast<std::size_t>(*std::max_element(wy.count.begin(), wy.count.end()));
    ring_stride = PaddedFloats(target.width, 1);
    ring.assign(ring_rows * ring_stride, 0.0f);
    tap_rows.resize(ring_rows);
    source_row.assign(PaddedFloats(width, 3 * taps_x + 1), 0.0f);
  }

  float* RingRow(std::int32_t source_y) {
    return ring.data() + ring_stride * (static_cast<std::size_t>(source_y) % ring_rows);
  }

  void PushNearest(const std::uint8_t* in) {
    for (; filled < target.height && nearest_y[static_cast<std::size_t>(filled)] == pushed;
         ++filled) {
      std::uint8_t* out = target.Row(filled);
      for (std::int32_t x = 0; x < target.width; ++x, out += 3) {
        const std::uint8_t* p =
            in + 3 * static_cast<std::size_t>(nearest_x[static_cast<std::size_t>(x)]);
        out[0] = p[0];
        out[1] = p[1];
        out[2] = p[2];
      }
    }
  }

  const float* SourceAt(std::int32_t x) const {
    return source_row.data() + 3 * static_cast<std::size_t>(wx.first[static_cast<std::size_t>(x)]);
  }

  // Each store's spare lane runs into the next pixel, which the next store overwrites.
  void Across(const std::uint8_t* in, float* out) {
    const std::size_t count = 3 * static_cast<std::size_t>(source_width);
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
      ByteLanes bytes;
      std::memcpy(&bytes, in + i, sizeof bytes);
      Store(source_row.data() + i, __builtin_convertvector(bytes, Lanes));
    }
    for (; i < count; ++i) source_row[i] = in[i];
    const float* k = wx.weights.data();
    const std::size_t taps = taps_x;
    std::int32_t x = 0;
    for (; x + 4 <= target.width; x += 4, k += 4 * taps, out += 12) {
      const float* p0 = SourceAt(x);
      const float* p1 = SourceAt(x + 1);
      const float* p2 = SourceAt(x + 2);
      const float* p3 = SourceAt(x + 3);
      Lanes s0 = {0, 0, 0, 0}, s1 = s0, s2 = s0, s3 = s0;
      for (std::size_t t = 0; t < taps; ++t) {
        s0 += k[t] * Load(p0 + 3 * t);
        s1 += k[taps + t] * Load(p1 + 3 * t);
        s2 += k[2 * taps + t] * Load(p2 + 3 * t);
        s3 += k[3 * taps + t] * Load(p3 + 3 * t);
      }
      Store(out, s0);
      Store(out + 3, s1);
      Store(out + 6, s2);
      Store(out + 9, s3);
    }
    for (; x < target.width; ++x, k += taps, out += 3) {
      const float* p = SourceAt(x);
      Lanes sum = {0, 0, 0, 0};
      for (std::size_t t = 0; t < taps; ++t) sum += k[t] * Load(p + 3 * t);
      Store(out, sum);
    }
  }

  void Down(std::int32_t y) {
    const auto iy = static_cast<std::size_t>(y);
    const float* k = wy.weights.data() + wy.offset[iy];
    const auto taps = static_cast<std::size_t>(wy.count[iy]);
    for (std::size_t t = 0; t < taps; ++t)
      tap_rows[t] = RingRow(wy.first[iy] + static_cast<std::int32_t>(t));
    std::uint8_t* out = target.Row(y);
    const std::size_t count = 3 * static_cast<std::size_t>(target.width);
    // Sixteen floats at a time: the ring's rows are padded to that.
    for (std::size_t i = 0; i < count; i += 16) {
      Lanes s0 = {0, 0, 0, 0}, s1 = s0, s2 = s0, s3 = s0;
      for (std::size_t t = 0; t < taps; ++t) {
        const float* row = tap_rows[t] + i;
        s0 += k[t] * Load(row);
        s1 += k[t] * Load(row + 4);
        s2 += k[t] * Load(row + 8);
        s3 += k[t] * Load(row + 12);
      }
      const Lanes sums[] = {s0, s1, s2, s3};
      for (std::size_t l = 0; l < 4 && i + 4 * l < count; ++l)
        StoreBytes(out + i + 4 * l, sums[l], std::min<std::size_t>(4, count - i - 4 * l));
    }
  }

  void Push(const std::uint8_t* in) {
    if (pushed >= source_height) return;
    if (filter == ResampleFilter::Nearest) {
      PushNearest(in);
      ++pushed;
      return;
    }
    Across(in, RingRow(pushed));
    ++pushed;
    for (; filled < target.height; ++filled) {
      const auto iy = static_cast<std::size_t>(filled);
      if (wy.first[iy] + wy.count[iy] > pushed) break;
      Down(filled);
    }
  }
};

RowResampler::RowResampler(std::int32_t source_width, std::int32_t source_height, Raster& target,
                           ResampleFilter filter)
    : state_(std::make_unique<State>(source_width, source_height, target, filter)) {}

RowResampler::~RowResampler() = default;

void RowResampler::Push(const std::uint8_t* row) {
  state_->Push(row);
}

void Resample(const Raster& source, Raster& target, ResampleFilter filter) {
  if (target.width <= 0 || target.height <= 0 || source.width <= 0 || source.height <= 0) return;
  const Raster converted = source.bits == 24 ? Raster{} : ToBits24(source);
  const Raster& src = source.bits == 24 ? source : converted;
  RowResampler rows(src.width, src.height, target, filter);
  for (std::int32_t y = 0; y < src.height; ++y) rows.Push(src.Row(y));
}

}  // namespace parvel
