#include "imaging/registry.h"

#include <algorithm>
#include <utility>

#include "base/fileparts.h"
#include "base/textutil.h"
#include "imaging/exif.h"
#include "imaging/formats/bmp.h"
#include "imaging/formats/gif.h"
#include "imaging/formats/heif.h"
#include "imaging/formats/ico.h"
#include "imaging/formats/jpeg.h"
#include "imaging/formats/metafile.h"
#include "imaging/formats/pcx.h"
#include "imaging/formats/png.h"
#include "imaging/formats/pnm.h"
#include "imaging/formats/tga.h"
#include "imaging/formats/tiff.h"
#include "imaging/formats/webp.h"
#include "imaging/imageerrors.h"
#include "platform/filebuffer.h"

namespace parvel {
namespace {

// Formats that hold one image refuse any other index.
template <class Error>
void RequireFirstImage(int index) {
  if (index != 0) throw Error(NoImageNumberText(index));
}

std::string NormalExtension(std::string_view extension) {
  if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
  return LowerAscii(extension);
}

// The read and header check of a format that holds one image.
template <class Error, Raster (*Decode)(std::span<const std::uint8_t>)>
Raster ReadFirst(std::span<const std::uint8_t> data, int index, const ReadOptions&) {
  RequireFirstImage<Error>(index);
  return Decode(data);
}
template <class Error, ImageInfo (*Headers)(std::span<const std::uint8_t>)>
ImageInfo InfoFirst(std::span<const std::uint8_t> data, int index) {
  RequireFirstImage<Error>(index);
  return Headers(data);
}

// The read and header check of a format that holds several images.
template <Raster (*Decode)(std::span<const std::uint8_t>, int)>
Raster ReadIndexed(std::span<const std::uint8_t> data, int index, const ReadOptions&) {
  return Decode(data, index);
}

// A write that takes no options.
template <std::vector<std::uint8_t> (*Encode)(const Raster&)>
std::vector<std::uint8_t> WritePlain(const Raster& image, const WriteOptions&) {
  return Encode(image);
}

// JPEG files are turned upright by their EXIF orientation.
Raster ReadJpegUpright(std::span<const std::uint8_t> data, int index, const ReadOptions& options) {
  RequireFirstImage<JpegError>(index);
  Raster image = ReadJpeg(data, {options.fast_jpeg, 1});
  ApplyOrientation(image, ReadJpegOrientation(data));
  return image;
}
ImageInfo ReadJpegUprightInfo(std::span<const std::uint8_t> data, int index) {
  RequireFirstImage<JpegError>(index);
  ImageInfo info = ReadJpegInfo(data);
  if (OrientationSwapsSides(ReadJpegOrientation(data))) std::swap(info.width, info.height);
  return info;
}
std::vector<std::uint8_t> WriteJpegWith(const Raster& image, const WriteOptions& options) {
  return WriteJpeg(image, options.jpeg_quality, options.jpeg_progressive);
}

// Each PNM row answers only for its own magic numbers ("P1"/"P4", "P2"/"P5", "P3"/"P6"); any of
// them reads all six.
template <PnmKind Kind>
bool IsPnmKindSignature(std::span<const std::uint8_t> head) {
  if (!IsPnmSignature(head)) return false;
  const char plain = Kind == PnmKind::Pbm ? '1' : Kind == PnmKind::Pgm ? '2' : '3';
  return head[1] == plain || head[1] == plain + 3;
}
template <PnmKind Kind>
std::vector<std::uint8_t> WritePnmKind(const Raster& image, const WriteOptions&) {
  return WritePnm(image, Kind);
}

ImageInfo ReadGifIndexInfo(std::span<const std::uint8_t> data, int index) {
  ImageInfo info = ReadGifInfo(data);
  if (index < 0 || index >= info.image_count) {
    throw GifError(NoImageNumberText(index));
  }
  return info;
}

constexpr int kAnyDepth[] = {1, 4, 8, 24};
constexpr int kColour[] = {24};
constexpr int kMono[] = {1};
constexpr int kGray[] = {8};
constexpr int kTgaDepths[] = {8, 24};
constexpr int kGifDepths[] = {8, 4, 1};

template <PnmKind Kind>
constexpr Codec kPnm{
    .signature = IsPnmKindSignature<Kind>,
    .read = ReadFirst<PnmReadError, ReadPnm>,
    .info = InfoFirst<PnmReadError, ReadPnmInfo>,
    .write = WritePnmKind<Kind>,
    .write_depths = Kind == PnmKind::Pbm   ? std::span<const int>(kMono)
                    : Kind == PnmKind::Pgm ? std::span<const int>(kGray)
                                           : std::span<const int>(kColour),
    .write_gray = Kind == PnmKind::Pgm,
};

constexpr Codec kBmp{
    .signature = IsBmpSignature,
    .read = ReadFirst<BmpReadError, ReadBmp>,
    .info = InfoFirst<BmpReadError, ReadBmpInfo>,
    .write = WritePlain<WriteBmp>,
    .write_depths = kAnyDepth,
};
constexpr Codec kJpeg{
    .signature = IsJpegSignature,
    .read = ReadJpegUpright,
    .info = ReadJpegUprightInfo,
    .write = WriteJpegWith,
    .write_depths = kColour,
};
constexpr Codec kPng{
    .signature = IsPngSignature,
    .read = ReadFirst<PngError, ReadPng>,
    .info = InfoFirst<PngError, ReadPngInfo>,
    .write = WritePlain<WritePng>,
    .write_depths = kAnyDepth,
};
constexpr Codec kPcx{
    .signature = IsPcxSignature,
    .read = ReadFirst<PcxReadError, ReadPcx>,
    .info = InfoFirst<PcxReadError, ReadPcxInfo>,
};
// No signature: chosen by extension only.
constexpr Codec kTga{
    .read = ReadFirst<TgaReadError, ReadTga>,
    .info = InfoFirst<TgaReadError, ReadTgaInfo>,
    .write = WritePlain<WriteTga>,
    .write_depths = kTgaDepths,
};
constexpr Codec kTiff{
    .signature = IsTiffSignature,
    .read = ReadIndexed<ReadTiff>,
    .info = ReadTiffInfo,
    .write = WritePlain<WriteTiff>,
    .write_depths = kAnyDepth,
};
constexpr Codec kGif{
    .signature = IsGifSignature,
    .read = ReadIndexed<ReadGif>,
    .info = ReadGifIndexInfo,
    .write = WritePlain<WriteGif>,
    .write_depths = kGifDepths,
    .write_name = "GIF-Format",
};
constexpr Codec kIco{
    .signature = IsIcoSignature,
    .read = ReadFirst<IcoReadError, ReadIco>,
    .info = InfoFirst<IcoReadError, ReadIcoInfo>,
};
// HEIF photographs: HEIC and AVIF, through libheif, turned as the container says.
constexpr Codec kHeif{
    .signature = IsHeifSignature,
    .read = ReadIndexed<ReadHeif>,
    .info = ReadHeifInfo,
};
// WebP through libwebp, turned upright by its EXIF orientation.
constexpr Codec kWebp{
    .signature = IsWebpSignature,
    .read = ReadFirst<WebpReadError, ReadWebp>,
    .info = InfoFirst<WebpReadError, ReadWebpInfo>,
};
// No signature; reading fails with a plain explanation (no renderer on this platform).
template <Raster (*Decode)(std::span<const std::uint8_t>),
          ImageInfo (*Headers)(std::span<const std::uint8_t>)>
constexpr Codec kMetafile{
    .read = [](std::span<const std::uint8_t> data, int,
               const ReadOptions&) { return Decode(data); },
    .info = [](std::span<const std::uint8_t> data, int) { return Headers(data); },
    .can_decode = false,
};

constexpr unsigned kWrittenOffered = kWritten | kOffered;

constexpr ImageFormat kFormats[] = {
    {"bmp", "Bitmap", &kBmp, kWrittenOffered},
    {"dib", "Bitmap", &kBmp, kWrittenOffered},
    {"rle", "Bitmap", &kBmp, kOffered},
    {"jpg", "JPEG (JFIF compliant)", &kJpeg, kWrittenOffered},
    {"jpeg", "JPEG (JFIF compliant)", &kJpeg, kWrittenOffered},
    {"jif", "JPEG (JFIF compliant)", &kJpeg, kWrittenOffered},
    {"png", "Portable Network Graphics", &kPng, kWrittenOffered},
    {"pcx", "Paintbrush", &kPcx, kOffered},
    {"pbm", "Portable Bitmap", &kPnm<PnmKind::Pbm>, kWrittenOffered},
    {"pgm", "Portable Graymap", &kPnm<PnmKind::Pgm>, kWrittenOffered},
    {"ppm", "Portable Pixelmap", &kPnm<PnmKind::Ppm>, kWrittenOffered},
    {"tga", "Truevision Targa", &kTga, kWrittenOffered},
    {"tif", "Tagged Image File Format", &kTiff, kWrittenOffered},
    {"tiff", "Tagged Image File Format", &kTiff, kWrittenOffered},
    {"gif", "GIF", &kGif, kWrittenOffered},
    {"ico", "Windows Icon", &kIco},
    {"heic", "High Efficiency Image File", &kHeif},
    {"heif", "High Efficiency Image File", &kHeif},
    {"avif", "AV1 Image File", &kHeif},
    {"webp", "WebP", &kWebp},
    {"wmf", "Windows Metafile", &kMetafile<ReadWmf, ReadWmfInfo>},
    {"emf", "Enhanced Metafile", &kMetafile<ReadEmf, ReadEmfInfo>},
};

std::string MakeImageFileFilter() {
  std::vector<const ImageFormat*> offered;
  for (const ImageFormat& format : kFormats) {
    if (format.uses & kOffered) offered.push_back(&format);
  }
  std::ranges::sort(offered, {}, &ImageFormat::extension);
  std::string all, each;
  for (const ImageFormat* format : offered) {
    const std::string mask = "*." + std::string(format->extension);
    all += (all.empty() ? "" : "; ") + mask;
    each +=
        UpperAscii(format->extension) + " - " + std::string(format->description) + "|" + mask + "|";
  }
  return "Image files|" + all + "|" + each + "All files|*.*";
}

}  // namespace

std::span<const ImageFormat> ImageFormats() {
  return kFormats;
}

const ImageFormat* ChooseReader(std::span<const std::uint8_t> head, std::string_view extension) {
  head = head.first(std::min(head.size(), kSignatureBytes));
  for (const ImageFormat& format : kFormats) {
    if (format.IsSignature(head)) return &format;
  }
  const std::string ext = NormalExtension(extension);
  if (ext.empty()) return nullptr;
  for (const ImageFormat& format : kFormats) {
    if (!format.HasSignature() && format.extension == ext) return &format;
  }
  return nullptr;
}

PictureIdentity IdentifyPicture(std::span<const std::uint8_t> head, std::string_view extension) {
  PictureIdentity identity;
  const std::span<const std::uint8_t> signature =
      head.first(std::min(head.size(), kSignatureBytes));
  for (const ImageFormat& format : kFormats) {
    if (format.IsSignature(signature)) {
      identity.verdict = PictureVerdict::Picture;
      identity.reader = &format;
      return identity;
    }
  }
  const std::string ext = NormalExtension(extension);
  if (ext.empty()) return identity;
  for (const ImageFormat& format : kFormats) {
    if (format.HasSignature() || format.extension != ext) continue;
    try {
      format.Info(head.first(std::min(head.size(), kIdentifyBytes)), 0);
      identity.verdict = PictureVerdict::Picture;
      identity.reader = &format;
    } catch (const ImageError& e) {
      if (!format.CanDecode()) {
        identity.verdict = PictureVerdict::Undecodable;
        identity.reason = e.what();
      }
    }
    return identity;
  }
  return identity;
}

PictureIdentity IdentifyPictureFile(const std::string& path) {
  std::vector<std::uint8_t> head;
  std::uint64_t size = 0;
  std::string error;
  if (!ReadFileHead(path, kIdentifyBytes, &head, &size, &error)) {
    PictureIdentity identity;
    identity.verdict = PictureVerdict::Unreadable;
    identity.reason = error;
    return identity;
  }
  return IdentifyPicture(head, ExtensionPart(path));
}

const ImageFormat* FindWriter(std::string_view extension) {
  const std::string ext = NormalExtension(extension);
  for (const ImageFormat& format : kFormats) {
    if (format.Writes() && format.extension == ext) return &format;
  }
  return nullptr;
}

std::string_view ImageFileFilter() {
  static const std::string filter = MakeImageFileFilter();
  return filter;
}

}  // namespace parvel
