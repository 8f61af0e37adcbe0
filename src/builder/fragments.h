// The small HTML pieces every page maker shares: font, colour and link-enclosure tags built from
// the page settings, a colour's HTML form, the page heading, the three-cell navigation bar, the
// credits comment and the promotional link line. All are pure text; none touches a file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "model/colour.h"
#include "model/sitesettings.h"

namespace parvel {

// The maker's web site that the credits and the promotional line point to.
inline constexpr std::string_view kMakerSiteUrl = "https://www.example.com/parvel/";

// A relative font size as HTML writes it: "-2", "-1", "+1" .. "+4"; empty for 0.
std::string FontSizeText(int size);

// The opening (`opening`) or closing tags of a font group. The face tag <FONT FACE="face"> (the
// face HTML-escaped) is used unless `default_font` is set or `face` is empty; unless `face_only`,
// the size, italic and bold tags of the index group (`index_group`) or the text group wrap it,
// outermost first: size, <I>, <B>, face. Closing tags nest inside-out. A size outside -2..4 counts
// as 0.
std::string FontString(const SiteSettings& settings, std::string_view face, bool default_font,
                       bool opening, bool face_only, bool index_group);

// <FONT COLOR="#RRGGBB"> or </FONT>; empty both ways for a Default colour.
std::string ColourString(const Colour& colour, bool opening);

// "#" and red, green, blue as upper-case hex pairs from a 0x00BBGGRR value; the top byte is
// ignored. Every 32-bit value converts, so this never fails and never shows a message.
std::string ColorToHtmlHex(std::uint32_t colour);

// The opening or closing link-enclosure characters of Link_Enclosure ("&lt; " / "&gt;", ...),
// wrapped in Link_Enclosure_Colour unless that is Default. Empty for 0 or no valid choice.
std::string getEnclosurecharacter(const SiteSettings& settings, bool opening);

// The two comment lines, each ended by CR LF, that open the content of every page.
std::string KorrinCredits();

// A source of draws 0..4 for GetKorrinLink.
using KorrinDraw = std::function<int()>;
// Re-seeds a generator from the clock and draws 0..4 uniformly.
int DrawFromClock();
// One centred promotional line with a link to the maker's site. The draw picks the sentence:
// 1 the first, 3 the second, 4 the third, anything else (0, 2) the fourth.
std::string GetKorrinLink(const KorrinDraw& draw = DrawFromClock);

// <center><Hn>...</Hn></center> with n = Page_Position_Heading_Size + 1 (a size outside 0..3
// counts as 0), the text in Heading_Colour and the face of Default_Font, never size or style
// tags. `text` is ready HTML: a heading made from a file name is passed through TextFromFileName.
std::string CreateHeading(const SiteSettings& settings, std::string_view text);

// The previous / index / next bar: a centred three-cell table, lines joined by CR LF, no line
// end after the last. Empty when ImageNavigationBar is off and `force` is false. An empty link
// gives the cell "&nbsp;". With previous/next image buttons on, a cell whose graphic
// (Previous_Page_File, Return_To_Index_File, Next_Page_File) is set shows that graphic by its
// bare file name; other cells are text links in the text font, the index link inside the link
// enclosure. Links are ready attribute values (already made safe by the caller); captions are
// ready HTML, also safe inside a double-quoted ALT attribute.
struct NavigationLinks {
  std::string_view prev_link{};
  std::string_view prev_caption{};
  std::string_view index_link{};
  std::string_view index_caption{};
  std::string_view next_link{};
  std::string_view next_caption{};
  bool force = false;  // shown even with ImageNavigationBar off (the thumbnail pages' bar)
};
std::string NavigationString(const SiteSettings& settings, const NavigationLinks& links);

}  // namespace parvel
