// Image display pages: one page per image with the full-size image centred, an optional heading,
// the promotional line, and a previous / index / next bar over the whole image list.
#pragma once

#include <string>
#include <string_view>

#include "builder/pagecontext.h"

namespace parvel {

// The size attributes of the image file `path` fitted into Image_Width x Image_Height (an image
// smaller than both keeps its size): " WIDTH=w HEIGHT=h " with a trailing blank. An EXIF-rotated
// photo counts with its upright size. Empty when max_image_size is off or the file's size cannot
// be read.
std::string ImageSizeAttributes(const SiteSettings& settings, const std::string& path);

// Writes the display page of image `imageIndex` (from 0 in ctx.images) to `outFile`:
// Image_Style_File spliced with the image block, `indexText`, and the next image-page header then
// footer. `pageNumber` (from 1) is the thumbnail page that holds the image. False, without a
// message, when the template cannot be read, the index is out of range, a header or footer cannot
// be had, or the write fails; the old file then stays whole.
bool createHTMLImagepage(const PageContext& ctx, const std::string& outFile, int imageIndex,
                         int pageNumber, std::string_view indexText);

}  // namespace parvel
