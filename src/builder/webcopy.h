// Web-ready files beside a site's pictures: a display copy of each JPEG picture, sized for
// screens and stripped of its metadata, in the rotation's "web/" folder; and thumbnails for
// high-density screens ("NAME_thb@2x.jpg" beside "NAME_thb.jpg").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "builder/pagecontext.h"
#include "builder/thumbnail.h"
#include "imaging/raster.h"
#include "platform/filesystem.h"

namespace parvel {

// The folder of the display copies inside the rotation folder.
inline constexpr std::string_view kWebFolder = "web/";

// "web/NAME.jpg" for the picture "NAME.ext" (the name less its extension, as for thumbnails).
std::string WebCopyName(std::string_view image_file_name);

// "NAME_thb@2x.jpg": the thumbnail name with "@2x" before ".jpg".
std::string HiDpiThumbnailName(std::string_view image_file_name);

// Whether a picture gets a display copy: JPEG pictures do; GIF pictures (which may be animated)
// and every other format are shown as they are.
bool TakesWebCopy(std::string_view image_file_name);

// Display copies carry a record as thumbnails do ("Parvel display copy " and a digest), and only
// a file with such a record is the program's.
const RecordKind& WebCopyRecordKind();

// The size of a `width` x `height` picture's copy in a `box` x `box` square: the picture's own
// size when it fits (never enlarged), else the thumbnail size rule.
ThumbSize WebCopySize(std::int32_t width, std::int32_t height, std::int32_t box);

// The copy of the JPEG `source` as pixels: decoded at the smallest eighths scale that still
// covers the copy's size, reduced with the Lanczos-3 filter as the rows arrive and turned upright
// by its EXIF orientation. `icc` receives the picture's RGB colour profile (empty when none or not
// RGB). Raises when the picture cannot be read; safe on any thread.
Raster MakeWebCopyImage(const std::string& source, std::int32_t box, FileStamp* stamp,
                        std::vector<std::uint8_t>* icc);

// The encoded copy (progressive, at `quality`, with the record comment and the colour profile as
// its only metadata). Empty when anything fails, with the reason in `failure`; never raises.
std::vector<std::uint8_t> MakeWebCopyData(const std::string& source, std::int32_t box, int quality,
                                          std::string* failure = nullptr);

// The peak memory MakeWebCopyData holds for `source`, from its headers (see
// EstimateThumbnailMemory): the file, the decoder's coefficients, the filter's rows and the copy.
std::uint64_t EstimateWebCopyMemory(const std::string& source, std::int32_t box);

// Whether a picture whose upright size is `width` x `height` gets a thumbnail for twice the
// density: it must be at least twice the 1x thumbnail in both directions.
bool TakesHiDpiThumbnail(std::int32_t width, std::int32_t height, std::int32_t box_width,
                         std::int32_t box_height);

// What the pages show of each image under the web-ready options, from the files a build left:
// its display copy (web/NAME.jpg with the program's record) with copies on, its 2x thumbnail
// with 2x thumbnails on, and with lazy loading the sizes of the thumbnail and of the file a
// display page shows. `recorded`, when given, holds display copies (full paths) known to carry
// the program's record, which are not read again.
std::unordered_map<std::string, WebImage> ReadWebImages(
    const SiteSettings& settings, const std::vector<std::string>& images,
    const std::string& site_dir, const std::string& thumb_dir,
    const std::unordered_set<std::string>* recorded = nullptr);

}  // namespace parvel
