#include "platform/nocase.h"

#include <cctype>
#include <filesystem>

#include <system_error>
#include "platform/filesystem.h"

#include "base/textutil.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

bool IsDirectory(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

}  // namespace

std::optional<std::vector<std::string_view>> RelativeParts(std::string_view ref) {
  if (!ref.empty() && (ref[0] == '/' || ref[0] == '\\')) return std::nullopt;
  if (ref.size() >= 2 && std::isalpha(static_cast<unsigned char>(ref[0])) && ref[1] == ':') {
    return std::nullopt;
  }
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= ref.size()) {
    size_t end = ref.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = ref.size();
    const std::string_view part = ref.substr(start, end - start);
    if (part == "..") {
      if (parts.empty()) return std::nullopt;
      parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  return parts;
}

std::optional<std::string> NoCaseResolver::Find(const std::string& folder,
                                                const std::vector<std::string_view>& parts) {
  if (parts.empty()) return std::nullopt;
  std::string dir = folder;
  if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';
  for (size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    auto entry = FindEntry(dir, parts[i], !last);
    if (!entry) return std::nullopt;
    if (last) return entry;
    dir = *entry + "/";
  }
  return std::nullopt;
}

std::optional<std::string> NoCaseResolver::FindEntry(const std::string& dir, std::string_view name,
                                                     bool want_directory) {
  const auto is_wanted = [&](const std::string& path) {
    return want_directory ? IsDirectory(path) : IsRegularFile(path);
  };
  const std::string exact = dir + std::string(name);
  if (is_wanted(exact)) return exact;
  const auto [first, last] = ListingOf(dir).equal_range(LowerAscii(name));
  for (auto it = first; it != last; ++it) {
    if (is_wanted(dir + it->second)) return dir + it->second;
  }
  return std::nullopt;
}

const NoCaseResolver::Listing& NoCaseResolver::ListingOf(const std::string& dir) {
  auto [slot, fresh] = listings_.try_emplace(dir);
  if (!fresh) return slot->second;
  std::vector<DirectoryEntry> entries;
  Files().ListDirectory(dir.empty() ? "." : dir, &entries, nullptr);
  for (DirectoryEntry& entry : entries) {
    slot->second.emplace(LowerAscii(entry.name), std::move(entry.name));
  }
  return slot->second;
}

std::optional<std::string> FindFileNoCase(const std::string& folder, std::string_view relative) {
  if (relative.find('\0') != std::string_view::npos) return std::nullopt;
  const auto parts = RelativeParts(relative);
  if (!parts) return std::nullopt;
  return NoCaseResolver().Find(folder, *parts);
}

}  // namespace parvel
