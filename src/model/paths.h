// The data directory and the path rules of stored settings: a path inside the data directory is
// stored as "%/" followed by the rest ("%\" from older files is read too), every other path as is.
#pragma once

#include <string>
#include <string_view>

#include "base/fileparts.h"

namespace parvel {

// The folder of the program's own files, always with a trailing "/". Set once at start-up
// (the running program's folder, or --data-dir); tests set their own.
const std::string& DataDirectory();
void SetDataDirectory(std::string_view dir);

// Stored form to full path: trims blanks and control characters; "%" plus one separator at the
// start becomes the data directory (backslashes after it read as "/").
std::string ExpandPath(std::string_view path);

// Full path to stored form: a path that begins with the data directory (letter case as it is)
// becomes "%/" and the rest; any other path is returned trimmed.
std::string TruncatePath(std::string_view path);

// Trims, expands a stored form, then makes a trailing separator present (with_separator) or
// absent. An empty path stays empty.
std::string FixPath(std::string_view path, bool with_separator);

}  // namespace parvel
