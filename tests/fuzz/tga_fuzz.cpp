// Feeds arbitrary bytes to the TGA reader: it may only answer with a well-formed image or an
// error of the image layer; anything else (another exception, a crash, a hang, a huge allocation)
// is a finding. A decoded 8- or 24-bit image must also survive the writer unchanged.
#include "fuzz_support.h"
#include "imaging/formats/tga.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace parvel;
  const std::span<const std::uint8_t> bytes(data, size);
  fuzz::ProbeInfo(bytes, ReadTgaInfo);
  const auto image = fuzz::ReadChecked(bytes, ReadTga);
  if (image && fuzz::SmallEnoughToRoundTrip(*image) && (image->bits == 8 || image->bits == 24)) {
    fuzz::Check(ReadTga(WriteTga(*image)).pixels == image->pixels);
  }
  return 0;
}
