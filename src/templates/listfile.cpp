#include "templates/listfile.h"

#include <iconv.h>

#include <cerrno>

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

// The five bytes windows-1252 leaves unassigned: read as the control characters of the same
// number, as web browsers do, so that they survive a round trip.
bool UnassignedIn1252(unsigned value) {
  return value == 0x81 || value == 0x8D || value == 0x8F || value == 0x90 || value == 0x9D;
}

// One conversion by iconv (glibc's tables). `on_invalid` is given the input at a sequence the
// target cannot take (or the source does not hold) and appends its replacement to the output,
// returning how many input bytes it stands for; 0 fails the conversion.
template <typename OnInvalid>
bool Convert(const char* to, const char* from, std::string_view in, std::string* out,
             OnInvalid on_invalid) {
  iconv_t cd = ::iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out->clear();
  char buffer[4096];
  char* in_ptr = const_cast<char*>(in.data());
  size_t in_left = in.size();
  bool ok = true;
  while (ok && in_left > 0) {
    char* out_ptr = buffer;
    size_t out_left = sizeof(buffer);
    const size_t result = ::iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    const int err = errno;
    out->append(buffer, static_cast<size_t>(out_ptr - buffer));
    if (result != static_cast<size_t>(-1)) continue;
    if (err == E2BIG) continue;
    const size_t taken = on_invalid(std::string_view(in_ptr, in_left), out);
    if (taken == 0 || taken > in_left) {
      ok = false;
    } else {
      in_ptr += taken;
      in_left -= taken;
    }
  }
  ::iconv_close(cd);
  return ok;
}

bool IsValidUtf8(std::string_view bytes) {
  std::string ignored;
  return Convert("UTF-8", "UTF-8", bytes, &ignored,
                 [](std::string_view, std::string*) { return size_t{0}; });
}

}  // namespace

ListEncoding EntryEncoding(std::string_view bytes) {
  return IsValidUtf8(bytes) ? ListEncoding::Utf8 : ListEncoding::Windows1252;
}

ListEncoding ListFileEncoding(const std::vector<std::string>& entries) {
  for (const auto& entry : entries) {
    if (EntryEncoding(entry) == ListEncoding::Windows1252) return ListEncoding::Windows1252;
  }
  return ListEncoding::Utf8;
}

std::string DecodeListEntry(std::string_view bytes) {
  if (EntryEncoding(bytes) == ListEncoding::Utf8) return std::string(bytes);
  std::string text;
  const bool ok = Convert("UTF-8", "WINDOWS-1252", bytes, &text,
                          [](std::string_view rest, std::string* out) -> size_t {
                            const auto byte = static_cast<unsigned char>(rest.front());
                            if (!UnassignedIn1252(byte)) return 0;
                            *out += static_cast<char>(0xC2);  // U+0080..U+00BF in UTF-8
                            *out += static_cast<char>(byte);
                            return 1;
                          });
  return ok ? text : std::string(bytes);
}

std::string EncodeListEntry(std::string_view text, ListEncoding encoding) {
  if (encoding == ListEncoding::Utf8) return std::string(text);
  std::string bytes;
  const bool ok = Convert("WINDOWS-1252", "UTF-8", text, &bytes,
                          [](std::string_view rest, std::string* out) -> size_t {
                            if (rest.size() < 2 || static_cast<unsigned char>(rest[0]) != 0xC2)
                              return 0;
                            const auto value = static_cast<unsigned char>(rest[1]);
                            if (!UnassignedIn1252(value)) return 0;
                            *out += static_cast<char>(value);
                            return 2;
                          });
  return ok ? bytes : std::string(text);
}

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

std::string JoinHeaderFooter(std::string_view snippet) {
  std::string out;
  out.reserve(snippet.size());
  for (char c : snippet) {
    if (c != '|') out += c;
  }
  return out;
}

}  // namespace parvel
