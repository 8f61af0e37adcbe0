// The list file of headers or footers: one entry per line, CR LF line ends, "|" between the lines
// of one entry.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace parvel {

// Larger list files are refused.
inline constexpr std::uint64_t kMaxListFileSize = 4u << 20;

// The entries of a list file, every line (empty ones too) in file order; a leading UTF-8 byte
// order mark is dropped. nullopt when the file is not a readable plain file, is larger than
// kMaxListFileSize, or holds a NUL byte (it is no text file then).
std::optional<std::vector<std::string>> ReadHeaderFooterList(const std::string& path);

// The entries of a list file's text, as ReadHeaderFooterList reads them; nullopt when the text
// is larger than kMaxListFileSize or holds a NUL byte.
std::optional<std::vector<std::string>> ParseHeaderFooterList(std::string text);

// Where each entry lies in a list file's text: offset and length.
using ListEntrySpans = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

// The list file's text (byte order mark dropped) and where each entry lies in it, so that a list
// of many short lines stays small; false as for ReadHeaderFooterList.
[[nodiscard]] bool LoadHeaderFooterList(const std::string& path, std::string* text,
                                        ListEntrySpans* spans);

// The text of a list file holding the entries, each one line ended by CR LF. A line break inside
// an entry is stored as "|", so each entry stays one line.
std::string HeaderFooterListText(const std::vector<std::string>& entries);

// Writes HeaderFooterListText(entries) through Files(), replacing the file in one step.
[[nodiscard]] bool WriteHeaderFooterList(const std::string& path,
                                         const std::vector<std::string>& entries,
                                         std::string* error = nullptr);

// The encoding an entry of a list file was written in: UTF-8 when its bytes are valid UTF-8,
// else windows-1252 (a list saved by another program on another system).
enum class ListEncoding { Utf8, Windows1252 };
ListEncoding EntryEncoding(std::string_view bytes);
// Windows-1252 when any entry is not valid UTF-8: what a new entry of this list is written in.
ListEncoding ListFileEncoding(const std::vector<std::string>& entries);
// An entry's text in UTF-8, for showing and editing.
std::string DecodeListEntry(std::string_view bytes);
// UTF-8 text back into the bytes of `encoding`, so that an entry decoded and encoded again keeps
// its bytes. A text windows-1252 cannot hold stays UTF-8 (nothing of it is lost).
std::string EncodeListEntry(std::string_view text, ListEncoding encoding);

// A snippet as it goes into a page: every "|" removed.
std::string JoinHeaderFooter(std::string_view snippet);

}  // namespace parvel
