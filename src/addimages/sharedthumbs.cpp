#include "addimages/sharedthumbs.h"

#include <glib.h>
#include <openssl/evp.h>
#include <png.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <span>
#include <string_view>
#include <vector>

#include "imaging/convert.h"
#include "imaging/registry.h"
#include "platform/filesystem.h"

namespace parvel {

namespace {

constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1a\n";
constexpr std::string_view kUriKey = "Thumb::URI";
constexpr std::string_view kMTimeKey = "Thumb::MTime";
constexpr std::uint64_t kLargestThumbnailFile = 8u << 20;

std::uint32_t ReadBigEndian(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at])) << 24 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 1])) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 2])) << 8 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 3]));
}

void AppendBigEndian(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value >> 24);
  out += static_cast<char>(value >> 16);
  out += static_cast<char>(value >> 8);
  out += static_cast<char>(value);
}

// The uncompressed text keys of a PNG file (tEXt, and iTXt without compression), read from its
// chunks; a damaged file gives what was found before the damage.
std::vector<std::pair<std::string, std::string>> PngTexts(std::string_view png) {
  std::vector<std::pair<std::string, std::string>> texts;
  if (!png.starts_with(kPngSignature)) return texts;
  std::size_t at = kPngSignature.size();
  while (at + 12 <= png.size()) {
    const std::uint32_t length = ReadBigEndian(png, at);
    if (length > png.size() - at - 12) break;
    const std::string_view type = png.substr(at + 4, 4);
    const std::string_view data = png.substr(at + 8, length);
    const auto nul = data.find('\0');
    if (type == "tEXt" && nul != std::string_view::npos) {
      texts.emplace_back(data.substr(0, nul), data.substr(nul + 1));
    } else if (type == "iTXt" && nul != std::string_view::npos && nul + 2 < data.size() &&
               data[nul + 1] == 0) {
      // keyword, 0, compression flag, method, language tag, 0, translated keyword, 0, text
      std::string_view rest = data.substr(nul + 3);
      const auto language_end = rest.find('\0');
      if (language_end != std::string_view::npos) {
        rest.remove_prefix(language_end + 1);
        const auto translated_end = rest.find('\0');
        if (translated_end != std::string_view::npos) {
          texts.emplace_back(data.substr(0, nul), rest.substr(translated_end + 1));
        }
      }
    } else if (type == "IEND") {
      break;
    }
    at += 12 + length;
  }
  return texts;
}

// A tEXt chunk with its length and CRC.
std::string TextChunk(std::string_view key, std::string_view value) {
  std::string body = "tEXt";
  body += key;
  body += '\0';
  body += value;
  std::string chunk;
  AppendBigEndian(chunk, static_cast<std::uint32_t>(body.size() - 4));
  chunk += body;
  AppendBigEndian(chunk, static_cast<std::uint32_t>(crc32(
                             crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(body.data()),
                             static_cast<uInt>(body.size()))));
  return chunk;
}

// Whether a thumbnail file's keys name `uri` and its modification time.
bool IsFresh(std::string_view png, const std::string& uri, std::int64_t mtime_seconds) {
  bool uri_matches = false;
  bool mtime_matches = false;
  for (const auto& [key, value] : PngTexts(png)) {
    if (key == kUriKey) uri_matches = value == uri;
    if (key == kMTimeKey) mtime_matches = value == std::to_string(mtime_seconds);
  }
  return uri_matches && mtime_matches;
}

// A 24-bit image as an 8-bit RGBA PNG (fully opaque), the form the cache asks for; empty when
// libpng fails.
std::string RgbaPng(const Raster& image) {
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(image.width) *
                                 static_cast<std::size_t>(image.height) * 4);
  std::size_t at = 0;
  for (std::int32_t y = 0; y < image.height; ++y) {
    const std::uint8_t* row = image.Row(y);
    for (std::int32_t x = 0; x < image.width; ++x, at += 4) {
      std::copy_n(row + 3 * static_cast<std::size_t>(x), 3, rgba.begin() + static_cast<long>(at));
      rgba[at + 3] = 255;
    }
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&png, nullptr, &size, 0, rgba.data(), 0, nullptr)) return {};
  std::string out(size, '\0');
  if (!png_image_write_to_memory(&png, out.data(), &size, 0, rgba.data(), 0, nullptr)) return {};
  out.resize(size);
  return out;
}

// Creates `path` (and any missing folder above it) readable by the user alone.
bool MakePrivateDirectory(const std::string& path) {
  if (DirectoryExists(path)) return true;
  const auto slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakePrivateDirectory(path.substr(0, slash))) {
    return false;
  }
  std::string error;
  if (!Files().CreateDirectory(path, &error)) return DirectoryExists(path);
  ::chmod(path.c_str(), 0700);
  return true;
}

}  // namespace

std::string FileUri(const std::string& absolute_path) {
  // The file managers' own spelling: GLib's, which leaves the characters a path may hold
  // unescaped ("IMG (1).jpg" keeps its parentheses).
  gchar* uri = g_filename_to_uri(absolute_path.c_str(), nullptr, nullptr);
  if (uri == nullptr) return {};
  std::string text(uri);
  g_free(uri);
  return text;
}

std::string Md5Hex(const std::string& text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr) != 1) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return hex;
}

SharedThumbnailCache::SharedThumbnailCache(std::string root) : root_(std::move(root)) {
  if (!root_.empty() && root_.back() != '/') root_ += '/';
}

std::string SharedThumbnailCache::DefaultRoot() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache != nullptr && cache[0] == '/') return std::string(cache) + "/thumbnails/";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.cache/thumbnails/";
  return {};
}

std::string SharedThumbnailCache::ThumbnailPath(const std::string& source,
                                                SharedThumbSize size) const {
  return root_ + (size == SharedThumbSize::Normal ? "normal/" : "large/") +
         Md5Hex(FileUri(source)) + ".png";
}

std::optional<Raster> SharedThumbnailCache::Read(const std::string& source,
                                                 std::int64_t mtime_seconds,
                                                 SharedThumbSize size) const {
  if (root_.empty()) return std::nullopt;
  const std::string uri = FileUri(source);
  if (uri.empty()) return std::nullopt;
  std::string png;
  if (!ReadPlainFile(ThumbnailPath(source, size), kLargestThumbnailFile, &png)) {
    return std::nullopt;
  }
  if (!IsFresh(png, uri, mtime_seconds)) return std::nullopt;
  try {
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(png.data()),
                                              png.size());
    const ImageFormat* reader =
        ChooseReader(bytes.first(std::min(bytes.size(), kSignatureBytes)), "png");
    if (reader == nullptr || reader->extension != "png") return std::nullopt;
    Raster image = reader->Read(bytes, 0, {});
    if (image.width <= 0 || image.height <= 0) return std::nullopt;
    // Other programs write grey, palette and 16-bit thumbnails too.
    if (image.bits != 24) image = ToBits24(image);
    return image;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

bool SharedThumbnailCache::Write(const std::string& source, std::int64_t mtime_seconds,
                                 SharedThumbSize size, const Raster& thumb) const {
  if (root_.empty() || source.starts_with(root_)) return false;
  const std::string uri = FileUri(source);
  if (uri.empty()) return false;
  const int side = static_cast<int>(size);
  if (thumb.width <= 0 || thumb.height <= 0 || thumb.width > side || thumb.height > side) {
    return false;
  }
  const std::string path = ThumbnailPath(source, size);
  // A fresh thumbnail is kept, whoever wrote it and whatever its depth.
  if (std::string old;
      ReadPlainFile(path, kLargestThumbnailFile, &old) && IsFresh(old, uri, mtime_seconds)) {
    return false;
  }
  std::string png = RgbaPng(thumb.bits == 24 ? thumb : ToBits24(thumb));
  // The keys go right after the header chunk (signature, then IHDR of 25 bytes).
  const std::size_t after_header = kPngSignature.size() + 25;
  if (png.size() < after_header || !png.starts_with(kPngSignature)) return false;
  png.insert(after_header, TextChunk(kUriKey, uri) +
                               TextChunk(kMTimeKey, std::to_string(mtime_seconds)) +
                               TextChunk("Software", "Parvel Pro"));
  if (!MakePrivateDirectory(root_.substr(0, root_.size() - 1))) return false;
  const std::string folder =
      root_ + (size == SharedThumbSize::Normal ? std::string("normal") : std::string("large"));
  if (!MakePrivateDirectory(folder)) return false;
  // Written beside and renamed over, readable by the user alone.
  GError* error = nullptr;
  const bool written =
      g_file_set_contents_full(path.c_str(), png.data(), static_cast<gssize>(png.size()),
                               G_FILE_SET_CONTENTS_CONSISTENT, 0600, &error) != FALSE;
  if (error != nullptr) g_error_free(error);
  return written;
}

}  // namespace parvel
