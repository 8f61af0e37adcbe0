// The page settings of one site or rotation (`SiteSettings`), their initial values, and how they
// move between memory and section "Rotation_N" of the site's settings file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "model/colour.h"
#include "model/inifile.h"
#include "model/settingskeys.h"
#include "platform/interaction.h"

namespace parvel {

// An inclusive range of integers: a spin field's limits or a choice list's item values.
struct IntRange {
  int lo;
  int hi;
  constexpr bool Holds(int v) const { return v >= lo && v <= hi; }
  template <typename Choice>
  requires std::is_enum_v<Choice>
  constexpr bool Holds(Choice choice) const { return Holds(static_cast<int>(choice)); }
  constexpr int Clamp(int v) const { return v < lo ? lo : (v > hi ? hi : v); }
};

// Spin fields: values read from a file are clamped to these.
inline constexpr IntRange kThumbSizeRange{20, 900};  // Thumb_Width, Thumb_Height
inline constexpr IntRange kCellPaddingRange{0, 30};
inline constexpr IntRange kCellSpacingRange{0, 20};
inline constexpr IntRange kThumbBorderRange{0, 9};
inline constexpr IntRange kJpegQualityRange{1, 100};
inline constexpr IntRange kThumbCountRange{1, 100};  // Horizontal_ and Vertical_Thumb_Count
inline constexpr IntRange kIndexImageFontSizeRange{2, 144};
inline constexpr IntRange kImageSizeRange{100, 5000};  // Image_Width, Image_Height
// Web_Image_Size when on (0 is off) and Web_Image_Quality.
inline constexpr IntRange kWebImageSizeRange{200, 8192};
inline constexpr IntRange kWebImageQualityRange{10, 100};
// The size a page settings dialog offers when display copies are turned on.
inline constexpr int kWebImageSizeDefault = 2048;

// Choice fields: a value outside its range means "no valid choice" (no item selected), which
// SetDefaultValues replaces by the default.
inline constexpr IntRange kHeadingSizeChoices{0, 3};      // Page_Position_Heading_Size
inline constexpr IntRange kFontSizeChoices{-2, 4};        // Default_/Index_Font_Size, 0 = default
inline constexpr IntRange kLinkEnclosureChoices{0, 4};    // Link_Enclosure
inline constexpr IntRange kDisplayMethodChoices{0, 3};    // Image_Display_Method
inline constexpr IntRange kHeaderModeChoices{0, 2};       // Header_Mode, Footer_Mode
inline constexpr IntRange kImageHeaderModeChoices{0, 3};  // Image_Header_Mode, Image_Footer_Mode

// The caption under each thumbnail.
enum class FilenameDisplay { None, HideExt, DescriptionFile, Normal };
// The page index as one column or in rows.
enum class IndexLayout { Vertical, Horizontal };

// The numbered choices of a rotation section, by the numbers stored for them. A number read from a
// file that names no choice is kept as it is (the checks and SetDefaultValues deal with it).
// Header_Mode / Footer_Mode.
enum class HeaderMode {
  None = 0,
  Html = 1,  // the same HTML text on every page
  List = 2,  // a list file whose entries rotate page by page
};
// Image_Header_Mode / Image_Footer_Mode.
enum class ImageHeaderMode { None = 0, SameAsIndex = 1, Html = 2, List = 3 };
// Image_Display_Method: how a thumbnail's full-size image is shown.
enum class DisplayMethod {
  SameWindow = 0,       // in the window of the thumbnail pages
  NewWindow = 1,        // each image in a new window
  NewWindowScript = 2,  // each image in a new window opened by a script
  SecondWindow = 3,     // one second window, opened by a script, for all images
};
// Status: whether the rotation has been built since it was made.
enum class RotationStatus { New = 0, Opened = 1, Built = 2 };

// The number stored for a choice.
template <typename Choice>
constexpr int Stored(Choice choice) {
  return static_cast<int>(choice);
}

// One record per program run, filled with these initial values and then edited in place; loading
// a section overwrites only what the section provides. Fields are named by their settings keys.
struct SiteSettings {
  RotationStatus Status = RotationStatus::New;
  std::string Rotation_Path;
  std::string Style_File;
  std::string Header_File;
  std::string Header_HTML;
  std::string Footer_File;
  std::string Footer_HTML;
  bool ImageNavigationBar = false;
  bool KorrinLink = false;
  bool IndexInThumbPages = true;
  bool IndexInImagePages = true;
  bool Page_Position_Heading = false;
  int Page_Position_Heading_Size = 0;  // 0 H1 .. 3 H4
  int Thumb_Width = 100;
  int Cell_Padding = 10;
  int Cell_Spacing = 3;
  int Thumb_Height = 100;
  int Thumb_Border = 2;
  int Thumb_JPEG_Quality = 70;
  int Horizontal_Thumb_Count = 5;
  int Vertical_Thumb_Count = 4;
  std::string Default_Font;
  int Default_Font_Size = 0;
  std::string Index_Font;
  int Index_Font_Size = 0;
  int Index_Image_Font_Size = 10;
  std::string Previous_Page_File;
  std::string Next_Page_File;
  std::string Return_To_Index_File;
  DisplayMethod Image_Display_Method = DisplayMethod::SameWindow;
  std::string Selected_Page_Index_File;
  std::string Other_Page_Index_File;
  FilenameDisplay Filename_Display = FilenameDisplay::HideExt;
  std::string Description_File;
  bool ShowFilenameWhenNoDesc = true;
  Colour Displayed_Page_Text_Colour;
  Colour Other_Page_Text_Colour;
  Colour Link_Enclosure_Colour;
  Colour Heading_Colour;
  std::string Page_Number_Prefix = "Page";
  int Link_Enclosure = 0;  // 0 none, 1 "< >", 2 "> <", 3 "[  ]", 4 "-  -"
  IndexLayout Index_Layout = IndexLayout::Vertical;
  bool DisplayAsImage = true;
  std::string Image_Style_File;
  bool Image_Header_Same_As_Index =
      true;  // mirrors Image_Header_Mode == ImageHeaderMode::SameAsIndex after a load
  std::string Image_Header_File;
  std::string Image_Header_HTML;
  bool Image_Footer_Same_As_Index =
      true;  // mirrors Image_Footer_Mode == ImageHeaderMode::SameAsIndex after a load
  std::string Image_Footer_File;
  std::string Image_Footer_HTML;
  int Image_Width = 800;   // used only while max_image_size is on
  int Image_Height = 600;  // likewise
  bool Image_Heading = false;
  bool Image_UseSameNavGraphics = true;
  bool Default_Font_Bold = false;
  bool Default_Font_Italics = false;
  bool Index_Font_Bold = false;
  bool Index_Font_Italics = false;
  // Display copies: 0 off, else the box (kWebImageSizeRange) each JPEG picture's copy in web/
  // fits, written at Web_Image_Quality.
  int Web_Image_Size = 0;
  int Web_Image_Quality = 85;
  // A thumbnail for twice the density beside each one that its picture is large enough for.
  bool HiDPI_Thumbnails = false;
  // Thumbnail and display images load lazily, with their sizes in the tag.
  bool Lazy_Loading = false;

  // Which header/footer keys are in use.
  HeaderMode Header_Mode = HeaderMode::None;
  HeaderMode Footer_Mode = HeaderMode::None;
  ImageHeaderMode Image_Header_Mode = ImageHeaderMode::SameAsIndex;
  ImageHeaderMode Image_Footer_Mode = ImageHeaderMode::SameAsIndex;

  // Switches the page settings dialog keeps as check boxes.
  bool prev_next_image_buttons = false;  // Previous_/Next_/Return_To_Index_File are used
  bool index_image_buttons = false;      // Selected_/Other_Page_Index_File are used
  bool max_image_size = false;           // Image_Width/Image_Height are used
  bool default_font_default = true;      // Default_Font is ignored (the browser's font)
  bool index_font_default = true;        // Index_Font is ignored

  // The rotation whose settings the record holds; -1 when none.
  int current_rotation = -1;
};

// What LoadRotation and SaveRotation need to know about a site.
struct SiteContext {
  std::string site_key;        // "Site_1"
  std::string site_path;       // the site's image directory, expanded, ending in "/"
  bool use_rotations = false;  // the application option
};

inline constexpr std::string_view kSaveRotationWarning =
    "Error encountered saving the settings for the current rotation.  Ensure you have sufficient "
    "disk space and write access to this drive";

// "Rotation_" + the number.
std::string RotationSection(int rotation);

// What LoadRotation reads besides the page settings.
struct RotationLoad {
  bool with_path = false;     // Rotation_Path
  bool make_current = false;  // the rotation becomes current_rotation and Status is read
};

// Reads section Rotation_<rotation> of the site's settings file into `settings`. With
// `make_current` the rotation becomes current_rotation and Status is read (the caller then shows
// EditorTitle and Displaycurrentstatus); with `with_path` Rotation_Path is read too. A missing file
// or section is no error. False when a colour text cannot be read: the fields after it keep their
// values.
bool LoadRotation(Interaction& ui, SiteSettings& settings, const SiteContext& site, int rotation,
                  RotationLoad load);

// LoadRotation's reading rules applied to a document already in memory.
bool LoadRotationFrom(const IniFile& ini, SiteSettings& settings, const SiteContext& site,
                      int rotation, RotationLoad load);

// Sets the keys SaveRotation writes, in its order, into section Rotation_<rotation> of `ini`.
void WriteRotationSection(IniFile& ini, const SiteSettings& settings, int rotation, SavedKeys keys);

// Writes `settings` into section Rotation_<rotation> of the site's settings file (created when
// missing), Status and Rotation_Path only with SavedKeys::WithStatusAndPath. A negative rotation
// writes nothing and succeeds. On failure shows kSaveRotationWarning, returns false and leaves the
// file as it was.
bool SaveRotation(Interaction& ui, const SiteSettings& settings, const SiteContext& site,
                  int rotation, SavedKeys keys);
// SaveRotation writing, of the keys the section holds, only those whose text differs between
// `settings` and `baseline` (the record as the section was read; WriteRotationKeys).
bool SaveRotationChanges(Interaction& ui, const SiteSettings& settings,
                         const SiteSettings& baseline, const SiteContext& site, int rotation,
                         SavedKeys keys);

// Empties the header and footer texts and list file names of both kinds of page and sets their
// modes to none; an image page header or footer that is the same as the thumbnail pages' stays
// so (it names no text or file of its own).
void ClearHeadersAndFooters(SiteSettings& settings);

// Gives every choice field that holds no valid choice its default; valid choices stay.
void SetDefaultValues(SiteSettings& settings);

// The site editor's status line and whether Preview is enabled.
struct CurrentStatus {
  std::optional<std::string> line;  // nullopt: leave the line as it is (Status not 0, 1 or 2)
  bool preview_enabled = false;
};
CurrentStatus Displaycurrentstatus(const SiteSettings& settings, bool use_rotations);

// The site editor's title for a current rotation: "Rotation N", or "Current Site".
std::string EditorTitle(int rotation, bool use_rotations);

}  // namespace parvel
