// The exception family of the image layer. Every error a reader or writer finds is raised as the
// format's own class, whose message starts with the format's prefix ("BMP: Unexpected end of
// file").
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace parvel {

// Texts the readers and writers share, after the format's prefix.
inline constexpr char kUnexpectedEnd[] = "Unexpected end of file";
inline constexpr char kImageTooLarge[] = "Image too large";
inline constexpr char kInvalidImageSize[] = "Invalid image size";
inline constexpr char kOutOfMemory[] = "Out of memory";
inline constexpr char kUnreadableFile[] = "Unreadable file";
inline constexpr char kFileTooShort[] = "The file is too short for its image size";
inline constexpr char kUnsupportedColourDepth[] = "Unsupported colour depth";
inline constexpr char kTargetSizeMismatch[] = "The target does not have the decoded size";

// "Image too large (W x H pixels)"
inline std::string TooLargeText(std::int64_t width, std::int64_t height) {
  return std::string(kImageTooLarge) + " (" + std::to_string(width) + " x " +
         std::to_string(height) + " pixels)";
}
// "Image size not allowed (W x H pixels)"
inline std::string SizeNotAllowedText(std::int64_t width, std::int64_t height) {
  return "Image size not allowed (" + std::to_string(width) + " x " + std::to_string(height) +
         " pixels)";
}
// "Cannot write N bits per pixel"
inline std::string CannotWriteBitsText(int bits) {
  return "Cannot write " + std::to_string(bits) + " bits per pixel";
}
// "No image number N"
inline std::string NoImageNumberText(int index) {
  return "No image number " + std::to_string(index);
}

class ImageError : public std::runtime_error {
 public:
  explicit ImageError(const std::string& message) : std::runtime_error(message) {}
};

#define PARVEL_IMAGE_ERROR(Name)                                       \
  class Name : public ImageError {                                     \
   public:                                                             \
    explicit Name(const std::string& message) : ImageError(message) {} \
  };

// Errors of the image layer itself; the texts are made by the functions below.
PARVEL_IMAGE_ERROR(UnknownFileFormat)  // "Unknown file format"
PARVEL_IMAGE_ERROR(UnknownExtension)   // "Unknown file extension "%S1""
PARVEL_IMAGE_ERROR(WriteDepthsEmpty)   // "%S1 is empty"
PARVEL_IMAGE_ERROR(CannotWriteColorRes)
PARVEL_IMAGE_ERROR(InvalidBitCountNum)  // "Invalid value for %S1"
#undef PARVEL_IMAGE_ERROR

// A format's own error: the message is the prefix followed by the text.
#define PARVEL_FORMAT_ERROR(Name, Prefix)                                                          \
  class Name : public ImageError {                                                                 \
   public:                                                                                         \
    static constexpr std::string_view kPrefix = Prefix;                                            \
    explicit Name(std::string_view text) : ImageError(std::string(kPrefix) + std::string(text)) {} \
  };

PARVEL_FORMAT_ERROR(BmpReadError, "BMP: ")
PARVEL_FORMAT_ERROR(JpegError, "JPG: ")
PARVEL_FORMAT_ERROR(PngError, "PNG: ")
PARVEL_FORMAT_ERROR(PcxReadError, "PCX: ")
PARVEL_FORMAT_ERROR(PnmReadError, "PBM, PGM, PPM: ")
PARVEL_FORMAT_ERROR(PnmWriteError, "PBM, PGM, PPM: ")
PARVEL_FORMAT_ERROR(TgaReadError, "TGA: ")
PARVEL_FORMAT_ERROR(TiffReadError, "TIFF: ")
PARVEL_FORMAT_ERROR(TiffWriteError, "TIFF: ")
PARVEL_FORMAT_ERROR(GifError, "GIF: ")
PARVEL_FORMAT_ERROR(IcoReadError, "ICO: ")
PARVEL_FORMAT_ERROR(WmfReadError, "WMF: ")
PARVEL_FORMAT_ERROR(EmfReadError, "EMF: ")
PARVEL_FORMAT_ERROR(HeifReadError, "HEIF: ")
PARVEL_FORMAT_ERROR(WebpReadError, "WebP: ")
PARVEL_FORMAT_ERROR(TgaWriteError, "TGA: ")
PARVEL_FORMAT_ERROR(BmpWriteError, "BMP: ")
#undef PARVEL_FORMAT_ERROR

// The texts of the image layer's own errors.
inline UnknownFileFormat UnknownFileFormatError() {
  return UnknownFileFormat("Unknown file format");
}
inline UnknownExtension UnknownExtensionError(std::string_view extension) {
  return UnknownExtension("Unknown file extension \"" + std::string(extension) + "\"");
}
inline WriteDepthsEmpty WriteDepthsEmptyError() {
  return WriteDepthsEmpty("CanWriteResolutions is empty");
}
// `format` is the writer's description, `depth` the name of the image's colour resolution.
inline CannotWriteColorRes CannotWriteColorResError(std::string_view format,
                                                    std::string_view depth) {
  return CannotWriteColorRes("The graphic cannot be saved with to a " + std::string(format) +
                             " file with the current color resolution (" + std::string(depth) +
                             ")");
}
inline InvalidBitCountNum InvalidBitCountNumError() {
  return InvalidBitCountNum("Invalid value for BitCountNum");
}

}  // namespace parvel
