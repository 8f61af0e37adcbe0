// Text measuring and drawing on a raster, with faces found through fontconfig and rendered by
// FreeType. Sizes are points at 96 pixels per inch (10 pt is an em of 13 pixels; the em is kept
// within 1..2048 pixels). Safe to call from several threads.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "imaging/raster.h"

namespace parvel {

struct TextStyle {
  // One family name, looked up whole; a face that is not installed falls back to the best match.
  std::string face;
  int points = 10;
  bool bold = false;
  bool italic = false;
  Rgb colour;
  bool antialias = true;
};

struct TextExtent {
  int width = 0;
  int height = 0;
};

// Advance width of the whole UTF-8 string (kerned where the font can) and the cell height
// (ascent + descent of the face at that size). An empty string is 0 wide.
TextExtent MeasureText(const TextStyle& style, std::string_view utf8);

// Paints the glyphs of the UTF-8 string into a 24-bit raster with the top-left of the text cell at
// (x, y), so the baseline lies at y + ascent. Only glyph pixels change; they are blended by
// coverage with antialias on and set where coverage >= 50% with it off. Clips to the raster. A
// raster that is not 24-bit is left unchanged. Invalid UTF-8 bytes draw as U+FFFD.
void DrawText(Raster& target, int x, int y, const TextStyle& style, std::string_view utf8);

// Family names of the installed fonts, sorted, without duplicates.
std::vector<std::string> InstalledFontFamilies();

}  // namespace parvel
