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

class EPixelGraphic : public std::runtime_error {
 public:
  explicit EPixelGraphic(const std::string& message) : std::runtime_error(message) {}
};

#define PARVEL_PG_ERROR(Name)                                             \
  class Name : public EPixelGraphic {                                     \
   public:                                                                \
    explicit Name(const std::string& message) : EPixelGraphic(message) {} \
  };

// Errors of the image layer itself; the texts are made by the functions below.
PARVEL_PG_ERROR(EPGUnknownFileFormat)         // "Unknown file format"
PARVEL_PG_ERROR(EPGUnknownExtension)          // "Unknown file extension "%S1""
PARVEL_PG_ERROR(EPGFileFormatWritersEmpty)    // "%S1 is empty"
PARVEL_PG_ERROR(EPGCanWriteResolutionsEmpty)  // "%S1 is empty"
PARVEL_PG_ERROR(EPGCannotWriteColorRes)
PARVEL_PG_ERROR(EPGInvalidBitCountNum)  // "Invalid value for %S1"
#undef PARVEL_PG_ERROR

// A format's own error: the message is the prefix followed by the text.
#define PARVEL_PG_FORMAT_ERROR(Name, Prefix)                         \
  class Name : public EPixelGraphic {                                \
   public:                                                           \
    static constexpr std::string_view kPrefix = Prefix;              \
    explicit Name(std::string_view text)                             \
        : EPixelGraphic(std::string(kPrefix) + std::string(text)) {} \
  };

PARVEL_PG_FORMAT_ERROR(EPGBMPFileFormatReader, "BMP: ")
PARVEL_PG_FORMAT_ERROR(EPGJPGFileFormatReaderWriter, "JPG: ")
PARVEL_PG_FORMAT_ERROR(EPGPNGFileFormatReaderWriter, "PNG: ")
PARVEL_PG_FORMAT_ERROR(EPGPCXFileFormatReader, "PCX: ")
PARVEL_PG_FORMAT_ERROR(EPGPxMFileFormatReader, "PBM, PGM, PPM: ")
PARVEL_PG_FORMAT_ERROR(EPGPxMFileFormatWriter, "PBM, PGM, PPM: ")
PARVEL_PG_FORMAT_ERROR(EPGTGAFileFormatReader, "TGA: ")
PARVEL_PG_FORMAT_ERROR(EPGTIFFileFormatReader, "TIFF: ")
PARVEL_PG_FORMAT_ERROR(EPGTIFFileFormatWriter, "TIFF: ")
// Formats the fixed list names no class for; they follow the same pattern.
PARVEL_PG_FORMAT_ERROR(EPGGIFFileFormatReaderWriter, "GIF: ")
PARVEL_PG_FORMAT_ERROR(EPGICOFileFormatReader, "ICO: ")
PARVEL_PG_FORMAT_ERROR(EPGWMFFileFormatReader, "WMF: ")
PARVEL_PG_FORMAT_ERROR(EPGEMFFileFormatReader, "EMF: ")
PARVEL_PG_FORMAT_ERROR(EPGHEIFFileFormatReader, "HEIF: ")
PARVEL_PG_FORMAT_ERROR(EPGWebPFileFormatReader, "WebP: ")
PARVEL_PG_FORMAT_ERROR(EPGTGAFileFormatWriter, "TGA: ")
PARVEL_PG_FORMAT_ERROR(EPGBMPFileFormatWriter, "BMP: ")
#undef PARVEL_PG_FORMAT_ERROR

// The texts of the image layer's own errors.
inline EPGUnknownFileFormat UnknownFileFormatError() {
  return EPGUnknownFileFormat("Unknown file format");
}
inline EPGUnknownExtension UnknownExtensionError(std::string_view extension) {
  return EPGUnknownExtension("Unknown file extension \"" + std::string(extension) + "\"");
}
inline EPGFileFormatWritersEmpty FileFormatWritersEmptyError() {
  return EPGFileFormatWritersEmpty("FileFormatWriters is empty");
}
inline EPGCanWriteResolutionsEmpty CanWriteResolutionsEmptyError() {
  return EPGCanWriteResolutionsEmpty("CanWriteResolutions is empty");
}
// `format` is the writer's description, `depth` the name of the image's colour resolution.
inline EPGCannotWriteColorRes CannotWriteColorResError(std::string_view format,
                                                       std::string_view depth) {
  return EPGCannotWriteColorRes("The graphic cannot be saved with to a " + std::string(format) +
                                " file with the current color resolution (" + std::string(depth) +
                                ")");
}
inline EPGInvalidBitCountNum InvalidBitCountNumError() {
  return EPGInvalidBitCountNum("Invalid value for BitCountNum");
}

}  // namespace parvel
