// Makes a large 24-bit PNG row by row (its pixels are never all in memory) for the memory check
// of the thumbnail workers: colour gradients turned by the seed, a texture of small steps every
// four pixels, compressed at zlib level 1. Usage: make_big_png OUT.png WIDTH HEIGHT SEED
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: make_big_png OUT.png WIDTH HEIGHT SEED\n");
    return 2;
  }
  const std::uint32_t width = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10));
  const std::uint32_t height = static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10));
  const std::uint32_t seed = static_cast<std::uint32_t>(std::strtoul(argv[4], nullptr, 10));
  if (width == 0 || height == 0 || width > 100000 || height > 100000) {
    std::fprintf(stderr, "WIDTH and HEIGHT must be 1..100000\n");
    return 2;
  }
  const std::string tmp = std::string(argv[1]) + ".tmp";
  std::FILE* out = std::fopen(tmp.c_str(), "wb");
  if (out == nullptr) {
    std::perror(tmp.c_str());
    return 1;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    std::fprintf(stderr, "cannot write %s\n", tmp.c_str());
    return 1;
  }
  png_init_io(png, out);
  png_set_compression_level(png, 1);
  png_set_filter(png, 0, PNG_FILTER_SUB);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(3 * static_cast<std::size_t>(width));
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::uint32_t y = 0; y < height; ++y) {
    std::uint8_t step = 0;
    for (std::uint32_t x = 0; x < width; ++x) {
      if (x % 4 == 0) {
        state = state * 1664525u + 1013904223u;
        step = static_cast<std::uint8_t>(state >> 29);  // 0..7
      }
      png_byte* p = &row[3 * static_cast<std::size_t>(x)];
      p[0] = static_cast<png_byte>((x * 255ull / width + seed * 40) + step);
      p[1] = static_cast<png_byte>((y * 255ull / height + seed * 70) + step);
      p[2] = static_cast<png_byte>(((x + y) * 127ull / (width + height) + seed * 30) + step);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  if (std::fclose(out) != 0 || std::rename(tmp.c_str(), argv[1]) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
