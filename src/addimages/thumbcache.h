// The thumbnail grid's two caches: a fixed number of thumbnails in memory, overwritten oldest
// first, and a folder of thumbnail files with its index "~cche.idx". Both know a source file by
// its exact path together with its size and modification time, so a photograph rewritten on
// disk gets a fresh thumbnail and "A.jpg" and "a.jpg" are two files.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "imaging/raster.h"

namespace parvel {

// A source file as the caches know it: its exact path and the state it was in.
struct SourceStamp {
  std::string path;
  std::uint64_t size = 0;
  std::int64_t mtime_ns = 0;  // since the Unix epoch
  friend bool operator==(const SourceStamp&, const SourceStamp&) = default;
};

// The stamp of the file at `path`; nullopt when it is not a readable regular file.
std::optional<SourceStamp> StampFile(const std::string& path);

// The memory cache: `count` thumbnails; a new one takes the next slot, wrapping to slot 0 after
// the last, so the oldest entry is overwritten. A slot never used is named "nil". Not
// thread-safe: the window's thread alone uses it.
class ThumbMemoryCache {
 public:
  explicit ThumbMemoryCache(int count = 100);
  // Empties every slot and sets their number (0 turns the cache off).
  void Resize(int count);
  int slot_count() const { return static_cast<int>(names_.size()); }
  int next_slot() const { return next_; }
  const std::string& SlotName(int slot) const { return names_[slot]; }

  // The thumbnail of exactly this file, or null.
  const Raster* Find(const SourceStamp& stamp) const;
  // Stores a thumbnail in the next slot and returns the slot (-1 when the cache is off). An
  // older thumbnail of the same path is dropped first.
  int Store(const SourceStamp& stamp, Raster image);

 private:
  std::vector<std::string> names_;
  std::vector<SourceStamp> stamps_;
  std::vector<Raster> images_;
  std::unordered_map<std::string, int> by_path_;
  int next_ = 0;
};

// The cache file name of a source path: "~x" h1 "F" h2 followed by `save_format` (".jpg"), h1 a
// 31-multiplier hash of the bytes kept to 27 bits, h2 the folded sum of the path's
// little-endian 32-bit words counted from its end. "A" gives "~x65F16640.jpg".
std::string ThumbCacheFileName(std::string_view path, std::string_view save_format);

inline constexpr std::string_view kThumbCacheIndexName = "~cche.idx";
inline constexpr std::string_view kNoCacheDirectoryError = "Directory does no exist!";

// The disk cache: thumbnail files in one directory and the index of their sources, oldest
// first, at most `max_count` entries. Off while the directory is empty or the count is 0. Safe
// to use from several threads at once.
class ThumbDiskCache {
 public:
  ThumbDiskCache() = default;
  // Writes the index (or deletes it when empty).
  ~ThumbDiskCache();
  ThumbDiskCache(const ThumbDiskCache&) = delete;
  ThumbDiskCache& operator=(const ThumbDiskCache&) = delete;

  // Uses `directory` (kept with a trailing separator; empty turns the cache off). A directory
  // other than the current one (letter case ignored) has its index read when there is one. A
  // directory that does not exist is refused with kNoCacheDirectoryError, keeping the old one.
  bool SetDirectory(const std::string& directory, std::string* error);
  std::string directory() const;
  void SetMaxCount(int count);
  int max_count() const;
  // The extension, and so the file format, of the cache files (".jpg").
  void SetSaveFormat(const std::string& format);
  std::string save_format() const;
  bool enabled() const;

  // The cached thumbnail of exactly this file; a hit becomes the most recently used entry. An
  // entry whose file cannot be loaded is dropped and counts as a miss.
  std::optional<Raster> Load(const SourceStamp& stamp);
  // Saves a thumbnail and appends its entry (replacing one of the same cache file name). When
  // the index then holds more than max_count entries, the oldest entries and their files go.
  // After more than 30 additions since the last write, the index is written. False when the
  // file could not be saved (the entry is not added).
  bool Add(const SourceStamp& stamp, const Raster& image);
  // Writes the index, or deletes an existing index file when the index is empty.
  bool WriteIndex();

  // The indexed sources, oldest first.
  std::vector<std::string> IndexedPaths() const;

 private:
  bool WriteIndexLocked();
  void ReadIndexLocked();

  mutable std::mutex mutex_;
  std::string directory_;
  int max_count_ = 300;
  std::string save_format_ = ".jpg";
  std::vector<SourceStamp> index_;
  int additions_ = 0;
};

}  // namespace parvel
