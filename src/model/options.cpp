#include "model/options.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "base/textutil.h"
#include "model/inifile.h"
#include "model/paths.h"
#include "platform/filesystem.h"
#include "platform/nocase.h"

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

std::vector<std::string> ReadList(const std::string& file) {
  std::vector<std::string> list;
  std::string text;
  if (!ReadWholeFile(file, &text)) return list;
  for (const auto& line : SplitLines(text)) {
    if (!Trim(line).empty()) AddTextToComboList(list, line);
  }
  return list;
}

bool WriteList(const std::string& file, const std::vector<std::string>& list) {
  return list.empty() || Files().WriteFileAtomic(file, JoinLinesCrLf(list), nullptr);
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

bool AddTextToComboList(std::vector<std::string>& list, std::string_view text) {
  if (text.empty() || ContainsNoCase(list, text)) return false;
  std::string entry(text);
  list.insert(std::upper_bound(list.begin(), list.end(), entry, LessNoCase), std::move(entry));
  return true;
}

void AddSampleTemplates(std::vector<std::string>& list) {
  if (!list.empty()) return;
  for (const char* sample : kSampleTemplates) {
    if (auto path = FindFileNoCase(DataDirectory(), sample)) AddTextToComboList(list, *path);
  }
}

OptionsForm::OptionsForm(const AppOptions& options)
    : quality_(std::clamp<int>(options.DefaultJPEGCompression, 1, 100)),
      truncate_(options.MaxFilenameLength < 101),
      // With truncation off the number field offers the initial limit once switched on.
      max_length_(truncate_ ? std::clamp<int>(options.MaxFilenameLength, 10, 99) : 15),
      use_thumbs_directory_(options.UseThumbsDirectory),
      multiple_rotations_(options.UseRotations) {}

void OptionsForm::set_quality(int value) {
  quality_ = std::clamp(value, 1, 100);
}

void OptionsForm::set_max_length(int value) {
  max_length_ = std::clamp(value, 10, 99);
}

void OptionsForm::Accept(AppOptions& options) const {
  options.MaxFilenameLength =
      truncate_ ? static_cast<std::int16_t>(max_length_) : AppOptions::kNoFilenameLimit;
  options.DefaultJPEGCompression = static_cast<std::int16_t>(quality_);
  options.UseThumbsDirectory = use_thumbs_directory_;
  options.UseRotations = multiple_rotations_;
}

}  // namespace parvel
