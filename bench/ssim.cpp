// bench/ssim A.pgm B.pgm: the mean SSIM of two grey images of the same size (binary PGM, as
// ImageMagick writes them), over 8x8 windows with the usual constants (K1 0.01, K2 0.03, L 255).
// Written here because Debian 12's ImageMagick 6 has no SSIM metric; used by bench/webcopies.sh.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

bool ReadPgm(const char* path, int* w, int* h, std::vector<unsigned char>* pixels) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int max = 0;
  in >> magic >> *w >> *h >> max;
  in.get();
  if (!in || magic != "P5" || max != 255 || *w <= 0 || *h <= 0 || *w > 65535 || *h > 65535) {
    return false;
  }
  pixels->resize(static_cast<size_t>(*w) * static_cast<size_t>(*h));
  in.read(reinterpret_cast<char*>(pixels->data()), static_cast<std::streamsize>(pixels->size()));
  return static_cast<size_t>(in.gcount()) == pixels->size();
}

}  // namespace

int main(int argc, char** argv) {
  int wa = 0, ha = 0, wb = 0, hb = 0;
  std::vector<unsigned char> a, b;
  if (argc != 3 || !ReadPgm(argv[1], &wa, &ha, &a) || !ReadPgm(argv[2], &wb, &hb, &b) || wa != wb ||
      ha != hb) {
    std::cerr << "usage: ssim A.pgm B.pgm (binary PGM files of one size)\n";
    return 2;
  }
  constexpr double c1 = (0.01 * 255) * (0.01 * 255);
  constexpr double c2 = (0.03 * 255) * (0.03 * 255);
  constexpr int kWindow = 8;
  double sum = 0;
  long windows = 0;
  for (int y0 = 0; y0 + kWindow <= ha; y0 += kWindow / 2) {
    for (int x0 = 0; x0 + kWindow <= wa; x0 += kWindow / 2) {
      double ma = 0, mb = 0, va = 0, vb = 0, cov = 0;
      for (int y = y0; y < y0 + kWindow; ++y) {
        for (int x = x0; x < x0 + kWindow; ++x) {
          const size_t i =
              static_cast<size_t>(y) * static_cast<size_t>(wa) + static_cast<size_t>(x);
          ma += a[i];
          mb += b[i];
        }
      }
      const double n = kWindow * kWindow;
      ma /= n;
      mb /= n;
      for (int y = y0; y < y0 + kWindow; ++y) {
        for (int x = x0; x < x0 + kWindow; ++x) {
          const size_t i =
              static_cast<size_t>(y) * static_cast<size_t>(wa) + static_cast<size_t>(x);
          va += (a[i] - ma) * (a[i] - ma);
          vb += (b[i] - mb) * (b[i] - mb);
          cov += (a[i] - ma) * (b[i] - mb);
        }
      }
      va /= n - 1;
      vb /= n - 1;
      cov /= n - 1;
      sum += ((2 * ma * mb + c1) * (2 * cov + c2)) / ((ma * ma + mb * mb + c1) * (va + vb + c2));
      ++windows;
    }
  }
  std::printf("%.5f\n", windows > 0 ? sum / static_cast<double>(windows) : 1.0);
  return 0;
}
