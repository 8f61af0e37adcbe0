// What a build hands the page makers (thumbnail pages and image display pages): the settings,
// the site's names and image list, the application options they read, and the build's header
// rotation and description lookup. The build owns everything referred to here and outlives it.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "builder/descriptions.h"
#include "builder/fragments.h"
#include "builder/headerfooterrotation.h"
#include "model/sitesettings.h"

namespace parvel {

// How many pages a build wrote and how many already held their bytes and were left as they were.
struct PageWrites {
  std::int64_t written = 0;
  std::int64_t unchanged = 0;
};

// What the web-ready options add to one image's tags.
struct WebImage {
  bool copy = false;   // links and display pages show web/NAME.jpg instead of the picture
  bool hidpi = false;  // NAME_thb@2x.jpg lies beside the thumbnail
  // The sizes of the thumbnail and of the file a display page shows (for lazy loading); 0 x 0
  // when they could not be read.
  std::int32_t thumb_width = 0;
  std::int32_t thumb_height = 0;
  std::int32_t shown_width = 0;
  std::int32_t shown_height = 0;
};

struct PageContext {
  // The page settings of the rotation being built.
  const SiteSettings& settings;
  // The site directory (Rotation_Path) with a trailing "/": the images lie here, pages go here.
  std::string site_dir{};
  // The site's main page name (BaseHTMLName, "Index.html" unless set otherwise).
  std::string base_html_name{};
  // Bare image file names in build order, after exclusions; index 0 is page 1's first thumbnail.
  std::vector<std::string> images{};
  // Application option: thumbnails lie in the "thumbs" folder of the site.
  bool use_thumbs_directory = true;
  // Application option: longest caption made from a file name (999: no limit).
  int max_filename_length = 15;
  // The site has no images and thumbnail pages are made without a thumbnail table.
  bool no_thumbnail_mode = false;
  // The build's header/footer rotation, shared by both page kinds; null: no headers or footers.
  HeaderFooterRotation* headers = nullptr;
  // The build's description lookup; null unless Filename_Display is DescriptionFile.
  const DescriptionFile* descriptions = nullptr;
  // Picks the sentence of the promotional link line; tests pass a fixed draw.
  KorrinDraw draw = DrawFromClock;
  // Where a page maker puts the text of an exception that ended its page; null: not kept.
  std::string* failure = nullptr;
  // Where the page makers count the pages written and left as they were; null: not counted.
  PageWrites* writes = nullptr;
  // When set, a finished page goes here (its path and its text as WritePage would write it)
  // instead of to the disk: the build composes its pages once before writing anything, to tell
  // which existing files already hold them.
  std::function<void(const std::string& path, const std::string& text)> sink{};
  // By image name, what the web-ready options add; null when they are all off (the pages are
  // then as they always were).
  const std::unordered_map<std::string, WebImage>* web = nullptr;
};

// The web-ready additions for `image`, or null.
inline const WebImage* WebImageOf(const PageContext& ctx, const std::string& image) {
  if (ctx.web == nullptr) return nullptr;
  const auto found = ctx.web->find(image);
  return found == ctx.web->end() ? nullptr : &found->second;
}

// Keeps the text of an exception that ended a page in ctx.failure.
inline void KeepFailure(const PageContext& ctx, const std::exception& e) {
  if (ctx.failure) *ctx.failure = e.what();
}

}  // namespace parvel
