// Makes a 4000 x 3000 (12 megapixel) photograph for the thumbnail benchmark: the centres of
// four photographs laid two by two at their own resolution, saved as a baseline JPEG at quality
// 92, as a camera would. Usage: make_bench_photo OUT.jpg A.jpg B.jpg C.jpg D.jpg
#include <cstdio>

#include "imaging/pixelgraphic.h"

int main(int argc, char** argv) {
  using namespace parvel;
  if (argc != 6) {
    std::fprintf(stderr, "usage: make_bench_photo OUT.jpg A.jpg B.jpg C.jpg D.jpg\n");
    return 2;
  }
  constexpr std::int32_t kTileWidth = 2000, kTileHeight = 1500;
  PixelGraphic mosaic;
  mosaic.SetSize(2 * kTileWidth, 2 * kTileHeight);
  try {
    for (int i = 0; i < 4; ++i) {
      PixelGraphic tile;
      tile.LoadFromFile(argv[2 + i]);
      if (tile.Width() < kTileWidth || tile.Height() < kTileHeight) {
        std::fprintf(stderr, "%s is smaller than %dx%d\n", argv[2 + i], kTileWidth, kTileHeight);
        return 1;
      }
      const std::int32_t left = (tile.Width() - kTileWidth) / 2;
      const std::int32_t top = (tile.Height() - kTileHeight) / 2;
      const std::int32_t x = (i % 2) * kTileWidth, y = (i / 2) * kTileHeight;
      mosaic.Canvas().CopyRect({x, y, x + kTileWidth, y + kTileHeight}, tile.Canvas(),
                               {left, top, left + kTileWidth, top + kTileHeight});
    }
  } catch (const ImageError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  if (!SaveToJpeg(mosaic, argv[1], 92, false)) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
