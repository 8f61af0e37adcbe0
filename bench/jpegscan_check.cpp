// Checks over real files that leaving out unused scans never changes a decode: every progressive
// JPEG given (files, or folders whose *.jpg files are taken) is decoded at 1/8 with the fast DCT
// both whole and filtered, and the pixels compared.
//   jpegscan_check FILE_OR_FOLDER...
// Prints one line per file that differs or fails, then the counts; exits 1 when any differs.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "imaging/formats/jpeg.h"
#include "imaging/imageerrors.h"
#include "platform/filesystem.h"

namespace {

using namespace parvel;
namespace fs = std::filesystem;

std::vector<std::string> JpegFiles(int argc, char** argv) {
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg(argv[i]);
    if (!fs::is_directory(arg)) {
      files.push_back(arg.string());
      continue;
    }
    for (const auto& entry : fs::directory_iterator(arg)) {
      std::string ext = entry.path().extension().string();
      std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
      if (ext == ".jpg" || ext == ".jpeg" || ext == ".jpe") files.push_back(entry.path().string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: jpegscan_check FILE_OR_FOLDER...\n";
    return 2;
  }
  int progressive = 0, skipped = 0, identical = 0, different = 0, failed = 0;
  std::chrono::steady_clock::duration whole_time{}, filtered_time{};
  for (const std::string& path : JpegFiles(argc, argv)) {
    std::string data;
    if (!ReadWholeFile(path, &data)) {
      std::cout << "unreadable: " << path << "\n";
      ++failed;
      continue;
    }
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(data.data()),
                                              data.size());
    try {
      if (ReadJpegInfo(bytes).subformat.rfind("progressive", 0) != 0) continue;
      ++progressive;
      const auto t0 = std::chrono::steady_clock::now();
      const Raster whole = ReadJpeg(bytes, {true, 8, false});
      const auto t1 = std::chrono::steady_clock::now();
      bool was_skipped = false;
      const Raster filtered = ReadJpeg(bytes, {true, 8, true}, &was_skipped);
      const auto t2 = std::chrono::steady_clock::now();
      whole_time += t1 - t0;
      filtered_time += t2 - t1;
      if (was_skipped) ++skipped;
      if (whole.width == filtered.width && whole.height == filtered.height &&
          whole.pixels == filtered.pixels) {
        ++identical;
      } else {
        ++different;
        std::cout << "DIFFERENT: " << path << "\n";
      }
    } catch (const ImageError& e) {
      ++failed;
      std::cout << "error: " << path << ": " << e.what() << "\n";
    }
  }
  std::cout << progressive << " progressive files, scans left out in " << skipped << ", "
            << identical << " identical at 1/8, " << different << " different, " << failed
            << " failed; decode time whole " << Seconds(whole_time) << " s, filtered "
            << Seconds(filtered_time) << " s\n";
  return different == 0 && failed == 0 ? 0 : 1;
}
