// Headers and footers for the pages of a build (one fixed piece of HTML, or a list file whose
// entries rotate page by page), the list file format, and image descriptions from a description
// file in INI or comma-separated form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/inifile.h"
#include "model/sitesettings.h"
#include "platform/interaction.h"
#include "templates/style.h"

namespace parvel {

// ---- List file: one entry per line, CR LF line ends, "|" between the lines of one entry.

// Larger list files are refused.
inline constexpr std::uint64_t kMaxListFileSize = 4u << 20;

// The entries of a list file, every line (empty ones too) in file order; a leading UTF-8 byte
// order mark is dropped. nullopt when the file is not a readable plain file, is larger than
// kMaxListFileSize, or holds a NUL byte (it is no text file then).
std::optional<std::vector<std::string>> ReadHeaderFooterList(const std::string& path);

// The entries of a list file's text, as ReadHeaderFooterList reads them; nullopt when the text
// is larger than kMaxListFileSize or holds a NUL byte.
std::optional<std::vector<std::string>> ParseHeaderFooterList(std::string text);

// The text of a list file holding the entries, each one line ended by CR LF. A line break inside
// an entry is stored as "|", so each entry stays one line.
std::string HeaderFooterListText(const std::vector<std::string>& entries);

// Writes HeaderFooterListText(entries) through Files(), replacing the file in one step.
bool WriteHeaderFooterList(const std::string& path, const std::vector<std::string>& entries,
                           std::string* error = nullptr);

// A snippet as it goes into a page: every "|" removed.
std::string JoinSnippet(std::string_view snippet);

// ---- Rotation over one build.

// Owned by a build's state and cleared when each build starts. Reads the settings and the marker
// flags at every call, so both must outlive it. Thumbnail and image pages share the header cache
// and the footer cache. It shows no messages.
class HeaderFooterRotation {
 public:
  HeaderFooterRotation(const SiteSettings& settings, const TemplateMarkers& markers);

  // The header (or footer) for the next page of the given kind: empty when the page gets none.
  // nullopt, without a message, when its list file cannot be read or has no entries (or no list
  // was ever named): the caller fails the page and the build driver reports it.
  std::optional<std::string> getnextheaderfooter(bool isHeader, bool forThumbnailPage);

  // Empties both caches (at the start of every build): each list is read again on its first
  // use, so a list written or edited since the last build counts.
  void Clear();

  // Sets both rotations back to their first entry (between the image pages and the thumbnail
  // pages). Loaded lists stay loaded.
  void ResetPositions();

 private:
  // The entries are kept as spans of the file's text: a list of many short lines stays small.
  struct ListCache {
    std::string loaded_path;  // upper case, as last requested
    std::string text;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> entries;  // offset and length in text
    std::size_t position = 0;
  };

  std::optional<std::string> Fetch(const std::string& html, const std::string& list, bool fixed,
                                   bool isHeader);

  const SiteSettings& settings_;
  const TemplateMarkers& markers_;
  ListCache headers_;
  ListCache footers_;
};

// ---- Description file.

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
bool ConvertCSVtoINI(Interaction& ui, const std::string& textFile, const std::string& iniFile);

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
  bool Prepare(Interaction& ui, const SiteSettings& settings);

  // The file lookups read (the build's description file in INI form); empty when none.
  const std::string& lookup_path() const { return lookup_path_; }
  // The temporary file this object wrote and has not yet removed; empty when none.
  const std::string& temporary_path() const { return temporary_; }

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
