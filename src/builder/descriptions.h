// Image descriptions from a description file for the captions of a build: an INI file used as it
// is, or a comma-separated file converted to INI form for the build.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/inifile.h"
#include "model/sitesettings.h"
#include "platform/interaction.h"

namespace parvel {

inline constexpr std::string_view kDescriptionFileError =
    "An error was encountered reading your description file!";

// Larger description files are neither converted nor read.
inline constexpr std::uint64_t kMaxDescriptionFileSize = 4u << 20;

// The INI text made from a comma-separated text (a leading byte order mark dropped):
// "[Descriptions]" first, then every line, CR LF ended, with its first comma made "=". nullopt
// when no line has a comma.
std::optional<std::string> CsvToIniText(std::string_view csv);

// Writes `iniFile` (through Files()) from the comma-separated `textFile` as CsvToIniText makes
// it. When no line has a comma the user is asked whether to build anyway; Yes succeeds without
// writing. False, without a message of its own, when the text file is unreadable, empty or too
// large, when writing fails, or on No.
[[nodiscard]] bool ConvertCSVtoINI(Interaction& ui, const std::string& textFile,
                                   const std::string& iniFile);

// The captions from a description file for one build. Prepare before the build; the temporary
// file it may write is removed by RemoveTemporary or, at the latest, by the destructor, so a
// build that fails or throws still leaves nothing behind.
class DescriptionFile {
 public:
  DescriptionFile() = default;
  ~DescriptionFile();
  DescriptionFile(const DescriptionFile&) = delete;
  DescriptionFile& operator=(const DescriptionFile&) = delete;

  // Sets up the lookup when Filename_Display is DescriptionFile (otherwise there is none): an
  // ".ini" file is used as it is, any other file is converted into "~" + its name with ".ini" in
  // its own folder. On failure shows kDescriptionFileError and returns false: do not build.
  [[nodiscard]] bool Prepare(Interaction& ui, const SiteSettings& settings);

  // The file lookups read (the build's description file in INI form); empty when none.
  const std::string& lookup_path() const { return lookup_path_; }

  // The description of image `name` (a bare file name): key `name`, then key Rotation_Path +
  // `name`, in section "Descriptions", letter case ignored; else `name` itself when
  // ShowFilenameWhenNoDesc is on, else empty.
  std::string Describe(std::string_view name, const SiteSettings& settings) const;

  // Deletes the temporary file, if one was written. False when it could not be deleted.
  bool RemoveTemporary();

 private:
  std::string lookup_path_;
  std::string temporary_;
  IniFile lookup_;
};

}  // namespace parvel
