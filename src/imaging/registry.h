// The format registry: one constant table of extensions, each with its description and the codec
// that reads (and, for some, writes) it, and the rule that picks a format for a file. Constant,
// so any thread may consult it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

// What the program does with one image format: recognise it, read it and, where it writes the
// format, write it. Each format has one constant codec; the registry's rows point at them.
struct Codec {
  // Whether the first (up to kSignatureBytes) bytes are of this format; null for a format chosen
  // by its extension only.
  bool (*signature)(std::span<const std::uint8_t> head) = nullptr;
  // Decodes image `index` of a whole file. Throws the format's ImageError class.
  Raster (*read)(std::span<const std::uint8_t> data, int index,
                 const ReadOptions& options) = nullptr;
  // Image count, size, depth and subformat of image `index`, from the headers only.
  ImageInfo (*info)(std::span<const std::uint8_t> data, int index) = nullptr;
  // False for a format that is listed but cannot be decoded on this platform.
  bool can_decode = true;
  // Encodes an image of one of `write_depths`; null for a format the program does not write.
  // Throws the format's ImageError class.
  std::vector<std::uint8_t> (*write)(const Raster& image, const WriteOptions& options) = nullptr;
  // The colour depths `write` stores; an image of another depth is converted to the first,
  // to gray rather than colour when `write_gray`.
  std::span<const int> write_depths{};
  bool write_gray = false;
  // The format's name in the messages of a save, when it is not the row's description.
  std::string_view write_name{};
};

// How a row of the registry is used besides reading.
enum FormatUse : unsigned {
  kReadOnly = 0,
  kWritten = 1,  // FindWriter finds it (its codec writes)
  kOffered = 2,  // the file chooser's filter (ImageFileFilter) lists it
};

// One row of the registry: an extension, its description and the codec that handles it.
struct ImageFormat {
  std::string_view extension{};  // lower case, no dot
  std::string_view description{};
  const Codec* codec = nullptr;
  unsigned uses = kReadOnly;

  bool HasSignature() const { return codec->signature != nullptr; }
  bool IsSignature(std::span<const std::uint8_t> head) const {
    return HasSignature() && codec->signature(head);
  }
  Raster Read(std::span<const std::uint8_t> data, int index, const ReadOptions& options) const {
    return codec->read(data, index, options);
  }
  ImageInfo Info(std::span<const std::uint8_t> data, int index) const {
    return codec->info(data, index);
  }
  bool CanDecode() const { return codec->can_decode; }
  bool Writes() const { return (uses & kWritten) != 0; }
  std::vector<std::uint8_t> Write(const Raster& image, const WriteOptions& options) const {
    return codec->write(image, options);
  }
  // The description as the messages of a save name the format.
  std::string_view WriteDescription() const {
    return codec->write_name.empty() ? description : codec->write_name;
  }
};

// Every format, in registry order: the order in which signature tests are tried.
std::span<const ImageFormat> ImageFormats();

// The format of a file: the first whose signature test accepts `head` (the file's first
// bytes); failing that, the first without a signature test whose extension equals `extension`
// (one leading "." dropped, case ignored). Null when none fits.
const ImageFormat* ChooseReader(std::span<const std::uint8_t> head, std::string_view extension);

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
  const ImageFormat* reader = nullptr;  // for a Picture
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

// The written format whose extension equals `extension` (one leading "." dropped, case ignored),
// or null.
const ImageFormat* FindWriter(std::string_view extension);

// The file-type filter of the format-aware file chooser: "Image files" with every offered
// extension, then one entry per offered format ("BMP - Bitmap|*.bmp"), both by extension, and
// "All files".
std::string_view ImageFileFilter();

}  // namespace parvel
