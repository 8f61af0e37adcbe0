#include "builder/thumbnail.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <span>
#include <system_error>

#include "builder/messages.h"
#include "imaging/exif.h"
#include "imaging/formats/jpeg.h"
#include "imaging/pixelgraphic.h"
#include "imaging/registry.h"
#include "imaging/resample.h"
#include "model/paths.h"
#include "platform/filebuffer.h"
#include "platform/filesystem.h"

namespace parvel {

namespace {
// A source buffer grown past this by one huge file is given back.
constexpr std::size_t kKeptBufferBytes = 64u * 1024 * 1024;
// Where a memory estimate looks for an image's headers: the file's beginning, else the whole
// file when it is no larger than the second figure.
constexpr std::size_t kHeadBytes = 256u * 1024;
constexpr std::uint64_t kWholeFileForHeaders = 64u * 1024 * 1024;
// A decode other than JPEG: a raster of up to three bytes a pixel, and for fewer the 24-bit copy
// that resampling makes.
constexpr std::uint64_t kOtherDecodeBytesPerPixel = 4;
// Where a thumbnail's record is looked for: our writer puts it right after the JFIF header.
constexpr std::size_t kRecordHeadBytes = 256;
// How a thumbnail is made, as far as a kept one must have been made the same way: a JPEG is
// turned upright by its EXIF orientation. A change to that rule (or to how thumbnails are
// made) changes this text, and every thumbnail is made again once.
constexpr std::string_view kThumbnailRule = "orientation: EXIF upright; maker 1";

// FNV-1a, 64 bits: a record only has to tell one state from another, not resist forgery.
std::uint64_t Digest(std::string_view text) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ull;
  }
  return hash;
}
}  // namespace

// The size rule is defined on 80-bit extended precision (64-bit mantissa): 1280 / (1280 / 150)
// is just below 150 there and exactly 150 in double precision, so a 1280x960 photo gets a 149
// pixel wide thumbnail. A port to a platform whose long double is not the x87 extended type must
// emulate that format for these divisions.
static_assert(std::numeric_limits<long double>::digits == 64,
              "thumbnail sizes need 80-bit extended precision divisions");

std::string ThumbnailName(std::string_view image_file_name) {
  return ChangeExtension(image_file_name, "_thb.jpg");
}

ThumbSize CalculateDimensions(std::int32_t width, std::int32_t height, std::int32_t box_width,
                              std::int32_t box_height) {
  if (width <= 0 || height <= 0 || box_width <= 0 || box_height <= 0) return {0, 0};
  if (box_width > width && height < box_height) return {width, height};
  const long double a = width;
  const long double b = height;
  const long double w = box_width;
  const long double h = box_height;
  // volatile keeps each quotient rounded to the 64-bit mantissa, as the rule says, whatever the
  // optimiser would otherwise fold.
  volatile long double f;
  if (h / w > b / a) {
    f = a / w;
  } else {
    f = b / h;
  }
  const long double fv = f;
  volatile long double qw = a / fv;
  volatile long double qh = b / fv;
  std::int64_t tw = static_cast<std::int64_t>(qw);
  std::int64_t th = static_cast<std::int64_t>(qh);
  tw = std::min<std::int64_t>(tw, box_width);
  th = std::min<std::int64_t>(th, box_height);
  // A sliver such as a 1x1000 strip would truncate to zero pixels: keep one.
  return {static_cast<std::int32_t>(std::max<std::int64_t>(tw, 1)),
          static_cast<std::int32_t>(std::max<std::int64_t>(th, 1))};
}

std::span<const std::uint8_t> ReadPictureSource(const std::string& path, FileStamp* stamp) {
  thread_local std::vector<std::uint8_t> buffer;
  // A buffer that one huge file grew is given back; otherwise it only ever grows.
  if (buffer.size() > kKeptBufferBytes) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && size < kKeptBufferBytes) buffer = {};
  }
  std::size_t used = 0;
  if (!ReadFileIntoBuffer(path, buffer, &used, stamp)) {
    throw ImageError("Cannot open file \"" + path + "\"");
  }
  return {buffer.data(), used};
}

namespace {

// How a JPEG is decoded for a thumbnail: its orientation, its upright size and the reduced
// scale that still covers the box. The thumbnail and the memory estimate share it.
struct JpegPlan {
  int orientation;
  std::int32_t width;
  std::int32_t height;
  int scale;
};

JpegPlan PlanJpeg(std::span<const std::uint8_t> bytes, std::int32_t box_width,
                  std::int32_t box_height) {
  const ImageInfo info = ReadJpegInfo(bytes);
  const int orientation = ReadJpegOrientation(bytes);
  const bool swap = OrientationSwapsSides(orientation);
  const std::int32_t width = swap ? info.height : info.width;
  const std::int32_t height = swap ? info.width : info.height;
  return {orientation, width, height, ChooseJPEGScale(width, height, box_width, box_height)};
}

// A JPEG source: decoded at the scale that covers the box, turned upright, then reduced with
// the medium (area average) filter, as drawing the JPEG stretched and resampling it would.
Raster JpegThumbnail(const std::string& source, std::int32_t box_width, std::int32_t box_height,
                     ThumbnailOptions thumbnail_options, FileStamp* stamp, bool* gps) {
  const std::span<const std::uint8_t> bytes = ReadPictureSource(source, stamp);
  if (gps) *gps = JpegHasGpsPosition(bytes);
  const auto [orientation, width, height, scale] = PlanJpeg(bytes, box_width, box_height);
  const JpegDecodeOptions options{true, scale, thumbnail_options.skip_unused_scans};
  Raster decoded;
  if (orientation == 1) {
    decoded.Allocate(JpegScaledSide(width, scale), JpegScaledSide(height, scale), 24);
    DecodeJpegInto(bytes, options, decoded);
  } else {
    decoded = ReadJpeg(bytes, options);
    ApplyOrientation(decoded, orientation);
  }
  if (decoded.width <= 0 || decoded.height <= 0) throw ImageError("empty image");
  const ThumbSize size = CalculateDimensions(decoded.width, decoded.height, box_width, box_height);
  Raster thumb;
  thumb.Allocate(size.width, size.height, 24);
  Resample(decoded, thumb, ResampleFilter::Box);
  return thumb;
}

// Any other source: the general loader with the fast JPEG decode, reduced with the precise
// filter.
Raster OtherThumbnail(const std::string& source, std::int32_t box_width, std::int32_t box_height,
                      FileStamp* stamp) {
  // Taken before the read: a change after it makes the record older than the file, never newer.
  const auto before = StampOf(source);
  if (!before) throw ImageError("Cannot open file \"" + source + "\"");
  if (stamp) *stamp = *before;
  PixelGraphic loaded;
  loaded.SetFastJPEGDecode(true);
  loaded.LoadFromFile(source);
  if (loaded.Width() <= 0 || loaded.Height() <= 0) throw ImageError("empty image");
  const ThumbSize size =
      CalculateDimensions(loaded.Width(), loaded.Height(), box_width, box_height);
  PixelGraphic thumb;
  thumb.SetSize(size.width, size.height);
  ResampleFrom(thumb, loaded);
  return thumb.Pixels();
}

// The decode's bytes besides the file, from data that holds the headers; raises when they are
// not all there.
std::uint64_t DecodeBytes(std::span<const std::uint8_t> data, const std::string& source,
                          std::int32_t box_width, std::int32_t box_height) {
  if (IsJPEGFileName(source)) {
    const auto [orientation, width, height, scale] = PlanJpeg(data, box_width, box_height);
    // Turning the image upright copies the decode.
    const std::uint64_t decoded = static_cast<std::uint64_t>(JpegScaledSide(width, scale)) *
                                  static_cast<std::uint64_t>(JpegScaledSide(height, scale)) * 3 *
                                  (orientation == 1 ? 1 : 2);
    return decoded + JpegCoefficientBytes(data);
  }
  const ImageFormat* reader = ChooseReader(data, ExtensionPart(source));
  if (reader == nullptr) return 0;  // the decode stops at once
  const ImageInfo info = reader->Info(data, 0);
  return static_cast<std::uint64_t>(std::max(info.width, 0)) *
         static_cast<std::uint64_t>(std::max(info.height, 0)) * kOtherDecodeBytesPerPixel;
}

}  // namespace

std::uint64_t EstimateThumbnailMemory(const std::string& source, std::int32_t box_width,
                                      std::int32_t box_height) {
  std::vector<std::uint8_t> data;
  std::uint64_t size = 0;
  if (!ReadFileHead(source, kHeadBytes, &data, &size)) return 0;  // nothing to decode
  const std::uint64_t unknown =
      static_cast<std::uint64_t>(kMaxImagePixels) * kOtherDecodeBytesPerPixel;
  try {
    return size + DecodeBytes(data, source, box_width, box_height);
  } catch (const std::exception&) {
  }
  if (data.size() == size || size > kWholeFileForHeaders) return size + unknown;
  try {
    if (!ReadFileHead(source, static_cast<std::size_t>(kWholeFileForHeaders), &data, &size))
      return 0;
    return size + DecodeBytes(data, source, box_width, box_height);
  } catch (const std::exception&) {
    return size + unknown;
  }
}

Raster MakeThumbnailImage(const std::string& source, std::int32_t box_width,
                          std::int32_t box_height, ThumbnailOptions options, FileStamp* stamp,
                          bool* gps) {
  if (gps) *gps = false;
  return IsJPEGFileName(source) ? JpegThumbnail(source, box_width, box_height, options, stamp, gps)
                                : OtherThumbnail(source, box_width, box_height, stamp);
}

std::vector<std::uint8_t> MakeThumbnailData(const std::string& source, std::int32_t box_width,
                                            std::int32_t box_height, int quality,
                                            ThumbnailOptions options, std::string* failure) {
  try {
    FileStamp stamp;
    bool gps = false;
    const Raster thumb = MakeThumbnailImage(source, box_width, box_height, options, &stamp, &gps);
    return WriteJpeg(
        thumb, std::clamp(quality, 0, 100), true,
        ThumbnailRecord(FileNamePart(source), stamp, box_width, box_height, quality, gps));
  } catch (const std::exception& e) {
    if (failure) *failure = e.what();
    return {};
  }
}

std::string MadeRecord(const RecordKind& kind, std::string_view source_name, const FileStamp& stamp,
                       std::int32_t box_width, std::int32_t box_height, int quality, bool gps) {
  std::string text(source_name);
  text += '\n' + std::to_string(stamp.size) + '\n' + std::to_string(stamp.modified_ns) + '\n' +
          std::to_string(box_width) + 'x' + std::to_string(box_height) + '\n' +
          std::to_string(quality) + '\n';
  text += kind.rule;
  // Inside the digest, so that a published file tells nobody whether its photograph has one.
  if (gps) text += "\ngps";
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Digest(text)));
  return std::string(kind.prefix) + hex;
}

std::string ThumbnailRecord(std::string_view source_name, const FileStamp& stamp,
                            std::int32_t box_width, std::int32_t box_height, int quality,
                            bool gps) {
  return MadeRecord(ThumbnailRecordKind(), source_name, stamp, box_width, box_height, quality, gps);
}

const RecordKind& ThumbnailRecordKind() {
  static const RecordKind kind{kThumbnailRecordPrefix, kThumbnailRule};
  return kind;
}

ThumbnailState CheckRecordBytes(const RecordKind& kind, std::span<const std::uint8_t> head,
                                const std::string& source, std::int32_t box_width,
                                std::int32_t box_height, int quality, bool* gps,
                                const std::optional<FileStamp>* source_stamp) {
  if (gps) *gps = false;
  const auto record = FindJpegComment(head, kind.prefix);
  if (!record) return kind.record_required ? ThumbnailState::Stale : ThumbnailState::UpToDate;
  const std::optional<FileStamp> stamp = source_stamp ? *source_stamp : StampOf(source);
  if (!stamp) return ThumbnailState::Stale;
  const std::string name = FileNamePart(source);
  if (*record == MadeRecord(kind, name, *stamp, box_width, box_height, quality, false)) {
    return ThumbnailState::UpToDate;
  }
  if (*record == MadeRecord(kind, name, *stamp, box_width, box_height, quality, true)) {
    if (gps) *gps = true;
    return ThumbnailState::UpToDate;
  }
  return ThumbnailState::Stale;
}

ThumbnailState CheckRecordedFile(const RecordKind& kind, const std::string& source,
                                 const std::string& target, std::int32_t box_width,
                                 std::int32_t box_height, int quality, bool* gps,
                                 const std::optional<FileStamp>* source_stamp) {
  if (gps) *gps = false;
  thread_local std::vector<std::uint8_t> head;
  std::uint64_t size = 0;
  if (!ReadFileHead(target, kRecordHeadBytes, &head, &size)) {
    return FileExists(target) ? ThumbnailState::Stale : ThumbnailState::Missing;
  }
  return CheckRecordBytes(kind, head, source, box_width, box_height, quality, gps, source_stamp);
}

bool HasRecord(const RecordKind& kind, const std::string& path) {
  std::vector<std::uint8_t> head;
  std::uint64_t size = 0;
  return ReadFileHead(path, kRecordHeadBytes, &head, &size) &&
         FindJpegComment(head, kind.prefix).has_value();
}

bool CarriesThumbnailRecord(const std::string& path) {
  return HasRecord(ThumbnailRecordKind(), path);
}

ThumbnailState CheckThumbnail(const std::string& source, const std::string& target,
                              std::int32_t box_width, std::int32_t box_height, int quality,
                              bool* gps) {
  return CheckRecordedFile(ThumbnailRecordKind(), source, target, box_width, box_height, quality,
                           gps);
}

std::string ThumbnailCauseQuestion(std::string_view cause) {
  return "Error encountered creating thumbnail.  " + std::string(cause) +
         ".  Do you want to continue processing your images?";
}

std::string ThumbnailFailureCause(const std::string& source, std::string_view failure) {
  const PictureIdentity identity = IdentifyPictureFile(source);
  switch (identity.verdict) {
    case PictureVerdict::Unreadable:
      return "The file, " + source + ", could not be read (" + identity.reason + ")";
    case PictureVerdict::NotPicture:
      return "The file, " + source + ", is not a picture";
    case PictureVerdict::Undecodable:
      return "The picture, " + source + ", cannot be read (" + identity.reason + ")";
    case PictureVerdict::Picture:
      break;
  }
  return "The picture, " + source + ", cannot be read (" + std::string(failure) + ")";
}

namespace {

bool GoOnWithout(Interaction& ui, const std::string& question) {
  return ui.Message(MessageKind::Warning, question, Buttons::YesNo) == Answer::Yes;
}

}  // namespace

bool WriteThumbnailData(Interaction& ui, const std::vector<std::uint8_t>& data,
                        const std::string& target, int quality, bool* written_out) {
  bool written = false;
  std::string error;
  {
    BusyCursor busy(ui);
    // The save settings of the image layer keep the last save's values, as SaveToJpeg leaves
    // them.
    JPEGSaveQuality = std::clamp(quality, 0, 100);
    JPEGSaveProgressive = true;
    const std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
    written = !data.empty() && Files().WriteFileReplace(target, bytes, &error);
  }
  if (written_out) *written_out = written;
  if (written) return true;
  if (!data.empty()) {
    const std::string folder = DirectoryPart(target);
    if (!DirectoryExists(folder)) {
      return GoOnWithout(ui, ThumbnailCauseQuestion(MissingFolderCause(folder)));
    }
    if (!error.empty()) ui.Log(ReasonLine("Writing " + target, error));
  }
  return GoOnWithout(ui, std::string(kThumbnailErrorQuestion));
}

bool CreateThumbnail(Interaction& ui, const std::string& source, const std::string& target,
                     std::int32_t box_width, std::int32_t box_height, int quality,
                     ThumbnailOptions options, bool* written) {
  std::vector<std::uint8_t> data;
  std::string failure;
  {
    BusyCursor busy(ui);
    data = MakeThumbnailData(source, box_width, box_height, quality, options, &failure);
  }
  if (data.empty()) {
    if (written) *written = false;
    return GoOnWithout(ui, ThumbnailCauseQuestion(ThumbnailFailureCause(source, failure)));
  }
  return WriteThumbnailData(ui, data, target, quality, written);
}

}  // namespace parvel
