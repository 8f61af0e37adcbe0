#include "model/sitesettings.h"

#include <functional>

#include "base/textutil.h"
#include "model/inifile.h"
#include "model/paths.h"
#include "model/siteop.h"

namespace parvel {
namespace {

// One section of a settings file, read with the rules of stored settings.
class SectionReader {
 public:
  SectionReader(const IniFile& ini, std::string section)
      : ini_(ini), section_(std::move(section)) {}

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
    if (auto text = Get(key)) field = expandpath(*text);
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
    field = expandpath(*text);
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
  std::string section_;
};

FilenameDisplay ParseFilenameDisplay(std::string_view text) {
  const std::string upper = UpperAscii(text);
  if (upper == "NONE") return FilenameDisplay::None;
  if (upper == "HIDEEXT") return FilenameDisplay::HideExt;
  if (upper == "DESCRIPTIONFILE") return FilenameDisplay::DescriptionFile;
  return FilenameDisplay::Normal;
}

std::string_view FilenameDisplayWord(FilenameDisplay value) {
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

// The thumbnail, table and font settings are read as one group: the first value that is not an
// integer ends the group, leaving it and every later field of the group as they were.
void ReadThumbnailGroup(const SectionReader& r, SiteSettings& s) {
  if (!r.Clamped("Thumb_Width", s.Thumb_Width, kThumbSizeRange)) return;
  if (!r.Clamped("Thumb_Height", s.Thumb_Height, kThumbSizeRange)) return;
  if (!r.Clamped("Thumb_Border", s.Thumb_Border, kThumbBorderRange)) return;
  if (!r.Clamped("Thumb_JPEG_Quality", s.Thumb_JPEG_Quality, kJpegQualityRange)) return;
  if (!r.Clamped("Horizontal_Thumb_Count", s.Horizontal_Thumb_Count, kThumbCountRange)) return;
  if (!r.Clamped("Vertical_Thumb_Count", s.Vertical_Thumb_Count, kThumbCountRange)) return;
  if (!r.Choice("Link_Enclosure", s.Link_Enclosure)) return;
  r.Text("Default_Font", s.Default_Font);
  s.default_font_default = s.Default_Font.empty();
  if (!r.Choice("Default_Font_Size", s.Default_Font_Size)) return;
  r.Text("Index_Font", s.Index_Font);
  s.index_font_default = s.Index_Font.empty();
  if (!r.Choice("Index_Font_Size", s.Index_Font_Size)) return;
  if (!r.Clamped("Index_Image_Font_Size", s.Index_Image_Font_Size, kIndexImageFontSizeRange)) {
    s.Index_Image_Font_Size = 10;
  }
  if (!r.Clamped("Cell_Spacing", s.Cell_Spacing, kCellSpacingRange)) return;
  r.Clamped("Cell_Padding", s.Cell_Padding, kCellPaddingRange);
}

// Header_Mode or Footer_Mode: a file wins over HTML text; neither gives none.
int ReadHeader(const SectionReader& r, std::string_view file_key, std::string_view html_key,
               std::string& file, std::string& html) {
  int mode = kHeaderNone;
  if (r.NonEmptyText(html_key, html)) mode = kHeaderHtml;
  if (r.NonEmptyPath(file_key, file)) mode = kHeaderList;
  return mode;
}

int ReadImageHeader(const SectionReader& r, std::string_view same_key, std::string_view file_key,
                    std::string_view html_key, bool& same, std::string& file, std::string& html) {
  same = r.Bool(same_key, false);
  if (same) return kImageHeaderSameAsIndex;
  int mode = kImageHeaderNone;
  if (r.NonEmptyText(html_key, html)) mode = kImageHeaderHtml;
  if (r.NonEmptyPath(file_key, file)) mode = kImageHeaderList;
  return mode;
}

// Everything after Status and Rotation_Path; false when a colour cannot be read.
bool ReadPageSettings(const SectionReader& r, SiteSettings& s) {
  r.Path("Style_File", s.Style_File);
  s.Header_Mode = ReadHeader(r, "Header_File", "Header_HTML", s.Header_File, s.Header_HTML);
  s.Footer_Mode = ReadHeader(r, "Footer_File", "Footer_HTML", s.Footer_File, s.Footer_HTML);

  s.KorrinLink = r.Bool("KorrinLink", true);
  s.ImageNavigationBar = r.Bool("ImageNavigationBar", true);
  s.IndexInImagePages = r.Bool("IndexInImagePages", true);
  s.IndexInThumbPages = r.Bool("IndexInThumbPages", true);
  s.Page_Position_Heading = r.Bool("Page_Position_Heading", true);

  if (auto text = r.Get("Page_Position_Heading_Size")) {
    if (auto size = ParseInt(*text)) {
      s.Page_Position_Heading_Size = kHeadingSizeChoices.Holds(*size) ? *size : 1;
    }
  }
  ReadThumbnailGroup(r, s);

  s.Filename_Display = ParseFilenameDisplay(r.Get("Filename_Display").value_or(""));
  r.Text("Description_File", s.Description_File);
  s.ShowFilenameWhenNoDesc = r.Bool("ShowFilenameWhenNoDesc", true);

  r.Path("Return_To_Index_File", s.Return_To_Index_File);
  r.Path("Previous_Page_File", s.Previous_Page_File);
  r.Path("Next_Page_File", s.Next_Page_File);
  s.prev_next_image_buttons = !s.Next_Page_File.empty() && !s.Previous_Page_File.empty();
  r.Path("Selected_Page_Index_File", s.Selected_Page_Index_File);
  r.Path("Other_Page_Index_File", s.Other_Page_Index_File);
  s.index_image_buttons = !s.Selected_Page_Index_File.empty() && !s.Other_Page_Index_File.empty();

  if (!r.ColourValue("Displayed_Page_Text_Colour", s.Displayed_Page_Text_Colour) ||
      !r.ColourValue("Other_Page_Text_Colour", s.Other_Page_Text_Colour) ||
      !r.ColourValue("Link_Enclosure_Colour", s.Link_Enclosure_Colour) ||
      !r.ColourValue("Heading_Colour", s.Heading_Colour)) {
    return false;
  }

  r.Text("Page_Number_Prefix", s.Page_Number_Prefix);
  s.Index_Layout = UpperAscii(r.Get("Index_Layout").value_or("")) == "HORIZONTAL"
                       ? IndexLayout::Horizontal
                       : IndexLayout::Vertical;
  s.DisplayAsImage = r.Bool("DisplayAsImage", true);
  s.Index_Font_Bold = r.Bool("Index_Font_Bold", false);
  s.Index_Font_Italics = r.Bool("Index_Font_Italics", false);
  s.Default_Font_Bold = r.Bool("Default_Font_Bold", false);
  s.Default_Font_Italics = r.Bool("Default_Font_Italics", false);

  // With bare images shown there are no image pages, so their template and header stay as
  // they were; the footer is read either way.
  if (!s.DisplayAsImage) {
    r.Path("Image_Style_File", s.Image_Style_File);
    s.Image_Header_Mode =
        ReadImageHeader(r, "Image_Header_Same_As_Index", "Image_Header_File", "Image_Header_HTML",
                        s.Image_Header_Same_As_Index, s.Image_Header_File, s.Image_Header_HTML);
  }
  if (auto text = r.Get("Image_Display_Method")) {
    s.Image_Display_Method = ParseInt(*text).value_or(0);
  }
  s.Image_Footer_Mode =
      ReadImageHeader(r, "Image_Footer_Same_As_Index", "Image_Footer_File", "Image_Footer_HTML",
                      s.Image_Footer_Same_As_Index, s.Image_Footer_File, s.Image_Footer_HTML);

  s.max_image_size = false;
  if (auto width = ParseInt(r.Get("Image_Width").value_or("NA"))) {
    s.Image_Width = kImageSizeRange.Clamp(*width);
    if (auto height = ParseInt(r.Get("Image_Height").value_or("NA"))) {
      s.Image_Height = kImageSizeRange.Clamp(*height);
      s.max_image_size = true;
    }
  }

  s.Image_Heading = r.Bool("Image_Heading", true);
  s.Image_UseSameNavGraphics =
      s.prev_next_image_buttons && r.Bool("Image_UseSameNavGraphics", true);
  return true;
}

std::string_view BoolText(bool value) {
  return value ? "True" : "False";
}

void WriteHeader(const std::function<void(std::string_view, std::string_view)>& set, int mode,
                 std::string_view file_key, std::string_view html_key, const std::string& file,
                 const std::string& html) {
  switch (mode) {
    case kHeaderNone:
      set(file_key, "");
      set(html_key, "");
      break;
    case kHeaderHtml:
      set(file_key, "");
      set(html_key, html);
      break;
    case kHeaderList:
      set(file_key, truncatepath(file));
      set(html_key, "");
      break;
    default:  // no choice made: neither key is touched
      break;
  }
}

// Mode 1 (same as the thumbnail pages) leaves the text and file of an earlier mode in the file.
void WriteImageHeader(const std::function<void(std::string_view, std::string_view)>& set, int mode,
                      std::string_view same_key, std::string_view file_key,
                      std::string_view html_key, const std::string& file, const std::string& html) {
  set(same_key, BoolText(mode == kImageHeaderSameAsIndex));
  switch (mode) {
    case kImageHeaderNone:
      set(file_key, "");
      set(html_key, "");
      break;
    case kImageHeaderHtml:
      set(file_key, "");
      set(html_key, html);
      break;
    case kImageHeaderList:
      set(file_key, truncatepath(file));
      set(html_key, "");
      break;
    default:
      break;
  }
}

void WriteSettings(const std::function<void(std::string_view, std::string_view)>& set,
                   const SiteSettings& s, bool with_status_and_path) {
  if (with_status_and_path) {
    set("Status", IntToStr(s.Status));
    set("Rotation_Path", truncatepath(s.Rotation_Path));
  }
  set("Style_File", truncatepath(s.Style_File));
  WriteHeader(set, s.Header_Mode, "Header_File", "Header_HTML", s.Header_File, s.Header_HTML);
  WriteHeader(set, s.Footer_Mode, "Footer_File", "Footer_HTML", s.Footer_File, s.Footer_HTML);

  set("ImageNavigationBar", BoolText(s.ImageNavigationBar));
  set("KorrinLink", BoolText(s.KorrinLink));
  set("IndexInThumbPages", BoolText(s.IndexInThumbPages));
  set("IndexInImagePages", BoolText(s.IndexInImagePages));
  set("Page_Position_Heading", BoolText(s.Page_Position_Heading));

  set("Page_Position_Heading_Size", IntToStr(s.Page_Position_Heading_Size));
  set("Thumb_Width", IntToStr(s.Thumb_Width));
  set("Cell_Padding", IntToStr(s.Cell_Padding));
  set("Cell_Spacing", IntToStr(s.Cell_Spacing));
  set("Thumb_Height", IntToStr(s.Thumb_Height));
  set("Thumb_Border", IntToStr(s.Thumb_Border));
  set("Thumb_JPEG_Quality", IntToStr(s.Thumb_JPEG_Quality));
  set("Horizontal_Thumb_Count", IntToStr(s.Horizontal_Thumb_Count));
  set("Vertical_Thumb_Count", IntToStr(s.Vertical_Thumb_Count));

  set("Default_Font", s.default_font_default ? "" : s.Default_Font);
  set("Default_Font_Size", IntToStr(s.Default_Font_Size));
  set("Index_Font", s.index_font_default ? "" : s.Index_Font);
  set("Index_Font_Size", IntToStr(s.Index_Font_Size));
  set("Index_Image_Font_Size", IntToStr(s.Index_Image_Font_Size));

  const bool nav = s.prev_next_image_buttons;
  set("Previous_Page_File", nav ? truncatepath(s.Previous_Page_File) : "");
  set("Next_Page_File", nav ? truncatepath(s.Next_Page_File) : "");
  set("Return_To_Index_File", nav ? truncatepath(s.Return_To_Index_File) : "");
  if (kDisplayMethodChoices.Holds(s.Image_Display_Method)) {
    set("Image_Display_Method", IntToStr(s.Image_Display_Method));
  }
  const bool buttons = s.index_image_buttons;
  set("Selected_Page_Index_File", buttons ? truncatepath(s.Selected_Page_Index_File) : "");
  set("Other_Page_Index_File", buttons ? truncatepath(s.Other_Page_Index_File) : "");

  set("Filename_Display", FilenameDisplayWord(s.Filename_Display));
  set("Description_File", s.Description_File);
  set("ShowFilenameWhenNoDesc", BoolText(s.ShowFilenameWhenNoDesc));

  set("Displayed_Page_Text_Colour", ColourToString(s.Displayed_Page_Text_Colour));
  set("Other_Page_Text_Colour", ColourToString(s.Other_Page_Text_Colour));
  set("Link_Enclosure_Colour", ColourToString(s.Link_Enclosure_Colour));
  set("Heading_Colour", ColourToString(s.Heading_Colour));

  set("Page_Number_Prefix", s.Page_Number_Prefix);
  set("Link_Enclosure", IntToStr(s.Link_Enclosure));
  set("Index_Layout", s.Index_Layout == IndexLayout::Horizontal ? "Horizontal" : "Vertical");
  set("DisplayAsImage", BoolText(s.DisplayAsImage));

  set("Image_Style_File", truncatepath(s.Image_Style_File));
  WriteImageHeader(set, s.Image_Header_Mode, "Image_Header_Same_As_Index", "Image_Header_File",
                   "Image_Header_HTML", s.Image_Header_File, s.Image_Header_HTML);
  WriteImageHeader(set, s.Image_Footer_Mode, "Image_Footer_Same_As_Index", "Image_Footer_File",
                   "Image_Footer_HTML", s.Image_Footer_File, s.Image_Footer_HTML);

  set("Image_Width", s.max_image_size ? IntToStr(s.Image_Width) : "NA");
  set("Image_Height", s.max_image_size ? IntToStr(s.Image_Height) : "NA");

  set("Image_Heading", BoolText(s.Image_Heading));
  set("Image_UseSameNavGraphics", BoolText(s.Image_UseSameNavGraphics));
  set("Default_Font_Bold", BoolText(s.Default_Font_Bold));
  set("Default_Font_Italics", BoolText(s.Default_Font_Italics));
  set("Index_Font_Bold", BoolText(s.Index_Font_Bold));
  set("Index_Font_Italics", BoolText(s.Index_Font_Italics));
}

}  // namespace

std::string RotationSection(int rotation) {
  return "Rotation_" + IntToStr(rotation);
}

bool LoadRotation(Interaction& ui, SiteSettings& settings, const SiteContext& site, int rotation,
                  bool with_path, bool make_current) {
  BusyCursor busy(ui);
  // An unreadable file reads as an empty one: every key is then missing.
  IniFile ini(SiteSettingsFileName(site.site_key));
  ini.Load();
  return LoadRotationFrom(ini, settings, site, rotation, with_path, make_current);
}

bool LoadRotationFrom(const IniFile& ini, SiteSettings& settings, const SiteContext& site,
                      int rotation, bool with_path, bool make_current) {
  if (make_current) settings.current_rotation = rotation;
  const SectionReader r(ini, RotationSection(rotation));

  if (make_current) settings.Status = ParseInt(r.Get("Status").value_or("0")).value_or(0);
  if (with_path) {
    if (auto path = r.Get("Rotation_Path")) {
      settings.Rotation_Path = expandpath(*path);
    } else if (site.use_rotations) {
      settings.Rotation_Path = fixpath(site.site_path, true) + RotationSection(rotation);
    } else {
      settings.Rotation_Path = site.site_path;
    }
  }
  return ReadPageSettings(r, settings);
}

void WriteRotationSection(IniFile& ini, const SiteSettings& settings, int rotation,
                          bool with_status_and_path) {
  const std::string section = RotationSection(rotation);
  WriteSettings([&](std::string_view key, std::string_view value) { ini.Set(section, key, value); },
                settings, with_status_and_path);
}

bool SaveRotation(Interaction& ui, const SiteSettings& settings, const SiteContext& site,
                  int rotation, bool with_status_and_path) {
  if (rotation < 0) return true;
  BusyCursor busy(ui);
  IniFile ini(SiteSettingsFileName(site.site_key));
  // Saving over a file that could not be read would lose its other sections.
  bool ok = ini.Load();
  if (ok) {
    WriteRotationSection(ini, settings, rotation, with_status_and_path);
    ok = ini.Save();
  }
  if (!ok) ui.Warn(kSaveRotationWarning);
  return ok;
}

void SetDefaultValues(SiteSettings& s) {
  if (!kHeadingSizeChoices.Holds(s.Page_Position_Heading_Size)) s.Page_Position_Heading_Size = 0;
  if (!kLinkEnclosureChoices.Holds(s.Link_Enclosure)) s.Link_Enclosure = 0;
  if (!kFontSizeChoices.Holds(s.Default_Font_Size)) s.Default_Font_Size = 0;
  if (!kFontSizeChoices.Holds(s.Index_Font_Size)) s.Index_Font_Size = 0;
  if (!kImageHeaderModeChoices.Holds(s.Image_Header_Mode)) {
    s.Image_Header_Mode = kImageHeaderSameAsIndex;
    s.Image_Header_Same_As_Index = true;
  }
  if (!kImageHeaderModeChoices.Holds(s.Image_Footer_Mode)) {
    s.Image_Footer_Mode = kImageHeaderSameAsIndex;
    s.Image_Footer_Same_As_Index = true;
  }
  if (!kDisplayMethodChoices.Holds(s.Image_Display_Method)) s.Image_Display_Method = 0;
  // A colour is always Default or a colour (a picked one included), never without a choice.
}

CurrentStatus Displaycurrentstatus(const SiteSettings& settings, bool use_rotations) {
  CurrentStatus status;
  const std::string subject = use_rotations ? "This Rotation" : "This Site";
  if (settings.Status == 0 || settings.Status == 1) {
    status.line = subject + " has NOT been built";
  } else if (settings.Status == 2) {
    status.line = subject + " has been built";
  }
  status.preview_enabled = settings.Status == 2;
  return status;
}

std::string EditorTitle(int rotation, bool use_rotations) {
  return use_rotations ? "Rotation " + IntToStr(rotation) : "Current Site";
}

}  // namespace parvel
