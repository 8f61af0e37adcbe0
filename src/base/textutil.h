// Small text helpers shared by the whole core: trimming, ASCII case, and integer parsing with the
// rules the stored files rely on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parvel {

// Removes leading and trailing blanks and control characters (every byte <= 0x20).
std::string Trim(std::string_view text);

std::string UpperAscii(std::string_view text);
std::string LowerAscii(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);

// Reads a 32-bit signed integer: an optional sign, then decimal digits, or "$" / "0x" followed by
// hexadecimal digits (up to 8, read as the 32-bit pattern). Blanks are not allowed anywhere.
// nullopt when the text is anything else or does not fit.
std::optional<std::int32_t> ParseInt(std::string_view text);

std::string IntToStr(std::int64_t value);

// Replaces every occurrence of `from` (non-empty) by `to`.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// Splits text into lines at CR LF, LF or a lone CR; a final line end adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);

// Joins lines, each followed by CR LF.
std::string JoinLinesCrLf(const std::vector<std::string>& lines);

// Calls `line` for every line of `text` (CR LF, LF or a lone CR end a line; a final line end
// adds no empty line), without copying.
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

inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";  // UTF-8

// The text less a leading UTF-8 byte order mark.
std::string_view WithoutByteOrderMark(std::string_view text);

// True when `list` holds `text`, ignoring ASCII case.
bool ContainsNoCase(const std::vector<std::string>& list, std::string_view text);

}  // namespace parvel
