#include "model/buildrecord.h"

#include <cstdio>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "base/textutil.h"
#include "model/paths.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

constexpr std::string_view kFolderLine = "folder ";
constexpr std::string_view kSitePrefix = "build-site-";
constexpr std::string_view kRotationPart = "-rotation-";
constexpr std::string_view kExtension = ".txt";
// A record larger than this is no record of ours.
constexpr std::uint64_t kMaxRecordBytes = std::uint64_t{1} << 30;

std::string Escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '%') {
      out += "%25";
    } else if (c == '\n') {
      out += "%0A";
    } else if (c == '\r') {
      out += "%0D";
    } else {
      out += c;
    }
  }
  return out;
}

std::string Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const std::string_view code = text.substr(i, 3);
    if (code == "%25" || code == "%0A" || code == "%0D") {
      out += code == "%25" ? '%' : code == "%0A" ? '\n' : '\r';
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A site key as part of a file name: lower-cased (keys match without regard to case), and every
// byte but letters, digits and "_" written as "%" and two hex digits, so that no key can reach
// another key's records or leave the folder.
std::string KeyPart(const std::string& site_key) {
  std::string out;
  for (const char c : LowerAscii(site_key)) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_') {
      out += c;
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", u);
      out += hex;
    }
  }
  return out;
}

// FNV-1a, 64 bits: only tells one folder's file name from another's; the record names its
// folder inside, so a clash reads as another folder's record.
std::uint64_t Digest(std::string_view text) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ull;
  }
  return hash;
}

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

// Makes `folder` (ending in "/") and its missing parents.
bool MakeFolders(const std::string& folder, std::string* error) {
  if (folder.size() <= 1 || DirectoryExists(folder)) return true;
  const std::string path = folder.substr(0, folder.size() - 1);
  const size_t slash = path.rfind('/');
  if (slash != std::string::npos && !MakeFolders(path.substr(0, slash + 1), error)) return false;
  return Files().CreateDirectory(path, error) || DirectoryExists(folder);
}

}  // namespace

std::string BuildRecordFolder() {
  return DataDirectory() + "records/";
}

std::string BuildRecordPath(const std::string& site_key, int rotation) {
  return BuildRecordFolder() + std::string(kSitePrefix) + KeyPart(site_key) +
         std::string(kRotationPart) + std::to_string(rotation) + std::string(kExtension);
}

std::string FolderBuildRecordPath(const std::string& folder) {
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx",
                static_cast<unsigned long long>(Digest(WithSeparator(folder))));
  return BuildRecordFolder() + "build-folder-" + hex + std::string(kExtension);
}

std::vector<std::string> SiteBuildRecordPaths(const std::string& site_key) {
  const std::string prefix =
      std::string(kSitePrefix) + KeyPart(site_key) + std::string(kRotationPart);
  std::vector<DirectoryEntry> entries;
  Files().ListDirectory(BuildRecordFolder(), &entries, nullptr);
  std::vector<std::string> paths;
  for (const auto& entry : entries) {
    if (!entry.name.starts_with(prefix) || !entry.name.ends_with(kExtension)) continue;
    const std::string number =
        entry.name.substr(prefix.size(), entry.name.size() - prefix.size() - kExtension.size());
    const auto rotation = ParseInt(number);
    if (rotation && *rotation >= 1 && std::to_string(*rotation) == number) {
      paths.push_back(BuildRecordFolder() + entry.name);
    }
  }
  return paths;
}

BuildRecord::BuildRecord(std::string record_file, std::string folder)
    : file_(std::move(record_file)), folder_(WithSeparator(std::move(folder))) {}

bool BuildRecord::Read(std::set<std::string>* entries) const {
  entries->clear();
  if (!PathExists(file_)) return true;
  std::string text;
  if (!ReadPlainFile(file_, kMaxRecordBytes, &text)) return false;
  size_t at = 0;
  int line_number = 0;
  bool ours = true;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string_view line(text.data() + at, end - at);
    at = end + 1;
    ++line_number;
    if (line_number == 1) {
      if (line != kBuildRecordHeader) return false;
    } else if (line_number == 2) {
      if (!line.starts_with(kFolderLine)) return false;
      ours = Unescape(line.substr(kFolderLine.size())) == folder_;
    } else if (ours && !line.empty()) {
      entries->insert(Unescape(line));
    }
  }
  if (line_number < 2) return false;
  if (!ours) entries->clear();
  return true;
}

bool BuildRecord::Load() {
  if (Read(&entries_)) return true;
  entries_.clear();
  return false;
}

std::string BuildRecord::Relative(const std::string& path) const {
  if (path.size() <= folder_.size() || !path.starts_with(folder_)) return {};
  return path.substr(folder_.size());
}

bool BuildRecord::Holds(const std::string& path) const {
  const std::string relative = Relative(path);
  return !relative.empty() && entries_.contains(relative);
}

void BuildRecord::Add(const std::string& path) {
  std::string relative = Relative(path);
  if (!relative.empty()) entries_.insert(std::move(relative));
}

void BuildRecord::DropMissing() {
  // One listing per folder rather than one look per file (a record holds thousands); a name the
  // listing lacks, or a link, is looked at on its own.
  std::unordered_map<std::string, std::unordered_set<std::string>> listed;  // folder -> names
  std::erase_if(entries_, [&](const std::string& relative) {
    const std::size_t slash = relative.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : relative.substr(0, slash + 1);
    const auto [names, fresh] = listed.try_emplace(folder);
    if (fresh) {
      std::vector<DirectoryEntry> entries;
      if (Files().ListDirectory(folder_ + folder, &entries, nullptr)) {
        for (DirectoryEntry& entry : entries) {
          if (!entry.is_link) names->second.insert(std::move(entry.name));
        }
      }
    }
    return !names->second.contains(relative.substr(folder.size())) &&
           !PathExists(folder_ + relative);
  });
}

bool BuildRecord::Save(std::string* error) {
  // One that cannot be read is replaced: it can only make the next build ask more.
  std::set<std::string> on_disk;
  const bool readable = Read(&on_disk);
  if (!readable) on_disk.clear();
  // What a build of the same folder recorded meanwhile stays, while its files are there.
  // Only those this build does not hold are looked for: a record of thousands of files is
  // stored after every pass.
  for (const std::string& relative : on_disk) {
    if (!entries_.contains(relative) && PathExists(folder_ + relative)) entries_.insert(relative);
  }
  if (readable && entries_ == on_disk && PathExists(file_)) return true;
  if (entries_.empty() && !PathExists(file_)) return true;
  std::string text =
      std::string(kBuildRecordHeader) + "\n" + std::string(kFolderLine) + Escape(folder_) + "\n";
  for (const std::string& relative : entries_) text += Escape(relative) + "\n";
  if (!MakeFolders(BuildRecordFolder(), error)) return false;
  return Files().WriteFileAtomic(file_, text, error);
}

}  // namespace parvel
