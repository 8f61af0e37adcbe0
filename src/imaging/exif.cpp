#include "imaging/exif.h"

#include <libexif/exif-data.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

namespace parvel {
namespace {

// The EXIF block sits in the first segments; a file that has not shown it by then has none.
constexpr int kMaxLeadingSegments = 32;
constexpr std::string_view kExifHeader{"Exif\0\0", 6};

int OrientationOfExifBlock(const std::uint8_t* data, std::size_t size) {
  ExifData* exif = exif_data_new();
  if (exif == nullptr) return 1;
  // Left on, this option makes libexif add and "repair" tags, which could invent an orientation.
  exif_data_unset_option(exif, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_load_data(exif, data, static_cast<unsigned int>(size));
  int orientation = 0;
  ExifEntry* entry = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
  if (entry != nullptr && entry->format == EXIF_FORMAT_SHORT && entry->components >= 1 &&
      entry->data != nullptr && entry->size >= 2) {
    orientation = exif_get_short(entry->data, exif_data_get_byte_order(exif));
  }
  exif_data_unref(exif);
  return orientation >= 1 && orientation <= 8 ? orientation : 0;
}

// True when the block's GPS directory holds a position (a latitude or a longitude).
bool GpsInExifBlock(const std::uint8_t* data, std::size_t size) {
  ExifData* exif = exif_data_new();
  if (exif == nullptr) return false;
  exif_data_unset_option(exif, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_load_data(exif, data, static_cast<unsigned int>(size));
  ExifContent* gps = exif->ifd[EXIF_IFD_GPS];
  const bool found =
      gps != nullptr &&
      (exif_content_get_entry(gps, static_cast<ExifTag>(EXIF_TAG_GPS_LATITUDE)) != nullptr ||
       exif_content_get_entry(gps, static_cast<ExifTag>(EXIF_TAG_GPS_LONGITUDE)) != nullptr);
  exif_data_unref(exif);
  return found;
}

}  // namespace

bool JpegHasGpsPosition(std::span<const std::uint8_t> jpeg) {
  if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return false;
  std::size_t pos = 2;
  for (int segment = 0; segment < kMaxLeadingSegments; ++segment) {
    if (pos + 4 > jpeg.size() || jpeg[pos] != 0xFF) return false;
    const std::uint8_t marker = jpeg[pos + 1];
    if (!(marker >= 0xE0 && marker <= 0xEF) && marker != 0xFE) return false;
    const std::size_t length = (std::size_t{jpeg[pos + 2]} << 8) | jpeg[pos + 3];
    if (length < 2 || pos + 2 + length > jpeg.size()) return false;
    const std::uint8_t* payload = jpeg.data() + pos + 4;
    const std::size_t payload_size = length - 2;
    if (marker == 0xE1 && payload_size > kExifHeader.size() &&
        std::memcmp(payload, kExifHeader.data(), kExifHeader.size()) == 0 &&
        GpsInExifBlock(payload, payload_size)) {
      return true;
    }
    pos += 2 + length;
  }
  return false;
}

int ReadJpegOrientation(std::span<const std::uint8_t> jpeg) {
  if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return 1;
  std::size_t pos = 2;
  for (int segment = 0; segment < kMaxLeadingSegments; ++segment) {
    if (pos + 4 > jpeg.size() || jpeg[pos] != 0xFF) return 1;
    const std::uint8_t marker = jpeg[pos + 1];
    const bool is_app = marker >= 0xE0 && marker <= 0xEF;
    if (!is_app && marker != 0xFE) return 1;  // the image data has begun
    const std::size_t length = (std::size_t{jpeg[pos + 2]} << 8) | jpeg[pos + 3];
    if (length < 2 || pos + 2 + length > jpeg.size()) return 1;
    const std::uint8_t* payload = jpeg.data() + pos + 4;
    const std::size_t payload_size = length - 2;
    if (marker == 0xE1 && payload_size > kExifHeader.size() &&
        std::memcmp(payload, kExifHeader.data(), kExifHeader.size()) == 0) {
      if (const int orientation = OrientationOfExifBlock(payload, payload_size); orientation != 0) {
        return orientation;
      }
    }
    pos += 2 + length;
  }
  return 1;
}

int ReadExifOrientation(std::span<const std::uint8_t> exif) {
  if (exif.size() >= kExifHeader.size() &&
      std::memcmp(exif.data(), kExifHeader.data(), kExifHeader.size()) == 0) {
    const int orientation = OrientationOfExifBlock(exif.data(), exif.size());
    return orientation != 0 ? orientation : 1;
  }
  // libexif looks for the header: put it in front of a bare TIFF structure.
  std::vector<std::uint8_t> block(kExifHeader.begin(), kExifHeader.end());
  block.insert(block.end(), exif.begin(), exif.end());
  const int orientation = OrientationOfExifBlock(block.data(), block.size());
  return orientation != 0 ? orientation : 1;
}

bool OrientationSwapsSides(int orientation) {
  return orientation >= 5 && orientation <= 8;
}

namespace {

// Where the pixel that lands at (x, y) of the upright image comes from in the stored one.
struct SourceMap {
  int orientation;
  std::int32_t width, height;  // of the stored image

  std::pair<std::int32_t, std::int32_t> operator()(std::int32_t x, std::int32_t y) const {
    switch (orientation) {
      case 2:
        return {width - 1 - x, y};
      case 3:
        return {width - 1 - x, height - 1 - y};
      case 4:
        return {x, height - 1 - y};
      case 5:
        return {y, x};
      case 6:
        return {y, height - 1 - x};
      case 7:
        return {width - 1 - y, height - 1 - x};
      case 8:
        return {width - 1 - y, x};
      default:
        return {x, y};
    }
  }
};

void SetIndex(Raster& image, std::int32_t x, std::int32_t y, int index) {
  std::uint8_t* row = image.Row(y);
  switch (image.bits) {
    case 1: {
      const auto mask = static_cast<std::uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = static_cast<std::uint8_t>(index & 1 ? row[x >> 3] | mask : row[x >> 3] & ~mask);
      break;
    }
    case 4:
      row[x >> 1] = static_cast<std::uint8_t>(x & 1 ? (row[x >> 1] & 0xF0) | (index & 0x0F)
                                                    : (row[x >> 1] & 0x0F) | (index << 4));
      break;
    default:
      row[x] = static_cast<std::uint8_t>(index);
  }
}

}  // namespace

void ApplyOrientation(Raster& image, int orientation) {
  if (orientation < 2 || orientation > 8) return;
  const bool known_depth =
      image.bits == 1 || image.bits == 4 || image.bits == 8 || image.bits == 24;
  if (!known_depth || image.width <= 0 || image.height <= 0 ||
      image.pixels.size() < image.Stride() * static_cast<std::size_t>(image.height)) {
    return;
  }
  const SourceMap source{orientation, image.width, image.height};
  Raster upright;
  upright.bits = image.bits;
  upright.width = OrientationSwapsSides(orientation) ? image.height : image.width;
  upright.height = OrientationSwapsSides(orientation) ? image.width : image.height;
  upright.pixels.assign(upright.Stride() * static_cast<std::size_t>(upright.height), 0);
  // In tiles: a quarter turn reads the stored image down its columns, and a tile's rows stay in
  // the cache while it is read.
  constexpr std::int32_t kTile = 64;
  for (std::int32_t top = 0; top < upright.height; top += kTile) {
    for (std::int32_t left = 0; left < upright.width; left += kTile) {
      const std::int32_t bottom = std::min(top + kTile, upright.height);
      const std::int32_t right = std::min(left + kTile, upright.width);
      for (std::int32_t y = top; y < bottom; ++y) {
        for (std::int32_t x = left; x < right; ++x) {
          const auto [sx, sy] = source(x, y);
          if (image.bits == 24) {
            std::memcpy(upright.Row(y) + 3 * static_cast<std::size_t>(x),
                        image.Row(sy) + 3 * static_cast<std::size_t>(sx), 3);
          } else {
            SetIndex(upright, x, y, image.IndexAt(sx, sy));
          }
        }
      }
    }
  }
  image.width = upright.width;
  image.height = upright.height;
  image.pixels = std::move(upright.pixels);
}

}  // namespace parvel
