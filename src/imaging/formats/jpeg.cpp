#include "imaging/formats/jpeg.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "imaging/formats/jpegscan.h"
#include "imaging/imageerrors.h"

namespace parvel {

namespace {

// libjpeg's own pools may grow to this; a progressive file claiming a vast size then fails
// instead of taking gigabytes for its coefficients.
constexpr long kLibraryMemoryLimit = 512L * 1024 * 1024;

// The library's error manager with the place to jump back to; `mgr` must stay first.
struct ErrorTrap {
  jpeg_error_mgr mgr{};
  std::jmp_buf jump{};
  char text[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void ErrorExit(j_common_ptr info) {
  auto* trap = reinterpret_cast<ErrorTrap*>(info->err);
  info->err->format_message(info, trap->text);
  std::longjmp(trap->jump, 1);
}

void EmitMessage(j_common_ptr info, int level) {
  if (level >= 0) return;
  // Where the data runs out, in the file or in a scan, the library pads the rest with gray;
  // here that is an error, which also stops a short file from being decoded at a vast size.
  if (info->err->msg_code == JWRN_JPEG_EOF || info->err->msg_code == JWRN_HIT_MARKER) {
    ErrorExit(info);
  }
  ++info->err->num_warnings;
}

void OutputMessage(j_common_ptr) {}

void InstallTrap(ErrorTrap& trap) {
  jpeg_std_error(&trap.mgr);
  trap.mgr.error_exit = ErrorExit;
  trap.mgr.emit_message = EmitMessage;
  trap.mgr.output_message = OutputMessage;
}

// Runs one step of library calls with the error exit landing here. `body` must own nothing that
// needs destroying: a jump out of it skips destructors.
template <class Body>
bool Trapped(ErrorTrap& trap, Body& body) {
  if (setjmp(trap.jump) != 0) return false;
  body();
  return true;
}

template <class Body>
void Run(ErrorTrap& trap, Body&& body) {
  if (!Trapped(trap, body)) throw JpegError(trap.text);
}

// Owns the library's state, so that it is released also when a constructor below throws.
struct DecompressState {
  jpeg_decompress_struct info{};
  DecompressState() = default;
  DecompressState(const DecompressState&) = delete;
  DecompressState& operator=(const DecompressState&) = delete;
  ~DecompressState() { jpeg_destroy_decompress(&info); }
};

struct CompressState {
  jpeg_compress_struct info{};
  CompressState() = default;
  CompressState(const CompressState&) = delete;
  CompressState& operator=(const CompressState&) = delete;
  ~CompressState() { jpeg_destroy_compress(&info); }
};

// ---- A source that hands the library the kept stretches of a filtered stream one by one.

struct RangeSource {
  jpeg_source_mgr mgr{};
  const JpegRanges* ranges = nullptr;
  std::size_t next = 0;
};

const JOCTET kFakeEoi[2] = {0xFF, JPEG_EOI};

void RangeInit(j_decompress_ptr info) {
  auto* src = reinterpret_cast<RangeSource*>(info->src);
  src->next = 0;
  src->mgr.bytes_in_buffer = 0;
}

boolean RangeFill(j_decompress_ptr info) {
  auto* src = reinterpret_cast<RangeSource*>(info->src);
  if (src->next < src->ranges->size()) {
    const auto& range = (*src->ranges)[src->next++];
    src->mgr.next_input_byte = range.data();
    src->mgr.bytes_in_buffer = range.size();
    return TRUE;
  }
  // As the library's memory source does: warn (an error here) and end the image.
  WARNMS(info, JWRN_JPEG_EOF);
  src->mgr.next_input_byte = kFakeEoi;
  src->mgr.bytes_in_buffer = 2;
  return TRUE;
}

void RangeSkip(j_decompress_ptr info, long count) {
  auto* src = reinterpret_cast<RangeSource*>(info->src);
  if (count <= 0) return;
  auto left = static_cast<std::size_t>(count);
  while (left > src->mgr.bytes_in_buffer) {
    left -= src->mgr.bytes_in_buffer;
    src->mgr.bytes_in_buffer = 0;
    RangeFill(info);
  }
  src->mgr.next_input_byte += left;
  src->mgr.bytes_in_buffer -= left;
}

void RangeTerm(j_decompress_ptr) {}

// ---- Coefficient memory reused from one progressive image to the next.
//
// A progressive decode keeps every coefficient of the image; the library takes fresh memory for
// that at each image, and the first touch of each fresh page is a page fault that costs more than
// the decode of the skipped scans saved. While a reuse scope is active on a thread, the library's
// whole-image coefficient arrays are placed in one store that the thread keeps between images.

// A store larger than this is given back after the image instead of being kept.
constexpr std::size_t kKeptStoreBytes = 128u * 1024 * 1024;
constexpr std::size_t kMaxArenaArrays = 16;

struct ArenaArray {
  JDIMENSION blocks_per_row = 0;
  JDIMENSION rows = 0;
  std::size_t first_row = 0;
};

struct CoefficientArena {
  std::unique_ptr<JBLOCK[]> store;
  std::size_t capacity = 0;  // blocks
  std::vector<JBLOCKROW> rows;
  bool busy = false;  // one codec object uses it; another alive meanwhile takes library memory
};

thread_local CoefficientArena* t_arena = nullptr;

// The hooks' state for one decompressor; `client_data` points here while the hooks are in.
struct ArenaHooks {
  CoefficientArena* arena = nullptr;
  std::array<ArenaArray, kMaxArenaArrays> arrays{};
  std::size_t count = 0;
  jvirt_barray_ptr (*request)(j_common_ptr, int, boolean, JDIMENSION, JDIMENSION,
                              JDIMENSION) = nullptr;
  void (*realize)(j_common_ptr) = nullptr;
  JBLOCKARRAY (*access)(j_common_ptr, jvirt_barray_ptr, JDIMENSION, JDIMENSION, boolean) = nullptr;

  ArenaArray* Ours(jvirt_barray_ptr ptr) {
    auto* a = reinterpret_cast<ArenaArray*>(ptr);
    return a >= arrays.data() && a < arrays.data() + count ? a : nullptr;
  }
};

ArenaHooks* HooksOf(j_common_ptr info) {
  return static_cast<ArenaHooks*>(info->client_data);
}

jvirt_barray_ptr ArenaRequest(j_common_ptr info, int pool, boolean pre_zero,
                              JDIMENSION blocks_per_row, JDIMENSION rows, JDIMENSION max_access) {
  ArenaHooks* hooks = HooksOf(info);
  if (pool != JPOOL_IMAGE || hooks->count == kMaxArenaArrays) {
    return hooks->request(info, pool, pre_zero, blocks_per_row, rows, max_access);
  }
  ArenaArray& a = hooks->arrays[hooks->count++];
  a = ArenaArray{blocks_per_row, rows, 0};
  return reinterpret_cast<jvirt_barray_ptr>(&a);
}

void ArenaRealize(j_common_ptr info) {
  ArenaHooks* hooks = HooksOf(info);
  hooks->realize(info);
  if (hooks->count == 0) return;
  std::size_t blocks = 0;
  std::size_t rows = 0;
  for (std::size_t i = 0; i < hooks->count; ++i) {
    const ArenaArray& a = hooks->arrays[i];
    const std::size_t size = static_cast<std::size_t>(a.blocks_per_row) * a.rows;
    blocks += size;
    rows += a.rows;
  }
  // The same ceiling as the library's own pools: a vast claimed size fails here.
  if (blocks > static_cast<std::size_t>(kLibraryMemoryLimit) / sizeof(JBLOCK)) {
    ERREXIT(info, JERR_NO_BACKING_STORE);
  }
  CoefficientArena& arena = *hooks->arena;
  bool allocated = true;
  try {
    if (blocks > arena.capacity) {
      // The whole kept size at once: pages are only resident once touched, and a store that
      // grew image by image would touch fresh pages at every growth.
      const std::size_t size = std::max(blocks, kKeptStoreBytes / sizeof(JBLOCK));
      arena.store.reset();
      arena.capacity = 0;
      arena.store.reset(new JBLOCK[size]);
      arena.capacity = size;
    }
    arena.rows.resize(rows);
  } catch (const std::bad_alloc&) {
    allocated = false;
  }
  if (!allocated) ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
  // The library expects its coefficient arrays zeroed.
  std::memset(static_cast<void*>(arena.store.get()), 0, blocks * sizeof(JBLOCK));
  JBLOCKROW next = arena.store.get();
  std::size_t row = 0;
  for (std::size_t i = 0; i < hooks->count; ++i) {
    ArenaArray& a = hooks->arrays[i];
    a.first_row = row;
    for (JDIMENSION r = 0; r < a.rows; ++r, next += a.blocks_per_row) arena.rows[row++] = next;
  }
}

JBLOCKARRAY ArenaAccess(j_common_ptr info, jvirt_barray_ptr ptr, JDIMENSION start, JDIMENSION count,
                        boolean writable) {
  ArenaHooks* hooks = HooksOf(info);
  const ArenaArray* a = hooks->Ours(ptr);
  if (a == nullptr) return hooks->access(info, ptr, start, count, writable);
  if (static_cast<std::size_t>(start) + count > a->rows || hooks->arena->rows.empty()) {
    ERREXIT(info, JERR_BAD_VIRTUAL_ACCESS);
  }
  return hooks->arena->rows.data() + a->first_row + start;
}

// With a reuse scope active on this thread, the library's whole-image coefficient arrays of
// `info` (a decompressor's or a compressor's) go into the thread's store.
void InstallArena(j_common_ptr info, ArenaHooks& hooks) {
  if (t_arena == nullptr || t_arena->busy) return;
  t_arena->busy = true;
  hooks.arena = t_arena;
  hooks.request = info->mem->request_virt_barray;
  hooks.realize = info->mem->realize_virt_arrays;
  hooks.access = info->mem->access_virt_barray;
  info->client_data = &hooks;
  info->mem->request_virt_barray = ArenaRequest;
  info->mem->realize_virt_arrays = ArenaRealize;
  info->mem->access_virt_barray = ArenaAccess;
}

// Leaves the store to the next codec object, giving it back when one image grew it past the kept
// size.
void ReleaseArena(ArenaHooks& hooks) {
  if (hooks.arena == nullptr) return;
  hooks.arena->busy = false;
  if (hooks.arena->capacity * sizeof(JBLOCK) > kKeptStoreBytes) {
    hooks.arena->store.reset();
    hooks.arena->capacity = 0;
    hooks.arena->rows = {};
  }
}

class Decompressor {
 public:
  // `keep_icc`: the header read keeps the colour profile's segments for jpeg_read_icc_profile.
  explicit Decompressor(std::span<const std::uint8_t> data, bool keep_icc = false)
      : data_(data), info_(state_.info) {
    InstallTrap(trap_);
    info_.err = &trap_.mgr;
    Run(trap_, [&] {
      jpeg_create_decompress(&info_);
      info_.mem->max_memory_to_use = kLibraryMemoryLimit;
      jpeg_mem_src(&info_, data.data(), static_cast<unsigned long>(data.size()));
      if (keep_icc) jpeg_save_markers(&info_, JPEG_APP0 + 2, 0xFFFF);
      jpeg_read_header(&info_, TRUE);
    });
    if (!SizeIsAcceptable(info_.image_width, info_.image_height)) {
      throw JpegError(TooLargeText(info_.image_width, info_.image_height));
    }
    InstallArena(reinterpret_cast<j_common_ptr>(&info_), hooks_);
  }
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;
  ~Decompressor() { ReleaseArena(hooks_); }

  jpeg_decompress_struct& info() { return info_; }

  // The profile kept by a `keep_icc` header read; empty when there is none.
  std::vector<std::uint8_t> IccProfile() {
    JOCTET* profile = nullptr;
    unsigned int length = 0;
    bool found = false;
    Run(trap_, [&] { found = jpeg_read_icc_profile(&info_, &profile, &length); });
    std::vector<std::uint8_t> out;
    if (found && profile != nullptr) out.assign(profile, profile + length);
    std::free(profile);
    return out;
  }
  bool cmyk() const { return info_.out_color_space == JCS_CMYK; }
  bool filtered() const { return filtered_; }

  void Start(const JpegDecodeOptions& options) {
    if (options.scale != 1 && options.scale != 2 && options.scale != 4 && options.scale != 8) {
      throw JpegError("Invalid decode scale");
    }
    if (options.eighths < 0 || options.eighths > 8) throw JpegError("Invalid decode scale");
    Configure(options);
    if (options.skip_unused_scans && info_.progressive_mode && !info_.arith_code) {
      Run(trap_, [&] { jpeg_calc_output_dimensions(&info_); });
      std::array<bool, MAX_COMPONENTS> dc_only{};
      const auto components = static_cast<std::size_t>(info_.num_components);
      for (std::size_t c = 0; c < components && c < dc_only.size(); ++c) {
        dc_only[c] = info_.comp_info[c].DCT_scaled_size == 1;
      }
      if (components <= dc_only.size() &&
          FilterProgressiveScans(data_, std::span(dc_only.data(), components), ranges_)) {
        // The same headers again from the filtered stream; the unused scans are never read.
        // Block smoothing would estimate the left-out coefficients; the whole stream refines
        // them all (the filter's condition), so a full decode smooths nothing either.
        Run(trap_, [&] {
          jpeg_abort_decompress(&info_);
          source_.ranges = &ranges_;
          source_.mgr.init_source = RangeInit;
          source_.mgr.fill_input_buffer = RangeFill;
          source_.mgr.skip_input_data = RangeSkip;
          source_.mgr.resync_to_restart = jpeg_resync_to_restart;
          source_.mgr.term_source = RangeTerm;
          info_.src = &source_.mgr;
          jpeg_read_header(&info_, TRUE);
        });
        Configure(options);
        info_.do_block_smoothing = FALSE;
        filtered_ = true;
      }
    }
    Run(trap_, [&] { jpeg_start_decompress(&info_); });
  }

  // Reads rows into `rows` (each 3 bytes a pixel, or 4 for CMYK) until `count` are read.
  void ReadRows(JSAMPROW* rows, JDIMENSION count) {
    JDIMENSION done = 0;
    bool stalled = false;
    Run(trap_, [&] {
      while (done < count) {
        const JDIMENSION n = jpeg_read_scanlines(&info_, rows + done, count - done);
        if (n == 0) {
          stalled = true;
          return;
        }
        done += n;
      }
    });
    if (stalled) throw JpegError(kUnexpectedEnd);
  }

 private:
  void Configure(const JpegDecodeOptions& options) {
    info_.scale_num = options.eighths != 0 ? static_cast<unsigned>(options.eighths) : 1;
    info_.scale_denom = options.eighths != 0 ? 8 : static_cast<unsigned>(options.scale);
    info_.dct_method = options.fast ? JDCT_IFAST : JDCT_ISLOW;
    const bool ink = info_.jpeg_color_space == JCS_CMYK || info_.jpeg_color_space == JCS_YCCK;
    info_.out_color_space = ink ? JCS_CMYK : JCS_RGB;
  }

  std::span<const std::uint8_t> data_;
  JpegRanges ranges_;
  RangeSource source_;
  ArenaHooks hooks_;
  bool filtered_ = false;
  ErrorTrap trap_;
  DecompressState state_;
  jpeg_decompress_struct& info_;
};

// Converts a row of CMYK samples as the library gives them (inverted when the file carries the
// Adobe marker, as such files usually do) into RGB.
void CmykRowToRgb(const JSAMPLE* in, std::uint8_t* out, std::int32_t width, bool inverted) {
  for (std::int32_t x = 0; x < width; ++x, in += 4, out += 3) {
    const int k = inverted ? in[3] : 255 - in[3];
    for (int c = 0; c < 3; ++c) {
      const int v = inverted ? in[c] : 255 - in[c];
      out[c] = static_cast<std::uint8_t>((v * k + 127) / 255);
    }
  }
}

// Decodes `count` rows starting at the current row into the rows of `target` from `y`.
void DecodeRows(Decompressor& d, Raster& target, std::int32_t y, std::int32_t count,
                std::vector<std::uint8_t>& ink_row, std::vector<JSAMPROW>& pointers) {
  auto& info = d.info();
  if (!d.cmyk()) {
    pointers.resize(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i)
      pointers[static_cast<std::size_t>(i)] = target.Row(y + i);
    d.ReadRows(pointers.data(), static_cast<JDIMENSION>(count));
    return;
  }
  ink_row.resize(4 * static_cast<std::size_t>(target.width));
  JSAMPROW row = ink_row.data();
  for (std::int32_t i = 0; i < count; ++i) {
    d.ReadRows(&row, 1);
    CmykRowToRgb(row, target.Row(y + i), target.width, info.saw_Adobe_marker);
  }
}

}  // namespace

JpegCoefficientReuse::JpegCoefficientReuse() {
  if (t_arena != nullptr) return;
  auto* arena = new CoefficientArena;
  t_arena = arena;
  owned_ = arena;
}

JpegCoefficientReuse::~JpegCoefficientReuse() {
  if (owned_ == nullptr) return;
  t_arena = nullptr;
  delete static_cast<CoefficientArena*>(owned_);
}

bool IsJpegSignature(std::span<const std::uint8_t> head) {
  return head.size() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

std::int32_t JpegScaledSide(std::int32_t side, int scale) {
  return (side + scale - 1) / scale;
}

std::int32_t JpegEighthsSide(std::int32_t side, int eighths) {
  return static_cast<std::int32_t>((static_cast<std::int64_t>(side) * eighths + 7) / 8);
}

int ChooseJpegEighths(std::int32_t width, std::int32_t height, std::int32_t box_width,
                      std::int32_t box_height) {
  // A picture that fits the box whole is decoded whole.
  if (width <= box_width && height <= box_height) return 8;
  // The box the picture is fitted to, in the picture's proportions: the smaller of the two
  // reductions decides, and the decode must cover the fitted size in both directions.
  const double reduction =
      std::min(static_cast<double>(box_width) / width, static_cast<double>(box_height) / height);
  const auto fitted_w = static_cast<std::int32_t>(std::ceil(width * reduction - 1e-9));
  const auto fitted_h = static_cast<std::int32_t>(std::ceil(height * reduction - 1e-9));
  for (int eighths = 1; eighths < 8; ++eighths) {
    if (JpegEighthsSide(width, eighths) >= fitted_w &&
        JpegEighthsSide(height, eighths) >= fitted_h) {
      return eighths;
    }
  }
  return 8;
}

std::vector<std::uint8_t> ReadJpegIccProfile(std::span<const std::uint8_t> data) {
  Decompressor d(data, true);
  return d.IccProfile();
}

ImageInfo ReadJpegInfo(std::span<const std::uint8_t> data) {
  Decompressor d(data);
  const auto& info = d.info();
  ImageInfo out;
  out.width = static_cast<std::int32_t>(info.image_width);
  out.height = static_cast<std::int32_t>(info.image_height);
  out.bits = 8 * info.num_components;
  std::string space = info.jpeg_color_space == JCS_GRAYSCALE ? "gray"
                      : info.jpeg_color_space == JCS_CMYK    ? "CMYK"
                      : info.jpeg_color_space == JCS_YCCK    ? "YCCK"
                      : info.jpeg_color_space == JCS_RGB     ? "RGB"
                                                             : "YCbCr";
  out.subformat = std::string(info.progressive_mode ? "progressive " : "baseline ") + space;
  return out;
}

std::uint64_t JpegCoefficientBytes(std::span<const std::uint8_t> data) {
  Decompressor d(data);
  auto& info = d.info();
  if (!jpeg_has_multiple_scans(&info)) return 0;
  std::uint64_t blocks = 0;
  for (int c = 0; c < info.num_components; ++c) {
    const jpeg_component_info& component = info.comp_info[c];
    // The arrays are padded to whole MCU rows and columns, as the library requests them.
    const auto across = static_cast<std::uint64_t>(component.width_in_blocks) +
                        static_cast<std::uint64_t>(component.h_samp_factor);
    const auto down = static_cast<std::uint64_t>(component.height_in_blocks) +
                      static_cast<std::uint64_t>(component.v_samp_factor);
    blocks += across * down;
  }
  return blocks * sizeof(JBLOCK);
}

void DecodeJpegInto(std::span<const std::uint8_t> data, const JpegDecodeOptions& options,
                    Raster& target) {
  Decompressor d(data);
  d.Start(options);
  const auto& info = d.info();
  if (target.bits != 24 || target.width != static_cast<std::int32_t>(info.output_width) ||
      target.height != static_cast<std::int32_t>(info.output_height) ||
      target.pixels.size() != target.Stride() * static_cast<std::size_t>(target.height)) {
    throw JpegError(kTargetSizeMismatch);
  }
  std::vector<std::uint8_t> ink_row;
  std::vector<JSAMPROW> pointers;
  DecodeRows(d, target, 0, target.height, ink_row, pointers);
}

Raster ReadJpeg(std::span<const std::uint8_t> data, const JpegDecodeOptions& options,
                bool* scans_skipped) {
  Decompressor d(data);
  d.Start(options);
  if (scans_skipped != nullptr) *scans_skipped = d.filtered();
  const auto& info = d.info();
  Raster out;
  out.width = static_cast<std::int32_t>(info.output_width);
  out.height = static_cast<std::int32_t>(info.output_height);
  out.bits = 24;
  // Photographs compress well below a tenth; a file far shorter than its claimed size gets its
  // store only as rows arrive.
  const std::size_t full = out.Stride() * static_cast<std::size_t>(out.height);
  out.pixels.reserve(std::min(full, data.size() * 32));
  std::vector<std::uint8_t> ink_row;
  std::vector<JSAMPROW> pointers;
  constexpr std::int32_t kBand = 64;
  for (std::int32_t y = 0; y < out.height; y += kBand) {
    const std::int32_t count = std::min(kBand, out.height - y);
    out.pixels.resize(out.Stride() * static_cast<std::size_t>(y + count));
    DecodeRows(d, out, y, count, ink_row, pointers);
  }
  return out;
}

void DecodeJpegRows(std::span<const std::uint8_t> data, const JpegDecodeOptions& options,
                    const std::function<void(std::int32_t width, std::int32_t height)>& start,
                    const std::function<void(const std::uint8_t* row)>& row) {
  Decompressor d(data);
  d.Start(options);
  const auto& info = d.info();
  const auto width = static_cast<std::int32_t>(info.output_width);
  const auto height = static_cast<std::int32_t>(info.output_height);
  start(width, height);
  // A band of rows at a time: the library hands out a few rows per call.
  constexpr std::int32_t kBand = 16;
  Raster band;
  band.width = width;
  band.height = std::min(kBand, height);
  band.bits = 24;
  band.pixels.resize(band.Stride() * static_cast<std::size_t>(band.height));
  std::vector<std::uint8_t> ink_row;
  std::vector<JSAMPROW> pointers;
  for (std::int32_t y = 0; y < height; y += kBand) {
    const std::int32_t count = std::min(kBand, height - y);
    DecodeRows(d, band, 0, count, ink_row, pointers);
    for (std::int32_t i = 0; i < count; ++i) row(band.Row(i));
  }
}

namespace {

// A destination that appends to a vector; running out of memory becomes a library error.
struct VectorDestination {
  jpeg_destination_mgr mgr{};
  std::vector<std::uint8_t>* out = nullptr;
};

void InitDestination(j_compress_ptr info) {
  auto* dest = reinterpret_cast<VectorDestination*>(info->dest);
  dest->out->resize(64 * 1024);
  dest->mgr.next_output_byte = dest->out->data();
  dest->mgr.free_in_buffer = dest->out->size();
}

boolean EmptyOutputBuffer(j_compress_ptr info) {
  auto* dest = reinterpret_cast<VectorDestination*>(info->dest);
  const std::size_t used = dest->out->size();
  bool grown = true;
  try {
    dest->out->resize(used * 2);
  } catch (...) {
    grown = false;
  }
  if (!grown) ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
  dest->mgr.next_output_byte = dest->out->data() + used;
  dest->mgr.free_in_buffer = dest->out->size() - used;
  return TRUE;
}

void TermDestination(j_compress_ptr info) {
  auto* dest = reinterpret_cast<VectorDestination*>(info->dest);
  dest->out->resize(dest->out->size() - dest->mgr.free_in_buffer);
}

// Components 0, 1, 2 are Y, Cb, Cr; each row: components, their indexes, Ss, Se, Ah, Al.
constexpr std::array<jpeg_scan_info, 5> kSpectralScans{{
    {3, {0, 1, 2, 0}, 0, 0, 0, 0},
    {1, {0, 0, 0, 0}, 1, 5, 0, 0},
    {1, {2, 0, 0, 0}, 1, 63, 0, 0},
    {1, {1, 0, 0, 0}, 1, 63, 0, 0},
    {1, {0, 0, 0, 0}, 6, 63, 0, 0},
}};

class Compressor {
 public:
  Compressor() : info_(state_.info) {
    InstallTrap(trap_);
    info_.err = &trap_.mgr;
    Run(trap_, [&] { jpeg_create_compress(&info_); });
    // A progressive or optimised encode keeps every coefficient of the image.
    InstallArena(reinterpret_cast<j_common_ptr>(&info_), hooks_);
  }
  ~Compressor() { ReleaseArena(hooks_); }
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;

  std::vector<std::uint8_t> Encode(const Raster& image, int quality, bool progressive,
                                   std::string_view comment, std::span<const std::uint8_t> icc,
                                   JpegProgression progression) {
    std::vector<std::uint8_t> out;
    dest_.out = &out;
    dest_.mgr.init_destination = InitDestination;
    dest_.mgr.empty_output_buffer = EmptyOutputBuffer;
    dest_.mgr.term_destination = TermDestination;
    info_.dest = &dest_.mgr;
    info_.image_width = static_cast<JDIMENSION>(image.width);
    info_.image_height = static_cast<JDIMENSION>(image.height);
    info_.input_components = 3;
    info_.in_color_space = JCS_RGB;
    std::vector<JSAMPROW> rows(static_cast<std::size_t>(image.height));
    for (std::int32_t y = 0; y < image.height; ++y) {
      rows[static_cast<std::size_t>(y)] = const_cast<JSAMPROW>(image.Row(y));
    }
    Run(trap_, [&] {
      jpeg_set_defaults(&info_);
      if (progressive && progression == JpegProgression::Spectral && info_.num_components == 3) {
        info_.scan_info = kSpectralScans.data();
        info_.num_scans = static_cast<int>(kSpectralScans.size());
      } else if (progressive) {
        jpeg_simple_progression(&info_);
      }
      jpeg_set_quality(&info_, quality, TRUE);
      info_.dct_method = JDCT_FLOAT;
      jpeg_start_compress(&info_, TRUE);
      if (!comment.empty()) {
        jpeg_write_marker(&info_, JPEG_COM, reinterpret_cast<const JOCTET*>(comment.data()),
                          static_cast<unsigned int>(comment.size()));
      }
      if (!icc.empty()) {
        jpeg_write_icc_profile(&info_, icc.data(), static_cast<unsigned int>(icc.size()));
      }
      while (info_.next_scanline < info_.image_height) {
        jpeg_write_scanlines(&info_, rows.data() + info_.next_scanline,
                             info_.image_height - info_.next_scanline);
      }
      jpeg_finish_compress(&info_);
    });
    return out;
  }

 private:
  ErrorTrap trap_;
  CompressState state_;
  jpeg_compress_struct& info_;
  VectorDestination dest_;
  ArenaHooks hooks_;
};

}  // namespace

std::vector<std::uint8_t> WriteJpeg(const Raster& image, int quality, bool progressive,
                                    std::string_view comment, std::span<const std::uint8_t> icc,
                                    JpegProgression progression) {
  // A segment's length field counts itself: two bytes of the 65,535 are taken.
  if (comment.size() > 65533) throw JpegError("Comment too long");
  if (image.bits != 24) throw JpegError("Only 24-bit images can be written");
  if (image.width <= 0 || image.height <= 0 || image.width > JPEG_MAX_DIMENSION ||
      image.height > JPEG_MAX_DIMENSION) {
    throw JpegError(SizeNotAllowedText(image.width, image.height));
  }
  Compressor c;
  return c.Encode(image, std::clamp(quality, 0, 100), progressive, comment, icc, progression);
}

std::optional<std::string> FindJpegComment(std::span<const std::uint8_t> head,
                                           std::string_view prefix) {
  constexpr std::uint8_t kCom = 0xFE;
  constexpr std::uint8_t kSos = 0xDA;
  if (head.size() < 2 || head[0] != 0xFF || head[1] != 0xD8) return std::nullopt;
  std::size_t at = 2;
  while (at + 4 <= head.size()) {
    if (head[at] != 0xFF) return std::nullopt;
    const std::uint8_t marker = head[at + 1];
    if (marker == 0xFF) {  // fill byte before a marker
      ++at;
      continue;
    }
    // Standalone markers (TEM, RSTn, SOI, EOI) carry no length; none belongs before a scan.
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9) || marker == kSos) {
      return std::nullopt;
    }
    const std::size_t length = (std::size_t{head[at + 2]} << 8) | head[at + 3];
    if (length < 2) return std::nullopt;
    const std::size_t body = at + 4;
    const std::size_t end = at + 2 + length;
    if (end > head.size()) return std::nullopt;
    if (marker == kCom) {
      const std::string_view text(reinterpret_cast<const char*>(head.data() + body), end - body);
      if (text.starts_with(prefix)) return std::string(text);
    }
    at = end;
  }
  return std::nullopt;
}

}  // namespace parvel
