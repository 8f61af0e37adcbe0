// Leaving out the scans of a progressive JPEG that a reduced-scale decode never uses. At 1/8 the
// library computes a component whose IDCT output is one pixel per block from the DC coefficient
// alone, so that component's AC scans are work without effect; they can be skipped by their
// markers without entropy-decoding them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace parvel {

// The stretches of a JPEG stream that make up the filtered stream, in order.
using JpegRanges = std::vector<std::span<const std::uint8_t>>;

// Walks the markers of `data`. When it is a progressive Huffman stream that the walk fully
// understands and leaving out scans is certain not to change a decode with the library's block
// smoothing off, fills `kept` with the stretches that remain once every AC scan (Ss > 0) of the
// components flagged in `dc_only` (indexed in frame order) is dropped, and returns true.
// Conditions: every scan is a DC scan (Ss = 0) or a single-component AC scan; each component's
// first scan is a DC scan; the whole stream refines AC coefficients 1..9 of every component to
// the last bit (so that a decode of the whole stream smooths nothing either); the stream ends
// with an end-of-image marker; no define-number-of-lines marker, arithmetic coding or unknown
// marker. False in every other case (and when nothing would be dropped): decode `data` as it is.
bool FilterProgressiveScans(std::span<const std::uint8_t> data, std::span<const bool> dc_only,
                            JpegRanges& kept);

// The number of bytes in `kept`.
std::size_t RangesSize(const JpegRanges& kept);

}  // namespace parvel
