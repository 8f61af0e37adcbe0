// The format registry: the ordered lists of readers and writers, each with its extension and
// description, and the rule that picks a reader for a file. Filled once on first use and
// read-only afterwards, so any thread may consult it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/formats/pnm.h"
#include "imaging/raster.h"

namespace parvel {

// How many leading bytes a signature test sees.
inline constexpr std::size_t kSignatureBytes = 17;

struct ReadOptions {
  bool fast_jpeg = false;  // decode the JPEG family with the fast integer DCT
};

struct WriteOptions {
  int jpeg_quality = 80;  // 0..100
  bool jpeg_progressive = false;
};

class TFileFormatReaderWriter {
 public:
  virtual ~TFileFormatReaderWriter() = default;
  const std::string& Extension() const { return extension_; }  // lower case, no dot
  const std::string& Description() const { return description_; }

 protected:
  TFileFormatReaderWriter(std::string extension, std::string description)
      : extension_(std::move(extension)), description_(std::move(description)) {}

 private:
  std::string extension_;
  std::string description_;
};

class TFileFormatReader : public TFileFormatReaderWriter {
 public:
  // Readers without a signature test are chosen by extension only.
  virtual bool HasSignature() const { return false; }
  // Whether the first (up to kSignatureBytes) bytes are of this format; the base answers no.
  virtual bool IsSignature(std::span<const std::uint8_t> head) const;
  // Decodes image `index` of a whole file. Throws the format's EPixelGraphic class.
  virtual Raster Read(std::span<const std::uint8_t> data, int index,
                      const ReadOptions& options) const = 0;
  // Image count, size, depth and subformat of image `index`, from the headers only.
  virtual ImageInfo Info(std::span<const std::uint8_t> data, int index) const = 0;
  // False for a format that is listed but cannot be decoded on this platform.
  virtual bool CanDecode() const { return true; }

 protected:
  using TFileFormatReaderWriter::TFileFormatReaderWriter;
};

class TFileFormatWriter : public TFileFormatReaderWriter {
 public:
  // The colour depths the format stores; an image of another depth is converted to the first.
  virtual std::vector<int> CanWriteResolutions() const = 0;
  // True when that conversion should give gray rather than colour.
  virtual bool ConvertsToGray() const { return false; }
  // Encodes an image of one of the depths above. Throws the format's EPixelGraphic class.
  virtual std::vector<std::uint8_t> Write(const Raster& image,
                                          const WriteOptions& options) const = 0;

 protected:
  using TFileFormatReaderWriter::TFileFormatReaderWriter;
};

// --- Readers, in registry order ---

class TBMPFileFormatReader : public TFileFormatReader {
 public:
  TBMPFileFormatReader() : TBMPFileFormatReader("bmp") {}
  bool HasSignature() const override { return true; }
  bool IsSignature(std::span<const std::uint8_t> head) const override;
  Raster Read(std::span<const std::uint8_t> data, int index,
              const ReadOptions& options) const override;
  ImageInfo Info(std::span<const std::uint8_t> data, int index) const override;

 protected:
  explicit TBMPFileFormatReader(std::string extension)
      : TFileFormatReader(std::move(extension), "Bitmap") {}
};
class TDIBFileFormatReader : public TBMPFileFormatReader {
 public:
  TDIBFileFormatReader() : TBMPFileFormatReader("dib") {}
};
class TRLEFileFormatReader : public TBMPFileFormatReader {
 public:
  TRLEFileFormatReader() : TBMPFileFormatReader("rle") {}
};

// JPEG files are turned upright by their EXIF orientation.
class TJPGFileFormatReader : public TFileFormatReader {
 public:
  TJPGFileFormatReader() : TJPGFileFormatReader("jpg") {}
  bool HasSignature() const override { return true; }
  bool IsSignature(std::span<const std::uint8_t> head) const override;
  Raster Read(std::span<const std::uint8_t> data, int index,
              const ReadOptions& options) const override;
  ImageInfo Info(std::span<const std::uint8_t> data, int index) const override;

 protected:
  explicit TJPGFileFormatReader(std::string extension)
      : TFileFormatReader(std::move(extension), "JPEG (JFIF compliant)") {}
};
class TJPEGFileFormatReader : public TJPGFileFormatReader {
 public:
  TJPEGFileFormatReader() : TJPGFileFormatReader("jpeg") {}
};
class TJIFFileFormatReader : public TJPGFileFormatReader {
 public:
  TJIFFileFormatReader() : TJPGFileFormatReader("jif") {}
};

class TPNGFileFormatReader : public TFileFormatReader {
 public:
  TPNGFileFormatReader() : TFileFormatReader("png", "Portable Network Graphics") {}
  bool HasSignature() const override { return true; }
  bool IsSignature(std::span<const std::uint8_t> head) const override;
  Raster Read(std::span<const std::uint8_t> data, int index,
              const ReadOptions& options) const override;
  ImageInfo Info(std::span<const std::uint8_t> data, int index) const override;
};

class TPCXFileFormatReader : public TFileFormatReader {
 public:
  TPCXFileFormatReader() : TFileFormatReader("pcx", "Paintbrush") {}
  bool HasSignature() const override { return true; }
  bool IsSignature(std::span<const std::uint8_t> head) const override;
  Raster Read(std::span<const std::uint8_t> data, int index,
              const ReadOptions& options) const override;
  ImageInfo Info(std::span<const std::uint8_t> data, int index) const override;
};

// Each of the three answers only for its own magic numbers ("P1"/"P4", "P2"/"P5", "P3"/"P6");
// any of them reads all six.
class TPxMFileFormatReader : public TFileFormatReader {
 public:
  bool HasSignature() const override { return true; }
  bool IsSignature(std::span<const std::uint8_t> head) const override;
  Raster Read(std::span<const std::uint8_t> data, int index,
              const ReadOptions& options) const override;
  ImageInfo Info(std::span<const std::uint8_t> data, int index) const override;

 protected:
  TPxMFileFormatReader(PnmKind kind, std::string extension, std::string description)
      : TFileFormatReader(std::move(extension), std::move(description)), kind_(kind) {}

 private:
  PnmKind kind_;
};
class TPBMFileFormatReader : public TPxMFileFormatReader {
 public:
  TPBMFileFormatReader() : TPxMFileFormatReader(PnmKind::Pbm, "pbm", "Portable Bitmap") {}
};
class TPGMFileFormatReader : public TPxMFileFormatReader {
 public:
  TPGMFileFormatReader() : TPxMFileFormatReader(PnmKind::Pgm, "pgm", "Portable Graymap") {}
};
class TPPMFileFormatReader : public TPxMFileFormatReader {
 public:
  TPPMFileFormatReader() : TPxMFileFormatReader(PnmKind::Ppm, "ppm", "Portable Pixelmap") {}
};

// No signature: chosen by extension only.
class TTGAFileFormatReader : public TFileFormatReader {
 public:
  TTGAFileFormatReader() : TFileFormatReader("tga", "Truevision Targa") {}
  Raster Read(std::span<const std::uint8_t> data, int index,
              const ReadOptions& options) const override;
  ImageInfo Info(std::span<const std::uint8_t> data, int index) const override;
};

class TTIFFileFormatReader : public TFileFormatReader {
 public:
  TTIFFileFormatReader() : TTIFFileFormatReader("tif") {}
  bool HasSignature() const override { return true; }
  bool IsSignature(std::span<const std::uint8_t> head) const override;
  Raster Read(std::span<const std::uint8_t> data, int index,
              const ReadOptions& options) const override;
  ImageInfo Info(std::span<const std::uint8_t> data, int index) const override;

 protected:
  explicit TTIFFileFormatReader(std::string extension)
      : TFileFormatReader(std::move(extension), "Tagged Image File Format") {}
};
class TTIFFFileFormatReader : public TTIFFileFormatReader {
 public:
  TTIFFFileFormatReader() : TTIFFileFormatReader("tiff") {}
};

class tGifFileFormatReader : public TFileFormatReader {
 public:
  tGifFileFormatReader() : TFileFormatReader("gif", "GIF") {}
  bool HasSignature() const override { return true; }
  bool IsSignature(std::span<const std::uint8_t> head) const override;
  Raster Read(std::span<const std::uint8_t> data, int index,
              const ReadOptions& options) const override;
  ImageInfo Info(std::span<const std::uint8_t> data, int index) const override;
};

class tIcoFileFormatReader : public TFileFormatReader {
 public:
  tIcoFileFormatReader() : TFileFormatReader("ico", "Windows Icon") {}
  bool HasSignature() const override { return true; }
  bool IsSignature(std::span<const std::uint8_t> head) const override;
  Raster Read(std::span<const std::uint8_t> data, int index,
              const ReadOptions& options) const override;
  ImageInfo Info(std::span<const std::uint8_t> data, int index) const override;
};

// HEIF photographs: HEIC and AVIF, through libheif, turned as the container says.
class THEICFileFormatReader : public TFileFormatReader {
 public:
  THEICFileFormatReader() : THEICFileFormatReader("heic", "High Efficiency Image File") {}
  bool HasSignature() const override { return true; }
  bool IsSignature(std::span<const std::uint8_t> head) const override;
  Raster Read(std::span<const std::uint8_t> data, int index,
              const ReadOptions& options) const override;
  ImageInfo Info(std::span<const std::uint8_t> data, int index) const override;

 protected:
  THEICFileFormatReader(std::string extension, std::string description)
      : TFileFormatReader(std::move(extension), std::move(description)) {}
};
class THEIFFileFormatReader : public THEICFileFormatReader {
 public:
  THEIFFileFormatReader() : THEICFileFormatReader("heif", "High Efficiency Image File") {}
};
class TAVIFFileFormatReader : public THEICFileFormatReader {
 public:
  TAVIFFileFormatReader() : THEICFileFormatReader("avif", "AV1 Image File") {}
};

// WebP through libwebp, turned upright by its EXIF orientation.
class TWebPFileFormatReader : public TFileFormatReader {
 public:
  TWebPFileFormatReader() : TFileFormatReader("webp", "WebP") {}
  bool HasSignature() const override { return true; }
  bool IsSignature(std::span<const std::uint8_t> head) const override;
  Raster Read(std::span<const std::uint8_t> data, int index,
              const ReadOptions& options) const override;
  ImageInfo Info(std::span<const std::uint8_t> data, int index) const override;
};

// No signature; reading fails with a plain explanation (no renderer on this platform).
class tWMFFileFormatReader : public TFileFormatReader {
 public:
  tWMFFileFormatReader() : TFileFormatReader("wmf", "Windows Metafile") {}
  bool CanDecode() const override { return false; }
  Raster Read(std::span<const std::uint8_t> data, int index,
              const ReadOptions& options) const override;
  ImageInfo Info(std::span<const std::uint8_t> data, int index) const override;
};
class tEMFFileFormatReader : public TFileFormatReader {
 public:
  tEMFFileFormatReader() : TFileFormatReader("emf", "Enhanced Metafile") {}
  bool CanDecode() const override { return false; }
  Raster Read(std::span<const std::uint8_t> data, int index,
              const ReadOptions& options) const override;
  ImageInfo Info(std::span<const std::uint8_t> data, int index) const override;
};

// --- Writers, in registry order ---

class TBMPFileFormatWriter : public TFileFormatWriter {
 public:
  TBMPFileFormatWriter() : TBMPFileFormatWriter("bmp") {}
  std::vector<int> CanWriteResolutions() const override { return {1, 4, 8, 24}; }
  std::vector<std::uint8_t> Write(const Raster& image, const WriteOptions& options) const override;

 protected:
  explicit TBMPFileFormatWriter(std::string extension)
      : TFileFormatWriter(std::move(extension), "Bitmap") {}
};
class TDIBFileFormatWriter : public TBMPFileFormatWriter {
 public:
  TDIBFileFormatWriter() : TBMPFileFormatWriter("dib") {}
};

class TJPGFileFormatWriter : public TFileFormatWriter {
 public:
  TJPGFileFormatWriter() : TJPGFileFormatWriter("jpg") {}
  std::vector<int> CanWriteResolutions() const override { return {24}; }
  std::vector<std::uint8_t> Write(const Raster& image, const WriteOptions& options) const override;

 protected:
  explicit TJPGFileFormatWriter(std::string extension)
      : TFileFormatWriter(std::move(extension), "JPEG (JFIF compliant)") {}
};
class TJPEGFileFormatWriter : public TJPGFileFormatWriter {
 public:
  TJPEGFileFormatWriter() : TJPGFileFormatWriter("jpeg") {}
};
class TJIFFileFormatWriter : public TJPGFileFormatWriter {
 public:
  TJIFFileFormatWriter() : TJPGFileFormatWriter("jif") {}
};

class TPNGFileFormatWriter : public TFileFormatWriter {
 public:
  TPNGFileFormatWriter() : TFileFormatWriter("png", "Portable Network Graphics") {}
  std::vector<int> CanWriteResolutions() const override { return {1, 4, 8, 24}; }
  std::vector<std::uint8_t> Write(const Raster& image, const WriteOptions& options) const override;
};

class TPXMFileFormatWriter : public TFileFormatWriter {
 public:
  std::vector<std::uint8_t> Write(const Raster& image, const WriteOptions& options) const override;

 protected:
  TPXMFileFormatWriter(PnmKind kind, std::string extension, std::string description)
      : TFileFormatWriter(std::move(extension), std::move(description)), kind_(kind) {}

 private:
  PnmKind kind_;
};
class TPBMFileFormatWriter : public TPXMFileFormatWriter {
 public:
  TPBMFileFormatWriter() : TPXMFileFormatWriter(PnmKind::Pbm, "pbm", "Portable Bitmap") {}
  std::vector<int> CanWriteResolutions() const override { return {1}; }
};
class TPGMFileFormatWriter : public TPXMFileFormatWriter {
 public:
  TPGMFileFormatWriter() : TPXMFileFormatWriter(PnmKind::Pgm, "pgm", "Portable Graymap") {}
  std::vector<int> CanWriteResolutions() const override { return {8}; }
  bool ConvertsToGray() const override { return true; }
};
class TPPMFileFormatWriter : public TPXMFileFormatWriter {
 public:
  TPPMFileFormatWriter() : TPXMFileFormatWriter(PnmKind::Ppm, "ppm", "Portable Pixelmap") {}
  std::vector<int> CanWriteResolutions() const override { return {24}; }
};

class TTGAFileFormatWriter : public TFileFormatWriter {
 public:
  TTGAFileFormatWriter() : TFileFormatWriter("tga", "Truevision Targa") {}
  std::vector<int> CanWriteResolutions() const override { return {8, 24}; }
  std::vector<std::uint8_t> Write(const Raster& image, const WriteOptions& options) const override;
};

class TTIFFileFormatWriter : public TFileFormatWriter {
 public:
  TTIFFileFormatWriter() : TTIFFileFormatWriter("tif") {}
  std::vector<int> CanWriteResolutions() const override { return {1, 4, 8, 24}; }
  std::vector<std::uint8_t> Write(const Raster& image, const WriteOptions& options) const override;

 protected:
  explicit TTIFFileFormatWriter(std::string extension)
      : TFileFormatWriter(std::move(extension), "Tagged Image File Format") {}
};
class TTIFFFileFormatWriter : public TTIFFileFormatWriter {
 public:
  TTIFFFileFormatWriter() : TTIFFileFormatWriter("tiff") {}
};

class TGIFFileFormatWriter : public TFileFormatWriter {
 public:
  TGIFFileFormatWriter() : TFileFormatWriter("gif", "GIF-Format") {}
  std::vector<int> CanWriteResolutions() const override { return {8, 4, 1}; }
  std::vector<std::uint8_t> Write(const Raster& image, const WriteOptions& options) const override;
};

// --- The lists and the choice ---

const std::vector<std::unique_ptr<TFileFormatReader>>& FileFormatReaders();
const std::vector<std::unique_ptr<TFileFormatWriter>>& FileFormatWriters();

// The reader for a file: the first reader whose signature test accepts `head` (the file's first
// bytes); failing that, the first reader without a signature test whose extension equals
// `extension` (one leading "." dropped, case ignored). Null when none fits.
const TFileFormatReader* ChooseReader(std::span<const std::uint8_t> head,
                                      std::string_view extension);

// What a file holds, judged from its first bytes before anything is decoded or written.
enum class PictureVerdict {
  Picture,      // a reader's signature test accepts it, or (for a format without a signature) the
                // header check of the reader its extension names passes
  NotPicture,   // neither: whatever its name says, its content is no picture
  Undecodable,  // its extension names a format that cannot be decoded on this platform
  Unreadable,   // the file cannot be opened or read (missing, no permission, not a regular file)
};

struct PictureIdentity {
  PictureVerdict verdict = PictureVerdict::NotPicture;
  const TFileFormatReader* reader = nullptr;  // for a Picture
  std::string reason;  // Undecodable: the reader's explanation; Unreadable: the system's reason
};

// How many leading bytes IdentifyPicture needs: a TGA header with its longest image ID.
inline constexpr std::size_t kIdentifyBytes = 512;

// Identifies a file from its first bytes (`head`, up to kIdentifyBytes) and its extension:
// the signature tests first (kSignatureBytes of `head`), in registry order; failing those, the
// reader without a signature test whose extension equals `extension` (one leading "." dropped,
// case ignored) when its header check (Info) accepts `head`. The header check's image-layer error
// is an answer, not raised.
PictureIdentity IdentifyPicture(std::span<const std::uint8_t> head, std::string_view extension);

// IdentifyPicture on the first kIdentifyBytes of the file `path`, with its extension; a file that
// cannot be opened or read is Unreadable with the system's reason. Never waits on a pipe.
PictureIdentity IdentifyPictureFile(const std::string& path);

// The writer whose extension equals `extension` (one leading "." dropped, case ignored), or null.
const TFileFormatWriter* FindWriter(std::string_view extension);

// The file-type filter of the format-aware file chooser.
std::string_view ImageFileFilter();

}  // namespace parvel
