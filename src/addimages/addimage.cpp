#include "addimages/addimage.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <vector>

#include "base/fileparts.h"
#include "builder/messages.h"
#include "imaging/pixelgraphic.h"
#include "imaging/registry.h"
#include "model/filehelpers.h"
#include "model/paths.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

// The classic list, the long forms the classic rule let in through their first three letters
// (.JPEG, .TIFF, and .JFIF for a JPEG), then the photograph formats of their own libraries.
constexpr std::string_view kSupported =
    "*.JPE;*.JPG;*.GIF;*.BMP;*.DIB;*.RLE;*.PCX;*.WMF;*.EMF;*.JIF;*.PNG;*.TIF;*.TGA;*.PBM;*.PGM;"
    "*.PPM;*.JPEG;*.TIFF;*.JFIF;*.HEIC;*.HEIF;*.AVIF;*.WEBP;";
constexpr std::string_view kHTML = "*.JPE;*.JPG;*.GIF;*.JPEG";
// The browser names of the two browser formats.
constexpr std::string_view kJpegNames = "*.JPE;*.JPG;*.JPEG";
constexpr std::string_view kGifNames = "*.GIF";
constexpr std::string_view kSameFolder = "The destination folder is the same as the source!";

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

// The entries of a pattern list as upper-case extensions with their dot (".JPG").
std::vector<std::string> ListExtensions(std::string_view list) {
  std::vector<std::string> entries;
  while (!list.empty()) {
    const std::size_t end = std::min(list.find(';'), list.size());
    std::string_view entry = list.substr(0, end);
    list.remove_prefix(std::min(end + 1, list.size()));
    while (!entry.empty() && entry.front() == ' ') entry.remove_prefix(1);
    while (!entry.empty() && entry.back() == ' ') entry.remove_suffix(1);
    if (!entry.empty() && entry.front() == '*') entry.remove_prefix(1);
    if (entry.size() > 1 && entry.front() == '.') entries.push_back(Upper(entry));
  }
  return entries;
}

// Two names of one file: the same text, or the same file on disk (another spelling, a link).
bool SameFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

// How a conversion ended.
enum class Converted { Done, Unreadable, Failed };

// Reads `source` with the image registry and writes it to `target` as a progressive JPEG. The
// JPEG is made whole in memory and replaces the target in one step, so a failure leaves an
// existing target as it was. A picture that cannot be decoded is Unreadable, with the reader's
// reason in `why`; a failed write is logged before the caller's warning.
Converted ConvertToJPEG(Interaction& ui, const std::string& source, const std::string& target,
                        int quality, std::string* why) {
  std::vector<std::uint8_t> bytes;
  try {
    PixelGraphic image;
    image.LoadFromFile(source);
    if (image.BitCountNum() != 24) image.SetBitCountNum(24);
    const ImageFormat* writer = FindWriter("jpg");
    if (writer == nullptr) throw std::runtime_error("no JPEG writer");
    bytes = writer->Write(image.Pixels(), WriteOptions{quality, true});
  } catch (const std::exception& e) {
    *why = e.what();
    return Converted::Unreadable;
  }
  if (PathExists(target) && IsReadOnly(target)) {
    if (!ui.AskYesNo(ReadOnlyDeleteQuestion(target))) {
      return Converted::Failed;
    }
    // A file that stays read-only is not replaced.
    std::string error;
    if (!Files().MakeWritable(target, &error)) {
      ui.Log("Writing " + target + ": " + error);
      return Converted::Failed;
    }
  }
  std::string error;
  if (!Files().WriteFileAtomic(
          target, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
          &error)) {
    ui.Log("Writing " + target + ": " + error);
    return Converted::Failed;
  }
  return Converted::Done;
}

// A warning naming the file and what went wrong; OK goes on, Cancel stops.
bool GoOnAfter(Interaction& ui, const std::string& text) {
  return ui.Message(MessageKind::Warning, text, Buttons::OkCancel) == Answer::Ok;
}

}  // namespace

std::string_view SupportedImageFormats() {
  return kSupported;
}
std::string_view HTMLImageFormats() {
  return kHTML;
}

bool ExtensionInList(std::string_view path, std::string_view list) {
  const std::string extension = Upper(ExtensionPart(path));
  if (extension.size() < 2) return false;
  const std::vector<std::string> entries = ListExtensions(list);
  return std::find(entries.begin(), entries.end(), extension) != entries.end();
}

bool CheckSupportedFormat(const std::string& path) {
  return ExtensionInList(path, kSupported);
}
bool checkHTMLsupportedformat(const std::string& path) {
  return ExtensionInList(path, kHTML);
}

std::string NotAPictureQuestion(std::string_view source, std::string_view reason) {
  return "The file, " + std::string(source) + ", is not a supported image format (" +
         std::string(reason.empty() ? kNotAPicture : reason) + ")";
}

std::string CopyCauseMessage(std::string_view source, std::string_view cause) {
  return kCopyErrorPrefix + std::string(source) + "!  " + std::string(cause);
}

std::string UnreadableFileCause(std::string_view reason) {
  return "It could not be read (" + std::string(reason) + ")";
}

std::string UnreadablePictureCause(std::string_view reason) {
  return "Its picture cannot be read (" + std::string(reason) + ")";
}

bool AddImage(Interaction& ui, const std::string& source, const std::string& destination,
              int jpegQuality, bool* added, ReplaceSeries* series) {
  if (added != nullptr) *added = false;
  if (!CheckSupportedFormat(source)) {
    return ui.Message(MessageKind::Information,
                      "The file, " + source + ", is not a supported image format",
                      Buttons::OkCancel) == Answer::Ok;
  }
  const bool browser_name = checkHTMLsupportedformat(destination);
  // Replacing the source by itself would lose it: the only copy would be deleted or rewritten.
  if (SameFile(source, browser_name ? destination : ChangeExtension(destination, ".jpg"))) {
    ui.Warn(kSameFolder);
    return false;
  }
  // The content decides, whatever the name says: only a picture goes in, and nothing is written
  // for anything else.
  const PictureIdentity identity = IdentifyPictureFile(source);
  switch (identity.verdict) {
    case PictureVerdict::Picture:
      break;
    case PictureVerdict::Unreadable:
      return GoOnAfter(ui, CopyCauseMessage(source, UnreadableFileCause(identity.reason)));
    case PictureVerdict::NotPicture:
    case PictureVerdict::Undecodable:
      return ui.Message(MessageKind::Information, NotAPictureQuestion(source, identity.reason),
                        Buttons::OkCancel) == Answer::Ok;
  }
  // A JPEG or a GIF is copied as it is, under its own name when that is a browser name of its
  // format, else under NAME.jpg or NAME.gif (a JPEG named .jif or .jfif, which the rotation's list
  // would not show; a GIF named .jpg, which a build would read as a JPEG). Any other picture,
  // whatever its name, becomes a JPEG.
  const std::string_view format = identity.reader->extension;
  const bool jpeg = format == "jpg" || format == "jpeg" || format == "jif";
  const bool gif = format == "gif";
  const bool copy = jpeg || gif;
  std::string target = ChangeExtension(destination, gif ? ".gif" : ".jpg");
  if ((jpeg && ExtensionInList(destination, kJpegNames)) ||
      (gif && ExtensionInList(destination, kGifNames))) {
    target = destination;
  }
  if (SameFile(source, target)) {
    ui.Warn(kSameFolder);
    return false;
  }
  const std::string folder = DirectoryPart(target);
  if (!DirectoryExists(folder)) {
    return GoOnAfter(ui, CopyCauseMessage(source, MissingFolderCause(folder)));
  }
  if (PathExists(target)) {
    using Rule = ReplaceSeries::Rule;
    if (series != nullptr && series->rule == Rule::KeepAll) return true;
    if (series == nullptr || series->rule == Rule::Ask) {
      const Answer answer =
          ui.Message(MessageKind::Confirmation,
                     "A file by the name of " + target +
                         " already exists.  Are you sure you want to overwrite it?",
                     series != nullptr ? Buttons::YesAllNoAllCancel : Buttons::YesNoCancel);
      if (answer == Answer::YesToAll && series != nullptr) series->rule = Rule::ReplaceAll;
      if (answer == Answer::NoToAll && series != nullptr) series->rule = Rule::KeepAll;
      if (answer == Answer::No || answer == Answer::NoToAll) return true;
      if (answer == Answer::Cancel) return false;
    }
  }
  const int quality = std::min(jpegQuality & 0xFF, 100);
  // Both ways write beside the target and rename over it: the old file stays until then.
  bool done = false;
  if (copy) {
    done = CopyFileAsked(ui, source, target, false);
  } else {
    std::string why;
    const Converted converted = ConvertToJPEG(ui, source, target, quality, &why);
    if (converted == Converted::Unreadable) {
      return GoOnAfter(ui, CopyCauseMessage(source, UnreadablePictureCause(why)));
    }
    done = converted == Converted::Done;
  }
  if (done) {
    if (added != nullptr) *added = true;
    return true;
  }
  return GoOnAfter(ui, kCopyErrorPrefix + source +
                           "!  You may be out of disk space or do not have write access to the "
                           "directory you are copying to");
}

std::size_t DropFiles(Interaction& ui, const std::vector<std::string>& paths,
                      const std::string& directory, int jpegQuality, std::size_t* added) {
  if (added != nullptr) *added = 0;
  const std::string folder = FixPath(directory, true);
  ReplaceSeries series;
  ReplaceSeries* several = paths.size() > 1 ? &series : nullptr;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const std::string destination = folder + FileNamePart(paths[i]);
    if (SameFile(paths[i], destination)) {
      ui.Warn(kSameFolder);
      return i;
    }
    bool one = false;
    const bool go_on = AddImage(ui, paths[i], destination, jpegQuality, &one, several);
    if (one && added != nullptr) ++*added;
    if (!go_on) return i;
  }
  return paths.size();
}

}  // namespace parvel
