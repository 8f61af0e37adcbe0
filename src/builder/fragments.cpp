#include "builder/fragments.h"

#include <chrono>
#include <random>

#include "builder/htmlsafe.h"
#include "model/paths.h"

namespace parvel {
namespace {

constexpr std::string_view kCrLf = "\r\n";

struct StyleGroup {
  int size;
  bool bold;
  bool italic;
};

StyleGroup GroupOf(const SiteSettings& settings, bool index_group) {
  StyleGroup group = index_group
                         ? StyleGroup{settings.Index_Font_Size, settings.Index_Font_Bold,
                                      settings.Index_Font_Italics}
                         : StyleGroup{settings.Default_Font_Size, settings.Default_Font_Bold,
                                      settings.Default_Font_Italics};
  // A size with no valid choice is the default size, as the next settings check will make it.
  if (!kFontSizeChoices.Holds(group.size)) group.size = 0;
  return group;
}

std::string MakerLink(std::string_view product) {
  return "<A HREF=\"" + std::string(kMakerSiteUrl) + "\" target=\"_blank\">" +
         std::string(product) + "</A>";
}

enum class Cell { Previous, Index, Next };

std::string NavigationCell(const SiteSettings& settings, Cell cell, std::string_view link,
                           std::string_view caption) {
  if (link.empty()) return "&nbsp;";
  const std::string& graphic = cell == Cell::Previous ? settings.Previous_Page_File
                               : cell == Cell::Index  ? settings.Return_To_Index_File
                                                      : settings.Next_Page_File;
  const std::string href = "<a href=\"" + std::string(link) + "\">";
  if (settings.prev_next_image_buttons && !graphic.empty()) {
    return href + "<img SRC=\"" + AttrUrl(FileNamePart(graphic)) + "\" ALT=\"" +
           std::string(caption) + "\" BORDER=0></a>";
  }
  const std::string& face = settings.Default_Font;
  const bool default_face = settings.default_font_default;
  const std::string open = FontString(settings, face, default_face, true, false, false);
  const std::string close = FontString(settings, face, default_face, false, false, false);
  if (cell != Cell::Index) return href + open + std::string(caption) + close + "</a>";
  return open + getEnclosurecharacter(settings, true) + href + std::string(caption) + "</a>" +
         getEnclosurecharacter(settings, false) + close;
}

}  // namespace

std::string FontSizeText(int size) {
  if (size == 0) return {};
  std::string text = std::to_string(size);
  if (size > 0) text.insert(text.begin(), '+');
  return text;
}

std::string FontString(const SiteSettings& settings, std::string_view face, bool default_font,
                       bool opening, bool face_only, bool index_group) {
  const bool face_tag = !default_font && !face.empty();
  const StyleGroup group = GroupOf(settings, index_group);
  std::string tags;
  if (opening) {
    if (face_tag) tags = "<FONT FACE=\"" + AttrText(face) + "\">";
    if (face_only) return tags;
    if (group.bold) tags.insert(0, "<B>");
    if (group.italic) tags.insert(0, "<I>");
    if (group.size != 0) tags.insert(0, "<FONT SIZE=" + FontSizeText(group.size) + ">");
  } else {
    if (face_tag) tags = "</FONT>";
    if (face_only) return tags;
    if (group.bold) tags += "</B>";
    if (group.italic) tags += "</I>";
    if (group.size != 0) tags += "</FONT>";
  }
  return tags;
}

std::string ColourString(const Colour& colour, bool opening) {
  if (colour.IsDefault()) return {};
  return opening ? "<FONT COLOR=\"" + ColorToHtmlHex(colour.Value()) + "\">" : "</FONT>";
}

std::string ColorToHtmlHex(std::uint32_t colour) {
  return ColourHexText(colour);
}

std::string getEnclosurecharacter(const SiteSettings& settings, bool opening) {
  static constexpr std::string_view kOpening[] = {"", "&lt; ", "&gt;", "[ ", "- "};
  static constexpr std::string_view kClosing[] = {"", "&gt;", " &lt;", " ]", " -"};
  if (!kLinkEnclosureChoices.Holds(settings.Link_Enclosure)) return {};
  const std::string_view characters =
      (opening ? kOpening : kClosing)[static_cast<size_t>(settings.Link_Enclosure)];
  if (characters.empty()) return {};
  return ColourString(settings.Link_Enclosure_Colour, true) + std::string(characters) +
         ColourString(settings.Link_Enclosure_Colour, false);
}

std::string KorrinCredits() {
  return "<!-- HTML created with Parvel Pro Rapid Parvel Creation software -->\r\n"
         "<!-- For more information visit the Parvel Pro web site at " +
         std::string(kMakerSiteUrl) + " -->\r\n";
}

int DrawFromClock() {
  std::mt19937 generator(static_cast<std::mt19937::result_type>(
      std::chrono::steady_clock::now().time_since_epoch().count()));
  return std::uniform_int_distribution<int>(0, 4)(generator);
}

std::string GetKorrinLink(const KorrinDraw& draw) {
  std::string sentence;
  switch (draw()) {
    case 1:
      sentence = "These picture pages were made with " + MakerLink("Parvel Pro");
      break;
    case 3:
      sentence = "Build your own picture web site in minutes with " + MakerLink("Parvel Pro");
      break;
    case 4:
      sentence =
          "Thumbnails and pages by " + MakerLink("Parvel Pro Rapid Parvel Creation software");
      break;
    default:
      sentence = "Picture site created with " + MakerLink("Parvel Pro") + " - try it yourself";
      break;
  }
  return "<CENTER><B><FONT FACE=\"Times New Roman,Times\"><FONT SIZE=-1>" + sentence +
         "</FONT></FONT></B></CENTER>";
}

std::string CreateHeading(const SiteSettings& settings, std::string_view text) {
  const int size = kHeadingSizeChoices.Holds(settings.Page_Position_Heading_Size)
                       ? settings.Page_Position_Heading_Size
                       : 0;
  const std::string level = std::to_string(size + 1);
  const Colour& colour = settings.Heading_Colour;
  const std::string& face = settings.Default_Font;
  const bool default_face = settings.default_font_default;
  return "<center><H" + level + ">" + ColourString(colour, true) +
         FontString(settings, face, default_face, true, true, false) + std::string(text) +
         FontString(settings, face, default_face, false, true, false) +
         ColourString(colour, false) + "</H" + level + "></center>";
}

std::string NavigationString(const SiteSettings& settings, const NavigationLinks& links) {
  const auto& [prev_link, prev_caption, index_link, index_caption, next_link, next_caption, force] =
      links;
  if (!settings.ImageNavigationBar && !force) return {};
  std::string bar =
      "<center><table COLS=3 border=\"0\" cellpadding=\"3\" cellspacing=\"4\" width=\"90%\">";
  bar += kCrLf;
  bar += "<tr>";
  bar += kCrLf;
  bar += "<td>" + NavigationCell(settings, Cell::Previous, prev_link, prev_caption) + "</td>";
  bar += kCrLf;
  bar += "<td><p align=\"center\">" +
         NavigationCell(settings, Cell::Index, index_link, index_caption) + "</p></td>";
  bar += kCrLf;
  bar += "<td><p align=\"right\">" + NavigationCell(settings, Cell::Next, next_link, next_caption) +
         "</p></td>";
  bar += kCrLf;
  bar += "</tr>";
  bar += kCrLf;
  bar += "</table></center>";
  return bar;
}

}  // namespace parvel
