#include "builder/pageindex.h"

#include "builder/fragments.h"
#include "builder/htmlsafe.h"
#include "builder/pagenames.h"

namespace parvel {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

std::string Link(std::string_view base_html_name, int page) {
  return "<A HREF=\"" + AttrUrl(HtmlPageName(base_html_name, page)) + "\">";
}

std::string Image(const std::string& file_name) {
  return "<IMG SRC=\"" + AttrUrl(file_name) + "\" BORDER=0>";
}

std::string ButtonEntry(std::string_view base_html_name, const ButtonExtensions& extensions,
                        int page, bool current) {
  if (current) return Image(CurrentPageButtonName(page, extensions.current));
  return Link(base_html_name, page) + Image(OtherPageButtonName(page, extensions.other)) + "</A>";
}

// Size, bold and italic always come from the index group; only the face differs: the page being
// shown uses the index face, the other pages the text face.
std::string TextEntry(const SiteSettings& s, std::string_view base_html_name, int page,
                      bool current) {
  const std::string label = PageLabel(s, page);
  const std::string& face = current ? s.Index_Font : s.Default_Font;
  const bool default_face = current ? s.index_font_default : s.default_font_default;
  const std::string open = FontString(s, face, default_face, true, false, true);
  const std::string close = FontString(s, face, default_face, false, false, true);
  const std::string inner = current ? ColourString(s.Displayed_Page_Text_Colour, true) + label +
                                          ColourString(s.Displayed_Page_Text_Colour, false)
                                    : Link(base_html_name, page) + label + "</A>";
  return open + getEnclosurecharacter(s, true) + inner + getEnclosurecharacter(s, false) + close;
}

}  // namespace

std::string CurrentPageButtonName(int page, std::string_view extension) {
  return "Page_Button_On_" + std::to_string(page) + std::string(extension);
}

std::string OtherPageButtonName(int page, std::string_view extension) {
  return "Page_Button_" + std::to_string(page) + std::string(extension);
}

std::string PageLabel(const SiteSettings& settings, int page) {
  return settings.Page_Number_Prefix + std::to_string(page);
}

PageIndex::PageIndex(const SiteSettings& settings, std::string_view base_html_name,
                     const ButtonExtensions& extensions, int page_count, bool use_buttons)
    : settings_(settings),
      base_html_name_(base_html_name),
      extensions_(extensions),
      use_buttons_(use_buttons) {
  others_.reserve(static_cast<size_t>(page_count > 0 ? page_count : 0));
  for (int page = 1; page <= page_count; ++page) {
    others_.push_back(use_buttons ? ButtonEntry(base_html_name, extensions, page, false)
                                  : TextEntry(settings, base_html_name, page, false));
  }
}

std::string PageIndex::For(Interaction& ui, int current_page) const {
  ui.Status("Creating Index for Page " + std::to_string(current_page));
  const bool vertical = settings_.Index_Layout == IndexLayout::Vertical;
  std::string index = "<TABLE>";
  index += kLineEnd;
  if (!vertical) (index += "<TR>") += kLineEnd;
  for (int page = 1; page <= static_cast<int>(others_.size()); ++page) {
    if (vertical) (index += "<TR>") += kLineEnd;
    (index += "<TD>") += kLineEnd;
    if (page == current_page) {
      index += use_buttons_ ? ButtonEntry(base_html_name_, extensions_, page, true)
                            : TextEntry(settings_, base_html_name_, page, true);
    } else {
      index += others_[static_cast<size_t>(page - 1)];
    }
    index += kLineEnd;
    (index += "</TD>") += kLineEnd;
    if (vertical) (index += "</TR>") += kLineEnd;
  }
  if (!vertical) (index += "</TR>") += kLineEnd;
  (index += "</TABLE>") += kLineEnd;
  return index;
}

std::string CreateIndex(Interaction& ui, const SiteSettings& settings,
                        std::string_view base_html_name, const ButtonExtensions& extensions,
                        int current_page, int page_count, bool use_buttons) {
  return PageIndex(settings, base_html_name, extensions, page_count, use_buttons)
      .For(ui, current_page);
}

}  // namespace parvel
