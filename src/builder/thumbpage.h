// Thumbnail pages: the link of each thumbnail for every display method, the caption under it,
// the thumbnail table with its previous/next bar, and the page spliced into its template.
// Every file name goes into the page through htmlsafe.h; texts the user wrote as HTML stay raw.
#pragma once

#include <string>
#include <string_view>

#include "builder/pagecontext.h"
#include "model/sitesettings.h"

namespace parvel {

// The pop-up window name for link target `target`: "show_", each character of its bare file name
// lower-cased and kept when a-z or 0-9, else "_", then "_window".
std::string WindowName(std::string_view target);

// The name of the one window that display method 3 shows every picture in. An empty name would
// make the browser open a new window for each click.
inline constexpr std::string_view kSharedWindowName = "show_picture_window";

// What goes between the quotes after href= for link target `target` (a bare file name) by
// Image_Display_Method: the URL (0 or no valid choice), the URL with a Target="_blank" attribute
// (1), or a javascript:openWin call with a window of its own (2) or the one shared window (3).
// The result is ready for the attribute.
std::string GetHREF(const SiteSettings& settings, std::string_view target);

// The link target of `image`: the image itself with DisplayAsImage, else its display page. With
// `as_link`, the href value of that target (GetHREF); else the bare name.
std::string GetImageLinkName(const PageContext& ctx, std::string_view image, bool as_link);

// The file the site shows for `image`: its display copy ("web/NAME.jpg") when it has one, else
// the picture itself.
std::string ShownImageName(const PageContext& ctx, std::string_view image);

// `text` cut to its first `max_length` - 3 characters and "..." when longer than `max_length`
// characters (UTF-8 sequences count as one character and are never split).
std::string ShortenText(std::string_view text, int max_length);

// The caption of `image` as ready HTML, by Filename_Display: empty for None; the name without
// extension (HideExt) or with it (Normal), shortened to max_filename_length; the description as
// the user wrote it (DescriptionFile), or the whole name when none is found and
// ShowFilenameWhenNoDesc is on.
std::string GetDisplayFilename(const PageContext& ctx, std::string_view image);

// The thumbnail's src value, ready for the attribute: "./thumbs/" + the thumbnail name with
// use_thumbs_directory, else the thumbnail name.
std::string ThumbnailReference(const PageContext& ctx, std::string_view image);

// The previous and next slots of a thumbnail page's bar; targets are bare page names, empty
// where there is no such page.
struct ThumbNavigation {
  std::string prev_target;
  std::string prev_label;
  std::string next_target;
  std::string next_label;
};
// The slots of page `page` (from 1) of `page_count`; labels count the images per page of the
// settings and, on the way to the last page, the images left for it.
ThumbNavigation ThumbNavigationFor(const PageContext& ctx, int page, int page_count);

// The HTML that replaces "***CONTENT***" on page `page`: credits, optional page heading, the
// table of the page's thumbnails from image `first_image` on, optional promotional line and the
// bar (always shown). Targets are bare page names. Empty when it cannot be built.
std::string CreateThumbGrid(const PageContext& ctx, int page, int first_image,
                            std::string_view prev_target, std::string_view prev_label,
                            std::string_view next_target, std::string_view next_label);

// Writes thumbnail page `page` of `page_count` (its first image at `first_image`) to `target`:
// Style_File spliced with the table (none in no_thumbnail_mode), `index_html`, and the next
// header then footer. False when the template cannot be read, the table is empty, a header or
// footer cannot be had, or the write fails; the old file then stays whole.
bool createHTMLThumbpage(const PageContext& ctx, const std::string& target, int page,
                         int page_count, int first_image, std::string_view index_html);

// Reads a page template (Style_File or Image_Style_File); false when it cannot be read.
bool ReadPageTemplate(const std::string& path, std::string* text);

// Writes a finished page to `path` with every line ending in CR LF, the last one included,
// replacing the file in one step, unless it holds those bytes already. False when the write fails.
// Counts the page in `writes` (when given) as written or unchanged.
bool WritePage(const std::string& path, std::string_view page, PageWrites* writes = nullptr);

// `page` as WritePage writes it: every line ending in CR LF, the last one included.
std::string PageText(std::string_view page);

// A finished page of `ctx` to `path`: to ctx.sink when set (true), else WritePage.
bool EmitPage(const PageContext& ctx, const std::string& path, std::string_view page);

}  // namespace parvel
