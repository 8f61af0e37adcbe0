#include "imaging/formats/gif.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "imaging/convert.h"
#include "imaging/imageerrors.h"

namespace parvel {
namespace {

// LZW with 12-bit codes yields at most about 2730 pixels a byte; a file shorter than its screen
// could be cannot fill it, so it is refused before the screen is allocated.
constexpr std::uint64_t kMaxLzwRatio = 2800;
constexpr std::uint64_t kSmallScreenPixels = 16u << 20;

struct Source {
  std::span<const std::uint8_t> data;
  std::size_t pos = 0;
};

int ReadData(GifFileType* gif, GifByteType* out, int length) {
  auto* src = static_cast<Source*>(gif->UserData);
  const std::size_t n =
      std::min(static_cast<std::size_t>(std::max(length, 0)), src->data.size() - src->pos);
  if (n > 0) std::memcpy(out, src->data.data() + src->pos, n);
  src->pos += n;
  return static_cast<int>(n);
}

std::string ErrorText(int code) {
  if (code == D_GIF_ERR_READ_FAILED || code == D_GIF_ERR_EOF_TOO_SOON) {
    return kUnexpectedEnd;
  }
  const char* text = GifErrorString(code);
  return text ? text : "Error " + std::to_string(code);
}

class Decoder {
 public:
  explicit Decoder(std::span<const std::uint8_t> data) : source_{data} {
    int error = 0;
    gif_ = DGifOpen(&source_, ReadData, &error);
    if (!gif_) throw GifError(ErrorText(error));
  }
  ~Decoder() { DGifCloseFile(gif_, nullptr); }
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  GifFileType* gif() { return gif_; }
  std::size_t size() const { return source_.data.size(); }

  void Check(int result) {
    if (result != GIF_OK) throw GifError(ErrorText(gif_->Error));
  }

  // Moves to the next image descriptor, reading the graphic control block on the way; false at
  // the end of the file.
  bool NextImage(int* transparent) {
    *transparent = -1;
    for (;;) {
      GifRecordType type = UNDEFINED_RECORD_TYPE;
      Check(DGifGetRecordType(gif_, &type));
      if (type == TERMINATE_RECORD_TYPE) return false;
      if (type == IMAGE_DESC_RECORD_TYPE) {
        Check(DGifGetImageDesc(gif_));
        return true;
      }
      if (type != EXTENSION_RECORD_TYPE) continue;
      int code = 0;
      GifByteType* block = nullptr;
      Check(DGifGetExtension(gif_, &code, &block));
      GraphicsControlBlock gcb{};
      if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4 &&
          DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) {
        *transparent = gcb.TransparentColor;
      }
      while (block) Check(DGifGetExtensionNext(gif_, &block));
    }
  }

  // Passes over the current image's compressed data without decoding it.
  void SkipImage() {
    int code_size = 0;
    GifByteType* block = nullptr;
    Check(DGifGetCode(gif_, &code_size, &block));
    while (block) Check(DGifGetCodeNext(gif_, &block));
  }

 private:
  Source source_;
  GifFileType* gif_ = nullptr;
};

int BitsFor(int colours) {
  return colours <= 2 ? 1 : colours <= 16 ? 4 : 8;
}

void CheckFrame(const GifImageDesc& d) {
  if (d.Width <= 0 || d.Height <= 0 || d.Left < 0 || d.Top < 0) {
    throw GifError("Invalid image descriptor");
  }
}

// The logical screen, grown to hold the image.
std::pair<std::int64_t, std::int64_t> CanvasSize(const GifFileType* gif) {
  const GifImageDesc& d = gif->Image;
  return {std::max<std::int64_t>(gif->SWidth, std::int64_t{d.Left} + d.Width),
          std::max<std::int64_t>(gif->SHeight, std::int64_t{d.Top} + d.Height)};
}

}  // namespace

bool IsGifSignature(std::span<const std::uint8_t> head) {
  return head.size() >= 6 &&
         (std::memcmp(head.data(), "GIF87a", 6) == 0 || std::memcmp(head.data(), "GIF89a", 6) == 0);
}

Raster ReadGif(std::span<const std::uint8_t> data, int index) {
  Decoder d(data);
  GifFileType* gif = d.gif();
  int transparent = -1;
  for (int i = 0;; ++i) {
    if (!d.NextImage(&transparent)) throw GifError(NoImageNumberText(index));
    if (i == index) break;
    d.SkipImage();
  }
  const GifImageDesc desc = gif->Image;
  CheckFrame(desc);
  const auto [width, height] = CanvasSize(gif);
  if (!SizeIsAcceptable(width, height)) {
    throw GifError(TooLargeText(width, height));
  }
  if (static_cast<std::uint64_t>(width * height) > kSmallScreenPixels &&
      static_cast<std::uint64_t>(width * height) > d.size() * kMaxLzwRatio) {
    throw GifError(kFileTooShort);
  }
  const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
  const int colours = map ? std::clamp(map->ColorCount, 1, 256) : 256;
  Raster out;
  out.Allocate(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
               BitsFor(colours));
  for (int i = 0; i < static_cast<int>(out.palette.size()); ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    out.palette[static_cast<std::size_t>(i)] =
        map ? (i < colours ? Rgb{map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue}
                           : Rgb{})
            : Rgb{v, v, v};
  }
  const int background = gif->SBackGroundColor < colours ? gif->SBackGroundColor : 0;
  const int fill = out.bits == 1   ? (background ? 0xFF : 0)
                   : out.bits == 4 ? background * 0x11
                                   : background;
  std::fill(out.pixels.begin(), out.pixels.end(), static_cast<std::uint8_t>(fill));

  std::vector<GifPixelType> line(static_cast<std::size_t>(desc.Width));
  auto put_row = [&](int y) {
    d.Check(DGifGetLine(gif, line.data(), desc.Width));
    for (int x = 0; x < desc.Width; ++x) {
      const int v = line[static_cast<std::size_t>(x)];
      if (v == transparent || v >= colours) continue;
      SetIndexAt(out, desc.Left + x, desc.Top + y, v);
    }
  };
  if (desc.Interlace) {
    constexpr int kStart[] = {0, 4, 2, 1};
    constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
      for (int y = kStart[pass]; y < desc.Height; y += kStep[pass]) put_row(y);
    }
  } else {
    for (int y = 0; y < desc.Height; ++y) put_row(y);
  }
  return out;
}

ImageInfo ReadGifInfo(std::span<const std::uint8_t> data) {
  Decoder d(data);
  GifFileType* gif = d.gif();
  int transparent = -1;
  if (!d.NextImage(&transparent)) throw GifError("No image in file");
  CheckFrame(gif->Image);
  ImageInfo info;
  const auto [width, height] = CanvasSize(gif);
  info.width = static_cast<std::int32_t>(std::min<std::int64_t>(width, INT32_MAX));
  info.height = static_cast<std::int32_t>(std::min<std::int64_t>(height, INT32_MAX));
  const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
  info.bits = map ? map->BitsPerPixel : 8;
  info.subformat = std::string(reinterpret_cast<const char*>(data.data()) + 3, 3);  // "87a", "89a"
  // Later images are counted without decoding; a damaged tail ends the count.
  try {
    d.SkipImage();
    while (d.NextImage(&transparent)) {
      ++info.image_count;
      d.SkipImage();
    }
  } catch (const GifError&) {
  }
  return info;
}

namespace {

int WriteData(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
  try {
    out->insert(out->end(), data, data + length);
  } catch (...) {
    return 0;
  }
  return length;
}

class Encoder {
 public:
  explicit Encoder(std::vector<std::uint8_t>* out) {
    int error = 0;
    gif_ = EGifOpen(out, WriteData, &error);
    if (!gif_) throw GifError(ErrorText(error));
  }
  ~Encoder() {
    if (gif_) EGifCloseFile(gif_, nullptr);
    GifFreeMapObject(map_);
  }
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;

  void Check(int result) {
    if (result != GIF_OK) throw GifError(ErrorText(gif_->Error));
  }

  void Encode(const Raster& image) {
    const int entries = 1 << image.bits;
    std::vector<GifColorType> colours(static_cast<std::size_t>(entries));
    for (std::size_t i = 0; i < colours.size() && i < image.palette.size(); ++i) {
      colours[i] = {image.palette[i].r, image.palette[i].g, image.palette[i].b};
    }
    map_ = GifMakeMapObject(entries, colours.data());
    if (!map_) throw GifError(kOutOfMemory);
    EGifSetGifVersion(gif_, false);
    Check(EGifPutScreenDesc(gif_, image.width, image.height, image.bits, 0, map_));
    Check(EGifPutImageDesc(gif_, 0, 0, image.width, image.height, false, nullptr));
    std::vector<GifPixelType> line(static_cast<std::size_t>(image.width));
    for (std::int32_t y = 0; y < image.height; ++y) {
      for (std::int32_t x = 0; x < image.width; ++x) {
        line[static_cast<std::size_t>(x)] = static_cast<GifPixelType>(image.IndexAt(x, y));
      }
      Check(EGifPutLine(gif_, line.data(), image.width));
    }
    int error = 0;
    const int result = EGifCloseFile(gif_, &error);
    gif_ = nullptr;
    if (result != GIF_OK) throw GifError(ErrorText(error));
  }

 private:
  GifFileType* gif_ = nullptr;
  ColorMapObject* map_ = nullptr;
};

}  // namespace

std::vector<std::uint8_t> WriteGif(const Raster& image) {
  if (image.bits != 1 && image.bits != 4 && image.bits != 8) {
    throw GifError("Only 1, 4 and 8-bit images can be written");
  }
  if (image.width <= 0 || image.height <= 0 || image.width > 65535 || image.height > 65535) {
    throw GifError(SizeNotAllowedText(image.width, image.height));
  }
  std::vector<std::uint8_t> out;
  Encoder(&out).Encode(image);
  return out;
}

}  // namespace parvel
