// Icon files read by hand: no maintained library reads them with the bounds checks the image
// layer needs. The bitmap inside an icon is decoded by the bitmap reader, a PNG icon by the PNG
// codec.
#include "imaging/formats/ico.h"

#include <algorithm>
#include <string>

#include "imaging/formats/bmp.h"
#include "imaging/formats/bytereader.h"
#include "imaging/formats/png.h"
#include "imaging/imageerrors.h"

namespace parvel {
namespace {

using Reader = ByteReader<IcoReadError>;

[[noreturn]] void Fail(std::string_view text) {
  throw IcoReadError(text);
}

struct Directory {
  int count = 0;
  std::span<const std::uint8_t> first;  // the first icon's data
  bool png = false;
};

Directory ParseDirectory(std::span<const std::uint8_t> data) {
  Reader r(data);
  if (r.Size() < 4 || r.U16LE() != 0 || r.U16LE() != 1) Fail("Not an ICO file");
  Directory d;
  d.count = r.U16LE();
  if (d.count == 0) Fail("No icons in the file");
  r.Skip(8);  // size, colour count and depth as the directory claims them
  const std::uint32_t size = r.U32LE();
  const std::uint32_t offset = r.U32LE();
  r.Seek(offset);
  d.first = r.Bytes(size);
  d.png = IsPngSignature(d.first);
  return d;
}

// Runs the reader of the embedded image and reports its errors (of class Error) as this
// format's.
template <class Error, class F>
auto AsIconError(F&& read) {
  try {
    return read();
  } catch (const Error& e) {
    Fail(std::string_view(e.what()).substr(Error::kPrefix.size()));
  }
}

std::uint8_t OverWhite(std::uint8_t c, std::uint8_t alpha) {
  return static_cast<std::uint8_t>((c * alpha + 255 * (255 - alpha) + 127) / 255);
}

Raster ToTrueColor(const Raster& in) {
  Raster out;
  out.Allocate(in.width, in.height, 24);
  for (std::int32_t y = 0; y < in.height; ++y) {
    std::uint8_t* row = out.Row(y);
    for (std::int32_t x = 0; x < in.width; ++x) {
      const Rgb c = in.ColorAt(x, y);
      row[3 * x] = c.r;
      row[3 * x + 1] = c.g;
      row[3 * x + 2] = c.b;
    }
  }
  return out;
}

}  // namespace

bool IsIcoSignature(std::span<const std::uint8_t> head) {
  if (head.size() < 6 || head[0] != 0 || head[1] != 0 || head[2] != 1 || head[3] != 0) {
    return false;
  }
  if (head[4] == 0 && head[5] == 0) return false;
  if (head.size() < 14) return true;
  const int planes = head[10] | (head[11] << 8);
  const int bits = head[12] | (head[13] << 8);
  return planes <= 1 && (bits == 0 || bits == 1 || bits == 4 || bits == 8 || bits == 16 ||
                         bits == 24 || bits == 32);
}

ImageInfo ReadIcoInfo(std::span<const std::uint8_t> data) {
  const Directory d = ParseDirectory(data);
  ImageInfo info = d.png ? AsIconError<PngError>([&] { return ReadPngInfo(d.first); })
                         : AsIconError<BmpReadError>([&] { return ReadIconBitmapInfo(d.first); });
  info.image_count = d.count;
  return info;
}

Raster ReadIco(std::span<const std::uint8_t> data) {
  const Directory d = ParseDirectory(data);
  // A PNG icon carries its own transparency, which the codec lays on white.
  if (d.png) return AsIconError<PngError>([&] { return ReadPng(d.first); });
  IconBitmap icon = AsIconError<BmpReadError>([&] { return ReadIconBitmap(d.first); });
  Raster& image = icon.image;
  const std::int32_t w = image.width;
  const std::int32_t h = image.height;

  // The mask follows the colour pixels: one bit a pixel, rows of whole 32-bit words, bottom-up;
  // a set bit is transparent.
  const std::size_t stride = ((static_cast<std::size_t>(w) + 31) / 32) * 4;
  Reader r(d.first);
  r.Seek(icon.end);
  auto mask = r.Bytes(stride * static_cast<std::size_t>(h));
  auto transparent = [&](std::int32_t x, std::int32_t y) {
    return (mask[stride * (h - 1 - y) + (x >> 3)] >> (7 - (x & 7))) & 1;
  };

  // A 32-bit icon whose alpha is not all zero carries its transparency there instead.
  const bool use_alpha =
      std::any_of(icon.alpha.begin(), icon.alpha.end(), [](std::uint8_t a) { return a != 0; });
  bool any_transparent = use_alpha;
  for (std::int32_t y = 0; y < h && !any_transparent; ++y) {
    for (std::int32_t x = 0; x < w && !any_transparent; ++x) any_transparent = transparent(x, y);
  }
  if (!any_transparent) return std::move(image);

  Raster out = image.bits == 24 ? std::move(image) : ToTrueColor(image);
  for (std::int32_t y = 0; y < h; ++y) {
    std::uint8_t* row = out.Row(y);
    for (std::int32_t x = 0; x < w; ++x) {
      const std::uint8_t alpha = use_alpha ? icon.alpha[static_cast<std::size_t>(y) * w + x]
                                 : transparent(x, y) ? 0
                                                     : 255;
      for (int c = 0; c < 3; ++c) row[3 * x + c] = OverWhite(row[3 * x + c], alpha);
    }
  }
  return out;
}

}  // namespace parvel
