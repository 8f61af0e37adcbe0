#include "imaging/formats/tiff.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "imaging/exif.h"
#include "imaging/imageerrors.h"

namespace parvel {
namespace {

// No single allocation of the library may exceed this.
constexpr tmsize_t kLibraryAllocationLimit = tmsize_t{256} << 20;
// The RGBA interface reads bands of at most this many bytes.
constexpr std::uint64_t kBandBytes = 16u << 20;

// A file in memory: read from `in`, or written to `out` when that is set.
struct Stream {
  std::span<const std::uint8_t> in;
  std::vector<std::uint8_t>* out = nullptr;
  std::uint64_t pos = 0;
  char error[256] = {};
};

std::uint64_t StreamSize(const Stream& s) {
  return s.out ? s.out->size() : s.in.size();
}

tmsize_t ReadProc(thandle_t h, void* buf, tmsize_t size) {
  auto* s = static_cast<Stream*>(h);
  const std::uint64_t total = StreamSize(*s);
  if (size <= 0 || s->pos >= total) return 0;
  const auto n = static_cast<tmsize_t>(
      std::min<std::uint64_t>(static_cast<std::uint64_t>(size), total - s->pos));
  const std::uint8_t* base = s->out ? s->out->data() : s->in.data();
  std::memcpy(buf, base + s->pos, static_cast<std::size_t>(n));
  s->pos += static_cast<std::uint64_t>(n);
  return n;
}

tmsize_t WriteProc(thandle_t h, void* buf, tmsize_t size) {
  auto* s = static_cast<Stream*>(h);
  if (!s->out || size < 0) return -1;
  try {
    const std::uint64_t end = s->pos + static_cast<std::uint64_t>(size);
    if (end > s->out->size()) s->out->resize(end);
  } catch (...) {
    return -1;
  }
  std::memcpy(s->out->data() + s->pos, buf, static_cast<std::size_t>(size));
  s->pos += static_cast<std::uint64_t>(size);
  return size;
}

toff_t SeekProc(thandle_t h, toff_t offset, int whence) {
  auto* s = static_cast<Stream*>(h);
  std::uint64_t base = whence == SEEK_CUR ? s->pos : whence == SEEK_END ? StreamSize(*s) : 0;
  s->pos = base + offset;
  return s->pos;
}

int CloseProc(thandle_t) {
  return 0;
}

toff_t SizeProc(thandle_t h) {
  return StreamSize(*static_cast<Stream*>(h));
}

int MapProc(thandle_t h, void** base, toff_t* size) {
  auto* s = static_cast<Stream*>(h);
  if (s->out) return 0;
  *base = const_cast<std::uint8_t*>(s->in.data());
  *size = s->in.size();
  return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

// Keeps the first error of this file; nothing reaches the library's global handlers.
int OnError(TIFF*, void* user, const char* module, const char* format, va_list args) {
  auto* s = static_cast<Stream*>(user);
  if (s->error[0] == '\0') {
    std::vsnprintf(s->error, sizeof s->error, format, args);
    if (s->error[0] == '\0' && module) std::snprintf(s->error, sizeof s->error, "%s", module);
  }
  return 1;
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

class File {
 public:
  File(Stream& stream, const char* mode) : stream_(stream) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options) {
      TIFFOpenOptionsSetMaxSingleMemAlloc(options, kLibraryAllocationLimit);
      TIFFOpenOptionsSetErrorHandlerExtR(options, OnError, &stream_);
      TIFFOpenOptionsSetWarningHandlerExtR(options, OnWarning, &stream_);
      tif_ = TIFFClientOpenExt("memory", mode, &stream_, ReadProc, WriteProc, SeekProc, CloseProc,
                               SizeProc, MapProc, UnmapProc, options);
      TIFFOpenOptionsFree(options);
    }
  }
  ~File() {
    if (tif_) TIFFClose(tif_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  TIFF* tif() const { return tif_; }
  // The library's first error, or `fallback` when it gave none.
  std::string Error(const char* fallback) const {
    return stream_.error[0] ? stream_.error : fallback;
  }
  // Closes the file, so that a writer's last data reaches the stream.
  void Close() {
    TIFFClose(tif_);
    tif_ = nullptr;
  }

 private:
  Stream& stream_;
  TIFF* tif_ = nullptr;
};

struct Layout {
  std::uint32_t width = 0, height = 0;
  std::uint16_t bps = 1, spp = 1, photometric = PHOTOMETRIC_MINISWHITE, orientation = 1;
  std::uint16_t compression = COMPRESSION_NONE;
};

Layout ReadLayout(TIFF* tif) {
  Layout l;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l.width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l.height);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &l.bps);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &l.spp);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &l.compression);
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &l.orientation);
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &l.photometric)) {
    l.photometric = l.spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISWHITE;
  }
  return l;
}

using ReadError = TiffReadError;

TIFF* OpenDirectory(File& file, int index) {
  TIFF* tif = file.tif();
  if (!tif) throw ReadError(file.Error("Not a TIFF file"));
  if (index != 0 && !TIFFSetDirectory(tif, static_cast<tdir_t>(index))) {
    throw ReadError(file.Error("No such image in the file"));
  }
  return tif;
}

bool IsIndexedStripImage(TIFF* tif, const Layout& l) {
  return l.spp == 1 && (l.bps == 1 || l.bps == 4 || l.bps == 8) &&
         (l.photometric == PHOTOMETRIC_MINISBLACK || l.photometric == PHOTOMETRIC_MINISWHITE ||
          l.photometric == PHOTOMETRIC_PALETTE) &&
         !TIFFIsTiled(tif) && l.compression != COMPRESSION_OJPEG;
}

void SetIndexedPalette(TIFF* tif, const Layout& l, Raster& out, File& file) {
  const int last = static_cast<int>(out.palette.size()) - 1;
  if (l.photometric != PHOTOMETRIC_PALETTE) {
    for (int i = 0; i <= last; ++i) {
      int v = i * 255 / last;
      if (l.photometric == PHOTOMETRIC_MINISWHITE) v = 255 - v;
      const auto b = static_cast<std::uint8_t>(v);
      out.palette[static_cast<std::size_t>(i)] = {b, b, b};
    }
    return;
  }
  std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
  if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b)) {
    throw ReadError(file.Error("Palette image without a colour map"));
  }
  // Some writers store 8-bit values in the 16-bit map.
  bool eight_bit = true;
  for (int i = 0; i <= last; ++i) eight_bit = eight_bit && r[i] < 256 && g[i] < 256 && b[i] < 256;
  const int shift = eight_bit ? 0 : 8;
  for (int i = 0; i <= last; ++i) {
    out.palette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(r[i] >> shift),
                                                static_cast<std::uint8_t>(g[i] >> shift),
                                                static_cast<std::uint8_t>(b[i] >> shift)};
  }
}

Raster ReadIndexed(TIFF* tif, const Layout& l, File& file) {
  Raster out;
  out.width = static_cast<std::int32_t>(l.width);
  out.height = static_cast<std::int32_t>(l.height);
  out.bits = l.bps;
  out.palette.assign(std::size_t{1} << l.bps, Rgb{});
  SetIndexedPalette(tif, l, out, file);
  if (TIFFScanlineSize64(tif) != out.Stride()) throw ReadError(file.Error("Unexpected row size"));
  for (std::int32_t y = 0; y < out.height; ++y) {
    out.pixels.resize(out.Stride() * static_cast<std::size_t>(y + 1));
    if (TIFFReadScanline(tif, out.Row(y), static_cast<std::uint32_t>(y), 0) < 0) {
      throw ReadError(file.Error(kUnexpectedEnd));
    }
  }
  return out;
}

class RgbaImage {
 public:
  RgbaImage(TIFF* tif, File& file) {
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message) || !TIFFRGBAImageBegin(&img_, tif, 0, message)) {
      throw ReadError(message[0] ? message : file.Error("Unsupported image"));
    }
    begun_ = true;
  }
  ~RgbaImage() {
    if (begun_) TIFFRGBAImageEnd(&img_);
  }
  RgbaImage(const RgbaImage&) = delete;
  RgbaImage& operator=(const RgbaImage&) = delete;
  TIFFRGBAImage& img() { return img_; }

 private:
  TIFFRGBAImage img_{};
  bool begun_ = false;
};

// Rows come in the file's own order; the caller turns the result upright.
Raster ReadRgba(TIFF* tif, const Layout& l, File& file) {
  RgbaImage rgba(tif, file);
  TIFFRGBAImage& img = rgba.img();
  img.req_orientation = img.orientation;
  Raster out;
  out.width = static_cast<std::int32_t>(l.width);
  out.height = static_cast<std::int32_t>(l.height);
  out.bits = 24;
  const std::uint64_t row_bytes = 4 * std::uint64_t{l.width};
  const auto band =
      static_cast<std::uint32_t>(std::clamp<std::uint64_t>(kBandBytes / row_bytes, 1, l.height));
  std::vector<std::uint32_t> buffer(static_cast<std::size_t>(l.width) * band);
  for (std::uint32_t y = 0; y < l.height; y += band) {
    const std::uint32_t count = std::min(band, l.height - y);
    img.row_offset = static_cast<int>(y);
    img.col_offset = 0;
    if (!TIFFRGBAImageGet(&img, buffer.data(), l.width, count)) {
      throw ReadError(file.Error(kUnexpectedEnd));
    }
    out.pixels.resize(out.Stride() * (std::size_t{y} + count));
    for (std::uint32_t r = 0; r < count; ++r) {
      const std::uint32_t* in = buffer.data() + std::size_t{r} * l.width;
      std::uint8_t* dst = out.Row(static_cast<std::int32_t>(y + r));
      for (std::uint32_t x = 0; x < l.width; ++x) {
        const std::uint32_t p = in[x];
        const unsigned a = TIFFGetA(p);
        const unsigned c[3] = {TIFFGetR(p), TIFFGetG(p), TIFFGetB(p)};
        for (unsigned v : c)
          *dst++ = static_cast<std::uint8_t>((v * a + 255 * (255 - a) + 127) / 255);
      }
    }
  }
  return out;
}

}  // namespace

bool IsTiffSignature(std::span<const std::uint8_t> head) {
  if (head.size() < 4) return false;
  const bool little =
      head[0] == 'I' && head[1] == 'I' && head[3] == 0 && (head[2] == 42 || head[2] == 43);
  const bool big =
      head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43);
  return little || big;
}

Raster ReadTiff(std::span<const std::uint8_t> data, int index) {
  Stream stream;
  stream.in = data;
  File file(stream, "r");
  TIFF* tif = OpenDirectory(file, index);
  const Layout l = ReadLayout(tif);
  if (!SizeIsAcceptable(l.width, l.height)) {
    throw ReadError(TooLargeText(l.width, l.height));
  }
  Raster out = IsIndexedStripImage(tif, l) ? ReadIndexed(tif, l, file) : ReadRgba(tif, l, file);
  if (l.orientation != ORIENTATION_TOPLEFT) ApplyOrientation(out, l.orientation);
  return out;
}

ImageInfo ReadTiffInfo(std::span<const std::uint8_t> data, int index) {
  Stream stream;
  stream.in = data;
  File file(stream, "r");
  TIFF* tif = OpenDirectory(file, index);
  const Layout l = ReadLayout(tif);
  if (!SizeIsAcceptable(l.width, l.height)) {
    throw ReadError(TooLargeText(l.width, l.height));
  }
  ImageInfo info;
  const bool sideways = OrientationSwapsSides(l.orientation);
  info.width = static_cast<std::int32_t>(sideways ? l.height : l.width);
  info.height = static_cast<std::int32_t>(sideways ? l.width : l.height);
  info.bits = l.bps * l.spp;
  info.image_count = static_cast<int>(TIFFNumberOfDirectories(tif));
  const TIFFCodec* codec = TIFFFindCODEC(l.compression);
  info.subformat = codec ? codec->name : "unknown compression";
  return info;
}

std::vector<std::uint8_t> WriteTiff(const Raster& image) {
  using WriteError = TiffWriteError;
  if (image.bits != 1 && image.bits != 4 && image.bits != 8 && image.bits != 24) {
    throw WriteError(kUnsupportedColourDepth);
  }
  if (image.width <= 0 || image.height <= 0) throw WriteError("Empty image");
  std::vector<std::uint8_t> out;
  Stream stream;
  stream.out = &out;
  File file(stream, "w");
  TIFF* tif = file.tif();
  if (!tif) throw WriteError(file.Error("Cannot create the file"));
  const bool indexed = image.bits != 24;
  const Rgb black{0, 0, 0}, white{255, 255, 255};
  std::uint16_t photometric = indexed ? PHOTOMETRIC_PALETTE : PHOTOMETRIC_RGB;
  if (image.bits == 1 && image.palette.size() == 2) {
    if (image.palette[0] == black && image.palette[1] == white)
      photometric = PHOTOMETRIC_MINISBLACK;
    if (image.palette[0] == white && image.palette[1] == black)
      photometric = PHOTOMETRIC_MINISWHITE;
  }
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.width));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.height));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(indexed ? image.bits : 8));
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(indexed ? 1 : 3));
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
  if (photometric == PHOTOMETRIC_PALETTE) {
    const std::size_t n = std::size_t{1} << image.bits;
    std::vector<std::uint16_t> r(n), g(n), b(n);
    for (std::size_t i = 0; i < n && i < image.palette.size(); ++i) {
      r[i] = static_cast<std::uint16_t>(image.palette[i].r * 257);
      g[i] = static_cast<std::uint16_t>(image.palette[i].g * 257);
      b[i] = static_cast<std::uint16_t>(image.palette[i].b * 257);
    }
    TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
  }
  // The library may change the row it is given while coding it.
  std::vector<std::uint8_t> row(image.Stride());
  for (std::int32_t y = 0; y < image.height; ++y) {
    std::copy_n(image.Row(y), row.size(), row.begin());
    if (TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0) < 0) {
      throw WriteError(file.Error("Cannot write the image data"));
    }
  }
  if (!TIFFWriteDirectory(tif)) throw WriteError(file.Error("Cannot write the image directory"));
  file.Close();
  if (stream.error[0]) throw WriteError(stream.error);
  return out;
}

}  // namespace parvel
