#include "imaging/formats/jpegscan.h"

#include <gtest/gtest.h>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/formats/jpeg.h"
#include "imaging/testimages.h"

namespace parvel {
namespace {

using testing::PhotoLike;

using Script = std::vector<jpeg_scan_info>;

jpeg_scan_info S(std::initializer_list<int> comps, int ss, int se, int ah, int al) {
  jpeg_scan_info s{static_cast<int>(comps.size()), {}, ss, se, ah, al};
  std::copy(comps.begin(), comps.end(), s.component_index);
  return s;
}

// Successive approximation with refinement scans on every band, DC refined too.
Script Refining() {
  return {S({0, 1, 2}, 0, 0, 0, 1), S({0}, 1, 5, 0, 2),  S({2}, 1, 63, 0, 1),
          S({1}, 1, 63, 0, 1),      S({0}, 6, 63, 0, 2), S({0}, 1, 63, 2, 1),
          S({0, 1, 2}, 0, 0, 1, 0), S({2}, 1, 63, 1, 0), S({1}, 1, 63, 1, 0),
          S({0}, 1, 63, 1, 0)};
}

// Spectral selection only, one component per DC scan, bands split differently per component.
Script SpectralOnly() {
  return {S({0}, 0, 0, 0, 0), S({1}, 0, 0, 0, 0),  S({2}, 0, 0, 0, 0),  S({0}, 1, 2, 0, 0),
          S({1}, 1, 9, 0, 0), S({0}, 3, 63, 0, 0), S({2}, 1, 63, 0, 0), S({1}, 10, 63, 0, 0)};
}

// AC bands left at one bit short: a decode of the whole stream smooths blocks.
Script NotFullyRefined() {
  return {S({0, 1, 2}, 0, 0, 0, 0), S({0}, 1, 63, 0, 1), S({1}, 1, 63, 0, 0), S({2}, 1, 63, 0, 0)};
}

struct Encoding {
  int width = 0, height = 0;
  int h = 2, v = 2;  // luma sampling factors; chroma 1x1
  Script script;     // empty: the library's simple progression
  int restart = 0;   // restart interval in MCUs
  bool gray = false;
  bool progressive = true;
  bool arithmetic = false;
};

std::vector<std::uint8_t> Encode(const Encoding& e) {
  const Raster image = PhotoLike(e.width, e.height);
  jpeg_compress_struct info{};
  jpeg_error_mgr err{};
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = static_cast<JDIMENSION>(e.width);
  info.image_height = static_cast<JDIMENSION>(e.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  if (e.gray) jpeg_set_colorspace(&info, JCS_GRAYSCALE);
  info.comp_info[0].h_samp_factor = e.h;
  info.comp_info[0].v_samp_factor = e.v;
  jpeg_set_quality(&info, 85, TRUE);
  info.restart_interval = static_cast<unsigned>(e.restart);
  info.arith_code = e.arithmetic ? TRUE : FALSE;
  if (e.progressive && e.script.empty()) jpeg_simple_progression(&info);
  if (e.progressive && !e.script.empty()) {
    info.scan_info = e.script.data();
    info.num_scans = static_cast<int>(e.script.size());
  }
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(image.Row(static_cast<std::int32_t>(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<std::uint8_t> data(out, out + size);
  jpeg_destroy_compress(&info);
  std::free(out);
  return data;
}

// Decodes at 1/scale with and without leaving scans out; the pixels must be the same.
void ExpectSamePixels(const std::vector<std::uint8_t>& data, int scale, bool expect_skipped,
                      bool fast = true) {
  bool skipped = false;
  const Raster full = ReadJpeg(data, {fast, scale, false});
  const Raster filtered = ReadJpeg(data, {fast, scale, true}, &skipped);
  EXPECT_EQ(skipped, expect_skipped);
  EXPECT_TRUE(full.width == filtered.width && full.height == filtered.height &&
              full.pixels == filtered.pixels)
      << "pixels differ at 1/" << scale;
}

// A progressive file decoded at 1/8 leaves out the scans no pixel needs, with the same pixels;
// baseline and arithmetic files are decoded whole.
TEST(ScanSkipping, EighthScaleDecodeIsPixelIdentical) {
  const struct {
    const char* name;
    Encoding encoding;
    bool skipped_at_eighth;
  } cases[] = {
      {"simple_420", {203, 151, 2, 2, {}}, true},
      {"simple_422", {203, 151, 2, 1, {}}, true},
      {"gray", {97, 203, 1, 1, {}, 0, true}, true},
      {"tiny_420", {9, 7, 2, 2, {}}, true},
      {"refining_444", {331, 97, 1, 1, Refining()}, true},
      {"spectral_420", {150, 200, 2, 2, SpectralOnly()}, true},
      {"restarts_refining_444", {203, 151, 1, 1, Refining(), 1}, true},
      {"not_fully_refined", {120, 80, 1, 1, NotFullyRefined()}, false},
      {"baseline", {100, 60, 2, 2, {}, 0, false, false}, false},
      {"arithmetic", {100, 60, 2, 2, {}, 0, false, true, true}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto data = Encode(c.encoding);
    ExpectSamePixels(data, 8, c.skipped_at_eighth);
    ExpectSamePixels(data, 8, c.skipped_at_eighth, false);
    // At larger scales no component is DC-only: nothing is left out.
    ExpectSamePixels(data, 4, false);
    ExpectSamePixels(data, 1, false);
  }
}

// Progressive decodes inside a reuse scope give the same pixels, whatever the order of large and
// small images, and the reuse ends with the scope.
TEST(JpegCoefficientReuse, DecodesAreUnchangedAcrossImages) {
  const std::vector<std::vector<std::uint8_t>> files = {
      Encode({320, 240, 2, 2, {}}), Encode({64, 48, 1, 1, Refining()}),
      Encode({400, 300, 1, 1, {}}), Encode({33, 65, 1, 1, {}, 0, true})};
  std::vector<Raster> expected;
  for (const auto& f : files) expected.push_back(ReadJpeg(f, {true, 2, true}));
  {
    JpegCoefficientReuse reuse;
    JpegCoefficientReuse nested;
    for (int round = 0; round < 2; ++round) {
      for (std::size_t i = 0; i < files.size(); ++i) {
        for (int scale : {2, 8}) {
          SCOPED_TRACE(std::to_string(i) + " at 1/" + std::to_string(scale));
          const Raster got = ReadJpeg(files[i], {true, scale, true});
          const Raster& want = scale == 2 ? expected[i] : ReadJpeg(files[i], {true, 8, false});
          EXPECT_TRUE(got.pixels == want.pixels);
        }
      }
    }
  }
  EXPECT_TRUE(ReadJpeg(files[0], {true, 2, true}).pixels == expected[0].pixels);
}

}  // namespace
}  // namespace parvel
