// Putting a page's pieces into its HTML template: the four markers, each replaced at its first
// occurrence, and the pop-up script that thumbnail pages need for the script-based display methods.
#pragma once

#include <string>
#include <string_view>

#include "model/sitesettings.h"
#include "templates/compliance.h"  // the four markers

namespace parvel {

// The script that defines openWin(url, name), eight lines each ended by CR LF.
inline constexpr std::string_view kPopupScript =
    "<script language=\"JavaScript\">\r\n"
    "<!-- \r\n"
    "function openWin(url,name) \r\n"
    "{\r\n"
    "   popupWin = window.open(url, name,\"resizable=yes,scrollbars=yes\");\r\n"
    "}\r\n"
    "// -->\r\n"
    "</script>\r\n";

// `source` with the first occurrence of `find` (exact case) replaced by `replace`; unchanged when
// `find` does not occur or is empty.
std::string ReplaceString(std::string_view source, std::string_view find, std::string_view replace);

// The page: the template with, in this order, the first "***CONTENT***", "***INDEX***",
// "***HEADER***" and "***FOOTER***" replaced by their pieces (a later marker that arrives inside
// an earlier piece is the one replaced; an absent marker drops its piece). With `add_script` and
// Image_Display_Method 2 or 3, kPopupScript goes before the first "</HEAD>", "</Head>" or
// "</head>" (looked for in that order), or else in front of the content. Thumbnail pages pass
// `add_script` true, image display pages false.
std::string SpliceText(const SiteSettings& settings, std::string_view page_template,
                       std::string_view content, std::string_view index, std::string_view header,
                       std::string_view footer, bool add_script);

}  // namespace parvel
