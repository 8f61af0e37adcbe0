#include "imaging/formats/png.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "imaging/imageerrors.h"

namespace parvel {
namespace {

// Deflate gives at most about 1032 bytes for one; a file shorter than its rows could be cannot
// hold them, so it is refused before its rows are allocated.
constexpr std::uint64_t kMaxInflateRatio = 1100;
constexpr std::uint64_t kSmallImageBytes = 16u << 20;

struct Trap {
  char text[200] = {};
};

void OnError(png_structp png, png_const_charp message) {
  auto* trap = static_cast<Trap*>(png_get_error_ptr(png));
  std::snprintf(trap->text, sizeof trap->text, "%s", message ? message : "Error");
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Runs one step of library calls with libpng's error jump landing here. `body` must own nothing
// that needs destroying: a jump out of it skips destructors.
template <class Body>
bool Trapped(png_structp png, Body& body) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  body();
  return true;
}

struct Source {
  std::span<const std::uint8_t> data;
  std::size_t pos = 0;
};

void ReadData(png_structp png, png_bytep out, png_size_t length) {
  auto* src = static_cast<Source*>(png_get_io_ptr(png));
  if (length > src->data.size() - src->pos) png_error(png, kUnexpectedEnd);
  if (length > 0) std::memcpy(out, src->data.data() + src->pos, length);
  src->pos += length;
}

// Owns the library's read state, so that it is released also when the reader's constructor
// throws.
struct ReadState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ReadState() = default;
  ReadState(const ReadState&) = delete;
  ReadState& operator=(const ReadState&) = delete;
  ~ReadState() {
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  }
};

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> data)
      : source_{data}, png_(state_.png), info_(state_.info) {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, &trap_, OnError, OnWarning);
    if (!png_) throw PngError(kOutOfMemory);
    Run([&] {
      info_ = png_create_info_struct(png_);
      if (!info_) png_error(png_, kOutOfMemory);
      png_set_read_fn(png_, &source_, ReadData);
      png_set_user_limits(png_, static_cast<png_uint_32>(kMaxImageSide),
                          static_cast<png_uint_32>(kMaxImageSide));
      png_set_chunk_malloc_max(png_, 64u << 20);
      png_read_info(png_, info_);
      width_ = png_get_image_width(png_, info_);
      height_ = png_get_image_height(png_, info_);
      depth_ = png_get_bit_depth(png_, info_);
      type_ = png_get_color_type(png_, info_);
      interlaced_ = png_get_interlace_type(png_, info_) != PNG_INTERLACE_NONE;
      channels_ = png_get_channels(png_, info_);
    });
    if (!SizeIsAcceptable(width_, height_)) {
      throw PngError(TooLargeText(width_, height_));
    }
  }

  ImageInfo Info() const {
    ImageInfo out;
    out.width = static_cast<std::int32_t>(width_);
    out.height = static_cast<std::int32_t>(height_);
    out.bits = depth_ * channels_;
    out.subformat = type_ == PNG_COLOR_TYPE_PALETTE      ? "palette"
                    : type_ == PNG_COLOR_TYPE_GRAY       ? "gray"
                    : type_ == PNG_COLOR_TYPE_GRAY_ALPHA ? "gray+alpha"
                    : type_ == PNG_COLOR_TYPE_RGB        ? "RGB"
                                                         : "RGBA";
    if (interlaced_) out.subformat += " interlaced";
    return out;
  }

  Raster Read() {
    CheckPlausibleSize();
    Raster out;
    const bool alpha = (type_ & PNG_COLOR_MASK_ALPHA) != 0;
    const int bits = OutputBits();
    out.Allocate(static_cast<std::int32_t>(width_), static_cast<std::int32_t>(height_), bits);
    std::vector<std::uint8_t> with_alpha;
    std::vector<png_bytep> rows(height_);
    std::size_t rowbytes = 0;
    Run([&] {
      if (depth_ == 16) png_set_strip_16(png_);
      if (type_ == PNG_COLOR_TYPE_PALETTE && depth_ == 2) png_set_packing(png_);
      if (type_ == PNG_COLOR_TYPE_GRAY && depth_ == 2) png_set_expand_gray_1_2_4_to_8(png_);
      png_set_interlace_handling(png_);
      png_read_update_info(png_, info_);
      rowbytes = png_get_rowbytes(png_, info_);
    });
    if (alpha) {
      with_alpha.resize(rowbytes * height_);
      for (png_uint_32 y = 0; y < height_; ++y) rows[y] = with_alpha.data() + rowbytes * y;
    } else {
      if (rowbytes != out.Stride()) throw PngError("Unexpected row layout");
      for (png_uint_32 y = 0; y < height_; ++y) rows[y] = out.Row(static_cast<std::int32_t>(y));
    }
    Run([&] { png_read_image(png_, rows.data()); });
    SetPalette(out);
    if (alpha) LayOnWhite(with_alpha, rowbytes, out);
    return out;
  }

 private:
  template <class Body>
  void Run(Body&& body) {
    if (!Trapped(png_, body)) throw PngError(trap_.text);
  }

  void CheckPlausibleSize() const {
    const std::uint64_t row = 1 + (std::uint64_t{width_} * channels_ * depth_ + 7) / 8;
    const std::uint64_t raw = row * height_;
    if (raw > kSmallImageBytes && raw > source_.data.size() * kMaxInflateRatio) {
      throw PngError(kFileTooShort);
    }
  }

  int OutputBits() const {
    if (type_ == PNG_COLOR_TYPE_PALETTE) return depth_ == 2 ? 8 : std::min(depth_, 8);
    if (type_ == PNG_COLOR_TYPE_GRAY) return depth_ == 1 ? 1 : depth_ == 4 ? 4 : 8;
    if (type_ == PNG_COLOR_TYPE_GRAY_ALPHA) return 8;
    return 24;
  }

  void SetPalette(Raster& out) {
    if (out.bits == 24) return;
    if (type_ != PNG_COLOR_TYPE_PALETTE) {
      const int last = static_cast<int>(out.palette.size()) - 1;
      for (int i = 0; i <= last; ++i) {
        const auto v = static_cast<std::uint8_t>(i * 255 / last);
        out.palette[static_cast<std::size_t>(i)] = {v, v, v};
      }
      return;
    }
    png_colorp colours = nullptr;
    int count = 0;
    png_bytep alpha = nullptr;
    int alpha_count = 0;
    png_color_16p unused = nullptr;
    Run([&] {
      png_get_PLTE(png_, info_, &colours, &count);
      if (png_get_valid(png_, info_, PNG_INFO_tRNS)) {
        png_get_tRNS(png_, info_, &alpha, &alpha_count, &unused);
      }
    });
    const int n = std::min(count, static_cast<int>(out.palette.size()));
    for (int i = 0; i < n; ++i) {
      const int a = (alpha && i < alpha_count) ? alpha[i] : 255;
      auto blend = [a](int v) {
        return static_cast<std::uint8_t>((v * a + 255 * (255 - a) + 127) / 255);
      };
      out.palette[static_cast<std::size_t>(i)] = {blend(colours[i].red), blend(colours[i].green),
                                                  blend(colours[i].blue)};
    }
  }

  void LayOnWhite(const std::vector<std::uint8_t>& rgba, std::size_t rowbytes, Raster& out) const {
    const int colour = channels_ - 1;
    for (png_uint_32 y = 0; y < height_; ++y) {
      const std::uint8_t* in = rgba.data() + rowbytes * y;
      std::uint8_t* dst = out.Row(static_cast<std::int32_t>(y));
      for (png_uint_32 x = 0; x < width_; ++x, in += channels_) {
        const int a = in[colour];
        for (int c = 0; c < colour; ++c) {
          *dst++ = static_cast<std::uint8_t>((in[c] * a + 255 * (255 - a) + 127) / 255);
        }
      }
    }
    if (out.bits == 8) {
      for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        out.palette[static_cast<std::size_t>(i)] = {v, v, v};
      }
    }
  }

  Trap trap_;
  Source source_;
  ReadState state_;
  png_structp& png_;
  png_infop& info_;
  png_uint_32 width_ = 0, height_ = 0;
  int depth_ = 0, type_ = 0, channels_ = 0;
  bool interlaced_ = false;
};

struct Sink {
  std::vector<std::uint8_t>* out;
};

void WriteData(png_structp png, png_bytep data, png_size_t length) {
  auto* sink = static_cast<Sink*>(png_get_io_ptr(png));
  bool ok = true;
  try {
    sink->out->insert(sink->out->end(), data, data + length);
  } catch (...) {
    ok = false;
  }
  if (!ok) png_error(png, kOutOfMemory);
}

void FlushData(png_structp) {}

class Writer {
 public:
  Writer() {
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, &trap_, OnError, OnWarning);
    if (!png_) throw PngError(kOutOfMemory);
  }
  ~Writer() { png_destroy_write_struct(&png_, info_ ? &info_ : nullptr); }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  std::vector<std::uint8_t> Write(const Raster& image) {
    std::vector<std::uint8_t> out;
    Sink sink{&out};
    std::vector<png_color> palette;
    for (const Rgb& c : image.palette) palette.push_back({c.r, c.g, c.b});
    palette.resize(std::min<std::size_t>(palette.size(), 256));
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
    for (std::int32_t y = 0; y < image.height; ++y) {
      rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(image.Row(y));
    }
    const bool indexed = image.bits != 24;
    auto body = [&] {
      info_ = png_create_info_struct(png_);
      if (!info_) png_error(png_, kOutOfMemory);
      png_set_write_fn(png_, &sink, WriteData, FlushData);
      png_set_IHDR(png_, info_, static_cast<png_uint_32>(image.width),
                   static_cast<png_uint_32>(image.height), indexed ? image.bits : 8,
                   indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                   PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
      if (indexed) png_set_PLTE(png_, info_, palette.data(), static_cast<int>(palette.size()));
      png_write_info(png_, info_);
      png_write_image(png_, rows.data());
      png_write_end(png_, info_);
    };
    if (!Trapped(png_, body)) throw PngError(trap_.text);
    return out;
  }

 private:
  Trap trap_;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

}  // namespace

bool IsPngSignature(std::span<const std::uint8_t> head) {
  return head.size() >= 8 && png_sig_cmp(head.data(), 0, 8) == 0;
}

ImageInfo ReadPngInfo(std::span<const std::uint8_t> data) {
  return Reader(data).Info();
}

Raster ReadPng(std::span<const std::uint8_t> data) {
  return Reader(data).Read();
}

std::vector<std::uint8_t> WritePng(const Raster& image) {
  if (image.bits != 1 && image.bits != 4 && image.bits != 8 && image.bits != 24) {
    throw PngError(kUnsupportedColourDepth);
  }
  if (image.width <= 0 || image.height <= 0) throw PngError("Empty image");
  return Writer().Write(image);
}

}  // namespace parvel
