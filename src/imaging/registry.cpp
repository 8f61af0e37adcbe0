#include "imaging/registry.h"

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

}  // namespace

bool TFileFormatReader::IsSignature(std::span<const std::uint8_t>) const {
  return false;
}

// --- BMP, DIB, RLE ---

bool TBMPFileFormatReader::IsSignature(std::span<const std::uint8_t> head) const {
  return IsBmpSignature(head);
}
Raster TBMPFileFormatReader::Read(std::span<const std::uint8_t> data, int index,
                                  const ReadOptions&) const {
  RequireFirstImage<EPGBMPFileFormatReader>(index);
  return ReadBmp(data);
}
ImageInfo TBMPFileFormatReader::Info(std::span<const std::uint8_t> data, int index) const {
  RequireFirstImage<EPGBMPFileFormatReader>(index);
  return ReadBmpInfo(data);
}

// --- JPEG ---

bool TJPGFileFormatReader::IsSignature(std::span<const std::uint8_t> head) const {
  return IsJpegSignature(head);
}
Raster TJPGFileFormatReader::Read(std::span<const std::uint8_t> data, int index,
                                  const ReadOptions& options) const {
  RequireFirstImage<EPGJPGFileFormatReaderWriter>(index);
  Raster image = ReadJpeg(data, {options.fast_jpeg, 1});
  ApplyOrientation(image, ReadJpegOrientation(data));
  return image;
}
ImageInfo TJPGFileFormatReader::Info(std::span<const std::uint8_t> data, int index) const {
  RequireFirstImage<EPGJPGFileFormatReaderWriter>(index);
  ImageInfo info = ReadJpegInfo(data);
  if (OrientationSwapsSides(ReadJpegOrientation(data))) std::swap(info.width, info.height);
  return info;
}

// --- PNG ---

bool TPNGFileFormatReader::IsSignature(std::span<const std::uint8_t> head) const {
  return IsPngSignature(head);
}
Raster TPNGFileFormatReader::Read(std::span<const std::uint8_t> data, int index,
                                  const ReadOptions&) const {
  RequireFirstImage<EPGPNGFileFormatReaderWriter>(index);
  return ReadPng(data);
}
ImageInfo TPNGFileFormatReader::Info(std::span<const std::uint8_t> data, int index) const {
  RequireFirstImage<EPGPNGFileFormatReaderWriter>(index);
  return ReadPngInfo(data);
}

// --- PCX ---

bool TPCXFileFormatReader::IsSignature(std::span<const std::uint8_t> head) const {
  return IsPcxSignature(head);
}
Raster TPCXFileFormatReader::Read(std::span<const std::uint8_t> data, int index,
                                  const ReadOptions&) const {
  RequireFirstImage<EPGPCXFileFormatReader>(index);
  return ReadPcx(data);
}
ImageInfo TPCXFileFormatReader::Info(std::span<const std::uint8_t> data, int index) const {
  RequireFirstImage<EPGPCXFileFormatReader>(index);
  return ReadPcxInfo(data);
}

// --- PBM, PGM, PPM ---

bool TPxMFileFormatReader::IsSignature(std::span<const std::uint8_t> head) const {
  if (!IsPnmSignature(head)) return false;
  const char plain = kind_ == PnmKind::Pbm ? '1' : kind_ == PnmKind::Pgm ? '2' : '3';
  return head[1] == plain || head[1] == plain + 3;
}
Raster TPxMFileFormatReader::Read(std::span<const std::uint8_t> data, int index,
                                  const ReadOptions&) const {
  RequireFirstImage<EPGPxMFileFormatReader>(index);
  return ReadPnm(data);
}
ImageInfo TPxMFileFormatReader::Info(std::span<const std::uint8_t> data, int index) const {
  RequireFirstImage<EPGPxMFileFormatReader>(index);
  return ReadPnmInfo(data);
}

// --- TGA ---

Raster TTGAFileFormatReader::Read(std::span<const std::uint8_t> data, int index,
                                  const ReadOptions&) const {
  RequireFirstImage<EPGTGAFileFormatReader>(index);
  return ReadTga(data);
}
ImageInfo TTGAFileFormatReader::Info(std::span<const std::uint8_t> data, int index) const {
  RequireFirstImage<EPGTGAFileFormatReader>(index);
  return ReadTgaInfo(data);
}

// --- HEIF and WebP ---

bool THEICFileFormatReader::IsSignature(std::span<const std::uint8_t> head) const {
  return IsHeifSignature(head);
}
Raster THEICFileFormatReader::Read(std::span<const std::uint8_t> data, int index,
                                   const ReadOptions&) const {
  return ReadHeif(data, index);
}
ImageInfo THEICFileFormatReader::Info(std::span<const std::uint8_t> data, int index) const {
  return ReadHeifInfo(data, index);
}

bool TWebPFileFormatReader::IsSignature(std::span<const std::uint8_t> head) const {
  return IsWebpSignature(head);
}
Raster TWebPFileFormatReader::Read(std::span<const std::uint8_t> data, int index,
                                   const ReadOptions&) const {
  RequireFirstImage<EPGWebPFileFormatReader>(index);
  return ReadWebp(data);
}
ImageInfo TWebPFileFormatReader::Info(std::span<const std::uint8_t> data, int index) const {
  RequireFirstImage<EPGWebPFileFormatReader>(index);
  return ReadWebpInfo(data);
}

// --- TIFF ---

bool TTIFFileFormatReader::IsSignature(std::span<const std::uint8_t> head) const {
  return IsTiffSignature(head);
}
Raster TTIFFileFormatReader::Read(std::span<const std::uint8_t> data, int index,
                                  const ReadOptions&) const {
  return ReadTiff(data, index);
}
ImageInfo TTIFFileFormatReader::Info(std::span<const std::uint8_t> data, int index) const {
  return ReadTiffInfo(data, index);
}

// --- GIF ---

bool tGifFileFormatReader::IsSignature(std::span<const std::uint8_t> head) const {
  return IsGifSignature(head);
}
Raster tGifFileFormatReader::Read(std::span<const std::uint8_t> data, int index,
                                  const ReadOptions&) const {
  return ReadGif(data, index);
}
ImageInfo tGifFileFormatReader::Info(std::span<const std::uint8_t> data, int index) const {
  ImageInfo info = ReadGifInfo(data);
  if (index < 0 || index >= info.image_count) {
    throw EPGGIFFileFormatReaderWriter(NoImageNumberText(index));
  }
  return info;
}

// --- ICO ---

bool tIcoFileFormatReader::IsSignature(std::span<const std::uint8_t> head) const {
  return IsIcoSignature(head);
}
Raster tIcoFileFormatReader::Read(std::span<const std::uint8_t> data, int index,
                                  const ReadOptions&) const {
  RequireFirstImage<EPGICOFileFormatReader>(index);
  return ReadIco(data);
}
ImageInfo tIcoFileFormatReader::Info(std::span<const std::uint8_t> data, int index) const {
  RequireFirstImage<EPGICOFileFormatReader>(index);
  return ReadIcoInfo(data);
}

// --- WMF, EMF ---

Raster tWMFFileFormatReader::Read(std::span<const std::uint8_t> data, int,
                                  const ReadOptions&) const {
  return ReadWmf(data);
}
ImageInfo tWMFFileFormatReader::Info(std::span<const std::uint8_t> data, int) const {
  return ReadWmfInfo(data);
}
Raster tEMFFileFormatReader::Read(std::span<const std::uint8_t> data, int,
                                  const ReadOptions&) const {
  return ReadEmf(data);
}
ImageInfo tEMFFileFormatReader::Info(std::span<const std::uint8_t> data, int) const {
  return ReadEmfInfo(data);
}

// --- Writers ---

std::vector<std::uint8_t> TBMPFileFormatWriter::Write(const Raster& image,
                                                      const WriteOptions&) const {
  return WriteBmp(image);
}
std::vector<std::uint8_t> TJPGFileFormatWriter::Write(const Raster& image,
                                                      const WriteOptions& options) const {
  return WriteJpeg(image, options.jpeg_quality, options.jpeg_progressive);
}
std::vector<std::uint8_t> TPNGFileFormatWriter::Write(const Raster& image,
                                                      const WriteOptions&) const {
  return WritePng(image);
}
std::vector<std::uint8_t> TPXMFileFormatWriter::Write(const Raster& image,
                                                      const WriteOptions&) const {
  return WritePnm(image, kind_);
}
std::vector<std::uint8_t> TTGAFileFormatWriter::Write(const Raster& image,
                                                      const WriteOptions&) const {
  return WriteTga(image);
}
std::vector<std::uint8_t> TTIFFileFormatWriter::Write(const Raster& image,
                                                      const WriteOptions&) const {
  return WriteTiff(image);
}
std::vector<std::uint8_t> TGIFFileFormatWriter::Write(const Raster& image,
                                                      const WriteOptions&) const {
  return WriteGif(image);
}

// --- The lists ---

const std::vector<std::unique_ptr<TFileFormatReader>>& FileFormatReaders() {
  static const auto* readers = [] {
    auto* list = new std::vector<std::unique_ptr<TFileFormatReader>>();
    list->push_back(std::make_unique<TBMPFileFormatReader>());
    list->push_back(std::make_unique<TDIBFileFormatReader>());
    list->push_back(std::make_unique<TRLEFileFormatReader>());
    list->push_back(std::make_unique<TJPGFileFormatReader>());
    list->push_back(std::make_unique<TJPEGFileFormatReader>());
    list->push_back(std::make_unique<TJIFFileFormatReader>());
    list->push_back(std::make_unique<TPNGFileFormatReader>());
    list->push_back(std::make_unique<TPCXFileFormatReader>());
    list->push_back(std::make_unique<TPBMFileFormatReader>());
    list->push_back(std::make_unique<TPGMFileFormatReader>());
    list->push_back(std::make_unique<TPPMFileFormatReader>());
    list->push_back(std::make_unique<TTGAFileFormatReader>());
    list->push_back(std::make_unique<TTIFFileFormatReader>());
    list->push_back(std::make_unique<TTIFFFileFormatReader>());
    list->push_back(std::make_unique<tGifFileFormatReader>());
    list->push_back(std::make_unique<tIcoFileFormatReader>());
    list->push_back(std::make_unique<THEICFileFormatReader>());
    list->push_back(std::make_unique<THEIFFileFormatReader>());
    list->push_back(std::make_unique<TAVIFFileFormatReader>());
    list->push_back(std::make_unique<TWebPFileFormatReader>());
    list->push_back(std::make_unique<tWMFFileFormatReader>());
    list->push_back(std::make_unique<tEMFFileFormatReader>());
    return list;
  }();
  return *readers;
}

const std::vector<std::unique_ptr<TFileFormatWriter>>& FileFormatWriters() {
  static const auto* writers = [] {
    auto* list = new std::vector<std::unique_ptr<TFileFormatWriter>>();
    list->push_back(std::make_unique<TBMPFileFormatWriter>());
    list->push_back(std::make_unique<TDIBFileFormatWriter>());
    list->push_back(std::make_unique<TJPGFileFormatWriter>());
    list->push_back(std::make_unique<TJPEGFileFormatWriter>());
    list->push_back(std::make_unique<TJIFFileFormatWriter>());
    list->push_back(std::make_unique<TPNGFileFormatWriter>());
    list->push_back(std::make_unique<TPBMFileFormatWriter>());
    list->push_back(std::make_unique<TPGMFileFormatWriter>());
    list->push_back(std::make_unique<TPPMFileFormatWriter>());
    list->push_back(std::make_unique<TTGAFileFormatWriter>());
    list->push_back(std::make_unique<TTIFFileFormatWriter>());
    list->push_back(std::make_unique<TTIFFFileFormatWriter>());
    list->push_back(std::make_unique<TGIFFileFormatWriter>());
    return list;
  }();
  return *writers;
}

const TFileFormatReader* ChooseReader(std::span<const std::uint8_t> head,
                                      std::string_view extension) {
  head = head.first(std::min(head.size(), kSignatureBytes));
  for (const auto& reader : FileFormatReaders()) {
    if (reader->HasSignature() && reader->IsSignature(head)) return reader.get();
  }
  const std::string ext = NormalExtension(extension);
  if (ext.empty()) return nullptr;
  for (const auto& reader : FileFormatReaders()) {
    if (!reader->HasSignature() && reader->Extension() == ext) return reader.get();
  }
  return nullptr;
}

PictureIdentity IdentifyPicture(std::span<const std::uint8_t> head, std::string_view extension) {
  PictureIdentity identity;
  const std::span<const std::uint8_t> signature =
      head.first(std::min(head.size(), kSignatureBytes));
  for (const auto& reader : FileFormatReaders()) {
    if (reader->HasSignature() && reader->IsSignature(signature)) {
      identity.verdict = PictureVerdict::Picture;
      identity.reader = reader.get();
      return identity;
    }
  }
  const std::string ext = NormalExtension(extension);
  if (ext.empty()) return identity;
  for (const auto& reader : FileFormatReaders()) {
    if (reader->HasSignature() || reader->Extension() != ext) continue;
    try {
      reader->Info(head.first(std::min(head.size(), kIdentifyBytes)), 0);
      identity.verdict = PictureVerdict::Picture;
      identity.reader = reader.get();
    } catch (const EPixelGraphic& e) {
      if (!reader->CanDecode()) {
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

const TFileFormatWriter* FindWriter(std::string_view extension) {
  const std::string ext = NormalExtension(extension);
  for (const auto& writer : FileFormatWriters()) {
    if (writer->Extension() == ext) return writer.get();
  }
  return nullptr;
}

std::string_view ImageFileFilter() {
  return "Image files|*.bmp; *.dib; *.gif; *.jif; *.jpeg; *.jpg; *.pbm; *.pcx; *.pgm; *.png; "
         "*.ppm; *.rle; *.tga; *.tif; *.tiff|BMP - Bitmap|*.bmp|DIB - Bitmap|*.dib|GIF - "
         "GIF|*.gif|JIF - JPEG (JFIF compliant)|*.jif|JPEG - JPEG (JFIF compliant)|*.jpeg|JPG - "
         "JPEG (JFIF compliant)|*.jpg|PBM - Portable Bitmap|*.pbm|PCX - Paintbrush|*.pcx|PGM - "
         "Portable Graymap|*.pgm|PNG - Portable Network Graphics|*.png|PPM - Portable "
         "Pixelmap|*.ppm|RLE - Bitmap|*.rle|TGA - Truevision Targa|*.tga|TIF - Tagged Image File "
         "Format|*.tif|TIFF - Tagged Image File Format|*.tiff|All files|*.*";
}

}  // namespace parvel
