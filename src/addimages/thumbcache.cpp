#include "addimages/thumbcache.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <span>
#include <system_error>

#include "base/fileparts.h"
#include "base/textutil.h"
#include "imaging/registry.h"
#include "imaging/resample.h"
#include "platform/filesystem.h"

namespace parvel {

namespace {

constexpr int kAdditionsBeforeIndexWrite = 30;

std::string WithSeparator(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

// The pixels of a cache file, always 24-bit; nullopt when it cannot be read.
std::optional<Raster> LoadImageFile(const std::string& path) {
  std::string data;
  if (!ReadWholeFile(path, &data, std::uint64_t{64} << 20)) return std::nullopt;
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(data.data()),
                                            data.size());
  try {
    const ImageFormat* reader =
        ChooseReader(bytes.first(std::min(bytes.size(), kSignatureBytes)), ExtensionPart(path));
    if (reader == nullptr) return std::nullopt;
    Raster image = reader->Read(bytes, 0, ReadOptions{});
    if (image.width <= 0 || image.height <= 0) return std::nullopt;
    if (image.bits != 24) {
      Raster converted;
      converted.Allocate(image.width, image.height, 24);
      Resample(image, converted, ResampleFilter::Nearest);
      image = std::move(converted);
    }
    return image;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// An index line: the path, then a tab, the size, a tab and the modification time. The path is
// found from the end, so a path holding a tab still reads back.
std::string IndexLine(const SourceStamp& stamp) {
  return stamp.path + '\t' + std::to_string(stamp.size) + '\t' + std::to_string(stamp.mtime_ns);
}

std::optional<SourceStamp> ParseIndexLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const auto second = line.rfind('\t');
  if (second == std::string_view::npos || second == 0) return std::nullopt;
  const auto first = line.rfind('\t', second - 1);
  if (first == std::string_view::npos || first == 0) return std::nullopt;
  SourceStamp stamp;
  stamp.path = std::string(line.substr(0, first));
  const std::string_view size = line.substr(first + 1, second - first - 1);
  const std::string_view mtime = line.substr(second + 1);
  if (std::from_chars(size.data(), size.data() + size.size(), stamp.size).ec != std::errc() ||
      std::from_chars(mtime.data(), mtime.data() + mtime.size(), stamp.mtime_ns).ec !=
          std::errc()) {
    return std::nullopt;
  }
  return stamp;
}

}  // namespace

std::optional<SourceStamp> StampFile(const std::string& path) {
  const std::optional<FileStamp> stamp = StampOf(path);
  if (!stamp) return std::nullopt;
  return SourceStamp{path, stamp->size, stamp->modified_ns};
}

// --- Memory cache ---

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

// --- Cache file names ---

std::string ThumbCacheFileName(std::string_view path, std::string_view save_format) {
  std::uint32_t h1 = 0;
  std::uint32_t sum = 0;
  if (!path.empty()) {
    h1 = static_cast<std::uint8_t>(path[0]);
    for (std::size_t i = 1; i < path.size(); ++i) {
      h1 = h1 * 31u + static_cast<std::uint8_t>(path[i]);
    }
    // Words of four bytes from the end backwards; the word nearest the start has zero bytes in
    // front of the path's first bytes.
    std::size_t end = path.size();
    while (end > 0) {
      const std::size_t begin = end >= 4 ? end - 4 : 0;
      std::uint8_t word[4] = {0, 0, 0, 0};
      const std::size_t count = end - begin;
      for (std::size_t i = 0; i < count; ++i) {
        word[4 - count + i] = static_cast<std::uint8_t>(path[begin + i]);
      }
      sum += static_cast<std::uint32_t>(word[0]) | static_cast<std::uint32_t>(word[1]) << 8 |
             static_cast<std::uint32_t>(word[2]) << 16 | static_cast<std::uint32_t>(word[3]) << 24;
      end = begin;
    }
  }
  h1 &= 0x07FFFFFFu;
  const std::uint32_t h2 = (sum >> 16) ^ (sum & 0xFFFFu);
  return "~x" + std::to_string(h1) + "F" + std::to_string(h2) + std::string(save_format);
}

// --- Disk cache ---

ThumbDiskCache::~ThumbDiskCache() {
  const std::lock_guard lock(mutex_);
  if (!directory_.empty()) WriteIndexLocked();
}

bool ThumbDiskCache::SetDirectory(const std::string& directory, std::string* error) {
  const std::lock_guard lock(mutex_);
  if (directory.empty()) {
    if (!directory_.empty()) WriteIndexLocked();
    directory_.clear();
    index_.clear();
    additions_ = 0;
    return true;
  }
  if (!DirectoryExists(directory)) {
    if (error) *error = std::string(kNoCacheDirectoryError);
    return false;
  }
  const std::string dir = WithSeparator(directory);
  if (EqualsNoCase(dir, directory_)) {
    directory_ = dir;
    return true;
  }
  if (!directory_.empty()) WriteIndexLocked();
  directory_ = dir;
  index_.clear();
  additions_ = 0;
  ReadIndexLocked();
  return true;
}

std::string ThumbDiskCache::directory() const {
  const std::lock_guard lock(mutex_);
  return directory_;
}

void ThumbDiskCache::SetMaxCount(int count) {
  const std::lock_guard lock(mutex_);
  max_count_ = std::max(count, 0);
}

int ThumbDiskCache::max_count() const {
  const std::lock_guard lock(mutex_);
  return max_count_;
}

void ThumbDiskCache::SetSaveFormat(const std::string& format) {
  const std::lock_guard lock(mutex_);
  save_format_ = format;
}

std::string ThumbDiskCache::save_format() const {
  const std::lock_guard lock(mutex_);
  return save_format_;
}

bool ThumbDiskCache::enabled() const {
  const std::lock_guard lock(mutex_);
  return max_count_ > 0 && !directory_.empty();
}

void ThumbDiskCache::ReadIndexLocked() {
  std::string text;
  if (!ReadPlainFile(directory_ + std::string(kThumbCacheIndexName), std::uint64_t{16} << 20,
                     &text)) {
    return;
  }
  ForEachLine(text, [&](std::string_view line) {
    // A line without its size and time names a source of unknown age: its file is left to be
    // replaced, never trusted.
    if (auto stamp = ParseIndexLine(line)) index_.push_back(std::move(*stamp));
  });
}

bool ThumbDiskCache::WriteIndexLocked() {
  additions_ = 0;
  const std::string path = directory_ + std::string(kThumbCacheIndexName);
  std::string error;
  if (index_.empty()) {
    return !FileExists(path) || Files().Remove(path, &error);
  }
  std::string text;
  for (const auto& stamp : index_) text += IndexLine(stamp) + "\n";
  return Files().WriteFileReplace(path, text, &error);
}

bool ThumbDiskCache::WriteIndex() {
  const std::lock_guard lock(mutex_);
  if (directory_.empty()) return false;
  return WriteIndexLocked();
}

std::optional<Raster> ThumbDiskCache::Load(const SourceStamp& stamp) {
  std::string file;
  {
    const std::lock_guard lock(mutex_);
    if (max_count_ <= 0 || directory_.empty()) return std::nullopt;
    const auto found = std::find(index_.begin(), index_.end(), stamp);
    if (found == index_.end()) return std::nullopt;
    std::rotate(found, found + 1, index_.end());
    file = directory_ + ThumbCacheFileName(stamp.path, save_format_);
  }
  auto image = LoadImageFile(file);
  if (!image) {
    const std::lock_guard lock(mutex_);
    std::erase(index_, stamp);
  }
  return image;
}

bool ThumbDiskCache::Add(const SourceStamp& stamp, const Raster& image) {
  std::string format;
  {
    const std::lock_guard lock(mutex_);
    if (max_count_ <= 0 || directory_.empty()) return false;
    format = save_format_;
  }
  const ImageFormat* writer = FindWriter(format);
  if (writer == nullptr) return false;
  std::vector<std::uint8_t> data;
  try {
    WriteOptions options;
    options.jpeg_quality = 90;
    data = writer->Write(image, options);
  } catch (const std::exception&) {
    return false;
  }
  const std::lock_guard lock(mutex_);
  if (max_count_ <= 0 || directory_.empty() || format != save_format_) return false;
  const std::string name = ThumbCacheFileName(stamp.path, save_format_);
  std::string error;
  if (!Files().WriteFileReplace(
          directory_ + name,
          std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), &error)) {
    return false;
  }
  // One entry per cache file: an older thumbnail of this path, or of another path whose name
  // hashes alike, has just been overwritten.
  std::erase_if(index_, [&](const SourceStamp& entry) {
    return ThumbCacheFileName(entry.path, save_format_) == name;
  });
  index_.push_back(stamp);
  while (static_cast<int>(index_.size()) > max_count_) {
    const std::string oldest = directory_ + ThumbCacheFileName(index_.front().path, save_format_);
    if (FileExists(oldest)) Files().Remove(oldest, &error);
    index_.erase(index_.begin());
  }
  if (++additions_ > kAdditionsBeforeIndexWrite) WriteIndexLocked();
  return true;
}

std::vector<std::string> ThumbDiskCache::IndexedPaths() const {
  const std::lock_guard lock(mutex_);
  std::vector<std::string> paths;
  for (const auto& stamp : index_) paths.push_back(stamp.path);
  return paths;
}

}  // namespace parvel
