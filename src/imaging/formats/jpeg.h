// JPEG reading and writing through the libjpeg API. Errors of the library never end the program:
// they come back as JpegError ("JPG: " and the library's text). A file that
// ends before its last scan counts as an error, not as a picture with a gray rest.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/raster.h"

namespace parvel {

// True when the bytes start with a JPEG start-of-image marker followed by another marker.
bool IsJpegSignature(std::span<const std::uint8_t> head);

struct JpegDecodeOptions {
  bool fast = false;  // the fast integer DCT instead of the accurate one
  int scale = 1;      // 1, 2, 4 or 8: decode at 1/scale of the stored size
  // Leave out the scans of a progressive file that the scale leaves unused (jpegscan.h); the
  // pixels are the same either way.
  bool skip_unused_scans = true;
  int eighths = 0;  // 1..8: decode at eighths/8 of the stored size instead (0: use `scale`)
};

// While an object of this class lives, progressive decodes and progressive encodes on the
// constructing thread place their whole-image coefficient arrays in one store kept from image to
// image (a store over 128 MB is given back after its image); a decode or encode that starts while
// another holds the store takes the library's own memory. Scopes may nest; the outermost one owns
// the store.
class JpegCoefficientReuse {
 public:
  JpegCoefficientReuse();
  ~JpegCoefficientReuse();
  JpegCoefficientReuse(const JpegCoefficientReuse&) = delete;
  JpegCoefficientReuse& operator=(const JpegCoefficientReuse&) = delete;

 private:
  void* owned_ = nullptr;
};

// Stored size, components and coding of the file, from its headers only. Refuses a size over the
// raster limits.
ImageInfo ReadJpegInfo(std::span<const std::uint8_t> data);

// The memory a decode of the file holds for its whole-image coefficient arrays, whatever the
// scale: every coefficient of a progressive or multi-scan file, nothing for a single-scan one.
// From the headers only.
std::uint64_t JpegCoefficientBytes(std::span<const std::uint8_t> data);

// The size a decode at 1/scale gives (each side rounded up, as the library does).
std::int32_t JpegScaledSide(std::int32_t side, int scale);

// The size a decode at eighths/8 gives (rounded up, as the library does).
std::int32_t JpegEighthsSide(std::int32_t side, int eighths);

// The smallest decode scale, in eighths (1..8), whose output still covers the size that a
// `width` x `height` picture takes when fitted into the box; 8 for a picture within the box.
int ChooseJpegEighths(std::int32_t width, std::int32_t height, std::int32_t box_width,
                      std::int32_t box_height);

// The file's ICC colour profile (its APP2 segments joined), empty when it has none.
std::vector<std::uint8_t> ReadJpegIccProfile(std::span<const std::uint8_t> data);

// Decodes straight into `target`, a 24-bit raster whose size is already the scaled size.
void DecodeJpegInto(std::span<const std::uint8_t> data, const JpegDecodeOptions& options,
                    Raster& target);

// Decodes to a new 24-bit raster. The pixel store grows with the rows actually decoded, so a
// short file that claims a huge size fails before much is allocated.
// `scans_skipped`, when given, tells whether unused scans were left out.
Raster ReadJpeg(std::span<const std::uint8_t> data, const JpegDecodeOptions& options,
                bool* scans_skipped = nullptr);

// Decodes row by row, without holding the picture: tells `start` the decoded size, then hands
// each row (24-bit, 3 bytes a pixel, valid during the call) to `row`, top first. What either
// throws ends the decode.
void DecodeJpegRows(std::span<const std::uint8_t> data, const JpegDecodeOptions& options,
                    const std::function<void(std::int32_t width, std::int32_t height)>& start,
                    const std::function<void(const std::uint8_t* row)>& row);

// The scans of a progressive file. Simple: the library's script of ten scans, refining by
// successive approximation, for the smallest files. Spectral: five scans split by frequency alone
// (every DC; luma AC 1..5; each chroma's AC; luma AC 6..63), for files about 3% larger in half
// the encoding time, the refinement scans being the costly part of a progressive encode.
enum class JpegProgression { Simple, Spectral };

// Encodes a 24-bit raster: library defaults, the progressive script asked for when progressive,
// the quality (0..100, clamped) with baseline-compatible tables, the floating-point DCT. A
// non-empty `comment` (at most 65,533 bytes) goes into a comment segment right after the JFIF
// header, in the file's first few dozen bytes.
// A non-empty `icc` profile is written in APP2 segments after the comment.
std::vector<std::uint8_t> WriteJpeg(const Raster& image, int quality, bool progressive,
                                    std::string_view comment = {},
                                    std::span<const std::uint8_t> icc = {},
                                    JpegProgression progression = JpegProgression::Simple);

// The text of the first comment segment that starts with `prefix` among the segments before the
// first scan, in `head` (the file's start: a segment cut off by its end is not read). None when
// there is no such comment or `head` is no JPEG. Reads the marker structure only; never raises.
std::optional<std::string> FindJpegComment(std::span<const std::uint8_t> head,
                                           std::string_view prefix);

}  // namespace parvel
