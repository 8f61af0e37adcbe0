#include "templates/listfile.h"

#include "base/textutil.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

// Where each entry of a list file's text lies in it, after dropping a byte order mark from the
// text; false as for ParseHeaderFooterList.
bool SplitList(std::string* text, ListEntrySpans* spans) {
  spans->clear();
  if (text->size() > kMaxListFileSize || text->find('\0') != std::string::npos) return false;
  if (text->starts_with(kByteOrderMark)) text->erase(0, kByteOrderMark.size());
  const char* base = text->data();
  ForEachLine(*text, [&](std::string_view line) {
    spans->emplace_back(static_cast<std::uint32_t>(line.data() - base),
                        static_cast<std::uint32_t>(line.size()));
  });
  return true;
}

}  // namespace

bool LoadHeaderFooterList(const std::string& path, std::string* text, ListEntrySpans* spans) {
  spans->clear();
  return ReadPlainFile(path, kMaxListFileSize, text) && SplitList(text, spans);
}

std::optional<std::vector<std::string>> ReadHeaderFooterList(const std::string& path) {
  std::string text;
  if (!ReadPlainFile(path, kMaxListFileSize, &text)) return std::nullopt;
  return ParseHeaderFooterList(std::move(text));
}

std::optional<std::vector<std::string>> ParseHeaderFooterList(std::string text) {
  ListEntrySpans spans;
  if (!SplitList(&text, &spans)) return std::nullopt;
  std::vector<std::string> entries;
  entries.reserve(spans.size());
  for (const auto& [offset, length] : spans) entries.push_back(text.substr(offset, length));
  return entries;
}

std::string HeaderFooterListText(const std::vector<std::string>& entries) {
  std::string text;
  for (const auto& entry : entries) {
    char previous = '\0';
    for (char c : entry) {
      const bool is_break = c == '\r' || c == '\n';
      // CR LF counts as one line break; every other CR or LF is one of its own.
      if (is_break && !(c == '\n' && previous == '\r')) text += '|';
      if (!is_break) text += c;
      previous = c;
    }
    text += "\r\n";
  }
  return text;
}

bool WriteHeaderFooterList(const std::string& path, const std::vector<std::string>& entries,
                           std::string* error) {
  return Files().WriteFileAtomic(path, HeaderFooterListText(entries), error);
}

std::string JoinSnippet(std::string_view snippet) {
  std::string out;
  out.reserve(snippet.size());
  for (char c : snippet) {
    if (c != '|') out += c;
  }
  return out;
}

}  // namespace parvel
