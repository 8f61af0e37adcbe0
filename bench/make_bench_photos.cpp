// Makes COUNT small photographs for the rebuild benchmark: photo00001.jpg ... in FOLDER, each a
// WIDTH x HEIGHT baseline JPEG (quality 85) of a gradient whose colours differ from one photograph
// to the next, so that no two files are alike.
// Usage: make_bench_photos FOLDER COUNT [WIDTH HEIGHT]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "imaging/formats/jpeg.h"
#include "imaging/raster.h"
#include "platform/filesystem.h"

int main(int argc, char** argv) {
  using namespace parvel;
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr, "usage: make_bench_photos FOLDER COUNT [WIDTH HEIGHT]\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  const int count = std::atoi(argv[2]);
  const int width = argc == 5 ? std::atoi(argv[3]) : 320;
  const int height = argc == 5 ? std::atoi(argv[4]) : 240;
  if (count < 1 || width < 1 || height < 1) return 2;
  Raster image;
  image.Allocate(width, height, 24);
  for (int i = 1; i <= count; ++i) {
    for (int y = 0; y < height; ++y) {
      std::uint8_t* row = image.Row(y);
      for (int x = 0; x < width; ++x) {
        row[3 * x] = static_cast<std::uint8_t>(x * 255 / width + i);
        row[3 * x + 1] = static_cast<std::uint8_t>(y * 255 / height + 7 * i);
        row[3 * x + 2] = static_cast<std::uint8_t>(i * 13);
      }
    }
    const auto bytes = WriteJpeg(image, 85, false);
    char name[32];
    std::snprintf(name, sizeof name, "photo%05d.jpg", i);
    if (!RealFileSystem().WriteFileReplace(
            folder + name,
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), nullptr)) {
      std::fprintf(stderr, "cannot write %s%s\n", folder.c_str(), name);
      return 1;
    }
  }
  return 0;
}
