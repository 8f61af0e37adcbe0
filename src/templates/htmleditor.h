// The HTML editor's rules without a toolkit: a snippet's lines and back, inserting a ready-made
// piece of HTML at the caret, the menu of those pieces, and the preview file.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/interaction.h"

namespace parvel {

// The editor's text for a snippet: every "|" starts a new line ("A||B" gives A, an empty line and
// B); an empty snippet is one empty line.
std::string HeaderFooterToEditorText(std::string_view snippet);

// The snippet for the editor's text: its lines (LF, CR LF or CR ended) joined by "|".
std::string EditorTextToHeaderFooter(std::string_view text);

// The ready-made pieces of HTML the editor's insert menu offers; each item shows its text.
inline constexpr std::string_view kMakerWebAddress = "https://parvel.example.org/";
inline constexpr std::string_view kMakerSalesMail = "sales@parvel.example.org";
const std::array<std::string, 19>& HtmlMenuItems();

// Inserting `piece` into `text` before the character at the start of the selection (a selection
// is kept, not replaced); positions count UTF-16 units, as the editor does.
struct Insertion {
  std::u16string text;
  std::size_t caret = 0;  // just after the inserted piece
};
Insertion InsertPiece(std::u16string_view text, std::size_t selection_start,
                      std::u16string_view piece);

// The preview file, "~prev.htm" in the data directory, and its bytes for the editor's text:
// "<BODY>" CR LF, the text with CR LF line ends, CR LF, "</BODY>".
std::string PreviewFileName();
std::string PreviewFileContent(std::string_view text);
inline constexpr std::string_view kPreviewFailedMessage = "Error encountered previewing this HTML!";

// Writes the preview file (an old one is deleted first, with DeleteFileAsked's questions) and opens
// it in the default browser; on failure warns kPreviewFailedMessage. False then.
bool PreviewHtml(Interaction& ui, std::string_view text);

// Removes the preview file when the editor closes; a file that cannot be removed stays (it is
// written afresh by the next preview).
void RemovePreviewFile();

}  // namespace parvel
