// How image files get into a rotation's folder: the format checks, addimage (one file, with its
// questions and messages; browser formats are copied as they are, every other readable format is
// converted to a progressive JPEG) and the drop of a list of files onto an image list. Every
// question and message goes through Interaction; nothing here knows a toolkit.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/interaction.h"

namespace parvel {

// The formats that can be added, as "*.EXT;" patterns: the classic list, then the photograph
// formats read through their own libraries (HEIC/HEIF, AVIF, WebP), which are always converted.
std::string_view SupportedImageFormats();
// The formats a browser shows directly, which are copied unchanged.
std::string_view HTMLImageFormats();

// Whether `path` is of a format of `list` (patterns "*.EXT" separated by ";", any case). Its
// extension (from the last dot of the file name, dot included) must equal a whole entry; an
// extension of more than three letters also matches when its dot and first two letters begin an
// entry (".jpeg" as ".JP" matches "*.JPE", ".tiff" as ".TI" matches "*.TIF"). ".p", ".jp" and a
// name without an extension never match.
bool ExtensionInList(std::string_view path, std::string_view list);

bool checksupportedformat(const std::string& path);      // of SupportedImageFormats()
bool checkHTMLsupportedformat(const std::string& path);  // of HTMLImageFormats()

// Adds one file: `source` goes to `destination` (a full path) when it is of a browser format,
// otherwise it is read and written as a progressive JPEG of the destination's name with ".jpg",
// at `jpegQuality` (the option's low byte, at most 100). Asks about an unsupported format (OK
// skips, Cancel stops) and before replacing an existing file (Yes replaces, No skips, Cancel
// stops); a failure shows the copying warning (OK goes on, Cancel stops). An existing file is
// replaced only once its successor is complete, so a failed copy or conversion leaves it whole. A
// source that is the target itself (also under another spelling or through a link) is never
// touched: the "same as the source" warning is shown and the series stops.
// Returns true to go on with the next file, false to stop a series. `added`, when given, is set to
// whether the target now holds the file (copied or converted), as opposed to skipped or failed.
// The answer to "overwrite?" carried through a series of files: with `series` given, the question
// also offers Yes to All (every later existing file is replaced without asking) and No to All
// (every later one is kept).
struct ReplaceSeries {
  enum class Rule { Ask, ReplaceAll, KeepAll } rule = Rule::Ask;
};
bool addimage(Interaction& ui, const std::string& source, const std::string& destination,
              int jpegQuality, bool* added = nullptr, ReplaceSeries* series = nullptr);

// Files dropped onto an image list showing `directory`: each goes through addimage, in the order
// given, to `directory` plus its file name (several files as one series: Yes to All and No to All
// are offered). A file dropped onto its own folder (the destination
// is the dropped file, by text or on disk) shows the warning "The destination folder is the same
// as the source!" (under the program's own title, as every box is) and stops the drop; earlier
// files stay added. Returns how many paths were dealt with (added, skipped or failed and passed
// over) before the drop stopped: paths.size() when it ran to the end, so a smaller number means it
// was stopped at paths[result]. The caller refreshes its list afterwards. `added`, when given,
// receives how many of them were added.
std::size_t DropFiles(Interaction& ui, const std::vector<std::string>& paths,
                      const std::string& directory, int jpegQuality, std::size_t* added = nullptr);

}  // namespace parvel
