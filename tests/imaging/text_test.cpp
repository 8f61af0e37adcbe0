#include "imaging/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>

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
  TextStyle style;
  style.face = "DejaVu Sans";
  style.points = c.points;
  style.bold = c.bold;
  style.italic = c.italic;
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
                                           PlacementCase{"bolditalic", 18, true, true, true},
                                           PlacementCase{"plain", 10, false, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace parvel
