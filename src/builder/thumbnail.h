// One JPEG thumbnail per image: its name, its size within the box of the settings, and writing it
// (a JPEG source is decoded at the largest DCT reduction that still covers the box).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/raster.h"
#include "platform/filesystem.h"
#include "platform/interaction.h"

namespace parvel {

// The thumbnail file name of an image file name: the name less its extension (from the last
// dot) followed by "_thb.jpg"; "Beach.JPG" gives "Beach_thb.jpg".
std::string ThumbnailName(std::string_view image_file_name);

struct ThumbSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const ThumbSize&, const ThumbSize&) = default;
};

// The thumbnail size of a `width` x `height` source in a `box_width` x `box_height` box. A source
// strictly smaller than the box in both directions keeps its size; otherwise the limiting side is
// scaled to the box with 80-bit extended divisions, truncated, and never below one pixel.
// The image pages use the same rule for their maximum image size. Any size that is not positive
// gives 0 x 0.
ThumbSize CalculateDimensions(std::int32_t width, std::int32_t height, std::int32_t box_width,
                              std::int32_t box_height);

// How the thumbnails of a build are decoded.
struct ThumbnailOptions {
  // Leave out the scans of a progressive JPEG that the thumbnail's scale leaves unused: the same
  // pixels, faster. `parvel-cli build --whole-scans` turns it off to time or compare the decode
  // of every scan.
  bool skip_unused_scans = true;
};

inline constexpr std::string_view kThumbnailErrorQuestion =
    "Error encountered creating thumbnail.  Please ensure you have sufficient disk space.  Do you "
    "want to continue processing your images?";

// The question when the cause is known and is not the disk: kThumbnailErrorQuestion with its
// disk-space sentence replaced by `cause` (a sentence without its full stop).
std::string ThumbnailCauseQuestion(std::string_view cause);

// The cause of a thumbnail that could not be made from `source`, the decode having failed with
// `failure`: the file cannot be read (the system's reason), its content is not a picture, or its
// picture cannot be decoded (`failure`).
std::string ThumbnailFailureCause(const std::string& source, std::string_view failure);

// Writes the thumbnail of `source` to `target` (a progressive JPEG of quality `quality`). When
// the image cannot be read or scaled it asks ThumbnailCauseQuestion with its cause; when the
// write fails, kThumbnailErrorQuestion with the system's reason logged (or the cause question
// when the thumbnail's folder is missing). Yes returns true (go on without this thumbnail), No
// returns false (stop the build). `written`, when given, tells whether the thumbnail was
// written.
bool CreateThumbnail(Interaction& ui, const std::string& source, const std::string& target,
                     std::int32_t box_width, std::int32_t box_height, int quality,
                     ThumbnailOptions options = {}, bool* written = nullptr);

// The bytes of the file `path` in a buffer the calling thread keeps from picture to picture, so
// that a large photograph does not take fresh memory (and its page faults) at every one; valid
// until the thread's next call. `stamp`, when given, receives the file's stamp as it was opened.
// Raises when the file cannot be read.
std::span<const std::uint8_t> ReadPictureSource(const std::string& path, FileStamp* stamp);

// The part of CreateThumbnail that touches no file but the source: decodes and scales `source`
// and encodes the thumbnail with its record. Empty when anything fails, with the reason in
// `failure` when given; never raises. Safe on any thread.
std::vector<std::uint8_t> MakeThumbnailData(const std::string& source, std::int32_t box_width,
                                            std::int32_t box_height, int quality,
                                            ThumbnailOptions options = {},
                                            std::string* failure = nullptr);

// The thumbnail of `source` as pixels, before MakeThumbnailData encodes it: a JPEG decoded at
// the reduced scale that covers the box, any other format through the general loader, turned
// upright and reduced to fit the box (a smaller image keeps its size). Raises when the image
// cannot be read; safe on any thread. `stamp`, when given, receives the source's size and time
// as they were before it was read; `gps` whether a JPEG's EXIF block holds a GPS position.
Raster MakeThumbnailImage(const std::string& source, std::int32_t box_width,
                          std::int32_t box_height, ThumbnailOptions options = {},
                          FileStamp* stamp = nullptr, bool* gps = nullptr);

// What MakeThumbnailData holds in memory at its peak for `source`, in bytes, estimated from the
// file's size and its headers without decoding: the whole file, and the decoded image (a JPEG at
// its reduced scale, with the whole-image coefficients of a progressive one) at four bytes a
// pixel for other formats, which covers their depth conversion. The headers are looked for in
// the file's first 256 KiB, else in the whole file when it is at most 64 MiB; a file whose
// headers cannot be read counts as an image at the pixel limit. Never raises; safe on any thread.
std::uint64_t EstimateThumbnailMemory(const std::string& source, std::int32_t box_width,
                                      std::int32_t box_height);

// The memory the thumbnail workers of a build may hold at once, by the estimate above: eight
// camera photographs of 24 to 32 megapixels are made side by side, larger images share it
// (one larger than all of it is made on its own).
inline constexpr std::uint64_t kThumbnailMemoryBudget = std::uint64_t{768} << 20;

// Every thumbnail carries a record of what it was made from, so that a rebuild can keep exactly
// the thumbnails that are up to date. The record is a JPEG comment segment in the thumbnail's
// first bytes: "Parvel thumbnail " and 16 hex digits, a digest of the source's bare name, length
// and modification time, the box, the quality and the orientation rule. A digest rather than the
// values themselves, so that a published thumbnail tells a visitor nothing of the photograph's
// file. Reading it back takes the thumbnail's first bytes and the source's stamp, no decode.
inline constexpr std::string_view kThumbnailRecordPrefix = "Parvel thumbnail ";

// The record also tells whether the photograph carries a GPS position (inside the digest), so
// that a rebuild knows it without reading the photograph.

// A kind of file the build makes from a picture and keeps by its record: the comment's prefix
// and the text naming how such a file is made (a change to it makes every such file again).
struct RecordKind {
  std::string_view prefix;
  std::string_view rule;
  // A file without a record is the user's, never up to date (thumbnails made before records
  // were kept count as up to date).
  bool record_required = false;
};
const RecordKind& ThumbnailRecordKind();

// The record of a file of `kind` made now from the source named `source_name` whose file had
// `stamp`, for a box and quality; `gps` when the source holds a GPS position.
std::string MadeRecord(const RecordKind& kind, std::string_view source_name, const FileStamp& stamp,
                       std::int32_t box_width, std::int32_t box_height, int quality,
                       bool gps = false);

// The record of a thumbnail made now from the source named `source_name` whose file had `stamp`.
std::string ThumbnailRecord(std::string_view source_name, const FileStamp& stamp,
                            std::int32_t box_width, std::int32_t box_height, int quality,
                            bool gps = false);

enum class ThumbnailState {
  Missing,   // no file at the thumbnail's path
  UpToDate,  // its record matches the source and the settings, or it has no record (a
             // thumbnail made before records were kept counts as up to date)
  Stale,     // its record tells of another source, source state or settings; or the source
             // cannot be found
};

// Whether the file at `path` is a thumbnail this program made: it carries a thumbnail record.
bool CarriesThumbnailRecord(const std::string& path);

// Whether the thumbnail at `target` may be kept for `source` with these settings: one stat of
// the source and a read of the thumbnail's first bytes. Safe on any thread; never raises.
// `gps`, when given, tells whether the record says the source holds a GPS position (false
// unless UpToDate).
ThumbnailState CheckThumbnail(const std::string& source, const std::string& target,
                              std::int32_t box_width, std::int32_t box_height, int quality,
                              bool* gps = nullptr);

// CheckThumbnail for any kind of recorded file, from its path or from its first bytes.
// `source_stamp`, when given, is the source's stamp already taken (none: it cannot be read), so
// that several files made from one source cost one stat of it.
ThumbnailState CheckRecordedFile(const RecordKind& kind, const std::string& source,
                                 const std::string& target, std::int32_t box_width,
                                 std::int32_t box_height, int quality, bool* gps = nullptr,
                                 const std::optional<FileStamp>* source_stamp = nullptr);
ThumbnailState CheckRecordBytes(const RecordKind& kind, std::span<const std::uint8_t> head,
                                const std::string& source, std::int32_t box_width,
                                std::int32_t box_height, int quality, bool* gps = nullptr,
                                const std::optional<FileStamp>* source_stamp = nullptr);

// True when the file at `path` carries a record of `kind`: the program made it.
bool HasRecord(const RecordKind& kind, const std::string& path);

// The rest of CreateThumbnail for data made by MakeThumbnailData (empty data counts as a
// failure of unknown cause): writes it to `target` and on failure asks the question. Same result
// as CreateThumbnail; on the build's thread only.
bool WriteThumbnailData(Interaction& ui, const std::vector<std::uint8_t>& data,
                        const std::string& target, int quality, bool* written = nullptr);

}  // namespace parvel
