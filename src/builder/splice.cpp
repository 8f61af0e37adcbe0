#include "builder/splice.h"

namespace parvel {

std::string ReplaceString(std::string_view source, std::string_view find,
                          std::string_view replace) {
  // An empty search text occurs nowhere: inserting at the front would be a surprise.
  const size_t at = find.empty() ? std::string_view::npos : source.find(find);
  if (at == std::string_view::npos) return std::string(source);
  std::string result;
  result.reserve(source.size() - find.size() + replace.size());
  result.append(source.substr(0, at));
  result.append(replace);
  result.append(source.substr(at + find.size()));
  return result;
}

std::string SpliceText(const SiteSettings& settings, std::string_view page_template,
                       std::string_view content, std::string_view index, std::string_view header,
                       std::string_view footer, bool add_script) {
  std::string text(page_template);
  std::string page_content(content);

  const bool script_method = settings.Image_Display_Method == DisplayMethod::NewWindowScript ||
                             settings.Image_Display_Method == DisplayMethod::SecondWindow;
  if (add_script && script_method) {
    bool placed = false;
    // Only these spellings count; a head closed as "</hEAD>" gets the script with the content.
    for (std::string_view head_end : {"</HEAD>", "</Head>", "</head>"}) {
      if (text.find(head_end) == std::string::npos) continue;
      text = ReplaceString(text, head_end, std::string(kPopupScript) + std::string(head_end));
      placed = true;
      break;
    }
    if (!placed) page_content.insert(0, kPopupScript);
  }

  text = ReplaceString(text, kContentMarker, page_content);
  text = ReplaceString(text, kIndexMarker, index);
  text = ReplaceString(text, kHeaderMarker, header);
  text = ReplaceString(text, kFooterMarker, footer);
  return text;
}

}  // namespace parvel
