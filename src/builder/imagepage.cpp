#include "builder/imagepage.h"

#include <cstdint>
#include <exception>

#include "builder/fragments.h"
#include "builder/htmlsafe.h"
#include "builder/pagenames.h"
#include "builder/splice.h"
#include "builder/thumbnail.h"
#include "builder/thumbpage.h"
#include "imaging/pixelgraphic.h"

namespace parvel {
namespace {

constexpr std::string_view kCrLf = "\r\n";

}  // namespace

std::string ImageSizeAttributes(const SiteSettings& settings, const std::string& path) {
  if (!settings.max_image_size) return {};
  ImageFileInfo info;
  if (!ReadImageFileInfo(path, 0, &info)) return {};
  // A JPEG's size comes back upright (EXIF orientation applied), as the browser shows it.
  const ThumbSize size =
      CalculateDimensions(info.width, info.height, settings.Image_Width, settings.Image_Height);
  if (size.width <= 0 || size.height <= 0) return {};
  return " WIDTH=" + std::to_string(size.width) + " HEIGHT=" + std::to_string(size.height) + " ";
}

bool createHTMLImagepage(const PageContext& ctx, const std::string& outFile, int imageIndex,
                         int pageNumber, std::string_view indexText) {
  const SiteSettings& settings = ctx.settings;
  if (imageIndex < 0 || static_cast<size_t>(imageIndex) >= ctx.images.size()) return false;
  try {
    std::string page_template;
    if (!ReadPageTemplate(settings.Image_Style_File, &page_template)) return false;
    const std::string& name = ctx.images[static_cast<size_t>(imageIndex)];

    std::string content = KorrinCredits();
    if (settings.Image_Heading) {
      content += CreateHeading(settings, settings.Filename_Display == FilenameDisplay::None
                                             ? TextFromFileName(name)
                                             : GetDisplayFilename(ctx, name));
    }
    content += kCrLf;
    const std::string shown = ShownImageName(ctx, name);
    std::string attributes = ImageSizeAttributes(settings, ctx.site_dir + shown);
    if (const WebImage* web = WebImageOf(ctx, name); web != nullptr && settings.Lazy_Loading) {
      // The fitted size where the tag carries one already, else the size of the file shown.
      if (attributes.empty() && web->shown_width > 0 && web->shown_height > 0) {
        attributes = " WIDTH=" + std::to_string(web->shown_width) +
                     " HEIGHT=" + std::to_string(web->shown_height);
      }
      if (!attributes.empty() && attributes.back() == ' ') attributes.pop_back();
      attributes += " loading=\"lazy\" decoding=\"async\"";
    }
    content += "<CENTER><IMG SRC=\"" + AttrUrl(shown) + "\"" + attributes + "></CENTER>";

    // Previous and next run over the whole image list, across thumbnail pages.
    std::string prev_link;
    std::string next_link;
    if (imageIndex > 0) {
      prev_link = AttrUrl(DisplayPageName(ctx.images[imageIndex - 1], ctx.base_html_name));
    }
    if (static_cast<size_t>(imageIndex) + 1 < ctx.images.size()) {
      next_link = AttrUrl(DisplayPageName(ctx.images[imageIndex + 1], ctx.base_html_name));
    }
    const std::string index_link = AttrUrl(HtmlPageName(ctx.base_html_name, pageNumber));

    if (settings.KorrinLink) {
      content += kCrLf;
      content += "<BR>&nbsp;" + GetKorrinLink(ctx.draw);
    }
    content += kCrLf;
    content += "<BR>&nbsp;" + NavigationString(settings, {.prev_link = prev_link,
                                                          .prev_caption = "Previous Image",
                                                          .index_link = index_link,
                                                          .index_caption = "Index",
                                                          .next_link = next_link,
                                                          .next_caption = "Next Image"});

    std::string header;
    std::string footer;
    if (ctx.headers) {
      const auto fetched_header =
          ctx.headers->NextHeaderFooter(HeaderOrFooter::Header, PageKind::Image);
      if (!fetched_header) return false;
      const auto fetched_footer =
          ctx.headers->NextHeaderFooter(HeaderOrFooter::Footer, PageKind::Image);
      if (!fetched_footer) return false;
      header = *fetched_header;
      footer = *fetched_footer;
    }
    return EmitPage(ctx, outFile,
                    SpliceText(settings, page_template, content, indexText, header, footer, false));
  } catch (const std::exception& e) {
    KeepFailure(ctx, e);
    return false;
  }
}

}  // namespace parvel
