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

}  // namespace parvel
