// What the fuzz targets share: a check that stops the run, splitting one input into several
// pieces, and reading an image so that only a well-formed picture or an image-layer error counts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/textutil.h"
#include "imaging/imageerrors.h"
#include "imaging/raster.h"
#include "model/inifile.h"

namespace parvel::fuzz {

// A broken invariant is a finding: stop here so that libFuzzer keeps the input.
inline void Check(bool invariant) {
  if (!invariant) __builtin_trap();
}

inline std::string_view Text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The input cut at every `separator` byte into at least `count` pieces (missing ones empty); the
// last piece keeps any further separators.
inline std::vector<std::string_view> Pieces(std::string_view input, char separator,
                                            std::size_t count) {
  std::vector<std::string_view> pieces;
  while (pieces.size() + 1 < count) {
    const std::size_t at = input.find(separator);
    if (at == std::string_view::npos) break;
    pieces.push_back(input.substr(0, at));
    input.remove_prefix(at + 1);
  }
  pieces.push_back(input);
  pieces.resize(count);
  return pieces;
}

// The lines of a text as the list and description readers split it: at CR LF, LF or a lone CR;
// no empty line after a final line end.
inline std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// The lines of a text joined with `separator` (after the last one too when `closed`).
inline std::string JoinLines(std::string_view text, std::string_view separator, bool closed) {
  std::string out;
  const auto lines = Lines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    out += lines[i];
    if (closed || i + 1 < lines.size()) out += separator;
  }
  if (!closed && !text.empty() && (text.back() == '\r' || text.back() == '\n')) out += separator;
  return out;
}

// What the INI reader gives for a value written as `written` on one line: trimmed, one pair of
// matching quotes taken off, cut to the longest value.
inline std::string IniValue(std::string_view written) {
  std::string value = Trim(written);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value.substr(0, IniFile::kMaxValueLength);
}

// What every reader promises about an image it returns.
inline bool WellFormed(const Raster& image) {
  const bool indexed = image.bits == 1 || image.bits == 4 || image.bits == 8;
  return (indexed || image.bits == 24) && image.width > 0 && image.height > 0 &&
         image.palette.size() == (indexed ? std::size_t{1} << image.bits : 0) &&
         image.pixels.size() == image.Stride() * static_cast<std::size_t>(image.height);
}

// Runs a header reader, for its crashes only; its image-layer errors are answers.
template <typename ReadInfo>
void ProbeInfo(std::span<const std::uint8_t> bytes, ReadInfo read_info) {
  try {
    read_info(bytes);
  } catch (const ImageError&) {
  }
}

// The image a reader makes of the bytes, checked well-formed; nullopt on an image-layer error.
// Any other exception escapes and is a finding.
template <typename Read>
std::optional<Raster> ReadChecked(std::span<const std::uint8_t> bytes, Read read) {
  std::optional<Raster> image;
  try {
    image = read(bytes);
  } catch (const ImageError&) {
    return std::nullopt;
  }
  Check(WellFormed(*image));
  return image;
}

// Round trips through a writer are kept to modest images so each run stays quick.
inline bool SmallEnoughToRoundTrip(const Raster& image) {
  return image.pixels.size() <= (std::size_t{1} << 24);
}

}  // namespace parvel::fuzz
