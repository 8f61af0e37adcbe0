// Feeds arbitrary bytes to the icon reader: it may only answer with a well-formed image or an
// error of the image layer; anything else (another exception, a crash, a hang, a huge allocation)
// is a finding.
#include "fuzz_support.h"
#include "imaging/formats/ico.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace parvel;
  const std::span<const std::uint8_t> bytes(data, size);
  IsIcoSignature(bytes);
  fuzz::ProbeInfo(bytes, ReadIcoInfo);
  fuzz::ReadChecked(bytes, ReadIco);
  return 0;
}
