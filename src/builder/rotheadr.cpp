#include "builder/rotheadr.h"

#include <filesystem>
#include <system_error>

#include "base/textutil.h"
#include "model/paths.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kDescriptionsSection = "Descriptions";

// Only plain files are read: a device or pipe given as a list or description file would block.
bool ReadPlainFile(const std::string& path, std::uint64_t limit, std::string* text) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  return ReadWholeFile(path, text, limit);
}

std::string_view WithoutByteOrderMark(std::string_view text) {
  return text.starts_with(kByteOrderMark) ? text.substr(kByteOrderMark.size()) : text;
}

// Calls `line` for every line of `text` (CR LF, LF or a lone CR end a line; a final line end
// adds no empty line).
template <typename Fn>
void ForEachLine(std::string_view text, Fn&& line) {
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    line(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) line(text.substr(start));
}

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

// ---- List file

namespace {

using Spans = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

// Where each entry of a list file's text lies in it, after dropping a byte order mark from the
// text; false as for ParseHeaderFooterList.
bool SplitList(std::string* text, Spans* spans) {
  spans->clear();
  if (text->size() > kMaxListFileSize || text->find('\0') != std::string::npos) return false;
  if (text->starts_with(kByteOrderMark)) text->erase(0, kByteOrderMark.size());
  const char* base = text->data();
  ForEachLine(*text, [&](std::string_view line) {
    spans->emplace_back(static_cast<std::uint32_t>(line.data() - base),
                        static_cast<std::uint32_t>(line.size()));
  });
  return true;
}

// The list file's text and where each entry lies in it; false as for ReadHeaderFooterList.
bool LoadList(const std::string& path, std::string* text, Spans* spans) {
  spans->clear();
  return ReadPlainFile(path, kMaxListFileSize, text) && SplitList(text, spans);
}

}  // namespace

std::optional<std::vector<std::string>> ReadHeaderFooterList(const std::string& path) {
  std::string text;
  if (!ReadPlainFile(path, kMaxListFileSize, &text)) return std::nullopt;
  return ParseHeaderFooterList(std::move(text));
}

std::optional<std::vector<std::string>> ParseHeaderFooterList(std::string text) {
  Spans spans;
  if (!SplitList(&text, &spans)) return std::nullopt;
  std::vector<std::string> entries;
  entries.reserve(spans.size());
  for (const auto& [offset, length] : spans) entries.push_back(text.substr(offset, length));
  return entries;
}

std::string HeaderFooterListText(const std::vector<std::string>& entries) {
  std::string text;
  for (const auto& entry : entries) {
    char previous = '\0';
    for (char c : entry) {
      const bool is_break = c == '\r' || c == '\n';
      // CR LF counts as one line break; every other CR or LF is one of its own.
      if (is_break && !(c == '\n' && previous == '\r')) text += '|';
      if (!is_break) text += c;
      previous = c;
    }
    text += "\r\n";
  }
  return text;
}

bool WriteHeaderFooterList(const std::string& path, const std::vector<std::string>& entries,
                           std::string* error) {
  return Files().WriteFileAtomic(path, HeaderFooterListText(entries), error);
}

std::string JoinSnippet(std::string_view snippet) {
  std::string out;
  out.reserve(snippet.size());
  for (char c : snippet) {
    if (c != '|') out += c;
  }
  return out;
}

// ---- Rotation

HeaderFooterRotation::HeaderFooterRotation(const SiteSettings& settings,
                                           const TemplateMarkers& markers)
    : settings_(settings), markers_(markers) {}

void HeaderFooterRotation::Clear() {
  headers_ = ListCache();
  footers_ = ListCache();
}

void HeaderFooterRotation::ResetPositions() {
  headers_.position = 0;
  footers_.position = 0;
}

std::optional<std::string> HeaderFooterRotation::getnextheaderfooter(bool isHeader,
                                                                     bool forThumbnailPage) {
  const SiteSettings& s = settings_;
  const MarkerFlags& flags = markers_.For(forThumbnailPage);
  if (!(isHeader ? flags.header : flags.footer)) return std::string();

  const int mode = isHeader ? s.Header_Mode : s.Footer_Mode;
  const std::string& html = isHeader ? s.Header_HTML : s.Footer_HTML;
  const std::string& list = isHeader ? s.Header_File : s.Footer_File;
  if (forThumbnailPage) {
    if (mode == kHeaderNone) return std::string();
    return Fetch(html, list, mode == kHeaderHtml, isHeader);
  }

  const int image_mode = isHeader ? s.Image_Header_Mode : s.Image_Footer_Mode;
  if (image_mode == kImageHeaderNone) return std::string();
  if (image_mode == kImageHeaderSameAsIndex) {
    if (mode == kHeaderNone) return std::string();
    return Fetch(html, list, mode == kHeaderHtml, isHeader);
  }
  return Fetch(isHeader ? s.Image_Header_HTML : s.Image_Footer_HTML,
               isHeader ? s.Image_Header_File : s.Image_Footer_File, image_mode == kImageHeaderHtml,
               isHeader);
}

std::optional<std::string> HeaderFooterRotation::Fetch(const std::string& html,
                                                       const std::string& list, bool fixed,
                                                       bool isHeader) {
  if (fixed) return JoinSnippet(html);

  ListCache& cache = isHeader ? headers_ : footers_;
  const std::string wanted = UpperAscii(list);
  if (wanted != cache.loaded_path) {
    cache.loaded_path = wanted;
    // An empty name keeps whatever list was loaded before, with its position.
    if (!wanted.empty()) {
      cache.position = 0;
      if (!LoadList(list, &cache.text, &cache.entries)) cache.entries.clear();
    }
  }
  // No message here: the page fails with the fetch and the build driver reports that once.
  if (cache.entries.empty()) return std::nullopt;
  if (cache.position >= cache.entries.size()) cache.position = 0;
  const auto [offset, length] = cache.entries[cache.position++];
  return JoinSnippet(std::string_view(cache.text).substr(offset, length));
}

// ---- Description file

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
    ini_path = DirectoryPart(source) + "~" + changeextension(FileNamePart(source), ".ini");
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
  const std::string full = fixpath(settings.Rotation_Path, true) + std::string(name);
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
