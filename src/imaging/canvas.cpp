// The drawing surface of PixelGraphic (declared in pixelgraphic.h). Written by hand: fills and
// copies on the plain pixel store are simple loops; text goes to the FreeType-based text unit.
#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

#include "imaging/convert.h"
#include "imaging/imageerrors.h"
#include "imaging/pixelgraphic.h"
#include "imaging/resample.h"

namespace parvel {
namespace {

ResampleFilter FilterFor(StretchQuality mode) {
  return mode == smFast     ? ResampleFilter::Nearest
         : mode == smMedium ? ResampleFilter::Box
                            : ResampleFilter::Lanczos3;
}

// Runs `paint` on a 24-bit view of the image; an indexed image is painted as 24 bits and mapped
// back onto its own palette.
template <class Paint>
void Paint24(PixelGraphic& owner, Paint&& paint) {
  Raster& image = owner.MutablePixels();
  if (image.bits == 24) {
    paint(image);
    return;
  }
  Raster rgb = ToBits24(image);
  paint(rgb);
  image = MapToPalette(rgb, image.palette, image.bits);
}

// The part of a rectangle inside the image (empty when none).
Rect Clip(const Rect& r, const Raster& image) {
  Rect c{std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, image.width),
         std::min(r.Bottom, image.height)};
  if (c.Right < c.Left) c.Right = c.Left;
  if (c.Bottom < c.Top) c.Bottom = c.Top;
  return c;
}

// Copies `source` (any depth) to (x, y) of a 24-bit target, skipping pixels of `transparent`.
void Blit24(const Raster& source, Raster& target, std::int32_t x, std::int32_t y,
            std::optional<Rgb> transparent) {
  const Rect area = Clip({x, y, x + source.width, y + source.height}, target);
  for (std::int32_t ty = area.Top; ty < area.Bottom; ++ty) {
    const std::int32_t sy = ty - y;
    std::uint8_t* out = target.Row(ty) + 3 * static_cast<std::size_t>(area.Left);
    if (source.bits == 24 && !transparent) {
      std::memcpy(out, source.Row(sy) + 3 * static_cast<std::size_t>(area.Left - x),
                  3 * static_cast<std::size_t>(area.Width()));
      continue;
    }
    for (std::int32_t tx = area.Left; tx < area.Right; ++tx, out += 3) {
      const Rgb c = source.ColorAt(tx - x, sy);
      if (transparent && c == *transparent) continue;
      out[0] = c.r;
      out[1] = c.g;
      out[2] = c.b;
    }
  }
}

void Blit(PixelGraphic& owner, const Raster& source, std::int32_t x, std::int32_t y,
          std::optional<Rgb> transparent = std::nullopt) {
  Paint24(owner, [&](Raster& target) { Blit24(source, target, x, y, transparent); });
}

// `source` scaled to the rectangle's size with the owner's StretchMode, then drawn there.
void StretchBlit(PixelGraphic& owner, const Raster& source, const Rect& rect) {
  if (rect.Width() <= 0 || rect.Height() <= 0 || source.width <= 0 || source.height <= 0) return;
  if (rect.Width() == source.width && rect.Height() == source.height) {
    Blit(owner, source, rect.Left, rect.Top);
    return;
  }
  if (!SizeIsAcceptable(rect.Width(), rect.Height())) {
    throw ImageError("Invalid value for the drawing rectangle");
  }
  Raster scaled;
  scaled.Allocate(rect.Width(), rect.Height(), 24);
  Resample(source, scaled, FilterFor(owner.StretchMode()));
  Blit(owner, scaled, rect.Left, rect.Top);
}

// The pixels of a rectangle of an image (clipped to it), as 24 bits.
Raster Crop(const Raster& image, const Rect& rect) {
  const Rect c = Clip(rect, image);
  Raster out;
  out.Allocate(c.Width(), c.Height(), 24);
  Blit24(image, out, -c.Left, -c.Top, std::nullopt);
  return out;
}

// True when a JPEG can be decoded straight into the owner's pixels.
bool CoversExactly(const PixelGraphic& owner, const Rect& rect, const JpegImage& jpeg) {
  return owner.BitCountNum() == 24 && rect == Rect{0, 0, owner.Width(), owner.Height()} &&
         jpeg.Width() == owner.Width() && jpeg.Height() == owner.Height();
}

}  // namespace

void ImageCanvas::FillRect(const Rect& rect) {
  const Rect area = Clip(rect, owner_.Pixels());
  if (area.Width() == 0 || area.Height() == 0) return;
  Raster& image = owner_.MutablePixels();
  if (image.bits != 24) {
    const Raster index =
        MapToPalette(Raster{1, 1, 24, {}, {BrushColor.r, BrushColor.g, BrushColor.b}},
                     image.palette, image.bits);
    const int i = index.IndexAt(0, 0);
    for (std::int32_t y = area.Top; y < area.Bottom; ++y) {
      for (std::int32_t x = area.Left; x < area.Right; ++x) SetIndexAt(image, x, y, i);
    }
    return;
  }
  for (std::int32_t y = area.Top; y < area.Bottom; ++y) {
    std::uint8_t* p = image.Row(y) + 3 * static_cast<std::size_t>(area.Left);
    for (std::int32_t x = area.Left; x < area.Right; ++x, p += 3) {
      p[0] = BrushColor.r;
      p[1] = BrushColor.g;
      p[2] = BrushColor.b;
    }
  }
}

void ImageCanvas::CopyRect(const Rect& dest, const ImageCanvas& source, const Rect& source_rect) {
  // A copy of the source part first, so that a canvas may copy onto itself.
  const Raster part = Crop(source.owner_.Pixels(), source_rect);
  if (part.width == 0 || part.height == 0) return;
  // Where the source rectangle was clipped, the destination loses the same share.
  const Rect kept = Clip(source_rect, source.owner_.Pixels());
  const double sx = static_cast<double>(dest.Width()) / source_rect.Width();
  const double sy = static_cast<double>(dest.Height()) / source_rect.Height();
  const Rect target{dest.Left + static_cast<std::int32_t>((kept.Left - source_rect.Left) * sx),
                    dest.Top + static_cast<std::int32_t>((kept.Top - source_rect.Top) * sy),
                    dest.Left + static_cast<std::int32_t>((kept.Right - source_rect.Left) * sx),
                    dest.Top + static_cast<std::int32_t>((kept.Bottom - source_rect.Top) * sy)};
  StretchBlit(owner_, part, target);
}

void ImageCanvas::Draw(std::int32_t x, std::int32_t y, const PixelGraphic& graphic) {
  if (&graphic == &owner_) {
    const Raster copy = graphic.Pixels();
    Blit(owner_, copy, x, y);
    return;
  }
  Blit(owner_, graphic.Pixels(), x, y);
}

void ImageCanvas::Draw(std::int32_t x, std::int32_t y, const JpegImage& jpeg) {
  const Rect rect{x, y, x + jpeg.Width(), y + jpeg.Height()};
  if (CoversExactly(owner_, rect, jpeg)) {
    jpeg.DecodeInto(owner_.MutablePixels());
    return;
  }
  Blit(owner_, jpeg.Decode(), x, y);
}

void ImageCanvas::StretchDraw(const Rect& rect, const PixelGraphic& graphic) {
  if (&graphic == &owner_) {
    const Raster copy = graphic.Pixels();
    StretchBlit(owner_, copy, rect);
    return;
  }
  StretchBlit(owner_, graphic.Pixels(), rect);
}

void ImageCanvas::StretchDraw(const Rect& rect, const JpegImage& jpeg) {
  if (CoversExactly(owner_, rect, jpeg)) {
    jpeg.DecodeInto(owner_.MutablePixels());
    return;
  }
  StretchBlit(owner_, jpeg.Decode(), rect);
}

void ImageCanvas::DrawTransparent(std::int32_t x, std::int32_t y, const PixelGraphic& graphic,
                                  Rgb transparent) {
  if (&graphic == &owner_) {
    const Raster copy = graphic.Pixels();
    Blit(owner_, copy, x, y, transparent);
    return;
  }
  Blit(owner_, graphic.Pixels(), x, y, transparent);
}

void ImageCanvas::TextOut(std::int32_t x, std::int32_t y, std::string_view utf8) {
  Paint24(owner_, [&](Raster& target) { DrawText(target, x, y, Font, utf8); });
}

TextExtent ImageCanvas::TextSize(std::string_view utf8) const {
  return MeasureText(Font, utf8);
}

}  // namespace parvel
