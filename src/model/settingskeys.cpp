#include "model/settingskeys.h"

#include "base/textutil.h"
#include "model/colour.h"

namespace parvel {

const std::vector<SettingsKey>& RotationKeys() {
  using K = KeyKind;
  static const std::vector<SettingsKey> keys = {
      {"Status", K::Integer},
      {"Rotation_Path", K::Path},
      {"Style_File", K::Path},
      {"Header_File", K::Path},
      {"Header_HTML", K::Text},
      {"Footer_File", K::Path},
      {"Footer_HTML", K::Text},
      {"ImageNavigationBar", K::Boolean},
      {"KorrinLink", K::Boolean},
      {"IndexInThumbPages", K::Boolean},
      {"IndexInImagePages", K::Boolean},
      {"Page_Position_Heading", K::Boolean},
      {"Page_Position_Heading_Size", K::Integer},
      {"Thumb_Width", K::Integer},
      {"Cell_Padding", K::Integer},
      {"Cell_Spacing", K::Integer},
      {"Thumb_Height", K::Integer},
      {"Thumb_Border", K::Integer},
      {"Thumb_JPEG_Quality", K::Integer},
      {"Horizontal_Thumb_Count", K::Integer},
      {"Vertical_Thumb_Count", K::Integer},
      {"Default_Font", K::Text},
      {"Default_Font_Size", K::Integer},
      {"Index_Font", K::Text},
      {"Index_Font_Size", K::Integer},
      {"Index_Image_Font_Size", K::Integer},
      {"Previous_Page_File", K::Path},
      {"Next_Page_File", K::Path},
      {"Return_To_Index_File", K::Path},
      {"Image_Display_Method", K::Integer},
      {"Selected_Page_Index_File", K::Path},
      {"Other_Page_Index_File", K::Path},
      {"Filename_Display", K::FilenameDisplay},
      {"Description_File", K::Text},
      {"ShowFilenameWhenNoDesc", K::Boolean},
      {"Displayed_Page_Text_Colour", K::Colour},
      {"Other_Page_Text_Colour", K::Colour},
      {"Link_Enclosure_Colour", K::Colour},
      {"Heading_Colour", K::Colour},
      {"Page_Number_Prefix", K::Text},
      {"Link_Enclosure", K::Integer},
      {"Index_Layout", K::IndexLayout},
      {"DisplayAsImage", K::Boolean},
      {"Image_Style_File", K::Path},
      {"Image_Header_Same_As_Index", K::Boolean},
      {"Image_Header_File", K::Path},
      {"Image_Header_HTML", K::Text},
      {"Image_Footer_Same_As_Index", K::Boolean},
      {"Image_Footer_File", K::Path},
      {"Image_Footer_HTML", K::Text},
      {"Image_Width", K::SizeOrNA},
      {"Image_Height", K::SizeOrNA},
      {"Image_Heading", K::Boolean},
      {"Image_UseSameNavGraphics", K::Boolean},
      {"Default_Font_Bold", K::Boolean},
      {"Default_Font_Italics", K::Boolean},
      {"Index_Font_Bold", K::Boolean},
      {"Index_Font_Italics", K::Boolean},
  };
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
      return ParseInt(value) ? "" : "not a whole number";
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

}  // namespace parvel
