// bench/ssim A.pgm B.pgm: the mean SSIM of two grey images of the same size (binary PGM, as
// ImageMagick writes them), over 11x11 Gaussian windows with the usual constants (K1 0.01, K2
// 0.03, L 255).
// Written here because Debian 12's ImageMagick 6 has no SSIM metric; used by bench/webcopies.sh.
#include <cmath>
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
  // The index as its authors define it: an 11x11 Gaussian window (sigma 1.5) at every position
  // where it fits whole, the means, variances and covariance weighted by it.
  constexpr double c1 = (0.01 * 255) * (0.01 * 255);
  constexpr double c2 = (0.03 * 255) * (0.03 * 255);
  constexpr int kTaps = 11;
  double kernel[kTaps], total = 0;
  for (int i = 0; i < kTaps; ++i)
    total += kernel[i] = std::exp(-(i - 5) * (i - 5) / (2 * 1.5 * 1.5));
  for (double& k : kernel) k /= total;
  const int wo = wa - kTaps + 1, ho = ha - kTaps + 1;
  if (wo <= 0 || ho <= 0) {
    std::printf("%.5f\n", 1.0);
    return 0;
  }
  // The five weighted sums, filtered along rows then columns.
  const auto at = [&](const std::vector<unsigned char>& p, int x, int y) {
    return static_cast<double>(
        p[static_cast<size_t>(y) * static_cast<size_t>(wa) + static_cast<size_t>(x)]);
  };
  std::vector<double> rows(static_cast<size_t>(wo) * static_cast<size_t>(ha) * 5);
  for (int y = 0; y < ha; ++y) {
    for (int x = 0; x < wo; ++x) {
      double s[5] = {};
      for (int i = 0; i < kTaps; ++i) {
        const double va = at(a, x + i, y), vb = at(b, x + i, y), k = kernel[i];
        s[0] += k * va, s[1] += k * vb, s[2] += k * va * va, s[3] += k * vb * vb,
            s[4] += k * va * vb;
      }
      for (int j = 0; j < 5; ++j) rows[(static_cast<size_t>(y) * wo + x) * 5 + j] = s[j];
    }
  }
  double sum = 0;
  for (int y = 0; y < ho; ++y) {
    for (int x = 0; x < wo; ++x) {
      double s[5] = {};
      for (int i = 0; i < kTaps; ++i) {
        for (int j = 0; j < 5; ++j)
          s[j] += kernel[i] * rows[(static_cast<size_t>(y + i) * wo + x) * 5 + j];
      }
      const double va = s[2] - s[0] * s[0], vb = s[3] - s[1] * s[1], cov = s[4] - s[0] * s[1];
      sum += ((2 * s[0] * s[1] + c1) * (2 * cov + c2)) /
             ((s[0] * s[0] + s[1] * s[1] + c1) * (va + vb + c2));
    }
  }
  const double windows = static_cast<double>(wo) * static_cast<double>(ho);
  std::printf("%.5f\n", sum / windows);
  return 0;
}
