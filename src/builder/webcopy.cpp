#include "builder/webcopy.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "base/textutil.h"
#include "imaging/exif.h"
#include "imaging/formats/jpeg.h"
#include "imaging/imageerrors.h"
#include "imaging/pixelgraphic.h"
#include "imaging/resample.h"
#include "model/paths.h"
#include "platform/filebuffer.h"

namespace parvel {
namespace {

// How a copy is made, as far as a kept one must have been made the same way.
constexpr std::string_view kWebCopyRule =
    "display copy: EXIF upright; eighths decode; Lanczos-3; RGB profile kept; maker 1";
constexpr std::string_view kWebCopyRecordPrefix = "Parvel display copy ";
// Where an estimate looks for the headers.
constexpr std::size_t kHeadBytes = 256u * 1024;

// An ICC profile's header names the colour space of the data it describes at bytes 16..19.
bool IsRgbProfile(const std::vector<std::uint8_t>& icc) {
  return icc.size() >= 128 && std::memcmp(icc.data() + 16, "RGB ", 4) == 0;
}

struct CopyPlan {
  int orientation;
  std::int32_t width;   // upright
  std::int32_t height;  // upright
  int eighths;
};

CopyPlan PlanCopy(std::span<const std::uint8_t> bytes, std::int32_t box) {
  const ImageInfo info = ReadJpegInfo(bytes);
  const int orientation = ReadJpegOrientation(bytes);
  const bool swap = OrientationSwapsSides(orientation);
  const std::int32_t width = swap ? info.height : info.width;
  const std::int32_t height = swap ? info.width : info.height;
  const ThumbSize size = WebCopySize(width, height, box);
  return {orientation, width, height, ChooseJpegEighths(width, height, size.width, size.height)};
}

}  // namespace

std::string WebCopyName(std::string_view image_file_name) {
  return std::string(kWebFolder) + ChangeExtension(image_file_name, ".jpg");
}

std::string HiDpiThumbnailName(std::string_view image_file_name) {
  return ChangeExtension(image_file_name, "_thb@2x.jpg");
}

bool TakesWebCopy(std::string_view image_file_name) {
  return IsJPEGFileName(image_file_name);
}

const RecordKind& WebCopyRecordKind() {
  static const RecordKind kind{kWebCopyRecordPrefix, kWebCopyRule, true};
  return kind;
}

ThumbSize WebCopySize(std::int32_t width, std::int32_t height, std::int32_t box) {
  if (width <= 0 || height <= 0 || box <= 0) return {0, 0};
  if (width <= box && height <= box) return {width, height};
  return CalculateDimensions(width, height, box, box);
}

Raster MakeWebCopyImage(const std::string& source, std::int32_t box, FileStamp* stamp,
                        std::vector<std::uint8_t>* icc) {
  std::vector<std::uint8_t> buffer;
  std::size_t used = 0;
  if (!ReadFileIntoBuffer(source, buffer, &used, stamp)) {
    throw ImageError("Cannot open file \"" + source + "\"");
  }
  const std::span<const std::uint8_t> bytes(buffer.data(), used);
  const CopyPlan plan = PlanCopy(bytes, box);
  if (icc) {
    *icc = ReadJpegIccProfile(bytes);
    if (!IsRgbProfile(*icc)) icc->clear();
  }
  JpegDecodeOptions options;
  options.eighths = plan.eighths;
  Raster decoded = ReadJpeg(bytes, options);
  buffer = {};  // the file is not needed past the decode
  ApplyOrientation(decoded, plan.orientation);
  if (decoded.width <= 0 || decoded.height <= 0) throw ImageError("empty image");
  const ThumbSize size = WebCopySize(plan.width, plan.height, box);
  if (decoded.width == size.width && decoded.height == size.height) return decoded;
  Raster copy;
  copy.Allocate(size.width, size.height, 24);
  Resample(decoded, copy, ResampleFilter::Lanczos3);
  return copy;
}

std::vector<std::uint8_t> MakeWebCopyData(const std::string& source, std::int32_t box, int quality,
                                          std::string* failure) {
  try {
    FileStamp stamp;
    std::vector<std::uint8_t> icc;
    const Raster copy = MakeWebCopyImage(source, box, &stamp, &icc);
    // The copy tells nobody where the photograph was taken: its GPS flag is never recorded.
    return WriteJpeg(
        copy, std::clamp(quality, 0, 100), true,
        MadeRecord(WebCopyRecordKind(), FileNamePart(source), stamp, box, box, quality), icc);
  } catch (const std::exception& e) {
    if (failure) *failure = e.what();
    return {};
  }
}

std::uint64_t EstimateWebCopyMemory(const std::string& source, std::int32_t box) {
  std::vector<std::uint8_t> head;
  std::uint64_t size = 0;
  if (!ReadFileHead(source, kHeadBytes, &head, &size)) return 0;
  try {
    const CopyPlan plan = PlanCopy(head, box);
    const ThumbSize out = WebCopySize(plan.width, plan.height, box);
    const auto decoded = static_cast<std::uint64_t>(JpegEighthsSide(plan.width, plan.eighths)) *
                         static_cast<std::uint64_t>(JpegEighthsSide(plan.height, plan.eighths)) *
                         3 * (plan.orientation == 1 ? 1 : 2);
    const auto copy = static_cast<std::uint64_t>(out.width) * out.height * 3;
    // The filter's intermediate (one pass reduced) is at most the decode's size.
    return 2 * size + 2 * decoded + 2 * copy + JpegCoefficientBytes(head);
  } catch (const std::exception&) {
    return size + static_cast<std::uint64_t>(kMaxImagePixels) * 4;
  }
}

bool TakesHiDpiThumbnail(std::int32_t width, std::int32_t height, std::int32_t box_width,
                         std::int32_t box_height) {
  const ThumbSize one = CalculateDimensions(width, height, box_width, box_height);
  if (one.width <= 0 || one.height <= 0) return false;
  return static_cast<std::int64_t>(width) >= 2 * static_cast<std::int64_t>(one.width) &&
         static_cast<std::int64_t>(height) >= 2 * static_cast<std::int64_t>(one.height);
}

std::unordered_map<std::string, WebImage> ReadWebImages(const SiteSettings& settings,
                                                        const std::vector<std::string>& images,
                                                        const std::string& site_dir,
                                                        const std::string& thumb_dir) {
  std::unordered_map<std::string, WebImage> web;
  for (const std::string& image : images) {
    WebImage& entry = web[image];
    entry.copy = settings.Web_Image_Size > 0 && TakesWebCopy(image) &&
                 HasRecord(WebCopyRecordKind(), site_dir + WebCopyName(image));
    entry.hidpi = settings.HiDPI_Thumbnails && FileExists(thumb_dir + HiDpiThumbnailName(image));
    if (!settings.Lazy_Loading) continue;
    ImageFileInfo info;
    if (ReadImageFileInfo(thumb_dir + ThumbnailName(image), 0, &info)) {
      entry.thumb_width = info.width;
      entry.thumb_height = info.height;
    }
    // Only display pages show the picture in a tag of their own.
    if (settings.DisplayAsImage) continue;
    if (ReadImageFileInfo(site_dir + (entry.copy ? WebCopyName(image) : image), 0, &info)) {
      entry.shown_width = info.width;
      entry.shown_height = info.height;
    }
  }
  return web;
}

}  // namespace parvel
