// The thumbnail grid's memory cache: a fixed number of thumbnails, overwritten oldest first. It
// knows a source file by its exact path together with its size and modification time, so a
// photograph rewritten on disk gets a fresh thumbnail and "A.jpg" and "a.jpg" are two files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "imaging/raster.h"

namespace parvel {

// A source file as the cache knows it: its exact path and the state it was in.
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

}  // namespace parvel
