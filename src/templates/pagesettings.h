// The page settings dialog ("Settings") without its window: the items of its lists, the colour
// choices, which controls are usable for which inputs, what it does each time it opens and the
// checks of OK. The dialog edits the one SiteSettings record in place; Cancel undoes nothing.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/sitesettings.h"
#include "platform/interaction.h"

namespace parvel {

inline constexpr std::string_view kThumbOptionsCaption = "Settings";

// The six pages in order, and the help topic of each.
inline constexpr std::array<std::string_view, 6> kThumbOptionsPages = {
    "Thumbnails", "Page Index", "Page Index 2", "Image Display", "Page Text", "Other"};
inline constexpr std::array<int, 6> kThumbOptionsHelpTopics = {31, 32, 32, 33, 34, 36};

// ---- Items of the drop-down lists.

// Font sizes: item i stands for the relative size i - 2 ("Default" is 0).
inline constexpr std::array<std::string_view, 7> kFontSizeItems = {"-2", "-1", "Default", "+1",
                                                                   "+2", "+3", "+4"};
constexpr int FontSizeOfItem(int item) {
  return item - 2;
}
constexpr int ItemOfFontSize(int size) {
  return size + 2;
}

inline constexpr std::array<std::string_view, 4> kHeadingSizeItems = {"H1 (Largest)", "H2", "H3",
                                                                      "H4 (Smallest)"};
inline constexpr std::array<std::string_view, 5> kLinkEnclosureItems = {"None", "< >", "> <",
                                                                        "[  ]", "-  -"};
// Image_Display_Method; the third item ends in a space.
inline constexpr std::array<std::string_view, 4> kDisplayMethodItems = {
    "Display image in the same browser window as thumbnail index",
    "Display every image in a new window",
    "Display every image in a new window (using JavaScript) ",
    "Use a second browser window to display all images (using JavaScript)"};
// Image_Header_Mode / Image_Footer_Mode: the item number is the mode.
inline constexpr std::array<std::string_view, 4> kImageHeaderItems = {
    "No Header", "Use same Header settings as Thumbnail page", "Same Header on all created pages",
    "Different Header on each created page"};
inline constexpr std::array<std::string_view, 4> kImageFooterItems = {
    "No Footer", "Use same Footer settings as Thumbnail page", "Same Footer on all created pages",
    "Different Footer on each created page"};

// ---- Colour choices: item 0 Default, items 1..13 fixed colours, 14 "Other..", or no item (a
// picked colour).

inline constexpr int kColourDefaultItem = 0;
inline constexpr int kColourOtherItem = 14;
inline constexpr int kColourNoItem = -1;
inline constexpr std::string_view kColourDefaultText = "Default Page Colour";
inline constexpr std::string_view kColourOtherText = "Other..";
// The colours of items 1..13 (index 0 unused), 0x00BBGGRR.
inline constexpr std::array<std::uint32_t, 14> kFixedColours = {
    0,          0x00000000, 0x00FFFFFF, 0x00808080, 0x00C0C0C0, 0x0000FFFF, 0x00808000,
    0x00008000, 0x000000FF, 0x00800080, 0x00800000, 0x00000080, 0x00FF0000, 0x00FF00FF};
// The sixteen custom-colour slots the system colour chooser is offered; the first is black.
inline constexpr std::array<std::uint32_t, 16> kCustomColourSlots = {
    0x00000000, 0x00808080, 0x00C0C0C0, 0x00FFFFFF, 0x00800000, 0x00FF0000, 0x00800080, 0x00FF00FF,
    0x00000080, 0x000000FF, 0x00008080, 0x0000FFFF, 0x00008000, 0x0000FF00, 0x00808000, 0x00FFFF00};

// One colour list with its read-only text box.
struct ColourChoice {
  int item = kColourDefaultItem;  // 0..13, or kColourNoItem for a picked colour
  std::uint32_t colour = 0;       // the list's colour for a fixed or picked colour
  std::string text;               // the text box
};

// The item 1..13 whose colour equals `value` exactly, else 0.
int tcolor2Colourcode(std::uint32_t value);
// The colour of item 1..13; any other number gives clSilver.
std::uint32_t Colourcode2tcolor(int item);
bool IsDefault(const ColourChoice& choice);
// The colour shown for a fixed or picked colour; 0 for Default.
std::uint32_t IsColour(const ColourChoice& choice);
// The record's value of the choice.
Colour ChoiceColour(const ColourChoice& choice);

// The colour the system colour chooser starts on for "Other..": the list's colour, white for
// Default.
std::uint32_t OtherColourStart(const ColourChoice& choice);

// The user picks `item` of the list. For "Other..", `picked` is the system colour chooser's
// answer (nullopt: cancelled, which selects Default).
void PickColourItem(ColourChoice& choice, int item, std::optional<std::uint32_t> picked = {});
// Shows a stored colour: Default, the fixed item of its value, or a picked colour (no item; the
// text box then stays as it was).
void SetDefaultSetColour(ColourChoice& choice, bool is_default, std::uint32_t value);

// ---- Input rules.

// What the dialog holds beyond the record that decides which controls are usable.
struct PageSettingsChoices {
  std::string template_text;  // the image-page template box
  // "Test Compliance" as the last of the rules that set it left it: the template rule (on a text
  // change and on opening), the display rule, or a test just run (greyed until the text changes).
  bool test_compliance = false;
  bool view_page = false;  // set by the template rule only
};

// Which controls are usable, by what they are for; every control not covered here is always
// usable. The dialog maps each flag to its controls.
struct UsableControls {
  bool enclosure_colour = false;  // the link enclosure's colour list, its label and text box
  bool description_file = false;  // the description file, its Browse and "Show filename when..."
  // The image page's template list, its label and Browse, heading, header and footer lists with
  // their labels, navigation bar and "Insert indexes in image display pages".
  bool image_page = false;
  bool test_compliance = false;
  bool view_page = false;
  bool edit_header = false;
  bool edit_footer = false;
  bool return_file = false;        // the 'Return to Index' image, its Browse, note and label
  bool same_nav_graphics = false;  // "Use the same Next/Previous graphics..."
  bool prev_next_files = false;    // the previous and next page images with Browse and labels
  bool index_buttons = false;      // the index button images, their text size and other colour
  bool index_font_size = false;    // the index's HTML text size and its label
  bool index_font = false;         // the index's custom font
  bool default_font = false;       // the page's custom font and its note
  bool image_size = false;         // the largest width and height of displayed images
  bool web_images = false;         // the display copies' size and quality with their labels
};
UsableControls PageSettingsUsable(const SiteSettings& s, const PageSettingsChoices& choices);

// The template rule: "Test Compliance" and "View Page" usable exactly when the text is not empty
// and HTML image pages are chosen. Runs when the text changes and on opening.
void ApplyTemplateRule(const SiteSettings& s, PageSettingsChoices& choices, std::string_view text);
// The display rule's share of "Test Compliance": it follows the display method alone.
void ApplyDisplayRule(const SiteSettings& s, PageSettingsChoices& choices);
// A compliance test just ran: "Test Compliance" is greyed until the template rule runs again.
void TemplateTested(PageSettingsChoices& choices);
// "Image buttons for previous/next page links"; switching it off also clears
// Image_UseSameNavGraphics.
void SetPrevNextImageButtons(SiteSettings& s, bool on);

// "Publish display copies...": a check box beside a size box. Off stores 0, on the size shown;
// the size box shows the stored size, or the default while the copies are off.
int WebImageSizeShown(const SiteSettings& s);
void SetWebImageCopies(SiteSettings& s, bool on, int shown);
// A size typed into the size box is stored only while the copies are on.
void SetWebImageSizeShown(SiteSettings& s, int shown);

// ---- Opening, each time the dialog is shown: the defaults, the image-page template list (a copy
// of the thumbnail-page list when empty), the navigation images of `program_dir`/navgraph for
// empty fields, then the rules.
void OpenPageSettings(SiteSettings& s, std::vector<std::string>& image_templates,
                      const std::vector<std::string>& thumbnail_templates,
                      const std::string& program_dir, PageSettingsChoices& choices);

// ---- OK.

// Five of the checks' messages, which the build's own checks show as well.
inline constexpr std::string_view kNoDescriptionFileMessage =
    "You have elected to show descriptions for your thumbnails, however you have not specified a "
    "description file or the file cannot be located!";
inline constexpr std::string_view kNoHeaderHtmlMessage =
    "You have elected to insert a header, but have not provided any HTML!";
inline constexpr std::string_view kNoHeaderFileMessage =
    "You have elected to insert custom headers, but you have not specified a file to use or the "
    "file cannot be located!";
inline constexpr std::string_view kNoFooterHtmlMessage =
    "You have elected to insert a footer, but have not provided any HTML!";
inline constexpr std::string_view kNoFooterFileMessage =
    "You have elected to insert custom footers, but you have not specified a file to use or the "
    "file cannot be located!";

struct OkCheckFailure {
  MessageKind kind;
  std::string_view text;
};
// The first of the eight checks that fails, or nullopt when OK may close the dialog.
std::optional<OkCheckFailure> CheckPageSettings(const SiteSettings& s);
// Runs the checks and shows the failing one's box; true when the dialog may close.
bool PageSettingsOk(Interaction& ui, const SiteSettings& s);

// ---- Choosers (filters as "description|patterns|..." pairs).

inline constexpr std::string_view kNavImageTitle = "Please select an image to use";
inline constexpr std::string_view kNavImageFilter =
    "Image files|*.gif; *.jpeg; *.jpg;|GIF Files|*.gif|JPEG Files|*.jpeg; *.jpg;";
inline constexpr std::string_view kDescriptionTitle = "Please select a description file";
inline constexpr std::string_view kDescriptionFilter =
    "Comma-separated text file (*.csv,*.txt)|*.csv;*.txt|INI file format (*.ini)|*.ini";
inline constexpr std::string_view kHtmlFileTitle = "Please select an HTML File";
inline constexpr std::string_view kHtmlFileFilter = "HTML Files (*.htm;*.html)|*.htm;*.html";

// A "description|patterns|..." filter as a list of "description (patterns)" entries, the
// patterns separated by spaces, as file choosers take them.
std::vector<std::string> ChooserFilters(std::string_view filter);

}  // namespace parvel
