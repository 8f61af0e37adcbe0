// The parts of a file name or path: its last part, its folder, its extension. Both "/" and "\"
// separate parts, so names read from settings written on Windows split alike.
#pragma once

#include <string>
#include <string_view>

namespace parvel {

// Replaces the extension (from the last "." after the last separator or ":"); `extension`
// includes its dot.
std::string ChangeExtension(std::string_view name, std::string_view extension);

// The last part of a path (after the last "/" or "\").
std::string FileNamePart(std::string_view path);
// Everything up to and including the last "/" or "\" (empty when there is none).
std::string DirectoryPart(std::string_view path);
// The extension with its dot (".jpg"), or empty.
std::string ExtensionPart(std::string_view path);

}  // namespace parvel
