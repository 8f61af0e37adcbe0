#include "builder/thumbpage.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>

#include "builder/fragments.h"
#include "builder/htmlsafe.h"
#include "builder/pagenames.h"
#include "builder/splice.h"
#include "builder/thumbnail.h"
#include "builder/webcopy.h"
#include "model/paths.h"
#include "platform/filesystem.h"
#include "templates/compliance.h"

namespace parvel {
namespace {

constexpr std::string_view kCrLf = "\r\n";

bool IsContinuationByte(char ch) {
  return (static_cast<unsigned char>(ch) & 0xC0u) == 0x80u;
}

// Thumbnails per page, or 0 when a count holds no valid value (nothing can be laid out then).
int ImagesPerPage(const SiteSettings& settings) {
  if (!kThumbCountRange.Holds(settings.Horizontal_Thumb_Count) ||
      !kThumbCountRange.Holds(settings.Vertical_Thumb_Count)) {
    return 0;
  }
  return settings.Horizontal_Thumb_Count * settings.Vertical_Thumb_Count;
}

std::string Thumbnails(int count) {
  return " " + std::to_string(count) + " Thumbnails";
}

// What the web-ready options add to a thumbnail's tag: the 2x file, and for lazy loading the
// attributes with the thumbnail's size.
std::string ThumbExtras(const PageContext& ctx, const std::string& image) {
  const WebImage* web = WebImageOf(ctx, image);
  if (web == nullptr) return {};
  std::string extras;
  if (ctx.settings.HiDPI_Thumbnails && web->hidpi) {
    const std::string name = HiDpiThumbnailName(image);
    // A srcset splits its candidates at blanks and commas: the URL carries them encoded.
    std::string url;
    for (const char ch : AttrUrl(ctx.use_thumbs_directory ? "./thumbs/" + name : name)) {
      url += ch == ' ' ? std::string("%20") : ch == ',' ? std::string("%2C") : std::string(1, ch);
    }
    extras += " srcset=\"" + url + " 2x\"";
  }
  if (ctx.settings.Lazy_Loading) {
    if (web->thumb_width > 0 && web->thumb_height > 0) {
      extras += " WIDTH=" + std::to_string(web->thumb_width) +
                " HEIGHT=" + std::to_string(web->thumb_height);
    }
    extras += " loading=\"lazy\" decoding=\"async\"";
  }
  return extras;
}

std::string ThumbCell(const PageContext& ctx, const std::string& image) {
  const SiteSettings& settings = ctx.settings;
  const std::string link = GetImageLinkName(ctx, image, true);
  std::string cell = "<td><center><a href=\"" + link + "\"><img SRC=\"" +
                     ThumbnailReference(ctx, image) + "\"" + ThumbExtras(ctx, image) +
                     " BORDER=" + std::to_string(settings.Thumb_Border) + "></a>";
  if (settings.Filename_Display == FilenameDisplay::None) {
    cell += "</center></td>";
    cell += kCrLf;
    return cell;
  }
  const std::string& face = settings.Default_Font;
  const bool default_face = settings.default_font_default;
  // The caption link is written even when the caption is empty.
  cell += "<br><a href=\"" + link + "\">" +
          FontString(settings, face, default_face, true, false, false) +
          GetDisplayFilename(ctx, image) +
          FontString(settings, face, default_face, false, false, false) + "</a></center>";
  cell += kCrLf;
  cell += "</td>";
  cell += kCrLf;
  return cell;
}

}  // namespace

std::string WindowName(std::string_view target) {
  std::string name = "show_";
  for (char ch : FileNamePart(target)) {
    if (IsContinuationByte(ch)) continue;  // one "_" stands for a whole UTF-8 character
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    const bool kept = (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9');
    name += kept ? ch : '_';
  }
  return name + "_window";
}

std::string GetHREF(const SiteSettings& settings, std::string_view target) {
  switch (settings.Image_Display_Method) {
    case DisplayMethod::NewWindow:
      // The caller's closing quote ends the Target value.
      return AttrUrl(target) + "\" Target=\"_blank";
    case DisplayMethod::NewWindowScript:
      return "javascript:openWin('" + ScriptUrl(target) + "','" + WindowName(target) + "');";
    case DisplayMethod::SecondWindow:
      return "javascript:openWin('" + ScriptUrl(target) + "','" + std::string(kSharedWindowName) +
             "');";
    default:
      return AttrUrl(target);
  }
}

std::string ShownImageName(const PageContext& ctx, std::string_view image) {
  const WebImage* web = WebImageOf(ctx, std::string(image));
  return web != nullptr && web->copy ? WebCopyName(image) : std::string(image);
}

std::string GetImageLinkName(const PageContext& ctx, std::string_view image, bool as_link) {
  const std::string target = ctx.settings.DisplayAsImage
                                 ? ShownImageName(ctx, image)
                                 : DisplayPageName(image, ctx.base_html_name);
  return as_link ? GetHREF(ctx.settings, target) : target;
}

std::string ShortenText(std::string_view text, int max_length) {
  std::int64_t characters = 0;
  for (char ch : text) characters += IsContinuationByte(ch) ? 0 : 1;
  if (characters <= max_length) return std::string(text);
  const std::int64_t keep = max_length > 3 ? max_length - 3 : 0;
  size_t end = 0;
  for (std::int64_t kept = 0; end < text.size(); ++end) {
    if (!IsContinuationByte(text[end]) && kept++ == keep) break;
  }
  return std::string(text.substr(0, end)) + "...";
}

std::string GetDisplayFilename(const PageContext& ctx, std::string_view image) {
  const SiteSettings& settings = ctx.settings;
  switch (settings.Filename_Display) {
    case FilenameDisplay::None:
      return {};
    case FilenameDisplay::HideExt:
      return TextFromFileName(ShortenText(ChangeExtension(image, ""), ctx.max_filename_length));
    case FilenameDisplay::Normal:
      return TextFromFileName(ShortenText(image, ctx.max_filename_length));
    case FilenameDisplay::DescriptionFile:
      break;
  }
  if (ctx.descriptions) {
    // Asked without the file-name fallback: a description is HTML, a file name is not.
    SiteSettings without_fallback = settings;
    without_fallback.ShowFilenameWhenNoDesc = false;
    std::string description = ctx.descriptions->Describe(image, without_fallback);
    if (!description.empty()) return description;
  }
  return settings.ShowFilenameWhenNoDesc ? TextFromFileName(image) : std::string();
}

std::string ThumbnailReference(const PageContext& ctx, std::string_view image) {
  const std::string name = ThumbnailName(image);
  return AttrUrl(ctx.use_thumbs_directory ? "./thumbs/" + name : name);
}

ThumbNavigation ThumbNavigationFor(const PageContext& ctx, int page, int page_count) {
  const int per_page = ImagesPerPage(ctx.settings);
  const int count = static_cast<int>(ctx.images.size());
  const int rest = per_page > 0 ? count % per_page : 0;
  ThumbNavigation nav;
  if (page > 1) nav.prev_target = HtmlPageName(ctx.base_html_name, page - 1);
  nav.prev_label = (page > 1 ? "Previous" : "First") + Thumbnails(per_page);
  if (page < page_count) nav.next_target = HtmlPageName(ctx.base_html_name, page + 1);
  if (page < page_count - 1) {
    nav.next_label = "Next" + Thumbnails(per_page);
  } else {
    nav.next_label = "Last" + Thumbnails(rest == 0 ? per_page : rest);
  }
  return nav;
}

std::string CreateThumbGrid(const PageContext& ctx, int page, int first_image,
                            std::string_view prev_target, std::string_view prev_label,
                            std::string_view next_target, std::string_view next_label) {
  const SiteSettings& settings = ctx.settings;
  if (ImagesPerPage(settings) == 0 || first_image < 0) return {};
  try {
    std::string grid = KorrinCredits();
    if (settings.Page_Position_Heading) {
      grid += CreateHeading(settings, settings.Page_Number_Prefix + std::to_string(page));
    }
    grid += "<center><table CELLSPACING=" + std::to_string(settings.Cell_Spacing) +
            " CELLPADDING=" + std::to_string(settings.Cell_Padding) + ">";
    grid += kCrLf;
    size_t i = static_cast<size_t>(first_image);
    // Every row is written, so a short last page ends with rows holding only their tags.
    for (int row = 0; row < settings.Vertical_Thumb_Count; ++row) {
      grid += "<tr ALIGN=CENTER VALIGN=BOTTOM>";
      grid += kCrLf;
      for (int column = 0; column < settings.Horizontal_Thumb_Count && i < ctx.images.size();
           ++column, ++i) {
        grid += ThumbCell(ctx, ctx.images[i]);
        grid += kCrLf;
      }
      grid += "</tr>";
      grid += kCrLf;
    }
    grid += "</table></center>";
    grid += kCrLf;
    if (settings.KorrinLink) {
      grid += "<BR>&nbsp;" + GetKorrinLink(ctx.draw);
      grid += kCrLf;
    }
    grid += "<BR>&nbsp;" + NavigationString(settings, {.prev_link = AttrUrl(prev_target),
                                                       .prev_caption = prev_label,
                                                       .next_link = AttrUrl(next_target),
                                                       .next_caption = next_label,
                                                       .force = true});
    return grid;
  } catch (const std::exception& e) {
    KeepFailure(ctx, e);
    return {};
  }
}

bool createHTMLThumbpage(const PageContext& ctx, const std::string& target, int page,
                         int page_count, int first_image, std::string_view index_html) {
  try {
    std::string page_template;
    if (!ReadPageTemplate(ctx.settings.Style_File, &page_template)) return false;
    const ThumbNavigation nav = ThumbNavigationFor(ctx, page, page_count);
    std::string content;
    if (!ctx.no_thumbnail_mode) {
      content = CreateThumbGrid(ctx, page, first_image, nav.prev_target, nav.prev_label,
                                nav.next_target, nav.next_label);
      if (content.empty()) return false;
    }
    std::string header;
    std::string footer;
    if (ctx.headers) {
      const auto fetched_header =
          ctx.headers->NextHeaderFooter(HeaderOrFooter::Header, PageKind::Thumbnail);
      if (!fetched_header) return false;
      const auto fetched_footer =
          ctx.headers->NextHeaderFooter(HeaderOrFooter::Footer, PageKind::Thumbnail);
      if (!fetched_footer) return false;
      header = *fetched_header;
      footer = *fetched_footer;
    }
    return EmitPage(
        ctx, target,
        SpliceText(ctx.settings, page_template, content, index_html, header, footer, true));
  } catch (const std::exception& e) {
    KeepFailure(ctx, e);
    return false;
  }
}

bool ReadPageTemplate(const std::string& path, std::string* text) {
  return !path.empty() && FileExists(path) && ReadWholeFile(path, text, kMaxTemplateSize);
}

std::string PageText(std::string_view page) {
  // Each break becomes CR LF, and a last line without one (a template whose last line has no
  // break) gets it too, so that every line of a page ends in CR LF. The text between breaks is
  // copied in runs found with memchr: pages of large sites run to megabytes and are written by the
  // thousand.
  const char* p = page.data();
  const char* const end = p + page.size();
  const auto next = [end](const char* from, char ch) {
    const void* found =
        from < end ? std::memchr(from, ch, static_cast<size_t>(end - from)) : nullptr;
    return found != nullptr ? static_cast<const char*>(found) : end;
  };
  std::string text;
  text.reserve(page.size() + page.size() / 16 + 2);
  const char* cr = next(p, '\r');
  const char* lf = next(p, '\n');
  while (p < end) {
    const char* brk = std::min(cr, lf);
    text.append(p, static_cast<size_t>(brk - p));
    text += kCrLf;
    if (brk == end) break;
    p = brk + ((brk == cr && brk + 1 < end && brk[1] == '\n') ? 2 : 1);
    if (cr < p) cr = next(p, '\r');
    if (lf < p) lf = next(p, '\n');
  }
  return text;
}

bool EmitPage(const PageContext& ctx, const std::string& path, std::string_view page) {
  if (!ctx.sink) return WritePage(path, page, ctx.writes);
  ctx.sink(path, PageText(page));
  return true;
}

bool WritePage(const std::string& path, std::string_view page, PageWrites* writes) {
  const std::string text = PageText(page);
  // A page that holds these bytes already is left as it is: a build of an unchanged site touches
  // no page, uploads that go by file times send only what changed, and the replace is saved (on
  // ext4 a rename over a file starts its write-out at once, the larger part of a page's cost).
  if (FileHolds(path, text)) {
    if (writes) ++writes->unchanged;
    return true;
  }
  // Replaced in one step like the thumbnails, without a flush per page: a build can make every
  // page again, and a flush for each of thousands of pages would cost more than the pages.
  if (!Files().WriteFileReplace(path, text, nullptr)) return false;
  if (writes) ++writes->written;
  return true;
}

}  // namespace parvel
