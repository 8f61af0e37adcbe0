// Feeds arbitrary text to the header/footer list reader, and entries cut from the input at 0x01
// bytes to the list writer. Checked: a text is refused exactly when it holds a NUL byte; the
// entries read hold no line break and, written again, give the text back with CR LF line ends;
// written entries read back with each line break as one "|".
#include <string>

#include "fuzz_support.h"
#include "templates/listfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace parvel;
  std::string_view text = fuzz::Text(data, size);
  const auto entries = ParseHeaderFooterList(std::string(text));
  fuzz::Check(entries.has_value() == (text.find('\0') == std::string_view::npos));
  if (entries) {
    for (const auto& entry : *entries) {
      fuzz::Check(entry.find_first_of("\r\n") == std::string::npos);
    }
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    fuzz::Check(HeaderFooterListText(*entries) == fuzz::JoinLines(text, "\r\n", true));
  }

  // Entries as the list editor may hold them (a byte order mark opens no entry: it is no text).
  std::vector<std::string> written;
  for (auto piece : fuzz::Pieces(fuzz::Text(data, size), '\x01', 8)) {
    written.emplace_back(piece);
  }
  while (!written.empty() && written.back().empty()) written.pop_back();
  if (!written.empty() && written.front().starts_with("\xEF\xBB\xBF")) return 0;
  const auto read = ParseHeaderFooterList(HeaderFooterListText(written));
  fuzz::Check(read.has_value() == (text.find('\0') == std::string_view::npos));
  if (!read) return 0;
  fuzz::Check(read->size() == written.size());
  for (std::size_t i = 0; i < written.size(); ++i)
    fuzz::Check((*read)[i] == fuzz::JoinLines(written[i], "|", false));
  return 0;
}
