// Photographs in the formats of today's cameras and phones, made with their libraries' own
// encoders (libheif with x265 and aom, libwebp), for the tests of the readers and of adding
// images. `orientation` (EXIF numbering) is stored as the container stores it: irot/imir boxes in
// HEIF, an "EXIF" chunk in WebP; a reader that honours it gives ApplyOrientation(image, it).
#pragma once

#include <libheif/heif.h>
#include <webp/encode.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "imaging/raster.h"

namespace parvel::testing {

inline std::vector<std::uint8_t> EncodeHeif(const Raster& rgb, heif_compression_format format,
                                            int orientation) {
  const auto check = [](heif_error e) {
    if (e.code != heif_error_Ok) throw std::runtime_error(e.message);
  };
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  heif_image* image = nullptr;
  heif_encoding_options* options = heif_encoding_options_alloc();
  std::vector<std::uint8_t> out;
  try {
    check(heif_context_get_encoder_for_format(context, format, &encoder));
    check(heif_encoder_set_lossy_quality(encoder, 90));
    check(heif_image_create(rgb.width, rgb.height, heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                            &image));
    check(heif_image_add_plane(image, heif_channel_interleaved, rgb.width, rgb.height, 8));
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (std::int32_t y = 0; y < rgb.height; ++y) {
      std::memcpy(plane + static_cast<std::size_t>(stride) * y, rgb.Row(y), rgb.Stride());
    }
    options->image_orientation = static_cast<heif_orientation>(orientation);
    check(heif_context_encode_image(context, image, encoder, options, nullptr));
    heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* user) {
                         auto* bytes = static_cast<std::vector<std::uint8_t>*>(user);
                         const auto* p = static_cast<const std::uint8_t*>(data);
                         bytes->insert(bytes->end(), p, p + size);
                         return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
                       }};
    check(heif_context_write(context, &writer, &out));
  } catch (...) {
    out.clear();
  }
  heif_encoding_options_free(options);
  if (image != nullptr) heif_image_release(image);
  if (encoder != nullptr) heif_encoder_release(encoder);
  heif_context_free(context);
  if (out.empty()) throw std::runtime_error("HEIF encoding failed");
  return out;
}

// A lossy WebP; with an orientation other than 1 it becomes an extended file (VP8X) with an
// "EXIF" chunk holding a one-entry TIFF block (`exif_header`: "Exif\0\0" before it, as some
// writers put it; `big_endian`: "MM" byte order).
inline std::vector<std::uint8_t> EncodeWebp(const Raster& rgb, int orientation,
                                            bool exif_header = false, bool big_endian = false) {
  std::uint8_t* encoded = nullptr;
  const std::size_t size = WebPEncodeRGB(rgb.pixels.data(), rgb.width, rgb.height,
                                         static_cast<int>(rgb.Stride()), 90, &encoded);
  if (size == 0) throw std::runtime_error("WebP encoding failed");
  const std::vector<std::uint8_t> simple(encoded, encoded + size);
  WebPFree(encoded);
  if (orientation == 1) return simple;

  const auto le = [](std::vector<std::uint8_t>& b, std::uint32_t v, int bytes = 4) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  std::vector<std::uint8_t> exif;
  if (exif_header) exif = {'E', 'x', 'i', 'f', 0, 0};
  const auto put16 = [&](unsigned v) {
    if (big_endian) exif.push_back(static_cast<std::uint8_t>(v >> 8));
    exif.push_back(static_cast<std::uint8_t>(v));
    if (!big_endian) exif.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  const auto put32 = [&](std::uint32_t v) {
    put16(big_endian ? v >> 16 : v & 0xFFFF);
    put16(big_endian ? v & 0xFFFF : v >> 16);
  };
  exif.push_back(big_endian ? 'M' : 'I');
  exif.push_back(big_endian ? 'M' : 'I');
  put16(42);
  put32(8);
  put16(1);                                   // one entry
  put16(0x0112);                              // Orientation
  put16(3);                                   // SHORT
  put32(1);                                   // one value
  put16(static_cast<unsigned>(orientation));  // the value, left-aligned in four bytes
  put16(0);
  put32(0);  // no next IFD

  std::vector<std::uint8_t> body{'W', 'E', 'B', 'P', 'V', 'P', '8', 'X'};
  le(body, 10);
  body.push_back(0x08);  // EXIF present
  body.insert(body.end(), 3, 0);
  le(body, static_cast<std::uint32_t>(rgb.width - 1), 3);
  le(body, static_cast<std::uint32_t>(rgb.height - 1), 3);
  body.insert(body.end(), simple.begin() + 12, simple.end());  // the "VP8 " chunk
  body.insert(body.end(), {'E', 'X', 'I', 'F'});
  le(body, static_cast<std::uint32_t>(exif.size()));
  body.insert(body.end(), exif.begin(), exif.end());
  if (exif.size() % 2 != 0) body.push_back(0);
  std::vector<std::uint8_t> file{'R', 'I', 'F', 'F'};
  le(file, static_cast<std::uint32_t>(body.size()));
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

}  // namespace parvel::testing
