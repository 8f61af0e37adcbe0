#include "templates/pagesettings.h"

#include "base/textutil.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

bool Exists(const std::string& path) {
  return !path.empty() && FileExists(path);
}

bool HtmlImagePages(const SiteSettings& s) {
  return !s.DisplayAsImage;
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  for (size_t start = 0;;) {
    const size_t end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

}  // namespace

int tcolor2Colourcode(std::uint32_t value) {
  for (int item = 1; item < static_cast<int>(kFixedColours.size()); ++item) {
    if (kFixedColours[static_cast<size_t>(item)] == value) return item;
  }
  return kColourDefaultItem;
}

std::uint32_t Colourcode2tcolor(int item) {
  if (item < 1 || item >= static_cast<int>(kFixedColours.size())) return kClSilver;
  return kFixedColours[static_cast<size_t>(item)];
}

bool IsDefault(const ColourChoice& choice) {
  return choice.item == kColourDefaultItem;
}

std::uint32_t IsColour(const ColourChoice& choice) {
  return IsDefault(choice) ? 0 : choice.colour;
}

Colour ChoiceColour(const ColourChoice& choice) {
  return IsDefault(choice) ? Colour::Default() : Colour::Of(IsColour(choice));
}

std::uint32_t OtherColourStart(const ColourChoice& choice) {
  return IsDefault(choice) ? 0x00FFFFFF : IsColour(choice);
}

void PickColourItem(ColourChoice& choice, int item, std::optional<std::uint32_t> picked) {
  if (item == kColourNoItem) return;
  if (item == kColourOtherItem) {
    if (!picked) {
      PickColourItem(choice, kColourDefaultItem);
      return;
    }
    choice.item = kColourNoItem;
    choice.colour = *picked;
    choice.text = ColourHexText(*picked);
  } else if (item >= 1 && item < kColourOtherItem) {
    choice.item = item;
    choice.colour = Colourcode2tcolor(item);
    choice.text = ColourHexText(choice.colour);
  } else {
    choice.item = kColourDefaultItem;
    choice.colour = 0;
    choice.text.clear();
  }
}

void SetDefaultSetColour(ColourChoice& choice, bool is_default, std::uint32_t value) {
  if (is_default) {
    PickColourItem(choice, kColourDefaultItem);
  } else if (const int item = tcolor2Colourcode(value); item != kColourDefaultItem) {
    PickColourItem(choice, item);
  } else {
    // No item selected: the colour-change step changes nothing, so the text box stays.
    choice.item = kColourNoItem;
    choice.colour = value;
  }
}

UsableControls PageSettingsUsable(const SiteSettings& s, const PageSettingsChoices& choices) {
  const bool html = HtmlImagePages(s);
  auto editable = [html](ImageHeaderMode mode) {
    return html && (mode == ImageHeaderMode::Html || mode == ImageHeaderMode::List);
  };
  return {
      .enclosure_colour = s.Link_Enclosure != 0,
      .description_file = s.Filename_Display == FilenameDisplay::DescriptionFile,
      .image_page = html,
      .test_compliance = choices.test_compliance,
      .view_page = choices.view_page,
      .edit_header = editable(s.Image_Header_Mode),
      .edit_footer = editable(s.Image_Footer_Mode),
      .return_file = html && s.prev_next_image_buttons,
      .same_nav_graphics = s.prev_next_image_buttons && s.ImageNavigationBar && html,
      .prev_next_files = s.prev_next_image_buttons,
      .index_buttons = s.index_image_buttons,
      .index_font_size = !s.index_image_buttons,
      .index_font = !s.index_font_default,
      .default_font = !s.default_font_default,
      .image_size = s.max_image_size,
      .web_images = s.Web_Image_Size > 0,
  };
}

void ApplyTemplateRule(const SiteSettings& s, PageSettingsChoices& choices, std::string_view text) {
  choices.template_text = std::string(text);
  choices.test_compliance = choices.view_page = !text.empty() && HtmlImagePages(s);
}

void ApplyDisplayRule(const SiteSettings& s, PageSettingsChoices& choices) {
  choices.test_compliance = HtmlImagePages(s);
}

void TemplateTested(PageSettingsChoices& choices) {
  choices.test_compliance = false;
}

void SetPrevNextImageButtons(SiteSettings& s, bool on) {
  s.prev_next_image_buttons = on;
  if (!on) s.Image_UseSameNavGraphics = false;
}

int WebImageSizeShown(const SiteSettings& s) {
  return s.Web_Image_Size > 0 ? s.Web_Image_Size : kWebImageSizeDefault;
}

void SetWebImageCopies(SiteSettings& s, bool on, int shown) {
  s.Web_Image_Size = on ? shown : 0;
}

void SetWebImageSizeShown(SiteSettings& s, int shown) {
  if (s.Web_Image_Size > 0) s.Web_Image_Size = shown;
}

void OpenPageSettings(SiteSettings& s, std::vector<std::string>& image_templates,
                      const std::vector<std::string>& thumbnail_templates,
                      const std::string& program_dir, PageSettingsChoices& choices) {
  SetDefaultValues(s);
  if (image_templates.empty()) image_templates = thumbnail_templates;
  const std::pair<std::string*, const char*> navigation[] = {
      {&s.Next_Page_File, "navgraph/Next.gif"},
      {&s.Previous_Page_File, "navgraph/Previous.gif"},
      {&s.Return_To_Index_File, "navgraph/Index.gif"}};
  for (const auto& [field, name] : navigation) {
    if (field->empty() && FileExists(program_dir + name)) *field = program_dir + name;
  }
  ApplyDisplayRule(s, choices);
  ApplyTemplateRule(s, choices, s.Image_Style_File);
}

std::optional<OkCheckFailure> CheckPageSettings(const SiteSettings& s) {
  using enum MessageKind;
  if (HtmlImagePages(s) && !Exists(s.Image_Style_File)) {
    return OkCheckFailure{Warning,
                          "You have elected to create HTML pages, however you have not specified "
                          "a template file or the file cannot be located!"};
  }
  if (s.Filename_Display == FilenameDisplay::DescriptionFile && !Exists(s.Description_File)) {
    return OkCheckFailure{Warning, kNoDescriptionFileMessage};
  }
  if (s.Image_Header_Mode == ImageHeaderMode::Html && s.Image_Header_HTML.empty()) {
    return OkCheckFailure{Information, kNoHeaderHtmlMessage};
  }
  if (s.Image_Header_Mode == ImageHeaderMode::List && !Exists(s.Image_Header_File)) {
    return OkCheckFailure{Warning, kNoHeaderFileMessage};
  }
  if (s.Image_Footer_Mode == ImageHeaderMode::Html && s.Image_Footer_HTML.empty()) {
    return OkCheckFailure{Information, kNoFooterHtmlMessage};
  }
  if (s.Image_Footer_Mode == ImageHeaderMode::List && !Exists(s.Image_Footer_File)) {
    return OkCheckFailure{Warning, kNoFooterFileMessage};
  }
  if (s.prev_next_image_buttons && (!Exists(s.Next_Page_File) || !Exists(s.Previous_Page_File))) {
    return OkCheckFailure{Warning,
                          "You have elected to use custom previous and next images, however one "
                          "of the images you have entered cannot be located!"};
  }
  if (s.index_image_buttons &&
      (!Exists(s.Selected_Page_Index_File) || !Exists(s.Other_Page_Index_File))) {
    return OkCheckFailure{Warning,
                          "You have elected to use custom image buttons for your Index, however "
                          "one of the images you have entered cannot be located!"};
  }
  return std::nullopt;
}

bool PageSettingsOk(Interaction& ui, const SiteSettings& s) {
  const auto failure = CheckPageSettings(s);
  if (failure) ui.Message(failure->kind, failure->text, Buttons::Ok);
  return !failure;
}

std::vector<std::string> ChooserFilters(std::string_view filter) {
  std::vector<std::string> entries;
  const std::vector<std::string> parts = Split(filter, '|');
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string patterns;
    for (const std::string& pattern : Split(parts[i + 1], ';')) {
      const std::string trimmed = Trim(pattern);
      if (trimmed.empty()) continue;
      if (!patterns.empty()) patterns += ' ';
      patterns += trimmed;
    }
    entries.push_back(parts[i] + " (" + patterns + ")");
  }
  return entries;
}

}  // namespace parvel
