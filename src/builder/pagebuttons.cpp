#include "builder/pagebuttons.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "imaging/pixelgraphic.h"
#include "model/paths.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

constexpr int kButtonJpegQuality = 99;

// The label is drawn with anti-aliasing straight onto a copy of the background. That puts it in
// the same place as a separate text layer laid over with its white (or lime) background
// transparent would, but its edges blend into the background instead of keeping a fringe of the
// layer colour.
void DrawLabel(PixelGraphic& image, const TextStyle& style, std::string_view label) {
  ImageCanvas& canvas = image.Canvas();
  canvas.Font = style;
  const TextExtent extent = canvas.TextSize(label);
  const int x = image.Width() / 2 - extent.width / 2;
  const int y = image.Height() / 2 - extent.height / 2;
  canvas.TextOut(x, y, label);
}

}  // namespace

Rgb ButtonTextColour(const Colour& colour) {
  // Default has the value 0, which is black: the colour a button gets when none is chosen.
  return {colour.Red(), colour.Green(), colour.Blue()};
}

bool UsesImageButtons(const SiteSettings& settings) {
  return settings.index_image_buttons &&
         (!settings.Selected_Page_Index_File.empty() || !settings.Other_Page_Index_File.empty());
}

std::string ButtonFace(const SiteSettings& settings, const std::vector<std::string>& installed) {
  if (!settings.Index_Font.empty()) return settings.Index_Font;
  if (std::find(installed.begin(), installed.end(), "Arial") != installed.end()) return "Arial";
  return installed.empty() ? std::string() : installed.front();
}

std::vector<std::uint8_t> RenderButton(const SiteSettings& settings, const std::string& background,
                                       Rgb colour, std::string_view label, std::string* extension) {
  PixelGraphic source;
  source.LoadFromFile(background);
  const int bits = source.BitCountNum();
  PixelGraphic button;  // 24 bits, so the label is drawn in its exact colour
  button.SetSize(source.Width(), source.Height());
  const Rect whole{0, 0, source.Width(), source.Height()};
  button.Canvas().CopyRect(whole, source.Canvas(), whole);

  TextStyle style;
  style.face = ButtonFace(settings, InstalledFontFamilies());
  style.points = settings.Index_Image_Font_Size;
  style.bold = settings.Index_Font_Bold;
  style.italic = settings.Index_Font_Italics;
  style.colour = colour;
  style.antialias = true;
  DrawLabel(button, style, label);

  const std::string used = bits == 24 ? ".jpg" : ".gif";
  button.SetColorResolutionPrompt(ResolutionPrompt::Convert);
  if (bits == 24) {
    // As SaveToJpeg leaves them.
    JPEGSaveQuality = kButtonJpegQuality;
    JPEGSaveProgressive = false;
  }
  if (extension) *extension = used;
  return button.Encode("button" + used, WriteOptions{kButtonJpegQuality, false});
}

std::optional<std::string> ButtonExtensionFor(const std::string& background) {
  try {
    PixelGraphic source;
    source.LoadFromFile(background);
    return source.BitCountNum() == 24 ? ".jpg" : ".gif";
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

bool CreateButton(const SiteSettings& settings, const std::string& background,
                  const std::string& file_name, Rgb colour, std::string_view label,
                  std::string* extension, std::string* failure, std::string* written_path) {
  try {
    std::string used;
    const std::vector<std::uint8_t> bytes =
        RenderButton(settings, background, colour, label, &used);
    const std::string path = ChangeExtension(file_name, used);
    const std::string_view data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    // A button that holds these bytes already is left as it is, keeping its file time.
    std::string error;
    if (!FileHolds(path, data) && !Files().WriteFileReplace(path, data, &error)) {
      if (failure) *failure = "Cannot write " + error;
      return false;
    }
    if (extension) *extension = used;
    if (written_path) *written_path = path;
    return true;
  } catch (const std::exception& e) {
    if (failure) *failure = e.what();
    return false;
  }
}

ButtonPassResult RunButtonPass(const SiteSettings& settings, const std::string& site_dir,
                               int page_count, ButtonExtensions* extensions,
                               const ButtonPassHooks& hooks) {
  ButtonExtensions local;
  ButtonExtensions& ext = extensions ? *extensions : local;
  const std::string& selected = settings.Selected_Page_Index_File;
  const std::string& other = settings.Other_Page_Index_File;
  const std::string& current_background = selected.empty() ? other : selected;
  const std::string& other_background = other.empty() ? selected : other;
  for (int page = 1; page <= page_count; ++page) {
    if (hooks.advance) hooks.advance("Creating Buttons for page " + std::to_string(page));
    const std::string label = PageLabel(settings, page);
    std::string failure;
    std::string current_path;
    std::string other_path;
    const bool current_made = CreateButton(settings, current_background,
                                           site_dir + CurrentPageButtonName(page, ext.current),
                                           ButtonTextColour(settings.Displayed_Page_Text_Colour),
                                           label, &ext.current, &failure, &current_path);
    if (current_made && hooks.made) hooks.made(current_path);
    const bool other_made =
        current_made &&
        CreateButton(settings, other_background, site_dir + OtherPageButtonName(page, ext.other),
                     ButtonTextColour(settings.Other_Page_Text_Colour), label, &ext.other, &failure,
                     &other_path);
    if (other_made && hooks.made) hooks.made(other_path);
    if (!other_made) return {ButtonPassResult::Failed, page, std::move(failure)};
    if (hooks.checkpoint && !hooks.checkpoint()) return {ButtonPassResult::Cancelled, page, {}};
  }
  return {ButtonPassResult::Done, page_count, {}};
}

}  // namespace parvel
