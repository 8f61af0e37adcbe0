#include "imaging/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>

#include "base/textutil.h"
#include "imaging/testimages.h"

namespace parvel {
namespace {

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
  int points;
  bool bold, italic, antialias;
};

class DrawTextPlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(DrawTextPlacement, PaintsOnlyInsideTheMeasuredCellAtThePoint) {
  const PlacementCase& c = GetParam();
  const TextStyle style{.face = "DejaVu Sans",
                        .points = c.points,
                        .bold = c.bold,
                        .italic = c.italic,
                        .colour = {},
                        .antialias = c.antialias};
  const std::string label = "Page 12";
  const TextExtent extent = MeasureText(style, label);
  const Raster before = testing::PhotoLike(240, 120);  // no pixel the text's black
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
                         ::testing::Values(PlacementCase{10, false, false, true},
                                           PlacementCase{18, true, true, true},
                                           PlacementCase{10, false, false, false}));

}  // namespace
}  // namespace parvel
