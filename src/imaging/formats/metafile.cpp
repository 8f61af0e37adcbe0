#include "imaging/formats/metafile.h"

#include "imaging/imageerrors.h"

namespace parvel {
namespace {

constexpr const char* kWmfText = "Windows metafiles cannot be read on this platform";
constexpr const char* kEmfText = "Enhanced metafiles cannot be read on this platform";

}  // namespace

Raster ReadWmf(std::span<const std::uint8_t>) {
  throw WmfReadError(kWmfText);
}
ImageInfo ReadWmfInfo(std::span<const std::uint8_t>) {
  throw WmfReadError(kWmfText);
}
Raster ReadEmf(std::span<const std::uint8_t>) {
  throw EmfReadError(kEmfText);
}
ImageInfo ReadEmfInfo(std::span<const std::uint8_t>) {
  throw EmfReadError(kEmfText);
}

}  // namespace parvel
