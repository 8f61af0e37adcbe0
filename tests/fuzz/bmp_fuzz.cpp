// Feeds arbitrary bytes to the bitmap reader: it may only answer with a well-formed image or an
// error of the image layer; anything else (another exception, a crash, a hang, a huge allocation)
// is a finding. A decoded image must also survive the writer unchanged.
#include <cstddef>
#include <cstdint>
#include <span>

#include "imaging/formats/bmp.h"
#include "imaging/pgerrors.h"

namespace {

bool WellFormed(const parvel::Raster& image) {
  const bool indexed = image.bits == 1 || image.bits == 4 || image.bits == 8;
  return (indexed || image.bits == 24) && image.width > 0 && image.height > 0 &&
         image.palette.size() == (indexed ? std::size_t{1} << image.bits : 0) &&
         image.pixels.size() == image.Stride() * static_cast<std::size_t>(image.height);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  parvel::IsBmpSignature(bytes);
  try {
    // A two-byte run-length stream may rightly fill a picture of 400 million pixels; such
    // inputs only cost time here (the size checks run before the decode), so they stop early.
    const parvel::ImageInfo info = parvel::ReadBmpInfo(bytes);
    if (info.subformat.starts_with("RLE") && std::int64_t{info.width} * info.height > (1 << 24)) {
      return 0;
    }
  } catch (const parvel::EPixelGraphic&) {
  }
  parvel::Raster image;
  try {
    image = parvel::ReadBmp(bytes);
  } catch (const parvel::EPixelGraphic&) {
    return 0;
  }
  if (!WellFormed(image)) __builtin_trap();
  // Round trips are kept to modest images so each run stays quick.
  if (image.pixels.size() <= (std::size_t{1} << 24)) {
    const parvel::Raster again = parvel::ReadBmp(parvel::WriteBmp(image));
    if (again.pixels != image.pixels) __builtin_trap();
  }
  return 0;
}
