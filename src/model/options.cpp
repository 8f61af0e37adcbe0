#include "model/options.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <optional>

#include "model/inifile.h"
#include "model/paths.h"
#include "model/textutil.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

constexpr char kSection[] = "Options";
constexpr char kStylesFile[] = "recent_styles.txt";
constexpr char kImageStylesFile[] = "recent_image_styles.txt";
constexpr const char* kSampleTemplates[] = {"Styles/Sample_With_Index.htm",
                                            "Styles/Sample_No_Index.htm",
                                            "Styles/Blue_Border_With_Index.htm"};

std::int16_t ReadInt16(const IniFile& ini, const char* key, const char* missing,
                       std::int16_t invalid) {
  const auto value = ParseInt(ini.GetString(kSection, key, missing));
  if (!value || *value < std::numeric_limits<std::int16_t>::min() ||
      *value > std::numeric_limits<std::int16_t>::max()) {
    return invalid;
  }
  return static_cast<std::int16_t>(*value);
}

const char* BoolText(bool value) {
  return value ? "True" : "False";
}

// Case is ignored when lists are sorted and compared; lower case puts "_" before the letters.
bool LessNoCase(const std::string& a, const std::string& b) {
  return LowerAscii(a) < LowerAscii(b);
}

bool ContainsNoCase(const std::vector<std::string>& list, std::string_view text) {
  return std::any_of(list.begin(), list.end(),
                     [&](const std::string& entry) { return EqualsNoCase(entry, text); });
}

std::vector<std::string> ReadList(const std::string& file) {
  std::vector<std::string> list;
  std::string text;
  if (!ReadWholeFile(file, &text)) return list;
  for (const auto& line : SplitLines(text)) {
    if (!Trim(line).empty()) addtexttocombolist(list, line);
  }
  return list;
}

bool WriteList(const std::string& file, const std::vector<std::string>& list) {
  return list.empty() || Files().WriteFileAtomic(file, JoinLinesCrLf(list), nullptr);
}

// `dir` + `name` as spelled on the disk, matching the name without regard to case.
std::optional<std::string> EntryNoCase(const std::string& dir, const std::string& name) {
  if (PathExists(dir + name)) return dir + name;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string found = it->path().filename().string();
    if (EqualsNoCase(found, name)) return dir + found;
  }
  return std::nullopt;
}

// The file `relative` ("/" between its parts) below `dir`, found without regard to case.
std::optional<std::string> FindFileNoCase(const std::string& dir, std::string_view relative) {
  std::string path = dir;
  for (size_t start = 0;;) {
    const size_t slash = relative.find('/', start);
    const auto entry = EntryNoCase(path, std::string(relative.substr(start, slash - start)));
    if (!entry) return std::nullopt;
    if (slash == std::string_view::npos) {
      return FileExists(*entry) ? entry : std::nullopt;
    }
    if (!DirectoryExists(*entry)) return std::nullopt;
    path = *entry + "/";
    start = slash + 1;
  }
}

}  // namespace

void AppOptions::Read() {
  IniFile ini(DataDirectory() + "options.ini");
  ini.Load();  // an unreadable file reads like a missing one
  DefaultJPEGCompression = ReadInt16(ini, "DefaultJPEGCompression", "80", 80);
  MaxFilenameLength = ReadInt16(ini, "MaxFilenameLength", "15", 17);
  UseThumbsDirectory = UpperAscii(ini.GetString(kSection, "UseThumbsDirectory", "True")) != "FALSE";
  UseRotations = UpperAscii(ini.GetString(kSection, "UseRotations", "False")) == "TRUE";
}

bool AppOptions::Write() const {
  IniFile ini(DataDirectory() + "options.ini");
  // A file that exists but cannot be read is not replaced by one that lacks its other lines.
  if (!ini.Load()) return false;
  ini.Set(kSection, "DefaultJPEGCompression", IntToStr(DefaultJPEGCompression));
  ini.Set(kSection, "UseThumbsDirectory", BoolText(UseThumbsDirectory));
  ini.Set(kSection, "MaxFilenameLength", IntToStr(MaxFilenameLength));
  ini.Set(kSection, "UseRotations", BoolText(UseRotations));
  return ini.Save();
}

void RecentTemplates::Read() {
  if (PathExists(DataDirectory() + kStylesFile)) styles = ReadList(DataDirectory() + kStylesFile);
  if (PathExists(DataDirectory() + kImageStylesFile)) {
    image_styles = ReadList(DataDirectory() + kImageStylesFile);
  }
}

bool RecentTemplates::Write() const {
  // The second list is written even when the first could not be: each file is kept apart.
  const bool image_styles_written = WriteList(DataDirectory() + kImageStylesFile, image_styles);
  const bool styles_written = WriteList(DataDirectory() + kStylesFile, styles);
  return image_styles_written && styles_written;
}

bool addtexttocombolist(std::vector<std::string>& list, std::string_view text) {
  if (text.empty() || ContainsNoCase(list, text)) return false;
  std::string entry(text);
  list.insert(std::upper_bound(list.begin(), list.end(), entry, LessNoCase), std::move(entry));
  return true;
}

void AddSampleTemplates(std::vector<std::string>& list) {
  if (!list.empty()) return;
  for (const char* sample : kSampleTemplates) {
    if (auto path = FindFileNoCase(DataDirectory(), sample)) addtexttocombolist(list, *path);
  }
}

OptionsDialogState::OptionsDialogState(const AppOptions& options)
    : quality_(std::clamp<int>(options.DefaultJPEGCompression, 1, 100)),
      truncate_(options.MaxFilenameLength < 101),
      // With truncation off the number field offers the initial limit once switched on.
      max_length_(truncate_ ? std::clamp<int>(options.MaxFilenameLength, 10, 99) : 15),
      use_thumbs_directory_(options.UseThumbsDirectory),
      multiple_rotations_(options.UseRotations) {}

void OptionsDialogState::set_quality(int value) {
  quality_ = std::clamp(value, 1, 100);
}

void OptionsDialogState::set_max_length(int value) {
  max_length_ = std::clamp(value, 10, 99);
}

void OptionsDialogState::Accept(AppOptions& options) const {
  options.MaxFilenameLength =
      truncate_ ? static_cast<std::int16_t>(max_length_) : AppOptions::kNoFilenameLimit;
  options.DefaultJPEGCompression = static_cast<std::int16_t>(quality_);
  options.UseThumbsDirectory = use_thumbs_directory_;
  options.UseRotations = multiple_rotations_;
}

}  // namespace parvel
