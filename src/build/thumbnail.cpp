#include "build/thumbnail.h"

#include <algorithm>
#include <limits>

#include "imaging/PGraphic.h"
#include "model/paths.h"

namespace parvel {

// The size rule is defined on 80-bit extended precision (64-bit mantissa): 1280 / (1280 / 150)
// is just below 150 there and exactly 150 in double precision, so a 1280x960 photo gets a 149
// pixel wide thumbnail. A port to a platform whose long double is not the x87 extended type must
// emulate that format for these divisions.
static_assert(std::numeric_limits<long double>::digits == 64,
              "thumbnail sizes need 80-bit extended precision divisions");

std::string ThumbnailName(std::string_view image_file_name) {
  return changeextension(image_file_name, "_thb.jpg");
}

ThumbSize calculatedimensions(std::int32_t width, std::int32_t height, std::int32_t box_width,
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

namespace {

// Decodes and scales the source into `thumb`; raises on any failure.
void MakeThumbnail(const std::string& source, std::int32_t box_width, std::int32_t box_height,
                   TPixelGraphic& thumb) {
  if (IsJPEGFileName(source)) {
    LoadJPEGScaled(source, box_width, box_height, thumb);
    if (thumb.Width() <= 0 || thumb.Height() <= 0) throw EPixelGraphic("empty image");
    const ThumbSize size =
        calculatedimensions(thumb.Width(), thumb.Height(), box_width, box_height);
    TPixelGraphic scaled;
    scaled.SetStretchMode(smMedium);
    scaled.SetSize(size.width, size.height);
    ResampleFrom(scaled, thumb);
    thumb.Assign(scaled);
    return;
  }
  TPixelGraphic loaded;
  loaded.SetFastJPEGDecode(true);
  loaded.LoadFromFile(source);
  if (loaded.Width() <= 0 || loaded.Height() <= 0) throw EPixelGraphic("empty image");
  const ThumbSize size =
      calculatedimensions(loaded.Width(), loaded.Height(), box_width, box_height);
  thumb.SetSize(size.width, size.height);
  ResampleFrom(thumb, loaded);
}

}  // namespace

bool createthumbnail(Interaction& ui, const std::string& source, const std::string& target,
                     std::int32_t box_width, std::int32_t box_height, int quality) {
  bool written = false;
  {
    BusyCursor busy(ui);
    try {
      TPixelGraphic thumb;
      MakeThumbnail(source, box_width, box_height, thumb);
      written = savetojpeg(thumb, target, quality, true);
    } catch (const std::exception&) {
      written = false;
    }
  }
  if (written) return true;
  return ui.Message(MessageKind::Warning, kThumbnailErrorQuestion, Buttons::YesNo) == Answer::Yes;
}

}  // namespace parvel
