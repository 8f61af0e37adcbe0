// How image files get into a rotation's folder: the format checks, AddImage (one file, with its
// questions and messages; browser formats are copied as they are, every other readable format is
// converted to a progressive JPEG) and the drop of a list of files onto an image list. Every
// question and message goes through Interaction; nothing here knows a toolkit.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/interaction.h"

namespace parvel {

// The formats that can be added, as "*.EXT;" patterns: the classic list, the long names .JPEG,
// .TIFF and .JFIF, then the photograph formats read through their own libraries (HEIC/HEIF, AVIF,
// WebP), which are always converted.
std::string_view SupportedImageFormats();
// The names a browser shows directly (.JPE, .JPG, .GIF, .JPEG): a JPEG or GIF of one of these
// names is copied unchanged.
std::string_view HTMLImageFormats();

// Whether `path` is of a format of `list` (patterns "*.EXT" separated by ";", any case): its
// extension (from the last dot of the file name, dot included) equals a whole entry. ".gitconfig"
// is no ".GIF" and ".time" no ".TIF"; a name without an extension never matches.
bool ExtensionInList(std::string_view path, std::string_view list);

bool CheckSupportedFormat(const std::string& path);      // of SupportedImageFormats()
bool checkHTMLsupportedformat(const std::string& path);  // of HTMLImageFormats()

// Why a file whose name is of a supported format is refused when its content is not a picture.
inline constexpr std::string_view kNotAPicture = "its content is not a picture";

// The texts of AddImage that name a cause: the unsupported-format question with the reason in
// brackets (kNotAPicture when `reason` is empty); the copying warning with a cause in place of
// the disk-space sentence, the cause being one of the two below or MissingFolderCause
// (builder/messages.h).
std::string NotAPictureQuestion(std::string_view source, std::string_view reason = {});
std::string CopyCauseMessage(std::string_view source, std::string_view cause);
std::string UnreadableFileCause(std::string_view reason);     // the system's reason
std::string UnreadablePictureCause(std::string_view reason);  // the reader's reason

// Adds one file. Only a picture goes in: its name must be of a supported format and its content
// a picture (IdentifyPictureFile); either refusal is asked about (OK skips, Cancel stops) and
// writes nothing. A JPEG or a GIF is copied as it is, to `destination` (a full path) when that is
// a browser name of its format, else to the destination's name with ".jpg" (a JPEG named .jif or
// .jfif) or ".gif"; any other picture is read and written as a progressive JPEG of the ".jpg" name
// at `jpegQuality` (the option's low byte, at most 100). Asks before replacing an existing file
// (Yes replaces, No skips, Cancel stops). A failure whose cause is known (the file cannot be read,
// its picture cannot be decoded, the destination's folder is missing) is a warning naming the file
// and the cause; any other (a failed write) the copying warning with its disk-space sentence and
// the reason logged; OK goes on, Cancel stops. An existing file is replaced only once its successor
// is complete, so a failed copy or conversion leaves it whole. A source that is the target itself
// (also under another spelling or through a link) is never touched: the "same as the source"
// warning is shown and the series stops. Returns true to go on with the next file, false to stop a
// series. `added`, when given, is set to whether the target now holds the file (copied or
// converted), as opposed to skipped or failed. With `series` given, the overwrite question also
// offers Yes to All (every later existing file is replaced without asking) and No to All (every
// later one is kept), and the answer is carried through the series.
struct ReplaceSeries {
  enum class Rule { Ask, ReplaceAll, KeepAll } rule = Rule::Ask;
};
bool AddImage(Interaction& ui, const std::string& source, const std::string& destination,
              int jpegQuality, bool* added = nullptr, ReplaceSeries* series = nullptr);

// Files dropped onto an image list showing `directory`: each goes through AddImage, in the order
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
