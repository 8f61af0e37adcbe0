#include "imaging/text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <mutex>
#include <tuple>
#include <utility>

#include "base/textutil.h"

namespace parvel {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;
constexpr int kMaxEmPixels = 2048;
// Faces and lookups are kept for reuse; a caller cycling through many faces empties the cache.
constexpr std::size_t kMaxCachedFaces = 32;
// The shear of a synthetic italic, 0.2 as fontconfig's own rule uses.
constexpr FT_Fixed kObliqueShear = 0x3333;

int EmPixels(int points) {
  const long em = std::lround(static_cast<double>(points) * 96.0 / 72.0);
  return static_cast<int>(std::clamp<long>(em, 1, kMaxEmPixels));
}

// Invalid bytes become U+FFFD, one per byte, so a damaged label still shows where it is damaged.
std::u32string DecodeUtf8(std::string_view utf8) {
  std::u32string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    FcChar32 c = 0;
    const int available = static_cast<int>(std::min<std::size_t>(utf8.size() - i, 8));
    const int used = FcUtf8ToUcs4(reinterpret_cast<const FcChar8*>(utf8.data() + i), &c, available);
    if (used <= 0) {
      out.push_back(kReplacementCharacter);
      ++i;
      continue;
    }
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacementCharacter;
    out.push_back(static_cast<char32_t>(c));
    i += static_cast<std::size_t>(used);
  }
  return out;
}

// A face chosen for one style, with the synthetic styling fontconfig asks for.
struct ResolvedFace {
  FT_Face face = nullptr;
  bool embolden = false;
  FT_Matrix transform{0x10000, 0, 0, 0x10000};
};

FT_Fixed ToFixed(double value) {
  return static_cast<FT_Fixed>(std::lround(value * 0x10000));
}

// The fontconfig configuration, the FreeType library and the opened faces. FreeType objects are
// not thread-safe, so every use goes through Lock().
class FontEngine {
 public:
  static FontEngine& Instance() {
    static FontEngine engine;
    return engine;
  }

  std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(mutex_); }

  // Needs the lock. nullptr face when no font at all can be found or opened.
  ResolvedFace Resolve(const TextStyle& style);

  // Needs the lock.
  std::vector<std::string> Families();

  ~FontEngine() {
    ClearFaces();
    if (library_ != nullptr) FT_Done_FreeType(library_);
    if (config_ != nullptr) FcConfigDestroy(config_);
  }
  FontEngine(const FontEngine&) = delete;
  FontEngine& operator=(const FontEngine&) = delete;

 private:
  FontEngine() {
    config_ = FcInitLoadConfigAndFonts();
    if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
  }

  void ClearFaces() {
    resolved_.clear();
    for (auto& entry : faces_) FT_Done_Face(entry.second);
    faces_.clear();
  }

  FT_Face OpenFace(const std::string& file, int index);

  std::mutex mutex_;
  FcConfig* config_ = nullptr;
  FT_Library library_ = nullptr;
  std::map<std::pair<std::string, int>, FT_Face> faces_;
  std::map<std::tuple<std::string, bool, bool>, ResolvedFace> resolved_;
};

FT_Face FontEngine::OpenFace(const std::string& file, int index) {
  const auto key = std::make_pair(file, index);
  if (auto it = faces_.find(key); it != faces_.end()) return it->second;
  FT_Face face = nullptr;
  if (FT_New_Face(library_, file.c_str(), index, &face) != 0) return nullptr;
  faces_.emplace(key, face);
  return face;
}

ResolvedFace FontEngine::Resolve(const TextStyle& style) {
  if (config_ == nullptr || library_ == nullptr) return {};
  const auto key = std::make_tuple(style.face, style.bold, style.italic);
  if (auto it = resolved_.find(key); it != resolved_.end()) return it->second;
  if (faces_.size() >= kMaxCachedFaces) ClearFaces();

  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) return {};
  // Added as one string, not parsed: "Arial,Helvetica" names a single family here.
  if (!style.face.empty()) {
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(style.face.c_str()));
  }
  FcPatternAddInteger(pattern, FC_WEIGHT, style.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, style.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config_, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config_, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return {};

  ResolvedFace resolved;
  FcChar8* file = nullptr;
  int index = 0;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr) {
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    resolved.face = OpenFace(reinterpret_cast<const char*>(file), index);
  }
  FcBool embolden = FcFalse;
  if (style.bold && FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden) == FcResultMatch) {
    resolved.embolden = embolden == FcTrue;
  }
  // fontconfig describes a synthetic italic as a matrix; without one, a roman face is slanted here.
  FcMatrix* matrix = nullptr;
  int slant = FC_SLANT_ROMAN;
  if (FcPatternGetMatrix(match, FC_MATRIX, 0, &matrix) == FcResultMatch && matrix != nullptr) {
    resolved.transform = {ToFixed(matrix->xx), ToFixed(matrix->xy), ToFixed(matrix->yx),
                          ToFixed(matrix->yy)};
  } else if (style.italic && FcPatternGetInteger(match, FC_SLANT, 0, &slant) == FcResultMatch &&
             slant == FC_SLANT_ROMAN) {
    resolved.transform.xy = kObliqueShear;
  }
  FcPatternDestroy(match);
  if (resolved.face != nullptr) resolved_.emplace(key, resolved);
  return resolved;
}

std::vector<std::string> FontEngine::Families() {
  std::vector<std::string> names;
  if (config_ == nullptr) return names;
  FcPattern* pattern = FcPatternCreate();
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* set = nullptr;
  if (pattern != nullptr && objects != nullptr) set = FcFontList(config_, pattern, objects);
  if (set != nullptr) {
    for (int i = 0; i < set->nfont; ++i) {
      FcChar8* family = nullptr;
      // The first family name is the font's own; the others are translations.
      if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch) {
        names.emplace_back(reinterpret_cast<const char*>(family));
      }
    }
    FcFontSetDestroy(set);
  }
  if (objects != nullptr) FcObjectSetDestroy(objects);
  if (pattern != nullptr) FcPatternDestroy(pattern);
  return names;
}

// One string laid out in one face at one size: every glyph in turn with its pen position.
class Layout {
 public:
  // Needs the engine's lock for its whole life.
  Layout(const ResolvedFace& resolved, int points) : resolved_(resolved) {
    FT_Face face = resolved_.face;
    if (face == nullptr) return;
    if (FT_IS_SCALABLE(face)) {
      ready_ = FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(EmPixels(points))) == 0;
    } else if (face->num_fixed_sizes > 0) {
      ready_ = FT_Select_Size(face, 0) == 0;
    }
    if (!ready_) return;
    ascent_ = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
    descent_ = static_cast<int>((-face->size->metrics.descender + 63) >> 6);
    FT_Set_Transform(face, &resolved_.transform, nullptr);
  }
  ~Layout() {
    if (ready_) FT_Set_Transform(resolved_.face, nullptr, nullptr);
  }
  Layout(const Layout&) = delete;
  Layout& operator=(const Layout&) = delete;

  bool ready() const { return ready_; }
  int ascent() const { return ascent_; }
  int descent() const { return descent_; }

  // Calls visit(slot, pen_x) for each glyph, pen_x in 1/64 pixel from the string's start, after
  // loading (and, when render is set, rendering) it. Returns the advance of the whole string.
  template <typename Visit>
  std::int64_t Run(const std::u32string& text, bool render, Visit visit) {
    FT_Face face = resolved_.face;
    std::int64_t pen = 0;
    FT_UInt previous = 0;
    for (char32_t c : text) {
      const FT_UInt glyph = FT_Get_Char_Index(face, c);
      if (previous != 0 && glyph != 0 && FT_HAS_KERNING(face)) {
        FT_Vector delta{};
        if (FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &delta) == 0) {
          pen += delta.x;
        }
      }
      previous = glyph;
      if (FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT | FT_LOAD_COLOR) != 0) continue;
      if (resolved_.embolden) FT_GlyphSlot_Embolden(face->glyph);
      if (!render || FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0) {
        visit(face->glyph, pen);
      }
      pen += face->glyph->advance.x;
    }
    return pen;
  }

 private:
  ResolvedFace resolved_;
  bool ready_ = false;
  int ascent_ = 0;
  int descent_ = 0;
};

// Coverage 0..255 of one pixel of a rendered glyph bitmap.
int Coverage(const FT_Bitmap& bitmap, unsigned row, unsigned column) {
  const unsigned pitch = static_cast<unsigned>(bitmap.pitch < 0 ? -bitmap.pitch : bitmap.pitch);
  const unsigned stored_row = bitmap.pitch < 0 ? bitmap.rows - 1 - row : row;
  const unsigned char* line = bitmap.buffer + static_cast<std::size_t>(stored_row) * pitch;
  switch (bitmap.pixel_mode) {
    case FT_PIXEL_MODE_GRAY:
      return bitmap.num_grays == 256 ? line[column]
                                     : line[column] * 255 / std::max(1, bitmap.num_grays - 1);
    case FT_PIXEL_MODE_MONO:
      return (line[column >> 3] >> (7 - (column & 7))) & 1 ? 255 : 0;
    case FT_PIXEL_MODE_BGRA:
      return line[4 * column + 3];
    default:
      return 0;
  }
}

std::uint8_t Blend(std::uint8_t under, std::uint8_t over, int coverage) {
  return static_cast<std::uint8_t>((over * coverage + under * (255 - coverage) + 127) / 255);
}

void PaintGlyph(Raster& target, std::int64_t left, std::int64_t top, const FT_Bitmap& bitmap,
                const TextStyle& style) {
  for (unsigned row = 0; row < bitmap.rows; ++row) {
    const std::int64_t y = top + row;
    if (y < 0 || y >= target.height) continue;
    std::uint8_t* line = target.Row(static_cast<std::int32_t>(y));
    for (unsigned column = 0; column < bitmap.width; ++column) {
      const std::int64_t x = left + column;
      if (x < 0 || x >= target.width) continue;
      int coverage = Coverage(bitmap, row, column);
      if (!style.antialias) coverage = coverage >= 128 ? 255 : 0;
      if (coverage == 0) continue;
      std::uint8_t* p = line + 3 * static_cast<std::size_t>(x);
      p[0] = Blend(p[0], style.colour.r, coverage);
      p[1] = Blend(p[1], style.colour.g, coverage);
      p[2] = Blend(p[2], style.colour.b, coverage);
    }
  }
}

bool IsDrawable(const Raster& target) {
  return target.bits == 24 && target.width > 0 && target.height > 0 &&
         target.pixels.size() >= target.Stride() * static_cast<std::size_t>(target.height);
}

}  // namespace

TextExtent MeasureText(const TextStyle& style, std::string_view utf8) {
  FontEngine& engine = FontEngine::Instance();
  auto lock = engine.Lock();
  Layout layout(engine.Resolve(style), style.points);
  if (!layout.ready()) return {};
  const std::int64_t advance =
      layout.Run(DecodeUtf8(utf8), false, [](FT_GlyphSlot, std::int64_t) {});
  TextExtent extent;
  extent.width = static_cast<int>(std::max<std::int64_t>(0, (advance + 32) >> 6));
  extent.height = layout.ascent() + layout.descent();
  return extent;
}

void DrawText(Raster& target, int x, int y, const TextStyle& style, std::string_view utf8) {
  if (!IsDrawable(target) || utf8.empty()) return;
  FontEngine& engine = FontEngine::Instance();
  auto lock = engine.Lock();
  Layout layout(engine.Resolve(style), style.points);
  if (!layout.ready()) return;
  const std::int64_t baseline = static_cast<std::int64_t>(y) + layout.ascent();
  layout.Run(DecodeUtf8(utf8), true, [&](FT_GlyphSlot slot, std::int64_t pen) {
    const std::int64_t origin = static_cast<std::int64_t>(x) + ((pen + 32) >> 6);
    PaintGlyph(target, origin + slot->bitmap_left, baseline - slot->bitmap_top, slot->bitmap,
               style);
  });
}

std::vector<std::string> InstalledFontFamilies() {
  std::vector<std::string> names;
  {
    FontEngine& engine = FontEngine::Instance();
    auto lock = engine.Lock();
    names = engine.Families();
  }
  // Family lookup ignores letter case, so names that differ only in case are one family.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string la = LowerAscii(a), lb = LowerAscii(b);
    return la != lb ? la < lb : a < b;
  });
  names.erase(
      std::unique(names.begin(), names.end(),
                  [](const std::string& a, const std::string& b) { return EqualsNoCase(a, b); }),
      names.end());
  return names;
}

}  // namespace parvel
