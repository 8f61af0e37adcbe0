#include "addimages/thumbcache.h"

#include <algorithm>

#include "platform/filesystem.h"

namespace parvel {

std::optional<SourceStamp> StampFile(const std::string& path) {
  const std::optional<FileStamp> stamp = StampOf(path);
  if (!stamp) return std::nullopt;
  return SourceStamp{path, stamp->size, stamp->modified_ns};
}

ThumbMemoryCache::ThumbMemoryCache(int count) {
  Resize(count);
}

void ThumbMemoryCache::Resize(int count) {
  const auto slots = static_cast<std::size_t>(std::max(count, 0));
  names_.assign(slots, "nil");
  stamps_.assign(slots, SourceStamp{});
  images_.assign(slots, Raster{});
  by_path_.clear();
  next_ = 0;
}

const Raster* ThumbMemoryCache::Find(const SourceStamp& stamp) const {
  const auto found = by_path_.find(stamp.path);
  if (found == by_path_.end()) return nullptr;
  const auto slot = static_cast<std::size_t>(found->second);
  return stamps_[slot] == stamp ? &images_[slot] : nullptr;
}

int ThumbMemoryCache::Store(const SourceStamp& stamp, Raster image) {
  if (names_.empty()) return -1;
  if (const auto old = by_path_.find(stamp.path); old != by_path_.end()) {
    const auto slot = static_cast<std::size_t>(old->second);
    names_[slot] = "nil";
    stamps_[slot] = SourceStamp{};
    images_[slot] = Raster{};
    by_path_.erase(old);
  }
  const int slot = next_;
  const auto s = static_cast<std::size_t>(slot);
  if (names_[s] != "nil" || !stamps_[s].path.empty()) by_path_.erase(stamps_[s].path);
  names_[s] = stamp.path;
  stamps_[s] = stamp;
  images_[s] = std::move(image);
  by_path_[stamp.path] = slot;
  next_ = (next_ + 1) % slot_count();
  return slot;
}

}  // namespace parvel
