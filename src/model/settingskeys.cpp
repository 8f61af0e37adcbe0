#include "model/settingskeys.h"

#include <algorithm>

#include "base/textutil.h"
#include "model/colour.h"
#include "model/inifile.h"
#include "model/paths.h"
#include "model/sitesettings.h"

namespace parvel {
namespace {

// One section of a settings file, read with the rules of stored settings.
class SectionReader {
 public:
  SectionReader(const IniFile& ini, std::string_view section) : ini_(ini), section_(section) {}

  std::optional<std::string> Get(std::string_view key) const { return ini_.Get(section_, key); }

  // A key whose missing value is True is false only for "FALSE"; one whose missing value is
  // False is true only for "TRUE". Any other text counts as the missing value.
  bool Bool(std::string_view key, bool missing) const {
    const auto text = Get(key);
    if (!text) return missing;
    const std::string upper = UpperAscii(*text);
    return missing ? upper != "FALSE" : upper == "TRUE";
  }

  // Text as stored; a missing key keeps the field.
  void Text(std::string_view key, std::string& field) const {
    if (auto text = Get(key)) field = std::move(*text);
  }

  // A stored path, expanded; a missing key keeps the field.
  void Path(std::string_view key, std::string& field) const {
    if (auto text = Get(key)) field = ExpandPath(*text);
  }

  // A non-empty value only; an empty or missing key keeps the field. True when one was taken.
  bool NonEmptyText(std::string_view key, std::string& field) const {
    auto text = Get(key);
    if (!text || text->empty()) return false;
    field = std::move(*text);
    return true;
  }
  bool NonEmptyPath(std::string_view key, std::string& field) const {
    auto text = Get(key);
    if (!text || text->empty()) return false;
    field = ExpandPath(*text);
    return true;
  }

  // An integer clamped to `range`; a missing key keeps the field. False when the text is not an
  // integer (the field is then unchanged).
  bool Clamped(std::string_view key, int& field, IntRange range) const {
    auto text = Get(key);
    if (!text) return true;
    auto number = ParseInt(*text);
    if (!number) return false;
    field = range.Clamp(*number);
    return true;
  }

  // A choice list's item: taken as read, a value outside the list meaning no choice.
  bool Choice(std::string_view key, int& field) const {
    auto text = Get(key);
    if (!text) return true;
    auto number = ParseInt(*text);
    if (!number) return false;
    field = *number;
    return true;
  }

  // A colour. A missing key gives the colour the field holds, where a field at Default counts as
  // black (the stored form always has the key, so only hand-made sections meet this). False when
  // the text is no colour.
  bool ColourValue(std::string_view key, Colour& field) const {
    auto text = Get(key);
    if (!text) {
      if (field.IsDefault()) field = Colour::Of(kClBlack);
      return true;
    }
    auto colour = ParseColour(*text);
    if (!colour) return false;
    field = *colour;
    return true;
  }

 private:
  const IniFile& ini_;
  std::string_view section_;
};

// What reading one key means for the keys after it.
enum class Read {
  Next,      // go on
  EndGroup,  // skip the rest of this key's group
  Fail,      // stop: the section cannot be read
};

// The thumbnail, table and font settings are read as one group: the first value that is not an
// integer ends the group, leaving it and every later field of the group as they were.
enum class Group { None, Thumbnail };

using LoadFn = Read (*)(const SectionReader& r, std::string_view key, SiteSettings& s,
                        const KeyReadContext& c);
// The value a save writes, or nullopt when the key is left as it is.
using SaveFn = std::optional<std::string> (*)(const SiteSettings& s);

struct KeyRule {
  SettingsKey key;
  // Position in the load order; keys are read in increasing steps.
  int load_step;
  Group group;
  LoadFn load;
  SaveFn save;
  bool status_or_path = false;  // written only with Status and Rotation_Path
};

std::string BoolText(bool value) {
  return value ? "True" : "False";
}

FilenameDisplay ParseFilenameDisplay(std::string_view text) {
  const std::string upper = UpperAscii(text);
  if (upper == "NONE") return FilenameDisplay::None;
  if (upper == "HIDEEXT") return FilenameDisplay::HideExt;
  if (upper == "DESCRIPTIONFILE") return FilenameDisplay::DescriptionFile;
  return FilenameDisplay::Normal;
}

std::string FilenameDisplayWord(FilenameDisplay value) {
  switch (value) {
    case FilenameDisplay::None:
      return "None";
    case FilenameDisplay::HideExt:
      return "HideExt";
    case FilenameDisplay::DescriptionFile:
      return "DescriptionFile";
    case FilenameDisplay::Normal:
      break;
  }
  return "Normal";
}

// Loaders and savers shared by keys of one form.

template <bool SiteSettings::*F, bool Missing>
Read LoadBool(const SectionReader& r, std::string_view key, SiteSettings& s,
              const KeyReadContext&) {
  s.*F = r.Bool(key, Missing);
  return Read::Next;
}
template <bool SiteSettings::*F>
std::optional<std::string> SaveBool(const SiteSettings& s) {
  return BoolText(s.*F);
}

template <std::string SiteSettings::*F>
Read LoadText(const SectionReader& r, std::string_view key, SiteSettings& s,
              const KeyReadContext&) {
  r.Text(key, s.*F);
  return Read::Next;
}
template <std::string SiteSettings::*F>
std::optional<std::string> SaveText(const SiteSettings& s) {
  return s.*F;
}

template <std::string SiteSettings::*F>
Read LoadPath(const SectionReader& r, std::string_view key, SiteSettings& s,
              const KeyReadContext&) {
  r.Path(key, s.*F);
  return Read::Next;
}
template <std::string SiteSettings::*F>
std::optional<std::string> SavePath(const SiteSettings& s) {
  return TruncatePath(s.*F);
}

template <int SiteSettings::*F, IntRange R>
Read LoadClamped(const SectionReader& r, std::string_view key, SiteSettings& s,
                 const KeyReadContext&) {
  return r.Clamped(key, s.*F, R) ? Read::Next : Read::EndGroup;
}
template <int SiteSettings::*F>
Read LoadChoice(const SectionReader& r, std::string_view key, SiteSettings& s,
                const KeyReadContext&) {
  return r.Choice(key, s.*F) ? Read::Next : Read::EndGroup;
}
template <auto SiteSettings::*F>
std::optional<std::string> SaveInt(const SiteSettings& s) {
  return IntToStr(Stored(s.*F));
}

template <Colour SiteSettings::*F>
Read LoadColour(const SectionReader& r, std::string_view key, SiteSettings& s,
                const KeyReadContext&) {
  return r.ColourValue(key, s.*F) ? Read::Next : Read::Fail;
}
template <Colour SiteSettings::*F>
std::optional<std::string> SaveColour(const SiteSettings& s) {
  return ColourToString(s.*F);
}

// The web-ready keys came later: a section without them (or with no number) gives the default, so
// an older site builds as it always did.
template <int SiteSettings::*F, int Default, IntRange R, bool ZeroIsOff>
Read LoadWebInt(const SectionReader& r, std::string_view key, SiteSettings& s,
                const KeyReadContext&) {
  const auto text = r.Get(key);
  const auto number = text ? ParseInt(*text) : std::nullopt;
  if (!number) {
    s.*F = Default;
  } else if (ZeroIsOff && *number <= 0) {
    s.*F = 0;
  } else {
    s.*F = R.Clamp(*number);
  }
  return Read::Next;
}

// Header_Mode or Footer_Mode: the HTML key is read first and the file key after it, so that a
// file wins over HTML text; neither gives none. A mode outside the choices writes neither key.
template <HeaderMode SiteSettings::*Mode, std::string SiteSettings::*Html>
Read LoadHeaderHtml(const SectionReader& r, std::string_view key, SiteSettings& s,
                    const KeyReadContext&) {
  s.*Mode = r.NonEmptyText(key, s.*Html) ? HeaderMode::Html : HeaderMode::None;
  return Read::Next;
}
template <HeaderMode SiteSettings::*Mode, std::string SiteSettings::*File>
Read LoadHeaderFile(const SectionReader& r, std::string_view key, SiteSettings& s,
                    const KeyReadContext&) {
  if (r.NonEmptyPath(key, s.*File)) s.*Mode = HeaderMode::List;
  return Read::Next;
}
template <HeaderMode SiteSettings::*Mode, std::string SiteSettings::*Html>
std::optional<std::string> SaveHeaderHtml(const SiteSettings& s) {
  switch (s.*Mode) {
    case HeaderMode::None:
    case HeaderMode::List:
      return "";
    case HeaderMode::Html:
      return s.*Html;
    default:
      return std::nullopt;
  }
}
template <HeaderMode SiteSettings::*Mode, std::string SiteSettings::*File>
std::optional<std::string> SaveHeaderFile(const SiteSettings& s) {
  switch (s.*Mode) {
    case HeaderMode::None:
    case HeaderMode::Html:
      return "";
    case HeaderMode::List:
      return TruncatePath(s.*File);
    default:
      return std::nullopt;
  }
}

// Image_Header_Mode or Image_Footer_Mode: "same as the thumbnail pages" first; otherwise as
// Header_Mode. Mode 1 leaves the text and file of an earlier mode in the file.
template <ImageHeaderMode SiteSettings::*Mode, bool SiteSettings::*Same>
Read LoadImageHeaderSame(const SectionReader& r, std::string_view key, SiteSettings& s,
                         const KeyReadContext&) {
  s.*Same = r.Bool(key, false);
  s.*Mode = s.*Same ? ImageHeaderMode::SameAsIndex : ImageHeaderMode::None;
  return Read::Next;
}
template <ImageHeaderMode SiteSettings::*Mode>
std::optional<std::string> SaveImageHeaderSame(const SiteSettings& s) {
  return BoolText(s.*Mode == ImageHeaderMode::SameAsIndex);
}
template <ImageHeaderMode SiteSettings::*Mode, bool SiteSettings::*Same,
          std::string SiteSettings::*Html>
Read LoadImageHeaderHtml(const SectionReader& r, std::string_view key, SiteSettings& s,
                         const KeyReadContext&) {
  if (!(s.*Same) && r.NonEmptyText(key, s.*Html)) s.*Mode = ImageHeaderMode::Html;
  return Read::Next;
}
template <ImageHeaderMode SiteSettings::*Mode, bool SiteSettings::*Same,
          std::string SiteSettings::*File>
Read LoadImageHeaderFile(const SectionReader& r, std::string_view key, SiteSettings& s,
                         const KeyReadContext&) {
  if (!(s.*Same) && r.NonEmptyPath(key, s.*File)) s.*Mode = ImageHeaderMode::List;
  return Read::Next;
}
template <ImageHeaderMode SiteSettings::*Mode, std::string SiteSettings::*Html>
std::optional<std::string> SaveImageHeaderHtml(const SiteSettings& s) {
  switch (s.*Mode) {
    case ImageHeaderMode::None:
    case ImageHeaderMode::List:
      return "";
    case ImageHeaderMode::Html:
      return s.*Html;
    default:
      return std::nullopt;
  }
}
template <ImageHeaderMode SiteSettings::*Mode, std::string SiteSettings::*File>
std::optional<std::string> SaveImageHeaderFile(const SiteSettings& s) {
  switch (s.*Mode) {
    case ImageHeaderMode::None:
    case ImageHeaderMode::Html:
      return "";
    case ImageHeaderMode::List:
      return TruncatePath(s.*File);
    default:
      return std::nullopt;
  }
}

// With bare images shown there are no image pages, so their template and header stay as they
// were; the footer is read either way.
template <LoadFn Load>
Read OnlyWithImagePages(const SectionReader& r, std::string_view key, SiteSettings& s,
                        const KeyReadContext& c) {
  return s.DisplayAsImage ? Read::Next : Load(r, key, s, c);
}

// Keys whose paths are used only while their check box is on save empty otherwise.
template <std::string SiteSettings::*F, bool SiteSettings::*Switch>
std::optional<std::string> SavePathWhen(const SiteSettings& s) {
  return s.*Switch ? TruncatePath(s.*F) : "";
}

// Previous_/Next_/Return_To_Index_File are in use when both arrows have a file; likewise the page
// index buttons. The switch is set as the second of the pair is read.
template <std::string SiteSettings::*F, std::string SiteSettings::*Other,
          bool SiteSettings::*Switch>
Read LoadPathPair(const SectionReader& r, std::string_view key, SiteSettings& s,
                  const KeyReadContext&) {
  r.Path(key, s.*F);
  s.*Switch = !(s.*F).empty() && !(s.*Other).empty();
  return Read::Next;
}

// A font name is kept only while its "default font" box is off.
template <std::string SiteSettings::*F, bool SiteSettings::*IsDefault>
Read LoadFont(const SectionReader& r, std::string_view key, SiteSettings& s,
              const KeyReadContext&) {
  r.Text(key, s.*F);
  s.*IsDefault = (s.*F).empty();
  return Read::Next;
}
template <std::string SiteSettings::*F, bool SiteSettings::*IsDefault>
std::optional<std::string> SaveFont(const SiteSettings& s) {
  return s.*IsDefault ? "" : s.*F;
}

// Image_Width and Image_Height: both numbers switch the size limit on, else "NA" for both.
Read LoadImageWidth(const SectionReader& r, std::string_view key, SiteSettings& s,
                    const KeyReadContext&) {
  const auto width = ParseInt(r.Get(key).value_or("NA"));
  s.max_image_size = width.has_value();
  if (width) s.Image_Width = kImageSizeRange.Clamp(*width);
  return Read::Next;
}
Read LoadImageHeight(const SectionReader& r, std::string_view key, SiteSettings& s,
                     const KeyReadContext&) {
  if (!s.max_image_size) return Read::Next;
  const auto height = ParseInt(r.Get(key).value_or("NA"));
  s.max_image_size = height.has_value();
  if (height) s.Image_Height = kImageSizeRange.Clamp(*height);
  return Read::Next;
}
template <int SiteSettings::*F>
std::optional<std::string> SaveImageSize(const SiteSettings& s) {
  return s.max_image_size ? IntToStr(s.*F) : "NA";
}

const std::vector<KeyRule>& Rules() {
  using K = KeyKind;
  using S = SiteSettings;
  constexpr Group G = Group::None;
  constexpr Group T = Group::Thumbnail;
  static const std::vector<KeyRule> rules = {
      {{"Status", K::Integer},
       0,
       G,
       [](const SectionReader& r, std::string_view key, S& s, const KeyReadContext& c) {
         if (c.make_current) {
           s.Status = static_cast<RotationStatus>(ParseInt(r.Get(key).value_or("0")).value_or(0));
         }
         return Read::Next;
       },
       SaveInt<&S::Status>,
       true},
      {{"Rotation_Path", K::Path},
       1,
       G,
       [](const SectionReader& r, std::string_view key, S& s, const KeyReadContext& c) {
         if (!c.with_path) return Read::Next;
         if (auto path = r.Get(key)) {
           s.Rotation_Path = ExpandPath(*path);
         } else if (c.site.use_rotations) {
           s.Rotation_Path = FixPath(c.site.site_path, true) + RotationSection(c.rotation);
         } else {
           s.Rotation_Path = c.site.site_path;
         }
         return Read::Next;
       },
       SavePath<&S::Rotation_Path>,
       true},
      {{"Style_File", K::Path}, 2, G, LoadPath<&S::Style_File>, SavePath<&S::Style_File>},
      {{"Header_File", K::Path},
       4,
       G,
       LoadHeaderFile<&S::Header_Mode, &S::Header_File>,
       SaveHeaderFile<&S::Header_Mode, &S::Header_File>},
      {{"Header_HTML", K::Text},
       3,
       G,
       LoadHeaderHtml<&S::Header_Mode, &S::Header_HTML>,
       SaveHeaderHtml<&S::Header_Mode, &S::Header_HTML>},
      {{"Footer_File", K::Path},
       6,
       G,
       LoadHeaderFile<&S::Footer_Mode, &S::Footer_File>,
       SaveHeaderFile<&S::Footer_Mode, &S::Footer_File>},
      {{"Footer_HTML", K::Text},
       5,
       G,
       LoadHeaderHtml<&S::Footer_Mode, &S::Footer_HTML>,
       SaveHeaderHtml<&S::Footer_Mode, &S::Footer_HTML>},
      {{"ImageNavigationBar", K::Boolean},
       8,
       G,
       LoadBool<&S::ImageNavigationBar, true>,
       SaveBool<&S::ImageNavigationBar>},
      {{"KorrinLink", K::Boolean}, 7, G, LoadBool<&S::KorrinLink, true>, SaveBool<&S::KorrinLink>},
      {{"IndexInThumbPages", K::Boolean},
       10,
       G,
       LoadBool<&S::IndexInThumbPages, true>,
       SaveBool<&S::IndexInThumbPages>},
      {{"IndexInImagePages", K::Boolean},
       9,
       G,
       LoadBool<&S::IndexInImagePages, true>,
       SaveBool<&S::IndexInImagePages>},
      {{"Page_Position_Heading", K::Boolean},
       11,
       G,
       LoadBool<&S::Page_Position_Heading, true>,
       SaveBool<&S::Page_Position_Heading>},
      {{"Page_Position_Heading_Size", K::Integer},
       12,
       G,
       // A size outside the choices reads as H2.
       [](const SectionReader& r, std::string_view key, S& s, const KeyReadContext&) {
         if (auto text = r.Get(key)) {
           if (auto size = ParseInt(*text)) {
             s.Page_Position_Heading_Size = kHeadingSizeChoices.Holds(*size) ? *size : 1;
           }
         }
         return Read::Next;
       },
       SaveInt<&S::Page_Position_Heading_Size>},
      {{"Thumb_Width", K::Integer},
       13,
       T,
       LoadClamped<&S::Thumb_Width, kThumbSizeRange>,
       SaveInt<&S::Thumb_Width>},
      {{"Cell_Padding", K::Integer},
       26,
       T,
       LoadClamped<&S::Cell_Padding, kCellPaddingRange>,
       SaveInt<&S::Cell_Padding>},
      {{"Cell_Spacing", K::Integer},
       25,
       T,
       LoadClamped<&S::Cell_Spacing, kCellSpacingRange>,
       SaveInt<&S::Cell_Spacing>},
      {{"Thumb_Height", K::Integer},
       14,
       T,
       LoadClamped<&S::Thumb_Height, kThumbSizeRange>,
       SaveInt<&S::Thumb_Height>},
      {{"Thumb_Border", K::Integer},
       15,
       T,
       LoadClamped<&S::Thumb_Border, kThumbBorderRange>,
       SaveInt<&S::Thumb_Border>},
      {{"Thumb_JPEG_Quality", K::Integer},
       16,
       T,
       LoadClamped<&S::Thumb_JPEG_Quality, kJpegQualityRange>,
       SaveInt<&S::Thumb_JPEG_Quality>},
      {{"Horizontal_Thumb_Count", K::Integer},
       17,
       T,
       LoadClamped<&S::Horizontal_Thumb_Count, kThumbCountRange>,
       SaveInt<&S::Horizontal_Thumb_Count>},
      {{"Vertical_Thumb_Count", K::Integer},
       18,
       T,
       LoadClamped<&S::Vertical_Thumb_Count, kThumbCountRange>,
       SaveInt<&S::Vertical_Thumb_Count>},
      {{"Default_Font", K::Text},
       20,
       T,
       LoadFont<&S::Default_Font, &S::default_font_default>,
       SaveFont<&S::Default_Font, &S::default_font_default>},
      {{"Default_Font_Size", K::Integer},
       21,
       T,
       LoadChoice<&S::Default_Font_Size>,
       SaveInt<&S::Default_Font_Size>},
      {{"Index_Font", K::Text},
       22,
       T,
       LoadFont<&S::Index_Font, &S::index_font_default>,
       SaveFont<&S::Index_Font, &S::index_font_default>},
      {{"Index_Font_Size", K::Integer},
       23,
       T,
       LoadChoice<&S::Index_Font_Size>,
       SaveInt<&S::Index_Font_Size>},
      {{"Index_Image_Font_Size", K::Integer},
       24,
       T,
       // Not a number: the initial size, and the group goes on.
       [](const SectionReader& r, std::string_view key, S& s, const KeyReadContext&) {
         if (!r.Clamped(key, s.Index_Image_Font_Size, kIndexImageFontSizeRange)) {
           s.Index_Image_Font_Size = 10;
         }
         return Read::Next;
       },
       SaveInt<&S::Index_Image_Font_Size>},
      {{"Previous_Page_File", K::Path},
       31,
       G,
       LoadPath<&S::Previous_Page_File>,
       SavePathWhen<&S::Previous_Page_File, &S::prev_next_image_buttons>},
      {{"Next_Page_File", K::Path},
       32,
       G,
       LoadPathPair<&S::Next_Page_File, &S::Previous_Page_File, &S::prev_next_image_buttons>,
       SavePathWhen<&S::Next_Page_File, &S::prev_next_image_buttons>},
      {{"Return_To_Index_File", K::Path},
       30,
       G,
       LoadPath<&S::Return_To_Index_File>,
       SavePathWhen<&S::Return_To_Index_File, &S::prev_next_image_buttons>},
      {{"Image_Display_Method", K::Integer},
       50,
       G,
       [](const SectionReader& r, std::string_view key, S& s, const KeyReadContext&) {
         if (auto text = r.Get(key)) {
           s.Image_Display_Method = static_cast<DisplayMethod>(ParseInt(*text).value_or(0));
         }
         return Read::Next;
       },
       // No valid choice: the key is left as it is.
       [](const S& s) -> std::optional<std::string> {
         if (!kDisplayMethodChoices.Holds(s.Image_Display_Method)) return std::nullopt;
         return IntToStr(Stored(s.Image_Display_Method));
       }},
      {{"Selected_Page_Index_File", K::Path},
       33,
       G,
       LoadPath<&S::Selected_Page_Index_File>,
       SavePathWhen<&S::Selected_Page_Index_File, &S::index_image_buttons>},
      {{"Other_Page_Index_File", K::Path},
       34,
       G,
       LoadPathPair<&S::Other_Page_Index_File, &S::Selected_Page_Index_File,
                    &S::index_image_buttons>,
       SavePathWhen<&S::Other_Page_Index_File, &S::index_image_buttons>},
      {{"Filename_Display", K::FilenameDisplay},
       27,
       G,
       [](const SectionReader& r, std::string_view key, S& s, const KeyReadContext&) {
         s.Filename_Display = ParseFilenameDisplay(r.Get(key).value_or(""));
         return Read::Next;
       },
       [](const S& s) -> std::optional<std::string> {
         return FilenameDisplayWord(s.Filename_Display);
       }},
      {{"Description_File", K::Text},
       28,
       G,
       LoadText<&S::Description_File>,
       SaveText<&S::Description_File>},
      {{"ShowFilenameWhenNoDesc", K::Boolean},
       29,
       G,
       LoadBool<&S::ShowFilenameWhenNoDesc, true>,
       SaveBool<&S::ShowFilenameWhenNoDesc>},
      {{"Displayed_Page_Text_Colour", K::Colour},
       35,
       G,
       LoadColour<&S::Displayed_Page_Text_Colour>,
       SaveColour<&S::Displayed_Page_Text_Colour>},
      {{"Other_Page_Text_Colour", K::Colour},
       36,
       G,
       LoadColour<&S::Other_Page_Text_Colour>,
       SaveColour<&S::Other_Page_Text_Colour>},
      {{"Link_Enclosure_Colour", K::Colour},
       37,
       G,
       LoadColour<&S::Link_Enclosure_Colour>,
       SaveColour<&S::Link_Enclosure_Colour>},
      {{"Heading_Colour", K::Colour},
       38,
       G,
       LoadColour<&S::Heading_Colour>,
       SaveColour<&S::Heading_Colour>},
      {{"Page_Number_Prefix", K::Text},
       39,
       G,
       LoadText<&S::Page_Number_Prefix>,
       SaveText<&S::Page_Number_Prefix>},
      {{"Link_Enclosure", K::Integer},
       19,
       T,
       LoadChoice<&S::Link_Enclosure>,
       SaveInt<&S::Link_Enclosure>},
      {{"Index_Layout", K::IndexLayout},
       40,
       G,
       [](const SectionReader& r, std::string_view key, S& s, const KeyReadContext&) {
         s.Index_Layout = UpperAscii(r.Get(key).value_or("")) == "HORIZONTAL"
                              ? IndexLayout::Horizontal
                              : IndexLayout::Vertical;
         return Read::Next;
       },
       [](const S& s) -> std::optional<std::string> {
         return s.Index_Layout == IndexLayout::Horizontal ? "Horizontal" : "Vertical";
       }},
      {{"DisplayAsImage", K::Boolean},
       41,
       G,
       LoadBool<&S::DisplayAsImage, true>,
       SaveBool<&S::DisplayAsImage>},
      {{"Image_Style_File", K::Path},
       46,
       G,
       OnlyWithImagePages<LoadPath<&S::Image_Style_File>>,
       SavePath<&S::Image_Style_File>},
      {{"Image_Header_Same_As_Index", K::Boolean},
       47,
       G,
       OnlyWithImagePages<
           LoadImageHeaderSame<&S::Image_Header_Mode, &S::Image_Header_Same_As_Index>>,
       SaveImageHeaderSame<&S::Image_Header_Mode>},
      {{"Image_Header_File", K::Path},
       49,
       G,
       OnlyWithImagePages<LoadImageHeaderFile<&S::Image_Header_Mode, &S::Image_Header_Same_As_Index,
                                              &S::Image_Header_File>>,
       SaveImageHeaderFile<&S::Image_Header_Mode, &S::Image_Header_File>},
      {{"Image_Header_HTML", K::Text},
       48,
       G,
       OnlyWithImagePages<LoadImageHeaderHtml<&S::Image_Header_Mode, &S::Image_Header_Same_As_Index,
                                              &S::Image_Header_HTML>>,
       SaveImageHeaderHtml<&S::Image_Header_Mode, &S::Image_Header_HTML>},
      {{"Image_Footer_Same_As_Index", K::Boolean},
       51,
       G,
       LoadImageHeaderSame<&S::Image_Footer_Mode, &S::Image_Footer_Same_As_Index>,
       SaveImageHeaderSame<&S::Image_Footer_Mode>},
      {{"Image_Footer_File", K::Path},
       53,
       G,
       LoadImageHeaderFile<&S::Image_Footer_Mode, &S::Image_Footer_Same_As_Index,
                           &S::Image_Footer_File>,
       SaveImageHeaderFile<&S::Image_Footer_Mode, &S::Image_Footer_File>},
      {{"Image_Footer_HTML", K::Text},
       52,
       G,
       LoadImageHeaderHtml<&S::Image_Footer_Mode, &S::Image_Footer_Same_As_Index,
                           &S::Image_Footer_HTML>,
       SaveImageHeaderHtml<&S::Image_Footer_Mode, &S::Image_Footer_HTML>},
      {{"Image_Width", K::SizeOrNA}, 54, G, LoadImageWidth, SaveImageSize<&S::Image_Width>},
      {{"Image_Height", K::SizeOrNA}, 55, G, LoadImageHeight, SaveImageSize<&S::Image_Height>},
      {{"Image_Heading", K::Boolean},
       56,
       G,
       LoadBool<&S::Image_Heading, true>,
       SaveBool<&S::Image_Heading>},
      {{"Image_UseSameNavGraphics", K::Boolean},
       57,
       G,
       // Used only with the arrows of the thumbnail pages in use.
       [](const SectionReader& r, std::string_view key, S& s, const KeyReadContext&) {
         s.Image_UseSameNavGraphics = s.prev_next_image_buttons && r.Bool(key, true);
         return Read::Next;
       },
       SaveBool<&S::Image_UseSameNavGraphics>},
      {{"Default_Font_Bold", K::Boolean},
       44,
       G,
       LoadBool<&S::Default_Font_Bold, false>,
       SaveBool<&S::Default_Font_Bold>},
      {{"Default_Font_Italics", K::Boolean},
       45,
       G,
       LoadBool<&S::Default_Font_Italics, false>,
       SaveBool<&S::Default_Font_Italics>},
      {{"Index_Font_Bold", K::Boolean},
       42,
       G,
       LoadBool<&S::Index_Font_Bold, false>,
       SaveBool<&S::Index_Font_Bold>},
      {{"Index_Font_Italics", K::Boolean},
       43,
       G,
       LoadBool<&S::Index_Font_Italics, false>,
       SaveBool<&S::Index_Font_Italics>},
      // Saved after every older key, so that an older program reading the file meets them last.
      {{"Web_Image_Size", K::SizeOrOff, kWebImageSizeRange.lo, kWebImageSizeRange.hi, true},
       58,
       G,
       LoadWebInt<&S::Web_Image_Size, 0, kWebImageSizeRange, true>,
       SaveInt<&S::Web_Image_Size>},
      {{"Web_Image_Quality", K::Integer, kWebImageQualityRange.lo, kWebImageQualityRange.hi, true},
       59,
       G,
       LoadWebInt<&S::Web_Image_Quality, 85, kWebImageQualityRange, false>,
       SaveInt<&S::Web_Image_Quality>},
      {{"HiDPI_Thumbnails", K::Boolean},
       60,
       G,
       LoadBool<&S::HiDPI_Thumbnails, false>,
       SaveBool<&S::HiDPI_Thumbnails>},
      {{"Lazy_Loading", K::Boolean},
       61,
       G,
       LoadBool<&S::Lazy_Loading, false>,
       SaveBool<&S::Lazy_Loading>},
  };
  return rules;
}

// The rules in load order (the table's order among equal steps).
const std::vector<const KeyRule*>& LoadOrder() {
  static const std::vector<const KeyRule*> order = [] {
    std::vector<const KeyRule*> rules;
    for (const auto& rule : Rules()) rules.push_back(&rule);
    std::stable_sort(rules.begin(), rules.end(), [](const KeyRule* a, const KeyRule* b) {
      return a->load_step < b->load_step;
    });
    return rules;
  }();
  return order;
}

}  // namespace

const std::vector<SettingsKey>& RotationKeys() {
  static const std::vector<SettingsKey> keys = [] {
    std::vector<SettingsKey> result;
    for (const auto& rule : Rules()) result.push_back(rule.key);
    return result;
  }();
  return keys;
}

std::optional<SettingsKey> FindRotationKey(std::string_view name) {
  for (const auto& key : RotationKeys()) {
    if (EqualsNoCase(key.name, name)) return key;
  }
  return std::nullopt;
}

std::string CheckSettingValue(const SettingsKey& key, std::string_view value) {
  const std::string upper = UpperAscii(value);
  switch (key.kind) {
    case KeyKind::Integer:
    case KeyKind::SizeOrOff: {
      const auto number = ParseInt(value);
      if (!number) return "not a whole number";
      if (!key.refuse_outside) return "";
      if (key.kind == KeyKind::SizeOrOff && *number == 0) return "";
      if (*number >= key.lo && *number <= key.hi) return "";
      const std::string limits = std::to_string(key.lo) + " to " + std::to_string(key.hi);
      return key.kind == KeyKind::SizeOrOff ? "not 0 (off) or " + limits : "not " + limits;
    }
    case KeyKind::SizeOrNA:
      return (ParseInt(value) || upper == "NA") ? "" : "not a whole number or NA";
    case KeyKind::Boolean:
      return (upper == "TRUE" || upper == "FALSE") ? "" : "not True or False";
    case KeyKind::Colour:
      return ParseColour(value) ? "" : "not Default, a colour name or a number";
    case KeyKind::FilenameDisplay:
      return (upper == "NONE" || upper == "HIDEEXT" || upper == "DESCRIPTIONFILE" ||
              upper == "NORMAL")
                 ? ""
                 : "not None, HideExt, DescriptionFile or Normal";
    case KeyKind::IndexLayout:
      return (upper == "VERTICAL" || upper == "HORIZONTAL") ? "" : "not Vertical or Horizontal";
    case KeyKind::Path:
    case KeyKind::Text:
      return "";
  }
  return "";
}

bool ReadRotationKeys(const IniFile& ini, std::string_view section, SiteSettings& settings,
                      const KeyReadContext& context) {
  const SectionReader reader(ini, section);
  Group ended = Group::None;
  for (const KeyRule* rule : LoadOrder()) {
    if (rule->group != Group::None && rule->group == ended) continue;
    switch (rule->load(reader, rule->key.name, settings, context)) {
      case Read::Next:
        break;
      case Read::EndGroup:
        ended = rule->group;
        break;
      case Read::Fail:
        return false;
    }
  }
  return true;
}

void WriteRotationKeys(IniFile& ini, std::string_view section, const SiteSettings& settings,
                       SavedKeys keys, const SiteSettings* baseline) {
  for (const auto& rule : Rules()) {
    if (rule.status_or_path && keys != SavedKeys::WithStatusAndPath) continue;
    auto value = rule.save(settings);
    if (!value) continue;
    if (baseline && rule.save(*baseline) == value && ini.Get(section, rule.key.name)) continue;
    ini.Set(section, rule.key.name, *value);
  }
}

}  // namespace parvel
