// Feeds arbitrary bytes to the PBM/PGM/PPM reader: it may only answer with a well-formed image
// or an error of the image layer; anything else (another exception, a crash, a hang, a huge
// allocation) is a finding. A decoded 1- or 24-bit image must also survive the writer unchanged.
#include "fuzz_support.h"
#include "imaging/formats/pnm.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace parvel;
  const std::span<const std::uint8_t> bytes(data, size);
  IsPnmSignature(bytes);
  fuzz::ProbeInfo(bytes, ReadPnmInfo);
  const auto image = fuzz::ReadChecked(bytes, ReadPnm);
  if (image && fuzz::SmallEnoughToRoundTrip(*image) && (image->bits == 1 || image->bits == 24)) {
    const PnmKind kind = image->bits == 1 ? PnmKind::Pbm : PnmKind::Ppm;
    fuzz::Check(ReadPnm(WritePnm(*image, kind)).pixels == image->pixels);
  }
  return 0;
}
