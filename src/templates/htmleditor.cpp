#include "templates/htmleditor.h"

#include <algorithm>

#include "model/filehelpers.h"
#include "model/paths.h"
#include "platform/filesystem.h"

namespace parvel {

std::string HeaderFooterToEditorText(std::string_view snippet) {
  std::string text(snippet);
  std::replace(text.begin(), text.end(), '|', '\n');
  return text;
}

std::string EditorTextToHeaderFooter(std::string_view text) {
  std::string snippet;
  snippet.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    snippet += c == '\r' || c == '\n' ? '|' : c;
  }
  return snippet;
}

const std::array<std::string, 19>& HtmlMenuItems() {
  static const std::array<std::string, 19> items = {
      "&nbsp;",
      "<!-- COMMENT --> ",
      "<A HREF=\"" + std::string(kMakerWebAddress) + "\">" + std::string(kMakerWebAddress) + "</A>",
      "<A HREF=\"mailto:" + std::string(kMakerSalesMail) + "\">" + std::string(kMakerSalesMail) +
          "</A>",
      "<A NAME=\"PAGE TOP\"></A>",
      "<B>",
      "</B>",
      "<BR>",
      "<FONT COLOR=\"#FF0000\">",
      "<FONT FACE=\"Arial,Helvetica\">",
      "<FONT SIZE=+1>",
      "</FONT>",
      "<HR WIDTH=\"100%\">",
      "<I>",
      "</I>",
      "<IMG SRC=\"image.gif\" border=\"0\" width=\"468\" height=\"60\">",
      "<P>",
      "<SCRIPT LANGUAGE=\"Javascript\">",
      "</SCRIPT>",
  };
  return items;
}

Insertion InsertPiece(std::u16string_view text, std::size_t selection_start,
                      std::u16string_view piece) {
  const std::size_t at = std::min(selection_start, text.size());
  Insertion result;
  result.text.reserve(text.size() + piece.size());
  result.text.append(text.substr(0, at)).append(piece).append(text.substr(at));
  result.caret = at + piece.size();
  return result;
}

std::string PreviewFileName() {
  return DataDirectory() + "~prev.htm";
}

std::string PreviewFileContent(std::string_view text) {
  std::string content = "<BODY>\r\n";
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (c == '\r' || c == '\n')
      content += "\r\n";
    else
      content += c;
  }
  content += "\r\n</BODY>";
  return content;
}

bool PreviewHtml(Interaction& ui, std::string_view text) {
  const std::string path = PreviewFileName();
  bool written = !FileExists(path) || DeleteFileAsked(ui, path, true);
  written = written && Files().WriteFileAtomic(path, PreviewFileContent(text), nullptr);
  // A browser that cannot be started is a failed preview too.
  if (!written || !ui.OpenDocument(path)) {
    ui.Warn(kPreviewFailedMessage);
    return false;
  }
  return true;
}

void RemovePreviewFile() {
  const std::string path = PreviewFileName();
  if (FileExists(path)) Files().Remove(path, nullptr);
}

}  // namespace parvel
