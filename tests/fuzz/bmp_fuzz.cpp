// Feeds arbitrary bytes to the bitmap reader: it may only answer with a well-formed image or an
// error of the image layer; anything else (another exception, a crash, a hang, a huge allocation)
// is a finding. A decoded image must also survive the writer unchanged.
#include "fuzz_support.h"
#include "imaging/formats/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace parvel;
  const std::span<const std::uint8_t> bytes(data, size);
  IsBmpSignature(bytes);
  try {
    // A two-byte run-length stream may rightly fill a picture of 400 million pixels; such
    // inputs only cost time here (the size checks run before the decode), so they stop early.
    const ImageInfo info = ReadBmpInfo(bytes);
    if (info.subformat.starts_with("RLE") && std::int64_t{info.width} * info.height > (1 << 24)) {
      return 0;
    }
  } catch (const ImageError&) {
  }
  const auto image = fuzz::ReadChecked(bytes, ReadBmp);
  if (image && fuzz::SmallEnoughToRoundTrip(*image)) {
    fuzz::Check(ReadBmp(WriteBmp(*image)).pixels == image->pixels);
  }
  return 0;
}
