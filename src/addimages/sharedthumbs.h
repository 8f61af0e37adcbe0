// The desktop's shared thumbnail cache, the one file managers use: PNG files under
// $XDG_CACHE_HOME/thumbnails (by default ~/.cache/thumbnails), in "normal" (at most 128 pixels)
// and "large" (256), each named by the MD5 of the source's file URI in lower-case hex, and
// carrying the text keys Thumb::URI and Thumb::MTime (the source's modification time in whole
// seconds). A thumbnail is fresh when both keys match the source as it is now.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "imaging/raster.h"

namespace parvel {

enum class SharedThumbSize { Normal = 128, Large = 256 };

// The file URI of an absolute path as GLib (and so every file manager) writes it:
// "/home/a b(1).jpg" gives "file:///home/a%20b(1).jpg". Empty for a relative path.
std::string FileUri(const std::string& absolute_path);

// The 32 lower-case hex digits of the MD5 of `text`.
std::string Md5Hex(const std::string& text);

class SharedThumbnailCache {
 public:
  // The cache under `root` (the "thumbnails" folder itself).
  explicit SharedThumbnailCache(std::string root);
  // $XDG_CACHE_HOME/thumbnails, or $HOME/.cache/thumbnails; empty when neither is set.
  static std::string DefaultRoot();

  const std::string& root() const { return root_; }
  // Where the thumbnail of `source` (an absolute path) of that size lives.
  std::string ThumbnailPath(const std::string& source, SharedThumbSize size) const;

  // The fresh thumbnail of `source` as 24-bit pixels (transparency laid on white, any depth
  // read); nullopt when there is none, it is stale, or it cannot be read.
  std::optional<Raster> Read(const std::string& source, std::int64_t mtime_seconds,
                             SharedThumbSize size) const;
  // Writes `thumb` (no side above the size) as the thumbnail of `source`, an 8-bit RGBA PNG of
  // mode 0600, creating the folders (private to the user) as needed; the file appears whole or
  // not at all. A fresh thumbnail already there (another program's, of any depth) is kept, and
  // files inside the cache itself are never given thumbnails. False when nothing was written.
  bool Write(const std::string& source, std::int64_t mtime_seconds, SharedThumbSize size,
             const Raster& thumb) const;

 private:
  std::string root_;
};

}  // namespace parvel
