// Colour depth conversions between the depths a Raster holds (1, 4, 8 and 24 bits). A conversion
// that loses nothing (an image with no more colours than the target depth holds) keeps every
// colour exactly; otherwise colours are reduced by a median-cut quantiser.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "imaging/raster.h"

namespace parvel {

// The image at 24 bits per pixel.
Raster ToBits24(const Raster& image);

// The image as palette indexes of `bits` (1, 4 or 8). With no more distinct colours than the
// depth holds, those colours form the palette; otherwise 4 and 8 bits quantise the colours, and
// 1 bit maps luminance to black (below half) and white.
Raster ToIndexed(const Raster& image, int bits);

// The image as indexes of `bits` into the given palette, each pixel the nearest entry.
Raster MapToPalette(const Raster& image, const std::vector<Rgb>& palette, int bits);

// The palette a new indexed image starts with: black and white; the 16 system colours; a
// 6x6x6 colour cube followed by 40 grays.
std::vector<Rgb> DefaultPalette(int bits);

// An 8-bit image whose palette is the 256 grays, each pixel its luminance (ITU-R BT.601).
Raster ToGray8(const Raster& image);

// Converts to `bits`; `gray` asks for ToGray8 when bits is 8.
Raster ConvertBitCount(const Raster& image, int bits, bool gray = false);

// True when every palette entry of an indexed image is gray, entry i being i * 255 / (n - 1).
bool HasGrayRamp(const Raster& image);

// The name of an image's colour resolution as the save warning shows it: "black and white",
// "2 colors", "16 shades of gray", "16 system colors", "16 colors", "256 shades of gray",
// "256 colors" or "16.7 million colors".
std::string_view ColorResolutionName(const Raster& image);
// The name of the resolution a conversion to `bits` (with `gray` as for ConvertBitCount) gives.
std::string_view ColorResolutionName(int bits, bool gray);

// Sets the palette index of one pixel of an indexed image (no bounds check).
void SetIndexAt(Raster& image, std::int32_t x, std::int32_t y, int index);

// Luminance (ITU-R BT.601) of a colour, 0..255.
int Luminance(Rgb c);

}  // namespace parvel
