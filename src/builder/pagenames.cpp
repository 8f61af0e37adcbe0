#include "builder/pagenames.h"

#include "model/paths.h"

namespace parvel {

std::string HtmlPageName(std::string_view base_html_name, int page) {
  if (page <= 1) return std::string(base_html_name);
  const std::string extension = ExtensionPart(base_html_name);
  return ChangeExtension(base_html_name, std::to_string(page) + extension);
}

std::string DisplayPageName(std::string_view image_name, std::string_view base_html_name) {
  return ChangeExtension(image_name, ExtensionPart(base_html_name));
}

}  // namespace parvel
