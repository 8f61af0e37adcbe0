#include "model/colour.h"

#include <array>
#include <cstdio>

#include "base/textutil.h"

namespace parvel {
namespace {

struct NamedColour {
  std::string_view name;
  std::uint32_t value;
};

constexpr std::array<NamedColour, 41> kNamedColours = {{
    {"clBlack", 0x00000000},
    {"clMaroon", 0x00000080},
    {"clGreen", 0x00008000},
    {"clOlive", 0x00008080},
    {"clNavy", 0x00800000},
    {"clPurple", 0x00800080},
    {"clTeal", 0x00808000},
    {"clGray", 0x00808080},
    {"clSilver", 0x00C0C0C0},
    {"clRed", 0x000000FF},
    {"clLime", 0x0000FF00},
    {"clYellow", 0x0000FFFF},
    {"clBlue", 0x00FF0000},
    {"clFuchsia", 0x00FF00FF},
    {"clAqua", 0x00FFFF00},
    {"clWhite", 0x00FFFFFF},
    // System colours: the desktop's own colours, numbered from 0x80000000.
    {"clScrollBar", 0x80000000},
    {"clBackground", 0x80000001},
    {"clActiveCaption", 0x80000002},
    {"clInactiveCaption", 0x80000003},
    {"clMenu", 0x80000004},
    {"clWindow", 0x80000005},
    {"clWindowFrame", 0x80000006},
    {"clMenuText", 0x80000007},
    {"clWindowText", 0x80000008},
    {"clCaptionText", 0x80000009},
    {"clActiveBorder", 0x8000000A},
    {"clInactiveBorder", 0x8000000B},
    {"clAppWorkSpace", 0x8000000C},
    {"clHighlight", 0x8000000D},
    {"clHighlightText", 0x8000000E},
    {"clBtnFace", 0x8000000F},
    {"clBtnShadow", 0x80000010},
    {"clGrayText", 0x80000011},
    {"clBtnText", 0x80000012},
    {"clInactiveCaptionText", 0x80000013},
    {"clBtnHighlight", 0x80000014},
    {"cl3DDkShadow", 0x80000015},
    {"cl3DLight", 0x80000016},
    {"clInfoText", 0x80000017},
    {"clInfoBk", 0x80000018},
}};

}  // namespace

std::optional<std::uint32_t> ColourFromName(std::string_view name) {
  for (const auto& named : kNamedColours) {
    if (EqualsNoCase(named.name, name)) return named.value;
  }
  return std::nullopt;
}

std::string_view ColourName(std::uint32_t value) {
  for (const auto& named : kNamedColours) {
    if (named.value == value) return named.name;
  }
  return {};
}

std::optional<Colour> ParseColour(std::string_view text) {
  if (EqualsNoCase(text, "Default")) return Colour::Default();
  if (auto named = ColourFromName(text)) return Colour::Of(*named);
  if (auto number = ParseInt(text)) return Colour::Of(static_cast<std::uint32_t>(*number));
  return std::nullopt;
}

std::string ColourToString(const Colour& colour) {
  if (colour.IsDefault()) return "Default";
  const std::uint32_t value = colour.Value();
  if (auto name = ColourName(value); !name.empty()) return std::string(name);
  char text[16];
  std::snprintf(text, sizeof text, "$%08X", static_cast<unsigned>(value));
  return text;
}

std::string ColourHexText(std::uint32_t value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string hex = "#";
  for (int shift : {0, 8, 16}) {  // red, green, blue from the low byte up
    const unsigned byte = (value >> shift) & 0xFFu;
    hex += kHex[byte >> 4];
    hex += kHex[byte & 0x0Fu];
  }
  return hex;
}

}  // namespace parvel
