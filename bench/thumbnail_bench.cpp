// Times the build's thumbnail path on a real photograph: MakeThumbnailData for a 150 x 150 box at
// quality 70 (read, decode at the reduced scale with the fast DCT, turn upright, reduce, encode
// progressive with the thumbnail's record) and WriteThumbnailData writing it; each step on its
// own; and beside them the floor, a bare library decode of the same file at the same scale with
// the fast DCT into a buffer.
//   thumbnail_bench [benchmark flags] PHOTO.jpg     (or PARVEL_BENCH_PHOTO=PHOTO.jpg)
// PARVEL_BENCH_OUT names the folder for the thumbnails (default /tmp).
// Without a photograph it says so and ends successfully. bench/make-bench-photo makes one.
#include <benchmark/benchmark.h>
#include <unistd.h>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

#include "builder/thumbnail.h"
#include "imaging/formats/jpeg.h"
#include "imaging/pixelgraphic.h"
#include "imaging/resample.h"
#include "platform/console_interaction.h"
#include "platform/filesystem.h"

namespace {

using namespace parvel;

constexpr std::int32_t kBox = 150;
constexpr int kQuality = 70;

struct Setup {
  std::string photo;
  std::string out_dir;
  int scale = 1;
};

Setup& Bench() {
  static Setup setup;
  return setup;
}

// The floor: read the file, decode it at `scale` with the fast integer DCT into `buffer`.
void BareDecode(const std::string& path, int scale, std::vector<std::uint8_t>& buffer) {
  std::string data;
  ReadWholeFile(path, &data);
  jpeg_decompress_struct info{};
  jpeg_error_mgr err{};
  info.err = jpeg_std_error(&err);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.data()),
               static_cast<unsigned long>(data.size()));
  jpeg_read_header(&info, TRUE);
  info.scale_num = 1;
  info.scale_denom = static_cast<unsigned>(scale);
  info.dct_method = JDCT_IFAST;
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  const std::size_t stride = 3 * static_cast<std::size_t>(info.output_width);
  buffer.resize(stride * info.output_height);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = buffer.data() + stride * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
}

std::span<const std::uint8_t> AsBytes(const std::string& data) {
  return {reinterpret_cast<const std::uint8_t*>(data.data()), data.size()};
}

// The build's decode of the photograph: the whole file read, decoded at the scale that covers
// the box with the fast DCT, leaving out the scans that scale does not use.
Raster BuildDecode() {
  std::string data;
  ReadWholeFile(Bench().photo, &data);
  return ReadJpeg(AsBytes(data), {true, Bench().scale, true});
}

// The decoded photograph reduced to its thumbnail size with the build's filter.
Raster Reduce(const Raster& decoded) {
  const ThumbSize size = CalculateDimensions(decoded.width, decoded.height, kBox, kBox);
  Raster thumb;
  thumb.Allocate(size.width, size.height, 24);
  Resample(decoded, thumb, ResampleFilter::Box);
  return thumb;
}

// Writes a thumbnail as the build does; a failure is answered No and ends the benchmark.
bool Write(const std::vector<std::uint8_t>& data, const std::string& out) {
  ConsoleInteraction ui(std::cerr, std::cin, ConsoleInteraction::Policy::No, false);
  return WriteThumbnailData(ui, data, out, kQuality);
}

// The whole thumbnail path, as a build runs it for one photograph.
bool ThumbnailPath(const std::string& out) {
  const std::vector<std::uint8_t> data = MakeThumbnailData(Bench().photo, kBox, kBox, kQuality);
  return !data.empty() && Write(data, out);
}

void BM_Floor_BareDecode(benchmark::State& state) {
  std::vector<std::uint8_t> buffer;
  for (auto _ : state) {
    BareDecode(Bench().photo, Bench().scale, buffer);
    benchmark::DoNotOptimize(buffer.data());
  }
}

void BM_ThumbnailPath(benchmark::State& state) {
  const std::string out = Bench().out_dir + "/thumb_thb.jpg";
  for (auto _ : state) {
    if (!ThumbnailPath(out)) state.SkipWithError("the thumbnail was not made");
  }
}

void BM_Step_MakeThumbnailImage(benchmark::State& state) {
  for (auto _ : state) {
    const Raster thumb = MakeThumbnailImage(Bench().photo, kBox, kBox);
    benchmark::DoNotOptimize(thumb.pixels.data());
  }
}

void BM_Step_Decode(benchmark::State& state) {
  for (auto _ : state) {
    const Raster decoded = BuildDecode();
    benchmark::DoNotOptimize(decoded.pixels.data());
  }
}

void BM_Step_Reduce(benchmark::State& state) {
  const Raster decoded = BuildDecode();
  for (auto _ : state) {
    const Raster thumb = Reduce(decoded);
    benchmark::DoNotOptimize(thumb.pixels.data());
  }
}

void BM_Step_Encode(benchmark::State& state) {
  const Raster thumb = Reduce(BuildDecode());
  const std::string record = ThumbnailRecord("photo.jpg", FileStamp{}, kBox, kBox, kQuality);
  for (auto _ : state) {
    benchmark::DoNotOptimize(WriteJpeg(thumb, kQuality, true, record).data());
  }
}

void BM_Step_Write(benchmark::State& state) {
  const std::vector<std::uint8_t> data = MakeThumbnailData(Bench().photo, kBox, kBox, kQuality);
  const std::string out = Bench().out_dir + "/write_thb.jpg";
  for (auto _ : state) {
    if (!Write(data, out)) state.SkipWithError("WriteThumbnailData failed");
  }
}

struct Timing {
  double wall_ms;
  double cpu_ms;
};

// Medians of `runs` timings of `f`: wall clock, and processor time of this process (which a
// busy machine disturbs less).
template <class F>
Timing Median(int runs, F&& f) {
  std::vector<double> wall, cpu;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t start_cpu = std::clock();
    f();
    cpu.push_back(1000.0 * static_cast<double>(std::clock() - start_cpu) / CLOCKS_PER_SEC);
    wall.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const char* env = std::getenv("PARVEL_BENCH_PHOTO");
  Bench().photo = argc > 1 ? argv[1] : (env ? env : "");
  if (Bench().photo.empty() || !FileExists(Bench().photo)) {
    std::printf(
        "thumbnail_bench: skipped, no photograph (pass a path or set PARVEL_BENCH_PHOTO)\n");
    return 0;
  }
  std::string data;
  ReadWholeFile(Bench().photo, &data);
  ImageInfo info;
  try {
    info = ReadJpegInfo({reinterpret_cast<const std::uint8_t*>(data.data()), data.size()});
  } catch (const ImageError& e) {
    std::printf("thumbnail_bench: %s: %s\n", Bench().photo.c_str(), e.what());
    return 1;
  }
  Bench().scale = ChooseJPEGScale(info.width, info.height, kBox, kBox);
  // Thumbnails go to a fresh folder under PARVEL_BENCH_OUT (default /tmp), replaced in one step
  // as a build writes them (not flushed one by one: a build can make them again).
  const char* out_env = std::getenv("PARVEL_BENCH_OUT");
  std::string dir_template =
      std::string(out_env && *out_env ? out_env : "/tmp") + "/parvel-bench-XXXXXX";
  if (!mkdtemp(dir_template.data())) {
    std::printf("thumbnail_bench: cannot make a folder like %s\n", dir_template.c_str());
    return 1;
  }
  Bench().out_dir = dir_template;
  std::printf("photograph %s: %dx%d, %zu bytes, decoded at 1/%d; thumbnails in %s\n",
              Bench().photo.c_str(), info.width, info.height, data.size(), Bench().scale,
              Bench().out_dir.c_str());

  using Function = void (*)(benchmark::State&);
  const std::pair<const char*, Function> benchmarks[] = {
      {"Floor_BareDecode", BM_Floor_BareDecode},
      {"ThumbnailPath", BM_ThumbnailPath},
      {"Step_MakeThumbnailImage", BM_Step_MakeThumbnailImage},
      {"Step_Decode", BM_Step_Decode},
      {"Step_Reduce", BM_Step_Reduce},
      {"Step_Encode", BM_Step_Encode},
      {"Step_Write", BM_Step_Write},
  };
  for (const auto& [name, function] : benchmarks) {
    benchmark::RegisterBenchmark(name, function)->Unit(benchmark::kMillisecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  // The two that matter once more, interleaved so that both see the same machine load.
  std::vector<std::uint8_t> buffer;
  const std::string out = Bench().out_dir + "/ratio_thb.jpg";
  Timing floor{0, 0}, path{0, 0};
  constexpr int kRounds = 5;
  for (int round = 0; round < kRounds; ++round) {
    const Timing f = Median(9, [&] { BareDecode(Bench().photo, Bench().scale, buffer); });
    const Timing p = Median(9, [&] { ThumbnailPath(out); });
    floor = {floor.wall_ms + f.wall_ms / kRounds, floor.cpu_ms + f.cpu_ms / kRounds};
    path = {path.wall_ms + p.wall_ms / kRounds, path.cpu_ms + p.cpu_ms / kRounds};
  }
  std::printf("wall clock: thumbnail path %.2f ms, floor %.2f ms, ratio %.3f\n", path.wall_ms,
              floor.wall_ms, path.wall_ms / floor.wall_ms);
  std::printf("processor:  thumbnail path %.2f ms, floor %.2f ms, ratio %.3f\n", path.cpu_ms,
              floor.cpu_ms, path.cpu_ms / floor.cpu_ms);
  std::string error;
  Files().RemoveAll(Bench().out_dir, &error);
  return 0;
}
