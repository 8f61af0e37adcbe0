#include "model/inifile.h"

#include <unordered_set>

#include "base/textutil.h"
#include "platform/filesystem.h"

namespace parvel {

bool IniFile::Load() {
  lines_.clear();
  if (!PathExists(path_)) return true;
  std::string text;
  if (!ReadWholeFile(path_, &text, kMaxFileSize)) return false;
  Parse(text);
  return true;
}

namespace {

// A line opening with "[" is a section header, unless a "=" follows its "]" (or, without a "]",
// it has a "="): that is a key whose name starts with "[", as a description file's line for an
// image named "[2019] beach.jpg" is. Read as a header it would hide every key after it.
bool IsSectionHeader(std::string_view trimmed) {
  if (trimmed.empty() || trimmed.front() != '[') return false;
  const size_t close = trimmed.find(']');
  const size_t eq = trimmed.find('=', close == std::string_view::npos ? 0 : close);
  return eq == std::string_view::npos;
}

}  // namespace

void IniFile::Parse(std::string_view text) {
  lines_.clear();
  // Lines are made in place, in a vector sized once: a file of millions of short lines must not
  // also pay for a copy of every line and for the vector's growth.
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
      ++count;
    }
  }
  lines_.reserve(count + 1);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view raw = text.substr(start, end - start);
    start = end + ((end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ? 2 : 1);

    Line& line = lines_.emplace_back();
    line.text = std::string(raw);
    const std::string trimmed = Trim(raw);
    if (IsSectionHeader(trimmed)) {
      const size_t close = trimmed.find(']');
      line.kind = Line::kSection;
      line.name = Trim(std::string_view(trimmed).substr(
          1, close == std::string::npos ? std::string::npos : close - 1));
    } else if (const size_t eq = trimmed.find('='); eq != std::string::npos && eq > 0) {
      line.kind = Line::kKey;
      line.name = Trim(std::string_view(trimmed).substr(0, eq));
      line.value = Trim(std::string_view(trimmed).substr(eq + 1));
      if (line.name.empty()) line.kind = Line::kOther;
    }
  }
}

IniFile::Range IniFile::FindSection(std::string_view section) const {
  Range range;
  const std::string wanted = Trim(section);
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == Line::kSection && EqualsNoCase(lines_[i].name, wanted)) {
      range.header = i;
      range.begin = i + 1;
      range.end = lines_.size();
      for (size_t j = i + 1; j < lines_.size(); ++j) {
        if (lines_[j].kind == Line::kSection) {
          range.end = j;
          break;
        }
      }
      return range;
    }
  }
  return range;
}

size_t IniFile::FindKey(const Range& range, std::string_view key) const {
  if (range.begin == npos) return npos;
  const std::string wanted = Trim(key);
  for (size_t i = range.begin; i < range.end; ++i) {
    if (lines_[i].kind == Line::kKey && EqualsNoCase(lines_[i].name, wanted)) return i;
  }
  return npos;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
  const size_t i = FindKey(FindSection(section), key);
  if (i == npos) return std::nullopt;
  std::string_view value = lines_[i].value;
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  if (value.size() > kMaxValueLength) value = value.substr(0, kMaxValueLength);
  return std::string(value);
}

std::string IniFile::GetString(std::string_view section, std::string_view key,
                               std::string_view fallback) const {
  auto value = Get(section, key);
  return value ? *value : std::string(fallback);
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  const Range range = FindSection(section);
  if (range.begin == npos) return keys;
  // A set, not a scan of the keys so far: a section of a million keys must not take hours.
  std::unordered_set<std::string> seen;
  for (size_t i = range.begin; i < range.end; ++i) {
    if (lines_[i].kind != Line::kKey) continue;
    if (seen.insert(UpperAscii(lines_[i].name)).second) keys.push_back(lines_[i].name);
  }
  return keys;
}

std::vector<std::string> IniFile::Sections() const {
  std::vector<std::string> names;
  for (const auto& line : lines_) {
    if (line.kind == Line::kSection) names.push_back(line.name);
  }
  return names;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  std::string flat(value);
  for (char& c : flat) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  Line line;
  line.kind = Line::kKey;
  line.name = Trim(key);
  line.value = Trim(flat);
  line.text = line.name + "=" + flat;

  Range range = FindSection(section);
  if (range.begin == npos) {
    Line header;
    header.kind = Line::kSection;
    header.name = Trim(section);
    header.text = "[" + header.name + "]";
    lines_.push_back(std::move(header));
    lines_.push_back(std::move(line));
    return;
  }
  const size_t existing = FindKey(range, key);
  if (existing != npos) {
    line.name = lines_[existing].name;  // the spelling already in the file stays
    line.text = line.name + "=" + flat;
    lines_[existing] = std::move(line);
    return;
  }
  // After the last non-blank line of the section, so blank separator lines stay at its end.
  size_t at = range.begin;
  for (size_t i = range.begin; i < range.end; ++i) {
    if (!Trim(lines_[i].text).empty()) at = i + 1;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

bool IniFile::EraseKey(std::string_view section, std::string_view key) {
  const size_t i = FindKey(FindSection(section), key);
  if (i == npos) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
  return true;
}

bool IniFile::EraseSection(std::string_view section) {
  const Range range = FindSection(section);
  if (range.begin == npos) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range.header),
               lines_.begin() + static_cast<std::ptrdiff_t>(range.end));
  return true;
}

std::string IniFile::Serialize() const {
  std::string out;
  for (const auto& line : lines_) {
    out += line.text;
    out += "\r\n";
  }
  return out;
}

bool IniFile::Save(std::string* error) const {
  return Files().WriteFileAtomic(path_, Serialize(), error);
}

}  // namespace parvel
