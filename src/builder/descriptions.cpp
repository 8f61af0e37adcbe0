#include "builder/descriptions.h"

#include "base/textutil.h"
#include "model/paths.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

constexpr std::string_view kDescriptionsSection = "Descriptions";

enum class Conversion { Failed, Written, NothingToWrite };

Conversion Convert(Interaction& ui, const std::string& textFile, const std::string& iniFile) {
  std::string text;
  if (!ReadPlainFile(textFile, kMaxDescriptionFileSize, &text) || text.empty()) {
    return Conversion::Failed;
  }
  if (const auto ini = CsvToIniText(text)) {
    return Files().WriteFileAtomic(iniFile, *ini, nullptr) ? Conversion::Written
                                                           : Conversion::Failed;
  }
  const std::string question = "No valid entries were found in the file, " + textFile +
                               ".  Do you still want to build this Site?";
  return ui.Message(MessageKind::Warning, question, Buttons::YesNo) == Answer::Yes
             ? Conversion::NothingToWrite
             : Conversion::Failed;
}

}  // namespace

std::optional<std::string> CsvToIniText(std::string_view csv) {
  const std::string_view text = WithoutByteOrderMark(csv);
  std::string ini = "[Descriptions]\r\n";
  ini.reserve(text.size() + ini.size() + text.size() / 8);
  bool any_comma = false;
  ForEachLine(text, [&](std::string_view line) {
    const size_t comma = line.find(',');
    if (comma == std::string_view::npos) {
      ini += line;
    } else {
      any_comma = true;
      ini += line.substr(0, comma);
      ini += '=';
      ini += line.substr(comma + 1);
    }
    ini += "\r\n";
  });
  if (!any_comma) return std::nullopt;
  return ini;
}

bool ConvertCSVtoINI(Interaction& ui, const std::string& textFile, const std::string& iniFile) {
  return Convert(ui, textFile, iniFile) != Conversion::Failed;
}

DescriptionFile::~DescriptionFile() {
  RemoveTemporary();
}

bool DescriptionFile::Prepare(Interaction& ui, const SiteSettings& settings) {
  RemoveTemporary();
  lookup_path_.clear();
  lookup_ = IniFile();
  if (settings.Filename_Display != FilenameDisplay::DescriptionFile) return true;

  const std::string& source = settings.Description_File;
  std::string ini_path = source;
  if (UpperAscii(ExtensionPart(source)) != ".INI") {
    ini_path = DirectoryPart(source) + "~" + ChangeExtension(FileNamePart(source), ".ini");
    switch (Convert(ui, source, ini_path)) {
      case Conversion::Failed:
        ui.Warn(kDescriptionFileError);
        return false;
      case Conversion::NothingToWrite:
        // Nothing was written, so a file left under that name by someone else must not be read.
        return true;
      case Conversion::Written:
        temporary_ = ini_path;
        break;
    }
  }
  lookup_path_ = ini_path;
  // A lookup file that cannot be read is no error: every caption falls back to the file name.
  std::string text;
  if (ReadPlainFile(lookup_path_, kMaxDescriptionFileSize, &text)) {
    lookup_.Parse(WithoutByteOrderMark(text));
  }
  return true;
}

std::string DescriptionFile::Describe(std::string_view name, const SiteSettings& settings) const {
  if (auto text = lookup_.Get(kDescriptionsSection, name); text && !text->empty()) return *text;
  const std::string full = FixPath(settings.Rotation_Path, true) + std::string(name);
  if (auto text = lookup_.Get(kDescriptionsSection, full); text && !text->empty()) return *text;
  return settings.ShowFilenameWhenNoDesc ? std::string(name) : std::string();
}

bool DescriptionFile::RemoveTemporary() {
  if (temporary_.empty()) return true;
  if (!Files().Remove(temporary_, nullptr) && PathExists(temporary_)) return false;
  temporary_.clear();
  return true;
}

}  // namespace parvel
