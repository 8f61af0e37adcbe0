// Colour reduction uses the GIF library's median-cut quantiser; the exact mapping, the
// threshold and the gray conversion are a few loops written here.
#include "imaging/convert.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "imaging/imageerrors.h"

namespace parvel {
namespace {

std::uint32_t Pack(Rgb c) {
  return (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
}

// The distinct colours of the image, darkest first, or nullopt when there are more than `limit`.
std::optional<std::vector<Rgb>> DistinctColours(const Raster& image, std::size_t limit) {
  std::unordered_set<std::uint32_t> seen;
  seen.reserve(limit + 1);
  std::uint32_t last = 0xFFFFFFFF;
  for (std::int32_t y = 0; y < image.height; ++y) {
    for (std::int32_t x = 0; x < image.width; ++x) {
      const std::uint32_t c = Pack(image.ColorAt(x, y));
      if (c == last) continue;
      last = c;
      if (seen.insert(c).second && seen.size() > limit) return std::nullopt;
    }
  }
  std::vector<Rgb> colours;
  for (std::uint32_t c : seen) {
    colours.push_back({static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                       static_cast<std::uint8_t>(c)});
  }
  std::sort(colours.begin(), colours.end(), [](Rgb a, Rgb b) {
    const int la = Luminance(a), lb = Luminance(b);
    return la != lb ? la < lb : Pack(a) < Pack(b);
  });
  return colours;
}

Raster MapExactly(const Raster& image, int bits, const std::vector<Rgb>& colours) {
  Raster out;
  out.Allocate(image.width, image.height, bits);
  std::unordered_map<std::uint32_t, int> index;
  for (std::size_t i = 0; i < colours.size(); ++i) {
    out.palette[i] = colours[i];
    index[Pack(colours[i])] = static_cast<int>(i);
  }
  std::uint32_t last = 0xFFFFFFFF;
  int last_index = 0;
  for (std::int32_t y = 0; y < image.height; ++y) {
    for (std::int32_t x = 0; x < image.width; ++x) {
      const std::uint32_t c = Pack(image.ColorAt(x, y));
      if (c != last) {
        last = c;
        last_index = index[c];
      }
      SetIndexAt(out, x, y, last_index);
    }
  }
  return out;
}

Raster Threshold(const Raster& image) {
  Raster out;
  out.Allocate(image.width, image.height, 1);
  out.palette = {Rgb{0, 0, 0}, Rgb{255, 255, 255}};
  for (std::int32_t y = 0; y < image.height; ++y) {
    for (std::int32_t x = 0; x < image.width; ++x) {
      if (Luminance(image.ColorAt(x, y)) >= 128) SetIndexAt(out, x, y, 1);
    }
  }
  return out;
}

// Median cut by the GIF library's quantiser, whose palette keeps only five bits of each
// component; each entry is then replaced by the true mean of the pixels mapped to it.
Raster Quantise(const Raster& image, int bits) {
  const Raster rgb = image.bits == 24 ? Raster{} : ToBits24(image);
  const Raster& src = image.bits == 24 ? image : rgb;
  const std::size_t count = static_cast<std::size_t>(src.width) * src.height;
  std::vector<GifByteType> r(count), g(count), b(count), indexes(count);
  for (std::size_t i = 0; i < count; ++i) {
    r[i] = src.pixels[3 * i];
    g[i] = src.pixels[3 * i + 1];
    b[i] = src.pixels[3 * i + 2];
  }
  int size = 1 << bits;
  std::vector<GifColorType> map(static_cast<std::size_t>(size));
  if (GifQuantizeBuffer(static_cast<unsigned>(src.width), static_cast<unsigned>(src.height), &size,
                        r.data(), g.data(), b.data(), indexes.data(), map.data()) != GIF_OK) {
    throw ImageError("Cannot reduce the colours of the image");
  }
  std::vector<std::array<std::uint64_t, 4>> sums(map.size(), {0, 0, 0, 0});
  for (std::size_t i = 0; i < count; ++i) {
    auto& s = sums[std::min<std::size_t>(indexes[i], map.size() - 1)];
    s[0] += r[i];
    s[1] += g[i];
    s[2] += b[i];
    ++s[3];
  }
  Raster out;
  out.Allocate(src.width, src.height, bits);
  for (std::size_t i = 0; i < map.size(); ++i) {
    const auto& s = sums[i];
    out.palette[i] = s[3] ? Rgb{static_cast<std::uint8_t>((s[0] + s[3] / 2) / s[3]),
                                static_cast<std::uint8_t>((s[1] + s[3] / 2) / s[3]),
                                static_cast<std::uint8_t>((s[2] + s[3] / 2) / s[3])}
                          : Rgb{map[i].Red, map[i].Green, map[i].Blue};
  }
  if (bits == 8) {
    std::copy(indexes.begin(), indexes.end(), out.pixels.begin());
  } else {
    std::size_t i = 0;
    for (std::int32_t y = 0; y < out.height; ++y) {
      for (std::int32_t x = 0; x < out.width; ++x) SetIndexAt(out, x, y, indexes[i++] & 0x0F);
    }
  }
  return out;
}

constexpr std::array<Rgb, 16> kSystemColours = {{{0, 0, 0},
                                                 {128, 0, 0},
                                                 {0, 128, 0},
                                                 {128, 128, 0},
                                                 {0, 0, 128},
                                                 {128, 0, 128},
                                                 {0, 128, 128},
                                                 {128, 128, 128},
                                                 {192, 192, 192},
                                                 {255, 0, 0},
                                                 {0, 255, 0},
                                                 {255, 255, 0},
                                                 {0, 0, 255},
                                                 {255, 0, 255},
                                                 {0, 255, 255},
                                                 {255, 255, 255}}};

}  // namespace

int Luminance(Rgb c) {
  return (299 * c.r + 587 * c.g + 114 * c.b + 500) / 1000;
}

void SetIndexAt(Raster& image, std::int32_t x, std::int32_t y, int index) {
  std::uint8_t* row = image.Row(y);
  switch (image.bits) {
    case 1: {
      const int shift = 7 - (x & 7);
      row[x >> 3] = static_cast<std::uint8_t>((row[x >> 3] & ~(1 << shift)) | (index << shift));
      break;
    }
    case 4:
      row[x >> 1] = (x & 1) ? static_cast<std::uint8_t>((row[x >> 1] & 0xF0) | index)
                            : static_cast<std::uint8_t>((row[x >> 1] & 0x0F) | (index << 4));
      break;
    default:
      row[x] = static_cast<std::uint8_t>(index);
  }
}

Raster ToBits24(const Raster& image) {
  if (image.bits == 24) return image;
  Raster out;
  out.Allocate(image.width, image.height, 24);
  for (std::int32_t y = 0; y < image.height; ++y) {
    std::uint8_t* p = out.Row(y);
    for (std::int32_t x = 0; x < image.width; ++x, p += 3) {
      const Rgb c = image.ColorAt(x, y);
      p[0] = c.r;
      p[1] = c.g;
      p[2] = c.b;
    }
  }
  return out;
}

Raster ToIndexed(const Raster& image, int bits) {
  if (bits != 1 && bits != 4 && bits != 8) throw InvalidBitCountNumError();
  const std::size_t limit = std::size_t{1} << bits;
  if (auto colours = DistinctColours(image, limit)) return MapExactly(image, bits, *colours);
  return bits == 1 ? Threshold(image) : Quantise(image, bits);
}

Raster ToGray8(const Raster& image) {
  Raster out;
  out.Allocate(image.width, image.height, 8);
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    out.palette[static_cast<std::size_t>(i)] = {v, v, v};
  }
  for (std::int32_t y = 0; y < image.height; ++y) {
    std::uint8_t* p = out.Row(y);
    for (std::int32_t x = 0; x < image.width; ++x) {
      p[x] = static_cast<std::uint8_t>(Luminance(image.ColorAt(x, y)));
    }
  }
  return out;
}

Raster MapToPalette(const Raster& image, const std::vector<Rgb>& palette, int bits) {
  Raster out;
  out.Allocate(image.width, image.height, bits);
  std::copy_n(palette.begin(), std::min(palette.size(), out.palette.size()), out.palette.begin());
  std::unordered_map<std::uint32_t, int> nearest;
  for (std::int32_t y = 0; y < image.height; ++y) {
    for (std::int32_t x = 0; x < image.width; ++x) {
      const Rgb c = image.ColorAt(x, y);
      auto [it, added] = nearest.try_emplace(Pack(c), 0);
      if (added) {
        long best = -1;
        for (std::size_t i = 0; i < out.palette.size(); ++i) {
          const Rgb p = out.palette[i];
          const long d =
              (c.r - p.r) * (c.r - p.r) + (c.g - p.g) * (c.g - p.g) + (c.b - p.b) * (c.b - p.b);
          if (best < 0 || d < best) {
            best = d;
            it->second = static_cast<int>(i);
          }
        }
      }
      SetIndexAt(out, x, y, it->second);
    }
  }
  return out;
}

std::vector<Rgb> DefaultPalette(int bits) {
  if (bits == 1) return {Rgb{0, 0, 0}, Rgb{255, 255, 255}};
  if (bits == 4) return {kSystemColours.begin(), kSystemColours.end()};
  std::vector<Rgb> palette;
  for (int r = 0; r < 6; ++r) {
    for (int g = 0; g < 6; ++g) {
      for (int b = 0; b < 6; ++b) {
        palette.push_back({static_cast<std::uint8_t>(r * 51), static_cast<std::uint8_t>(g * 51),
                           static_cast<std::uint8_t>(b * 51)});
      }
    }
  }
  for (int i = 0; i < 40; ++i) {
    const auto v = static_cast<std::uint8_t>((i + 1) * 255 / 41);
    palette.push_back({v, v, v});
  }
  return palette;
}

Raster ConvertBitCount(const Raster& image, int bits, bool gray) {
  if (bits == 24) return ToBits24(image);
  if (bits == 8 && gray) return ToGray8(image);
  return ToIndexed(image, bits);
}

bool HasGrayRamp(const Raster& image) {
  if (image.bits == 24 || image.palette.size() != (std::size_t{1} << image.bits)) return false;
  const int last = static_cast<int>(image.palette.size()) - 1;
  for (int i = 0; i <= last; ++i) {
    const auto v = static_cast<std::uint8_t>(i * 255 / last);
    if (!(image.palette[static_cast<std::size_t>(i)] == Rgb{v, v, v})) return false;
  }
  return true;
}

std::string_view ColorResolutionName(const Raster& image) {
  switch (image.bits) {
    case 1: {
      const Rgb black{0, 0, 0}, white{255, 255, 255};
      const bool bw =
          image.palette.size() == 2 && ((image.palette[0] == black && image.palette[1] == white) ||
                                        (image.palette[0] == white && image.palette[1] == black));
      return bw ? "black and white" : "2 colors";
    }
    case 4:
      if (HasGrayRamp(image)) return "16 shades of gray";
      if (std::equal(kSystemColours.begin(), kSystemColours.end(), image.palette.begin(),
                     image.palette.end())) {
        return "16 system colors";
      }
      return "16 colors";
    case 8:
      return HasGrayRamp(image) ? "256 shades of gray" : "256 colors";
    default:
      return "16.7 million colors";
  }
}

std::string_view ColorResolutionName(int bits, bool gray) {
  switch (bits) {
    case 1:
      return "black and white";
    case 4:
      return "16 colors";
    case 8:
      return gray ? "256 shades of gray" : "256 colors";
    default:
      return "16.7 million colors";
  }
}

}  // namespace parvel
