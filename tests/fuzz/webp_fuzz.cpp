// Feeds arbitrary bytes to the WebP reader (libwebp, with the EXIF orientation through libexif):
// it may only answer with a well-formed image or an error of the image layer.
#include "fuzz_support.h"
#include "imaging/formats/webp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace parvel;
  const std::span<const std::uint8_t> bytes(data, size);
  IsWebpSignature(bytes);
  fuzz::ProbeInfo(bytes, ReadWebpInfo);
  fuzz::ReadChecked(bytes, ReadWebp);
  return 0;
}
