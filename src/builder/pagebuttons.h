// The page buttons: one small image per page and kind, the page's label written across the middle
// of a background the user chose, saved in the site directory for the page index to show.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "builder/pageindex.h"
#include "imaging/raster.h"
#include "model/sitesettings.h"

namespace parvel {

// The question the build asks when the button pass fails: OK goes on with text indexes, Cancel
// ends the build.
inline constexpr std::string_view kButtonErrorQuestion =
    "An error was encountered creating your page index buttons.  A text index will be created "
    "instead.";

// Whether a build draws buttons: the index-buttons switch is on and at least one background is
// named.
bool UsesImageButtons(const SiteSettings& settings);

// The face a button's label is drawn in: Index_Font as one face name; when it is empty, "Arial"
// if `installed` (sorted family names) holds it, else the first installed name (empty if none).
std::string ButtonFace(const SiteSettings& settings, const std::vector<std::string>& installed);

// Draws `label` in `colour` centred on the image loaded from `background`, in ButtonFace at
// Index_Image_Font_Size points, bold and italic from the index group, and saves it at
// `file_name` with its extension replaced: a 24-bit background gives a ".jpg" (quality 99, not
// progressive), a 1-, 4- or 8-bit one a ".gif". On success the extension used is stored in
// `*extension` (when given). False on any failure; never raises and shows nothing.
// The path written (or left as it was, holding these bytes) goes to `written_path` when given.
bool CreateButton(const SiteSettings& settings, const std::string& background,
                  const std::string& file_name, Rgb colour, std::string_view label,
                  std::string* extension = nullptr, std::string* failure = nullptr,
                  std::string* written_path = nullptr);

// The bytes CreateButton writes for these arguments, and the extension it writes them with.
// Raises when the background cannot be read or the button cannot be drawn.
std::vector<std::uint8_t> RenderButton(const SiteSettings& settings, const std::string& background,
                                       Rgb colour, std::string_view label,
                                       std::string* extension = nullptr);

// The extension CreateButton gives the buttons drawn on `background`; none when it cannot be
// read (the button pass then stops at its first button).
std::optional<std::string> ButtonExtensionFor(const std::string& background);

// Default draws black: the colour a button gets when none is chosen.
Rgb ButtonTextColour(const Colour& colour);

// What the build driver lends the button pass.
struct ButtonPassHooks {
  // Advances the build's progress by one step and shows `message` with it.
  std::function<void(std::string_view message)> advance;
  // The build's checkpoint: false when the user has confirmed cancelling the build.
  std::function<bool()> checkpoint;
  // Told the path of each button made (or found holding its bytes already).
  std::function<void(const std::string& path)> made;
};

struct ButtonPassResult {
  enum Status { Done, Failed, Cancelled };
  Status status = Done;
  int page = 0;         // the page whose buttons failed or after which the build was cancelled
  std::string failure;  // the text of the exception that ended a failed button, if one did
};

// Draws both buttons of every page 1..page_count into `site_dir` (ending in "/"): per page,
// advance("Creating Buttons for page " + n), the current-page button (Selected_Page_Index_File,
// else Other_Page_Index_File; Displayed_Page_Text_Colour), the other-page button
// (Other_Page_Index_File, else Selected_Page_Index_File; Other_Page_Text_Colour), then
// checkpoint(). A Default colour draws black. Stops at the first button that cannot be made
// (Failed; the driver then asks kButtonErrorQuestion) or when checkpoint() returns false
// (Cancelled). `extensions` records each kind's extension as buttons are made. Missing hooks are
// skipped.
ButtonPassResult RunButtonPass(const SiteSettings& settings, const std::string& site_dir,
                               int page_count, ButtonExtensions* extensions,
                               const ButtonPassHooks& hooks);

}  // namespace parvel
