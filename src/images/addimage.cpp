#include "images/addimage.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <vector>

#include "base/fileparts.h"
#include "imaging/PGraphic.h"
#include "model/filehelpers.h"
#include "model/paths.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

constexpr std::string_view kSupported =
    "*.JPE;*.JPG;*.GIF;*.BMP;*.DIB;*.RLE;*.PCX;*.WMF;*.EMF;*.JIF;*.PNG;*.TIF;*.TGA;*.PBM;*.PGM;"
    "*.PPM;*.HEIC;*.HEIF;*.AVIF;*.WEBP;";
constexpr std::string_view kHTML = "*.JPE;*.JPG;*.GIF";
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

// Reads `source` with the image registry and writes it to `target` as a progressive JPEG. The
// JPEG is made whole in memory and replaces the target in one step, so a failure leaves an
// existing target as it was. The reason for a failure is logged before the caller's warning.
bool ConvertToJPEG(Interaction& ui, const std::string& source, const std::string& target,
                   int quality) {
  std::vector<std::uint8_t> bytes;
  try {
    TPixelGraphic image;
    image.LoadFromFile(source);
    if (image.BitCountNum() != 24) image.SetBitCountNum(24);
    const TFileFormatWriter* writer = FindWriter("jpg");
    if (writer == nullptr) throw std::runtime_error("no JPEG writer");
    bytes = writer->Write(image.Pixels(), WriteOptions{quality, true});
  } catch (const std::exception& e) {
    ui.Log("Converting " + source + ": " + e.what());
    return false;
  }
  if (PathExists(target) && IsReadOnly(target)) {
    if (!ui.AskYesNo("Are you sure you want to delete the file, " + target +
                     "?  This file is marked READ ONLY!")) {
      return false;
    }
    // A file that stays read-only is not replaced.
    std::string error;
    if (!Files().MakeWritable(target, &error)) {
      ui.Log("Writing " + target + ": " + error);
      return false;
    }
  }
  std::string error;
  if (!Files().WriteFileAtomic(
          target, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
          &error)) {
    ui.Log("Writing " + target + ": " + error);
    return false;
  }
  return true;
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
  if (std::find(entries.begin(), entries.end(), extension) != entries.end()) return true;
  if (extension.size() <= 4) return false;
  // More than three letters: the dot and the first two stand for it.
  const std::string_view start = std::string_view(extension).substr(0, 3);
  return std::any_of(entries.begin(), entries.end(),
                     [&](const std::string& entry) { return entry.starts_with(start); });
}

bool checksupportedformat(const std::string& path) {
  return ExtensionInList(path, kSupported);
}
bool checkHTMLsupportedformat(const std::string& path) {
  return ExtensionInList(path, kHTML);
}

bool addimage(Interaction& ui, const std::string& source, const std::string& destination,
              int jpegQuality, bool* added, ReplaceSeries* series) {
  if (added != nullptr) *added = false;
  if (!checksupportedformat(source)) {
    return ui.Message(MessageKind::Information,
                      "The file, " + source + ", is not a supported image format",
                      Buttons::OkCancel) == Answer::Ok;
  }
  const bool copy = checkHTMLsupportedformat(destination);
  const std::string target = copy ? destination : changeextension(destination, ".jpg");
  // Replacing the source by itself would lose it: the only copy would be deleted or rewritten.
  if (SameFile(source, target)) {
    ui.Warn(kSameFolder);
    return false;
  }
  // Only a regular file is read: a pipe or device named like a picture would block.
  std::error_code ec;
  const bool readable = std::filesystem::is_regular_file(source, ec);
  if (readable && PathExists(target)) {
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
  if (!readable) ui.Log(source + ": not a readable file");
  const bool done = readable && (copy ? docopyfile(ui, source, target, false)
                                      : ConvertToJPEG(ui, source, target, quality));
  if (done) {
    if (added != nullptr) *added = true;
    return true;
  }
  return ui.Message(MessageKind::Warning,
                    "Error encountered copying the file, " + source +
                        "!  You may be out of disk space or do not have write access to the "
                        "directory you are copying to",
                    Buttons::OkCancel) == Answer::Ok;
}

std::size_t DropFiles(Interaction& ui, const std::vector<std::string>& paths,
                      const std::string& directory, int jpegQuality, std::size_t* added) {
  if (added != nullptr) *added = 0;
  const std::string folder = fixpath(directory, true);
  ReplaceSeries series;
  ReplaceSeries* several = paths.size() > 1 ? &series : nullptr;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const std::string destination = folder + FileNamePart(paths[i]);
    if (SameFile(paths[i], destination)) {
      ui.Warn(kSameFolder);
      return i;
    }
    bool one = false;
    const bool go_on = addimage(ui, paths[i], destination, jpegQuality, &one, several);
    if (one && added != nullptr) ++*added;
    if (!go_on) return i;
  }
  return paths.size();
}

}  // namespace parvel
