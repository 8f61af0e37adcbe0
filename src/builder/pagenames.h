// File names of the pages a build writes.
#pragma once

#include <string>
#include <string_view>

namespace parvel {

// The file name of thumbnail page `page` (from 1): the site's main page name for page 1, else its
// name without extension + the page number + its extension ("Index.html", "Index2.html", ...).
std::string HtmlPageName(std::string_view base_html_name, int page);

// The file name of an image's display page: the image name without its extension + the
// extension of the main page name ("photo.jpg" with "Index.html" gives "photo.html").
std::string DisplayPageName(std::string_view image_name, std::string_view base_html_name);

}  // namespace parvel
