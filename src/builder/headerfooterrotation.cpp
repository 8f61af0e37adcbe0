#include "builder/headerfooterrotation.h"

#include "base/textutil.h"
#include "templates/listfile.h"

namespace parvel {

HeaderFooterRotation::HeaderFooterRotation(const SiteSettings& settings,
                                           const TemplateMarkers& markers)
    : settings_(settings), markers_(markers) {}

void HeaderFooterRotation::Clear() {
  headers_ = ListCache();
  footers_ = ListCache();
}

void HeaderFooterRotation::ResetPositions() {
  headers_.position = 0;
  footers_.position = 0;
}

std::optional<std::string> HeaderFooterRotation::NextHeaderFooter(HeaderOrFooter which,
                                                                  PageKind page) {
  const SiteSettings& s = settings_;
  const bool isHeader = which == HeaderOrFooter::Header;
  const MarkerFlags& flags = markers_.For(page);
  if (!(isHeader ? flags.header : flags.footer)) return std::string();

  const HeaderMode mode = isHeader ? s.Header_Mode : s.Footer_Mode;
  const std::string& html = isHeader ? s.Header_HTML : s.Footer_HTML;
  const std::string& list = isHeader ? s.Header_File : s.Footer_File;
  if (page == PageKind::Thumbnail) {
    if (mode == HeaderMode::None) return std::string();
    return Fetch(html, list, mode == HeaderMode::Html, isHeader);
  }

  const ImageHeaderMode image_mode = isHeader ? s.Image_Header_Mode : s.Image_Footer_Mode;
  if (image_mode == ImageHeaderMode::None) return std::string();
  if (image_mode == ImageHeaderMode::SameAsIndex) {
    if (mode == HeaderMode::None) return std::string();
    return Fetch(html, list, mode == HeaderMode::Html, isHeader);
  }
  return Fetch(isHeader ? s.Image_Header_HTML : s.Image_Footer_HTML,
               isHeader ? s.Image_Header_File : s.Image_Footer_File,
               image_mode == ImageHeaderMode::Html, isHeader);
}

std::optional<std::string> HeaderFooterRotation::Fetch(const std::string& html,
                                                       const std::string& list, bool fixed,
                                                       bool isHeader) {
  if (fixed) return JoinHeaderFooter(html);

  ListCache& cache = isHeader ? headers_ : footers_;
  const std::string wanted = UpperAscii(list);
  if (wanted != cache.loaded_path) {
    cache.loaded_path = wanted;
    // An empty name keeps whatever list was loaded before, with its position.
    if (!wanted.empty()) {
      cache.position = 0;
      if (!LoadHeaderFooterList(list, &cache.text, &cache.entries)) cache.entries.clear();
    }
  }
  // No message here: the page fails with the fetch and the build driver reports that once.
  if (cache.entries.empty()) return std::nullopt;
  if (cache.position >= cache.entries.size()) cache.position = 0;
  const auto [offset, length] = cache.entries[cache.position++];
  return JoinHeaderFooter(std::string_view(cache.text).substr(offset, length));
}

}  // namespace parvel
