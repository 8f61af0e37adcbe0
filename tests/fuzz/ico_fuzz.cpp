// Feeds arbitrary bytes to the icon reader: it may only answer with a well-formed image or an
// error of the image layer; anything else (another exception, a crash, a hang, a huge allocation)
// is a finding.
#include <cstddef>
#include <cstdint>
#include <span>

#include "imaging/formats/ico.h"
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
  parvel::IsIcoSignature(bytes);
  try {
    parvel::ReadIcoInfo(bytes);
  } catch (const parvel::EPixelGraphic&) {
  }
  parvel::Raster image;
  try {
    image = parvel::ReadIco(bytes);
  } catch (const parvel::EPixelGraphic&) {
    return 0;
  }
  if (!WellFormed(image)) __builtin_trap();
  return 0;
}
