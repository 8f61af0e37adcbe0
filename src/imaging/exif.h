// The EXIF orientation of a JPEG file, and turning a raster upright by it. Orientation values are
// those of the EXIF tag: 1 upright, 2 mirrored left-right, 3 upside down, 4 mirrored top-bottom,
// 5 transposed, 6 turned a quarter counter-clockwise (needs a quarter turn clockwise), 7
// transversed, 8 turned a quarter clockwise.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/raster.h"

namespace parvel {

// The orientation (1..8) stored in the EXIF block of a JPEG file's leading APP1 segments. 1 when
// there is none, the tag is missing or out of range, or the data is malformed. Never throws.
int ReadJpegOrientation(std::span<const std::uint8_t> jpeg);

// True when an EXIF block in the file's leading APP1 segments holds a GPS latitude or longitude.
// False for none or malformed data; never throws.
bool JpegHasGpsPosition(std::span<const std::uint8_t> jpeg);

// The orientation (1..8) in an EXIF block as other containers store it (a TIFF structure, with or
// without the "Exif\0\0" header before it). 1 when there is none or it is malformed.
int ReadExifOrientation(std::span<const std::uint8_t> exif);

// Rotates or mirrors an image of any depth so that an image stored with the given orientation
// stands upright; width and height swap for 5..8. Other values leave the image unchanged.
void ApplyOrientation(Raster& image, int orientation);

// True for the orientations that swap width and height (5..8).
bool OrientationSwapsSides(int orientation);

}  // namespace parvel
