// Feeds arbitrary bytes to the PCX reader: it may only answer with a well-formed image or an
// error of the image layer; anything else (another exception, a crash, a hang, a huge allocation)
// is a finding.
#include "fuzz_support.h"
#include "imaging/formats/pcx.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace parvel;
  const std::span<const std::uint8_t> bytes(data, size);
  IsPcxSignature(bytes);
  fuzz::ProbeInfo(bytes, ReadPcxInfo);
  fuzz::ReadChecked(bytes, ReadPcx);
  return 0;
}
