#include "builder/webcopy.h"

#include <algorithm>
#include <cstring>
#include <memory>
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

namespace {

// A copy's pixel store above this is given back after the copy rather than kept.
constexpr std::size_t kKeptCopyBytes = 64u * 1024 * 1024;

// The copy of `source` in the pixel store `store` (whatever it holds, grown as needed): fresh
// memory at every copy is zeroed and faulted in page by page, which costs more than the filter.
Raster DecodeCopy(const std::string& source, std::int32_t box, FileStamp* stamp,
                  std::vector<std::uint8_t>* icc, std::vector<std::uint8_t> store) {
  const std::span<const std::uint8_t> bytes = ReadPictureSource(source, stamp);
  const CopyPlan plan = PlanCopy(bytes, box);
  if (icc) {
    *icc = ReadJpegIccProfile(bytes);
    if (!IsRgbProfile(*icc)) icc->clear();
  }
  JpegDecodeOptions options;
  options.eighths = plan.eighths;
  // Reduced in the file's own orientation and turned upright after: the decode streams through
  // the filter, and only the copy, far smaller than the decode, is turned.
  const ThumbSize size = WebCopySize(plan.width, plan.height, box);
  const bool swap = OrientationSwapsSides(plan.orientation);
  Raster copy;
  std::unique_ptr<RowResampler> filter;
  std::int32_t next_row = 0;
  DecodeJpegRows(
      bytes, options,
      [&](std::int32_t width, std::int32_t height) {
        if (width <= 0 || height <= 0) throw ImageError("empty image");
        copy.width = swap ? size.height : size.width;
        copy.height = swap ? size.width : size.height;
        copy.bits = 24;
        // Every byte is written below: the filter and the decode fill whole rows.
        copy.pixels = std::move(store);
        copy.pixels.resize(copy.Stride() * static_cast<std::size_t>(copy.height));
        if (width != copy.width || height != copy.height) {
          filter = std::make_unique<RowResampler>(width, height, copy, ResampleFilter::Lanczos3);
        }
      },
      [&](const std::uint8_t* row) {
        if (filter) {
          filter->Push(row);
        } else {
          std::memcpy(copy.Row(next_row++), row, copy.Stride());
        }
      });
  ApplyOrientation(copy, plan.orientation);
  return copy;
}

}  // namespace

Raster MakeWebCopyImage(const std::string& source, std::int32_t box, FileStamp* stamp,
                        std::vector<std::uint8_t>* icc) {
  return DecodeCopy(source, box, stamp, icc, {});
}

std::vector<std::uint8_t> MakeWebCopyData(const std::string& source, std::int32_t box, int quality,
                                          std::string* failure) {
  // The thread's pixel store, kept from copy to copy as the file's bytes are.
  thread_local std::vector<std::uint8_t> kept;
  try {
    FileStamp stamp;
    std::vector<std::uint8_t> icc;
    Raster copy = DecodeCopy(source, box, &stamp, &icc, std::move(kept));
    // The copy tells nobody where the photograph was taken: its GPS flag is never recorded.
    // Progressive by frequency alone: the copy's encode would otherwise cost half its decode.
    std::vector<std::uint8_t> data =
        WriteJpeg(copy, std::clamp(quality, 0, 100), true,
                  MadeRecord(WebCopyRecordKind(), FileNamePart(source), stamp, box, box, quality),
                  icc, JpegProgression::Spectral);
    if (copy.pixels.capacity() <= kKeptCopyBytes) kept = std::move(copy.pixels);
    return data;
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
    const auto decoded_long = static_cast<std::uint64_t>(
        JpegEighthsSide(std::max(plan.width, plan.height), plan.eighths));
    const auto copy_long = static_cast<std::uint64_t>(std::max(out.width, out.height));
    const auto copy_short =
        static_cast<std::uint64_t>(std::max(1, std::min(out.width, out.height)));
    const std::uint64_t copy = copy_long * copy_short * 3;
    // The decode streams through the filter: its ring of float rows across the copy (a row of
    // taps, six source rows a target row spans, each way) and one decoded row of floats.
    const std::uint64_t filter =
        12 * copy_long * (6 * decoded_long / copy_short + 2) + 12 * decoded_long;
    // The copy, its upright turn and the encoder's coefficients (each within the copy's size).
    return 2 * size + 3 * copy + filter + JpegCoefficientBytes(head);
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

std::unordered_map<std::string, WebImage> ReadWebImages(
    const SiteSettings& settings, const std::vector<std::string>& images,
    const std::string& site_dir, const std::string& thumb_dir,
    const std::unordered_set<std::string>* recorded) {
  std::unordered_map<std::string, WebImage> web;
  for (const std::string& image : images) {
    WebImage& entry = web[image];
    const std::string copy = site_dir + WebCopyName(image);
    entry.copy = settings.Web_Image_Size > 0 && TakesWebCopy(image) &&
                 ((recorded && recorded->contains(copy)) || HasRecord(WebCopyRecordKind(), copy));
    entry.hidpi = settings.HiDPI_Thumbnails && FileExists(thumb_dir + HiDpiThumbnailName(image));
    if (!settings.Lazy_Loading) continue;
    ImageFileInfo info;
    if (ReadImageFileInfo(thumb_dir + ThumbnailName(image), 0, &info)) {
      entry.thumb_width = info.width;
      entry.thumb_height = info.height;
    }
    // Only display pages show the picture in a tag of their own.
    if (settings.DisplayAsImage) continue;
    if (ReadImageFileInfo(entry.copy ? copy : site_dir + image, 0, &info)) {
      entry.shown_width = info.width;
      entry.shown_height = info.height;
    }
  }
  return web;
}

}  // namespace parvel
