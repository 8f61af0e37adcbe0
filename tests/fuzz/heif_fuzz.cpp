// Feeds arbitrary bytes to the HEIF reader (HEIC and AVIF through libheif): it may only answer
// with a well-formed image or an error of the image layer.
#include <algorithm>

#include "fuzz_support.h"
#include "imaging/formats/heif.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace parvel;
  const std::span<const std::uint8_t> bytes(data, size);
  IsHeifSignature(bytes.first(std::min<std::size_t>(size, 17)));
  fuzz::ProbeInfo(bytes, [](std::span<const std::uint8_t> b) { return ReadHeifInfo(b, 0); });
  fuzz::ReadChecked(bytes, [](std::span<const std::uint8_t> b) { return ReadHeif(b, 0); });
  return 0;
}
