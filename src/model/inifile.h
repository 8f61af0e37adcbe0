// INI text files as the program stores its state in them. Section and key names match without
// regard to ASCII case; values are read with blanks around them removed, one pair of enclosing
// double or single quotes dropped, and cut to at most 1023 characters. Writing a key keeps every
// other line in its place, appends a new key after the last line of its section and a new section
// at the end. Save writes CR LF line ends and replaces the file in one step through Files().
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parvel {

class IniFile {
 public:
  static constexpr std::size_t kMaxValueLength = 1023;
  // Larger files are not read: a settings file is a few kilobytes, and each line of a document
  // costs about a hundred bytes in memory.
  static constexpr std::size_t kMaxFileSize = 4u << 20;

  IniFile() = default;
  explicit IniFile(std::string path) : path_(std::move(path)) {}

  // Reads the file named at construction. A missing file gives an empty document and true;
  // false when it exists but cannot be read or is larger than kMaxFileSize (then also empty).
  bool Load();
  // Replaces the document with the parsed text (path unchanged).
  void Parse(std::string_view text);

  const std::string& path() const { return path_; }

  // The value of a key, or nullopt when the section or key is missing.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // The value, or `fallback` when missing.
  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view fallback) const;
  // Key names of a section in file order (first spelling of each), empty when missing.
  std::vector<std::string> Keys(std::string_view section) const;
  std::vector<std::string> Sections() const;

  // Writes a key; line breaks in the value become blanks so that a value stays one line.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // Removes a key; false when it was not there.
  bool EraseKey(std::string_view section, std::string_view key);
  // Removes a section with all its keys; false when it was not there.
  bool EraseSection(std::string_view section);

  // The document as file text, CR LF line ends.
  std::string Serialize() const;
  // Replaces the file in one step; on failure the old file is left as it was.
  bool Save(std::string* error = nullptr) const;

 private:
  struct Line {
    enum Kind { kOther, kSection, kKey } kind = kOther;
    std::string text;   // the line as read, or as written by Set
    std::string name;   // section or key name, trimmed
    std::string value;  // key value, trimmed, quotes kept
  };

  // [begin, end) of the lines after a section's header; begin == npos when missing.
  struct Range {
    std::size_t header = npos;
    std::size_t begin = npos;
    std::size_t end = npos;
  };
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

  Range FindSection(std::string_view section) const;
  std::size_t FindKey(const Range& range, std::string_view key) const;

  std::string path_;
  std::vector<Line> lines_;
};

}  // namespace parvel
