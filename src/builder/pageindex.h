// The page index: a small table with one entry per thumbnail page, made of text links or of the
// page buttons the button pass draws, and the file names of those buttons.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/sitesettings.h"
#include "platform/interaction.h"

namespace parvel {

// The extension (".jpg" or ".gif") each kind of button was last saved with. ".gif" until a
// button of that kind has been made; CreateButton decides it from the background's depth.
struct ButtonExtensions {
  std::string current = ".gif";  // buttons of the page being shown
  std::string other = ".gif";    // buttons of a page as seen from the other pages
};

// "Page_Button_On_" + page + extension: the button of `page` on that page itself.
std::string CurrentPageButtonName(int page, std::string_view extension);
// "Page_Button_" + page + extension: the button of `page` on every other page.
std::string OtherPageButtonName(int page, std::string_view extension);

// The label of a page: Page_Number_Prefix followed by the number in decimal.
std::string PageLabel(const SiteSettings& settings, int page);

// The index HTML for the page `current_page` (from 1) of a site with `page_count` thumbnail pages,
// laid out by Index_Layout, with CR LF after every tag line and entry. `use_buttons` chooses the
// buttons (named with `extensions`) over text links; links go to the page names made from
// `base_html_name`. Shows "Creating Index for Page " + current_page as the status. Never fails.
std::string CreateIndex(Interaction& ui, const SiteSettings& settings,
                        std::string_view base_html_name, const ButtonExtensions& extensions,
                        int current_page, int page_count, bool use_buttons);

// The index of every page of one build. Its entries are made once: the index of one page differs
// from the next only in which entry is the current one, and a site of thousands of images would
// otherwise remake every entry for every page.
class PageIndex {
 public:
  PageIndex(const SiteSettings& settings, std::string_view base_html_name,
            const ButtonExtensions& extensions, int page_count, bool use_buttons);
  // Exactly CreateIndex's text and status for `current_page`.
  std::string For(Interaction& ui, int current_page) const;

 private:
  SiteSettings settings_;
  std::string base_html_name_;
  ButtonExtensions extensions_;
  bool use_buttons_;
  std::vector<std::string> others_;  // the entry of each page as the other pages show it
};

}  // namespace parvel
