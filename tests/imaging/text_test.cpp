#include "imaging/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <thread>

#include "base/textutil.h"

namespace parvel {
namespace {

// A background where every pixel differs from its neighbours, so any stray write shows.
Raster Patterned(int width, int height) {
  Raster r;
  r.Allocate(width, height, 24);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = r.Row(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(x * 7 + y);
      p[1] = static_cast<std::uint8_t>(200 + (x + y) % 50);
      p[2] = static_cast<std::uint8_t>(y * 13 + x * 3);
    }
  }
  return r;
}

struct Box {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;  // inclusive
  int changed = 0;
};

Box ChangedPixels(const Raster& before, const Raster& after) {
  Box box;
  for (int y = 0; y < before.height; ++y) {
    for (int x = 0; x < before.width; ++x) {
      if (before.ColorAt(x, y) == after.ColorAt(x, y)) continue;
      ++box.changed;
      box.left = std::min(box.left, x);
      box.right = std::max(box.right, x);
      box.top = std::min(box.top, y);
      box.bottom = std::max(box.bottom, y);
    }
  }
  return box;
}

TextStyle Style(int points = 10, bool bold = false, bool italic = false) {
  TextStyle s;
  s.face = "DejaVu Sans";
  s.points = points;
  s.bold = bold;
  s.italic = italic;
  s.colour = Rgb{10, 20, 30};
  return s;
}

TEST(MeasureText, GrowsWithTheText) {
  const int one = MeasureText(Style(), "Page 1").width;
  const int two = MeasureText(Style(), "Page 12").width;
  const int many = MeasureText(Style(), "Page 12 of a long label").width;
  EXPECT_GT(one, 0);
  EXPECT_GT(two, one);
  EXPECT_GT(many, two);
}

TEST(MeasureText, GrowsWithTheSize) {
  const TextExtent small = MeasureText(Style(8), "Page 3");
  const TextExtent medium = MeasureText(Style(14), "Page 3");
  const TextExtent large = MeasureText(Style(36), "Page 3");
  EXPECT_LT(small.width, medium.width);
  EXPECT_LT(medium.width, large.width);
  EXPECT_LT(small.height, medium.height);
  EXPECT_LT(medium.height, large.height);
}

TEST(MeasureText, CellHeightIsTheLineOfAnEmAtNinetySixDotsPerInch) {
  // 72 pt is an em of 96 pixels; ascent plus descent is at least the em and well under two.
  const TextExtent extent = MeasureText(Style(72), "x");
  EXPECT_GE(extent.height, 96);
  EXPECT_LT(extent.height, 2 * 96);
  // Doubling the points doubles the line, up to rounding of ascent and descent.
  const int h10 = MeasureText(Style(10), "x").height;
  const int h20 = MeasureText(Style(20), "x").height;
  EXPECT_NEAR(h20, 2 * h10, 2);
}

TEST(MeasureText, BoldIsNotNarrower) {
  for (const char* text : {"Page 1", "Page 23", "WWW mmm"}) {
    EXPECT_GE(MeasureText(Style(12, true), text).width, MeasureText(Style(12), text).width) << text;
  }
}

TEST(MeasureText, EmptyStringIsZeroWideButKeepsTheLineHeight) {
  const TextExtent empty = MeasureText(Style(), "");
  EXPECT_EQ(empty.width, 0);
  EXPECT_EQ(empty.height, MeasureText(Style(), "Page").height);
}

TEST(MeasureText, InvalidBytesMeasureAsTheReplacementCharacter) {
  const int replacement = MeasureText(Style(), "\xEF\xBF\xBD").width;  // U+FFFD
  EXPECT_EQ(MeasureText(Style(), "\xFF").width, replacement);
  EXPECT_EQ(MeasureText(Style(), "A\xC3").width, MeasureText(Style(), "A\xEF\xBF\xBD").width);
  // A valid two-byte sequence is one character, not two replacements.
  EXPECT_LT(MeasureText(Style(), "\xC3\xA9").width, 2 * replacement);
}

struct PlacementCase {
  const char* name;
  int points;
  bool bold;
  bool italic;
  bool antialias;
};

class DrawTextPlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(DrawTextPlacement, PaintsOnlyInsideTheMeasuredCellAtThePoint) {
  const PlacementCase& c = GetParam();
  TextStyle style = Style(c.points, c.bold, c.italic);
  style.antialias = c.antialias;
  const std::string label = "Page 12";
  const TextExtent extent = MeasureText(style, label);
  const Raster before = Patterned(240, 120);
  Raster after = before;
  const int x = 17, y = 9;
  DrawText(after, x, y, style, label);

  const Box box = ChangedPixels(before, after);
  ASSERT_GT(box.changed, 0);
  const int slack = c.italic ? 2 : 0;
  EXPECT_GE(box.left, x);
  EXPECT_LT(box.right, x + extent.width + slack);
  EXPECT_GE(box.top, y);
  EXPECT_LT(box.bottom, y + extent.height);
  // The ink fills most of the cell (up to the side bearings of the first and last glyph): the text
  // is not drawn at a much smaller size or elsewhere.
  const int bearing = std::max(3, extent.height / 8);
  EXPECT_LE(box.left, x + bearing);
  EXPECT_GE(box.right, x + extent.width - bearing);
  EXPECT_GE(box.bottom - box.top + 1, extent.height / 2);
}

INSTANTIATE_TEST_SUITE_P(Styles, DrawTextPlacement,
                         ::testing::Values(PlacementCase{"regular", 10, false, false, true},
                                           PlacementCase{"bold", 12, true, false, true},
                                           PlacementCase{"italic", 14, false, true, true},
                                           PlacementCase{"bolditalic", 18, true, true, true},
                                           PlacementCase{"plain", 10, false, false, false},
                                           PlacementCase{"large", 40, false, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DrawText, BaselineLiesAtTopPlusAscent) {
  // "_" sits below the baseline and "x" on it: moving y by 5 moves the ink by exactly 5.
  TextStyle style = Style(20);
  Raster a = Patterned(100, 60), b = a;
  const Raster blank = a;
  DrawText(a, 5, 3, style, "x");
  DrawText(b, 5, 8, style, "x");
  const Box ba = ChangedPixels(blank, a), bb = ChangedPixels(blank, b);
  EXPECT_EQ(bb.top - ba.top, 5);
  EXPECT_EQ(bb.bottom - ba.bottom, 5);
  EXPECT_EQ(bb.left, ba.left);
}

// Whether or not a bold face is installed, bold must show in the pixels.
TEST(DrawText, BoldPaintsMoreInk) {
  const Raster background = Patterned(200, 40);
  auto ink = [&](bool bold) {
    TextStyle style = Style(16, bold);
    style.antialias = false;
    Raster r = background;
    DrawText(r, 2, 2, style, "Page 12");
    return ChangedPixels(background, r).changed;
  };
  EXPECT_GT(ink(true), ink(false) * 11 / 10);
}

// Leftmost ink in a row, or -1.
int LeftmostInk(const Raster& background, const Raster& drawn, int y) {
  for (int x = 0; x < drawn.width; ++x) {
    if (!(background.ColorAt(x, y) == drawn.ColorAt(x, y))) return x;
  }
  return -1;
}

// Whether or not an italic face is installed, italic text must lean.
TEST(DrawText, ItalicLeansToTheRight) {
  const Raster background = Patterned(60, 60);
  for (bool italic : {false, true}) {
    TextStyle style = Style(30, false, italic);
    style.antialias = false;
    Raster r = background;
    DrawText(r, 10, 5, style, "I");
    const Box box = ChangedPixels(background, r);
    ASSERT_GT(box.changed, 0);
    const int lean = LeftmostInk(background, r, box.top) - LeftmostInk(background, r, box.bottom);
    if (italic) {
      EXPECT_GE(lean, 3);
    } else {
      EXPECT_EQ(lean, 0);
    }
  }
}

TEST(DrawText, AntialiasOffGivesOnlyTheTextColourOrTheUntouchedBackground) {
  TextStyle style = Style(11, false, true);
  style.antialias = false;
  style.colour = Rgb{255, 0, 128};
  const Raster before = Patterned(160, 40);
  Raster after = before;
  DrawText(after, 3, 4, style, "Page 7 &@%");
  int painted = 0;
  for (int y = 0; y < after.height; ++y) {
    for (int x = 0; x < after.width; ++x) {
      const Rgb now = after.ColorAt(x, y);
      if (now == before.ColorAt(x, y)) continue;
      EXPECT_EQ(now, style.colour) << x << "," << y;
      ++painted;
    }
  }
  EXPECT_GT(painted, 20);
}

TEST(DrawText, AntialiasOnBlendsTheEdges) {
  TextStyle style = Style(11);
  style.colour = Rgb{0, 0, 0};
  Raster white;
  white.Allocate(120, 30, 24);
  std::fill(white.pixels.begin(), white.pixels.end(), 255);
  DrawText(white, 2, 2, style, "Page 5");
  int black = 0, grey = 0;
  for (int y = 0; y < white.height; ++y) {
    for (int x = 0; x < white.width; ++x) {
      const Rgb p = white.ColorAt(x, y);
      EXPECT_TRUE(p.r == p.g && p.g == p.b);  // a blend of black over white stays neutral
      if (p.r == 0) ++black;
      if (p.r > 0 && p.r < 255) ++grey;
    }
  }
  EXPECT_GT(black, 0);
  EXPECT_GT(grey, 0);
}

struct ClipCase {
  const char* name;
  int x, y;
  bool expect_ink;
};

class DrawTextClipping : public ::testing::TestWithParam<ClipCase> {};

TEST_P(DrawTextClipping, StaysInsideTheRaster) {
  const ClipCase& c = GetParam();
  const Raster before = Patterned(50, 20);
  Raster after = before;
  DrawText(after, c.x, c.y, Style(16, true), "WWWW Page 99");
  ASSERT_EQ(after.pixels.size(), before.pixels.size());
  EXPECT_EQ(ChangedPixels(before, after).changed > 0, c.expect_ink);
}

INSTANTIATE_TEST_SUITE_P(Positions, DrawTextClipping,
                         ::testing::Values(ClipCase{"partly_left_and_above", -30, -8, true},
                                           ClipCase{"partly_right_and_below", 40, 12, true},
                                           ClipCase{"far_left", -100000, 0, false},
                                           ClipCase{"far_right", 100000, 0, false},
                                           ClipCase{"far_above", 0, -100000, false},
                                           ClipCase{"far_below", 0, 100000, false},
                                           ClipCase{"extreme_corner", INT_MAX, INT_MAX, false},
                                           ClipCase{"extreme_negative", INT_MIN, INT_MIN, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DrawText, TextRunningOffTheRightEdgeDoesNotWrapIntoTheNextRow) {
  const Raster before = Patterned(40, 40);
  Raster after = before;
  DrawText(after, 30, 5, Style(14), "MMMMMMMM");
  const Box box = ChangedPixels(before, after);
  ASSERT_GT(box.changed, 0);
  EXPECT_GE(box.left, 30);
}

TEST(DrawText, AFaceThatIsNotInstalledStillDraws) {
  for (const char* face : {"No Such Face 4711", "Arial,Helvetica", ""}) {
    TextStyle style = Style();
    style.face = face;
    EXPECT_GT(MeasureText(style, "Page 1").width, 0) << face;
    const Raster before = Patterned(100, 30);
    Raster after = before;
    DrawText(after, 1, 1, style, "Page 1");
    EXPECT_GT(ChangedPixels(before, after).changed, 0) << face;
  }
}

TEST(DrawText, ACommaListIsLookedUpAsOneName) {
  auto ink = [](const std::string& face) {
    TextStyle style = Style(14);
    style.face = face;
    Raster r = Patterned(200, 30);
    DrawText(r, 1, 1, style, "Page 12 Wg");
    return r.pixels;
  };
  // Not the first name of the list, but the same fallback as any face that is not installed.
  EXPECT_NE(ink("DejaVu Serif,DejaVu Sans Mono"), ink("DejaVu Serif"));
  EXPECT_EQ(ink("DejaVu Serif,DejaVu Sans Mono"), ink("No Such Face 4711"));
}

TEST(DrawText, LeavesOtherDepthsAndEmptyRastersAlone) {
  Raster indexed;
  indexed.Allocate(40, 20, 8);
  const Raster copy = indexed;
  DrawText(indexed, 0, 0, Style(), "Page 1");
  EXPECT_EQ(indexed.pixels, copy.pixels);

  Raster empty;
  DrawText(empty, 0, 0, Style(), "Page 1");
  EXPECT_TRUE(empty.pixels.empty());

  Raster short_buffer;  // claims more rows than it holds
  short_buffer.Allocate(40, 20, 24);
  short_buffer.height = 400;
  DrawText(short_buffer, 0, 100, Style(), "Page 1");
}

TEST(DrawText, InvalidUtf8DrawsWithoutFault) {
  const Raster before = Patterned(200, 30);
  Raster after = before;
  DrawText(after, 0, 0, Style(), std::string("P\xFF\xC0\x80g\xED\xA0\x80\xF4\x90\x80\x80\xE2", 14));
  EXPECT_GT(ChangedPixels(before, after).changed, 0);
}

TEST(DrawText, TwoThreadsDrawTheSameAsOne) {
  const Raster background = Patterned(200, 40);
  Raster expected_a = background, expected_b = background;
  DrawText(expected_a, 2, 2, Style(12, true), "Page 1");
  DrawText(expected_b, 4, 4, Style(15, false, true), "Page 2");

  Raster a = background, b = background;
  std::thread first([&] {
    for (int i = 0; i < 20; ++i) {
      a = background;
      DrawText(a, 2, 2, Style(12, true), "Page 1");
    }
  });
  std::thread second([&] {
    for (int i = 0; i < 20; ++i) {
      b = background;
      DrawText(b, 4, 4, Style(15, false, true), "Page 2");
    }
  });
  first.join();
  second.join();
  EXPECT_EQ(a.pixels, expected_a.pixels);
  EXPECT_EQ(b.pixels, expected_b.pixels);
}

TEST(InstalledFontFamilies, SortedNonEmptyAndWithoutDuplicates) {
  const std::vector<std::string> families = InstalledFontFamilies();
  ASSERT_FALSE(families.empty());
  for (std::size_t i = 1; i < families.size(); ++i) {
    EXPECT_LT(LowerAscii(families[i - 1]), LowerAscii(families[i])) << families[i];
  }
  EXPECT_NE(std::find(families.begin(), families.end(), "DejaVu Sans"), families.end());
}

}  // namespace
}  // namespace parvel
