// Feeds arbitrary bytes to the scan filter of progressive JPEG files: the stretches it keeps must
// lie inside the input, in order, from the start-of-image to the end-of-image marker; and where
// the library decodes both the whole and the filtered stream at 1/8, the pixels must agree.
#include <array>

#include "fuzz_support.h"
#include "imaging/formats/jpeg.h"
#include "imaging/formats/jpegscan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace parvel;
  const std::span<const std::uint8_t> bytes(data, size);
  // Every component count with the DC-only flags taken from the first byte.
  const std::uint8_t flags = size > 0 ? data[0] : 0;
  for (std::size_t count = 1; count <= 4; ++count) {
    std::array<bool, 4> dc_only{};
    for (std::size_t i = 0; i < count; ++i) dc_only[i] = (flags >> i) & 1;
    JpegRanges kept;
    if (!FilterProgressiveScans(bytes, std::span(dc_only.data(), count), kept)) {
      fuzz::Check(kept.empty());
      continue;
    }
    fuzz::Check(!kept.empty() && kept.front().data() == data);
    const std::uint8_t* last_end = data;
    for (const auto& r : kept) {
      fuzz::Check(!r.empty() && r.data() >= last_end && r.data() + r.size() <= data + size);
      last_end = r.data() + r.size();
    }
    fuzz::Check(RangesSize(kept) < size && last_end[-1] == 0xD9 && last_end[-2] == 0xFF);
  }
  // Whole against filtered decode, for images small enough to decode quickly.
  try {
    const ImageInfo info = ReadJpegInfo(bytes);
    if (static_cast<std::int64_t>(info.width) * info.height > 4'000'000) return 0;
  } catch (const ImageError&) {
    return 0;
  }
  const auto whole = fuzz::ReadChecked(bytes, [](auto b) {
    return ReadJpeg(b, JpegDecodeOptions{true, 8, false});
  });
  const auto filtered = fuzz::ReadChecked(bytes, [](auto b) {
    return ReadJpeg(b, JpegDecodeOptions{true, 8, true});
  });
  if (whole && filtered) fuzz::Check(whole->pixels == filtered->pixels);
  return 0;
}
