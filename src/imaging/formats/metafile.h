// Windows and enhanced metafiles. No maintained library on this platform renders them, so their
// registry entries stay (files are still recognised by extension) but reading fails with
// WmfReadError or EmfReadError and a plain explanation.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/raster.h"

namespace parvel {

[[noreturn]] Raster ReadWmf(std::span<const std::uint8_t> data);
[[noreturn]] ImageInfo ReadWmfInfo(std::span<const std::uint8_t> data);
[[noreturn]] Raster ReadEmf(std::span<const std::uint8_t> data);
[[noreturn]] ImageInfo ReadEmfInfo(std::span<const std::uint8_t> data);

}  // namespace parvel
